#include "stationschema.h"

#include "databasesql.h"

QString StationSchema::busyTimeoutOption()
{
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(BusyTimeoutMs);
}

QString StationSchema::detectionTable()
{
    return QStringLiteral("wftable");
}

QString StationSchema::logTable()
{
    return QStringLiteral("warningtable");
}

QString StationSchema::shiftTable()
{
    return QStringLiteral("wftimetable_2");
}

QString StationSchema::modelTable()
{
    return QStringLiteral("modelTable");
}

QString StationSchema::keyColumn()
{
    return QStringLiteral("uid");
}

QString StationSchema::timeColumn()
{
    return QStringLiteral("time");
}

QString StationSchema::modelColumn()
{
    return QStringLiteral("model");
}

QString StationSchema::logClassColumn()
{
    return QStringLiteral("class");
}

QString StationSchema::messageColumn()
{
    return QStringLiteral("message");
}

QVariantMap StationSchema::detectionColumns()
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

QVariantMap StationSchema::shiftColumns()
{
    return { { QStringLiteral("type"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("starttime"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("endtime"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("startType"), QStringLiteral("INT(100)") },
        { QStringLiteral("EndType"), QStringLiteral("INT(100)") } };
}

QVariantMap StationSchema::logColumns()
{
    return { { QStringLiteral("message"), QStringLiteral("VARCHAR(256)") },
        { QStringLiteral("class"), QStringLiteral("VARCHAR(32)") },
        { QStringLiteral("time"), QStringLiteral("DATETIME(32)") } };
}

QString StationSchema::detectionIndexSql()
{
    return QStringLiteral("CREATE INDEX idx_wftable ON wftable (time COLLATE BINARY ASC); ");
}

QString StationSchema::logIndexSql()
{
    return QStringLiteral("CREATE INDEX idx_warningtable ON warningtable (time COLLATE BINARY ASC); ");
}

QString StationSchema::keyType()
{
    return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL");
}

QString StationSchema::createDetectionTableSql()
{
    return createTableSql(detectionTable(), keyColumn(), keyType(), detectionColumns());
}

QString StationSchema::createShiftTableSql()
{
    return createTableSql(shiftTable(), keyColumn(), keyType(), shiftColumns());
}

QString StationSchema::createLogTableSql()
{
    return createTableSql(logTable(), keyColumn(), keyType(), logColumns());
}

QString StationSchema::createModelTableSql()
{
    // Written out: the station's column order differs from the name order a
    // column map would give.
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS modelTable (uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
        "model VARCHAR(32), diameter INT(100), hight INT(100), createtime DATETIME(32))");
}

const QStringList& StationSchema::productionPageColumns()
{
    static const QStringList columns = { QStringLiteral("time"), QStringLiteral("model"),
        QStringLiteral("correlate"), QStringLiteral("detecttime"), QStringLiteral("diameter"),
        QStringLiteral("hight"), QStringLiteral("pic"), QStringLiteral("uid") };
    return columns;
}

const QStringList& StationSchema::productionExportColumns()
{
    static const QStringList columns
        = { QStringLiteral("time"), QStringLiteral("model"), QStringLiteral("correlate"),
              QStringLiteral("detecttime"), QStringLiteral("diameter"), QStringLiteral("hight") };
    return columns;
}

const QStringList& StationSchema::logExportColumns()
{
    static const QStringList columns = { QStringLiteral("time"), QStringLiteral("message") };
    return columns;
}
