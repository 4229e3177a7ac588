#ifndef SQLITESHELL_H
#define SQLITESHELL_H

#include <QString>
#include <QStringList>

#include <functional>

// Runs statements through the sqlite3 command-line shell on a database file
// and times them: the wall time of a shell session that runs them, less the
// wall time of a session that only opens the file and reads its schema, so
// that what remains is the statements' own time.
class SqliteShell
{
public:
    explicit SqliteShell(const QString& program = QStringLiteral("sqlite3"));

    bool available() const;

    // Milliseconds one run of the statements takes (median of `runs`
    // sessions). Statements whose run is short are repeated inside one session
    // until it lasts long enough to measure, and the time divided. Rows go to
    // /dev/null.
    double time(const QString& db, const QStringList& statements, int runs);
    // One session's time, without the unmeasured first run that time() uses
    // to size its repeats (which would fill the cache again): drop() empties
    // the system's file cache after the empty session is timed.
    double timeCold(const QString& db, const QStringList& statements, const std::function<void()>& drop);

    // Runs one statement in CSV mode writing its rows to outFile; returns the
    // milliseconds (median of `runs`) and stores the shell's peak resident
    // memory in *peakKb when it can be measured (0 otherwise).
    double timeCsv(
        const QString& db, const QString& statement, const QString& outFile, int runs, qint64* peakKb);

    // Processor milliseconds (user and system) the shell spends on one run
    // of the statements, less those of a session that only opens the file:
    // far less moved by other work on the machine than wall time.
    double cpuTime(const QString& db, const QStringList& statements);

    // The shell's EXPLAIN QUERY PLAN output for one statement.
    QString queryPlan(const QString& db, const QString& statement);

private:
    // Wall milliseconds of one session fed `script`; -1 when it failed.
    double session(
        const QString& db, const QString& script, qint64* peakKb = nullptr, QString* out = nullptr);
    double baseline(const QString& db);

    QString m_Program;
    QString m_BaselineDb;
    double m_Baseline = 0;
};

#endif // SQLITESHELL_H
