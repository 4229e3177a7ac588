#include "sqliteshell.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <vector>

#include <sys/resource.h>

namespace {
// GNU time reports the child's peak memory; used when it is installed.
const char* const TimeProgram = "/usr/bin/time";
// A session whose statements run for less than this is repeated.
const double MinMeasuredMs = 50.0;
const int MaxRepeats = 200;

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// User and system milliseconds of the children waited for so far.
double childCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

QString terminated(const QString& statement)
{
    QString text = statement.trimmed();
    if (!text.endsWith(QLatin1Char(';')))
        text += QLatin1Char(';');
    return text + QLatin1Char('\n');
}
} // namespace

SqliteShell::SqliteShell(const QString& program)
    : m_Program(program)
{
}

bool SqliteShell::available() const
{
    return !QStandardPaths::findExecutable(m_Program).isEmpty();
}

double SqliteShell::session(const QString& db, const QString& script, qint64* peakKb, QString* out)
{
    QProcess process;
    QStringList arguments { QStringLiteral("-batch"), QStringLiteral("-readonly"), db };
    const bool measureMemory = peakKb && QFile::exists(QLatin1String(TimeProgram));
    if (measureMemory) {
        arguments.prepend(m_Program);
        arguments.prepend(QStringLiteral("%M"));
        arguments.prepend(QStringLiteral("-f"));
        process.setProgram(QLatin1String(TimeProgram));
    } else {
        process.setProgram(m_Program);
    }
    process.setArguments(arguments);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(10000))
        return -1;
    process.write(script.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(3600 * 1000))
        return -1;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const QByteArray standardError = process.readAllStandardError();
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (peakKb) {
        *peakKb = 0;
        if (measureMemory) {
            const QList<QByteArray> lines = standardError.trimmed().split('\n');
            *peakKb = lines.isEmpty() ? 0 : lines.last().trimmed().toLongLong();
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return ms;
}

double SqliteShell::baseline(const QString& db)
{
    if (db != m_BaselineDb) {
        // Reading the schema is part of opening, not of the statements.
        std::vector<double> runs;
        for (int i = 0; i < 7; ++i)
            runs.push_back(
                session(db, QStringLiteral(".output /dev/null\nselect count(*) from sqlite_master;\n")));
        m_Baseline = median(runs);
        m_BaselineDb = db;
    }
    return m_Baseline;
}

double SqliteShell::time(const QString& db, const QStringList& statements, int runs)
{
    QString body;
    for (const QString& statement : statements)
        body += terminated(statement);
    const QString head = QStringLiteral(".output /dev/null\n");
    const double base = baseline(db);

    const double once = session(db, head + body) - base;
    int repeats = 1;
    if (once < MinMeasuredMs)
        repeats = std::min(MaxRepeats, int(std::ceil(MinMeasuredMs / std::max(once, 0.5))));
    const QString script = head + body.repeated(repeats);
    std::vector<double> measured;
    for (int i = 0; i < std::max(1, runs); ++i)
        measured.push_back((session(db, script) - base) / repeats);
    return std::max(0.0, median(measured));
}

double SqliteShell::cpuTime(const QString& db, const QStringList& statements)
{
    QString body;
    for (const QString& statement : statements)
        body += terminated(statement);
    const QString head = QStringLiteral(".output /dev/null\n");
    const auto cpuOf = [&](const QString& script) {
        const double before = childCpuMs();
        return session(db, script) < 0 ? -1.0 : childCpuMs() - before;
    };
    const double empty = cpuOf(head + QStringLiteral("select count(*) from sqlite_master;\n"));
    const double full = cpuOf(head + body);
    return empty < 0 || full < 0 ? -1 : std::max(0.0, full - empty);
}

double SqliteShell::timeCold(
    const QString& db, const QStringList& statements, const std::function<void()>& drop)
{
    QString body;
    for (const QString& statement : statements)
        body += terminated(statement);
    const double base = baseline(db);
    drop();
    return std::max(0.0, session(db, QStringLiteral(".output /dev/null\n") + body) - base);
}

double SqliteShell::timeCsv(
    const QString& db, const QString& statement, const QString& outFile, int runs, qint64* peakKb)
{
    const QString script
        = QStringLiteral(".headers off\n.mode csv\n.output %1\n").arg(outFile) + terminated(statement);
    const double base = baseline(db);
    std::vector<double> measured;
    qint64 peak = 0;
    for (int i = 0; i < std::max(1, runs); ++i) {
        qint64 kb = 0;
        measured.push_back(session(db, script, &kb) - base);
        peak = std::max(peak, kb);
    }
    if (peakKb)
        *peakKb = peak;
    return std::max(0.0, median(measured));
}

QString SqliteShell::queryPlan(const QString& db, const QString& statement)
{
    QString out;
    session(db, QStringLiteral("EXPLAIN QUERY PLAN ") + terminated(statement), nullptr, &out);
    return out.trimmed();
}
