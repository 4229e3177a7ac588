#include "indexsync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>

#include <sqlite3.h>

namespace {
const char* const ModelFindSql = "SELECT id FROM models WHERE model IS ?1";
const char* const ModelAddSql = "INSERT INTO models(model) VALUES(?1)";
const char* const ModelListSql = "SELECT id, model FROM models";
const char* const InsertSql
    = "INSERT OR IGNORE INTO rec(m, ti, tx, uid, correlate, detecttime, diameter, hight)"
      " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
// A record read again keeps one row with its latest values, and is not
// counted twice in days.
const char* const UpdateSql = "UPDATE rec SET correlate = ?5, detecttime = ?6, diameter = ?7, hight = ?8"
                              " WHERE m = ?1 AND ti = ?2 AND tx = ?3 AND uid = ?4";
const char* const DayAddSql
    = "INSERT INTO days(m, day, n) VALUES(?1, ?2, ?3) ON CONFLICT(m, day) DO UPDATE SET n = n + excluded.n";
// Retention keeps records with a NULL or blob time (not below any text).
const char* const DeleteBeforeSql
    = "DELETE FROM rec WHERE m = ?1 AND (ti, tx) < (?2, ?3) AND ti NOT IN (-3, -4)";
const char* const DeleteTimedSql = "DELETE FROM rec WHERE m = ?1 AND ti NOT IN (-3, -4)";
const char* const ClearSql = "DELETE FROM rec; DELETE FROM days";
const char* const ClearDaysSql = "DELETE FROM days";
// Retention below a record of day ?1: the days before it go, its own day is
// counted again from its records (it may be cut anywhere).
const char* const DaysBeforeSql = "DELETE FROM days WHERE day < ?1";
const char* const DayRecountSql = "UPDATE days SET n = (SELECT count(*) FROM rec WHERE rec.m = days.m"
                                  " AND rec.ti >= ?2 AND rec.ti < ?3) WHERE day = ?1";
const char* const DaysEmptySql = "DELETE FROM days WHERE n = 0";
const char* const FindSql = "SELECT 1 FROM rec WHERE m = ?1 AND ti = ?2 AND tx = ?3 AND uid = ?4";
const char* const QuickCheckSql = "PRAGMA quick_check(1)";

QByteArray valueKey(const SqliteValue& value)
{
    return QByteArray::number(value.type()) + ':' + value.bytes();
}

TimeKey keyOf(const SqliteValue& time)
{
    TimeKey key;
    switch (time.type()) {
    case SQLITE_TEXT:
        return TimeKey::ofText(time.bytes());
    case SQLITE_NULL:
        key.ti = TimeKey::NullTime;
        break;
    case SQLITE_BLOB:
        key.ti = TimeKey::BlobTime;
        break;
    default:
        key.ti = TimeKey::NotText;
    }
    return key;
}

QString canonicalOf(const QString& path)
{
    const QFileInfo info(path);
    return info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
}
}

IndexSync::IndexSync(const QString& stationPath, const QString& indexPath,
    std::shared_ptr<std::atomic<bool>> stop, QObject* parent)
    : QObject(parent)
    , m_StationPath(stationPath)
    , m_IndexPath(indexPath)
    , m_Canonical(canonicalOf(stationPath))
    , m_pStop(std::move(stop))
{
}

IndexSync::~IndexSync() = default;

void IndexSync::setChunk(int rows, int ms)
{
    m_nChunkRows = qMax(1, rows);
    m_nChunkMs = qMax(1, ms);
}

void IndexSync::syncNow()
{
    QString reason;
    const bool inStep = pass(&reason);
    emit passFinished(inStep, reason);
}

bool IndexSync::failIndex(QString* reason, const QString& what)
{
    *reason = what + QStringLiteral(": ") + m_Index.errorString();
    // A damaged file is made anew at the next pass.
    if (m_Index.lastErrorIsDamage()) {
        m_Index.close();
        QFile::remove(m_IndexPath);
        QFile::remove(m_IndexPath + QStringLiteral("-wal"));
        QFile::remove(m_IndexPath + QStringLiteral("-shm"));
    }
    m_Index.close();
    return false;
}

bool IndexSync::openIndex(QString* reason)
{
    if (m_Index.isOpen())
        return true;
    if (m_IndexPath.isEmpty()) {
        *reason = QStringLiteral("no place for the index file");
        return false;
    }
    const QString dir = QFileInfo(m_IndexPath).absolutePath();
    if (!QDir().mkpath(dir)) {
        *reason = QStringLiteral("cannot make the index folder ") + dir;
        return false;
    }
    const bool existed = QFile::exists(m_IndexPath);
    QString why;
    bool usable = existed
        && IndexFile::openChecked(
            m_Index, m_IndexPath, SqliteConnection::Mode::ReadWrite, m_Canonical, &why, m_pStop.get());
    if (usable) {
        SqliteStatement check(m_Index, QuickCheckSql);
        usable = check.step() && check.text(0) == "ok";
    }
    if (!usable) {
        // Anything but a usable index of this version is replaced.
        m_Index.close();
        if (existed) {
            QFile::remove(m_IndexPath);
            QFile::remove(m_IndexPath + QStringLiteral("-wal"));
            QFile::remove(m_IndexPath + QStringLiteral("-shm"));
        }
        if (!m_Index.open(m_IndexPath, SqliteConnection::Mode::Create, m_pStop.get(), 2000)) {
            *reason = QStringLiteral("cannot create the index file: ") + m_Index.errorString();
            return false;
        }
        m_State = IndexFile::State();
        m_State.station = m_Canonical;
    } else if (!IndexFile::readState(m_Index, &m_State)) {
        return failIndex(reason, QStringLiteral("cannot read the index state"));
    }
    // WAL: readers keep answering from the last commit while a chunk is
    // written. The index can always be rebuilt, so commits need not be durable.
    if (!m_Index.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF; PRAGMA cache_size=-16000"))
        return failIndex(reason, QStringLiteral("cannot set up the index file"));
    m_ModelIds.clear();
    if (usable) {
        SqliteStatement models(m_Index, ModelListSql);
        while (models.step())
            m_ModelIds.insert(valueKey(SqliteValue(models.value(1))), models.int64(0));
        if (models.failed())
            return failIndex(reason, QStringLiteral("cannot read the index"));
    }
    if (!usable)
        m_Types.clear(); // reset() at the check makes the tables
    return true;
}

bool IndexSync::reset(const QStringList& types, const QByteArray& fileId, QString* reason)
{
    QString why;
    if (!IndexFile::create(m_Index, m_Canonical, types, fileId, &why)) {
        *reason = why;
        return failIndex(reason, QStringLiteral("cannot reset the index"));
    }
    m_State = IndexFile::State();
    m_State.station = m_Canonical;
    m_State.fileId = fileId;
    m_State.columns = types.join(QLatin1Char('|')).toUtf8();
    m_ModelIds.clear();
    m_Types = types;
    return true;
}

bool IndexSync::modelId(const SqliteValue& model, qint64* id)
{
    const QByteArray key = valueKey(model);
    const auto it = m_ModelIds.constFind(key);
    if (it != m_ModelIds.cend()) {
        *id = it.value();
        return true;
    }
    SqliteStatement find(m_Index, ModelFindSql);
    find.bindValue(1, model.get());
    if (find.step()) {
        *id = find.int64(0);
    } else {
        if (find.failed())
            return false;
        SqliteStatement add(m_Index, ModelAddSql);
        if (!add.bindValue(1, model.get()).run())
            return false;
        *id = sqlite3_last_insert_rowid(m_Index.handle());
    }
    m_ModelIds.insert(key, *id);
    return true;
}

// Why these checks suffice. The station only ever (a) appends records, each
// with a uid above every earlier one (the table is AUTOINCREMENT: a uid is
// never given twice in one file, even after deletes), (b) deletes the records
// with time < cut-off (retention), (c) deletes all records, or (d) the file
// is replaced by another one. The index holds exactly the station's records
// with uid <= lastUid as they were when read, so:
// - (d): another file shows a sequence below lastUid (restarted uids), another
//   device/inode, or a different time or model for record lastUid: rebuilt.
//   Without AUTOINCREMENT, record lastUid must still be there unchanged.
// - (b), (c): the station's records with uid <= lastUid are a subset of the
//   indexed ones (none can be added there), so equal counts mean equal sets.
//   When the station has fewer, retention removed every record below its
//   current first (time, uid) record, so the index drops the records whose
//   time key is below that record's; if the counts then agree the sets agree
//   again (the subset argument), and the first record is looked up in the
//   index as a sample of identity. Anything else is rebuilt.
// The counts run over the time index (no record is read), the rest are single
// lookups on the uid key or the time index.
bool IndexSync::checkStation(StationFile& station, StationFile::Check* checked, QString* reason)
{
    QStringList types;
    if (!station.declaredTypes(&types)) {
        *reason = station.errorString();
        return false;
    }
    const QByteArray fileId = StationFile::fileId(m_StationPath);
    if (m_Types.isEmpty() && !m_State.columns.isEmpty())
        m_Types = QString::fromUtf8(m_State.columns).split(QLatin1Char('|'));
    if (m_State.columns.isEmpty() || types != m_Types
        || (!m_State.fileId.isEmpty() && fileId != m_State.fileId)) {
        if (!reset(types, fileId, reason))
            return false;
    }

    StationFile::Check& check = *checked;
    if (!station.check(m_State.lastUid, true, &check)) {
        *reason = QStringLiteral("station file unreadable: ") + station.errorString();
        return false;
    }
    if (m_State.buildTarget > 0) {
        // A build resumes where it stopped; what was deleted meanwhile shows
        // in the count check of the pass after it.
        if (check.hasSequence && check.sequence < m_State.buildTarget)
            return reset(types, fileId, reason);
        return true;
    }
    bool replaced = false;
    if (m_State.lastUid > 0) {
        if (check.hasSequence && check.sequence < m_State.lastUid)
            replaced = true;
        else if (check.hasRow)
            replaced = !check.rowTime.sameAs(m_State.lastTime) || !check.rowModel.sameAs(m_State.lastModel);
        else
            replaced = !check.hasSequence;
    }
    const qint64 stationOld = check.count - check.countAfter;
    if (replaced || stationOld > m_State.rows) {
        check.countAfter = check.count;
        return reset(types, fileId, reason);
    }
    if (stationOld < m_State.rows && !repair(check, reason)) {
        if (!reason->isEmpty())
            return false;
        check.countAfter = check.count;
        return reset(types, fileId, reason);
    }
    return true;
}

bool IndexSync::repair(const StationFile::Check& check, QString* reason)
{
    reason->clear();
    const qint64 stationOld = check.count - check.countAfter;
    if (!m_Index.exec("BEGIN IMMEDIATE"))
        return failIndex(reason, QStringLiteral("cannot write the index"));
    bool ok = true;
    if (stationOld == 0) {
        ok = m_Index.exec(ClearSql);
        m_State.rows = 0;
    } else if (!check.hasFirst) {
        // Only records without a time are left.
        SqliteStatement remove(m_Index, DeleteTimedSql);
        for (const qint64 id : qAsConst(m_ModelIds)) {
            ok = ok && remove.reset().bind(1, id).run();
            m_State.rows -= sqlite3_changes(m_Index.handle());
        }
        ok = ok && m_Index.exec(ClearDaysSql);
    } else if (check.firstTime.type() == SQLITE_TEXT) {
        const TimeKey first = keyOf(check.firstTime);
        SqliteStatement remove(m_Index, DeleteBeforeSql);
        for (const qint64 id : qAsConst(m_ModelIds)) {
            ok = ok && remove.reset().bind(1, id).bind(2, first.ti).bind(3, first.tx).run();
            m_State.rows -= sqlite3_changes(m_Index.handle());
        }
        if (first.ti >= 0) {
            const qint64 day = TimeKey::dayOf(first.ti);
            SqliteStatement before(m_Index, DaysBeforeSql);
            SqliteStatement recount(m_Index, DayRecountSql);
            ok = ok && before.bind(1, day).run()
                && recount.bind(1, day)
                       .bind(2, day * TimeKey::DayUnits)
                       .bind(3, (day + 1) * TimeKey::DayUnits)
                       .run()
                && m_Index.exec(DaysEmptySql);
        }
        // Sample of identity: the station's first record must be indexed.
        qint64 id = 0;
        if (ok && modelId(check.firstModel, &id)) {
            SqliteStatement find(m_Index, FindSql);
            find.bind(1, id).bind(2, first.ti).bind(3, first.tx).bind(4, check.firstUid);
            if (check.firstUid <= m_State.lastUid && !find.step())
                ok = false;
        }
    } else {
        ok = false;
    }
    m_State.verified = false;
    if (!ok || m_State.rows != stationOld || !IndexFile::writeState(m_Index, m_State)) {
        m_Index.exec("ROLLBACK");
        IndexFile::readState(m_Index, &m_State);
        return false; // rebuilt by the caller
    }
    if (!m_Index.exec("COMMIT"))
        return failIndex(reason, QStringLiteral("cannot write the index"));
    return true;
}

bool IndexSync::insertRows(const QVector<StationFile::Row>& rows, IndexFile::State* next)
{
    SqliteStatement insert(m_Index, InsertSql);
    SqliteStatement update(m_Index, UpdateSql);
    SqliteStatement dayAdd(m_Index, DayAddSql);
    QMap<QPair<qint64, qint64>, qint64> days; // (model id, day) -> records added
    qint64 added = 0;
    const TimeKey first
        = m_State.hasFirst && m_State.firstTime.type() == SQLITE_TEXT ? keyOf(m_State.firstTime) : TimeKey();
    for (const StationFile::Row& row : rows) {
        qint64 id = 0;
        const TimeKey key = keyOf(row.values[0]);
        if (!modelId(row.values[1], &id))
            return false;
        insert.reset().bind(1, id).bind(2, key.ti).bind(3, key.tx).bind(4, row.uid);
        for (int i = 2; i < 6; ++i)
            insert.bindValue(i + 3, row.values[i].get());
        if (!insert.run())
            return false;
        if (sqlite3_changes(m_Index.handle()) == 0) {
            update.reset().bind(1, id).bind(2, key.ti).bind(3, key.tx).bind(4, row.uid);
            for (int i = 2; i < 6; ++i)
                update.bindValue(i + 3, row.values[i].get());
            if (!update.run())
                return false;
            continue;
        }
        ++added;
        if (key.ti >= 0)
            ++days[qMakePair(id, TimeKey::dayOf(key.ti))];
        // A record below the verified first one: retention could now
        // delete it while the first one stays; verified again at the end.
        if (!next->hasFirst || key.ti < TimeKey::NoFloor || key < first)
            next->verified = false;
    }
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        if (!dayAdd.reset().bind(1, it.key().first).bind(2, it.key().second).bind(3, it.value()).run())
            return false;
    }
    next->rows += added;
    return true;
}

bool IndexSync::commitOrRollBack(bool ok, const IndexFile::State& next)
{
    if (!ok || !IndexFile::writeState(m_Index, next) || !m_Index.exec("COMMIT")) {
        m_Index.exec("ROLLBACK");
        m_ModelIds.clear(); // ids of the rolled-back models are gone
        SqliteStatement models(m_Index, ModelListSql);
        while (models.step())
            m_ModelIds.insert(valueKey(SqliteValue(models.value(1))), models.int64(0));
        return false;
    }
    m_State = next;
    return true;
}

bool IndexSync::writeChunk(
    const QVector<StationFile::Row>& rows, bool caughtUp, const StationFile::Check& check)
{
    if (!m_Index.exec("BEGIN IMMEDIATE"))
        return false;
    IndexFile::State next = m_State;
    const bool ok = insertRows(rows, &next);
    if (!rows.isEmpty()) {
        next.lastUid = rows.last().uid;
        next.lastTime = rows.last().values[0];
        next.lastModel = rows.last().values[1];
    }
    if (caughtUp) {
        // In the same station snapshot: nothing after lastUid, and the station
        // holds as many records as the index (the subset argument above).
        next.verified = check.countAfter == 0 && check.count == next.rows;
        next.hasFirst = check.hasFirst;
        next.firstTime = check.firstTime;
        next.firstUid = check.firstUid;
    }
    return commitOrRollBack(ok, next);
}

bool IndexSync::writeBuildChunk(
    const QVector<StationFile::Row>& rows, bool finished, const StationFile::Check& target)
{
    if (!m_Index.exec("BEGIN IMMEDIATE"))
        return false;
    IndexFile::State next = m_State;
    next.verified = false;
    const bool ok = insertRows(rows, &next);
    next.verified = false;
    next.buildStarted = true;
    if (!rows.isEmpty()) {
        next.buildTime = rows.last().values[0];
        next.buildUid = rows.last().uid;
    }
    if (finished) {
        // Every record up to the target is in: from here on records are read
        // in uid order after it, as by any later pass.
        next.lastUid = m_State.buildTarget;
        next.lastTime = target.rowTime;
        next.lastModel = target.rowModel;
        next.buildTarget = 0;
        next.buildStarted = false;
        next.buildTime = SqliteValue();
        next.buildUid = 0;
    }
    return commitOrRollBack(ok, next);
}

bool IndexSync::pass(QString* reason)
{
    if (m_pStop->load()) {
        *reason = QStringLiteral("stopped");
        return false;
    }
    if (!openIndex(reason))
        return false;
    StationFile station(m_StationPath, m_pStop.get());
    if (!station.open()) {
        *reason = station.errorString();
        return false;
    }
    StationFile::Check check;
    if (!checkStation(station, &check, reason))
        return false;
    // A first build reads in time order (see StationFile::readByTime), which
    // reads no thumbnail; what comes after it is read in uid order.
    if (m_State.lastUid == 0 && m_State.rows == 0 && m_State.buildTarget == 0 && check.maxUid > 0)
        m_State.buildTarget = check.maxUid;
    const qint64 total
        = m_State.buildTarget > 0 ? qMax<qint64>(0, check.count - m_State.rows) : check.countAfter;
    qint64 done = 0;
    emit progress(done, total);
    while (m_State.buildTarget > 0) {
        if (m_pStop->load()) {
            *reason = QStringLiteral("stopped");
            return false;
        }
        QVector<StationFile::Row> rows;
        bool finished = false;
        StationFile::Check target;
        if (!station.readByTime(m_State.buildTarget, m_State.buildStarted, m_State.buildTime,
                m_State.buildUid, m_nChunkRows, m_nChunkMs, &rows, &finished)
            || (finished && !station.check(m_State.buildTarget, false, &target))) {
            *reason = QStringLiteral("station file unreadable: ") + station.errorString();
            return false;
        }
        if (!writeBuildChunk(rows, finished, target))
            return failIndex(reason, QStringLiteral("cannot write the index"));
        done += rows.size();
        emit progress(done, qMax(total, done));
    }
    for (;;) {
        if (m_pStop->load()) {
            *reason = QStringLiteral("stopped");
            return false;
        }
        QVector<StationFile::Row> rows;
        bool caughtUp = false;
        if (!station.readAfter(m_State.lastUid, m_nChunkRows, m_nChunkMs, &rows, &caughtUp, &check)) {
            *reason = QStringLiteral("station file unreadable: ") + station.errorString();
            return false;
        }
        if (!writeChunk(rows, caughtUp, check))
            return failIndex(reason, QStringLiteral("cannot write the index"));
        done += rows.size();
        emit progress(done, qMax(total, done));
        if (caughtUp)
            break;
    }
    // A build inserts each model's records at the end of its run, which
    // leaves the pages about two thirds full; rewritten in key order they are
    // packed (a third less file). Either way the write-ahead log is emptied
    // so the file's size is the index's size.
    if (done >= VacuumRows && done * 2 > m_State.rows && !m_pStop->load())
        m_Index.exec("VACUUM");
    m_Index.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    if (!m_State.verified)
        *reason = QStringLiteral("station changed during the pass");
    return m_State.verified;
}
