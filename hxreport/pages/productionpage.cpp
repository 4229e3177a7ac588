#include "productionpage.h"

#include "checkthread.h"
#include "databasesql.h"
#include "detectdatadb.h"
#include "pagechecks.h"
#include "pagehost.h"
#include "pagetables.h"
#include "thumbnail.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

ProductionPage::ProductionPage(
    PageHost* host, DetectDataDB* db, QStandardItemModel*& model, const ProductionWidgets& widgets)
    : PagedPage(host, db, widgets.paging)
    , m_rModel(model)
    , m_W(widgets)
{
}

void ProductionPage::query(
    const QDateTime& startTime, const QDateTime& endTime, const QMap<QString, ShiftRecord>& shifts)
{
    if (PageChecks::refuseWhileBusy(m_pHost, m_bBusy))
        return;
    m_bBusy = true;
    const QString model = m_W.model->currentText();
    const QString problem
        = PageChecks::dateProblem(startTime, endTime, shifts, m_W.shift->currentText(), false);
    if (!problem.isEmpty()) {
        m_pHost->showMessageBox(
            QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"), problem, 0);
        m_bBusy = false;
        return;
    }
    const QString start = m_W.start->text();
    const QString end = m_W.end->text();
    m_pHost->noteOperation(QCoreApplication::translate("hxReport", "查询了%1-%2的生产数据").arg(start, end));
    keepForCancel();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setTitle(QCoreApplication::translate("hxReport", "起始时间:%1 到 结束时间:%2 的历史记录").arg(start, end),
        false);
    // Not through the "*" of check(): a model typed as "*" is a name like
    // any other, as it is for the later pages and the export.
    request(start, end, model, model == QCoreApplication::translate("hxReport", "全部"));
    QApplication::restoreOverrideCursor();
    m_bBusy = false;
}

void ProductionPage::check(const QString& start, const QString& end, const QString& model)
{
    keepForCancel();
    request(start, end, model, model == QLatin1String("*"));
}

void ProductionPage::request(const QString& start, const QString& end, const QString& model, bool all)
{
    // Later pages continue this query, whatever the widgets say by then.
    m_Shown = rangeOf(start, end, model, all);
    m_Cancel.reset();
    m_bCancelled = false;
    const int size = pageSize();
    m_Cursor.total = 0;
    m_Cursor.offset = 0;
    emit sgQuery(m_Shown.page(size, m_Cursor.offset));
}

RangeQuery ProductionPage::currentRange() const
{
    const QString model = m_W.model->currentText();
    return rangeOf(
        m_W.start->text(), m_W.end->text(), model, model == QCoreApplication::translate("hxReport", "全部"));
}

RangeQuery ProductionPage::rangeOf(
    const QString& start, const QString& end, const QString& model, bool all) const
{
    const RangeQuery range
        = all ? RangeQuery::allModels(start, end) : RangeQuery::production(start, end, model);
    return range.atStation(PageChecks::chosenStation(m_W.station));
}

std::function<QString(int)> ProductionPage::titleOfCount() const
{
    // Copies only: the export calls it on its own thread. The times are the
    // labels' as they are now, also for the page's own title.
    const QString format
        = QCoreApplication::translate("hxReport", "起始时间:%1 到 结束时间:%2 的历史记录 共%3条")
              .arg(m_W.start->text(), m_W.end->text());
    const QString station = m_Shown.station();
    return [format, station](int total) { return withStation(QString(format).arg(total), station); };
}

void ProductionPage::cancel()
{
    m_bCancelled = true;
    m_Cancel.cancel();
}

bool ProductionPage::showFirstPage(const QVariantMap& result, QSqlQuery sql)
{
    if (m_bCancelled) {
        m_bCancelled = false;
        restoreAfterCancel();
        return false;
    }
    fillTable(sql);
    const int size = result.value(QStringLiteral("limit")).toInt();
    if (result.contains(QStringLiteral("error"))) {
        // Where the count would be: a failure must not read as "no records".
        const QString why = result.value(QStringLiteral("error")).toString();
        if (m_rModel)
            m_rModel->removeRows(0, m_rModel->rowCount());
        m_W.number->setText(QCoreApplication::translate("hxReport", "查询失败"));
        showFailure(m_W.start->text(), m_W.end->text(), why);
        return true;
    }
    const int total = result.value(QStringLiteral("sum")).toInt();
    m_W.number->setText(QString::number(total));
    setTitle(titleOfCount()(total), true);
    startPages(total, size);
    showCount(m_rModel ? m_rModel->rowCount() : 0);
    m_pHost->onShowMessage(QCoreApplication::translate("hxReport", "数据查询完成"));
    return true;
}

void ProductionPage::onFirstPage(QVariantMap result, QSqlQuery sql)
{
    if (showFirstPage(result, sql))
        m_pHost->pageShown();
}

void ProductionPage::onPageRows(QSqlQuery sql)
{
    fillTable(sql);
    m_pHost->pageShown();
}

void ProductionPage::onPictureRow(QSqlQuery sql)
{
    showPicture(sql);
    m_pHost->pictureShown();
}

void ProductionPage::onPagingButton(const QString& name)
{
    const bool forward = name == QLatin1String("Next_checkShengchang");
    if (!forward && name != QLatin1String("Prev_checkShengchang"))
        return;
    requestPage(forward, SLOT(onPageRows(QSqlQuery)), this);
}

void ProductionPage::preparePage(CheckThread* thread)
{
    thread->setQuickAnswers(m_pQuick);
}

void ProductionPage::fillTable(QSqlQuery sql)
{
    QTableView* view = m_Paging.table;
    prepareFill(view, m_rModel);
    view->horizontalHeader()->setMaximumHeight(100);
    m_W.picture->clear();
    // The whole plant's rows: which station each is from.
    const bool withStation = m_pDB && m_pDB->dialect() == SqlDialect::Plant && m_Shown.station().isEmpty();
    reportQueryError(sql);
    QByteArray lastPicture;
    const int rows = PageTables::fillProduction(m_rModel, sql, withStation, &lastPicture);
    // The label ends up showing the last row's picture; decoding only that one
    // gives the same screen for less work.
    const QImage picture = Thumbnail::decodeScaled(
        lastPicture, QSize(Thumbnail::PictureSize, Thumbnail::PictureSize), Qt::IgnoreAspectRatio);
    if (!picture.isNull())
        m_W.picture->setPixmap(QPixmap::fromImage(picture));
    showCount(rows);
    view->setModel(m_rModel);
    view->hideColumn(PageTables::UidColumn);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // An even share of the width is less than a whole time at the window's own
    // size; the time column takes what its texts need, the others stretch.
    view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

void ProductionPage::requestPicture(const QModelIndex& index)
{
    if (!m_rModel || !m_pDB)
        return;
    const QString key = m_rModel->index(index.row(), PageTables::UidColumn).data(Qt::DisplayRole).toString();
    bool isNumber = false;
    const qint64 number = key.toLongLong(&isNumber);
    // A key that is no number names no record: the picture is cleared.
    startQueryThread(
        CheckMode::Rows, SIGNAL(resultReady(QSqlQuery)), SLOT(onPictureRow(QSqlQuery)),
        [this, isNumber, number](
            CheckThread* thread) { thread->setPicture(m_Shown, isNumber ? number : -1); },
        this);
}

void ProductionPage::showPicture(QSqlQuery sql)
{
    if (m_bPicBusy)
        return;
    m_bPicBusy = true;
    QImage picture;
    if (sql.first())
        picture = Thumbnail::decodeScaled(sql.value(QStringLiteral("pic")).toByteArray(),
            QSize(Thumbnail::PictureSize, Thumbnail::PictureSize), Qt::KeepAspectRatio);
    if (picture.isNull())
        m_W.picture->clear();
    else
        m_W.picture->setPixmap(QPixmap::fromImage(picture));
    reportQueryError(sql);
    m_bPicBusy = false;
}
