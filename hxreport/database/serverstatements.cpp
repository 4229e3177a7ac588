#include "serverstatements.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QMutexLocker>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QThreadPool>
#include <QVariant>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#endif

namespace {

// The client library behind Qt's driver, asked for the session id and the
// socket of a connection; resolved at run time, as the driver is a plugin.
using ThreadIdFunction = unsigned long (*)(void*);
using SocketFunction = int (*)(void*);

QLibrary& clientLibrary()
{
    static QLibrary library(QStringLiteral("mariadb"), 3);
    return library;
}

void* clientHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "MYSQL*") != 0)
        return nullptr;
    return *static_cast<void* const*>(handle.data());
}

// Options of the second connection: the first one's socket, and no wait on
// a server that does not answer beyond a second.
QString killOptions(const QString& options)
{
    QStringList kept;
    for (const QString& option : options.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!option.trimmed().startsWith(QLatin1String("MYSQL_OPT_")))
            kept << option;
    kept << QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=1") << QStringLiteral("MYSQL_OPT_READ_TIMEOUT=1")
         << QStringLiteral("MYSQL_OPT_WRITE_TIMEOUT=1");
    return kept.join(QLatin1Char(';'));
}

void shutSocket(qintptr socket)
{
#ifndef Q_OS_WIN
    if (socket >= 0)
        ::shutdown(static_cast<int>(socket), SHUT_RDWR);
#else
    Q_UNUSED(socket) // the plant server is used from Linux only for now
#endif
}

const int KillWaitMs = 500;
}

quint64 ServerStatements::begin(const QSqlDatabase& db, const CancelFlag* flag)
{
    Running running;
    running.flag = flag;
    running.host = db.hostName();
    running.port = db.port();
    running.user = db.userName();
    running.password = db.password();
    running.options = db.connectOptions();
    if (void* handle = clientHandle(db)) {
        if (auto threadId = reinterpret_cast<ThreadIdFunction>(clientLibrary().resolve("mysql_thread_id")))
            running.sessionId = threadId(handle);
        if (auto socket = reinterpret_cast<SocketFunction>(clientLibrary().resolve("mysql_get_socket")))
            running.socket = socket(handle);
    }
    const QMutexLocker lock(&m_Mutex);
    running.token = ++m_NextToken;
    m_Running << running;
    return running.token;
}

void ServerStatements::end(quint64 token)
{
    const QMutexLocker lock(&m_Mutex);
    for (int i = 0; i < m_Running.size(); ++i) {
        if (m_Running.at(i).token == token) {
            m_Running.remove(i);
            return;
        }
    }
}

void ServerStatements::stop(const CancelFlag* flag)
{
    stopMatching(false, flag);
}

void ServerStatements::stopAll()
{
    stopMatching(true, nullptr);
}

void ServerStatements::stopMatching(bool all, const CancelFlag* flag)
{
    QVector<Running> targets;
    {
        const QMutexLocker lock(&m_Mutex);
        for (const Running& running : qAsConst(m_Running))
            if (all || running.flag == flag)
                targets << running;
    }
    if (targets.isEmpty())
        return;
    std::shared_ptr<ServerStatements> self = shared_from_this();
    QThreadPool::globalInstance()->start([self, targets] { self->kill(targets); });
}

void ServerStatements::kill(const QVector<Running>& targets)
{
    const auto stillRunning = [this](quint64 token) {
        for (const Running& running : qAsConst(m_Running))
            if (running.token == token)
                return true;
        return false;
    };
    static QAtomicInteger<quint64> killCount;
    const QString name = QStringLiteral("hxreport-kill-%1").arg(++killCount);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        const Running& first = targets.first();
        db.setHostName(first.host);
        db.setPort(first.port);
        db.setUserName(first.user);
        db.setPassword(first.password);
        db.setConnectOptions(killOptions(first.options));
        if (db.open()) {
            QSqlQuery query(db);
            for (const Running& target : targets) {
                QMutexLocker lock(&m_Mutex);
                const bool running = stillRunning(target.token);
                lock.unlock();
                if (running && target.sessionId > 0)
                    query.exec(QStringLiteral("KILL QUERY %1").arg(target.sessionId));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);

    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < KillWaitMs) {
        QMutexLocker lock(&m_Mutex);
        bool any = false;
        for (const Running& target : targets)
            any = any || stillRunning(target.token);
        if (!any)
            return;
        lock.unlock();
        QThread::msleep(10);
    }
    // Under the lock: a statement still noted holds its connection, so the
    // socket is still the connection's own.
    const QMutexLocker lock(&m_Mutex);
    for (const Running& target : targets)
        if (stillRunning(target.token))
            shutSocket(target.socket);
}

bool ServerStatements::connectionLost(const QSqlError& error)
{
    // CR_SERVER_GONE_ERROR, CR_SERVER_LOST; and the server's own end of a
    // session.
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("2006") || code == QLatin1String("2013") || code == QLatin1String("1927");
}
