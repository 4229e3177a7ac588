#include "sqltrace.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>

#include <sqlite3.h>

#include <QHash>

#include <atomic>
#include <chrono>

namespace {

std::atomic_bool recording { false };
QMutex entriesLock;
QVector<SqlTrace::Entry> entries;

// SQLite's own profile time has millisecond steps; the statement's start is
// taken here instead, per thread, keyed by the statement.
thread_local QHash<void*, std::chrono::steady_clock::time_point> started;

int onTrace(unsigned type, void*, void* statement, void*)
{
    if (type == SQLITE_TRACE_STMT) {
        if (!started.contains(statement))
            started.insert(statement, std::chrono::steady_clock::now());
        return 0;
    }
    if (type != SQLITE_TRACE_PROFILE)
        return 0;
    const auto end = std::chrono::steady_clock::now();
    const auto begin = started.take(statement);
    if (!recording.load())
        return 0;
    SqlTrace::Entry entry;
    entry.sql = QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(statement)));
    entry.ms = std::chrono::duration<double, std::milli>(end - begin).count();
    const QCoreApplication* app = QCoreApplication::instance();
    entry.guiThread = app && QThread::currentThread() == app->thread();
    const QMutexLocker lock(&entriesLock);
    entries.append(entry);
    return 0;
}

int onOpen(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, &onTrace, nullptr);
    return SQLITE_OK;
}

} // namespace

void SqlTrace::install()
{
    // The entry point's declared type differs from its real one; SQLite calls
    // it with the three arguments above.
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&onOpen));
}

void SqlTrace::start()
{
    const QMutexLocker lock(&entriesLock);
    entries.clear();
    recording = true;
}

QVector<SqlTrace::Entry> SqlTrace::stop()
{
    recording = false;
    const QMutexLocker lock(&entriesLock);
    QVector<Entry> taken;
    taken.swap(entries);
    return taken;
}
