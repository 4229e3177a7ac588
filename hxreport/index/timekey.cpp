#include "timekey.h"

namespace {
// 'd' marks a digit position; anything else must stand as written.
const char Shape[TimeKey::Length + 1] = "dddd-dd-dd dd:dd:dd";

bool isDigitSlot(int i)
{
    return Shape[i] == 'd';
}

// The largest character allowed at each position from i on.
void fillMax(char* out, int from)
{
    for (int i = from; i < TimeKey::Length; ++i)
        out[i] = isDigitSlot(i) ? '9' : Shape[i];
}

// Lowers the rightmost digit before `before` that can be lowered and fills the
// rest with the largest characters: the largest well-shaped text below out's
// first `before` characters. False when every digit there is '0'.
bool lowerBefore(char* out, int before)
{
    for (int j = before - 1; j >= 0; --j) {
        if (isDigitSlot(j) && out[j] > '0') {
            --out[j];
            fillMax(out, j + 1);
            return true;
        }
    }
    return false;
}
}

bool TimeKey::isWellShaped(const QByteArray& text)
{
    if (text.size() != Length)
        return false;
    for (int i = 0; i < Length; ++i) {
        const char c = text.at(i);
        if (isDigitSlot(i) ? (c < '0' || c > '9') : c != Shape[i])
            return false;
    }
    return true;
}

bool TimeKey::floorOf(const QByteArray& text, char out[Length])
{
    // Bytes compare unsigned, as SQLite's memcmp does.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.constData());
    const int size = text.size();
    for (int i = 0; i < Length; ++i) {
        if (i == size) // text is a proper prefix: every extension is above it
            return lowerBefore(out, i);
        const unsigned char c = bytes[i];
        const unsigned char low = isDigitSlot(i) ? '0' : static_cast<unsigned char>(Shape[i]);
        const unsigned char high = isDigitSlot(i) ? '9' : static_cast<unsigned char>(Shape[i]);
        if (c >= low && c <= high) {
            out[i] = static_cast<char>(c);
            continue;
        }
        if (c > high) {
            out[i] = static_cast<char>(high);
            fillMax(out, i + 1);
            return true;
        }
        return lowerBefore(out, i);
    }
    return true; // the first 19 bytes are well shaped: equal, or a prefix of text
}

qint64 TimeKey::pack(const char text[Length])
{
    qint64 value = 0;
    for (int i = 0; i < Length; ++i) {
        if (isDigitSlot(i))
            value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool TimeKey::packShaped(const char* text, int size, qint64* packed)
{
    if (size != Length)
        return false;
    qint64 value = 0;
    for (int i = 0; i < Length; ++i) {
        const char c = text[i];
        if (isDigitSlot(i)) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        } else if (c != Shape[i]) {
            return false;
        }
    }
    *packed = value;
    return true;
}

QByteArray TimeKey::unpack(qint64 packed)
{
    QByteArray text(Length, '0');
    for (int i = Length - 1; i >= 0; --i) {
        if (isDigitSlot(i)) {
            text[i] = static_cast<char>('0' + packed % 10);
            packed /= 10;
        } else {
            text[i] = Shape[i];
        }
    }
    return text;
}

TimeKey TimeKey::ofText(const QByteArray& utf8)
{
    TimeKey key;
    char floor[Length];
    if (!floorOf(utf8, floor)) {
        key.ti = NoFloor;
        key.tx = utf8;
        // Keeps the text non-null: SQLite must see a text, even an empty one.
        if (key.tx.isNull())
            key.tx = QByteArray("");
        return key;
    }
    key.ti = pack(floor);
    if (!isWellShaped(utf8))
        key.tx = utf8;
    return key;
}

TimeKey::Days TimeKey::wholeSpans(const TimeKey& low, const TimeKey& high, qint64 units)
{
    // The smallest key of span d is (d * units, ""), so all of the span is
    // above low when d * units > low.ti; every key of the span has ti below
    // (d + 1) * units, so all of it is below high when that is <= high.ti.
    Days days;
    days.first = low.ti < 0 ? 0 : low.ti / units + 1;
    days.last = high.ti < units ? -1 : high.ti / units - 1;
    if (days.first > days.last) {
        days.first = 0;
        days.last = -1;
        days.headEnd = high;
        days.tailStart = high;
        return days;
    }
    days.headEnd.ti = days.first * units;
    days.headEnd.tx = QByteArray("");
    days.tailStart.ti = (days.last + 1) * units;
    days.tailStart.tx = QByteArray("");
    return days;
}

TimeKey::Days TimeKey::wholeDays(const TimeKey& low, const TimeKey& high)
{
    return wholeSpans(low, high, DayUnits);
}
