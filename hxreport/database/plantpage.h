#ifndef PLANTPAGE_H
#define PLANTPAGE_H

#include "boundstatement.h"
#include "rangequery.h"

class DataBaseSql;

// A page's statement for the database that answers. On the plant server a
// deep page starts at the day its offset lands in, the days before it skipped
// by their counts in record_counts, so the server reads the rows of that day
// only instead of every row before the page. The rows and their order are
// the range's pageStatement(); where the range does not split into days, or a
// count cannot be read, it is that statement.
class PlantPage
{
public:
    static BoundStatement statement(const DataBaseSql* db, const RangeQuery& range, int limit, int offset);
};

#endif // PLANTPAGE_H
