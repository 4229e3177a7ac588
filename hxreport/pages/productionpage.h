#ifndef PRODUCTIONPAGE_H
#define PRODUCTIONPAGE_H

#include "cancelflag.h"
#include "pagedpage.h"
#include "shiftrecord.h"

#include <QDateTime>
#include <QMap>
#include <QSqlQuery>
#include <QVariantMap>

#include <functional>

class QComboBox;
class QModelIndex;
class QuickAnswers;

// The production page's widgets besides its paging controls.
struct ProductionWidgets
{
    PagingWidgets paging;
    QLabel* start = nullptr;
    QLabel* end = nullptr;
    QComboBox* model = nullptr;
    QComboBox* shift = nullptr;
    QLabel* number = nullptr;
    QLabel* picture = nullptr;
    QComboBox* station = nullptr; // on the plant server only
};

// The production records page: date check, the count-and-first-page request
// to the record worker (sgQuery, whose answer comes back to onFirstPage()),
// paging of the query shown, the table with its thumbnails and the full
// picture of a record. UI thread only; the window forwards its slots here and
// emits its own signals.
class ProductionPage : public QObject, public PagedPage
{
    Q_OBJECT
public:
    // model is the window's table model, made and emptied here.
    ProductionPage(
        PageHost* host, DetectDataDB* db, QStandardItemModel*& model, const ProductionWidgets& widgets);

    // Asked first for one model's later pages (not owned; may be null).
    void setQuickAnswers(QuickAnswers* quick) { m_pQuick = quick; }

    // The Query button: the range is the page's, the shifts the station's.
    void query(const QDateTime& start, const QDateTime& end, const QMap<QString, ShiftRecord>& shifts);
    // The count and first page of a range for one model ("*": all models).
    void check(const QString& start, const QString& end, const QString& model);
    // The records the widgets select as they are now (the export's).
    RangeQuery currentRange() const;
    // The result's title for a number of records: the page's and the export's.
    std::function<QString(int)> titleOfCount() const;

    // Shows the result of the query; false when the query was cancelled, and
    // the page then stays as it was before it.
    bool showFirstPage(const QVariantMap& result, QSqlQuery sql);
public slots:
    // The record worker's answer: shown, and said to the host.
    void onFirstPage(QVariantMap result, QSqlQuery sql);
    // A later page's rows, and a record's picture, from their one-shot threads.
    void onPageRows(QSqlQuery sql);
    void onPictureRow(QSqlQuery sql);

signals:
    // The range with its first page, for the record worker.
    void sgQuery(RangeQuery query);

public:
    // The Cancel of the waiting dialog: stops the query on its worker.
    void cancel();
    // Given to the record worker, which serves the page's queries.
    const CancelFlag* cancelFlag() const { return &m_Cancel; }
    void showPage(QSqlQuery sql);
    void setTotal(int total) { m_Cursor.total = total; }
    void onPagingButton(const QString& name);
    void fillTable(QSqlQuery sql);
    // Fetches the picture of the row clicked; it arrives in onPictureRow().
    void requestPicture(const QModelIndex& index);
    void showPicture(QSqlQuery sql);

protected:
    void preparePage(CheckThread* thread) override;

private:
    void request(const QString& start, const QString& end, const QString& model, bool all);
    // The records of one model, or of all; on the station chosen.
    RangeQuery rangeOf(const QString& start, const QString& end, const QString& model, bool all) const;

    QStandardItemModel*& m_rModel;
    ProductionWidgets m_W;
    QuickAnswers* m_pQuick = nullptr;
    CancelFlag m_Cancel;
    bool m_bCancelled = false;
    bool m_bBusy = false;
    bool m_bPicBusy = false;
};

#endif // PRODUCTIONPAGE_H
