#ifndef NICESCALE_H
#define NICESCALE_H

#include <QDateTime>
#include <QString>
#include <QVector>

// Round ticks for a chart's axis, so that a value can be read off it: a
// value axis from a round minimum to a round maximum in steps of 1, 2 or 5
// times a power of ten (whole numbers for counts), a time axis at whole
// hours, days or weeks. The ticks are evenly spaced from minimum to maximum,
// as the chart axes draw them. No widgets.
class NiceScale
{
public:
    // An axis over low..high with at most maxSteps steps. Whole numbers only:
    // steps of at least 1 (counts). high equal to low gives one step.
    static NiceScale forValues(double low, double high, int maxSteps, bool whole);
    // Counts from 0 with room above the highest for a value label.
    static NiceScale forCounts(double highest, int maxSteps);
    // Percentages from 0 up to at most 100.
    static NiceScale forPercent(double highest, int maxSteps);

    double minimum() const { return m_Min; }
    double maximum() const { return m_Max; }
    double step() const { return m_Step; }
    int tickCount() const { return m_nTicks; }
    QVector<double> ticks() const;
    // Decimals a tick's label needs (0 for steps of 1 and more).
    int decimals() const;
    // printf-style label format for the axis.
    QString labelFormat() const;

private:
    double m_Min = 0;
    double m_Max = 1;
    double m_Step = 1;
    int m_nTicks = 2;
};

// The time axis' counterpart: ticks at whole hours (1, 2, 3, 6 or 12),
// local midnights (1 or 2 days) or Mondays (1, 2 or 4 weeks), from the tick
// at or before from to the one at or after to. Times keep the time zone of from.
class TimeScale
{
public:
    static TimeScale forRange(const QDateTime& from, const QDateTime& to, int maxSteps);

    QDateTime minimum() const { return m_Min; }
    QDateTime maximum() const { return m_Max; }
    // Step in hours (a day is 24, a week 168).
    int stepHours() const { return m_nHours; }
    int tickCount() const { return m_nTicks; }
    QVector<QDateTime> ticks() const;
    // A label format that shows what changes from tick to tick.
    QString labelFormat() const;

private:
    QDateTime m_Min;
    QDateTime m_Max;
    int m_nHours = 1;
    int m_nTicks = 2;
};

#endif // NICESCALE_H
