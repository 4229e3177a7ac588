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
    // Below 2^53 the value is exactly m / 2^shift with m < 2^53, so 1000 m
    // fits in 64 bits and the thousandths come out exact in integers, rounded
    // up from half on: Qt's rounding, ties away from zero (std::to_chars
    // would round them to even). Larger values have no decimals.
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);
    if (exponent <= 53) {
        const auto m = static_cast<unsigned long long>(std::ldexp(mantissa, 53));
        const int shift = 53 - exponent;
        unsigned long long thousandths = 0; // below half a thousandth from 2^64 on
        if (shift < 64) {
            const unsigned long long product = 1000 * m; // < 2^63
            thousandths = product >> shift;
            if (shift > 0 && (product & ((1ULL << shift) - 1)) >= (1ULL << (shift - 1)))
                ++thousandths;
        }
        int length = 0;
        if (value < 0)
            out[length++] = '-';
        length += integer(static_cast<long long>(thousandths / 1000), out + length);
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
