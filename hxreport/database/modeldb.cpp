#include "modeldb.h"

#include "stationschema.h"

#include <QSqlRecord>

namespace {
// The file is the station's: read it, never create or change it.
const char* const ReadOnlyOption = "QSQLITE_OPEN_READONLY";
}

ModelDB::ModelDB(const QString& databasePath, const QString& driverName)
    : DataBaseSql(databasePath, driverName)
{
    if (driverName == QLatin1String("QSQLITE"))
        database().setConnectOptions(
            StationSchema::busyTimeoutOption() + QLatin1Char(';') + QLatin1String(ReadOnlyOption));
}

bool ModelDB::openDatabase()
{
    return open();
}

bool ModelDB::execSql(QString, QSqlQuery&)
{
    return false;
}

bool ModelDB::queryRecords(QVariantMap, QSqlQuery&)
{
    return false;
}

bool ModelDB::insertLog(LogRecord)
{
    return false;
}

bool ModelDB::trimLogClass(int, int)
{
    return false;
}

bool ModelDB::clearAll()
{
    return false;
}

bool ModelDB::deleteBefore(QString)
{
    return false;
}

QStringList ModelDB::modelNames()
{
    QStringList names;
    QSqlQuery rows;
    if (!runDetached(QStringLiteral("select * from ") + StationSchema::modelTable(), rows))
        return names;
    // A table without the column still yields one (empty) name per row.
    const int column = rows.record().indexOf(StationSchema::modelColumn());
    while (rows.next())
        names.append(column < 0 ? QString() : rows.value(column).toString());
    return names;
}
