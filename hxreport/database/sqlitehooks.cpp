#include "sqlitehooks.h"

#include "cancelflag.h"
#include "stationschema.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QStringList>
#include <QThread>
#include <QVariant>

#include <sqlite3.h>

namespace {

// How many virtual machine instructions pass between two interrupt checks.
const int ProgressInterval = 1000;
// Waiting for a lock: the first few retries after 1 ms each, then every 10 ms.
const int BusyQuickSteps = 10;
const int BusyStepMs = 10;

bool shouldStop(const SqliteHooks::Control* control)
{
    return control->interrupted.loadAcquire() != 0 || CancelFlag::currentCancelled();
}

// Called by SQLite on the thread running the statement.
int onProgress(void* context)
{
    return shouldStop(static_cast<const SqliteHooks::Control*>(context)) ? 1 : 0;
}

// Called by SQLite on the waiting thread while another connection holds the
// lock. Waits as long as the connection's busy timeout, like SQLite's own
// handler, but in short steps and not at all once stopped: a station that
// holds its lock must not hold up the viewer's shutdown.
int onBusy(void* context, int count)
{
    const auto* control = static_cast<const SqliteHooks::Control*>(context);
    if (shouldStop(control))
        return 0;
    // count is the number of earlier calls for this lock; quick steps first,
    // so a short commit of the station costs little.
    const int step = count < BusyQuickSteps ? 1 : BusyStepMs;
    const int waited
        = count < BusyQuickSteps ? count : BusyQuickSteps + (count - BusyQuickSteps) * BusyStepMs;
    if (waited >= control->busyTimeoutMs.loadAcquire())
        return 0;
    QThread::msleep(step);
    return 1;
}

} // namespace

void SqliteHooks::install(const QSqlDatabase& db, Control* control)
{
    sqlite3* connection = handle(db);
    if (!connection)
        return;
    sqlite3_progress_handler(connection, ProgressInterval, &onProgress, control);
    // Replaces the handler that the busy timeout option installed.
    control->busyTimeoutMs.storeRelease(busyTimeoutOf(db));
    sqlite3_busy_handler(connection, &onBusy, control);
}

sqlite3* SqliteHooks::handle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant value = db.driver()->handle();
    if (!value.isValid() || qstrcmp(value.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(value.constData());
}

int SqliteHooks::busyTimeoutOf(const QSqlDatabase& db)
{
    const QString name = QStringLiteral("QSQLITE_BUSY_TIMEOUT");
    const QStringList options = db.connectOptions().split(QLatin1Char(';'));
    for (const QString& option : options) {
        const int equals = option.indexOf(QLatin1Char('='));
        if (equals > 0 && option.left(equals).trimmed() == name) {
            bool ok = false;
            const int value = option.mid(equals + 1).trimmed().toInt(&ok);
            if (ok && value >= 0)
                return value;
        }
    }
    return StationSchema::BusyTimeoutMs; // also Qt's default
}

QSqlError SqliteHooks::statementError(sqlite3* connection, int code)
{
    return QSqlError(QStringLiteral("Unable to fetch row"), QString::fromUtf8(sqlite3_errmsg(connection)),
        QSqlError::StatementError, QString::number(code));
}
