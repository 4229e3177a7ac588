#include "logpage.h"

#include "checkthread.h"
#include "detectdatadb.h"
#include "pagechecks.h"
#include "pagehost.h"
#include "pagetables.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

#include <memory>

LogPage::LogPage(PageHost* host, DetectDataDB* db, QStandardItemModel*& model, const LogWidgets& widgets)
    : PagedPage(host, db, widgets.paging)
    , m_rModel(model)
    , m_W(widgets)
{
}

void LogPage::query()
{
    if (PageChecks::refuseWhileBusy(m_pHost, m_bBusy))
        return;
    m_bBusy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString start = m_W.start->text();
    const QString end = m_W.end->text();
    m_pHost->noteOperation(QCoreApplication::translate("hxReport", "查询了%1-%2的日志数据").arg(start, end));
    keepForCancel();
    setTitle(QCoreApplication::translate("hxReport", "起始时间:%1 到 结束时间:%2 的历史记录").arg(start, end),
        false);
    check(kind(), start, end);
    QApplication::restoreOverrideCursor();
    m_bBusy = false;
}

LogClass LogPage::kind() const
{
    const QString text = m_W.kind->currentText();
    if (text == QCoreApplication::translate("hxReport", "使用记录查询"))
        return LogClass::Usage;
    if (text == QCoreApplication::translate("hxReport", "报警记录查询"))
        return LogClass::Alarm;
    if (text == QCoreApplication::translate("hxReport", "运行状态查询"))
        return LogClass::State;
    return LogClass::None;
}

RangeQuery LogPage::currentRange() const
{
    return rangeOf(m_W.start->text(), m_W.end->text(), kind());
}

RangeQuery LogPage::rangeOf(const QString& start, const QString& end, LogClass logKind) const
{
    return RangeQuery::log(start, end, logKind).atStation(PageChecks::chosenStation(m_W.station));
}

void LogPage::check(LogClass logKind, const QString& start, const QString& end)
{
    if (!m_bBusy) // called on its own, not from query()
        keepForCancel();
    // Later pages continue this query, whatever the widgets say by then.
    m_Shown = rangeOf(start, end, logKind);
    m_Cursor.offset = 0;
    m_Cursor.total = 0;
    // A failed count is no count of 0: it arrives before the count's slot.
    auto failure = std::make_shared<QString>();
    const QPointer<CheckThread> count = startQueryThread(
        CheckMode::Count, SIGNAL(resultCount(int)), SLOT(onCount(int)),
        [this, failure](CheckThread* thread) {
            thread->setRange(m_Shown);
            QObject::connect(thread, &CheckThread::failed, m_Paging.title,
                [failure](const QString& reason) { *failure = reason; });
        },
        this);
    bool cancelled = false;
    const bool finished
        = m_pHost->waitForFinishCancelable(QCoreApplication::translate("hxReport", "正在查询记录，请稍等"),
            QCoreApplication::translate("hxReport", "正在查询…"), [&] {
                cancelled = true;
                if (count)
                    count->cancel();
            });
    if (!finished)
        return;
    if (cancelled) {
        restoreAfterCancel();
        return;
    }
    if (!failure->isEmpty()) {
        if (m_rModel)
            m_rModel->removeRows(0, m_rModel->rowCount());
        showFailure(start, end, *failure);
        m_pHost->pageShown(); // the failure is what the page shows
        return;
    }

    const int size = pageSize();
    startQueryThread(
        CheckMode::Rows, SIGNAL(resultReady(QSqlQuery)), SLOT(onPageRows(QSqlQuery)),
        [this, size](CheckThread* thread) { thread->setRange(m_Shown.page(size, m_Cursor.offset)); }, this);
    setTitle(titleOfCount()(m_Cursor.total), true);
    startPages(m_Cursor.total, size);
}

std::function<QString(int)> LogPage::titleOfCount() const
{
    // Copies only: the export calls it on its own thread.
    const QString format = QCoreApplication::translate("hxReport", "从%1 到 %2 的记录 共%3条")
                               .arg(m_Shown.lower(), m_Shown.upper());
    const QString station = m_Shown.station();
    return [format, station](int total) { return withStation(QString(format).arg(total), station); };
}

void LogPage::onPagingButton(const QString& name)
{
    const bool forward = name == QLatin1String("Next_checklog");
    if (!forward && name != QLatin1String("Prev_checklog"))
        return;
    requestPage(forward, SLOT(onPageRows(QSqlQuery)), this);
}

void LogPage::onCount(int total)
{
    setTotal(total);
    m_pHost->finishWait();
}

void LogPage::onPageRows(QSqlQuery sql)
{
    fillTable(sql);
    m_pHost->pageShown();
}

void LogPage::fillTable(QSqlQuery sql)
{
    QTableView* view = m_Paging.table;
    prepareFill(view, m_rModel);
    reportQueryError(sql);
    showCount(PageTables::fillLog(m_rModel, sql));
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->setModel(m_rModel);
}
