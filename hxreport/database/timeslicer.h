#ifndef TIMESLICER_H
#define TIMESLICER_H

#include "boundstatement.h"
#include "rangequery.h"

#include <QString>
#include <QVector>

class DataBaseSql;

// Splits a time range into consecutive slices, each holding about rowsPerSlice
// rows of the table.
//
// A count or a grouping over a year of records reads every one of them and
// holds SQLite's read lock meanwhile, which in the station's rollback-journal
// mode keeps the station from committing. Run slice by slice, the lock is held
// for one slice at a time. Adding up the slices' counts gives the count of the
// whole range: the slices share no row and leave none out, since every
// boundary is a time value and rows of equal time fall into one slice. The
// boundaries are found on the time index alone, which is quick.
class TimeSlicer
{
public:
    static const int DefaultRowsPerSlice = 50000;

    // rowsPerSlice 0 takes defaultRowsPerSlice().
    explicit TimeSlicer(DataBaseSql* db, int rowsPerSlice = 0);

    // The slice size of slicers made without one; DefaultRowsPerSlice unless
    // set. Tests make it small to run many slices over few rows. Any thread.
    static int defaultRowsPerSlice();
    static void setDefaultRowsPerSlice(int rows);

    // The slices of range, in time order; the range alone when it holds no
    // more than one slice or the boundaries cannot be read.
    QVector<RangeQuery> split(const RangeQuery& range) const;

    // The count statements of a range: one per slice, or the whole range's
    // when the time index alone counts it (a bare range is not worth slicing).
    QVector<BoundStatement> countStatements(const RangeQuery& range) const;

private:
    // The slices' lower ends after the first, found on the table's time
    // index; false when a statement failed.
    bool boundaries(const QString& table, const QString& lower, bool lowerIncluded, const QString& upper,
        QStringList* bounds) const;

    DataBaseSql* m_pDB;
    int m_nRows;
};

#endif // TIMESLICER_H
