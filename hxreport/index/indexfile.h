#ifndef INDEXFILE_H
#define INDEXFILE_H

#include "sqlitehandle.h"
#include "timekey.h"

#include <QString>
#include <QStringList>

// The viewer's own index file of one station file: its name and place, its
// schema and its state (the meta table). See RecordIndex for the whole.
//
// Schema (version IndexFile::Version, also in PRAGMA user_version):
//   meta(key, value)          the state below, values with their storage class
//   models(id, model)         each distinct model value once, typed as stored
//   rec(m, ti, tx, uid, correlate, detecttime, diameter, hight)
//       WITHOUT ROWID, primary key (m, ti, tx, uid): one b-tree ordered by
//       model, time key (TimeKey) and uid, so a model's records in a range
//       are one contiguous run in page order. No second index: per-model
//       counts seek each model's run, and the total is their sum.
//   hours(m, hour, n, x)      WITHOUT ROWID, primary key (m, hour): how many
//       records of model m have a text time of that hour (TimeKey::hourOf),
//       and how many of them are off the hour's clock (TimeKey::offClock),
//       written in the same transactions as rec. A count over a long range
//       sums its whole hours here and counts only the records of its partial
//       hours at both ends in rec (IndexReader); trends take each hour whole.
//       A year is about 9 000 rows per model, which sum in a few ms.
// The measured values keep the station's declared column types (copied from
// the station's schema), so they are stored and compare as there.
class IndexFile
{
public:
    static const int Version = 3;

    // The index file for a station file: <cacheDir>/hxindex-<hash>.db, the
    // hash (SHA-1, 20 hex digits) of the station file's canonical path. An
    // empty cacheDir means QStandardPaths::CacheLocation. Empty when there is
    // no place for it (no cache location, or the folder is the station's own).
    static QString pathFor(const QString& stationPath, const QString& cacheDir = QString());

    // What the index knows about itself and the station file; kept in meta.
    struct State
    {
        QString station; // canonical path of the station file
        QByteArray fileId; // device and inode of the station file when built
        QByteArray columns; // the station's declared column types, '|'-joined
        qint64 lastUid = 0; // every station record up to this uid was read
        qint64 rows = 0; // records in rec
        SqliteValue lastTime; // time and model of record lastUid when read
        SqliteValue lastModel;
        // Set when at the end of a pass the station held exactly the indexed
        // records (same count, nothing after lastUid), with this first record
        // in (time, uid) order; cleared when a record below it is added.
        bool verified = false;
        bool hasFirst = false;
        SqliteValue firstTime;
        qint64 firstUid = 0;
        // A first build runs in time order over the station's time index up
        // to the record buildTarget (0: none running); it has read every
        // record up to (buildTime, buildUid) in (time, uid) order.
        qint64 buildTarget = 0;
        bool buildStarted = false;
        SqliteValue buildTime;
        qint64 buildUid = 0;
    };

    // Opens (Create: makes when missing) and checks the schema version and the
    // station it belongs to. A file that is not a usable index of this
    // version gives false with lastErrorIsDamage() or a reason in error.
    static bool openChecked(SqliteConnection& db, const QString& path, SqliteConnection::Mode mode,
        const QString& station, QString* error, const std::atomic<bool>* interrupt = nullptr);
    // Drops everything and makes an empty index of the current version for
    // the station, with the measured columns declared as given.
    static bool create(SqliteConnection& db, const QString& station, const QStringList& declaredTypes,
        const QByteArray& fileId, QString* error);

    static bool readState(SqliteConnection& db, State* state);
    static bool writeState(SqliteConnection& db, const State& state);
};

#endif // INDEXFILE_H
