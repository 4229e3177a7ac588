#include "detectdatadb.h"

#include "stationschema.h"

#include <QSqlRecord>
#include <QStringList>

namespace {

const char* const TableListSql = "select name from sqlite_master where type='table' order by name;";
const char* const ShiftTimeFormat = "hh:mm:ss";

} // namespace

DetectDataDB::DetectDataDB(const QString& databasePath, const QString& driverName)
    : DataBaseSql(databasePath, driverName)
{
}

bool DetectDataDB::openDatabase()
{
    if (!open())
        return false;
    // The plant archive is read only: its tables come from server/schema.sql.
    if (dialect() == SqlDialect::Plant) {
        QSqlQuery probe;
        return runDetached(QStringLiteral("select station from records limit 0"), probe);
    }

    // SQLite opens any file lazily; one that is not a database (or cannot be
    // read) fails here. Such a file counts as not opened and gets no tables.
    QStringList tables;
    if (!forEachRow(QLatin1String(TableListSql), [&tables](const QSqlQuery& row) {
            tables.append(row.value(0).toString());
            return true;
        }))
        return false;

    const QString key = StationSchema::keyColumn();
    if (!tables.contains(StationSchema::detectionTable())
        && createTable(StationSchema::detectionTable(), key, StationSchema::detectionColumns()))
        runStatement(StationSchema::detectionIndexSql(), Access::Write);
    if (!tables.contains(StationSchema::shiftTable()))
        createTable(StationSchema::shiftTable(), key, StationSchema::shiftColumns());
    if (!tables.contains(StationSchema::logTable())
        && createTable(StationSchema::logTable(), key, StationSchema::logColumns()))
        runStatement(StationSchema::logIndexSql(), Access::Write);
    return true;
}

bool DetectDataDB::openForReading(QString* problem)
{
    if (dialect() == SqlDialect::Plant) {
        if (openDatabase())
            return true;
        *problem = lastError().text();
        return false;
    }
    // Read only for the connection itself: no statement can change the file,
    // and SQLite does not even make a journal beside it.
    setConnectOptions(StationSchema::busyTimeoutOption() + QStringLiteral(";QSQLITE_OPEN_READONLY"));
    QStringList tables;
    if (!open() || !forEachRow(QLatin1String(TableListSql), [&tables](const QSqlQuery& row) {
            tables.append(row.value(0).toString());
            return true;
        })) {
        *problem = lastError().text();
        if (problem->isEmpty())
            *problem = database().lastError().text();
        return false;
    }
    QStringList missing;
    for (const QString& table : { StationSchema::detectionTable(), StationSchema::logTable() }) {
        if (!tables.contains(table))
            missing << table;
    }
    if (!missing.isEmpty()) {
        *problem = QStringLiteral("not a station file (no table %1)").arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

bool DetectDataDB::hasRecordsOfModel(const QString& model, const QString& station)
{
    // On the plant server the day counts name every model a station synced,
    // in a few rows per day instead of every record.
    const bool plant = dialect() == SqlDialect::Plant;
    BoundStatement statement { QStringLiteral("select 1 from %1 where %2 = ?")
                                   .arg(plant ? QStringLiteral("record_counts")
                                              : StationSchema::detectionTable(),
                                       StationSchema::modelColumn()),
        { model } };
    if (plant && !station.isEmpty()) {
        statement.text += QStringLiteral(" and station = ?");
        statement.values << station;
    }
    statement.text += QStringLiteral(" limit 1");
    bool found = false;
    forEachRow(statement, [&found](const QSqlQuery&) {
        found = true;
        return false;
    });
    return found;
}

bool DetectDataDB::readRecordModels(QStringList* models, const QString& station)
{
    models->clear();
    const bool plant = dialect() == SqlDialect::Plant;
    BoundStatement statement { QStringLiteral("select distinct %1 from %2")
                                   .arg(StationSchema::modelColumn(),
                                       plant ? QStringLiteral("record_counts")
                                             : StationSchema::detectionTable()),
        {} };
    if (plant && !station.isEmpty()) {
        statement.text += QStringLiteral(" where station = ?");
        statement.values << station;
    }
    const bool ok = forEachRow(statement, [models](const QSqlQuery& row) {
        if (!row.value(0).isNull())
            models->append(row.value(0).toString());
        return true;
    });
    models->sort();
    return ok;
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
    // Only the record kinds; the statistics and single-record kinds are not served here.
    const int kind = request.value(QStringLiteral("Type")).toInt();
    runDetached(
        kind >= StationSchema::toInt(QueryKind::AtTime) && kind <= StationSchema::toInt(QueryKind::LogInRange)
            ? buildQuerySql(request)
            : QString(),
        result);
    return true;
}

bool DetectDataDB::insertLog(LogRecord record)
{
    const QVariantMap values { { QStringLiteral("message"), record.message },
        { QStringLiteral("time"), record.time }, { QStringLiteral("class"), record.logClass } };
    return insertRecord(StationSchema::logTable(), values);
}

bool DetectDataDB::trimLogClass(int logClass, int keepCount)
{
    const QString table = StationSchema::logTable();
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
    runStatement(QStringLiteral("delete from %1 ").arg(StationSchema::detectionTable()), Access::Write);
    runStatement(QStringLiteral("delete from %1 ").arg(StationSchema::logTable()), Access::Write);
    return true;
}

bool DetectDataDB::deleteBefore(QString time)
{
    const QString condition = QStringLiteral("time <'%1'").arg(sqlQuoted(time));
    runStatement(QStringLiteral("DELETE FROM %1 WHERE %2").arg(StationSchema::detectionTable(), condition),
        Access::Write);
    return true;
}

bool DetectDataDB::readShifts(QMap<QString, ShiftRecord>* shifts, const QString& station)
{
    StationShifts read;
    if (!readShifts(&read, station))
        return false;
    const QMap<QString, ShiftRecord> own = read.of(station);
    for (auto it = own.cbegin(); shifts && it != own.cend(); ++it)
        shifts->insert(it.key(), it.value());
    return true;
}

bool DetectDataDB::readShifts(StationShifts* shifts, const QString& station)
{
    BoundStatement statement { QStringLiteral("select * from ") + StationSchema::shiftTable(), {} };
    const bool plant = dialect() == SqlDialect::Plant;
    if (plant) {
        // The sync stamps all of a station's rows with one last_seen: the
        // greatest is what the station holds now.
        statement.text = QStringLiteral(
            "select s.* from shifts s join (select station,max(last_seen) seen from shifts group by "
            "station) c on s.station = c.station and s.last_seen = c.seen");
        if (!station.isEmpty()) {
            statement.text += QStringLiteral(" where s.station = ?");
            statement.values << station;
        }
        statement.text += QStringLiteral(" order by s.station,s.uid");
    }
    QSqlQuery rows;
    if (!runDetached(statement, rows))
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
            shifts->add(plant ? rows.value(QStringLiteral("station")).toString() : QString(), shift);
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
    return insertRecord(StationSchema::shiftTable(), values);
}

bool DetectDataDB::deleteShift(ShiftRecord shift)
{
    const QString sql
        = deleteSql(StationSchema::shiftTable(), equalsClause(QStringLiteral("type"), shift.type));
    return runStatement(sql, Access::Write).isActive();
}

bool DetectDataDB::insertDetection(QVariantMap record)
{
    QStringList placeholders;
    for (const QString& key : record.keys())
        placeholders.append(QLatin1Char(':') + key);
    const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                            .arg(StationSchema::detectionTable(), record.keys().join(QLatin1Char(',')),
                                placeholders.join(QLatin1Char(',')));
    QSqlQuery query;
    if (!prepareStatement(query, sql))
        return false;
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        query.bindValue(QLatin1Char(':') + it.key(), it.value(), QSql::In);
    // The outcome is reported: a failed insert must not look like a stored record.
    return execPrepared(query);
}

bool DetectDataDB::readStations(QStringList* stations)
{
    stations->clear();
    if (dialect() != SqlDialect::Plant)
        return true;
    return forEachRow(
        QStringLiteral("select station from stations order by station"), [stations](const QSqlQuery& row) {
            stations->append(row.value(0).toString());
            return true;
        });
}

bool DetectDataDB::readPlantModels(QStringList* models)
{
    models->clear();
    if (dialect() != SqlDialect::Plant)
        return true;
    return forEachRow(
        QStringLiteral("select distinct model from models order by model"), [models](const QSqlQuery& row) {
            models->append(row.value(0).toString());
            return true;
        });
}
