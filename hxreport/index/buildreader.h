#ifndef BUILDREADER_H
#define BUILDREADER_H

#include "buildchunk.h"
#include "sqlitehandle.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class StationFile;

// The reading half of the index's first build, on a thread of its own: it
// reads the station's records up to the build's target uid in the station's
// order (NULL times by uid, then the rest in (time, uid) order) and hands
// them over in chunks, while the index's thread inserts the chunks before.
// Reading and inserting cost about the same, so the two together take about
// as long as one of them.
//
// Each chunk is one short read statement on the station file (at most
// chunkRows records or about chunkMs, the size following the time a chunk
// takes), so the station's lock is held only while a chunk is read, never
// while it is written. At most two chunks wait.
//
// Threads: start(), next(), stop() and the destructor belong to the thread
// that made the reader.
class BuildReader
{
public:
    // Where the build goes on: after (time, uid) in the station's order
    // (a NULL time: among the NULL times), or from the start.
    struct Cursor
    {
        qint64 target = 0; // the last uid the build reads
        bool started = false;
        SqliteValue time;
        qint64 uid = 0;
    };

    BuildReader(const QString& stationPath, const std::atomic<bool>* interrupt, int chunkRows, int chunkMs);
    ~BuildReader();
    BuildReader(const BuildReader&) = delete;
    BuildReader& operator=(const BuildReader&) = delete;

    void start(const Cursor& from);
    // The next chunk; false when reading failed or was stopped
    // (errorString()). The last chunk of the build is marked finished.
    bool next(BuildChunk* chunk);
    // Whether a chunk is waiting (next() would not wait).
    bool hasReady() const;
    // Ends the reading thread (after the chunk it is reading).
    void stop();
    QString errorString() const;

private:
    void run();
    bool readChunk(StationFile& station, const QByteArray& list, BuildChunk* chunk);
    // Reads one statement's records into chunk; *found: how many.
    bool readPart(StationFile& station, const QByteArray& sql, int wanted, BuildChunk* chunk, qint64 started,
        int* found, bool* stoppedEarly);
    int slotOf(sqlite3_value* model, BuildChunk* chunk);
    void addHour(BuildChunk* chunk, int slot, qint64 ti, bool odd);
    void flushHours(BuildChunk* chunk);

    QString m_StationPath;
    const std::atomic<bool>* m_pInterrupt;
    int m_nChunkRows;
    int m_nChunkMs;
    int m_nRows; // records per chunk, following its time
    Cursor m_Cursor;
    bool m_bInNulls = true;

    // Model slots: text models by their bytes, others by type and bytes.
    QVector<QPair<QByteArray, int>> m_RecentText;
    QHash<QByteArray, int> m_TextSlots;
    QHash<QByteArray, int> m_OtherSlots;
    int m_nSlots = 0;
    // The hour being counted of each slot.
    QVector<BuildChunk::HourCount> m_OpenHours;

    std::thread m_Thread;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<BuildChunk> m_Ready;
    bool m_bStop = false;
    bool m_bDone = false;
    bool m_bFailed = false;
    QString m_Error;
};

#endif // BUILDREADER_H
