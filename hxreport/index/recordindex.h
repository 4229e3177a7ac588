#ifndef RECORDINDEX_H
#define RECORDINDEX_H

#include "indexreader.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class IndexSync;
class QThread;

// The viewer's own index of the station's detection records: time, model,
// uid and the small measured values of every record, without thumbnails, in
// a file of its own (IndexFile::pathFor: the user's cache folder, never the
// station's folder or files). Counts per model, a model's count and the uids
// of a model's page then read about 40 bytes per record instead of each
// record's row with its thumbnail.
//
// The index is a cache: the station file stays the truth. Every answer (see
// IndexReader) is given only when the index is in step with the station for
// the range; otherwise, and whenever the index file cannot be made, is
// damaged or is behind, the answer says "not available" with a reason and
// the caller runs the direct statement.
//
// Keeping in step runs on a worker thread of this object (IndexSync): at
// start(), on requestSync() and every syncInterval milliseconds. Progress of
// a pass is reported by progress(done, total).
//
// Thread: create, start, stop and destroy in one thread (the GUI thread);
// reader() may be used from any thread. Neither start() nor stop() waits for
// the station: stop() interrupts a running statement and a lock wait, so it
// returns within one chunk's time.
class RecordIndex : public QObject
{
    Q_OBJECT
public:
    // cacheDir: where the index file goes; empty for the user's cache folder.
    explicit RecordIndex(
        const QString& stationPath, const QString& cacheDir = QString(), QObject* parent = nullptr);
    ~RecordIndex() override;

    // Before start(): time between passes (0: only on request), chunk size.
    void setSyncInterval(int ms);
    void setChunk(int rows, int ms);

    void start();
    void stop();
    // Queues a pass unless one is already queued.
    void requestSync();

    QString indexPath() const { return m_Reader.indexPath(); }
    const IndexReader& reader() const { return m_Reader; }
    // Reason of the last pass that did not end in step ("" after one that did).
    QString lastReason() const { return m_LastReason; }
    bool isInStep() const { return m_bInStep; }

signals:
    void progress(qint64 done, qint64 total);
    void passFinished(bool inStep, const QString& reason);

private:
    Q_DISABLE_COPY(RecordIndex)

    void onPassFinished(bool inStep, const QString& reason);

    IndexReader m_Reader;
    QThread* m_pThread = nullptr;
    IndexSync* m_pSync = nullptr;
    std::shared_ptr<std::atomic<bool>> m_pStop;
    std::atomic<bool> m_bQueued { false };
    QTimer m_Timer;
    int m_nChunkRows = 0;
    int m_nChunkMs = 0;
    QString m_LastReason;
    bool m_bInStep = false;
};

#endif // RECORDINDEX_H
