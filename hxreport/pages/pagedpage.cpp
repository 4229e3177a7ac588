#include "pagedpage.h"

#include "checkthread.h"
#include "csvwriter.h"
#include "pagehost.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTableView>

PagedPage::PagedPage(PageHost* host, DetectDataDB* db, const PagingWidgets& widgets)
    : m_pHost(host)
    , m_pDB(db)
    , m_Paging(widgets)
{
    // A title longer than the page (a driver's reason, a long station name)
    // is cut at the page's edge, whole in the tooltip: the window keeps its
    // size and the other controls their places.
    if (m_Paging.title)
        m_Paging.title->setMinimumWidth(1);
}

PagedPage::~PagedPage() = default;

int PagedPage::pageSize()
{
    bool ok = false;
    const int size = m_Paging.pageSize->text().toInt(&ok, 10);
    if (!ok || size < 1) {
        m_Paging.pageSize->setText(QStringLiteral("10"));
        return 10;
    }
    return size;
}

void PagedPage::showPageLabel(int current, int count)
{
    m_Paging.pageLabel->setText(
        QCoreApplication::translate("hxReport", "第%1页 共%2页").arg(current).arg(count));
}

void PagedPage::showCount(int rows)
{
    // Both numbers, named: the first page used to show the total and the
    // others their own rows under the same words.
    m_Paging.countLabel->setText(countText(rows, qMax(rows, m_Cursor.total)));
}

QString PagedPage::countText(int pageRows, int total)
{
    return QCoreApplication::translate("hxReport", "本页%1条，共%2条").arg(pageRows).arg(total);
}

void PagedPage::setTitle(const QString& text, bool bold)
{
    QFont font = m_Paging.title->font();
    font.setPixelSize(14);
    font.setBold(bold);
    m_Paging.title->setFont(font);
    m_Paging.title->setText(text);
    m_Paging.title->setToolTip(text); // whole where the page cuts it
}

QString PagedPage::withStation(const QString& title, const QString& station)
{
    return station.isEmpty() ? title : title + QStringLiteral("  ") + CsvWriter::stationLabel(station);
}

void PagedPage::startPages(int total, int size)
{
    m_Paging.next->setEnabled(true);
    m_Cursor.start(total, size);
    showPageLabel(m_Cursor.currentPage, m_Cursor.pageCount);
}

void PagedPage::requestPage(bool forward, const char* slot, QObject* receiver)
{
    const int size = pageSize();
    if (!m_Cursor.step(forward, size))
        return;
    const RangeQuery page = m_Shown.page(size, m_Cursor.offset);
    startQueryThread(
        CheckMode::Rows, SIGNAL(resultReady(QSqlQuery)), slot,
        [this, page](CheckThread* thread) {
            thread->setRange(page);
            preparePage(thread);
        },
        receiver);
    showPageLabel(m_Cursor.currentPage, m_Cursor.pageCount);
    const PageCursor::Buttons buttons = m_Cursor.buttonsAfterStep(forward, size);
    if (buttons.prevEnabled)
        m_Paging.prev->setEnabled(*buttons.prevEnabled);
    if (buttons.nextEnabled)
        m_Paging.next->setEnabled(*buttons.nextEnabled);
}

void PagedPage::reportQueryError(const QSqlQuery& sql)
{
    if (sql.lastError().isValid())
        m_pHost->showStatus(
            QCoreApplication::translate("hxReport", "查询失败：%1").arg(sql.lastError().text()));
}

void PagedPage::showFailure(const QString& start, const QString& end, const QString& why)
{
    const QString title
        = withStation(QCoreApplication::translate("hxReport", "起始时间:%1 到 结束时间:%2 的查询失败：%3")
                          .arg(start, end, why.simplified()),
            m_Shown.station());
    setTitle(title, true);
    startPages(0, pageSize());
    m_Paging.next->setEnabled(false);
    m_Paging.countLabel->setText(QCoreApplication::translate("hxReport", "查询失败"));
    m_pHost->showStatus(QCoreApplication::translate("hxReport", "查询失败：%1").arg(why));
}

void PagedPage::preparePage(CheckThread* thread)
{
    Q_UNUSED(thread)
}

CheckThread* PagedPage::startQueryThread(CheckMode mode, const char* signal, const char* slot,
    const std::function<void(CheckThread*)>& prepare, QObject* receiver)
{
    auto* thread = new CheckThread(nullptr);
    // No statement text: prepare gives the range.
    thread->setQuery(m_pDB, QString());
    thread->setMode(mode);
    prepare(thread);
    if (receiver)
        m_pHost->startThread(thread, receiver, signal, slot);
    else
        m_pHost->startThread(thread, signal, slot);
    return thread;
}

void PagedPage::prepareFill(QTableView* view, QStandardItemModel*& model)
{
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!model)
        model = new QStandardItemModel;
}

void PagedPage::keepForCancel()
{
    m_KeptTitle = m_Paging.title->text();
    m_KeptFont = m_Paging.title->font();
    m_KeptCursor = m_Cursor;
    m_KeptShown = m_Shown;
}

void PagedPage::restoreAfterCancel()
{
    m_Paging.title->setFont(m_KeptFont);
    m_Paging.title->setText(m_KeptTitle);
    m_Cursor = m_KeptCursor;
    m_Shown = m_KeptShown;
    m_pHost->showStatus(QCoreApplication::translate("hxReport", "已取消"));
}
