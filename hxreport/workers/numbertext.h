#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

// Number texts of the export files without Qt's locale machinery.
//
// fixed3() writes exactly the text of QString::number(value, 'f', 3) (Qt's
// double-conversion, "C" locale): correctly rounded to 3 decimals with exact
// ties (values k/16 with k odd) rounded away from zero, where std::to_chars
// rounds them to even (so values below 2^53 are rounded in integers here); "0.000" for both zeros but
// "-0.000" for a negative value that rounds to zero; "nan" whatever the sign; "inf" and "-inf"; every integer
// digit of huge values.
namespace NumberText {
// Room for the longest text (309 integer digits, sign, point, 3 decimals).
constexpr int Fixed3Capacity = 320;

// Writes the text to out (not terminated) and returns its length.
int fixed3(double value, char* out);
// A decimal integer, as QString::number(int) writes it; returns the length.
int integer(long long value, char* out);
}

#endif // NUMBERTEXT_H
