#include "mariadbserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <unistd.h>
#endif

namespace {
QString findProgram(const QStringList& names)
{
    const QStringList extra { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/libexec"),
        QStringLiteral("/usr/local/sbin") };
    for (const QString& name : names) {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(name, extra);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

// The server refuses to run as root unless told to.
QStringList userArguments()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0 ? QStringList { QStringLiteral("--user=root") } : QStringList();
#else
    return QStringList();
#endif
}
}

MariaDbServer::MariaDbServer()
    : m_Dir(QDir::tempPath() + QStringLiteral("/hxdb-XXXXXX"))
{
    m_Server.setProcessChannelMode(QProcess::MergedChannels);
}

MariaDbServer::~MariaDbServer()
{
    stop();
}

QString MariaDbServer::serverProgram()
{
    return findProgram({ QStringLiteral("mariadbd"), QStringLiteral("mysqld") });
}

QString MariaDbServer::installProgram()
{
    return findProgram({ QStringLiteral("mariadb-install-db"), QStringLiteral("mysql_install_db") });
}

QString MariaDbServer::clientProgram()
{
    return findProgram({ QStringLiteral("mariadb"), QStringLiteral("mysql") });
}

QString MariaDbServer::missing()
{
#ifdef Q_OS_WIN
    // The Windows build has neither the server nor Qt's QMYSQL driver.
    return QStringLiteral("the plant server's tests need MariaDB and Qt's QMYSQL driver, which the Windows "
                          "build lacks; they run in the Linux suite");
#endif
    QStringList absent;
    if (serverProgram().isEmpty())
        absent << QStringLiteral("mariadbd");
    if (installProgram().isEmpty())
        absent << QStringLiteral("mariadb-install-db");
    if (clientProgram().isEmpty())
        absent << QStringLiteral("mariadb");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QMYSQL")))
        absent << QStringLiteral("Qt's QMYSQL driver");
    if (absent.isEmpty())
        return QString();
    return QStringLiteral("MariaDB is missing (%1): install mariadb-server and libqt5sql5-mysql "
                          "(scripts/setup.sh does)")
        .arg(absent.join(QStringLiteral(", ")));
}

QString MariaDbServer::socket() const
{
    return m_Dir.filePath(QStringLiteral("sock"));
}

bool MariaDbServer::isRunning() const
{
    return m_Server.state() != QProcess::NotRunning;
}

bool MariaDbServer::start(QString* why, int innodbBufferMb)
{
    if (!m_Dir.isValid()) {
        *why = QStringLiteral("no temporary directory");
        return false;
    }
    const QString data = m_Dir.filePath(QStringLiteral("data"));
    if (!m_bInstalled) {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(installProgram(),
            QStringList { QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                QStringLiteral("--auth-root-authentication-method=normal"), QStringLiteral("--skip-test-db") }
                + m_Extra + userArguments());
        if (!install.waitForFinished(120000) || install.exitCode() != 0) {
            *why = QStringLiteral("mariadb-install-db failed: ") + QString::fromLocal8Bit(install.readAll());
            return false;
        }
        m_bInstalled = true;
    }
    // Small and quick: a test server holds little, and a commit need only
    // reach the operating system (the tests kill the server, not the machine).
    m_Server.start(serverProgram(),
        QStringList { QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
            QStringLiteral("--socket=") + socket(), QStringLiteral("--skip-networking"),
            QStringLiteral("--pid-file=") + m_Dir.filePath(QStringLiteral("pid")),
            QStringLiteral("--log-error=") + m_Dir.filePath(QStringLiteral("error.log")),
            QStringLiteral("--tmpdir=") + m_Dir.path(),
            QStringLiteral("--innodb-buffer-pool-size=%1M").arg(innodbBufferMb),
            QStringLiteral("--innodb-log-file-size=%1M").arg(qMax(16, innodbBufferMb / 2)),
            QStringLiteral("--innodb-flush-log-at-trx-commit=2"), QStringLiteral("--performance-schema=OFF"),
            QStringLiteral("--skip-name-resolve") }
            + m_Extra + userArguments());
    if (!m_Server.waitForStarted(10000)) {
        *why = QStringLiteral("mariadbd did not start: ") + m_Server.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000) {
        if (m_Server.state() == QProcess::NotRunning)
            break;
        {
            QSqlDatabase db = connect(QStringLiteral("hxdb-probe"), QStringLiteral("root"), QString());
            const bool up = db.isOpen();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("hxdb-probe"));
            if (up)
                return true;
        }
        QThread::msleep(50);
    }
    QFile log(m_Dir.filePath(QStringLiteral("error.log")));
    log.open(QIODevice::ReadOnly);
    *why = QStringLiteral("mariadbd did not answer: ") + QString::fromLocal8Bit(log.readAll().right(2000));
    kill();
    return false;
}

void MariaDbServer::stop()
{
    if (m_Server.state() == QProcess::NotRunning)
        return;
    m_Server.terminate();
    if (!m_Server.waitForFinished(30000))
        kill();
}

bool MariaDbServer::pause()
{
#ifdef Q_OS_UNIX
    return m_Server.processId() > 0 && ::kill(static_cast<pid_t>(m_Server.processId()), SIGSTOP) == 0;
#else
    return false;
#endif
}

bool MariaDbServer::resume()
{
#ifdef Q_OS_UNIX
    return m_Server.processId() > 0 && ::kill(static_cast<pid_t>(m_Server.processId()), SIGCONT) == 0;
#else
    return false;
#endif
}

void MariaDbServer::kill()
{
    if (m_Server.state() == QProcess::NotRunning)
        return;
    m_Server.kill();
    m_Server.waitForFinished(30000);
}

QSqlDatabase MariaDbServer::connect(
    const QString& name, const QString& user, const QString& password, const QString& database) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
    db.setUserName(user);
    db.setPassword(password);
    db.setDatabaseName(database);
    db.setConnectOptions(
        QStringLiteral("UNIX_SOCKET=") + socket() + QStringLiteral(";MYSQL_OPT_CONNECT_TIMEOUT=5"));
    if (db.open()) {
        QSqlQuery(db).exec(QStringLiteral("SET NAMES utf8mb4"));
    }
    return db;
}

bool MariaDbServer::runFile(const QString& database, const QString& file, QString* why) const
{
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.setStandardInputFile(file);
    client.start(clientProgram(),
        { QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socket(),
            QStringLiteral("--user=root"), database });
    if (!client.waitForFinished(60000) || client.exitStatus() != QProcess::NormalExit
        || client.exitCode() != 0) {
        *why = QStringLiteral("mariadb < %1 failed: %2").arg(file, QString::fromLocal8Bit(client.readAll()));
        return false;
    }
    return true;
}

bool MariaDbServer::exec(const QStringList& statements, QString* why) const
{
    const QString name = QStringLiteral("hxdb-admin");
    bool ok = true;
    {
        QSqlDatabase db = connect(name, QStringLiteral("root"), QString());
        if (!db.isOpen()) {
            *why = db.lastError().text();
            ok = false;
        }
        QSqlQuery query(db);
        for (int i = 0; ok && i < statements.size(); ++i) {
            if (!query.exec(statements.at(i))) {
                *why = statements.at(i) + QStringLiteral(": ") + query.lastError().text();
                ok = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool MariaDbServer::allowStation(
    const QString& database, const QString& account, const QString& station, QString* why) const
{
    const QString name = QStringLiteral("hxdb-account");
    bool ok = true;
    {
        QSqlDatabase db = connect(name, QStringLiteral("root"), QString(), database);
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT IGNORE INTO station_accounts (account, station) VALUES (?, ?)"));
        query.addBindValue(account);
        query.addBindValue(station);
        if (!db.isOpen() || !query.exec()) {
            *why = QStringLiteral("station_accounts: ") + query.lastError().text();
            ok = false;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
