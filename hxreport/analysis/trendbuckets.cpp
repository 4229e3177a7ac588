#include "trendbuckets.h"

#include <algorithm>
#include <cstdio>

namespace {
const qint64 kDay = 86400;

// "yyyy-MM-dd" without QDate::toString's format parsing.
QString dayText(const QDate& day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", qBound(0, day.year(), 9999), day.month(), day.day());
    return QString::fromLatin1(text);
}

bool digits(const char* text, int from, int count, int* value)
{
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    *value = v;
    return true;
}
}

TrendBuckets::Size TrendBuckets::resolve(Size wanted, const QDateTime& start, const QDateTime& end)
{
    if (wanted != Size::Automatic)
        return wanted;
    return start.secsTo(end) <= 2 * kDay ? Size::Hour : Size::Day;
}

TrendBuckets::TrendBuckets(
    Size size, const QDateTime& start, const QDateTime& end, const QMap<QString, ShiftRecord>& shifts)
    : m_Size(resolve(size, start, end))
{
    if (start.isValid() && end.isValid() && start <= end) {
        if (m_Size == Size::Hour) {
            // By the texts' digits, not by clock arithmetic: a daylight-saving
            // change neither skips nor repeats an hour of the texts.
            m_FirstDay = start.date().toJulianDay();
            m_FirstHour = start.time().hour();
            const qint64 hours
                = (end.date().toJulianDay() - m_FirstDay) * 24 + end.time().hour() - m_FirstHour + 1;
            m_Periods.reserve(int(hours) + 1);
            for (qint64 i = 0; i < hours; ++i) {
                const QDate day = QDate::fromJulianDay(m_FirstDay + (m_FirstHour + i) / 24);
                const int hour = int((m_FirstHour + i) % 24);
                m_Periods.append({ dayText(day) + QLatin1Char(' ') + QLatin1Char(char('0' + hour / 10))
                        + QLatin1Char(char('0' + hour % 10)),
                    QDateTime(day, QTime(hour, 0), Qt::UTC) });
            }
        } else if (m_Size == Size::Day) {
            m_FirstDay = start.date().toJulianDay();
            for (QDate d = start.date(); d <= end.date(); d = d.addDays(1))
                m_Periods.append({ dayText(d), QDateTime(d, QTime(0, 0), Qt::UTC) });
        } else {
            struct Found
            {
                QDateTime from;
                QDateTime to;
                QString label;
            };
            QVector<Found> found;
            // An occurrence ends on its anchor day and lasts at most a day.
            for (QDate day = start.date(); day <= end.date().addDays(1); day = day.addDays(1)) {
                for (auto s = shifts.cbegin(); s != shifts.cend(); ++s) {
                    const ShiftRecord& shift = s.value();
                    if (!shift.startTime.isValid() || !shift.endTime.isValid())
                        continue;
                    const QDateTime to(day, shift.endTime);
                    const QDateTime from(
                        shift.startTime >= shift.endTime ? day.addDays(-1) : day, shift.startTime);
                    if (to <= start || from >= end)
                        continue;
                    found.append({ from, to, day.toString(QStringLiteral("yyyy-MM-dd ")) + s.key() });
                }
            }
            std::stable_sort(
                found.begin(), found.end(), [](const Found& a, const Found& b) { return a.from < b.from; });
            for (const Found& f : qAsConst(found)) {
                m_Occurrences.append({ secondsOf(f.from), secondsOf(f.to), m_Periods.size() });
                m_Changes << m_Occurrences.constLast().start << m_Occurrences.constLast().end;
                m_Periods.append({ f.label, f.from, 0 });
            }
            std::sort(m_Changes.begin(), m_Changes.end());
        }
    }
    // Local time to epoch costs a time-zone lookup each (a year of hours took
    // longer than counting a million records), so hours and days are kept as
    // wall-clock times and moved by their day's offset from UTC, looked up
    // once a day.
    QDate offsetDay;
    qint64 offsetMs = 0;
    for (Period& p : m_Periods) {
        if (p.start.timeSpec() != Qt::UTC) {
            p.startMs = p.start.toMSecsSinceEpoch();
            continue;
        }
        if (p.start.date() != offsetDay) {
            offsetDay = p.start.date();
            offsetMs = qint64(QDateTime(offsetDay, QTime(12, 0)).offsetFromUtc()) * 1000;
        }
        p.startMs = p.start.toMSecsSinceEpoch() - offsetMs;
    }
    m_Periods.append({ QString(), QDateTime(), 0 });
}

qint64 TrendBuckets::secondsOf(const QDateTime& time)
{
    return time.date().toJulianDay() * kDay + time.time().msecsSinceStartOfDay() / 1000;
}

bool TrendBuckets::secondsOf(int y, int mo, int d, int h, int mi, int s, qint64* seconds)
{
    const QDate date(y, mo, d);
    if (!date.isValid() || h > 23 || mi > 59 || s > 59)
        return false;
    *seconds = date.toJulianDay() * kDay + h * 3600 + mi * 60 + s;
    return true;
}

bool TrendBuckets::secondsOf(const char* t, int length, qint64* seconds)
{
    int y, mo, d, h, mi, s;
    if (length != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':'
        || !digits(t, 0, 4, &y) || !digits(t, 5, 2, &mo) || !digits(t, 8, 2, &d) || !digits(t, 11, 2, &h)
        || !digits(t, 14, 2, &mi) || !digits(t, 17, 2, &s))
        return false;
    return secondsOf(y, mo, d, h, mi, s, seconds);
}

bool TrendBuckets::splitsHour(qint64 hour) const
{
    qint64 start = 0;
    if (m_Size != Size::Shift || hour < 0
        || !secondsOf(int(hour / 1000000), int(hour / 10000 % 100), int(hour / 100 % 100), int(hour % 100), 0,
            0, &start))
        return false;
    // Periods change only where an occurrence starts or ends.
    const auto next = std::upper_bound(m_Changes.cbegin(), m_Changes.cend(), start);
    return next != m_Changes.cend() && *next < start + 3600;
}

int TrendBuckets::indexOf(const char* time, int length) const
{
    qint64 seconds = 0;
    return secondsOf(time, length, &seconds) ? indexOfSeconds(seconds) : otherIndex();
}

int TrendBuckets::indexOfPacked(qint64 p) const
{
    qint64 seconds = 0;
    if (p < 0
        || !secondsOf(int(p / 10000000000LL), int(p / 100000000 % 100), int(p / 1000000 % 100),
            int(p / 10000 % 100), int(p / 100 % 100), int(p % 100), &seconds))
        return otherIndex();
    return indexOfSeconds(seconds);
}

int TrendBuckets::indexOfSeconds(qint64 seconds) const
{
    if (m_Size == Size::Hour || m_Size == Size::Day) {
        const qint64 day = seconds / kDay - m_FirstDay;
        const qint64 index = m_Size == Size::Hour ? day * 24 + (seconds % kDay) / 3600 - m_FirstHour : day;
        return index >= 0 && index < otherIndex() ? int(index) : otherIndex();
    }
    // The latest start at or before the time whose occurrence holds it.
    auto it = std::upper_bound(m_Occurrences.cbegin(), m_Occurrences.cend(), seconds,
        [](qint64 value, const Occurrence& o) { return value < o.start; });
    while (it != m_Occurrences.cbegin()) {
        --it;
        if (seconds < it->end)
            return it->period;
        if (it->start + kDay <= seconds)
            break;
    }
    return otherIndex();
}
