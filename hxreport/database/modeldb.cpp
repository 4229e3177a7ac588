#include "modeldb.h"

#include <QSqlRecord>

namespace {
const char* const ModelTable = "modelTable";
const char* const ModelColumn = "model";
// The file is the station's: read it, never create or change it.
const char* const ReadOnlyOptions = "QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY";
}

ModelDB::ModelDB(const QString& databasePath, const QString& driverName)
    : DataBaseSql(databasePath, driverName)
{
    if (driverName == QLatin1String("QSQLITE"))
        database().setConnectOptions(QLatin1String(ReadOnlyOptions));
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
    if (!runDetached(QStringLiteral("select * from ") + QLatin1String(ModelTable), rows))
        return names;
    // A table without the column still yields one (empty) name per row.
    const int column = rows.record().indexOf(QLatin1String(ModelColumn));
    while (rows.next())
        names.append(column < 0 ? QString() : rows.value(column).toString());
    return names;
}
