#ifndef PLANTSERVER_H
#define PLANTSERVER_H

#include "boundstatement.h"
#include "stationfile.h"
#include "syncsettings.h"
#include "synctable.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <map>

// The sync's connection to the plant archive (server/schema.sql) through Qt's
// QMYSQL driver, for one station: its position, new epochs, and batches of
// rows. The account writes only through the archive's procedures: a batch's
// rows go into the session's batch table, and one call moves them to the
// archive with the position they reach and, for records, their day counts,
// all in one transaction. Rows the archive holds already are left out, so a
// batch sent again after a lost connection changes nothing.
//
// Threads: one object in one thread. While open it holds its station on the
// server (a lock no reader can take), so a second sync of the station cannot run.
class PlantServer
{
public:
    enum class Failure
    {
        None,
        Transient, // connection lost, server restarting, lock or deadlock: try again
        Settings, // access denied, no such database, no archive schema
        Other
    };
    // What a server error means for the sync (by the server's error number).
    static Failure classify(const QSqlError& error);

    struct Position
    {
        bool exists = false; // the station has synced before
        quint32 epoch = 0;
        qint64 recordUid = 0;
        QByteArray recordMark;
        QString recordTime;
        bool hasRecordTime = false;
        qint64 logUid = 0;
        QByteArray logMark;
        QByteArray recordWitnesses; // SyncWitnesses::toText()
        QByteArray logWitnesses;
    };

    explicit PlantServer(const SyncSettings& settings);
    ~PlantServer();

    // Connects, sets up the session, checks the archive's tables and takes the
    // station's lock.
    bool open();
    void close();
    bool isOpen() const { return m_bOpen; }
    Failure failure() const { return m_Failure; }
    QString errorString() const { return m_Error; }

    bool readPosition(Position* position);
    // The station's next epoch (its first when it has none): a station_files
    // row and the position reset, in one transaction. *position becomes the new one.
    bool beginEpoch(
        Position* position, const QString& filePath, const QByteArray& fileId, const QString& reason);

    // Inserts rows of table (records or logs) and moves the position to the
    // last of them (its mark and, for records, its time) in one transaction,
    // together with the new records' day counts.
    // *adjusted counts values that did not fit their column.
    bool writeRows(const SyncTable& table, Position* position, const QVector<StationFile::TableRow>& rows,
        int* adjusted);
    // All of the station's shifts or model names, stamped with one last_seen.
    bool writeShifts(const Position& position, const QVector<StationFile::TableRow>& rows);
    bool writeModels(const QStringList& models);

    // Pictures left out since the last call: larger than the server takes in
    // one packet (max_allowed_packet) or its column holds.
    int takeDroppedPictures();
    // A warning about the settings (an option file others may read), once.
    QString takeWarning();

    // Called after a batch's rows are inserted, before its commit (tests
    // interrupt the server there).
    void setBeforeCommit(std::function<void()> hook) { m_BeforeCommit = std::move(hook); }

private:
    Q_DISABLE_COPY(PlantServer)

    bool fail(const QSqlError& error, const QString& what);
    bool exec(QSqlQuery& query, const QString& what);
    bool run(const BoundStatement& statement, const QString& what);
    bool commit(const QString& what);
    void rollBack();
    // Inserts rows into the session's batch table of table in statements of
    // up to StatementRows rows.
    QSqlQuery* insertStatement(const SyncTable& table, int rows);
    bool insertRows(const SyncTable& table, const QVector<StationFile::TableRow>& rows, int* adjusted);

    SyncSettings m_Settings;
    QString m_Connection;
    bool m_bOpen = false;
    Failure m_Failure = Failure::None;
    QString m_Error;
    std::map<QString, QSqlQuery> m_Statements; // prepared, by text
    std::function<void()> m_BeforeCommit;
    qint64 m_PictureLimit = 0; // largest picture sent, from the server's packet limit
    int m_DroppedPictures = 0;
    QString m_Warning;
    bool m_bWarned = false;
    int m_BatchPictures = 0; // in the batch being written
};

#endif // PLANTSERVER_H
