#ifndef INDEXSYNC_H
#define INDEXSYNC_H

#include "chunktable.h"
#include "indexfile.h"
#include "stationfile.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class BuildChunk;
class BuildReader;
struct sqlite3_value;

// Builds and keeps the index file in step with the station file: the worker
// of RecordIndex, a QObject moved to its own thread.
//
// A pass (syncNow):
// 1. Opens the index (creating it; a file of another version, of another
//    station file, damaged or not a database is made anew, and so is one
//    deleted since the last pass) and the station file read-only.
// 2. Checks in one station read transaction what has changed since the last
//    pass, and repairs or starts again (see checkStation()).
// 3. A first build copies the records in time order, chunk by chunk: a
//    BuildReader reads them on a thread of its own (the time from the time
//    index's entry, the rest from each record's start: no thumbnail is
//    read), while this thread puts the chunks before into the index, one
//    INSERT..SELECT from the chunk each (ChunkTable). Later, and after
//    the build, reads the records after the last indexed uid in chunks (at
//    most ChunkRows records or ChunkMs each). Each chunk is one short read
//    transaction on the station; its records go into the index in one
//    commit together with their hour counts and the new state (a build puts
//    the chunks that wait into one commit), so an interrupted build resumes
//    at the next pass where it stopped. Repairs change the hour counts in
//    the same transaction too.
// Progress by signal, done of total records to read in this pass.
//
// Thread: everything runs in the worker thread (a build's reader on one of
// its own, for the pass), except requestStop(), which any thread may call (it
// also interrupts a running statement).
class IndexSync : public QObject
{
    Q_OBJECT
public:
    static const int ChunkRows = 4000;
    static const int ChunkMs = 50;

    IndexSync(const QString& stationPath, const QString& indexPath, std::shared_ptr<std::atomic<bool>> stop,
        QObject* parent = nullptr);
    ~IndexSync() override;

    // Rows and time per chunk (tests use small chunks).
    void setChunk(int rows, int ms);

public slots:
    void syncNow();

signals:
    void progress(qint64 done, qint64 total);
    // After each pass: inStep when the index holds every record the station
    // had at its end; reason says why not otherwise.
    void passFinished(bool inStep, const QString& reason);

private:
    bool openIndex(QString* reason);
    bool reset(const QStringList& types, const QByteArray& fileId, QString* reason);
    // Step 2; false (with reason) when the pass cannot go on.
    // checked: what the station showed.
    bool checkStation(StationFile& station, StationFile::Check* checked, QString* reason);
    // anyOld: the station still has a record up to lastUid.
    bool repair(const StationFile::Check& check, bool anyOld, QString* reason);
    // Whether a record (time, uid) comes before the index's first record in
    // the station's order (ORDER BY time, uid; NULL times never do).
    bool isBefore(const SqliteValue& time, qint64 uid, const IndexFile::State& state, bool* before);
    struct Batch;
    // One record into the index (values in StationFile::columns() order).
    bool addRecord(Batch& batch, qint64 uid, const sqlite3_value* const* values, IndexFile::State* next);
    bool finishBatch(Batch& batch, IndexFile::State* next);
    bool insertRows(const QVector<StationFile::Row>& rows, IndexFile::State* next);
    bool commitOrRollBack(bool ok, const IndexFile::State& next);
    bool writeChunk(const QVector<StationFile::Row>& rows, bool caughtUp, const StationFile::Check& check);
    // The first build: the chunks the reader has ready (at least one) in one
    // transaction with their hours and the build's new position.
    bool writeBuild(BuildReader& reader, qint64* read, QString* reason);
    bool addBuildChunk(const BuildChunk& chunk, IndexFile::State* next);
    // Counts the hours firstHour..lastHour of every model again from rec.
    bool recountHours(qint64 firstHour, qint64 lastHour);
    void reloadModels();
    bool modelId(const SqliteValue& model, qint64* id);
    bool pass(QString* reason);
    bool failIndex(QString* reason, const QString& what);

    QString m_StationPath;
    QString m_IndexPath;
    QString m_Canonical;
    std::shared_ptr<std::atomic<bool>> m_pStop;
    SqliteConnection m_Index;
    IndexFile::State m_State;
    QStringList m_Types;
    QHash<QByteArray, qint64> m_ModelIds; // by type and bytes of the value
    QVector<qint64> m_SlotIds; // the build reader's model slots: their ids
    ChunkTable m_ChunkTable;
    int m_nChunkRows = ChunkRows;
    int m_nChunkMs = ChunkMs;
};

#endif // INDEXSYNC_H
