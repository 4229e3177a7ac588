#include "recordindex.h"

#include "indexfile.h"
#include "indexsync.h"

#include <QThread>

RecordIndex::RecordIndex(const QString& stationPath, const QString& cacheDir, QObject* parent)
    : QObject(parent)
    , m_Reader(stationPath, IndexFile::pathFor(stationPath, cacheDir))
    , m_pStop(std::make_shared<std::atomic<bool>>(false))
{
    m_Timer.setInterval(5000);
    connect(&m_Timer, &QTimer::timeout, this, &RecordIndex::requestSync);
}

RecordIndex::~RecordIndex()
{
    stop();
}

void RecordIndex::setSyncInterval(int ms)
{
    m_Timer.setInterval(qMax(0, ms));
}

void RecordIndex::setChunk(int rows, int ms)
{
    m_nChunkRows = rows;
    m_nChunkMs = ms;
}

void RecordIndex::start()
{
    if (m_pThread)
        return;
    m_pStop->store(false);
    m_pThread = new QThread;
    m_pThread->setObjectName(QStringLiteral("record index"));
    m_pSync = new IndexSync(m_Reader.stationPath(), m_Reader.indexPath(), m_pStop);
    if (m_nChunkRows > 0)
        m_pSync->setChunk(m_nChunkRows, m_nChunkMs > 0 ? m_nChunkMs : IndexSync::ChunkMs);
    m_pSync->moveToThread(m_pThread);
    connect(m_pThread, &QThread::finished, m_pSync, &QObject::deleteLater);
    connect(m_pSync, &IndexSync::progress, this, &RecordIndex::progress);
    connect(m_pSync, &IndexSync::passFinished, this, &RecordIndex::onPassFinished);
    m_pThread->start(QThread::LowPriority);
    requestSync();
    if (m_Timer.interval() > 0)
        m_Timer.start();
}

void RecordIndex::stop()
{
    m_Timer.stop();
    if (!m_pThread)
        return;
    // Interrupts the statement that runs and every later one; the queued
    // passes then return at once.
    m_pStop->store(true);
    m_pThread->quit();
    m_pThread->wait();
    delete m_pThread; // the worker went with finished -> deleteLater
    m_pThread = nullptr;
    m_pSync = nullptr;
}

void RecordIndex::requestSync()
{
    if (!m_pSync || m_bQueued.exchange(true))
        return;
    IndexSync* sync = m_pSync;
    QMetaObject::invokeMethod(
        sync,
        [this, sync]() {
            m_bQueued.store(false);
            sync->syncNow();
        },
        Qt::QueuedConnection);
}

void RecordIndex::onPassFinished(bool inStep, const QString& reason)
{
    m_bInStep = inStep;
    m_LastReason = inStep ? QString() : reason;
    emit passFinished(inStep, reason);
}
