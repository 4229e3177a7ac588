#include "statisticspage.h"

#include "countchart.h"
#include "csvwriter.h"
#include "detectdatadb.h"
#include "pagechecks.h"
#include "pagehost.h"
#include "pagetables.h"
#include "qreportwidget.h"
#include "rangequery.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>

StatisticsPage::StatisticsPage(PageHost* host, DetectDataDB* db, QMap<QString, int>& counts, bool& counting,
    const StatisticsWidgets& widgets)
    : m_pHost(host)
    , m_pDB(db)
    , m_rCounts(counts)
    , m_rCounting(counting)
    , m_W(widgets)
{
}

void StatisticsPage::query(
    const QDateTime& start, const QDateTime& end, const QMap<QString, ShiftRecord>& shifts)
{
    if (PageChecks::refuseWhileBusy(m_pHost, m_bBusy))
        return;
    m_bBusy = true;
    const QString problem = PageChecks::dateProblem(start, end, shifts, m_W.shift->currentText(), true);
    if (!problem.isEmpty()) {
        m_pHost->showMessageBox(
            QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"), problem, 0);
        m_bBusy = false;
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    startCount(m_W.start->text(), m_W.end->text());
    QApplication::restoreOverrideCursor();
    m_bBusy = false;
}

void StatisticsPage::startCount(const QString& time1, const QString& time2)
{
    if (m_rCounting)
        return;
    m_rCounting = true;
    m_Cancel.reset();
    m_bCancelled = false;
    m_Error.clear();
    m_KeptCounts = m_rCounts;
    m_KeptStart = m_CountStart;
    m_KeptEnd = m_CountEnd;
    m_KeptStation = m_CountStation;
    m_rCounts.clear();
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    m_CountStart = QDateTime::fromString(time1, format);
    m_CountEnd = QDateTime::fromString(time2, format);
    m_CountStation = PageChecks::chosenStation(m_W.station);
    emit sgCount(RangeQuery::allModels(time1, time2).atStation(m_CountStation));
}

void StatisticsPage::onResult(QString result, const QMap<QString, int>* p)
{
    const bool shown = showResult(result, p);
    if (m_W.chart)
        m_W.chart->showCounts(m_rCounts);
    if (shown)
        m_pHost->pageShown();
}

void StatisticsPage::onError(QString message)
{
    if (m_bCancelled)
        return; // the user stopped it; the page says so
    noteError(message);
    m_pHost->showStatus(QCoreApplication::translate("hxReport", "统计失败：%1").arg(message));
}

void StatisticsPage::cancel()
{
    m_bCancelled = true;
    m_Cancel.cancel();
}

bool StatisticsPage::showResult(const QString& result, const QMap<QString, int>* p)
{
    if (m_bCancelled) {
        m_bCancelled = false;
        delete p;
        m_rCounts = m_KeptCounts;
        m_CountStart = m_KeptStart;
        m_CountEnd = m_KeptEnd;
        m_CountStation = m_KeptStation;
        m_rCounting = false;
        m_pHost->showStatus(QCoreApplication::translate("hxReport", "已取消"));
        return false;
    }
    m_W.report->clearReport();
    const QString station = m_CountStation.isEmpty() ? QString() : CsvWriter::stationLabel(m_CountStation);
    if (!m_Error.isEmpty()) {
        m_W.report->setTitle(QCoreApplication::translate("hxReport", "统计失败：%1").arg(m_Error)
            + QLatin1Char(' ') + station);
        m_W.report->updateTable();
        m_Error.clear();
        m_rCounts.clear();
        m_rCounting = false;
        delete p;
        return true;
    }
    m_W.report->setTitle(QCoreApplication::translate("hxReport", "统计结果 ") + station);
    if (!p) {
        m_rCounting = false;
        return false;
    }
    m_rCounts = *p;
    PageTables::showCounts(m_W.report, m_rCounts, result.toInt());
    m_rCounting = false;
    delete p;
    return true;
}
