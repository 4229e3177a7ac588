#include "timeranges.h"

TimeRanges::Range TimeRanges::ofShift(const ShiftRecord& shift, const QDate& endDate)
{
    const QTime s = shift.startTime;
    const QTime e = shift.endTime;
    return { QDateTime(s >= e ? endDate.addDays(-1) : endDate, s), QDateTime(endDate, e) };
}

TimeRanges::Range TimeRanges::wholeDays(
    const QDate& startDate, const QDate& endDate, const QTime& dayStart, const QTime& dayEnd)
{
    return { QDateTime(startDate > endDate ? endDate : startDate, dayStart), QDateTime(endDate, dayEnd) };
}
