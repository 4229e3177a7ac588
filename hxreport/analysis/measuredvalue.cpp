#include "measuredvalue.h"

#include <QByteArray>
#include <QtNumeric>

#include <sqlite3.h>

bool MeasuredValue::read(sqlite3_value* value, double* number)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        *number = double(sqlite3_value_int64(value));
        return true;
    case SQLITE_FLOAT:
        *number = sqlite3_value_double(value);
        return qIsFinite(*number);
    case SQLITE_TEXT:
        return readText(
            reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value), number);
    default:
        return false;
    }
}

bool MeasuredValue::readText(const char* text, int length, double* number)
{
    const QByteArray trimmed = QByteArray::fromRawData(text, length).trimmed();
    if (trimmed.isEmpty())
        return false;
    // toDouble() also takes "inf" and "nan"; neither is a measurement.
    bool ok = false;
    const double parsed = trimmed.toDouble(&ok);
    if (!ok || !qIsFinite(parsed))
        return false;
    *number = parsed;
    return true;
}
