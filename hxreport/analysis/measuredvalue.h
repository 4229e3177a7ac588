#ifndef MEASUREDVALUE_H
#define MEASUREDVALUE_H

class QVariant;
struct sqlite3_value;

// Which stored values of a measured column (correlate, detecttime, diameter,
// hight) are numbers for the analyses. The station declares detecttime as a
// text column, so its numbers arrive as texts ("12.5"); any column may also
// hold NULL, an empty text or some other text after a fault.
//
// A value is a number when it is stored as an integer or a real, or when it
// is a text whose whole content, blanks at either end aside, reads as a
// finite decimal number ("12", "-0.5", "1e3"). NULL, blobs and every other
// text ("", "abc", "12mm", "nan") are not: they are left out of the count,
// mean, deviation, extremes, histogram and limits of that column, and counted
// as "not a number" instead. The other columns of the record still count.
class MeasuredValue
{
public:
    // True with the number in *number when value is one (see above).
    static bool read(sqlite3_value* value, double* number);
    // The same for a value as Qt's drivers give it (the plant server's
    // DOUBLE columns as doubles, its detecttime as text or, binary-collated,
    // as bytes, NULL as a null value).
    static bool read(const QVariant& value, double* number);
    // The same for a text's bytes.
    static bool readText(const char* text, int length, double* number);
};

#endif // MEASUREDVALUE_H
