#include "measurestats.h"

#include <QtMath>

#include <algorithm>

void MeasureStats::add(double value)
{
    if (m_Values.isEmpty() || value < m_Min)
        m_Min = value;
    if (m_Values.isEmpty() || value > m_Max)
        m_Max = value;
    m_Values.append(value);
    const double delta = value - m_Mean;
    m_Mean += delta / double(m_Values.size());
    m_M2 += delta * (value - m_Mean);
}

void MeasureStats::finish()
{
    m_Values.squeeze();
}

double MeasureStats::deviation() const
{
    return m_Values.size() < 2 ? 0 : qSqrt(m_M2 / double(m_Values.size() - 1));
}

double MeasureStats::binWidth(int bins) const
{
    return bins > 0 ? (maximum() - minimum()) / bins : 0;
}

QVector<qint64> MeasureStats::histogram(int bins) const
{
    if (m_Values.isEmpty() || bins < 1)
        return {};
    const double width = binWidth(bins);
    if (!(width > 0))
        return { qint64(m_Values.size()) };
    QVector<qint64> counts(bins, 0);
    const double low = minimum();
    for (const double v : m_Values)
        ++counts[std::min(bins - 1, int((v - low) / width))];
    return counts;
}

MeasureStats::Capability MeasureStats::capability(
    bool hasLower, double lower, bool hasUpper, double upper) const
{
    Capability c;
    if (hasLower || hasUpper) {
        for (const double v : m_Values)
            c.outside += (hasLower && v < lower) || (hasUpper && v > upper) ? 1 : 0;
    }
    const double sigma = deviation();
    if (!(sigma > 0))
        return c;
    if (hasLower && hasUpper) {
        c.hasCp = true;
        c.cp = (upper - lower) / (6 * sigma);
    }
    if (hasLower || hasUpper) {
        c.hasCpk = true;
        const double toUpper = hasUpper ? (upper - m_Mean) / (3 * sigma) : qInf();
        const double toLower = hasLower ? (m_Mean - lower) / (3 * sigma) : qInf();
        c.cpk = std::min(toUpper, toLower);
    }
    return c;
}
