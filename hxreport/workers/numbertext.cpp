#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {
int copy(const char* text, char* out)
{
    const int length = int(std::strlen(text));
    std::memcpy(out, text, size_t(length));
    return length;
}
}

int NumberText::fixed3(double value, char* out)
{
    if (std::isnan(value))
        return copy("nan", out);
    if (std::isinf(value))
        return copy(value > 0 ? "inf" : "-inf", out);
    if (value == 0)
        return copy("0.000", out);
    // A tie at the third decimal is a value k/16 with k odd (value * 1000 =
    // 62.5 k); only values below 2^49 have that resolution, and there the
    // product is exact. Qt rounds it away from zero: 62.5 k -> (125 k + 1) / 2.
    const double sixteenths = value * 16;
    if (std::fabs(value) < 562949953421312.0 && sixteenths == std::trunc(sixteenths)
        && std::fmod(sixteenths, 2.0) != 0) {
        const long long k = static_cast<long long>(std::fabs(sixteenths));
        const long long thousandths = (125 * k + 1) / 2;
        int length = 0;
        if (value < 0)
            out[length++] = '-';
        length += integer(thousandths / 1000, out + length);
        const int decimals = int(thousandths % 1000);
        out[length++] = '.';
        out[length++] = char('0' + decimals / 100);
        out[length++] = char('0' + decimals / 10 % 10);
        out[length++] = char('0' + decimals % 10);
        return length;
    }
    const std::to_chars_result result
        = std::to_chars(out, out + Fixed3Capacity, value, std::chars_format::fixed, 3);
    return int(result.ptr - out);
}

int NumberText::integer(long long value, char* out)
{
    const std::to_chars_result result = std::to_chars(out, out + 24, value);
    return int(result.ptr - out);
}
