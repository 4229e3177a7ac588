#ifndef COUNTDATA_H
#define COUNTDATA_H

#include "boundstatement.h"
#include "rangequery.h"
#include "rangeworker.h"

#include <QMap>
#include <QVariantMap>
#include <QVector>

#include <functional>

// Counts records per model with one grouping statement. Lives on its own
// long-lived thread; requests are served in the order sent.
class CountData : public RangeWorker
{
    Q_OBJECT
public:
    explicit CountData(QObject* parent = nullptr);

signals:
    // result: total in decimal ("" without a database). p: a new map per
    // request, owned by the receiver, which must delete it.
    void resultReady(QString result, const QMap<QString, int>* p);
    void sgShowMsg(QString str);
    void sgShowProgress(QVariantMap m_map);
    // The grouping or count statement failed; emitted before resultReady.
    void sgError(QString message);

public slots:
    // m_Map: "range", a RangeQuery (the viewer's pages send this); or the
    // statement texts "SqlCount" (the total) and "SqlCheck" (the record query
    // to group), run as they are.
    void doWork(QVariantMap m_Map);
    // The same for a range: its count and its records per model; the quick
    // answers first.
    void countRange(RangeQuery range);

private:
    using Statements = std::function<QVector<BoundStatement>()>;
    using Quick = std::function<bool(int*, QMap<QString, int>*)>;
    // Takes the quick answer when there is one, else adds up the counts, then
    // the groupings' counts per model; reports either. The statements are
    // made once each step starts.
    void serve(const Statements& countStatements, const Statements& groupingStatements,
        const Quick& quick = nullptr);
};

#endif // COUNTDATA_H
