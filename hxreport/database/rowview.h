#ifndef ROWVIEW_H
#define ROWVIEW_H

#include <QByteArray>
#include <QVariant>
#include <QVector>

struct sqlite3_stmt;

// The current row of a statement run through SQLite's own interface, read in
// place: texts as SQLite's UTF-8 bytes, numbers as numbers, nothing copied.
// Column i is the i-th of the columns asked for; one the statement lacks
// reads as invalid (type Missing). Valid only inside the callback that
// receives it (the next step replaces the values).
class RowView
{
public:
    enum class Type
    {
        Integer,
        Real,
        Text,
        Blob,
        Null,
        Missing
    };

    RowView(sqlite3_stmt* statement, const QVector<int>& indexes);

    int size() const { return m_Indexes.size(); }
    Type type(int i) const;
    // Bytes of a text or blob, without a copy (QByteArray::fromRawData).
    QByteArray bytes(int i) const;
    qint64 integer(int i) const;
    double real(int i) const;
    // The value as Qt's SQLite driver types it (text, 64-bit integer, double,
    // bytes, null text; invalid for a missing column).
    QVariant variant(int i) const;

private:
    sqlite3_stmt* m_pStatement;
    const QVector<int>& m_Indexes;
};

#endif // ROWVIEW_H
