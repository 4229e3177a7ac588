#ifndef SYNCVALUES_H
#define SYNCVALUES_H

#include "synctable.h"

#include <QByteArray>
#include <QVariant>
#include <QVector>

class SqliteValue;

// Turns the station's SQLite values (any storage class in any column) into
// values a server column of a fixed type holds. The station writes numbers
// into the number columns and text into the text ones; anything else is
// kept where it can be (a number's text, a numeric text as its number) and
// otherwise stored as NULL or cut, which *adjusted reports.
class SyncValues
{
public:
    static QVariant toServer(const SqliteValue& value, const SyncTable::Column& column, bool* adjusted);
    // A digest (40 hex digits) of the values that identify a row in its file,
    // storage class included.
    static QByteArray mark(const QVector<SqliteValue>& values, int count);
    // A value's text as the station stores it, for comparing times.
    static QByteArray text(const SqliteValue& value);
    static bool isText(const SqliteValue& value);
    // Bytes of a text or blob, 8 for anything else (to size a statement).
    static int size(const SqliteValue& value);
};

#endif // SYNCVALUES_H
