#ifndef MARIADBSERVER_H
#define MARIADBSERVER_H

#include <QProcess>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

// A private MariaDB server for one test or benchmark program: a data folder
// in a temporary directory, a Unix socket in it, no network, no system
// service and no root (the server runs as the calling user). Its root account
// has no password and is reachable over the socket only.
//
// Threads: the creating thread.
class MariaDbServer
{
public:
    MariaDbServer();
    ~MariaDbServer();

    // The server and tool programs (empty when missing) and, when one is
    // missing, a sentence for QSKIP naming what to install.
    static QString serverProgram();
    static QString installProgram();
    static QString clientProgram();
    static QString missing();

    // Server options beyond the defaults, for the data folder's making and
    // every start (set before the first start).
    void setExtraArguments(const QStringList& arguments) { m_Extra = arguments; }
    // Makes the data folder on first use, starts the server and waits until
    // it answers. innodbBufferMb: the buffer pool (benchmarks give more).
    bool start(QString* why, int innodbBufferMb = 64);
    // SIGTERM and wait, or SIGKILL (a crash, as far as the server knows).
    void stop();
    void kill();
    bool isRunning() const;
    // SIGSTOP and SIGCONT: a server that accepts connections but never
    // answers, as a hung machine does.
    bool pause();
    bool resume();

    QString socket() const;
    QString dir() const { return m_Dir.path(); }

    // A QMYSQL connection over the socket (connection name, user, password;
    // database may be empty), opened; check isOpen().
    QSqlDatabase connect(const QString& name, const QString& user, const QString& password,
        const QString& database = QString()) const;
    // Runs a file of statements through the mariadb client as root, like an
    // administrator loading the schema.
    bool runFile(const QString& database, const QString& file, QString* why) const;
    // Statements as root, each on its own (no multi-statements).
    bool exec(const QStringList& statements, QString* why) const;
    // Lets the sync user account write station in the archive database (a
    // row of station_accounts, as the administrator adds it).
    bool allowStation(
        const QString& database, const QString& account, const QString& station, QString* why) const;

private:
    Q_DISABLE_COPY(MariaDbServer)

    QTemporaryDir m_Dir;
    QProcess m_Server;
    bool m_bInstalled = false;
    QStringList m_Extra;
};

#endif // MARIADBSERVER_H
