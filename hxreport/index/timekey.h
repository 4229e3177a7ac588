#ifndef TIMEKEY_H
#define TIMEKEY_H

#include <QByteArray>
#include <QtGlobal>

// The index's compact, order-preserving key of a station time text.
//
// The station's statements compare times as texts (BINARY collation: byte by
// byte over UTF-8, a prefix before its extensions). Almost every stored time
// has the shape "dddd-dd-dd dd:dd:dd" (d a digit); such a text is kept as the
// integer of its 14 digits (6 bytes on disk instead of 19), whose numeric
// order is the texts' order. Any other text ("odd" format) keeps its text,
// after the integer of the largest well-shaped text at or below it (its
// floor), or after -1 when there is none. Keys compare as (ti, tx) with the
// empty text for well-shaped times, and for any two texts a, b:
//     a < b  <=>  key(a) < key(b)        (and a == b <=> key(a) == key(b))
// because no well-shaped text lies strictly between an odd text and its floor
// and an odd text is never empty when ti >= 0. So a range condition
// "time > t1 and time < t2" on texts becomes "(ti,tx) > key(t1) and (ti,tx) <
// key(t2)" on keys, for bounds of any shape.
//
// Stored values that are not texts get ti = NotText (numbers), NullTime or
// BlobTime: a range between two text bounds never holds them (numbers sort
// before texts and blobs after them; NULL compares to nothing), and they are
// below every key a text bound can have. They are kept apart because the
// station's retention (time < cut-off) deletes numbers but not NULLs or blobs.
struct TimeKey
{
    static const qint64 NoFloor = -1;
    static const qint64 NotText = -2;
    static const qint64 NullTime = -3;
    static const qint64 BlobTime = -4;
    static const int Length = 19;

    qint64 ti = NotText;
    QByteArray tx; // empty for well-shaped texts and for non-texts

    // The key of a text time given as its UTF-8 bytes.
    static TimeKey ofText(const QByteArray& utf8);
    // The largest well-shaped text that is <= text (byte order); false when
    // there is none. out receives the 19 bytes.
    static bool floorOf(const QByteArray& text, char out[Length]);
    // The 14 digits of a well-shaped text as an integer, and back.
    static qint64 pack(const char text[Length]);
    static QByteArray unpack(qint64 packed);
    static bool isWellShaped(const QByteArray& text);
    // Both in one pass over the bytes: false when the text is not well-shaped.
    static bool packShaped(const char* text, int size, qint64* packed);

    // Days. A text's key with ti >= 0 belongs to the day of its floor, the
    // integer of the floor's first 8 digits: the keys of day d are exactly
    // those with d * DayUnits <= ti < (d + 1) * DayUnits, odd texts included.
    // Hours alike, with HourUnits.
    static const qint64 DayUnits = 1000000;
    static const qint64 HourUnits = 10000;
    static qint64 dayOf(qint64 ti) { return ti / DayUnits; }
    static qint64 hourOf(qint64 ti) { return ti / HourUnits; }
    struct Days;
    // The days first..last all of whose keys lie strictly between low and
    // high (none when first > last), and the keys around them: the rest of
    // the range is low < key < headEnd and tailStart <= key < high.
    static Days wholeDays(const TimeKey& low, const TimeKey& high);
    // The same for spans of `units` keys (DayUnits, HourUnits).
    static Days wholeSpans(const TimeKey& low, const TimeKey& high, qint64 units);
    // Whether a record of this key is off its hour's clock: an odd text, or a
    // well-shaped one whose minutes or seconds are above 59. A trend puts
    // such records apart from their hour.
    static bool offClock(qint64 ti, bool odd) { return odd || ti % 100 > 59 || ti / 100 % 100 > 59; }

    bool operator==(const TimeKey& other) const { return ti == other.ti && tx == other.tx; }
    bool operator<(const TimeKey& other) const { return ti != other.ti ? ti < other.ti : tx < other.tx; }
};

struct TimeKey::Days
{
    qint64 first = 0;
    qint64 last = -1;
    TimeKey headEnd;
    TimeKey tailStart;
};

#endif // TIMEKEY_H
