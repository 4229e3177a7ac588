#include "sqlitevalues.h"

#include <sqlite3.h>

QVariant SqliteValues::column(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
            sqlite3_column_bytes(statement, column));
    case SQLITE_NULL:
        return QVariant(QVariant::String);
    default:
        // Through SQLite's own UTF-16 conversion, as the driver reads text.
        return QString(static_cast<const QChar*>(sqlite3_column_text16(statement, column)),
            sqlite3_column_bytes16(statement, column) / int(sizeof(QChar)));
    }
}

int SqliteValues::bind(sqlite3_stmt* statement, const QVariantList& values)
{
    int code = SQLITE_OK;
    for (int i = 0; i < values.size() && code == SQLITE_OK; ++i) {
        const QVariant& value = values.at(i);
        const int index = i + 1;
        if (value.isNull()) {
            code = sqlite3_bind_null(statement, index);
            continue;
        }
        switch (value.type()) {
        case QVariant::Bool:
        case QVariant::Int:
        case QVariant::UInt:
        case QVariant::LongLong:
            code = sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QVariant::Double:
            code = sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case QVariant::ByteArray: {
            const QByteArray bytes = value.toByteArray();
            code = sqlite3_bind_blob(statement, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = value.toString();
            code = sqlite3_bind_text16(
                statement, index, text.utf16(), text.size() * int(sizeof(QChar)), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    return code;
}
