-- The plant archive: every station's records, log records, shifts and models
-- in one MariaDB database, written by tools/stationsync and read by the viewer.
--
-- Load it into an empty database as an administrator:
--     mariadb -e 'CREATE DATABASE hxplant CHARACTER SET utf8mb4'
--     mariadb hxplant < server/schema.sql
-- It makes the tables, the sync's procedures and two roles; the users that
-- take them are made by the administrator with their own passwords, one sync
-- user per station (README, "Plant server"). Loading it again on an existing
-- archive brings it up to date and keeps its rows, users and their roles.
--
-- Keys. A station's SQLite file numbers its rows with uid (AUTOINCREMENT, so a
-- uid is never given twice in one file). The archive keys a row by
-- (station, epoch, uid): the sync's procedures leave out rows the archive
-- holds, so a batch sent twice (after a lost connection, a restart) never
-- duplicates a row. epoch
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
-- The sync's procedure sync_add_records keeps it, in the transaction of each
-- batch of records: it adds the rows it inserted (rows the archive held
-- already are left out first), so a batch sent twice is counted once and a
-- crash loses rows and counts together. A row trigger did this before, at
-- about half the sync's rate.
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

-- Which station each sync account writes: the account's user name (as the
-- client logs in, without the host) and the station's name. The
-- administrator adds a row per station account (README, "Plant server");
-- nobody else reads or writes this table.
CREATE TABLE IF NOT EXISTS station_accounts (
    account VARCHAR(80) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,
    station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    PRIMARY KEY (account, station)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- A secret of this archive in the name of each station's sync lock: the
-- server's named locks are open to every session, so a name a reader could
-- work out would let the reader hold it and stop that station's sync.
CREATE TABLE IF NOT EXISTS sync_secret (
    id INT NOT NULL,
    secret CHAR(64) CHARACTER SET ascii NOT NULL,
    PRIMARY KEY (id)
) ENGINE = InnoDB;
INSERT IGNORE INTO sync_secret (id, secret) VALUES (1, HEX(RANDOM_BYTES(32)));

-- A batch's rows on their way in: the sync inserts them here (it may do
-- nothing else with these tables), and one procedure call moves them to the
-- archive in the same transaction. session is the inserting connection, set
-- by the server (the sync may not name that column), so a session sees and
-- moves only its own rows.
CREATE TABLE IF NOT EXISTS sync_batch_records (
    session BIGINT UNSIGNED NOT NULL DEFAULT CONNECTION_ID(),
    uid BIGINT NOT NULL,
    time VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    model VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    channel BIGINT NULL,
    correlate DOUBLE NULL,
    detecttime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    diameter DOUBLE NULL,
    hight DOUBLE NULL,
    pic MEDIUMBLOB NULL,
    PRIMARY KEY (session, uid)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;
CREATE TABLE IF NOT EXISTS sync_batch_logs (
    session BIGINT UNSIGNED NOT NULL DEFAULT CONNECTION_ID(),
    uid BIGINT NOT NULL,
    time VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    class VARCHAR(32) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    message MEDIUMTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    PRIMARY KEY (session, uid)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;
CREATE TABLE IF NOT EXISTS sync_batch_shifts (
    session BIGINT UNSIGNED NOT NULL DEFAULT CONNECTION_ID(),
    uid BIGINT NOT NULL,
    type VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    starttime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    endtime VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NULL,
    startType BIGINT NULL,
    EndType BIGINT NULL,
    PRIMARY KEY (session, uid)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;
CREATE TABLE IF NOT EXISTS sync_batch_models (
    session BIGINT UNSIGNED NOT NULL DEFAULT CONNECTION_ID(),
    model VARCHAR(255) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    PRIMARY KEY (session, model)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4;

-- The syncs write only through the procedures below, which run with the
-- rights of the administrator who loaded this file (SQL SECURITY DEFINER)
-- and check the caller: an account writes only the stations station_accounts
-- gives it, only while it holds the station's lock, only the station's
-- current epoch, and only rows after the station's position, which moves
-- with them. Day counts are added by the server from the rows it inserted.
-- (Not temporary tables: a session may rename its own temporary table to the
-- name of a table these procedures read, and they would read that instead.)
DROP FUNCTION IF EXISTS sync_account;
DROP FUNCTION IF EXISTS sync_allowed;
DROP FUNCTION IF EXISTS sync_lock_name;
DROP PROCEDURE IF EXISTS sync_require;
DROP PROCEDURE IF EXISTS sync_open;
DROP PROCEDURE IF EXISTS sync_begin_epoch;
DROP PROCEDURE IF EXISTS sync_add_records;
DROP PROCEDURE IF EXISTS sync_add_logs;
DROP PROCEDURE IF EXISTS sync_add_shifts;
DROP PROCEDURE IF EXISTS sync_add_models;
DROP PROCEDURE IF EXISTS sync_revoke_old_grants;

DELIMITER //

-- The caller's user name: USER() is the login whatever the routine's rights;
-- the host follows the last '@'.
CREATE FUNCTION sync_account() RETURNS VARCHAR(80) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin
    SQL SECURITY DEFINER NOT DETERMINISTIC READS SQL DATA
    RETURN LEFT(USER(), CHAR_LENGTH(USER()) - CHAR_LENGTH(SUBSTRING_INDEX(USER(), '@', -1)) - 1)//

CREATE FUNCTION sync_allowed(p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin) RETURNS BOOLEAN
    SQL SECURITY DEFINER NOT DETERMINISTIC READS SQL DATA
    RETURN EXISTS (SELECT 1 FROM station_accounts WHERE account = sync_account() AND station = p_station)//

-- At most 64 characters, as the server wants.
CREATE FUNCTION sync_lock_name(p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin) RETURNS VARCHAR(64)
    SQL SECURITY DEFINER NOT DETERMINISTIC READS SQL DATA
    RETURN CONCAT('hxsync:', LEFT(SHA2(CONCAT((SELECT secret FROM sync_secret WHERE id = 1), ':',
        DATABASE(), ':', HEX(p_station)), 256), 56))//

-- Errors: 50001 the account may not write the station (settings), 50002
-- another session holds the station (try again), 50003 the batch does not
-- follow the station's position or epoch.
CREATE PROCEDURE sync_require(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, IN p_locked BOOLEAN)
    SQL SECURITY DEFINER
BEGIN
    DECLARE v_text VARCHAR(255);
    IF p_station IS NULL OR NOT sync_allowed(p_station) THEN
        SET v_text = CONCAT('account ', sync_account(), ' may not write station "', COALESCE(p_station, ''),
            '" (see station_accounts)');
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50001, MESSAGE_TEXT = v_text;
    END IF;
    IF p_locked AND NOT (IS_USED_LOCK(sync_lock_name(p_station)) <=> CONNECTION_ID()) THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50002, MESSAGE_TEXT = 'this session does not hold the station';
    END IF;
END//

-- Takes the station's lock for the session (one sync per station) and
-- empties the session's batch rows.
CREATE PROCEDURE sync_open(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin)
    SQL SECURITY DEFINER
BEGIN
    CALL sync_require(p_station, FALSE);
    IF NOT (IS_USED_LOCK(sync_lock_name(p_station)) <=> CONNECTION_ID())
        AND NOT (GET_LOCK(sync_lock_name(p_station), 0) <=> 1) THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50002, MESSAGE_TEXT = 'another sync of the station is running';
    END IF;
    -- Rows a session of the same number left before a server restart.
    DELETE FROM sync_batch_records WHERE session = CONNECTION_ID();
    DELETE FROM sync_batch_logs WHERE session = CONNECTION_ID();
    DELETE FROM sync_batch_shifts WHERE session = CONNECTION_ID();
    DELETE FROM sync_batch_models WHERE session = CONNECTION_ID();
END//

-- The station's first epoch (p_epoch 0: it has none) or the one after p_epoch.
CREATE PROCEDURE sync_begin_epoch(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, IN p_epoch INT UNSIGNED,
    IN p_path VARCHAR(1024) CHARACTER SET utf8mb4, IN p_file_id VARCHAR(64) CHARACTER SET ascii,
    IN p_reason VARCHAR(255) CHARACTER SET utf8mb4)
    SQL SECURITY DEFINER
BEGIN
    DECLARE v_epoch INT UNSIGNED DEFAULT 0;
    CALL sync_require(p_station, TRUE);
    SELECT epoch INTO v_epoch FROM stations WHERE station = p_station FOR UPDATE;
    IF NOT (v_epoch <=> p_epoch) THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50003, MESSAGE_TEXT = 'the station is at another epoch';
    END IF;
    IF p_epoch = 0 THEN
        INSERT INTO stations (station, epoch, synced_at) VALUES (p_station, 1, NOW());
    ELSE
        UPDATE stations SET epoch = p_epoch + 1, record_uid = 0, record_mark = '', record_time = NULL,
            log_uid = 0, log_mark = '', record_witnesses = '', log_witnesses = '', synced_at = NOW()
            WHERE station = p_station;
    END IF;
    INSERT INTO station_files (station, epoch, file_path, file_id, reason, started_at)
        VALUES (p_station, p_epoch + 1, p_path, p_file_id, p_reason, NOW());
END//

-- Moves the session's rows of sync_batch_records to records (rows the archive holds
-- already, after a position moved back, are left out), adds the new ones to
-- record_counts and moves the position to the last of them.
CREATE PROCEDURE sync_add_records(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, IN p_epoch INT UNSIGNED,
    IN p_mark CHAR(40) CHARACTER SET ascii, IN p_witnesses VARCHAR(1024) CHARACTER SET ascii)
    SQL SECURITY DEFINER
BEGIN
    DECLARE v_epoch INT UNSIGNED;
    DECLARE v_position BIGINT;
    DECLARE v_first BIGINT;
    DECLARE v_last BIGINT;
    CALL sync_require(p_station, TRUE);
    SELECT epoch, record_uid INTO v_epoch, v_position FROM stations WHERE station = p_station FOR UPDATE;
    SELECT MIN(uid), MAX(uid) INTO v_first, v_last FROM sync_batch_records WHERE session = CONNECTION_ID();
    IF NOT (v_epoch <=> p_epoch) OR v_first <= v_position THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50003,
            MESSAGE_TEXT = 'records out of order: not after the station''s position in its current epoch';
    END IF;
    IF v_last IS NOT NULL THEN
        IF v_first <= (SELECT MAX(uid) FROM records WHERE station = p_station AND epoch = p_epoch) THEN
            DELETE b FROM sync_batch_records b JOIN records r
                ON r.station = p_station AND r.epoch = p_epoch AND r.uid = b.uid
                WHERE b.session = CONNECTION_ID();
        END IF;
        INSERT INTO records (station, epoch, uid, time, model, channel, correlate, detecttime, diameter,
            hight, pic)
            SELECT p_station, p_epoch, uid, time, model, channel, correlate, detecttime, diameter, hight, pic
            FROM sync_batch_records WHERE session = CONNECTION_ID() ORDER BY uid;
        INSERT INTO record_counts (station, day, model, records)
            SELECT p_station, LEFT(time, 10) AS d, COALESCE(model, '') AS m, COUNT(*) FROM sync_batch_records
            WHERE session = CONNECTION_ID() AND time IS NOT NULL GROUP BY d, m
            ON DUPLICATE KEY UPDATE records = record_counts.records + VALUES(records);
        UPDATE stations SET record_uid = v_last, record_mark = p_mark,
            record_time = (SELECT time FROM sync_batch_records WHERE session = CONNECTION_ID() AND uid = v_last),
            record_witnesses = p_witnesses,
            synced_at = NOW() WHERE station = p_station;
        DELETE FROM sync_batch_records WHERE session = CONNECTION_ID();
    END IF;
END//

-- The same for sync_batch_logs.
CREATE PROCEDURE sync_add_logs(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, IN p_epoch INT UNSIGNED,
    IN p_mark CHAR(40) CHARACTER SET ascii, IN p_witnesses VARCHAR(1024) CHARACTER SET ascii)
    SQL SECURITY DEFINER
BEGIN
    DECLARE v_epoch INT UNSIGNED;
    DECLARE v_position BIGINT;
    DECLARE v_first BIGINT;
    DECLARE v_last BIGINT;
    CALL sync_require(p_station, TRUE);
    SELECT epoch, log_uid INTO v_epoch, v_position FROM stations WHERE station = p_station FOR UPDATE;
    SELECT MIN(uid), MAX(uid) INTO v_first, v_last FROM sync_batch_logs WHERE session = CONNECTION_ID();
    IF NOT (v_epoch <=> p_epoch) OR v_first <= v_position THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50003,
            MESSAGE_TEXT = 'log records out of order: not after the station''s position in its current epoch';
    END IF;
    IF v_last IS NOT NULL THEN
        IF v_first <= (SELECT MAX(uid) FROM logs WHERE station = p_station AND epoch = p_epoch) THEN
            DELETE b FROM sync_batch_logs b JOIN logs l ON l.station = p_station AND l.epoch = p_epoch AND l.uid = b.uid
                WHERE b.session = CONNECTION_ID();
        END IF;
        INSERT INTO logs (station, epoch, uid, time, class, message)
            SELECT p_station, p_epoch, uid, time, class, message FROM sync_batch_logs
            WHERE session = CONNECTION_ID() ORDER BY uid;
        UPDATE stations SET log_uid = v_last, log_mark = p_mark, log_witnesses = p_witnesses, synced_at = NOW()
            WHERE station = p_station;
        DELETE FROM sync_batch_logs WHERE session = CONNECTION_ID();
    END IF;
END//

-- All of the station's shifts (sync_batch_shifts), stamped with one last_seen.
CREATE PROCEDURE sync_add_shifts(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, IN p_epoch INT UNSIGNED)
    SQL SECURITY DEFINER
BEGIN
    CALL sync_require(p_station, TRUE);
    IF NOT ((SELECT epoch FROM stations WHERE station = p_station) <=> p_epoch) THEN
        SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 50003, MESSAGE_TEXT = 'the station is at another epoch';
    END IF;
    INSERT INTO shifts (station, epoch, uid, type, starttime, endtime, startType, EndType, last_seen)
        SELECT p_station, p_epoch, uid, type, starttime, endtime, startType, EndType, NOW(3) FROM sync_batch_shifts
        WHERE session = CONNECTION_ID()
        ON DUPLICATE KEY UPDATE last_seen = VALUES(last_seen);
    DELETE FROM sync_batch_shifts WHERE session = CONNECTION_ID();
END//

-- The station's model names (sync_batch_models), stamped like the shifts.
CREATE PROCEDURE sync_add_models(IN p_station VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin)
    SQL SECURITY DEFINER
BEGIN
    CALL sync_require(p_station, TRUE);
    INSERT INTO models (station, model, last_seen)
        SELECT p_station, model, NOW(3) FROM sync_batch_models WHERE session = CONNECTION_ID()
        ON DUPLICATE KEY UPDATE last_seen = VALUES(last_seen);
    DELETE FROM sync_batch_models WHERE session = CONNECTION_ID();
END//

-- An archive made with an earlier version of this file let hxreport_sync
-- write the tables themselves: those grants go (and the batch tables' are
-- granted anew below).
CREATE PROCEDURE sync_revoke_old_grants()
BEGIN
    DECLARE CONTINUE HANDLER FOR 1141, 1147 BEGIN END;
    REVOKE ALL PRIVILEGES ON stations FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON station_files FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON records FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON logs FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON record_counts FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON shifts FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON models FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON sync_batch_records FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON sync_batch_logs FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON sync_batch_shifts FROM hxreport_sync;
    REVOKE ALL PRIVILEGES ON sync_batch_models FROM hxreport_sync;
END//

DELIMITER ;

-- A sync's own position, for the accounts that may write the station.
CREATE OR REPLACE SQL SECURITY DEFINER VIEW sync_positions AS
    SELECT station, epoch, record_uid, record_mark, record_time, log_uid, log_mark, record_witnesses,
        log_witnesses
    FROM stations WHERE sync_allowed(station);

-- The sync role: the procedures, its own position and inserting batch rows, nothing else. Give it
-- to one account per station and add the account to station_accounts.
CREATE ROLE IF NOT EXISTS hxreport_sync;
CALL sync_revoke_old_grants();
DROP PROCEDURE sync_revoke_old_grants;
GRANT SELECT ON sync_positions TO hxreport_sync;
GRANT INSERT (uid, time, model, channel, correlate, detecttime, diameter, hight, pic)
    ON sync_batch_records TO hxreport_sync;
GRANT INSERT (uid, time, class, message) ON sync_batch_logs TO hxreport_sync;
GRANT INSERT (uid, type, starttime, endtime, startType, EndType) ON sync_batch_shifts TO hxreport_sync;
GRANT INSERT (model) ON sync_batch_models TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_open TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_begin_epoch TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_add_records TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_add_logs TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_add_shifts TO hxreport_sync;
GRANT EXECUTE ON PROCEDURE sync_add_models TO hxreport_sync;

-- The viewer: reads everything, writes nothing.
CREATE ROLE IF NOT EXISTS hxreport_viewer;
GRANT SELECT ON stations TO hxreport_viewer;
GRANT SELECT ON station_files TO hxreport_viewer;
GRANT SELECT ON records TO hxreport_viewer;
GRANT SELECT ON record_counts TO hxreport_viewer;
GRANT SELECT ON logs TO hxreport_viewer;
GRANT SELECT ON shifts TO hxreport_viewer;
GRANT SELECT ON models TO hxreport_viewer;
