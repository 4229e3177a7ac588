#include "rowview.h"

#include "sqlitevalues.h"

#include <sqlite3.h>

RowView::RowView(sqlite3_stmt* statement, const QVector<int>& indexes)
    : m_pStatement(statement)
    , m_Indexes(indexes)
{
}

RowView::Type RowView::type(int i) const
{
    const int column = m_Indexes.at(i);
    if (column < 0)
        return Type::Missing;
    switch (sqlite3_column_type(m_pStatement, column)) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Real;
    case SQLITE_BLOB:
        return Type::Blob;
    case SQLITE_NULL:
        return Type::Null;
    default:
        return Type::Text;
    }
}

QByteArray RowView::bytes(int i) const
{
    const int column = m_Indexes.at(i);
    if (column < 0)
        return QByteArray();
    const void* data = sqlite3_column_type(m_pStatement, column) == SQLITE_BLOB
        ? sqlite3_column_blob(m_pStatement, column)
        : static_cast<const void*>(sqlite3_column_text(m_pStatement, column));
    const int size = sqlite3_column_bytes(m_pStatement, column);
    return data ? QByteArray::fromRawData(static_cast<const char*>(data), size) : QByteArray();
}

qint64 RowView::integer(int i) const
{
    const int column = m_Indexes.at(i);
    return column < 0 ? 0 : sqlite3_column_int64(m_pStatement, column);
}

double RowView::real(int i) const
{
    const int column = m_Indexes.at(i);
    return column < 0 ? 0 : sqlite3_column_double(m_pStatement, column);
}

QVariant RowView::variant(int i) const
{
    const int column = m_Indexes.at(i);
    return column < 0 ? QVariant() : SqliteValues::column(m_pStatement, column);
}
