#include "databasesql.h"

#include "cancelflag.h"
#include "memoryresult.h"
#include "serverstatements.h"
#include "sqlitehooks.h"
#include "sqlitevalues.h"
#include "stationschema.h"

#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QSqlRecord>
#include <QThread>
#include <QThreadStorage>

#include <sqlite3.h>

struct DataBaseSql::State
{
    quint64 id = 0;
    QAtomicInt alive { 1 };
    SqliteHooks::Control hooks; // outlives the connections: the entries hold the state
    std::shared_ptr<ServerStatements> server = std::make_shared<ServerStatements>();
    // Moves on when the connection settings change: the threads' clones are
    // made again from the new ones. The mutex keeps a clone from copying
    // settings halfway through a change.
    QAtomicInt generation;
    QMutex settings;
};

namespace {

const char* const SqliteDriver = "QSQLITE";
const char* const MysqlDriver = "QMYSQL";

// A station file's name that is a folder can never open. SQLite on Windows
// finds that out only after retrying for over a second, on every statement.
bool namesFolder(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String(SqliteDriver) && QFileInfo(db.databaseName()).isDir();
}

QSqlError folderError(const QSqlDatabase& db)
{
    return QSqlError(QStringLiteral("unable to open database file: %1 is a folder").arg(db.databaseName()),
        QString(), QSqlError::ConnectionError);
}

const char* const ReadOnlyOption = "QSQLITE_OPEN_READONLY";
const char* const MysqlCreateTable
    = "CREATE TABLE `testtable2` (`id` int(11) NOT NULL,`name` varchar(60) DEFAULT NULL,"
      "`age` int(11) DEFAULT NULL,PRIMARY KEY(`id`)) ENGINE = InnoDB DEFAULT CHARSET = utf8; ";
const char* const UpdateProbe = "select max(md_unique) from e_report_forms";
const char* const InterruptedCode = "9"; // SQLITE_INTERRUPT

QAtomicInteger<quint64> nextId;

// What one thread keeps for one DataBaseSql object: its clones (made on first
// use) and the error of its last statement.
struct ThreadEntry
{
    std::shared_ptr<DataBaseSql::State> state;
    QSqlDatabase read;
    QSqlDatabase write;
    int generation = 0; // of the settings the clones were made with
    QSqlError lastError;
};

void closeAndRemove(QSqlDatabase& db)
{
    if (!db.isValid())
        return;
    const QString name = db.connectionName();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

// Per-thread registry of entries. Deleted by QThreadStorage when its thread
// ends, which closes and removes that thread's clones.
class ThreadConnections
{
public:
    ~ThreadConnections()
    {
        for (ThreadEntry& entry : m_Entries)
            release(entry);
    }

    ThreadEntry& entry(const std::shared_ptr<DataBaseSql::State>& state)
    {
        purgeDead();
        ThreadEntry& found = m_Entries[state->id];
        if (!found.state)
            found.state = state;
        return found;
    }

    // Drops the entries of objects that no longer exist.
    void purgeDead()
    {
        for (auto it = m_Entries.begin(); it != m_Entries.end();) {
            if (it->state->alive.loadAcquire() == 0) {
                release(*it);
                it = m_Entries.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    static void release(ThreadEntry& entry)
    {
        closeAndRemove(entry.read);
        closeAndRemove(entry.write);
    }

    QHash<quint64, ThreadEntry> m_Entries;
};

QThreadStorage<ThreadConnections*>& threadStorage()
{
    static QThreadStorage<ThreadConnections*> storage;
    return storage;
}

ThreadConnections& threadConnections()
{
    QThreadStorage<ThreadConnections*>& storage = threadStorage();
    if (!storage.hasLocalData())
        storage.setLocalData(new ThreadConnections);
    return *storage.localData();
}

QString withOption(const QString& options, const QString& option)
{
    if (options.split(QLatin1Char(';')).contains(option))
        return options;
    return options.isEmpty() ? option : options + QLatin1Char(';') + option;
}

// A server session reads as the viewer expects: texts in utf8mb4, a quote
// doubled and a backslash an ordinary character (as in SQLite), and no write.
QSqlError prepareSession(const QSqlDatabase& db)
{
    if (db.driverName() != QLatin1String(MysqlDriver))
        return QSqlError();
    QSqlQuery query(db);
    for (const char* sql : { "SET NAMES utf8mb4",
             "SET SESSION sql_mode = 'NO_BACKSLASH_ESCAPES,STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'",
             "SET SESSION TRANSACTION READ ONLY" }) {
        if (!query.exec(QLatin1String(sql)))
            return query.lastError();
    }
    return QSqlError();
}

} // namespace

DataBaseSql::DataBaseSql(const QString& databasePath, const QString& driverName)
    : QObject(nullptr)
    , m_DatabasePath(databasePath)
    , m_DriverName(driverName)
    , m_ConnectionName(databasePath)
    , m_OwnerThread(QThread::currentThread())
    , m_State(std::make_shared<State>())
{
    m_State->id = ++nextId;
    if (driverName == QLatin1String(SqliteDriver)) {
        m_pDatabase = new QSqlDatabase(QSqlDatabase::addDatabase(driverName, m_ConnectionName));
        m_pDatabase->setDatabaseName(databasePath);
        // Wait for a station write rather than fail; stated so that it holds
        // for every connection including the clones.
        m_pDatabase->setConnectOptions(StationSchema::busyTimeoutOption());
    } else if (driverName == QLatin1String(MysqlDriver)) {
        m_pDatabase = new QSqlDatabase(QSqlDatabase::addDatabase(driverName, m_ConnectionName));
    } else {
        // Unknown drivers get no connection; every statement then fails.
        m_pDatabase = new QSqlDatabase;
    }
}

DataBaseSql::~DataBaseSql()
{
    m_State->alive.storeRelease(0);
    if (threadStorage().hasLocalData())
        threadStorage().localData()->purgeDead();
    if (m_pDatabase->isOpen())
        m_pDatabase->close();
    delete m_pDatabase;
}

bool DataBaseSql::open()
{
    if (namesFolder(*m_pDatabase)) {
        recordError(folderError(*m_pDatabase));
        return false;
    }
    bool opened = m_pDatabase->open();
    if (opened)
        SqliteHooks::install(*m_pDatabase, &m_State->hooks);
    const QSqlError session = opened ? prepareSession(*m_pDatabase) : QSqlError();
    if (session.isValid()) {
        recordError(session);
        m_pDatabase->close();
        return false;
    }
    recordError(opened ? QSqlError() : m_pDatabase->lastError());
    return opened;
}

void DataBaseSql::close()
{
    m_pDatabase->close();
}

void DataBaseSql::setDatabaseName(const QString& name)
{
    const QMutexLocker lock(&m_State->settings);
    m_pDatabase->setDatabaseName(name);
    settingsChanged();
}

void DataBaseSql::setHost(const QString& host, int port)
{
    const QMutexLocker lock(&m_State->settings);
    m_pDatabase->setHostName(host);
    m_pDatabase->setPort(port);
    settingsChanged();
}

void DataBaseSql::setConnectOptions(const QString& options)
{
    const QMutexLocker lock(&m_State->settings);
    m_pDatabase->setConnectOptions(options);
    settingsChanged();
}

void DataBaseSql::settingsChanged()
{
    m_State->generation.fetchAndAddOrdered(1);
    // The owner's connection opens again with them where it is used.
    if (m_DriverName == QLatin1String(MysqlDriver) && m_pDatabase->isOpen())
        m_pDatabase->close();
}

SqlDialect DataBaseSql::dialect() const
{
    return m_DriverName == QLatin1String(MysqlDriver) ? SqlDialect::Plant : SqlDialect::Station;
}

void DataBaseSql::setUser(const QString& user, const QString& password)
{
    const QMutexLocker lock(&m_State->settings);
    m_pDatabase->setUserName(user);
    m_pDatabase->setPassword(password);
    settingsChanged();
}

QSqlDatabase DataBaseSql::database() const
{
    return threadConnection(Access::Read);
}

QSqlDatabase DataBaseSql::writableDatabase() const
{
    return threadConnection(Access::Write);
}

QSqlDatabase DataBaseSql::threadConnection(Access access) const
{
    if (QThread::currentThread() == m_OwnerThread || !m_pDatabase->isValid()) {
        // A server connection lost (or closed by new settings) opens again.
        if (m_DriverName == QLatin1String(MysqlDriver) && m_pDatabase->isValid() && !m_pDatabase->isOpen()
            && !stopped() && m_pDatabase->open() && prepareSession(*m_pDatabase).isValid())
            m_pDatabase->close();
        return *m_pDatabase;
    }

    ThreadEntry& entry = threadConnections().entry(m_State);
    const int generation = m_State->generation.loadAcquire();
    if (entry.generation != generation) {
        closeAndRemove(entry.read);
        closeAndRemove(entry.write);
        entry.generation = generation;
    }
    QSqlDatabase& clone = access == Access::Read ? entry.read : entry.write;
    if (!clone.isValid()) {
        static QAtomicInteger<quint64> cloneCount;
        const QString name
            = QStringLiteral("%1 (thread clone %2)").arg(m_ConnectionName, QString::number(++cloneCount));
        const QMutexLocker lock(&m_State->settings);
        clone = QSqlDatabase::cloneDatabase(*m_pDatabase, name);
        if (access == Access::Read && m_DriverName == QLatin1String(SqliteDriver))
            clone.setConnectOptions(withOption(clone.connectOptions(), QLatin1String(ReadOnlyOption)));
    }
    // Retried on every use: the file may appear after the first attempt. Not
    // for a request already stopped: connecting could take the server's time.
    if (!clone.isOpen() && !stopped() && !namesFolder(clone) && clone.open()) {
        SqliteHooks::install(clone, &m_State->hooks);
        if (prepareSession(clone).isValid())
            clone.close();
    }
    return clone;
}

QSqlError DataBaseSql::lastError() const
{
    return threadConnections().entry(m_State).lastError;
}

void DataBaseSql::recordError(const QSqlError& error) const
{
    threadConnections().entry(m_State).lastError = error;
}

void DataBaseSql::setInterrupted(bool interrupted)
{
    m_State->hooks.interrupted.storeRelease(interrupted ? 1 : 0);
    if (interrupted)
        m_State->server->stopAll();
}

bool DataBaseSql::isInterrupted() const
{
    return m_State->hooks.interrupted.loadAcquire() != 0;
}

bool DataBaseSql::stopped() const
{
    return isInterrupted() || CancelFlag::currentCancelled();
}

QSqlError DataBaseSql::refusalError(const QSqlDatabase& db, const QString& sql) const
{
    if (stopped())
        return QSqlError(QStringLiteral("Statement not run"),
            isInterrupted() ? QStringLiteral("interrupted") : QStringLiteral("cancelled"),
            QSqlError::StatementError, QLatin1String(InterruptedCode));
    if (!db.isOpen())
        return db.lastError().isValid()
            ? db.lastError()
            : QSqlError(QStringLiteral("Database not open"), QString(), QSqlError::ConnectionError);
    if (sql.trimmed().isEmpty())
        return QSqlError(QStringLiteral("Empty statement"), QString(), QSqlError::StatementError);
    return QSqlError();
}

QSqlQuery DataBaseSql::runStatement(const QString& sql, Access access) const
{
    return runStatement(BoundStatement { sql, {} }, access);
}

QSqlQuery DataBaseSql::runStatement(const BoundStatement& statement, Access access) const
{
    const QSqlDatabase db = threadConnection(access);
    const QString& sql = statement.text;
    if (stopped() || !db.isOpen() || sql.trimmed().isEmpty()) {
        recordError(refusalError(db, sql));
        return QSqlQuery(db);
    }
    QSqlQuery query(db);
    query.setForwardOnly(true); // nothing reads backwards; spares Qt's row cache
    const auto run = [&] {
        if (statement.values.isEmpty()) {
            query.exec(sql);
        } else if (query.prepare(sql)) {
            for (const QVariant& value : statement.values)
                query.addBindValue(value);
            query.exec();
        }
    };
    if (m_DriverName == QLatin1String(MysqlDriver))
        runOnServer(db, run);
    else
        run();
    recordError(query.isActive()          ? QSqlError()
            : query.lastError().isValid() ? query.lastError()
                                          : refusalError(db, sql));
    if (!query.isActive() && ServerStatements::connectionLost(query.lastError()))
        QSqlDatabase(db).close(); // opened again by the next statement
    return query;
}

void DataBaseSql::runOnServer(const QSqlDatabase& db, const std::function<void()>& run) const
{
    // A Cancel or the shutdown while the server keeps the statement waiting
    // must reach it: the flag's listener and setInterrupted() stop it from
    // their own threads.
    const CancelFlag* flag = CancelFlag::current();
    const std::shared_ptr<ServerStatements> server = m_State->server;
    const quint64 token = server->begin(db, flag);
    const int listener = flag ? flag->addListener([server, flag] { server->stop(flag); }) : 0;
    if (!stopped())
        run();
    if (flag)
        flag->removeListener(listener);
    server->end(token);
}

bool DataBaseSql::prepareStatement(QSqlQuery& query, const QString& sql) const
{
    const QSqlDatabase db = writableDatabase();
    if (stopped() || !db.isOpen()) {
        recordError(refusalError(db, sql));
        return false;
    }
    query = QSqlQuery(db);
    const bool prepared = query.prepare(sql);
    recordError(prepared ? QSqlError() : query.lastError());
    return prepared;
}

bool DataBaseSql::execPrepared(QSqlQuery& query) const
{
    if (stopped()) {
        recordError(refusalError(QSqlDatabase(), QString()));
        return false;
    }
    const bool executed = query.exec();
    recordError(executed ? QSqlError() : query.lastError());
    query.finish();
    return executed;
}

bool DataBaseSql::runDetached(const QString& sql, QSqlQuery& result) const
{
    return detach(BoundStatement { sql, {} }, result, Access::Read);
}

bool DataBaseSql::runDetached(const BoundStatement& statement, QSqlQuery& result) const
{
    return detach(statement, result, Access::Read);
}

bool DataBaseSql::detach(const BoundStatement& statement, QSqlQuery& result, Access access) const
{
    const QString& sql = statement.text;
    QSqlQuery live = runStatement(statement, access);
    if (!live.isActive()) {
        result = MemoryResult::failedQuery(sql, lastError());
        return false;
    }
    QVector<QVector<QVariant>> rows;
    const QSqlRecord record = live.record();
    if (live.isSelect()) {
        const int columns = record.count();
        while (live.next()) {
            QVector<QVariant> row(columns);
            for (int i = 0; i < columns; ++i)
                row[i] = live.value(i);
            rows.append(row);
        }
        // A step that fails halfway (interrupted, busy) ends next() early.
        if (live.lastError().isValid()) {
            recordError(live.lastError());
            result = MemoryResult::failedQuery(sql, live.lastError());
            return false;
        }
    }
    result = MemoryResult::detachedQuery(
        sql, live.isSelect(), record, rows, live.numRowsAffected(), live.lastInsertId());
    live.finish();
    return true;
}

bool DataBaseSql::forEachRowValues(const QString& sql, const QStringList& columns,
    const std::function<bool(const QVector<QVariant>&)>& row) const
{
    return forEachRowValues(BoundStatement { sql, {} }, columns, row);
}

bool DataBaseSql::forEachRowValues(const BoundStatement& bound, const QStringList& columns,
    const std::function<bool(const QVector<QVariant>&)>& row) const
{
    const QSqlDatabase db = threadConnection(Access::Read);
    sqlite3* connection = SqliteHooks::handle(db);
    if (!connection) {
        // Another driver (or no connection): the same values through Qt.
        QVector<int> indexes;
        QVector<QVariant> values(columns.size());
        return forEachRow(bound, [&](const QSqlQuery& query) {
            if (query.at() == 0) {
                const QSqlRecord record = query.record();
                indexes.clear();
                for (const QString& column : columns)
                    indexes << record.indexOf(column);
            }
            for (int i = 0; i < indexes.size(); ++i)
                values[i] = indexes.at(i) < 0 ? QVariant() : query.value(indexes.at(i));
            return row(values);
        });
    }
    QVector<QVariant> values(columns.size());
    return forEachRowView(bound, columns, [&](const RowView& view) {
        for (int i = 0; i < values.size(); ++i)
            values[i] = view.variant(i);
        return row(values);
    });
}

bool DataBaseSql::hasRowViews() const
{
    return SqliteHooks::handle(threadConnection(Access::Read)) != nullptr;
}

bool DataBaseSql::forEachRowView(
    const QString& sql, const QStringList& columns, const std::function<bool(const RowView&)>& row) const
{
    return forEachRowView(BoundStatement { sql, {} }, columns, row);
}

bool DataBaseSql::forEachRowView(const BoundStatement& bound, const QStringList& columns,
    const std::function<bool(const RowView&)>& row) const
{
    const QString& sql = bound.text;
    const QSqlDatabase db = threadConnection(Access::Read);
    sqlite3* connection = SqliteHooks::handle(db);
    if (!connection || stopped() || sql.trimmed().isEmpty()) {
        recordError(connection
                ? refusalError(db, sql)
                : QSqlError(QStringLiteral("Row views need SQLite"), QString(), QSqlError::ConnectionError));
        return false;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(connection, text.constData(), text.size(), &statement, nullptr);
    if (code == SQLITE_OK && statement)
        code = SqliteValues::bind(statement, bound.values);
    if (code != SQLITE_OK || !statement) {
        recordError(SqliteHooks::statementError(connection, code));
        sqlite3_finalize(statement);
        return false;
    }
    QVector<int> indexes;
    for (const QString& column : columns) {
        int index = -1;
        for (int i = 0; i < sqlite3_column_count(statement) && index < 0; ++i) {
            if (QString::fromUtf8(sqlite3_column_name(statement, i)) == column)
                index = i;
        }
        indexes << index;
    }
    const RowView view(statement, indexes);
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        if (!row(view)) {
            code = SQLITE_DONE;
            break;
        }
    }
    const bool done = code == SQLITE_DONE;
    recordError(done ? QSqlError() : SqliteHooks::statementError(connection, code));
    sqlite3_finalize(statement);
    return done;
}

bool DataBaseSql::forEachRow(const QString& sql, const std::function<bool(const QSqlQuery&)>& row) const
{
    return forEachRow(BoundStatement { sql, {} }, row);
}

bool DataBaseSql::forEachRow(
    const BoundStatement& statement, const std::function<bool(const QSqlQuery&)>& row) const
{
    QSqlQuery live = runStatement(statement);
    if (!live.isActive())
        return false;
    while (live.next()) {
        if (!row(live))
            break;
    }
    const QSqlError error = live.lastError();
    live.finish();
    if (error.isValid()) {
        recordError(error);
        return false;
    }
    return true;
}

bool DataBaseSql::createTable(const QString& table, const QString& keyColumn, const QVariantMap& columns)
{
    QString sql;
    if (m_DriverName == QLatin1String(SqliteDriver))
        sql = createTableSql(table, keyColumn, StationSchema::keyType(), columns);
    else if (m_DriverName == QLatin1String(MysqlDriver))
        sql = QLatin1String(MysqlCreateTable);
    const QSqlQuery query = runStatement(sql, Access::Write);
    return query.isActive() && query.lastError().type() == QSqlError::NoError;
}

bool DataBaseSql::insertRecord(QString table, QVariantMap values)
{
    if (table.isEmpty() || values.isEmpty())
        return false;
    QSqlQuery query;
    const bool inserted = detach(BoundStatement { insertSql(table, values), {} }, query, Access::Write);
    if (QThread::currentThread() == m_OwnerThread)
        m_LastQuery = query;
    return inserted;
}

bool DataBaseSql::updateRecords(QString table, QVariantMap values)
{
    if (table.isEmpty() || values.isEmpty())
        return false;
    if (!runStatement(QLatin1String(UpdateProbe)).isActive())
        return false;
    return runStatement(
        updateSql(table, values, equalsClause(StationSchema::keyColumn(), QStringLiteral("0"))),
        Access::Write)
        .isActive();
}

bool DataBaseSql::deleteRecords(QString table, QString condition)
{
    if (table.isEmpty() || condition.isEmpty())
        return false;
    if (!runStatement(QStringLiteral("select max(%1) from ").arg(StationSchema::keyColumn()) + table)
             .isActive())
        return false;
    return runStatement(deleteSql(table, condition), Access::Write).isActive();
}

QString DataBaseSql::buildQuerySql(QVariantMap request)
{
    const QString time1 = sqlQuoted(request.value(QStringLiteral("time1")).toString());
    const QString time2 = sqlQuoted(request.value(QStringLiteral("time2")).toString());
    QString from = StationSchema::detectionTable();
    QString condition;
    bool modelListAllowed = false;
    switch (static_cast<QueryKind>(request.value(QStringLiteral("Type")).toInt())) {
    case QueryKind::AtTime:
        condition = QStringLiteral(" where time ='%1'").arg(time1);
        break;
    case QueryKind::ModelInRange:
        condition = QStringLiteral(" where time >'%1' and time < '%2' and model='%3'")
                        .arg(time1, time2, sqlQuoted(request.value(QStringLiteral("name")).toString()));
        break;
    case QueryKind::AllInRange:
    case QueryKind::ModelsInRange:
        condition = QStringLiteral(" where time >'%1' and time < '%2'").arg(time1, time2);
        modelListAllowed = true;
        break;
    case QueryKind::LogInRange:
        from = StationSchema::logTable();
        condition = QStringLiteral(" where time >'%1' and time < '%2' and class = '%3' order by time desc ")
                        .arg(time1, time2, QString::number(request.value(QStringLiteral("logType")).toInt()));
        break;
    case QueryKind::ByUid: {
        // The key stands unquoted, so only a number may go in; anything else
        // becomes NULL, which matches no row.
        bool isNumber = false;
        const qlonglong uid = request.value(QStringLiteral("uid")).toLongLong(&isNumber);
        condition = QStringLiteral(" where uid = %1 ")
                        .arg(isNumber ? QString::number(uid) : QStringLiteral("NULL"));
        break;
    }
    default:
        return QString();
    }
    if (request.value(QStringLiteral("Count")).toInt() == 1)
        return QStringLiteral("select count(*) from ") + from + condition;
    if (modelListAllowed && request.value(QStringLiteral("CheckType")).toString() == QLatin1String("Count"))
        return QStringLiteral("select %1 from ").arg(StationSchema::modelColumn()) + from + condition;
    return QStringLiteral("select * from ") + from + condition;
}
