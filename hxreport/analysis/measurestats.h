#ifndef MEASURESTATS_H
#define MEASURESTATS_H

#include <QVector>

// The figures of one measured column over the records of an analysis: the
// numbers (see MeasuredValue) and how many records held none. Mean and
// deviation are updated as numbers arrive (Welford's method, so that large
// values with a small spread keep their digits); the numbers are kept, so
// histograms and limits are answered without reading the records again (a
// scan of a million numbers takes about a millisecond).
class MeasureStats
{
public:
    void add(double value);
    void addMissing() { ++m_nMissing; }
    // Call once after the last add().
    void finish();

    qint64 count() const { return m_Values.size(); }
    qint64 missing() const { return m_nMissing; }
    double mean() const { return m_Mean; }
    // Sample standard deviation (n - 1); 0 for fewer than two numbers.
    double deviation() const;
    double minimum() const { return m_Values.isEmpty() ? 0 : m_Min; }
    double maximum() const { return m_Values.isEmpty() ? 0 : m_Max; }

    // Counts in bins equal-width bins from the minimum to the maximum: a
    // number v falls into bin floor((v - min) / width), the maximum into the
    // last. All numbers equal: one bin. No numbers: no bins.
    QVector<qint64> histogram(int bins) const;
    double binWidth(int bins) const;

    // The bars of a chart of the numbers, at most maxBins of them. Whole
    // numbers get bars a whole number wide centred on the values (so that
    // the highest value's bar is as wide as the others); other numbers get
    // the equal-width bins of histogram(), all numbers equal one bar of
    // width 1 around them.
    struct Bars
    {
        double low = 0;
        double width = 1;
        QVector<qint64> counts;
    };
    Bars bars(int maxBins) const;
    // Whether every number is a whole number (true without numbers).
    bool whole() const { return m_bWhole; }

    // Process capability against the limits the user typed. Cp needs both
    // limits, Cpk one or both (the nearer side), and both need a deviation
    // above 0; outside counts the numbers below lower or above upper.
    struct Capability
    {
        bool hasCp = false;
        double cp = 0;
        bool hasCpk = false;
        double cpk = 0;
        qint64 outside = 0;
    };
    Capability capability(bool hasLower, double lower, bool hasUpper, double upper) const;

private:
    QVector<double> m_Values;
    qint64 m_nMissing = 0;
    double m_Mean = 0;
    double m_M2 = 0;
    double m_Min = 0;
    double m_Max = 0;
    bool m_bWhole = true;
};

#endif // MEASURESTATS_H
