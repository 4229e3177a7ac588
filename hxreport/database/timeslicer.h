#ifndef TIMESLICER_H
#define TIMESLICER_H

#include <QString>
#include <QStringList>

class DataBaseSql;

// Splits a statement over a time range into statements over consecutive
// slices of that range, each holding about rowsPerSlice rows of the table.
//
// A count or a grouping over a year of records reads every one of them and
// holds SQLite's read lock meanwhile, which in the station's rollback-journal
// mode keeps the station from committing. Run slice by slice, the lock is held
// for one slice at a time. Adding up the slices' counts gives the count of the
// whole range: the slices share no row and leave none out, since every
// boundary is a time value and rows of equal time fall into one slice.
//
// Works on the statements the query builder makes for a time range
// ("from <table> where time >'<t1>' and time < '<t2>'", alone or inside a
// sub-query). Any other statement, and a bare count of the range (which the
// time index answers quickly), comes back alone, unchanged. The boundaries are
// found on the time index alone, which is quick.
class TimeSlicer
{
public:
    static const int DefaultRowsPerSlice = 50000;

    explicit TimeSlicer(DataBaseSql* db, int rowsPerSlice = DefaultRowsPerSlice);

    // The statements to run in place of sql, in time order.
    QStringList split(const QString& sql) const;

private:
    DataBaseSql* m_pDB;
    int m_nRows;
};

#endif // TIMESLICER_H
