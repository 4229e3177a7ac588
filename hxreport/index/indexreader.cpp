#include "indexreader.h"

#include "indexfile.h"
#include "stationfile.h"
#include "timekey.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {
// A range's count for one model in three parts: the records from the low
// bound to the first whole hour, the counts of the whole hours, and the
// records from the hour after the last whole hour to the high bound (see
// TimeKey::wholeSpans). A range without a whole hour is all in the first part.
const char* const CountsSql
    = "SELECT model,"
      " (SELECT count(*) FROM rec WHERE m = models.id AND (ti, tx) > (?1, ?2) AND (ti, tx) < (?3, ?4))"
      " + (SELECT coalesce(sum(n), 0) FROM hours WHERE m = models.id AND hour BETWEEN ?5 AND ?6)"
      " + (SELECT count(*) FROM rec WHERE m = models.id AND (ti, tx) >= (?7, ?8) AND (ti, tx) < (?9, ?10))"
      " FROM models";
const char* const CountModelSql
    = "SELECT (SELECT count(*) FROM rec WHERE m = ?11 AND (ti, tx) > (?1, ?2) AND (ti, tx) < (?3, ?4))"
      " + (SELECT coalesce(sum(n), 0) FROM hours WHERE m = ?11 AND hour BETWEEN ?5 AND ?6)"
      " + (SELECT count(*) FROM rec WHERE m = ?11 AND (ti, tx) >= (?7, ?8) AND (ti, tx) < (?9, ?10))";
// For trends: the records of a part of the range by key (odd texts by their
// floor, told apart by odd), from above (?2, ?3) or from it on.
const char* const PartKeysSql = "SELECT ti, tx <> '' AS odd, count(*) FROM rec WHERE m = ?1"
                                " AND (ti, tx) > (?2, ?3) AND (ti, tx) < (?4, ?5) GROUP BY ti, odd";
const char* const PartKeysFromSql = "SELECT ti, tx <> '' AS odd, count(*) FROM rec WHERE m = ?1"
                                    " AND (ti, tx) >= (?2, ?3) AND (ti, tx) < (?4, ?5) GROUP BY ti, odd";
const char* const HoursSql = "SELECT hour, n, x FROM hours WHERE m = ?1 AND hour BETWEEN ?2 AND ?3";
const char* const ModelIdsSql = "SELECT id FROM models WHERE model = ?1";
const char* const ModelsSql = "SELECT id, model FROM models";
const char* const ValuesSql = "SELECT correlate, detecttime, diameter, hight FROM rec"
                              " WHERE m = ?1 AND (ti, tx) > (?2, ?3) AND (ti, tx) < (?4, ?5)";
const char* const PageSql = "SELECT uid FROM rec WHERE m = ?1 AND (ti, tx) > (?2, ?3) AND (ti, tx) < (?4, ?5)"
                            " ORDER BY ti, tx, uid LIMIT ?6 OFFSET ?7";

// SQLite's affinity of a declared column type (its five rules).
enum class Affinity
{
    Integer,
    Text,
    Blob,
    Real,
    Numeric
};

Affinity affinityOf(const QString& declared)
{
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB"))
        || type.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (type.contains(QLatin1String("BLOB")) || type.isEmpty())
        return Affinity::Blob;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA"))
        || type.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

// Whether the statement's literals stay texts when compared with the time
// column: a numeric column converts a literal that reads as a number, and
// then the text order no longer applies. Asked of SQLite itself, in a scratch
// database of the call's own: one kept per thread in thread_local storage was
// destroyed after its storage was freed where threads end through MinGW's
// emulated TLS (Windows), corrupting the heap.
bool boundsStayText(const QString& declaredTimeType, const QByteArrayList& bounds)
{
    const Affinity affinity = affinityOf(declaredTimeType);
    if (affinity == Affinity::Text || affinity == Affinity::Blob)
        return true;
    SqliteConnection scratch;
    if (!scratch.open(QStringLiteral(":memory:"), SqliteConnection::Mode::Create)
        || !scratch.exec("CREATE TABLE a(v NUMERIC)"))
        return false;
    for (const QByteArray& bound : bounds) {
        if (!scratch.exec("DELETE FROM a"))
            return false;
        SqliteStatement insert(scratch, "INSERT INTO a VALUES(?1)");
        if (!insert.bind(1, bound).run())
            return false;
        SqliteStatement type(scratch, "SELECT typeof(v) FROM a");
        if (!type.step() || type.text(0) != "text")
            return false;
    }
    return true;
}

bool sameFile(const QByteArray& stored, const QString& path)
{
    return stored.isEmpty() || StationFile::fileId(path) == stored;
}
}

struct IndexReader::Session
{
    SqliteConnection index;
    IndexFile::State state;
    TimeKey low;
    TimeKey high;
    TimeKey::Days days; // whole hours
    bool open = false;

    // Binds ?1 to ?10 of the count statements.
    void bindParts(SqliteStatement& statement) const
    {
        statement.bind(1, low.ti)
            .bind(2, low.tx)
            .bind(3, days.headEnd.ti)
            .bind(4, days.headEnd.tx)
            .bind(5, days.first)
            .bind(6, days.last)
            .bind(7, days.tailStart.ti)
            .bind(8, days.tailStart.tx)
            .bind(9, high.ti)
            .bind(10, high.tx);
    }

    ~Session()
    {
        if (open)
            index.exec("COMMIT");
    }
};

IndexReader::IndexReader(const QString& stationPath, const QString& indexPath)
    : m_StationPath(stationPath)
    , m_IndexPath(indexPath)
{
}

bool IndexReader::begin(Session& session, const QString& time1, const QString& time2, QString* reason) const
{
    if (m_IndexPath.isEmpty()) {
        *reason = QStringLiteral("no index file");
        return false;
    }
    if (!QFile::exists(m_IndexPath)) {
        *reason = QStringLiteral("index not built yet");
        return false;
    }
    const QFileInfo station(m_StationPath);
    const QString canonical
        = station.canonicalFilePath().isEmpty() ? station.absoluteFilePath() : station.canonicalFilePath();
    QString why;
    if (!IndexFile::openChecked(
            session.index, m_IndexPath, SqliteConnection::Mode::ReadWrite, canonical, &why)) {
        *reason = why;
        return false;
    }
    // One read transaction: the state and the answer come from one snapshot.
    if (!session.index.exec("BEGIN")) {
        *reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        return false;
    }
    session.open = true;
    if (!IndexFile::readState(session.index, &session.state)) {
        *reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        return false;
    }
    const IndexFile::State& state = session.state;
    if (!state.verified) {
        *reason = state.lastUid == 0 ? QStringLiteral("index not built yet")
                                     : QStringLiteral("index not in step with the station file");
        return false;
    }
    const QString timeType = QString::fromUtf8(state.columns).section(QLatin1Char('|'), 0, 0);
    const QByteArray low = time1.toUtf8();
    const QByteArray high = time2.toUtf8();
    if (!boundsStayText(timeType, { low, high })) {
        *reason = QStringLiteral("a range bound reads as a number");
        return false;
    }
    session.low = TimeKey::ofText(low);
    session.high = TimeKey::ofText(high);
    session.days = TimeKey::wholeSpans(session.low, session.high, TimeKey::HourUnits);

    // The station now, in one read transaction (see IndexSync::checkStation
    // for why these suffice): same file, no record indexed since removed
    // (retention removes the first record in (time, uid) order with any other,
    // and a record below it makes the index unverified), and no record after
    // the indexed ones inside the range.
    if (!sameFile(state.fileId, m_StationPath)) {
        *reason = QStringLiteral("station file replaced");
        return false;
    }
    StationFile file(m_StationPath);
    if (!file.open()) {
        *reason = file.errorString();
        return false;
    }
    StationFile::Check check;
    if (!file.connection().exec("BEGIN")) {
        *reason = QStringLiteral("station file unreadable: ") + file.connection().errorString();
        return false;
    }
    const auto done = [&](bool ok, const QString& why) {
        file.connection().exec("COMMIT");
        if (!ok)
            *reason = why;
        return ok;
    };
    if (!file.check(state.lastUid, &check))
        return done(false, QStringLiteral("station file unreadable: ") + file.errorString());
    if (check.hasSequence ? check.sequence < state.lastUid : (state.lastUid > 0 && !check.hasRow))
        return done(false, QStringLiteral("station file replaced"));
    if (check.hasRow && (!check.rowTime.sameAs(state.lastTime) || !check.rowModel.sameAs(state.lastModel)))
        return done(false, QStringLiteral("station file replaced"));
    if (check.hasFirst != state.hasFirst
        || (check.hasFirst && (check.firstUid != state.firstUid || !check.firstTime.sameAs(state.firstTime))))
        return done(false, QStringLiteral("records removed or added before the indexed ones"));
    if (check.maxUid > state.lastUid) {
        if (check.maxUid - state.lastUid > MaxBehind)
            return done(
                false, QStringLiteral("index behind by %1 records").arg(check.maxUid - state.lastUid));
        qint64 newer = 0;
        if (!file.countAfterInRange(state.lastUid, low, high, &newer))
            return done(false, QStringLiteral("station file unreadable: ") + file.errorString());
        if (newer > 0)
            return done(false, QStringLiteral("index behind by %1 records in the range").arg(newer));
    }
    return done(true, QString());
}

IndexAnswer<bool> IndexReader::covers(const QString& time1, const QString& time2) const
{
    IndexAnswer<bool> answer;
    Session session;
    answer.available = begin(session, time1, time2, &answer.reason);
    answer.value = answer.available;
    return answer;
}

IndexAnswer<ModelCounts> IndexReader::countByModel(const QString& time1, const QString& time2) const
{
    IndexAnswer<ModelCounts> answer;
    Session session;
    if (!begin(session, time1, time2, &answer.reason))
        return answer;
    SqliteStatement counts(session.index, CountsSql);
    session.bindParts(counts);
    while (counts.step()) {
        const qint64 n = counts.int64(1);
        if (n == 0)
            continue; // no group for a model without records in the range
        answer.value.total += n;
        // As CountData reads the grouping: the model as Qt's driver types it,
        // as text; count(model) is 0 for the NULL model.
        answer.value.counts[counts.variant(0).toString()] += counts.isNull(0) ? 0 : int(n);
    }
    if (counts.failed()) {
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        answer.value = ModelCounts();
        return answer;
    }
    answer.available = true;
    return answer;
}

IndexAnswer<qint64> IndexReader::countOfModel(
    const QString& time1, const QString& time2, const QString& model) const
{
    IndexAnswer<qint64> answer;
    Session session;
    if (!begin(session, time1, time2, &answer.reason))
        return answer;
    // Compared as the station compares: the models column has its type.
    SqliteStatement ids(session.index, ModelIdsSql);
    SqliteStatement count(session.index, CountModelSql);
    ids.bind(1, model.toUtf8());
    while (ids.step()) {
        session.bindParts(count.reset());
        count.bind(11, ids.int64(0));
        if (!count.step())
            break;
        answer.value += count.int64(0);
    }
    if (ids.failed() || count.failed()) {
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        answer.value = 0;
        return answer;
    }
    answer.available = true;
    return answer;
}

IndexAnswer<QVector<qint64>> IndexReader::pageUids(
    const QString& time1, const QString& time2, const QString& model, qint64 offset, qint64 limit) const
{
    IndexAnswer<QVector<qint64>> answer;
    Session session;
    if (!begin(session, time1, time2, &answer.reason))
        return answer;
    SqliteStatement ids(session.index, ModelIdsSql);
    ids.bind(1, model.toUtf8());
    QVector<qint64> found;
    while (ids.step())
        found << ids.int64(0);
    if (ids.failed()) {
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        return answer;
    }
    if (found.size() > 1) {
        // Not with the station's text column; two values equal to one name
        // would interleave by time, which one run cannot give.
        answer.reason = QStringLiteral("model name matches several stored values");
        return answer;
    }
    answer.available = true;
    if (found.isEmpty())
        return answer;
    SqliteStatement page(session.index, PageSql);
    page.bind(1, found.first())
        .bind(2, session.low.ti)
        .bind(3, session.low.tx)
        .bind(4, session.high.ti)
        .bind(5, session.high.tx)
        .bind(6, limit)
        .bind(7, offset);
    while (page.step())
        answer.value << page.int64(0);
    if (page.failed()) {
        answer.available = false;
        answer.value.clear();
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
    }
    return answer;
}

namespace {
// The model values a call covers: all, or those equal to *model.
bool modelIds(SqliteConnection& index, const QString* model, QVector<QPair<qint64, QString>>* found)
{
    SqliteStatement models(index, model ? ModelIdsSql : ModelsSql);
    if (model)
        models.bind(1, model->toUtf8());
    while (models.step()) {
        QString name;
        if (model)
            name = *model;
        else if (models.type(1) == SQLITE_TEXT)
            name = QString::fromUtf8(models.text(1));
        found->append({ models.int64(0), name });
    }
    return !models.failed();
}

SqliteStatement& bindRange(SqliteStatement& statement, qint64 id, const TimeKey& low, const TimeKey& high)
{
    return statement.reset().bind(1, id).bind(2, low.ti).bind(3, low.tx).bind(4, high.ti).bind(5, high.tx);
}
}

IndexAnswer<bool> IndexReader::countByHour(const QString& time1, const QString& time2, const QString* model,
    const SplitHour& split, const GroupRow& group) const
{
    IndexAnswer<bool> answer;
    Session session;
    if (!begin(session, time1, time2, &answer.reason))
        return answer;
    QVector<QPair<qint64, QString>> found;
    bool ok = modelIds(session.index, model, &found);
    SqliteStatement above(session.index, PartKeysSql);
    SqliteStatement from(session.index, PartKeysFromSql);
    SqliteStatement hours(session.index, HoursSql);
    const TimeKey::Days& whole = session.days;
    // The records of one part by key, those off the clock apart.
    const auto countPart
        = [&](qint64 id, const QString& name, const TimeKey& low, bool withLow, const TimeKey& high) {
              SqliteStatement& part = withLow ? from : above;
              bindRange(part, id, low, high);
              while (part.step()) {
                  const qint64 ti = part.int64(0);
                  group(TimeKey::offClock(ti, part.int64(1) != 0) ? -1 : ti, name, part.int64(2));
              }
              return !part.failed();
          };
    for (const auto& m : qAsConst(found)) {
        if (!ok)
            break;
        ok = countPart(m.first, m.second, session.low, false, whole.headEnd);
        if (ok && whole.first <= whole.last) {
            hours.reset().bind(1, m.first).bind(2, whole.first).bind(3, whole.last);
            while (ok && hours.step()) {
                const qint64 hour = hours.int64(0);
                if (split && split(hour)) {
                    TimeKey start;
                    TimeKey end;
                    start.ti = hour * TimeKey::HourUnits;
                    start.tx = QByteArray("");
                    end.ti = (hour + 1) * TimeKey::HourUnits;
                    end.tx = QByteArray("");
                    ok = countPart(m.first, m.second, start, true, end);
                    continue;
                }
                const qint64 off = hours.int64(2);
                if (hours.int64(1) > off)
                    group(hour * TimeKey::HourUnits, m.second, hours.int64(1) - off);
                if (off > 0)
                    group(-1, m.second, off);
            }
            ok = ok && !hours.failed();
            ok = ok && countPart(m.first, m.second, whole.tailStart, true, session.high);
        }
    }
    if (!ok) {
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        return answer;
    }
    answer.available = answer.value = true;
    return answer;
}

IndexAnswer<qint64> IndexReader::forEachValues(
    const QString& time1, const QString& time2, const QString* model, const ValueRow& row) const
{
    IndexAnswer<qint64> answer;
    Session session;
    if (!begin(session, time1, time2, &answer.reason))
        return answer;
    QVector<QPair<qint64, QString>> found;
    bool ok = modelIds(session.index, model, &found);
    SqliteStatement records(session.index, ValuesSql);
    bool stopped = false;
    sqlite3_value* values[4];
    for (const auto& m : qAsConst(found)) {
        if (!ok || stopped)
            break;
        bindRange(records, m.first, session.low, session.high);
        while (records.step()) {
            for (int i = 0; i < 4; ++i)
                values[i] = records.value(i);
            ++answer.value;
            if (!row(values)) {
                stopped = true;
                break;
            }
        }
        ok = !records.failed();
    }
    if (!ok) {
        answer.reason = QStringLiteral("index file unreadable: ") + session.index.errorString();
        return answer;
    }
    if (stopped) {
        answer.reason = QStringLiteral("stopped");
        return answer;
    }
    answer.available = true;
    return answer;
}
