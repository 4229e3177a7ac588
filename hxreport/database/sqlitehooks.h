#ifndef SQLITEHOOKS_H
#define SQLITEHOOKS_H

#include <QAtomicInt>
#include <QSqlError>

class QSqlDatabase;
struct sqlite3;

// What the viewer installs on each SQLite connection it opens through Qt: a
// progress handler that stops a statement once its owner is interrupted or
// the running request is cancelled, and a busy handler that waits for the
// station's lock in short steps instead of SQLite's own sleep, so neither a
// long statement nor a held lock can hold up a cancel or the shutdown.
class SqliteHooks
{
public:
    // Shared by the hooks of all connections of one owner; it must outlive
    // every connection it is installed on.
    struct Control
    {
        QAtomicInt interrupted;
        QAtomicInt busyTimeoutMs; // of the owner's connections, set as they open
    };

    // Installs both handlers on an open SQLite connection; nothing for
    // another driver.
    static void install(const QSqlDatabase& db, Control* control);
    // The SQLite handle behind an open Qt connection, or null.
    static sqlite3* handle(const QSqlDatabase& db);
    // The busy timeout the connection was configured with (Qt's default else).
    static int busyTimeoutOf(const QSqlDatabase& db);
    // A failed step as Qt's driver would report it.
    static QSqlError statementError(sqlite3* connection, int code);
};

#endif // SQLITEHOOKS_H
