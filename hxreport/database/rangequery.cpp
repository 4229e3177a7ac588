#include "rangequery.h"

#include "statementtexts.h"

#include <QDateTime>

namespace {
// A missing text binds as NULL, which matches nothing; the statements the
// viewer spliced before matched an empty text there.
QString nonNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}
}

RangeQuery RangeQuery::production(const QString& time1, const QString& time2, const QString& model)
{
    RangeQuery query = allModels(time1, time2);
    query.m_AllModels = false;
    query.m_Model = nonNull(model);
    return query;
}

RangeQuery RangeQuery::allModels(const QString& time1, const QString& time2)
{
    RangeQuery query;
    query.m_Table = StationSchema::detectionTable();
    query.m_Lower = nonNull(time1);
    query.m_Upper = nonNull(time2);
    return query;
}

RangeQuery RangeQuery::log(const QString& time1, const QString& time2, LogClass logClass)
{
    RangeQuery query;
    query.m_Table = StationSchema::logTable();
    query.m_Lower = nonNull(time1);
    query.m_Upper = nonNull(time2);
    query.m_IsLog = true;
    query.m_LogClass = logClass;
    return query;
}

RangeQuery RangeQuery::atStation(const QString& station) const
{
    RangeQuery query = *this;
    query.m_Station = nonNull(station);
    return query;
}

RangeQuery RangeQuery::upToKey(qint64 lastKey) const
{
    RangeQuery query = *this;
    query.m_LastKey = qMax<qint64>(0, lastKey);
    return query;
}

BoundStatement RangeQuery::lastKeyStatement() const
{
    return BoundStatement { QStringLiteral("select max(%1) from %2").arg(keyColumn(), table()), {} };
}

RangeQuery RangeQuery::inDialect(SqlDialect dialect) const
{
    RangeQuery query = *this;
    query.m_Dialect = dialect;
    return query;
}

RangeQuery RangeQuery::page(int limit, int offset) const
{
    RangeQuery query = *this;
    query.m_Limit = limit;
    query.m_Offset = offset;
    return query;
}

QString RangeQuery::filterText() const
{
    const QString all = QStringLiteral("select * from %1 where time >'%2' and time <'%3'")
                            .arg(StationSchema::detectionTable(), sqlQuoted(m_Lower), sqlQuoted(m_Upper));
    // Filled one by one: a time or model may hold a "%1" of its own.
    return m_AllModels ? all : all + QStringLiteral(" and model = '%1'").arg(sqlQuoted(m_Model));
}

QString RangeQuery::table() const
{
    if (m_Dialect == SqlDialect::Station || m_Table.isEmpty())
        return m_Table;
    return m_IsLog ? QStringLiteral("logs") : QStringLiteral("records");
}

QString RangeQuery::keyColumn() const
{
    return m_Dialect == SqlDialect::Plant ? QStringLiteral("id") : StationSchema::keyColumn();
}

RangeQuery RangeQuery::slice(const QString& lower, bool lowerIncluded, const QString& upper) const
{
    RangeQuery query = *this;
    query.m_Lower = nonNull(lower);
    query.m_LowerIncluded = lowerIncluded;
    query.m_Upper = nonNull(upper);
    return query;
}

QString RangeQuery::condition(QVariantList* values) const
{
    QString station;
    if (m_Dialect == SqlDialect::Plant && !m_Station.isEmpty()) {
        *values << m_Station;
        station = QStringLiteral(" and station = ?");
    }
    station += ownCondition(values);
    if (m_LastKey >= 0) {
        *values << m_LastKey;
        station += QStringLiteral(" and %1 <= ?").arg(keyColumn());
    }
    return station;
}

QString RangeQuery::ownCondition(QVariantList* values) const
{
    if (m_IsLog) {
        // The class column holds text: compared as text, as the station wrote it.
        *values << QString::number(StationSchema::toInt(m_LogClass));
        return QStringLiteral(" and %1 = ?").arg(StationSchema::logClassColumn());
    }
    if (m_AllModels)
        return QString();
    *values << m_Model;
    return QStringLiteral(" and %1 = ?").arg(StationSchema::modelColumn());
}

QString RangeQuery::where(QVariantList* values) const
{
    const QString time = StationSchema::timeColumn();
    *values << m_Lower << m_Upper;
    return QStringLiteral(" where %1 %2 ? and %1 < ?")
               .arg(time, m_LowerIncluded ? QStringLiteral(">=") : QStringLiteral(">"))
        + condition(values);
}

QString RangeQuery::chunkOrder(const QString& alias) const
{
    const QString time = alias + StationSchema::timeColumn();
    const QString key = alias + keyColumn();
    return m_IsLog ? QStringLiteral(" order by %1 desc,%2 desc").arg(time, key)
                   : QStringLiteral(" order by %1,%2").arg(time, key);
}

BoundStatement RangeQuery::countStatement() const
{
    BoundStatement statement;
    statement.text = QStringLiteral("select count(*) from ") + table() + where(&statement.values);
    return statement;
}

BoundStatement RangeQuery::pageStatement(int limit, int offset) const
{
    BoundStatement statement;
    if (m_Dialect == SqlDialect::Plant) {
        // The rows skipped by the offset are read from an index that ends
        // with id, without their rows; only the page's rows are looked up.
        statement.text = QStringLiteral("select r.* from %1 r join (select id from %1").arg(table())
            + where(&statement.values) + chunkOrder() + QStringLiteral(" limit ? offset ?) k on r.id = k.id")
            + chunkOrder(QStringLiteral("r."));
        statement.values << limit << offset;
        return statement;
    }
    statement.text = QStringLiteral("select * from ") + table() + where(&statement.values);
    if (m_IsLog)
        statement.text += QStringLiteral(" order by %1 desc").arg(StationSchema::timeColumn());
    statement.text += QStringLiteral(" limit ? offset ?");
    statement.values << limit << offset;
    return statement;
}

BoundStatement RangeQuery::keyedRows(const QVector<qint64>& keys) const
{
    BoundStatement statement;
    const QString key = keyColumn();
    const QString time = StationSchema::timeColumn();
    QStringList marks;
    for (const qint64 value : keys) {
        marks << QStringLiteral("?");
        statement.values << value;
    }
    // "+time" keeps the planner off the time index, which it prefers for a
    // long key list and which would read the whole range. Without the
    // column's affinity a bound that reads as a number would compare as text;
    // the record index answers only for bounds that stay texts.
    statement.values << m_Lower << m_Upper;
    statement.text = QStringLiteral("select * from %1 where %2 in (%3) and +%4 %5 ? and +%4 < ?")
                         .arg(table(), key, marks.join(QLatin1Char(',')), time,
                             m_LowerIncluded ? QStringLiteral(">=") : QStringLiteral(">"))
        + condition(&statement.values);
    return statement;
}

BoundStatement RangeQuery::groupingStatement() const
{
    BoundStatement statement;
    const QString model = StationSchema::modelColumn();
    statement.text = QStringLiteral("select %1,count(%1) from ").arg(model) + table()
        + where(&statement.values) + QStringLiteral(" group by ") + model;
    return statement;
}

BoundStatement RangeQuery::firstChunk(const QStringList& columns, int limit) const
{
    BoundStatement statement;
    statement.text = QStringLiteral("select %1 from ").arg(columns.join(QLatin1Char(','))) + table()
        + where(&statement.values) + chunkOrder() + QStringLiteral(" limit ?");
    statement.values << limit;
    return statement;
}

BoundStatement RangeQuery::nextChunk(
    const QStringList& columns, const QString& lastTime, qint64 lastKey, int limit) const
{
    // The continuation bound replaces the range's own bound on that side, so
    // that the index range starts at the last row instead of the range's start.
    const QString time = StationSchema::timeColumn();
    const QString key = keyColumn();
    BoundStatement statement;
    statement.text = QStringLiteral("select %1 from ").arg(columns.join(QLatin1Char(','))) + table();
    if (m_IsLog) {
        statement.text += QStringLiteral(" where %1 %2 ? and %1 <= ? and (%1 < ? or %3 < ?)")
                              .arg(time, m_LowerIncluded ? QStringLiteral(">=") : QStringLiteral(">"), key);
        statement.values << m_Lower << nonNull(lastTime) << nonNull(lastTime) << lastKey;
    } else {
        statement.text += QStringLiteral(" where %1 >= ? and %1 < ? and (%1 > ? or %2 > ?)").arg(time, key);
        statement.values << nonNull(lastTime) << m_Upper << nonNull(lastTime) << lastKey;
    }
    statement.text += condition(&statement.values) + chunkOrder() + QStringLiteral(" limit ?");
    statement.values << limit;
    return statement;
}

BoundStatement RangeQuery::allRows(const QStringList& columns) const
{
    BoundStatement statement;
    statement.text = QStringLiteral("select %1 from ").arg(columns.join(QLatin1Char(','))) + table()
        + where(&statement.values) + chunkOrder();
    return statement;
}

bool RangeQuery::dayParts(
    QVector<RangeQuery>* edges, BoundStatement* dayTotal, BoundStatement* dayGrouping) const
{
    // The day counts hold a NULL model as "": no answer for the model "".
    // The day counts know nothing of a last key either.
    if (m_Dialect != SqlDialect::Plant || m_IsLog || (!m_AllModels && m_Model.isEmpty())
        || m_Upper.size() < 10 || m_LastKey >= 0)
        return false;
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    const QDateTime lower = QDateTime::fromString(m_Lower, format);
    if (!lower.isValid() || lower.toString(format) != m_Lower)
        return false;
    // No text of at most 10 characters lies between a full time and the next
    // day's date, and a time's first 10 characters come before it: the days
    // in [firstDay, lastDay) hold exactly the records in that time range.
    const QString firstDay = lower.date().addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    const QString lastDay = m_Upper.left(10);
    if (!(firstDay < lastDay))
        return false;
    *edges = { slice(m_Lower, m_LowerIncluded, firstDay), slice(lastDay, true, m_Upper) };
    QVariantList values { firstDay, lastDay };
    QString where = QStringLiteral(" from record_counts where day >= ? and day < ?");
    if (!m_Station.isEmpty()) {
        where += QStringLiteral(" and station = ?");
        values << m_Station;
    }
    if (!m_AllModels) {
        where += QStringLiteral(" and model = ?");
        values << m_Model;
    }
    *dayTotal = BoundStatement { QStringLiteral("select sum(records)") + where, values };
    *dayGrouping = BoundStatement {
        QStringLiteral("select model,sum(records)") + where + QStringLiteral(" group by model"), values
    };
    return true;
}

bool RangeQuery::dayOffsetParts(BoundStatement* headCount, BoundStatement* dayCounts) const
{
    QVector<RangeQuery> edges;
    BoundStatement total;
    BoundStatement grouping;
    if (!dayParts(&edges, &total, &grouping))
        return false;
    *headCount = edges.first().countStatement();
    // The total's conditions, grouped by day: the day sorts as its records'
    // times do (both compare byte for byte, and a time starts with its day).
    *dayCounts = BoundStatement { total.text.replace(QStringLiteral("select sum(records)"),
                                      QStringLiteral("select day,sum(records)"))
            + QStringLiteral(" group by day order by day"),
        total.values };
    return true;
}

RangeQuery RangeQuery::fromOffsetDay(
    qint64 headCount, const QVector<QPair<QString, qint64>>& days, int offset, int* dayOffset) const
{
    QVector<RangeQuery> edges;
    BoundStatement total;
    BoundStatement grouping;
    *dayOffset = offset;
    if (!dayParts(&edges, &total, &grouping) || offset < headCount)
        return *this;
    // Past every whole day the offset lands in the part from the last day on.
    QString start = edges.last().lower();
    qint64 skipped = headCount;
    for (const auto& day : days) {
        if (offset < skipped + day.second) {
            start = day.first;
            break;
        }
        skipped += day.second;
    }
    *dayOffset = int(offset - skipped);
    return slice(start, true, m_Upper);
}

BoundStatement RangeQuery::pictureStatement(qint64 key) const
{
    return BoundStatement { QStringLiteral("select pic from %1 where %2 = ?").arg(table(), keyColumn()),
        { key } };
}
