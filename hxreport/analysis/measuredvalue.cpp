#include "measuredvalue.h"

#include <QVariant>
#include <QtNumeric>

#include <charconv>

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

bool MeasuredValue::read(const QVariant& value, double* number)
{
    if (value.isNull())
        return false;
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        *number = value.toDouble();
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        *number = value.toDouble();
        return qIsFinite(*number);
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        return readText(text.constData(), text.size(), number);
    }
    case QMetaType::QByteArray: {
        // A binary-collated text column of the server comes as its bytes.
        const QByteArray text = value.toByteArray();
        return readText(text.constData(), text.size(), number);
    }
    default:
        return false;
    }
}

bool MeasuredValue::readText(const char* text, int length, double* number)
{
    // Locale-free and without copies: the detection time of every record
    // passes here.
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const char* begin = text;
    const char* end = text + length;
    while (begin < end && blank(*begin))
        ++begin;
    while (end > begin && blank(end[-1]))
        --end;
    if (begin < end && *begin == '+' && end - begin > 1 && begin[1] != '-' && begin[1] != '+')
        ++begin;
    if (begin == end)
        return false;
    double parsed = 0;
    const std::from_chars_result r = std::from_chars(begin, end, parsed);
    // "inf" and "nan" read as numbers too; neither is a measurement.
    if (r.ec != std::errc() || r.ptr != end || !qIsFinite(parsed))
        return false;
    *number = parsed;
    return true;
}
