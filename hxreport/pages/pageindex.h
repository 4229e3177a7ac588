#ifndef PAGEINDEX_H
#define PAGEINDEX_H

#include "indexreader.h"
#include "quickanswers.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QWaitCondition>

#include <atomic>
#include <functional>

class DetectDataDB;
class QLabel;
class QStatusBar;
class RecordIndex;

// The window's record index of the station file (RecordIndex, in
// AppPaths::indexFolder() or the user's cache folder), and the answers the
// pages' workers take from it: the statistics counts, one model's count and
// one model's pages (the page's uids from the index, then exactly those rows
// from the station file). Whenever the index cannot answer, the worker runs
// its direct statements and the status bar says so in one line.
//
// The index starts once the event loop runs, so it never delays start-up;
// stop() interrupts a build, which resumes at the next start. A first build
// (or any pass with many records to read) shows its progress in the status
// bar.
//
// Threads: made, started and stopped in the GUI thread; the answers are
// asked from the workers' threads.
class PageIndex : public QObject, public QuickAnswers
{
    Q_OBJECT
public:
    // db: the station file, also read for a page's rows (not owned). bar:
    // where progress and notes go (not owned; may be null).
    PageIndex(DetectDataDB* db, QStatusBar* bar, QObject* parent = nullptr);
    ~PageIndex() override;

    RecordIndex* recordIndex() const { return m_pIndex; }
    // Where progress and notes go from now on (not owned; may be null).
    void setStatusBar(QStatusBar* bar);
    void start();
    void stop();

    bool countByModel(const RangeQuery& range, int* total, QMap<QString, int>* counts) override;
    bool countOf(const RangeQuery& range, int* count) override;
    bool pageOf(const RangeQuery& range, QSqlQuery* rows) override;
    // Whether the index holds a range's answers: production records of the
    // station file in time1 < time < time2, of one model unless allModels.
    static bool holds(const RangeQuery& range, bool allModels = false);

    // A pass with at least this many records to read shows its progress.
    static const int ProgressMin = 1000;
    // How long an answer waits for a sync when the index was in step but the
    // station has written records into the range since.
    static const int SyncWaitMs = 1000;

signals:
    // A page answered directly because the index could not (from any thread).
    void answeredDirectly(const QString& reason);

private:
    // The index's answer when it has one; otherwise, when the index was in
    // step at its last pass, one more try after a sync.
    template <class T> bool ask(const std::function<IndexAnswer<T>()>& query, T* value);
    bool waitForPass(qint64 passesBefore);
    void direct(const QString& reason);
    void onProgress(qint64 done, qint64 total);
    void onPassFinished(bool inStep);
    void showNote();

    DetectDataDB* m_pDB;
    QPointer<QStatusBar> m_pBar;
    QPointer<QLabel> m_pProgress; // the status bar's, which may go first
    RecordIndex* m_pIndex;
    IndexReader m_Reader; // a copy: the workers' threads read it
    std::atomic<bool> m_bStopped { false };
    std::atomic<bool> m_bInStep { false };
    QMutex m_PassMutex;
    QWaitCondition m_PassDone;
    qint64 m_nPasses = 0;
};

#endif // PAGEINDEX_H
