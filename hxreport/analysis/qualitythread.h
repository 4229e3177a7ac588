#ifndef QUALITYTHREAD_H
#define QUALITYTHREAD_H

#include "indexreader.h"
#include "qualityanalysis.h"

#include <QThread>

#include <atomic>

// Runs one QualityAnalysis on a thread of its own; the result is read after
// finished(). Never reused; the owner deletes it.
class QualityThread : public QThread
{
    Q_OBJECT
public:
    // withIndex: ask index first (a copy is kept; the reader opens its own
    // connections in this thread).
    QualityThread(const QString& stationPath, const QualityRequest& request, bool withIndex,
        const IndexReader& index, QObject* parent = nullptr);
    // On the plant archive: the records of station (empty: every station)
    // through plant's connection of this thread.
    QualityThread(const DataBaseSql* plant, const QString& station, const QualityRequest& request,
        QObject* parent = nullptr);

    // Stops the pass (any thread); the run then fails.
    void cancel() { m_Stop = true; }
    bool isCancelled() const { return m_Stop; }
    bool ok() const { return m_bOk; }
    const QualityResult& result() const { return m_Result; }
    QString errorString() const { return m_Error; }

protected:
    void run() override;

private:
    QString m_StationPath;
    QualityRequest m_Request;
    bool m_bWithIndex = false;
    IndexReader m_Index;
    const DataBaseSql* m_pPlant = nullptr;
    QString m_Station;
    std::atomic<bool> m_Stop { false };
    bool m_bOk = false;
    QualityResult m_Result;
    QString m_Error;
};

#endif // QUALITYTHREAD_H
