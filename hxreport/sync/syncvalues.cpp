#include "syncvalues.h"

#include "sqlitehandle.h"

#include <QCryptographicHash>
#include <QTextCodec>

#include <cmath>
#include <sqlite3.h>

namespace {
QVariant nullOf(SyncTable::Kind kind)
{
    switch (kind) {
    case SyncTable::Kind::Integer:
        return QVariant(QVariant::LongLong);
    case SyncTable::Kind::Real:
        return QVariant(QVariant::Double);
    case SyncTable::Kind::Bytes:
        return QVariant(QVariant::ByteArray);
    default:
        return QVariant(QVariant::String);
    }
}

double realOf(const SqliteValue& value)
{
    return sqlite3_value_double(const_cast<sqlite3_value*>(value.get()));
}

qint64 integerOf(const SqliteValue& value)
{
    return sqlite3_value_int64(const_cast<sqlite3_value*>(value.get()));
}
}

bool SyncValues::isText(const SqliteValue& value)
{
    return value.type() == SQLITE_TEXT;
}

int SyncValues::size(const SqliteValue& value)
{
    const int type = value.type();
    if (type != SQLITE_TEXT && type != SQLITE_BLOB)
        return 8;
    // A text or blob reports its size without conversion.
    return sqlite3_value_bytes(const_cast<sqlite3_value*>(value.get()));
}

QByteArray SyncValues::text(const SqliteValue& value)
{
    return value.bytes();
}

QVariant SyncValues::toServer(const SqliteValue& value, const SyncTable::Column& column, bool* adjusted)
{
    const int type = value.type();
    if (type == SQLITE_NULL)
        return nullOf(column.kind);
    switch (column.kind) {
    case SyncTable::Kind::Integer:
        if (type == SQLITE_INTEGER)
            return integerOf(value);
        if (type == SQLITE_FLOAT) {
            const double real = realOf(value);
            if (std::isfinite(real) && std::trunc(real) == real && std::fabs(real) < 9.0e18)
                return qint64(real);
        } else if (type == SQLITE_TEXT) {
            bool ok = false;
            const qint64 number = value.bytes().trimmed().toLongLong(&ok);
            if (ok)
                return number;
        }
        break;
    case SyncTable::Kind::Real:
        if (type == SQLITE_INTEGER)
            return double(integerOf(value));
        if (type == SQLITE_FLOAT) {
            // SQLite keeps infinities; the server's DOUBLE cannot.
            const double real = realOf(value);
            if (std::isfinite(real))
                return real;
        } else if (type == SQLITE_TEXT) {
            bool ok = false;
            const double number = value.bytes().trimmed().toDouble(&ok);
            if (ok && std::isfinite(number))
                return number;
        }
        break;
    case SyncTable::Kind::Bytes:
        return value.bytes();
    case SyncTable::Kind::Text: {
        if (type == SQLITE_BLOB)
            break;
        // Numbers as SQLite writes them; invalid UTF-8 becomes U+FFFD, which
        // the server's utf8mb4 column takes, and counts as changed.
        const QByteArray bytes = value.bytes();
        QTextCodec::ConverterState state;
        QString text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
        if (state.invalidChars > 0)
            *adjusted = true;
        if (column.maxChars > 0 && text.size() > column.maxChars) {
            const QVector<uint> codes = text.toUcs4();
            if (codes.size() > column.maxChars) {
                text = QString::fromUcs4(codes.constData(), column.maxChars);
                *adjusted = true;
            }
        }
        return text;
    }
    }
    *adjusted = true;
    return nullOf(column.kind);
}

QByteArray SyncValues::mark(const QVector<SqliteValue>& values, int count)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int i = 0; i < count && i < values.size(); ++i) {
        const SqliteValue& value = values.at(i);
        const QByteArray bytes
            = value.type() == SQLITE_FLOAT ? QByteArray::number(realOf(value), 'g', 17) : value.bytes();
        hash.addData(QByteArray::number(value.type()) + ':' + QByteArray::number(bytes.size()) + ':');
        hash.addData(bytes);
    }
    return hash.result().toHex();
}
