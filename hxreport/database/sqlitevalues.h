#ifndef SQLITEVALUES_H
#define SQLITEVALUES_H

#include <QVariant>
#include <QVariantList>

struct sqlite3_stmt;

// Values through SQLite's own interface, typed exactly as Qt's SQLite driver
// types them, for the bulk reads that bypass Qt's per-row copies.
class SqliteValues
{
public:
    // A column of the statement's current row; NULL is a null text.
    static QVariant column(sqlite3_stmt* statement, int column);
    // Binds values to the statement's '?' marks in order; an SQLite result code.
    static int bind(sqlite3_stmt* statement, const QVariantList& values);
};

#endif // SQLITEVALUES_H
