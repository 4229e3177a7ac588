#include "plantpage.h"

#include "databasesql.h"

BoundStatement PlantPage::statement(const DataBaseSql* db, const RangeQuery& range, int limit, int offset)
{
    BoundStatement headCount;
    BoundStatement dayCounts;
    if (!db || offset <= 0 || !range.dayOffsetParts(&headCount, &dayCounts))
        return range.pageStatement(limit, offset);
    QSqlQuery head;
    if (!db->runDetached(headCount, head) || !head.next())
        return range.pageStatement(limit, offset);
    const qint64 headRows = head.value(0).toLongLong();
    if (offset < headRows)
        return range.pageStatement(limit, offset);
    QVector<QPair<QString, qint64>> days;
    const bool read = db->forEachRow(dayCounts, [&days](const QSqlQuery& row) {
        days.append({ row.value(0).toString(), row.value(1).toLongLong() });
        return true;
    });
    if (!read)
        return range.pageStatement(limit, offset);
    int dayOffset = offset;
    return range.fromOffsetDay(headRows, days, offset, &dayOffset).pageStatement(limit, dayOffset);
}
