#include "detectdatadb.h"

#include <QSqlRecord>
#include <QStringList>

namespace {

const char* const TableListSql = "select name from sqlite_master where type='table' order by name;";
const char* const DetectionTable = "wftable";
const char* const ShiftTable = "wftimetable_2";
const char* const LogTable = "warningtable";
const char* const DetectionIndexSql = "CREATE INDEX idx_wftable ON wftable (time COLLATE BINARY ASC); ";
const char* const LogIndexSql = "CREATE INDEX idx_warningtable ON warningtable (time COLLATE BINARY ASC); ";
const char* const KeyColumn = "uid";
const char* const ShiftTimeFormat = "hh:mm:ss";

QVariantMap detectionColumns()
{
    return { { QStringLiteral("model"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("diameter"), QStringLiteral("INT(100)") },
        { QStringLiteral("hight"), QStringLiteral("INT(100)") },
        { QStringLiteral("correlate"), QStringLiteral("INT(100)") },
        { QStringLiteral("channel"), QStringLiteral("INT(100)") },
        { QStringLiteral("detecttime"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("time"), QStringLiteral("DATETIME(32)") },
        { QStringLiteral("pic"), QStringLiteral("BLOB") } };
}

QVariantMap shiftColumns()
{
    return { { QStringLiteral("type"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("starttime"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("endtime"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("startType"), QStringLiteral("INT(100)") },
        { QStringLiteral("EndType"), QStringLiteral("INT(100)") } };
}

QVariantMap logColumns()
{
    return { { QStringLiteral("message"), QStringLiteral("VARCHAR(256)") },
        { QStringLiteral("class"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("time"), QStringLiteral("DATETIME(32)") } };
}

} // namespace

DetectDataDB::DetectDataDB(const QString& databasePath, const QString& driverName)
    : DataBaseSql(databasePath, driverName)
{
}

bool DetectDataDB::openDatabase()
{
    if (!open())
        return false;

    // SQLite opens any file lazily; one that is not a database (or cannot be
    // read) fails here. Such a file counts as not opened and gets no tables.
    QStringList tables;
    if (!forEachRow(QLatin1String(TableListSql), [&tables](const QSqlQuery& row) {
            tables.append(row.value(0).toString());
            return true;
        }))
        return false;

    const QString key = QLatin1String(KeyColumn);
    if (!tables.contains(QLatin1String(DetectionTable))
        && createTable(QLatin1String(DetectionTable), key, detectionColumns()))
        runStatement(QLatin1String(DetectionIndexSql), Access::Write);
    if (!tables.contains(QLatin1String(ShiftTable)))
        createTable(QLatin1String(ShiftTable), key, shiftColumns());
    if (!tables.contains(QLatin1String(LogTable)) && createTable(QLatin1String(LogTable), key, logColumns()))
        runStatement(QLatin1String(LogIndexSql), Access::Write);
    return true;
}

bool DetectDataDB::execSql(QString sql, QSqlQuery& result)
{
    // True also for a failed statement: the result and lastError() carry it.
    runDetached(sql, result);
    return true;
}

bool DetectDataDB::queryRecords(QVariantMap request, QSqlQuery& result)
{
    // Always the row form, so the count and model-list switches are dropped.
    request.remove(QStringLiteral("Count"));
    request.remove(QStringLiteral("CheckType"));
    const int kind = request.value(QStringLiteral("Type")).toInt();
    runDetached(kind >= 0 && kind <= 3 ? buildQuerySql(request) : QString(), result);
    return true;
}

bool DetectDataDB::insertLog(LogRecord record)
{
    const QVariantMap values { { QStringLiteral("message"), record.message },
        { QStringLiteral("time"), record.time }, { QStringLiteral("class"), record.logClass } };
    return insertRecord(QLatin1String(LogTable), values);
}

bool DetectDataDB::trimLogClass(int logClass, int keepCount)
{
    const QString table = QLatin1String(LogTable);
    const QString cls = QString::number(logClass);
    const QString keep = QString::number(keepCount);
    const QString count = QStringLiteral("select count(uid) from %1 where class = '%3'").arg(table, cls);
    const QString selection
        = QStringLiteral("uid in(select uid from %1 where class = '%2' order by time desc "
                         "limit(select count(uid) from %3 where class = '%4') offset %5)")
              .arg(table, cls, table, cls, keep);
    runStatement(QStringLiteral("delete from %1 where (%2)>%3 and %4").arg(table, count, keep, selection),
        Access::Write);
    return true;
}

bool DetectDataDB::clearAll()
{
    runStatement(QStringLiteral("delete from %1 ").arg(QLatin1String(DetectionTable)), Access::Write);
    runStatement(QStringLiteral("delete from %1 ").arg(QLatin1String(LogTable)), Access::Write);
    return true;
}

bool DetectDataDB::deleteBefore(QString time)
{
    const QString condition = QStringLiteral("time <'%1'").arg(sqlQuoted(time));
    runStatement(QStringLiteral("DELETE FROM %1 WHERE %2").arg(QLatin1String(DetectionTable), condition),
        Access::Write);
    return true;
}

bool DetectDataDB::readShifts(QMap<QString, ShiftRecord>* shifts)
{
    QSqlQuery rows;
    if (!runDetached(QStringLiteral("select * from ") + QLatin1String(ShiftTable), rows))
        return false;
    while (rows.next()) {
        ShiftRecord shift;
        shift.uid = rows.value(QStringLiteral("uid")).toInt();
        shift.type = rows.value(QStringLiteral("type")).toString();
        shift.startTime = QTime::fromString(rows.value(QStringLiteral("starttime")).toString(), Qt::ISODate);
        shift.startType = rows.value(QStringLiteral("startType")).toInt();
        shift.endTime = QTime::fromString(rows.value(QStringLiteral("endtime")).toString(), Qt::ISODate);
        shift.endType = rows.value(QStringLiteral("EndType")).toInt();
        if (shifts)
            shifts->insert(shift.type, shift);
    }
    return true;
}

bool DetectDataDB::insertShift(ShiftRecord shift)
{
    const QString format = QLatin1String(ShiftTimeFormat);
    const QVariantMap values { { QStringLiteral("type"), shift.type },
        { QStringLiteral("starttime"), shift.startTime.toString(format) },
        { QStringLiteral("endtime"), shift.endTime.toString(format) },
        { QStringLiteral("startType"), shift.startType }, { QStringLiteral("EndType"), shift.endType } };
    return insertRecord(QLatin1String(ShiftTable), values);
}

bool DetectDataDB::deleteShift(ShiftRecord shift)
{
    const QString sql
        = deleteSql(QLatin1String(ShiftTable), equalsClause(QStringLiteral("type"), shift.type));
    return runStatement(sql, Access::Write).isActive();
}

bool DetectDataDB::insertDetection(QVariantMap record)
{
    QStringList placeholders;
    for (const QString& key : record.keys())
        placeholders.append(QLatin1Char(':') + key);
    const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                            .arg(QLatin1String(DetectionTable), record.keys().join(QLatin1Char(',')),
                                placeholders.join(QLatin1Char(',')));
    QSqlQuery query;
    if (!prepareStatement(query, sql))
        return false;
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        query.bindValue(QLatin1Char(':') + it.key(), it.value(), QSql::In);
    // The outcome is reported: a failed insert must not look like a stored record.
    return execPrepared(query);
}
