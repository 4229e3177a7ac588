#ifndef QUICKANSWERS_H
#define QUICKANSWERS_H

#include "rangequery.h"

#include <QMap>
#include <QSqlQuery>
#include <QString>

// A faster source for some of the workers' answers than the station's own
// statements (the viewer's record index, see PageIndex). Each function gives
// exactly what the range's own statements give, or returns false (also for a
// range it does not hold), and the worker then runs those statements.
//
// Threads: called from the workers' threads, possibly at the same time.
class QuickAnswers
{
public:
    virtual ~QuickAnswers() = default;

    // The statistics: the range's count and the per-model counts as CountData
    // adds them up (a NULL and an empty model both under "").
    virtual bool countByModel(const RangeQuery& range, int* total, QMap<QString, int>* counts) = 0;
    // The range's count.
    virtual bool countOf(const RangeQuery& range, int* count) = 0;
    // The rows of the range's page (every column, in the station's order),
    // detached like runDetached()'s.
    virtual bool pageOf(const RangeQuery& range, QSqlQuery* rows) = 0;
};

#endif // QUICKANSWERS_H
