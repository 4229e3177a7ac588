#ifndef CHECKDATA_H
#define CHECKDATA_H

#include "boundstatement.h"
#include "rangequery.h"
#include "rangeworker.h"

#include <QSqlQuery>
#include <QVariantMap>
#include <QVector>

#include <functional>

// Runs the count and the first page of a production query. Lives on its own
// long-lived thread; requests arrive by queued signal and are served in order.
class CheckData : public RangeWorker
{
    Q_OBJECT
public:
    explicit CheckData(QObject* parent = nullptr);

signals:
    // Mapstr: "sum" (count), "nIndex" (0), "limit" (as requested); plus "error"
    // with the database's message when the count or page statement failed.
    // sql: the page's rows, detached from any connection.
    void resultReady(QVariantMap Mapstr, QSqlQuery sql);
    void sgShowMsg(QString str);
    void sgShowProgress(QVariantMap m_Map);

public slots:
    // m_map: "query", a RangeQuery with its page (the viewer's pages send
    // this); or statement texts "SqlCount", "SqlCheck" and "limit", run as
    // they are.
    void doWork(QVariantMap m_map);
    // The same for a range: its count and its page of limit rows from offset.
    void doRange(RangeQuery range, int limit, int offset);
    // The count and page of a range with its page: the quick answers first,
    // else the statements of the database's engine.
    void doQuery(RangeQuery query);

private:
    // Runs the count statements (made once counting starts) and adds up their
    // counts, then the page, and reports; the quick answers of query, when
    // valid, replace either.
    void serve(const std::function<QVector<BoundStatement>()>& countStatements, const BoundStatement& page,
        int limit, const RangeQuery& quick);
};

#endif // CHECKDATA_H
