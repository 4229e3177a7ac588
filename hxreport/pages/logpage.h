#ifndef LOGPAGE_H
#define LOGPAGE_H

#include "pagedpage.h"

#include <QObject>
#include <QSqlQuery>

class QComboBox;

// The log page's widgets besides its paging controls.
struct LogWidgets
{
    PagingWidgets paging;
    QLabel* start = nullptr;
    QLabel* end = nullptr;
    QComboBox* kind = nullptr;
    QComboBox* station = nullptr; // on the plant server only
};

// The log records page: the count of one kind in a range while a modal wait
// runs, then the first page; paging of the query shown; the two-column
// table; the threads' answers come back to the page's slots. UI thread only;
// the window forwards its slots here.
class LogPage : public QObject, public PagedPage
{
    Q_OBJECT
public:
    LogPage(PageHost* host, DetectDataDB* db, QStandardItemModel*& model, const LogWidgets& widgets);

    // The Query button.
    void query();
    // Log class of the kind chosen in the combo box.
    LogClass kind() const;
    // The records the widgets select as they are now (the export's).
    RangeQuery currentRange() const;
    // The shown result's title for a number of records: the page's and the
    // export's.
    std::function<QString(int)> titleOfCount() const;
    // Count, wait for it, first page.
    void check(LogClass kind, const QString& start, const QString& end);
    void setTotal(int total) { m_Cursor.total = total; }
    void onPagingButton(const QString& name);
    void fillTable(QSqlQuery sql);

public slots:
    // The count and the pages from their one-shot threads.
    void onCount(int total);
    void onPageRows(QSqlQuery sql);

private:
    // The records of one class, on the station chosen.
    RangeQuery rangeOf(const QString& start, const QString& end, LogClass kind) const;

    QStandardItemModel*& m_rModel;
    LogWidgets m_W;
    bool m_bBusy = false;
};

#endif // LOGPAGE_H
