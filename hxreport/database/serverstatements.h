#ifndef SERVERSTATEMENTS_H
#define SERVERSTATEMENTS_H

#include <QMutex>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <memory>

class CancelFlag;

// The plant server statements running on one object's connections, so that
// another thread can end them: a statement waiting for the server's answer
// checks no flag. stop() asks the server to end them (KILL QUERY from a
// short-lived second connection, which a user may always do to its own
// sessions); a statement still running a moment later, because the server
// does not answer at all, has its connection's socket shut, which ends the
// wait at once and loses that connection (it is opened again on next use).
//
// Threads: begin() and end() on the thread that runs the statement; stop()
// from any thread, returning at once (the work runs on Qt's global pool).
class ServerStatements : public std::enable_shared_from_this<ServerStatements>
{
public:
    // Notes a statement about to run on db (a QMYSQL connection of the
    // calling thread) for the request of flag (may be null); returns its token.
    quint64 begin(const QSqlDatabase& db, const CancelFlag* flag);
    void end(quint64 token);

    // Ends the statements of flag's request, or all of them.
    void stop(const CancelFlag* flag);
    void stopAll();

    // Whether a failed statement's error means the connection is gone.
    static bool connectionLost(const QSqlError& error);

private:
    struct Running
    {
        quint64 token = 0;
        const CancelFlag* flag = nullptr;
        quint64 sessionId = 0;
        qintptr socket = -1;
        QString host;
        int port = -1;
        QString user;
        QString password;
        QString options;
    };

    void stopMatching(bool all, const CancelFlag* flag);
    void kill(const QVector<Running>& targets);

    QMutex m_Mutex;
    QVector<Running> m_Running;
    quint64 m_NextToken = 0;
};

#endif // SERVERSTATEMENTS_H
