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
    // m_map: "SqlCount", "SqlCheck", "limit"; for one model's query also
    // "time1", "time2", "model" and "offset" (what both statements select),
    // for which the quick answers are asked first.
    void doWork(QVariantMap m_map);
    // The same for a range: its count and its page of limit rows from offset.
    void doRange(RangeQuery range, int limit, int offset);

private:
    // One model's query as the quick answers take it.
    struct QuickQuery
    {
        QString time1;
        QString time2;
        QString model;
        int offset = 0;
        bool valid = false;
    };

    // Runs the count statements (made once counting starts) and adds up their
    // counts, then the page, and reports; the quick answer of either replaces
    // its statements.
    void serve(const std::function<QVector<BoundStatement>()>& countStatements, const BoundStatement& page,
        int limit, const QuickQuery& quick);
};

#endif // CHECKDATA_H
