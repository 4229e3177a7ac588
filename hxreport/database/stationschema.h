#ifndef STATIONSCHEMA_H
#define STATIONSCHEMA_H

#include <QString>
#include <QStringList>
#include <QVariantMap>

// The kinds of statement DataBaseSql::buildQuerySql() makes; the request's
// "Type" holds the number.
enum class QueryKind
{
    AtTime = 0, // production records of one time
    ModelInRange = 1, // production records of one model in a range
    AllInRange = 2, // every production record in a range
    LogInRange = 3, // log records of one class in a range, newest first
    ModelsInRange = 4, // the range again, for the per-model statistics
    ByUid = 5, // one production record by its key
};

// The station's log classes, as stored in the log table's class column.
enum class LogClass
{
    None = 0, // the log page's "none chosen": a class no record has
    Alarm = 1,
    State = 4,
    Usage = 5,
};

// Columns of the production page's table model; Uid is kept hidden and names
// the record a double click opens.
enum class ProductionColumn
{
    Time = 0,
    Model,
    Correlate,
    DetectTime,
    Diameter,
    Height,
    Picture,
    Uid,
};

// The names in the station's file that the viewer reads, in one place: every
// statement builder takes its table and column names from here, and the
// tables the viewer creates when missing are defined here. The names and
// types are the station's own (including its spelling "hight").
class StationSchema
{
public:
    // How long a statement waits for the station's write lock before failing.
    static const int BusyTimeoutMs = 5000;
    // Connect options that state the wait for Qt's SQLite driver.
    static QString busyTimeoutOption();

    static QString detectionTable(); // production records
    static QString logTable();
    static QString shiftTable();
    static QString modelTable(); // in the model template file

    static QString keyColumn(); // "uid" in every table
    static QString timeColumn(); // production and log records
    static QString modelColumn();
    static QString logClassColumn();
    static QString messageColumn();

    // Column definitions (name to type) of the tables created when missing,
    // beside the key column.
    static QVariantMap detectionColumns();
    static QVariantMap shiftColumns();
    static QVariantMap logColumns();
    // The time indexes created with the production and log tables.
    static QString detectionIndexSql();
    static QString logIndexSql();
    // CREATE TABLE statements as the viewer itself would create the tables.
    static QString createDetectionTableSql();
    static QString createShiftTableSql();
    static QString createLogTableSql();
    // The model template file's table, as the station creates it.
    static QString createModelTableSql();
    // The key's type in every table the viewer creates.
    static QString keyType();

    // Columns the production page shows, in the order of ProductionColumn.
    static const QStringList& productionPageColumns();
    // Columns the record exports write, in file order (without the key).
    static const QStringList& productionExportColumns();
    static const QStringList& logExportColumns();

    static int toInt(LogClass logClass) { return static_cast<int>(logClass); }
    // Any number: a class the station may add later is still asked as written.
    static LogClass toLogClass(int value) { return static_cast<LogClass>(value); }
    static int toInt(QueryKind kind) { return static_cast<int>(kind); }
    static int toInt(ProductionColumn column) { return static_cast<int>(column); }
};

#endif // STATIONSCHEMA_H
