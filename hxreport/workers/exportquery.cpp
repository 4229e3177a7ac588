#include "exportquery.h"

#include "databasesql.h"

ExportQuery ExportQuery::production(const QString& time1, const QString& time2, const QString& model)
{
    ExportQuery query;
    query.m_Table = QStringLiteral("wftable");
    query.m_Columns = QStringLiteral("uid,time,model,correlate,detecttime,diameter,hight");
    query.m_Time1 = sqlQuoted(time1);
    query.m_Time2 = sqlQuoted(time2);
    if (!model.isEmpty())
        query.m_Condition = QStringLiteral("model = '%1'").arg(sqlQuoted(model));
    return query;
}

ExportQuery ExportQuery::log(const QString& time1, const QString& time2, int logClass)
{
    ExportQuery query;
    query.m_Table = QStringLiteral("warningtable");
    query.m_Columns = QStringLiteral("uid,time,message");
    query.m_Time1 = sqlQuoted(time1);
    query.m_Time2 = sqlQuoted(time2);
    query.m_Condition = QStringLiteral("class = '%1'").arg(logClass);
    query.m_NewestFirst = true;
    return query;
}

QString ExportQuery::firstChunk(int limit) const
{
    QString sql = QStringLiteral("select %1 from %2 where time >'%3' and time <'%4'")
                      .arg(m_Columns, m_Table, m_Time1, m_Time2);
    if (!m_Condition.isEmpty())
        sql += QStringLiteral(" and ") + m_Condition;
    sql += m_NewestFirst ? QStringLiteral(" order by time desc,uid desc") : QStringLiteral(" order by time,uid");
    return sql + QStringLiteral(" limit %1").arg(limit);
}

QString ExportQuery::nextChunk(const QString& lastTime, qint64 lastUid, int limit) const
{
    // The continuation bound replaces the range's own bound on that side, so
    // that the index range starts at the last row instead of the range's start.
    const QString last = sqlQuoted(lastTime);
    QString sql = m_NewestFirst
        ? QStringLiteral("select %1 from %2 where time >'%3' and time <='%4' and (time <'%4' or uid <%5)")
              .arg(m_Columns, m_Table, m_Time1, last, QString::number(lastUid))
        : QStringLiteral("select %1 from %2 where time >='%3' and time <'%4' and (time >'%3' or uid >%5)")
              .arg(m_Columns, m_Table, last, m_Time2, QString::number(lastUid));
    if (!m_Condition.isEmpty())
        sql += QStringLiteral(" and ") + m_Condition;
    sql += m_NewestFirst ? QStringLiteral(" order by time desc,uid desc") : QStringLiteral(" order by time,uid");
    return sql + QStringLiteral(" limit %1").arg(limit);
}
