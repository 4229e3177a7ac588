#ifndef DATABASESQL_H
#define DATABASESQL_H

#include "boundstatement.h"
#include "logrecord.h"
#include "rowview.h"
#include "sqldialect.h"
#include "statementtexts.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <functional>
#include <memory>

class QThread;

// Base of the two database classes: one object per database file.
//
// Threads: a Qt SQL connection may only be used by the thread that made it, and
// the SQLite driver opens connections without SQLite's own mutex. So the object
// keeps its own connection for the thread that constructed it and gives every
// other thread that calls it a clone of that connection (same file, same
// options, read-only), made on first use in that thread and removed when the
// thread ends. All operations may therefore be called from any thread.
//
// Results handed out by execSql()/queryRecords() are detached: the rows are read
// into memory on the calling thread and the statement is finished at once, so
// no read lock is held on the station's file after the call returns and the
// result may be read in another thread without touching a connection.
//
// open(), close(), the setters and openDatabase() belong to the constructing
// thread. Writes made from another thread go through a second, writable clone
// of that thread, so that the read-only clone stays read-only.
//
// The constructing thread's connection is registered under the database path
// and stays registered after destruction. A second live object on the same
// path replaces that registration, which disables the first object's
// connection (Qt's rule): keep one live object per path spelling.
class DataBaseSql : public QObject
{
    Q_OBJECT
public:
    explicit DataBaseSql(const QString& databasePath, const QString& driverName);
    ~DataBaseSql() override;

    bool open();
    void close();
    void setDatabaseName(const QString& name);
    void setHost(const QString& host, int port);
    void setUser(const QString& user, const QString& password);
    void setConnectOptions(const QString& options);

    bool createTable(const QString& table, const QString& keyColumn, const QVariantMap& columns);

    virtual bool openDatabase() = 0;
    virtual bool insertRecord(QString table, QVariantMap values);
    virtual bool updateRecords(QString table, QVariantMap values);
    virtual bool deleteRecords(QString table, QString condition);
    virtual bool execSql(QString sql, QSqlQuery& result) = 0;
    virtual bool queryRecords(QVariantMap request, QSqlQuery& result) = 0;
    virtual bool insertLog(LogRecord record) = 0;
    virtual bool trimLogClass(int logClass, int keepCount) = 0;
    virtual bool clearAll() = 0;
    virtual bool deleteBefore(QString time) = 0;
    virtual QString buildQuerySql(QVariantMap request);

    QString databasePath() const { return m_DatabasePath; }
    QString driverName() const { return m_DriverName; }
    // The statements this connection understands: the plant server's for
    // Qt's MariaDB driver, else a station file's.
    SqlDialect dialect() const;

    // The connection to use from the calling thread (see the class comment).
    QSqlDatabase database() const;

    // The error of the last statement that failed in the calling thread through
    // this object; cleared by the next statement that succeeds there. Lets the
    // pages tell "no rows" from "the statement failed".
    QSqlError lastError() const;

    // Runs a statement on the calling thread's connection and reads it into a
    // detached result (see the class comment). Returns false when it failed; the
    // result then is inactive and carries the error.
    bool runDetached(const QString& sql, QSqlQuery& result) const;
    bool runDetached(const BoundStatement& statement, QSqlQuery& result) const;

    // Streams the rows of a statement on the calling thread's connection,
    // forward only, without collecting them; row() returns false to stop early.
    // Returns false when the statement failed or was interrupted.
    bool forEachRow(const QString& sql, const std::function<bool(const QSqlQuery&)>& row) const;
    bool forEachRow(const BoundStatement& statement, const std::function<bool(const QSqlQuery&)>& row) const;

    // The same for bulk reads (exports): only the named columns of each row,
    // in that order, read through SQLite's own interface without Qt's per-row
    // copy of every column. The values have the types Qt's driver gives (text,
    // 64-bit integer, double, bytes, null text); a column the statement lacks
    // is an invalid value. Returns false when the statement failed or was
    // interrupted.
    bool forEachRowValues(const QString& sql, const QStringList& columns,
        const std::function<bool(const QVector<QVariant>&)>& row) const;
    bool forEachRowValues(const BoundStatement& statement, const QStringList& columns,
        const std::function<bool(const QVector<QVariant>&)>& row) const;

    // The same rows as views into SQLite's own values (see RowView), for
    // readers that format the bytes themselves. Returns false when the
    // statement failed or was interrupted, and without running anything when
    // the connection is not SQLite's (see hasRowViews()).
    bool forEachRowView(
        const QString& sql, const QStringList& columns, const std::function<bool(const RowView&)>& row) const;
    bool forEachRowView(const BoundStatement& statement, const QStringList& columns,
        const std::function<bool(const RowView&)>& row) const;
    // Whether forEachRowView() can run on the calling thread's connection.
    bool hasRowViews() const;

    // While set, statements running on any of this object's connections stop at
    // their next progress check (used at shutdown so a long query need not be
    // waited out). Affects statements already running and later ones.
    void setInterrupted(bool interrupted);
    bool isInterrupted() const;
    // Interrupted, or the calling thread's request was cancelled (CancelFlag).
    bool stopped() const;

    // Interrupt flag and identity, shared with the connections of other threads,
    // which may outlive the object until their thread ends.
    struct State;

protected:
    enum class Access
    {
        Read,
        Write
    };

    // The calling thread's connection for statements that change the file: the
    // object's own connection in the constructing thread, else the thread's
    // writable clone.
    QSqlDatabase writableDatabase() const;

    // Runs a statement on the calling thread's connection, records its error for
    // lastError() and returns the live query; it failed when the query is not
    // active. Refused without running while the object is interrupted.
    QSqlQuery runStatement(const QString& sql, Access access = Access::Read) const;
    QSqlQuery runStatement(const BoundStatement& statement, Access access = Access::Read) const;
    // Runs a server statement so that a Cancel or setInterrupted() ends it
    // even while it waits for the server.
    void runOnServer(const QSqlDatabase& db, const std::function<void()>& run) const;
    // Prepares a statement on the writable connection for the caller to bind.
    // Returns false (error recorded) when preparing failed.
    bool prepareStatement(QSqlQuery& query, const QString& sql) const;
    // Executes a prepared statement, records its error, finishes it.
    bool execPrepared(QSqlQuery& query) const;
    void recordError(const QSqlError& error) const;

    // Detached result of the most recent insertRecord() made in the constructing
    // thread (other threads leave it alone: it is not shared between threads).
    QSqlQuery m_LastQuery;

private:
    Q_DISABLE_COPY(DataBaseSql)

    QSqlDatabase threadConnection(Access access) const;
    void settingsChanged();
    // Why a statement is not run; an invalid error when nothing stands in its way.
    QSqlError refusalError(const QSqlDatabase& db, const QString& sql) const;
    bool detach(const BoundStatement& statement, QSqlQuery& result, Access access) const;

    QString m_DatabasePath;
    QString m_DriverName;
    QString m_ConnectionName;
    QSqlDatabase* m_pDatabase = nullptr;
    QThread* m_OwnerThread = nullptr;
    std::shared_ptr<State> m_State;
};

#endif // DATABASESQL_H
