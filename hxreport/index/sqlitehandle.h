#ifndef SQLITEHANDLE_H
#define SQLITEHANDLE_H

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <atomic>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

// Small owners of SQLite handles for the index library, which talks to SQLite
// directly: values are copied from the station file to the index with their
// exact storage class, and bulk inserts skip Qt's per-value conversions.
//
// Threads: one object belongs to the thread that uses it (connections are
// opened without SQLite's own mutex).
class SqliteConnection
{
public:
    enum class Mode
    {
        ReadOnly, // never writes; the station's file is only ever opened so
        ReadWrite, // an existing file
        Create // made when missing
    };

    SqliteConnection();
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // interrupt (optional, must outlive the connection): while set, running
    // statements stop and lock waits end; so they do once the calling thread's
    // request is cancelled (CancelFlag). busyMs: how long to wait for a lock.
    bool open(
        const QString& path, Mode mode, const std::atomic<bool>* interrupt = nullptr, int busyMs = 2000);
    void close();
    bool isOpen() const { return m_pDb != nullptr; }
    sqlite3* handle() const { return m_pDb; }

    // Runs statements without results (several, separated by ';').
    bool exec(const char* sql);
    // The message and result code of the last failure.
    QString errorString() const { return m_Error; }
    int errorCode() const { return m_ErrorCode; }
    // True when the last failure means the file is damaged or no database.
    bool lastErrorIsDamage() const;
    void setError(int code);

    struct BusyContext
    {
        const std::atomic<bool>* interrupt;
        int busyMs;
    };

private:
    sqlite3* m_pDb = nullptr;
    std::unique_ptr<BusyContext> m_pBusy;
    QString m_Error;
    int m_ErrorCode = 0;
};

// A prepared statement; reset before each run, finalized by the destructor.
class SqliteStatement
{
public:
    SqliteStatement(SqliteConnection& connection, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_pStmt != nullptr; }
    SqliteStatement& reset();
    SqliteStatement& bind(int index, qint64 value);
    SqliteStatement& bind(int index, const QByteArray& text); // as text, never NULL
    SqliteStatement& bindValue(int index, const sqlite3_value* value); // exact copy; null pointer: NULL
    // One step: true with a row; false at the end or on failure (see failed()).
    bool step();
    bool failed() const { return m_bFailed; }
    // Runs to the end; false when it failed.
    bool run();

    qint64 int64(int column) const;
    QByteArray text(int column) const;
    bool isNull(int column) const;
    int type(int column) const;
    sqlite3_value* value(int column) const; // valid until the next step or reset
    // The column as Qt's SQLite driver would type it (text, 64-bit integer,
    // double, bytes, null text), so that it converts to text the same way.
    QVariant variant(int column) const;

private:
    SqliteConnection& m_Connection;
    sqlite3_stmt* m_pStmt = nullptr;
    bool m_bFailed = false;
};

// An owned copy of one SQLite value (sqlite3_value_dup), movable.
class SqliteValue
{
public:
    SqliteValue() = default;
    explicit SqliteValue(const sqlite3_value* value);
    ~SqliteValue();
    SqliteValue(SqliteValue&& other) noexcept;
    SqliteValue& operator=(SqliteValue&& other) noexcept;
    SqliteValue(const SqliteValue& other);
    SqliteValue& operator=(const SqliteValue& other);

    const sqlite3_value* get() const { return m_pValue; }
    int type() const; // SQLITE_NULL for an empty object
    QByteArray bytes() const; // text or blob bytes; numbers as SQLite writes them
    // Same storage class and bytes (numbers by value).
    bool sameAs(const SqliteValue& other) const;

private:
    sqlite3_value* m_pValue = nullptr;
};

#endif // SQLITEHANDLE_H
