#include "rangeworker.h"

#include "detectdatadb.h"

RangeWorker::RangeWorker(QObject* parent)
    : QObject(parent)
{
    // Ranges travel to the workers by queued signal.
    qRegisterMetaType<RangeQuery>("RangeQuery");
}

bool RangeWorker::splitDays(RangeQuery* range, QVector<RangeQuery>* edges, BoundStatement* dayTotal,
    BoundStatement* dayGrouping) const
{
    if (m_pDB)
        *range = range->inDialect(m_pDB->dialect());
    return range->dayParts(edges, dayTotal, dayGrouping);
}
