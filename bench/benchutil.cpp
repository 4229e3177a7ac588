#include "benchutil.h"

#include <algorithm>

QTextStream& BenchUtil::err()
{
    static QTextStream stream(stderr);
    return stream;
}

double BenchUtil::median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
