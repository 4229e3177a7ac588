#ifndef TIMERANGES_H
#define TIMERANGES_H

#include "shiftrecord.h"

#include <QDateTime>
#include <QPair>

// The time ranges the shift choice gives a page: plain date arithmetic,
// tested without a window.
class TimeRanges
{
public:
    using Range = QPair<QDateTime, QDateTime>;

    // A shift anchored on the end date; one that starts at or after its end
    // runs over midnight and so starts the day before.
    static Range ofShift(const ShiftRecord& shift, const QDate& endDate);
    // Whole days from the start date (the end date when the start lies after
    // it) at dayStart to the end date at dayEnd.
    static Range wholeDays(
        const QDate& startDate, const QDate& endDate, const QTime& dayStart, const QTime& dayEnd);
    // Whether a start after the end is caused by an overnight shift.
    static bool isOvernight(const ShiftRecord& shift) { return shift.startTime > shift.endTime; }
};

#endif // TIMERANGES_H
