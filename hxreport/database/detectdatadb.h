#ifndef DETECTDATADB_H
#define DETECTDATADB_H

#include "databasesql.h"
#include "shiftrecord.h"
#include "stationshifts.h"

#include <QMap>

// The detection database wheelhubwf.db that the station writes. The viewer only
// reads it, apart from creating the tables (and their indexes) that are missing.
// Made with Qt's MariaDB driver it reads the plant archive instead, and
// creates nothing there.
class DetectDataDB : public DataBaseSql
{
    Q_OBJECT
public:
    explicit DetectDataDB(const QString& databasePath, const QString& driverName);

    bool openDatabase() override;
    // For readers that must leave the file as it is (the command line): opens
    // the station file read only and checks that it holds the detection and
    // log tables, creating nothing; on the plant server the same as
    // openDatabase(). False with *problem set otherwise.
    bool openForReading(QString* problem);
    // Whether a stored record carries the model; with station, one of that
    // station's records on the plant server.
    bool hasRecordsOfModel(const QString& model, const QString& station = QString());
    // The models of the stored records, each once, sorted.
    bool readRecordModels(QStringList* models, const QString& station = QString());
    bool execSql(QString sql, QSqlQuery& result) override;
    bool queryRecords(QVariantMap request, QSqlQuery& result) override;
    bool insertLog(LogRecord record) override;
    bool trimLogClass(int logClass, int keepCount) override;
    bool clearAll() override;
    bool deleteBefore(QString time) override;

    // The station's shifts by name, added to shifts. On the plant server the
    // current shifts (the rows of the station's last sync) of that station,
    // or with no station the plant's (StationShifts::of).
    bool readShifts(QMap<QString, ShiftRecord>* shifts, const QString& station = QString());
    // The same for every station at once (a station file's under ""), the
    // archive's stations added in the order of their names.
    bool readShifts(StationShifts* shifts, const QString& station = QString());
    bool insertShift(ShiftRecord shift);
    bool deleteShift(ShiftRecord shift);
    bool insertDetection(QVariantMap record);

    // On the plant server: the stations in the archive, and the names of
    // every station's model list, each once; empty lists for a station file.
    bool readStations(QStringList* stations);
    bool readPlantModels(QStringList* models);
};

#endif // DETECTDATADB_H
