#include "exportquery.h"

#include "stationschema.h"

ExportQuery ExportQuery::production(const QString& time1, const QString& time2, const QString& model)
{
    ExportQuery query;
    query.m_Range
        = model.isEmpty() ? RangeQuery::allModels(time1, time2) : RangeQuery::production(time1, time2, model);
    query.m_Columns = QStringList { StationSchema::keyColumn() } + StationSchema::productionExportColumns();
    return query;
}

ExportQuery ExportQuery::log(const QString& time1, const QString& time2, LogClass logClass)
{
    ExportQuery query;
    query.m_Range = RangeQuery::log(time1, time2, logClass);
    query.m_Columns = QStringList { StationSchema::keyColumn() } + StationSchema::logExportColumns();
    return query;
}

ExportQuery ExportQuery::atStation(const QString& station) const
{
    ExportQuery query = *this;
    query.m_Range = m_Range.atStation(station);
    return query;
}

ExportQuery ExportQuery::withColumn(const QString& column) const
{
    ExportQuery query = *this;
    if (!query.m_Columns.contains(column))
        query.m_Columns << column;
    return query;
}

ExportQuery ExportQuery::inDialect(SqlDialect dialect) const
{
    ExportQuery query = *this;
    query.m_Range = m_Range.inDialect(dialect);
    query.m_Columns[0] = query.m_Range.keyColumn();
    return query;
}

ExportQuery ExportQuery::upToKey(qint64 lastKey) const
{
    ExportQuery query = *this;
    query.m_Range = m_Range.upToKey(lastKey);
    return query;
}

BoundStatement ExportQuery::firstStatement(int limit) const
{
    return m_Range.firstChunk(m_Columns, limit);
}

BoundStatement ExportQuery::nextStatement(const QString& lastTime, qint64 lastUid, int limit) const
{
    return m_Range.nextChunk(m_Columns, lastTime, lastUid, limit);
}
