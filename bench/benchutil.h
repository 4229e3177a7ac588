#ifndef BENCHUTIL_H
#define BENCHUTIL_H

#include <QTextStream>

#include <vector>

// What the benchmark's parts share: where progress goes, and how runs are summed up.
class BenchUtil
{
public:
    // Standard error, for progress lines that stay out of the tables.
    static QTextStream& err();
    // The median of the runs (the upper one of an even count); -1 for none.
    static double median(std::vector<double> values);
};

#endif // BENCHUTIL_H
