#include "nicescale.h"

#include <QtMath>

namespace {
// The smallest of 1, 2, 5 times a power of ten not below raw.
double roundStep(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    // A little slack: 2.0000000001 from a division is still 2.
    const double slack = 1e-9;
    if (fraction <= 1 + slack)
        return power;
    if (fraction <= 2 + slack)
        return 2 * power;
    if (fraction <= 5 + slack)
        return 5 * power;
    return 10 * power;
}
}

NiceScale NiceScale::forValues(double low, double high, int maxSteps, bool whole)
{
    NiceScale s;
    maxSteps = qMax(1, maxSteps);
    if (!qIsFinite(low) || !qIsFinite(high))
        return s;
    if (high < low)
        std::swap(low, high);
    double span = high - low;
    if (!(span > 0))
        span = low != 0 ? std::abs(low) / 10 : 1;
    double step = roundStep(span / maxSteps);
    if (whole)
        step = qMax(1.0, step);
    // Rounding both ends outwards may need one step more than asked; the
    // next round step then fits.
    for (;;) {
        s.m_Min = std::floor(low / step + 1e-9) * step;
        s.m_Max = std::ceil(high / step - 1e-9) * step;
        if (s.m_Max <= s.m_Min)
            s.m_Max = s.m_Min + step;
        const int steps = qRound((s.m_Max - s.m_Min) / step);
        if (steps <= maxSteps) {
            s.m_Step = step;
            s.m_nTicks = steps + 1;
            return s;
        }
        step = roundStep(step * 1.5);
    }
}

NiceScale NiceScale::forCounts(double highest, int maxSteps)
{
    // A tenth more, so that the highest bar's label stays inside the chart.
    return forValues(0, qMax(1.0, highest * 1.1), maxSteps, true);
}

NiceScale NiceScale::forPercent(double highest, int maxSteps)
{
    // No NG at all still shows a percent's scale rather than a hair's breadth.
    return forValues(0, highest > 0 ? qMin(highest, 100.0) : 1.0, maxSteps, false);
}

QVector<double> NiceScale::ticks() const
{
    QVector<double> out;
    for (int i = 0; i < m_nTicks; ++i) {
        // Rounded to the step's decimals: 0.1 * 3 is 0.30000000000000004.
        const double power = std::pow(10.0, decimals());
        out << std::round((m_Min + i * m_Step) * power) / power;
    }
    return out;
}

int NiceScale::decimals() const
{
    if (m_Step >= 1)
        return 0;
    return qMax(0, int(std::ceil(-std::log10(m_Step) - 1e-9)));
}

QString NiceScale::labelFormat() const
{
    return decimals() == 0 ? QStringLiteral("%d") : QStringLiteral("%.%1f").arg(decimals());
}

TimeScale TimeScale::forRange(const QDateTime& from, const QDateTime& to, int maxSteps)
{
    TimeScale s;
    if (!from.isValid() || !to.isValid())
        return s;
    maxSteps = qMax(1, maxSteps);
    const QDateTime end = qMax(from, to);
    static const int hours[] = { 1, 2, 3, 6, 12, 24, 48, 168, 336, 672 };
    for (const int h : hours) {
        QDateTime first;
        if (h < 24) {
            first = QDateTime(from.date(), QTime(from.time().hour() / h * h, 0), from.timeSpec());
        } else if (h < 168) {
            first = QDateTime(from.date(), QTime(0, 0), from.timeSpec());
        } else {
            const QDate day = from.date();
            first = QDateTime(day.addDays(1 - day.dayOfWeek()), QTime(0, 0), from.timeSpec());
        }
        // Whole days are counted in days, not hours: a day of a clock change
        // is still one step.
        const auto at = [&](int i) {
            return h < 24 ? first.addSecs(qint64(i) * h * 3600) : first.addDays(qint64(i) * h / 24);
        };
        int steps = 1;
        while (at(steps) < end && (steps <= maxSteps || h == 672))
            ++steps;
        if (steps <= maxSteps || h == 672) {
            s.m_Min = first;
            s.m_Max = at(steps);
            s.m_nHours = h;
            s.m_nTicks = steps + 1;
            return s;
        }
    }
    return s;
}

QVector<QDateTime> TimeScale::ticks() const
{
    QVector<QDateTime> out;
    for (int i = 0; i < m_nTicks; ++i)
        out << (m_nHours < 24 ? m_Min.addSecs(qint64(i) * m_nHours * 3600)
                              : m_Min.addDays(qint64(i) * m_nHours / 24));
    return out;
}

QString TimeScale::labelFormat() const
{
    if (m_nHours >= 24)
        return QStringLiteral("yyyy-MM-dd");
    return m_Min.date() == m_Max.addSecs(-1).date() ? QStringLiteral("hh:mm") : QStringLiteral("MM-dd hh:mm");
}
