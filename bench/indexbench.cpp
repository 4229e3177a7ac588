#include "indexbench.h"
#include "benchutil.h"

#include "indexfile.h"
#include "recordindex.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>

#include <algorithm>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {
const QString Time1 = QStringLiteral("2023-06-01 00:00:00");
const QString Time2 = QStringLiteral("2024-07-01 00:00:00");
const QString Model = QStringLiteral("A1");
const int PageSize = 50;
const int SyncRecords = 1000;
const int WaitMs = 60 * 60 * 1000;

QTextStream& (*const err)() = &BenchUtil::err;
double (*const median)(std::vector<double>) = &BenchUtil::median;

// One pass of the index's worker, from the request to its end.
double timedPass(RecordIndex& index, bool start, bool* inStep)
{
    QSignalSpy spy(&index, &RecordIndex::passFinished);
    QElapsedTimer clock;
    clock.start();
    if (start)
        index.start();
    else
        index.requestSync();
    if (!spy.wait(WaitMs))
        return -1;
    const double ms = clock.nsecsElapsed() / 1e6;
    *inStep = spy.last().at(0).toBool();
    return ms;
}

// Statements on the station file on a private connection.
bool execOn(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("indexbench ") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            if (ok && !query.exec(sql)) {
                err() << "failed: " << sql << ": " << query.lastError().text() << '\n';
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// User and system milliseconds of this process so far.
double ownCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

QString fmt(double value)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', 1);
}
}

IndexBench::IndexBench(SqliteShell& shell, int reps, bool cold)
    : m_Shell(shell)
    , m_nReps(qMax(1, reps))
    , m_bCold(cold)
{
}

void IndexBench::dropCaches()
{
    if (!m_bCold)
        return;
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!drop.open(QIODevice::WriteOnly) || drop.write("3\n") != 2)
        err() << "cannot drop the file cache (root only)\n";
}

QVector<IndexBench::Row> IndexBench::run(int size, const QString& stationPath)
{
    QVector<Row> rows;
    const int reps = m_bCold ? 1 : m_nReps;
    QTemporaryDir cache;
    const QString countSql
        = QStringLiteral("select count(*) from wftable where time >'%1' and time < '%2'").arg(Time1, Time2);
    const QStringList statistics { countSql,
        QStringLiteral(
            "select model,count(model) from (select model from wftable where time >'%1' and time < '%2') "
            "GROUP BY model ;")
            .arg(Time1, Time2) };
    const QString modelCount
        = QStringLiteral("select count(*) from wftable where time >'%1' and time < '%2' and model='%3'")
              .arg(Time1, Time2, Model);

    // Cold, the shell runs once right after the drop (time() would run the
    // statements once unmeasured first, filling the cache).
    const auto shellTime = [&](const QStringList& statements) {
        return m_bCold ? m_Shell.timeCold(stationPath, statements, [this] { dropCaches(); })
                       : m_Shell.time(stationPath, statements, reps);
    };
    // The first build against one direct pass, each timed reps times in
    // turns (a fresh cache folder for every build but the last, kept for the
    // rows below), so that both see the same machine; the medians compare.
    std::vector<double> builds;
    std::vector<double> directs;
    std::vector<double> buildCpus;
    std::vector<double> shellCpus;
    bool inStep = false;
    QString lastReason;
    const auto timeBuild = [&](RecordIndex& built) {
        directs.push_back(m_bCold ? shellTime(statistics) : m_Shell.time(stationPath, statistics, 1));
        built.setSyncInterval(0);
        dropCaches();
        const double cpuBefore = ownCpuMs();
        builds.push_back(timedPass(built, true, &inStep));
        buildCpus.push_back(ownCpuMs() - cpuBefore);
        lastReason = built.lastReason();
        // Warm, processor time compares the two whatever else runs on the
        // machine (cold, both mostly wait for the disk).
        if (!m_bCold)
            shellCpus.push_back(m_Shell.cpuTime(stationPath, statistics));
    };
    for (int i = 1; i < reps; ++i) {
        QTemporaryDir other;
        RecordIndex built(stationPath, other.path());
        timeBuild(built);
    }
    RecordIndex index(stationPath, cache.path());
    timeBuild(index);
    const double directStatistics = median(directs);
    const double build = median(builds);
    QString cpuNote;
    if (!m_bCold) {
        const double buildCpu = median(buildCpus);
        const double shellCpu = median(shellCpus);
        cpuNote = QStringLiteral("; CPU %1 ms vs the shell's %2 ms (%3x)")
                      .arg(fmt(buildCpu), fmt(shellCpu),
                          shellCpu > 0 ? QString::number(buildCpu / shellCpu, 'f', 2) : QStringLiteral("-"));
    }
    if (reps > 1) {
        QStringList each;
        for (size_t i = 0; i < builds.size(); ++i)
            each << QStringLiteral("%1/%2").arg(fmt(builds[i]), fmt(directs[i]));
        cpuNote += QStringLiteral("; each run, build/direct ms: ") + each.join(QStringLiteral(", "));
    }
    const qint64 bytes
        = QFileInfo(index.indexPath()).size() + QFileInfo(index.indexPath() + QStringLiteral("-wal")).size();
    rows.append({ QStringLiteral("index first build"), size, build, directStatistics,
        inStep ? QStringLiteral("vs one direct statistics pass") + cpuNote
               : QStringLiteral("NOT IN STEP: ") + lastReason });

    // Statistics and one model's count from the index.
    std::vector<double> stats;
    std::vector<double> counts;
    std::vector<double> pages;
    qint64 total = 0;
    qint64 modelTotal = 0;
    QString reason;
    for (int i = 0; i < reps; ++i) {
        dropCaches();
        QElapsedTimer clock;
        clock.start();
        const IndexAnswer<ModelCounts> answer = index.reader().countByModel(Time1, Time2);
        stats.push_back(clock.nsecsElapsed() / 1e6);
        total = answer.value.total;
        if (!answer.available)
            reason = answer.reason;
        dropCaches();
        clock.restart();
        const IndexAnswer<qint64> one = index.reader().countOfModel(Time1, Time2, Model);
        counts.push_back(clock.nsecsElapsed() / 1e6);
        modelTotal = one.value;
        if (!one.available)
            reason = one.reason;
    }
    rows.append({ QStringLiteral("statistics from the index"), size, median(stats), directStatistics,
        reason.isEmpty() ? QStringLiteral("%1 records").arg(total)
                         : QStringLiteral("NOT AVAILABLE: ") + reason });
    const double directModel = shellTime({ modelCount });
    rows.append({ QStringLiteral("one-model count from the index"), size, median(counts), directModel,
        QStringLiteral("%1 records of %2").arg(modelTotal).arg(Model) });

    // The last page of that model: uids from the index, then the page's rows
    // by uid from the station file (what a page would run).
    const qint64 offset = qMax<qint64>(0, modelTotal - PageSize);
    for (int i = 0; i < reps; ++i) {
        dropCaches();
        QElapsedTimer clock;
        clock.start();
        const IndexAnswer<QVector<qint64>> page
            = index.reader().pageUids(Time1, Time2, Model, offset, PageSize);
        pages.push_back(clock.nsecsElapsed() / 1e6);
        if (!page.available)
            reason = page.reason;
    }
    const QString pageSql = QStringLiteral(
        "select * from wftable where time >'%1' and time <'%2' and model = '%3' LIMIT %4 OFFSET %5")
                                .arg(Time1, Time2, Model, QString::number(PageSize), QString::number(offset));
    const double directPage = shellTime({ pageSql });
    rows.append({ QStringLiteral("one model's last page uids"), size, median(pages), directPage,
        QStringLiteral("offset %1; direct: the page statement").arg(offset) });
    rows.append({ QStringLiteral("index bytes per record"), size, size > 0 ? double(bytes) / size : -1, -1,
        QStringLiteral("%1 MB file").arg(bytes / 1048576.0, 0, 'f', 1) });

    // Sync of 1 000 new records: copies of the first ones, thumbnails included.
    const QVariantList before = [&]() {
        QVariantList values;
        const QString name = QStringLiteral("indexbench max");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(stationPath);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open()) {
                QSqlQuery query(QStringLiteral("select max(uid) from wftable"), db);
                if (query.next())
                    values << query.value(0);
            }
        }
        QSqlDatabase::removeDatabase(name);
        return values;
    }();
    const qint64 maxUid = before.isEmpty() ? 0 : before.first().toLongLong();
    const QString columns = QStringLiteral("model,diameter,hight,correlate,channel,detecttime,time,pic");
    if (maxUid > 0
        && execOn(stationPath,
            { QStringLiteral("insert into wftable(%1) select %1 from wftable where uid <= (select min(uid) "
                             "from wftable) + %2")
                    .arg(columns)
                    .arg(SyncRecords - 1) })) {
        dropCaches();
        const double sync = timedPass(index, false, &inStep);
        rows.append({ QStringLiteral("sync of 1 000 new records"), size, sync, -1,
            inStep ? QStringLiteral("one pass") : QStringLiteral("NOT IN STEP: ") + index.lastReason() });
        index.stop();
        execOn(stationPath,
            { QStringLiteral("delete from wftable where uid > %1").arg(maxUid),
                QStringLiteral("update sqlite_sequence set seq = %1 where name = 'wftable'").arg(maxUid) });
    }
    index.stop();
    return rows;
}

QString IndexBench::table(const QVector<Row>& rows)
{
    QString text;
    QTextStream out(&text);
    out << "| operation | records | index | direct (sqlite3) | ratio | note "
           "|\n|---|---:|---:|---:|---:|---|\n";
    for (const Row& r : rows) {
        const bool bytes = r.op.contains(QLatin1String("bytes"));
        out << "| " << r.op << " | " << r.size << " | "
            << (bytes ? fmt(r.indexMs) + QStringLiteral(" B") : fmt(r.indexMs) + QStringLiteral(" ms"))
            << " | " << (r.directMs < 0 ? QStringLiteral("-") : fmt(r.directMs) + QStringLiteral(" ms"))
            << " | "
            << (r.directMs > 0 && r.indexMs >= 0 && !bytes
                       ? QString::number(r.indexMs / r.directMs, 'f', 3) + QLatin1Char('x')
                       : QStringLiteral("-"))
            << " | " << r.note << " |\n";
    }
    out.flush();
    return text;
}
