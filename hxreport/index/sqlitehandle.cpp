#include "sqlitehandle.h"

#include "cancelflag.h"
#include "sqlitevalues.h"

#include <QThread>

#include <sqlite3.h>

namespace {
// Interrupted, or the request the calling thread works for was cancelled
// (a page's Cancel reaches the index queries the page's worker runs).
bool stopped(const SqliteConnection::BusyContext* busy)
{
    return (busy->interrupt && busy->interrupt->load()) || CancelFlag::currentCancelled();
}

// Called by SQLite while a statement runs (every ProgressSteps instructions).
int onProgress(void* context)
{
    return stopped(static_cast<const SqliteConnection::BusyContext*>(context)) ? 1 : 0;
}

// Waits for another connection's lock in 1 ms steps, up to busyMs, and not at
// all once stopped (shutdown must not wait for the station's commit).
int onBusy(void* context, int count)
{
    const auto* busy = static_cast<const SqliteConnection::BusyContext*>(context);
    if (stopped(busy) || count >= busy->busyMs)
        return 0;
    QThread::msleep(1);
    return 1;
}

const int ProgressSteps = 1000;
}

SqliteConnection::SqliteConnection() = default;

SqliteConnection::~SqliteConnection()
{
    close();
}

bool SqliteConnection::open(const QString& path, Mode mode, const std::atomic<bool>* interrupt, int busyMs)
{
    close();
    // URIs let the index attach the station file read-only ("file:...?mode=ro").
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    if (mode == Mode::ReadOnly)
        flags |= SQLITE_OPEN_READONLY;
    else
        flags |= SQLITE_OPEN_READWRITE | (mode == Mode::Create ? SQLITE_OPEN_CREATE : 0);
    const QByteArray name = path.toUtf8();
    const int code = sqlite3_open_v2(name.constData(), &m_pDb, flags, nullptr);
    if (code != SQLITE_OK) {
        setError(code);
        close();
        return false;
    }
    sqlite3_extended_result_codes(m_pDb, 1);
    // The context lives as long as the connection (a member).
    m_pBusy.reset(new BusyContext { interrupt, busyMs });
    sqlite3_busy_handler(m_pDb, &onBusy, m_pBusy.get());
    sqlite3_progress_handler(m_pDb, ProgressSteps, &onProgress, m_pBusy.get());
    m_Error.clear();
    m_ErrorCode = 0;
    return true;
}

void SqliteConnection::close()
{
    if (m_pDb)
        sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
}

bool SqliteConnection::exec(const char* sql)
{
    if (!m_pDb) {
        m_Error = QStringLiteral("not open");
        m_ErrorCode = SQLITE_MISUSE;
        return false;
    }
    const int code = sqlite3_exec(m_pDb, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        setError(code);
        return false;
    }
    return true;
}

void SqliteConnection::setError(int code)
{
    m_ErrorCode = code;
    const char* message = m_pDb ? sqlite3_errmsg(m_pDb) : sqlite3_errstr(code);
    m_Error = QString::fromUtf8(message ? message : sqlite3_errstr(code));
}

bool SqliteConnection::lastErrorIsDamage() const
{
    const int primary = m_ErrorCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_FORMAT;
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, const char* sql)
    : m_Connection(connection)
{
    if (!connection.handle()) {
        m_bFailed = true;
        return;
    }
    const int code = sqlite3_prepare_v2(connection.handle(), sql, -1, &m_pStmt, nullptr);
    if (code != SQLITE_OK) {
        connection.setError(code);
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
        m_bFailed = true;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_pStmt);
}

SqliteStatement& SqliteStatement::reset()
{
    if (m_pStmt) {
        sqlite3_reset(m_pStmt);
        sqlite3_clear_bindings(m_pStmt);
        m_bFailed = false;
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, qint64 value)
{
    if (m_pStmt)
        sqlite3_bind_int64(m_pStmt, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QByteArray& text)
{
    if (m_pStmt)
        sqlite3_bind_text(
            m_pStmt, index, text.isNull() ? "" : text.constData(), text.size(), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bindValue(int index, const sqlite3_value* value)
{
    if (m_pStmt) {
        if (value)
            sqlite3_bind_value(m_pStmt, index, value);
        else
            sqlite3_bind_null(m_pStmt, index);
    }
    return *this;
}

bool SqliteStatement::step()
{
    if (!m_pStmt)
        return false;
    const int code = sqlite3_step(m_pStmt);
    if (code == SQLITE_ROW)
        return true;
    if (code != SQLITE_DONE) {
        m_Connection.setError(code);
        m_bFailed = true;
    }
    return false;
}

bool SqliteStatement::run()
{
    while (step()) { }
    return !m_bFailed;
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_pStmt, column);
}

QByteArray SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, column));
    return QByteArray(data ? data : "", sqlite3_column_bytes(m_pStmt, column));
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_pStmt, column) == SQLITE_NULL;
}

int SqliteStatement::type(int column) const
{
    return sqlite3_column_type(m_pStmt, column);
}

sqlite3_value* SqliteStatement::value(int column) const
{
    return sqlite3_column_value(m_pStmt, column);
}

QVariant SqliteStatement::variant(int column) const
{
    return SqliteValues::column(m_pStmt, column);
}

SqliteValue::SqliteValue(const sqlite3_value* value)
    : m_pValue(value ? sqlite3_value_dup(value) : nullptr)
{
}

SqliteValue::~SqliteValue()
{
    sqlite3_value_free(m_pValue);
}

SqliteValue::SqliteValue(SqliteValue&& other) noexcept
    : m_pValue(other.m_pValue)
{
    other.m_pValue = nullptr;
}

SqliteValue& SqliteValue::operator=(SqliteValue&& other) noexcept
{
    if (this != &other) {
        sqlite3_value_free(m_pValue);
        m_pValue = other.m_pValue;
        other.m_pValue = nullptr;
    }
    return *this;
}

SqliteValue::SqliteValue(const SqliteValue& other)
    : m_pValue(other.m_pValue ? sqlite3_value_dup(other.m_pValue) : nullptr)
{
}

SqliteValue& SqliteValue::operator=(const SqliteValue& other)
{
    if (this != &other) {
        sqlite3_value_free(m_pValue);
        m_pValue = other.m_pValue ? sqlite3_value_dup(other.m_pValue) : nullptr;
    }
    return *this;
}

int SqliteValue::type() const
{
    return m_pValue ? sqlite3_value_type(m_pValue) : SQLITE_NULL;
}

QByteArray SqliteValue::bytes() const
{
    if (!m_pValue)
        return QByteArray();
    // sqlite3_value_text on a copy may convert it in place; that is allowed
    // for unprotected values only, so a fresh copy is read.
    sqlite3_value* copy = sqlite3_value_dup(m_pValue);
    QByteArray result;
    if (sqlite3_value_type(copy) == SQLITE_BLOB)
        result = QByteArray(static_cast<const char*>(sqlite3_value_blob(copy)), sqlite3_value_bytes(copy));
    else {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(copy));
        result = QByteArray(text ? text : "", sqlite3_value_bytes(copy));
    }
    sqlite3_value_free(copy);
    return result;
}

bool SqliteValue::sameAs(const SqliteValue& other) const
{
    const int t = type();
    if (t != other.type())
        return false;
    switch (t) {
    case SQLITE_NULL:
        return true;
    case SQLITE_INTEGER:
        return sqlite3_value_int64(m_pValue) == sqlite3_value_int64(other.m_pValue);
    case SQLITE_FLOAT:
        return sqlite3_value_double(m_pValue) == sqlite3_value_double(other.m_pValue);
    default:
        return bytes() == other.bytes();
    }
}
