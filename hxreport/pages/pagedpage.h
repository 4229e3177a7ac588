#ifndef PAGEDPAGE_H
#define PAGEDPAGE_H

#include "pagecursor.h"
#include "rangequery.h"

#include <QCoreApplication>
#include <QFont>
#include <QString>

#include <functional>

class CheckThread;
enum class CheckMode;
class DetectDataDB;
class PageHost;
class QLabel;
class QLineEdit;
class QPushButton;
class QSqlQuery;
class QStandardItemModel;
class QTableView;

// The paging controls of a page, from the window's form.
struct PagingWidgets
{
    QLineEdit* pageSize = nullptr;
    QPushButton* prev = nullptr;
    QPushButton* next = nullptr;
    QLabel* pageLabel = nullptr;
    QLabel* countLabel = nullptr;
    QLabel* title = nullptr;
    QTableView* table = nullptr;
};

// What the production and log pages share: the page-size field, the page and
// count labels, the title and the Prev/Next requests of the query shown.
// Texts keep the window's translation context "hxReport" (one set of
// translations for all pages). UI thread only.
class PagedPage
{
public:
    PagedPage(PageHost* host, DetectDataDB* db, const PagingWidgets& widgets);
    virtual ~PagedPage();

    const PageCursor& cursor() const { return m_Cursor; }
    // The cursor as the benchmark places it before a deep page.
    PageCursor& cursor() { return m_Cursor; }

protected:
    // The page-size field's number; an empty or non-positive one becomes 10.
    int pageSize();
    void showPageLabel(int current, int count);
    // The rows of this page, and the total of the query shown.
    void showCount(int rows);

public:
    static QString countText(int pageRows, int total);

protected:
    // The title in the page's 14-pixel font, bold once the total is known.
    void setTitle(const QString& text, bool bold);
    // A result's title naming the one station of the plant server it shows.
    static QString withStation(const QString& title, const QString& station);
    // A first page of total rows is shown: cursor, Next button, page label.
    void startPages(int total, int size);
    // Prev or Next: a page of the query shown on a one-shot thread whose rows
    // go to the slot of receiver (the window's when null).
    void requestPage(bool forward, const char* slot, QObject* receiver = nullptr);
    // Called with each page's thread before it starts.
    virtual void preparePage(CheckThread* thread);
    // A failed statement is said in the status bar, not shown as no rows.
    void reportQueryError(const QSqlQuery& sql);
    // A failed query reads as failed where its result would be: the title
    // and the count label, and the whole reason in the status bar.
    void showFailure(const QString& start, const QString& end, const QString& why);
    // A one-shot thread for a range's statement (mode as CheckThread's), set
    // up by prepare.
    CheckThread* startQueryThread(CheckMode mode, const char* signal, const char* slot,
        const std::function<void(CheckThread*)>& prepare, QObject* receiver = nullptr);
    // A read-only table, and its model made on first use (PageTables fills it).
    static void prepareFill(QTableView* view, QStandardItemModel*& model);
    // What a cancelled request must leave as it was: the title, the paging
    // and the query shown.
    void keepForCancel();
    // Puts them back and says "已取消" in the status bar.
    void restoreAfterCancel();

    PageHost* m_pHost;
    DetectDataDB* m_pDB;
    PagingWidgets m_Paging;
    PageCursor m_Cursor;
    // The query whose title, total and pages are shown, without its page:
    // later pages continue it even after the filter widgets changed. Its
    // bounds are the texts the title shows, as they were typed.
    RangeQuery m_Shown;

private:
    QString m_KeptTitle;
    QFont m_KeptFont;
    PageCursor m_KeptCursor;
    RangeQuery m_KeptShown;
};

#endif // PAGEDPAGE_H
