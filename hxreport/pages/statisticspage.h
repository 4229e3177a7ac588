#ifndef STATISTICSPAGE_H
#define STATISTICSPAGE_H

#include "cancelflag.h"
#include "rangequery.h"
#include "shiftrecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QVariantMap>

#include <functional>

class CountChart;
class DetectDataDB;
class PageHost;
class QComboBox;
class QLabel;
class QReportWidget;

struct StatisticsWidgets
{
    QComboBox* shift = nullptr;
    QLabel* start = nullptr;
    QLabel* end = nullptr;
    QReportWidget* report = nullptr;
    QComboBox* station = nullptr; // on the plant server only
    CountChart* chart = nullptr; // the counts as bars beside the table
};

// The statistics page: date check, the grouping request to the count worker
// (sgCount, whose answer comes back to onResult()) and the table of counts
// with "NG" and the total. The last result and the request flag are the
// window's (counts, counting). UI thread only.
class StatisticsPage : public QObject
{
    Q_OBJECT
public:
    StatisticsPage(PageHost* host, DetectDataDB* db, QMap<QString, int>& counts, bool& counting,
        const StatisticsWidgets& widgets);

    // The Query button.
    void query(const QDateTime& start, const QDateTime& end, const QMap<QString, ShiftRecord>& shifts);
    void startCount(const QString& time1, const QString& time2);
    // Shows a result and deletes p (the worker hands over its map); false
    // when there was none or the count was cancelled (the page then stays as
    // it was before it).
    bool showResult(const QString& result, const QMap<QString, int>* p);
    // The Cancel of the waiting dialog: stops the count on its worker.
    void cancel();
    bool isCancelling() const { return m_bCancelled; }
    // The running count failed: its result shows as failed, not as zeros.
    void noteError(const QString& message) { m_Error = message; }
    // Given to the count worker, which serves the page's counts.
    const CancelFlag* cancelFlag() const { return &m_Cancel; }

    // The range of the last count, printed in the statistics file.
    QDateTime countStart() const { return m_CountStart; }
    QDateTime countEnd() const { return m_CountEnd; }
    // The station counted on the plant server; empty for the whole plant.
    QString countStation() const { return m_CountStation; }

signals:
    // The range to count, for the count worker.
    void sgCount(RangeQuery range);

public slots:
    // The count worker's answer (p handed over), shown with the chart and
    // said to the host.
    void onResult(QString result, const QMap<QString, int>* p);
    // The count worker's failure, before its result.
    void onError(QString message);

private:
    PageHost* m_pHost;
    DetectDataDB* m_pDB;
    QMap<QString, int>& m_rCounts;
    bool& m_rCounting;
    StatisticsWidgets m_W;
    QDateTime m_CountStart;
    QDateTime m_CountEnd;
    QString m_CountStation;
    CancelFlag m_Cancel;
    bool m_bCancelled = false;
    QString m_Error; // of the running count
    QMap<QString, int> m_KeptCounts;
    QDateTime m_KeptStart;
    QDateTime m_KeptEnd;
    QString m_KeptStation;
    bool m_bBusy = false;
};

#endif // STATISTICSPAGE_H
