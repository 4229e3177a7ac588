#include "indexsync.h"

#include "buildreader.h"
#include "filechange.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>

#include <cstring>

#include <sqlite3.h>

namespace {
const char* const ModelFindSql = "SELECT id FROM models WHERE model IS ?1";
const char* const ModelAddSql = "INSERT INTO models(model) VALUES(?1)";
const char* const ModelListSql = "SELECT id, model FROM models";
const char* const InsertSql
    = "INSERT OR IGNORE INTO rec(m, ti, tx, uid, correlate, detecttime, diameter, hight)"
      " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
// A record read again keeps one row with its latest values, and is not
// counted twice in hours.
const char* const UpdateSql = "UPDATE rec SET correlate = ?5, detecttime = ?6, diameter = ?7, hight = ?8"
                              " WHERE m = ?1 AND ti = ?2 AND tx = ?3 AND uid = ?4";
const char* const HourAddSql = "INSERT INTO hours(m, hour, n, x) VALUES(?1, ?2, ?3, ?4)"
                               " ON CONFLICT(m, hour) DO UPDATE SET n = n + excluded.n, x = x + excluded.x";
// Retention keeps records with a NULL or blob time (not below any text).
const char* const DeleteBeforeSql
    = "DELETE FROM rec WHERE m = ?1 AND (ti, tx) < (?2, ?3) AND ti NOT IN (-3, -4)";
const char* const DeleteTimedSql = "DELETE FROM rec WHERE m = ?1 AND ti NOT IN (-3, -4)";
const char* const ClearSql = "DELETE FROM rec; DELETE FROM hours";
const char* const ClearHoursSql = "DELETE FROM hours";
// Retention below a record of hour ?1: the hours before it go, its own hour
// is counted again from its records (it may be cut anywhere).
const char* const HoursBeforeSql = "DELETE FROM hours WHERE hour < ?1";
const char* const HourRecountSql
    = "UPDATE hours SET (n, x) = (SELECT count(*),"
      " coalesce(sum(tx <> '' OR ti % 100 > 59 OR ti / 100 % 100 > 59), 0)"
      " FROM rec WHERE rec.m = hours.m AND rec.ti >= ?2 AND rec.ti < ?3) WHERE hour = ?1";
const char* const HoursEmptySql = "DELETE FROM hours WHERE n = 0";
// Order of two stored times as the station's ORDER BY time, uid sorts them.
const char* const BeforeSql = "SELECT ?1 < ?2 OR (?1 = ?2 AND ?3 < ?4)";
// The first build puts each chunk the reader hands over into rec by one
// statement (see ChunkTable).
const char* const BuildCopySql
    = "INSERT OR IGNORE INTO rec(m, ti, tx, uid, correlate, detecttime, diameter, hight)"
      " SELECT m, ti, tx, uid, v0, v1, v2, v3 FROM hx_chunk";
// Chunks of a build in one transaction at most.
const int MaxChunksPerCommit = 4;
// The hour counts of a chunk's hours, counted again from rec.
const char* const HourKeysSql = "SELECT ti, tx <> '' FROM rec WHERE m = ?1 AND ti >= ?2 AND ti < ?3";
const char* const HourSetSql = "INSERT OR REPLACE INTO hours(m, hour, n, x) VALUES(?1, ?2, ?3, ?4)";

const char* const FindSql = "SELECT 1 FROM rec WHERE m = ?1 AND ti = ?2 AND tx = ?3 AND uid = ?4";
const char* const QuickCheckSql = "PRAGMA quick_check(1)";

QByteArray valueKey(const SqliteValue& value)
{
    return QByteArray::number(value.type()) + ':' + value.bytes();
}

// The key of a stored time that is not a text: its type alone.
qint64 nonTextTime(int type)
{
    return type == SQLITE_NULL ? TimeKey::NullTime
        : type == SQLITE_BLOB  ? TimeKey::BlobTime
                               : TimeKey::NotText;
}

TimeKey keyOf(const SqliteValue& time)
{
    if (time.type() == SQLITE_TEXT)
        return TimeKey::ofText(time.bytes());
    TimeKey key;
    key.ti = nonTextTime(time.type());
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
    if (m_Index.isOpen()) {
        if (QFile::exists(m_IndexPath))
            return true;
        // Deleted while open (someone cleared the cache): the open file is no
        // longer the one readers find, so the index is made anew, as at start.
        // Closing removes its WAL files, unless they went with it.
        m_Index.close();
        QFile::remove(m_IndexPath + QStringLiteral("-wal"));
        QFile::remove(m_IndexPath + QStringLiteral("-shm"));
    }
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
    // written. The index can always be rebuilt, so commits need not be durable
    // (set first: switching a new file to WAL would wait for the disk).
    if (!m_Index.exec("PRAGMA synchronous=OFF; PRAGMA journal_mode=WAL; PRAGMA cache_size=-16000")
        || !m_ChunkTable.install(m_Index.handle()))
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
// is replaced by another one. The index holds the set S of the station's
// records with uid <= lastUid as they were read, and knows the first record F
// of S in the station's (time, uid) order (kept while records are added, see
// isBefore()). So:
// - (d): another file shows a sequence below lastUid (restarted uids), another
//   device/inode, or a different time or model for record lastUid: rebuilt.
//   Without AUTOINCREMENT, record lastUid must still be there unchanged.
// - (b), (c): no record with uid <= lastUid can be added, so the station's
//   records up to lastUid are S less what was deleted. While F is still the
//   first of them (same uid and time), nothing of S was deleted: (c) would
//   have removed F, and a cut-off that left F removed nothing at or above
//   F's time, which every record of S with a time is; retention never removes
//   a NULL time. Without F (S has no times, only NULLs), only (c) deletes,
//   and it leaves no record up to lastUid (min(uid) tells).
//   When the station's first record up to lastUid, G, is another one,
//   retention cut below G's time: the index drops its records below G's key
//   (the cut removed exactly those of S) and G, now first of S, must be in it
//   (a sample of identity); anything else is rebuilt.
// All of it is lookups on the uid key (min, max, one record) and the start of
// the time index, so a check costs the same for any size of file.
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
    if (!station.check(m_State.lastUid, &check)) {
        *reason = QStringLiteral("station file unreadable: ") + station.errorString();
        return false;
    }
    if (m_State.buildTarget > 0) {
        // A build resumes where it stopped; what was deleted meanwhile shows
        // in the check of the pass after it.
        if (check.hasSequence && check.sequence < m_State.buildTarget)
            return reset(types, fileId, reason);
        return true;
    }
    // The index keeps no witnesses: what it compares of its last record is
    // the time and the model, and an edited one is rebuilt like another file.
    FileChange::Seen seen;
    seen.lastUid = m_State.lastUid;
    seen.hasSequence = check.hasSequence;
    seen.sequence = check.sequence;
    if (check.hasRow)
        seen.row = check.rowTime.sameAs(m_State.lastTime) && check.rowModel.sameAs(m_State.lastModel)
            ? FileChange::Row::Same
            : FileChange::Row::Changed;
    QString why;
    if (FileChange::judge(seen, &why) != FileChange::State::Same)
        return reset(types, fileId, reason);
    const bool anyOld = check.minUid > 0 && check.minUid <= m_State.lastUid;
    bool intact = false;
    if (m_State.hasFirst)
        intact = check.hasOldFirst && check.oldFirstUid == m_State.firstUid
            && check.oldFirstTime.sameAs(m_State.firstTime);
    else
        intact = !check.hasOldFirst && (m_State.rows == 0 || anyOld);
    if (intact || m_State.rows == 0)
        return m_State.rows > 0 || !anyOld || reset(types, fileId, reason);
    if (!repair(check, anyOld, reason)) {
        if (!reason->isEmpty())
            return false;
        return reset(types, fileId, reason);
    }
    return true;
}

bool IndexSync::repair(const StationFile::Check& check, bool anyOld, QString* reason)
{
    reason->clear();
    if (!m_Index.exec("BEGIN IMMEDIATE"))
        return failIndex(reason, QStringLiteral("cannot write the index"));
    bool ok = true;
    IndexFile::State next = m_State;
    if (!anyOld) {
        ok = m_Index.exec(ClearSql);
        next.rows = 0;
    } else if (!check.hasOldFirst) {
        // Only records without a time are left.
        SqliteStatement remove(m_Index, DeleteTimedSql);
        for (const qint64 id : qAsConst(m_ModelIds)) {
            ok = ok && remove.reset().bind(1, id).run();
            next.rows -= sqlite3_changes(m_Index.handle());
        }
        ok = ok && m_Index.exec(ClearHoursSql);
    } else if (check.oldFirstTime.type() == SQLITE_TEXT) {
        const TimeKey first = keyOf(check.oldFirstTime);
        SqliteStatement remove(m_Index, DeleteBeforeSql);
        for (const qint64 id : qAsConst(m_ModelIds)) {
            ok = ok && remove.reset().bind(1, id).bind(2, first.ti).bind(3, first.tx).run();
            next.rows -= sqlite3_changes(m_Index.handle());
        }
        if (first.ti >= 0) {
            const qint64 hour = TimeKey::hourOf(first.ti);
            SqliteStatement before(m_Index, HoursBeforeSql);
            SqliteStatement recount(m_Index, HourRecountSql);
            ok = ok && before.bind(1, hour).run()
                && recount.bind(1, hour)
                       .bind(2, hour * TimeKey::HourUnits)
                       .bind(3, (hour + 1) * TimeKey::HourUnits)
                       .run()
                && m_Index.exec(HoursEmptySql);
        }
        // Sample of identity: the station's first record must be indexed.
        if (ok) {
            SqliteStatement model(m_Index, ModelFindSql);
            SqliteStatement find(m_Index, FindSql);
            ok = model.bindValue(1, check.oldFirstModel.get()).step()
                && find.bind(1, model.int64(0))
                       .bind(2, first.ti)
                       .bind(3, first.tx)
                       .bind(4, check.oldFirstUid)
                       .step();
        }
    } else {
        ok = false; // numbers or blobs as times: the index cannot cut them
    }
    next.hasFirst = check.hasOldFirst;
    next.firstTime = check.oldFirstTime;
    next.firstUid = check.oldFirstUid;
    next.verified = false;
    if (!ok || next.rows < 0 || !IndexFile::writeState(m_Index, next)) {
        m_Index.exec("ROLLBACK");
        return false; // rebuilt by the caller
    }
    if (!m_Index.exec("COMMIT"))
        return failIndex(reason, QStringLiteral("cannot write the index"));
    m_State = next;
    return true;
}

bool IndexSync::isBefore(const SqliteValue& time, qint64 uid, const IndexFile::State& state, bool* before)
{
    // Numbers sort before texts and texts before blobs; NULLs are left out.
    const auto rank = [](int type) { return type == SQLITE_TEXT ? 2 : type == SQLITE_BLOB ? 3 : 1; };
    *before = false;
    if (time.type() == SQLITE_NULL)
        return true;
    if (!state.hasFirst) {
        *before = true;
        return true;
    }
    const int a = rank(time.type());
    const int b = rank(state.firstTime.type());
    if (a != b) {
        *before = a < b;
        return true;
    }
    if (a == 2) {
        const TimeKey key = keyOf(time);
        const TimeKey first = keyOf(state.firstTime);
        *before = key < first || (key == first && uid < state.firstUid);
        return true;
    }
    // Numbers and blobs as SQLite itself compares them.
    SqliteStatement compare(m_Index, BeforeSql);
    compare.bindValue(1, time.get()).bindValue(2, state.firstTime.get()).bind(3, uid).bind(4, state.firstUid);
    if (!compare.step())
        return false;
    *before = compare.int64(0) != 0;
    return true;
}

// The statements and sums of one transaction's records.
struct IndexSync::Batch
{
    explicit Batch(SqliteConnection& index)
        : insert(index, InsertSql)
        , update(index, UpdateSql)
        , hourAdd(index, HourAddSql)
    {
    }
    SqliteStatement insert;
    SqliteStatement update;
    SqliteStatement hourAdd;
    struct Added
    {
        qint64 n = 0;
        qint64 x = 0;
    };
    QHash<QPair<qint64, qint64>, Added> hours; // (model id, hour) -> records added
    qint64 added = 0;
    bool firstKnown = false; // first holds the key of a text first record
    TimeKey first;
    // The last text models seen and their ids: a station has few models, so
    // nearly every record finds its model here without a lookup.
    QVector<QPair<QByteArray, qint64>> textModels;
};

bool IndexSync::addRecord(
    Batch& batch, qint64 uid, const sqlite3_value* const* values, IndexFile::State* next)
{
    auto* time = const_cast<sqlite3_value*>(values[0]);
    auto* model = const_cast<sqlite3_value*>(values[1]);
    TimeKey key;
    if (sqlite3_value_type(time) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(time));
        const int size = sqlite3_value_bytes(time);
        const QByteArray raw = QByteArray::fromRawData(text, size);
        if (TimeKey::isWellShaped(raw)) {
            key.ti = TimeKey::pack(text);
            key.tx = QByteArray("");
        } else {
            key = TimeKey::ofText(QByteArray(text, size));
        }
    } else {
        key = keyOf(SqliteValue(time));
    }
    qint64 id = -1;
    if (sqlite3_value_type(model) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(model));
        const int size = sqlite3_value_bytes(model);
        for (const auto& known : qAsConst(batch.textModels)) {
            if (known.first.size() == size && memcmp(known.first.constData(), text, size_t(size)) == 0) {
                id = known.second;
                break;
            }
        }
        if (id < 0) {
            if (!modelId(SqliteValue(model), &id))
                return false;
            if (batch.textModels.size() < 32)
                batch.textModels.append({ QByteArray(text, size), id });
        }
    } else if (!modelId(SqliteValue(model), &id)) {
        return false;
    }
    SqliteStatement& insert = batch.insert;
    insert.reset().bind(1, id).bind(2, key.ti).bind(3, key.tx).bind(4, uid);
    for (int i = 2; i < 6; ++i)
        insert.bindValue(i + 3, values[i]);
    if (!insert.run())
        return false;
    if (sqlite3_changes(m_Index.handle()) == 0) {
        // A record read again keeps one row with its latest values.
        SqliteStatement& update = batch.update;
        update.reset().bind(1, id).bind(2, key.ti).bind(3, key.tx).bind(4, uid);
        for (int i = 2; i < 6; ++i)
            update.bindValue(i + 3, values[i]);
        return update.run();
    }
    ++batch.added;
    if (key.ti >= 0) {
        Batch::Added& hour = batch.hours[qMakePair(id, TimeKey::hourOf(key.ti))];
        ++hour.n;
        if (TimeKey::offClock(key.ti, !key.tx.isEmpty()))
            ++hour.x;
    }
    // The first record of the index in the station's order. Texts after the
    // first one (the usual case) compare by key alone.
    if (!batch.firstKnown && next->hasFirst && next->firstTime.type() == SQLITE_TEXT) {
        batch.first = keyOf(next->firstTime);
        batch.firstKnown = true;
    }
    if (key.ti >= 0 && batch.firstKnown && batch.first < key)
        return true;
    const SqliteValue copy(time);
    bool before = false;
    if (!isBefore(copy, uid, *next, &before))
        return false;
    if (before) {
        next->hasFirst = true;
        next->firstTime = copy;
        next->firstUid = uid;
        batch.firstKnown = copy.type() == SQLITE_TEXT;
        batch.first = key;
    }
    return true;
}

bool IndexSync::finishBatch(Batch& batch, IndexFile::State* next)
{
    for (auto it = batch.hours.cbegin(); it != batch.hours.cend(); ++it) {
        if (!batch.hourAdd.reset()
                 .bind(1, it.key().first)
                 .bind(2, it.key().second)
                 .bind(3, it.value().n)
                 .bind(4, it.value().x)
                 .run())
            return false;
    }
    next->rows += batch.added;
    return true;
}

bool IndexSync::insertRows(const QVector<StationFile::Row>& rows, IndexFile::State* next)
{
    Batch batch(m_Index);
    const sqlite3_value* values[6];
    for (const StationFile::Row& row : rows) {
        for (int i = 0; i < 6; ++i)
            values[i] = row.values[i].get();
        if (!addRecord(batch, row.uid, values, next))
            return false;
    }
    return finishBatch(batch, next);
}

void IndexSync::reloadModels()
{
    m_ModelIds.clear();
    SqliteStatement models(m_Index, ModelListSql);
    while (models.step())
        m_ModelIds.insert(valueKey(SqliteValue(models.value(1))), models.int64(0));
}

bool IndexSync::commitOrRollBack(bool ok, const IndexFile::State& next)
{
    if (!ok || !IndexFile::writeState(m_Index, next) || !m_Index.exec("COMMIT")) {
        m_Index.exec("ROLLBACK");
        reloadModels(); // ids of the rolled-back models are gone
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
        // holds exactly the indexed records (see checkStation()): its first
        // record is the index's first one, or, when neither has a time, the
        // station still has a record up to lastUid exactly when the index has.
        const bool sameFirst = check.hasFirst == next.hasFirst
            && (!next.hasFirst
                || (check.firstUid == next.firstUid && check.firstTime.sameAs(next.firstTime)));
        const bool anyOld = check.minUid > 0 && check.minUid <= next.lastUid;
        next.verified
            = check.maxUid <= next.lastUid && sameFirst && (next.hasFirst || anyOld == (next.rows > 0));
    }
    return commitOrRollBack(ok, next);
}

bool IndexSync::recountHours(qint64 firstHour, qint64 lastHour)
{
    SqliteStatement keys(m_Index, HourKeysSql);
    SqliteStatement set(m_Index, HourSetSql);
    for (const qint64 id : qAsConst(m_ModelIds)) {
        keys.reset()
            .bind(1, id)
            .bind(2, firstHour * TimeKey::HourUnits)
            .bind(3, (lastHour + 1) * TimeKey::HourUnits);
        qint64 hour = -1;
        qint64 n = 0;
        qint64 x = 0;
        const auto flush
            = [&]() { return n == 0 || set.reset().bind(1, id).bind(2, hour).bind(3, n).bind(4, x).run(); };
        while (keys.step()) {
            const qint64 ti = keys.int64(0);
            if (TimeKey::hourOf(ti) != hour) {
                if (!flush())
                    return false;
                hour = TimeKey::hourOf(ti);
                n = x = 0;
            }
            ++n;
            if (TimeKey::offClock(ti, keys.int64(1) != 0))
                ++x;
        }
        if (keys.failed() || !flush())
            return false;
    }
    return true;
}

bool IndexSync::addBuildChunk(const BuildChunk& chunk, IndexFile::State* next)
{
    bool ok = m_SlotIds.size() == chunk.firstNewSlot;
    for (const SqliteValue& model : chunk.newModels) {
        qint64 id = 0;
        ok = ok && modelId(model, &id);
        m_SlotIds.append(id);
    }
    if (!ok)
        return false;
    m_ChunkTable.setChunk(&chunk, &m_SlotIds);
    SqliteStatement copy(m_Index, BuildCopySql);
    ok = copy.run();
    m_ChunkTable.setChunk(nullptr, nullptr);
    const qint64 added = ok ? sqlite3_changes(m_Index.handle()) : 0;
    next->rows += added;
    if (ok && added == chunk.records.size()) {
        SqliteStatement hourAdd(m_Index, HourAddSql);
        for (const BuildChunk::HourCount& hour : chunk.hours) {
            ok = ok
                && hourAdd.reset()
                       .bind(1, m_SlotIds.at(hour.slot))
                       .bind(2, hour.hour)
                       .bind(3, hour.n)
                       .bind(4, hour.x)
                       .run();
        }
    } else if (ok && chunk.firstHour >= 0) {
        // Some records were in already: their hours are counted from rec.
        ok = recountHours(chunk.firstHour, chunk.lastHour);
    }
    if (ok && chunk.firstTime.type() != SQLITE_NULL) {
        bool before = false;
        ok = isBefore(chunk.firstTime, chunk.firstUid, *next, &before);
        if (ok && before) {
            next->hasFirst = true;
            next->firstTime = chunk.firstTime;
            next->firstUid = chunk.firstUid;
        }
    }
    if (!chunk.records.isEmpty()) {
        next->buildTime = chunk.lastTime;
        next->buildUid = chunk.records.last().uid;
    }
    return ok;
}

bool IndexSync::writeBuild(BuildReader& reader, qint64* read, QString* reason)
{
    BuildChunk chunk;
    if (!reader.next(&chunk)) {
        *reason = m_pStop->load() ? QStringLiteral("stopped")
                                  : QStringLiteral("station file unreadable: ") + reader.errorString();
        return false;
    }
    if (!m_Index.exec("BEGIN"))
        return failIndex(reason, QStringLiteral("cannot write the index"));
    IndexFile::State next = m_State;
    next.verified = false;
    bool ok = true;
    bool finished = false;
    // When the index falls behind the reader, the chunks waiting go into one
    // transaction: fewer commits, each of which writes the same pages again.
    for (int chunks = 1;; ++chunks) {
        ok = addBuildChunk(chunk, &next);
        *read += chunk.records.size();
        finished = chunk.finished;
        if (!ok || finished || chunks == MaxChunksPerCommit || !reader.hasReady() || !reader.next(&chunk))
            break;
    }
    StationFile::Check target;
    bool targetFailed = false;
    if (ok && finished) {
        StationFile station(m_StationPath, m_pStop.get());
        targetFailed = !station.open() || !station.check(m_State.buildTarget, &target);
        ok = !targetFailed;
        if (targetFailed)
            *reason = QStringLiteral("station file unreadable: ") + station.errorString();
    }
    next.buildStarted = true;
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
    if (!commitOrRollBack(ok, next)) {
        if (m_pStop->load()) {
            *reason = QStringLiteral("stopped");
            return false;
        }
        if (!targetFailed)
            return failIndex(reason, QStringLiteral("cannot write the index"));
        return false;
    }
    return true;
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
    // A first build reads in time order (see BuildReader), which
    // reads no thumbnail; what comes after it is read in uid order.
    if (m_State.lastUid == 0 && m_State.rows == 0 && m_State.buildTarget == 0 && check.maxUid > 0)
        m_State.buildTarget = check.maxUid;
    // Records to read: at most the uids after lastUid; for a build, the uids
    // from the station's first one to the target less those in already (a
    // count would read the whole time index: a tenth of the build's time).
    qint64 total = qMax<qint64>(0, check.maxUid - m_State.lastUid);
    if (m_State.buildTarget > 0 && check.minUid > 0)
        total = qMax<qint64>(0, m_State.buildTarget - check.minUid + 1 - m_State.rows);
    qint64 done = 0;
    emit progress(done, total);
    if (m_State.buildTarget > 0) {
        BuildReader reader(m_StationPath, m_pStop.get(), m_nChunkRows, m_nChunkMs);
        BuildReader::Cursor from;
        from.target = m_State.buildTarget;
        from.started = m_State.buildStarted;
        from.time = m_State.buildTime;
        from.uid = m_State.buildUid;
        // Slots of the reader's models; the reader numbers them from 0.
        m_SlotIds.clear();
        reader.start(from);
        while (m_State.buildTarget > 0) {
            if (m_pStop->load()) {
                *reason = QStringLiteral("stopped");
                return false;
            }
            qint64 read = 0;
            if (!writeBuild(reader, &read, reason))
                return false;
            done += read;
            emit progress(done, qMax(total, done));
        }
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
    // The write-ahead log is emptied so the file's size is the index's size.
    // A build leaves its pages less than full (each model's records go in at
    // the end of its run): about 43 bytes a record instead of 38, which a
    // rewrite (VACUUM) would save at a fifth of the build's time.
    m_Index.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    if (!m_State.verified)
        *reason = QStringLiteral("station changed during the pass");
    return m_State.verified;
}
