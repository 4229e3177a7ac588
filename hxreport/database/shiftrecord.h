#ifndef SHIFTRECORD_H
#define SHIFTRECORD_H

#include <QString>
#include <QTime>

// One row of wftimetable_2: a named production shift as times of day.
struct ShiftRecord
{
    int uid = 0;
    QString type;
    QTime startTime;
    int startType = 0;
    QTime endTime;
    int endType = 0;
};

#endif // SHIFTRECORD_H
