-- The plant archive: every station's records, log records, shifts and models
-- in one MariaDB database, written by tools/stationsync and read by the viewer.
--
-- Load it into an empty database as an administrator:
--     mariadb -e 'CREATE DATABASE hxplant CHARACTER SET utf8mb4'
--     mariadb hxplant < server/schema.sql
-- It makes the tables and two roles; the users that take them are made by
-- the administrator with their own passwords (README, "Plant server").
--
-- Keys. A station's SQLite file numbers its rows with uid (AUTOINCREMENT, so a
-- uid is never given twice in one file). The archive keys a row by
-- (station, epoch, uid): the sync inserts with INSERT IGNORE, so a batch sent
-- twice (after a lost connection, a restart) never duplicates a row. epoch
-- counts the station files of one station: when the sync finds the file
-- replaced by another one whose uids start again, it opens the next epoch
-- (recorded in station_files) and the rows of the old file stay as they are.
--
-- Texts. Names and times compare byte for byte like SQLite's BINARY collation
-- ("A1" and "A1 " are two models there): utf8mb4_nopad_bin throughout. Times
-- stay the station's text "yyyy-MM-dd hh:mm:ss", whose text order is time
-- order, so a range compares the same on both engines.
--
-- Rows the station deletes (retention) stay here: the archive only grows.

-- One row per station: where its sync stands. Written by the sync in the same
-- transaction as the rows it inserts, so position and rows never disagree.
CREATE TABLE IF NOT EXISTS stations (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    epoch INT UNSIGNED NOT NULL,
    -- The last record and log record copied, and a digest of what identifies
    -- them in the file (time and model; time, class and message): a file
    -- replaced by another one shows a different row under the same uid.
    record_uid BIGINT NOT NULL DEFAULT 0,
    record_mark CHAR(40) CHARACTER SET ascii NOT NULL DEFAULT '',
    record_time VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    log_uid BIGINT NOT NULL DEFAULT 0,
    log_mark CHAR(40) CHARACTER SET ascii NOT NULL DEFAULT '',
    synced_at DATETIME NULL,
    -- Up to 16 earlier copied rows of each table ("uid:mark ..."): when the
    -- last copied row is gone or another one, these tell an operator's
    -- delete or edit (they are still the same) from a replaced file.
    record_witnesses VARCHAR(1024) CHARACTER SET ascii NOT NULL DEFAULT '',
    log_witnesses VARCHAR(1024) CHARACTER SET ascii NOT NULL DEFAULT '',
    PRIMARY KEY (station)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;
-- An archive made before the witnesses gets them when this file is loaded again.
ALTER TABLE stations
    ADD COLUMN IF NOT EXISTS record_witnesses VARCHAR(1024) CHARACTER SET ascii NOT NULL DEFAULT ''
        AFTER synced_at,
    ADD COLUMN IF NOT EXISTS log_witnesses VARCHAR(1024) CHARACTER SET ascii NOT NULL DEFAULT ''
        AFTER record_witnesses;

-- One row per station file: when the sync first read it and why a new epoch began.
CREATE TABLE IF NOT EXISTS station_files (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    epoch INT UNSIGNED NOT NULL,
    file_path VARCHAR(1024) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    file_id VARCHAR(64) CHARACTER SET ascii NOT NULL,
    reason VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    started_at DATETIME NOT NULL,
    PRIMARY KEY (station, epoch)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- The detection records (the station's wftable); pic only when the sync copies thumbnails.
CREATE TABLE IF NOT EXISTS records (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    epoch INT UNSIGNED NOT NULL,
    uid BIGINT NOT NULL,
    time VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    model VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    channel BIGINT NULL,
    correlate DOUBLE NULL,
    detecttime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    diameter DOUBLE NULL,
    hight DOUBLE NULL,
    pic MEDIUMBLOB NULL,
    -- The viewer's order of equal times across stations: the order rows
    -- arrived. Its pages and export chunks continue after (time, id), as the
    -- viewer does with (time, uid) in a station file; the time indexes end
    -- with id so that this order needs no sort.
    id BIGINT NOT NULL AUTO_INCREMENT,
    -- The sync's key: rows of one station lie together in uid order, so its
    -- batches append at the end of that station's range.
    PRIMARY KEY (station, epoch, uid),
    UNIQUE KEY records_id (id),
    -- Plant-wide time ranges (production page and statistics over all stations).
    KEY records_time (time, id),
    -- One station's time ranges, its pages and its statistics.
    KEY records_station_time (station, time, id),
    -- One model across the plant over a time range.
    KEY records_model_time (model, time, id)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- Records per station, day and model: plant statistics over long ranges sum
-- whole days here and read only the partial days at the range's ends from
-- records. day is the first 10 characters of time (so "2024-05-01" for a
-- station's times), model "" for a NULL model, as the statistics read a NULL
-- model anyway; rows without a time are in no range and not counted.
--
-- The sync keeps it, in the transaction of each batch of records: it adds
-- the rows the server took (all of a statement's rows when its INSERT IGNORE
-- took them all, none when it took none, else it sends the batch again one
-- row per statement), so a batch sent twice is counted once and a crash
-- loses rows and counts together. A row trigger did this before, at about
-- half the sync's rate.
CREATE TABLE IF NOT EXISTS record_counts (
    day VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    model VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    records BIGINT NOT NULL,
    -- Each station's counters on pages of their own: the syncs of several
    -- stations do not wait for each other's. A plant's range reads the whole
    -- table, a few rows per station, model and day.
    PRIMARY KEY (station, day, model)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- An archive made with an earlier version of this file has that trigger: with
-- it, every record would be counted twice. Loading this file again removes it
-- (stop the syncs first and start the new ones after).
DROP TRIGGER IF EXISTS records_count;

-- The log records (the station's warningtable).
CREATE TABLE IF NOT EXISTS logs (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    epoch INT UNSIGNED NOT NULL,
    uid BIGINT NOT NULL,
    time VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    class VARCHAR(32) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    message MEDIUMTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    -- The viewer's order of equal times, as for records.
    id BIGINT NOT NULL AUTO_INCREMENT,
    -- The sync's key, as for records.
    PRIMARY KEY (station, epoch, uid),
    UNIQUE KEY logs_id (id),
    -- The log page asks for one class over a time range, plant-wide ...
    KEY logs_class_time (class, time, id),
    -- ... or for one station.
    KEY logs_station_class_time (station, class, time, id)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- The shifts (the station's wftimetable_2). Every shift the station has had
-- stays; the sync stamps all rows the station holds now with one last_seen in
-- one transaction, so a station's current shifts are its rows whose last_seen
-- is that station's greatest.
CREATE TABLE IF NOT EXISTS shifts (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    epoch INT UNSIGNED NOT NULL,
    uid BIGINT NOT NULL,
    type VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    starttime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    endtime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    startType BIGINT NULL,
    EndType BIGINT NULL,
    last_seen DATETIME(3) NOT NULL,
    -- The sync's key; a station has a handful of shifts, no other index.
    PRIMARY KEY (station, epoch, uid)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- The model names of each station's model list (pattern/modelTemplate.db),
-- stamped like the shifts.
CREATE TABLE IF NOT EXISTS models (
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    model VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    last_seen DATETIME(3) NOT NULL,
    -- A name once per station; the model filter lists them per station.
    PRIMARY KEY (station, model)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- The sync: adds records and log records and can neither read, change nor
-- delete one. It reads and moves its station's position, and renews the
-- last_seen stamps of shifts and models (the server checks an upsert's
-- UPDATE against every column the INSERT names, so these two small lists
-- are writable for it). It adds its batches' counts to record_counts with
-- such an upsert, which reads the count it adds to: SELECT on that column
-- only, so it still cannot tell whose counts they are.
CREATE ROLE IF NOT EXISTS hxreport_sync;
GRANT SELECT, INSERT, UPDATE ON stations TO hxreport_sync;
GRANT INSERT ON station_files TO hxreport_sync;
GRANT INSERT ON records TO hxreport_sync;
GRANT INSERT ON logs TO hxreport_sync;
GRANT SELECT (records), INSERT, UPDATE ON record_counts TO hxreport_sync;
GRANT SELECT, INSERT, UPDATE ON shifts TO hxreport_sync;
GRANT SELECT, INSERT, UPDATE ON models TO hxreport_sync;

-- The viewer: reads everything, writes nothing.
CREATE ROLE IF NOT EXISTS hxreport_viewer;
GRANT SELECT ON stations TO hxreport_viewer;
GRANT SELECT ON station_files TO hxreport_viewer;
GRANT SELECT ON records TO hxreport_viewer;
GRANT SELECT ON record_counts TO hxreport_viewer;
GRANT SELECT ON logs TO hxreport_viewer;
GRANT SELECT ON shifts TO hxreport_viewer;
GRANT SELECT ON models TO hxreport_viewer;
