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
    m_bWhole = m_bWhole && std::floor(value) == value;
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

MeasureStats::Bars MeasureStats::bars(int maxBins) const
{
    Bars b;
    if (m_Values.isEmpty() || maxBins < 1)
        return b;
    if (!m_bWhole || !(maximum() - minimum() >= 1)) {
        b.counts = histogram(maxBins);
        b.width = b.counts.size() > 1 ? binWidth(maxBins) : 1;
        b.low = b.counts.size() > 1 ? minimum() : minimum() - 0.5;
        return b;
    }
    // Whole numbers: n values from min to max, in bars of a whole width.
    const double values = maximum() - minimum() + 1;
    b.width = std::ceil(values / maxBins);
    b.low = minimum() - 0.5;
    b.counts.fill(0, int(std::ceil(values / b.width)));
    for (const double v : m_Values)
        ++b.counts[int((v - minimum()) / b.width)];
    return b;
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
