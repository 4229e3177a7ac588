#ifndef TRENDBUCKETS_H
#define TRENDBUCKETS_H

#include "shiftrecord.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// The periods of a trend over a range and which period a record's time text
// falls into. Plain arithmetic on the texts' digits, no widgets, no database.
//
// Hours and days: every hour ("yyyy-MM-dd hh") or day ("yyyy-MM-dd") from the
// range's start to its end, also those without records; a record belongs to
// the period its time text begins with, as substr(time, 1, 13) or
// substr(time, 1, 10) groups it.
// Shifts: each occurrence of each shift of the shift table that overlaps the
// range, named by the date it ends on (as the shift choice anchors a shift on
// its end date) and its name; one that starts at or after its end runs over
// midnight and starts the day before. A record belongs to the occurrence with
// start <= time < end (the latest start when shifts overlap), so a record at
// a change of shift counts once.
// A record of no period (a time text of another shape, or between shifts)
// goes to one last period, "other".
class TrendBuckets
{
public:
    enum class Size
    {
        Automatic, // hours for a range up to two days, days beyond
        Hour,
        Shift,
        Day
    };
    struct Period
    {
        QString label; // "yyyy-MM-dd hh", "yyyy-MM-dd", "yyyy-MM-dd <shift>"; empty for other
        QDateTime start; // wall-clock time (hours and days kept as UTC); invalid for other
        qint64 startMs = 0; // start.toMSecsSinceEpoch(), made off the GUI thread
    };

    static Size resolve(Size wanted, const QDateTime& start, const QDateTime& end);

    TrendBuckets(Size size, const QDateTime& start, const QDateTime& end,
        const QMap<QString, ShiftRecord>& shifts = QMap<QString, ShiftRecord>());

    Size size() const { return m_Size; }
    // The periods in time order; the last is "other".
    const QVector<Period>& periods() const { return m_Periods; }
    int otherIndex() const { return m_Periods.size() - 1; }
    // The period of a time text (UTF-8 bytes).
    int indexOf(const char* time, int length) const;
    // The period of a well-shaped time given as the integer of its 14 digits
    // (TimeKey::pack).
    int indexOfPacked(qint64 packed) const;
    // Whether the seconds of an hour (its packed time / 10000) fall into more
    // than one period: a change of shift inside it. Hours and days never do.
    bool splitsHour(qint64 hour) const;

private:
    struct Occurrence
    {
        qint64 start;
        qint64 end;
        int period;
    };
    // Seconds of a well-shaped "yyyy-MM-dd hh:mm:ss" text from a fixed day;
    // false for any other shape.
    static bool secondsOf(const char* time, int length, qint64* seconds);
    static qint64 secondsOf(const QDateTime& time);
    static bool secondsOf(int y, int mo, int d, int h, int mi, int s, qint64* seconds);
    int indexOfSeconds(qint64 seconds) const;

    Size m_Size;
    QVector<Period> m_Periods;
    qint64 m_FirstDay = 0; // julian day of the first period (hours, days)
    int m_FirstHour = 0;
    QVector<Occurrence> m_Occurrences; // sorted by start
    QVector<qint64> m_Changes; // starts and ends of the occurrences, sorted
};

#endif // TRENDBUCKETS_H
