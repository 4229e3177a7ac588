// N simulated stations x M records synced to a private MariaDB server at the
// same time, thumbnails off: one stationsync process per station (as on the
// plant), and beside each a live station process writing into the same file
// that reports its longest lock wait and its failed writes. Prints records/s
// in all and each station's figures; the server's rows are counted, not
// taken from the syncs' own reports.
//
// Then (unless --repeats 0) the viewer's questions to the filled server, as
// the viewer user with the statements the viewer runs: plant statistics over
// the whole range, one station's and one model's first and middle pages with
// their counts, and one station's production export against the mariadb
// client's --batch output of the same rows.

#include "csvwriter.h"
#include "detectdatadb.h"
#include "exportquery.h"
#include "mariadbserver.h"
#include "plantpage.h"
#include "qsavecsvthread.h"
#include "rangequery.h"
#include "serversettings.h"
#include "stationschema.h"
#include "stationsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <functional>

#include <memory>
#include <vector>

namespace {
QTextStream out(stdout);

struct Station
{
    QString name;
    QString dir;
    std::unique_ptr<QProcess> writer;
    std::unique_ptr<QProcess> sync;
    qint64 syncMs = -1;
    int writes = -1;
    int failed = -1;
    qint64 longestWaitMs = -1;
    qint64 onServer = 0;
    qint64 inFile = 0;
};

bool copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

// The median of runs of work, in ms.
double medianMs(int repeats, const std::function<bool()>& work, bool* ok)
{
    QVector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!work())
            *ok = false;
        times << clock.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.isEmpty() ? 0 : times.at(times.size() / 2);
}

bool runRows(DetectDataDB& db, const BoundStatement& statement, qint64* rows = nullptr)
{
    QSqlQuery result;
    if (!db.runDetached(statement, result)) {
        out << "statement failed: " << result.lastError().text() << "\n  " << statement.text << '\n';
        return false;
    }
    qint64 n = 0;
    while (result.next())
        ++n;
    if (rows)
        *rows = n;
    return true;
}

// The ids of a page's rows in their order.
QVector<qint64> pageIds(DetectDataDB& db, const BoundStatement& statement)
{
    QVector<qint64> ids;
    QSqlQuery result;
    if (db.runDetached(statement, result)) {
        while (result.next())
            ids << result.value(QStringLiteral("id")).toLongLong();
    }
    return ids;
}

// The viewer's questions to the filled server (see the file's comment).
bool viewerFigures(MariaDbServer& server, const QString& station, int repeats, const QString& data)
{
    QString why;
    if (!server.exec({ QStringLiteral("CREATE USER hxviewer@localhost IDENTIFIED BY 'view'"),
                         QStringLiteral("GRANT hxreport_viewer TO hxviewer@localhost"),
                         QStringLiteral("SET DEFAULT ROLE hxreport_viewer FOR hxviewer@localhost") },
            &why)) {
        out << "hxsyncbench: " << why << '\n';
        return false;
    }
    ServerSettings settings;
    settings.socket = server.socket();
    settings.user = QStringLiteral("hxviewer");
    settings.database = QStringLiteral("plant");
    DetectDataDB db(QStringLiteral("bench-plant-server"), QStringLiteral("QMYSQL"));
    if (!settings.configure(&db, QStringLiteral("view"), &why) || !db.openDatabase()) {
        out << "hxsyncbench: viewer cannot connect: " << why << db.lastError().text() << '\n';
        return false;
    }
    QString first;
    QString last;
    QString model;
    {
        QSqlQuery range;
        if (!db.runDetached(QStringLiteral("select min(time), max(time) from records"), range)
            || !range.next())
            return false;
        first = range.value(0).toString();
        last = range.value(1).toString();
        QSqlQuery models;
        db.runDetached(QStringLiteral("select model from records where model <> 'NG' limit 1"), models);
        if (models.next())
            model = models.value(0).toString();
    }
    // The whole range: from before the first record to after the last one.
    const QString lower = first.left(10) + QStringLiteral(" 00:00:00");
    const QString upper = QStringLiteral("9999-12-31 23:59:59");
    bool ok = true;
    const auto plant = RangeQuery::allModels(lower, upper).inDialect(SqlDialect::Plant);
    qint64 total = 0;
    out << "\nThe viewer's questions (" << repeats << " runs each, the median; range " << first << " to "
        << last << "):\n\n| question | statements | ms |\n|---|---|---:|\n";
    const double statistics = medianMs(
        repeats,
        [&] {
            QSqlQuery count;
            if (!db.runDetached(plant.countStatement(), count) || !count.next())
                return false;
            total = count.value(0).toLongLong();
            return runRows(db, plant.groupingStatement());
        },
        &ok);
    out << "| plant statistics, whole range (" << total
        << " records), from records alone | count + grouping | " << QString::number(statistics, 'f', 1)
        << " |\n";
    // As the statistics worker asks: whole days from record_counts, the two
    // partial days from records.
    QVector<RangeQuery> edges;
    BoundStatement dayTotal;
    BoundStatement dayGrouping;
    if (plant.dayParts(&edges, &dayTotal, &dayGrouping)) {
        qint64 dayRecords = 0;
        const double byDays = medianMs(
            repeats,
            [&] {
                dayRecords = 0;
                QVector<BoundStatement> counts { dayTotal };
                for (const RangeQuery& edge : qAsConst(edges))
                    counts << edge.countStatement();
                for (const BoundStatement& part : qAsConst(counts)) {
                    QSqlQuery count;
                    if (!db.runDetached(part, count) || !count.next())
                        return false;
                    dayRecords += count.value(0).toLongLong();
                }
                bool grouped = runRows(db, dayGrouping);
                for (const RangeQuery& edge : qAsConst(edges))
                    grouped = runRows(db, edge.groupingStatement()) && grouped;
                return grouped;
            },
            &ok);
        out << "| plant statistics, whole range (" << dayRecords << " records), as the viewer asks | "
            << "day counts + both ends' records | " << QString::number(byDays, 'f', 1) << " |\n";
        if (dayRecords != total)
            ok = false;
    }
    const auto pageFigures = [&](const QString& what, const RangeQuery& range) {
        qint64 count = 0;
        const double firstPage = medianMs(
            repeats,
            [&] {
                // Counted as the production page's worker counts: whole days
                // from record_counts where the range has them.
                QVector<BoundStatement> counts { range.countStatement() };
                QVector<RangeQuery> ends;
                BoundStatement days;
                BoundStatement unused;
                if (range.dayParts(&ends, &days, &unused)) {
                    counts = { days };
                    for (const RangeQuery& end : qAsConst(ends))
                        counts << end.countStatement();
                }
                count = 0;
                for (const BoundStatement& part : qAsConst(counts)) {
                    QSqlQuery n;
                    if (!db.runDetached(part, n) || !n.next())
                        return false;
                    count += n.value(0).toLongLong();
                }
                return runRows(db, range.pageStatement(50, 0));
            },
            &ok);
        const int middle = int(count / 2);
        const double middlePage = medianMs(
            repeats, [&] { return runRows(db, range.pageStatement(50, middle)); }, &ok);
        // As the page's worker asks: the offset narrowed by the day counts
        // (their two statements timed with it), the same rows checked once.
        const double dayPage = medianMs(
            repeats, [&] { return runRows(db, PlantPage::statement(&db, range, 50, middle)); }, &ok);
        const QVector<qint64> atOffset = pageIds(db, range.pageStatement(50, middle));
        if (atOffset.isEmpty() || atOffset != pageIds(db, PlantPage::statement(&db, range, 50, middle))) {
            out << "the page from the day counts differs from the page at the offset\n";
            ok = false;
        }
        out << "| " << what << ", count + first page of 50 (" << count << " records) | count + page | "
            << QString::number(firstPage, 'f', 1) << " |\n| " << what << ", page at offset " << middle
            << " | page | " << QString::number(middlePage, 'f', 1) << " |\n| " << what << ", page at offset "
            << middle << ", as the viewer asks | head count + day counts + page from its day | "
            << QString::number(dayPage, 'f', 1) << " |\n";
    };
    pageFigures(QStringLiteral("one station (") + station + QLatin1Char(')'),
        RangeQuery::allModels(lower, upper).atStation(station).inDialect(SqlDialect::Plant));
    pageFigures(QStringLiteral("one model (") + model + QStringLiteral(", plant)"),
        RangeQuery::production(lower, upper, model).inDialect(SqlDialect::Plant));

    // One station's production export: the viewer's export thread against
    // the mariadb client writing the same rows.
    const QString csv = QDir(data).filePath(QStringLiteral("plant-export.csv"));
    qint64 exported = 0;
    const double exportMs = medianMs(
        qMin(repeats, 3),
        [&] {
            QSaveCSVThread thread;
            thread.setTask(&db, csv, ExportType::Production);
            thread.setChunks(ExportQuery::production(lower, upper, QString()).atStation(station));
            thread.start();
            thread.wait();
            exported = thread.rowsWritten();
            return thread.succeeded();
        },
        &ok);
    const BoundStatement rows = RangeQuery::allModels(lower, upper)
                                    .atStation(station)
                                    .inDialect(SqlDialect::Plant)
                                    .allRows(CsvWriter::productionColumns());
    const QString clientSql = rows.inlined();
    const double clientMs = medianMs(
        qMin(repeats, 3),
        [&] {
            QProcess client;
            client.setStandardOutputFile(QDir(data).filePath(QStringLiteral("plant-export.tsv")));
            client.start(MariaDbServer::clientProgram(),
                { QStringLiteral("--batch"), QStringLiteral("--socket=") + server.socket(),
                    QStringLiteral("--user=hxviewer"), QStringLiteral("--password=view"),
                    QStringLiteral("plant"), QStringLiteral("-e"),
                    QStringLiteral("SET sql_mode='NO_BACKSLASH_ESCAPES'; ") + clientSql });
            return client.waitForFinished(600000) && client.exitCode() == 0;
        },
        &ok);
    out << "| one station's production export (" << exported << " rows) | the export thread | "
        << QString::number(exportMs, 'f', 0) << " (" << qRound64(exported * 1000.0 / qMax(1.0, exportMs))
        << " rows/s) |\n| the same rows | mariadb --batch > file | " << QString::number(clientMs, 'f', 0)
        << " (" << qRound64(exported * 1000.0 / qMax(1.0, clientMs)) << " rows/s) |\n";
    out << "Export: " << QString::number(100.0 * clientMs / qMax(1.0, exportMs), 'f', 0)
        << " % of the client's rows/s\n";
    return ok;
}

qint64 countRows(const QString& file)
{
    qint64 count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(QStringLiteral("SELECT count(*) FROM wftable"), db);
            if (query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plant sync benchmark."));
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"),
        QStringLiteral("Folder for the generated station (kept) and the copies."), QStringLiteral("DIR"));
    const QCommandLineOption stationsOption(QStringLiteral("stations"), QStringLiteral("Stations (20)."),
        QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption recordsOption(QStringLiteral("records"),
        QStringLiteral("Records per station (100000)."), QStringLiteral("M"), QStringLiteral("100000"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
        QStringLiteral("Live records per second of each station (5)."), QStringLiteral("R"),
        QStringLiteral("5"));
    const QCommandLineOption bufferOption(QStringLiteral("buffer"),
        QStringLiteral("Server's InnoDB buffer pool in MB (1024)."), QStringLiteral("MB"),
        QStringLiteral("1024"));
    const QCommandLineOption repeatsOption(QStringLiteral("repeats"),
        QStringLiteral("Runs of each viewer question after the sync (5; 0: none)."), QStringLiteral("N"),
        QStringLiteral("5"));
    const QCommandLineOption noCountsOption(QStringLiteral("without-day-counts"),
        QStringLiteral("record_counts keeps nothing (BLACKHOLE engine): the syncs still send their "
                       "counts, the server stores none (its cost of them, for comparison; the viewer's "
                       "figures then count nothing from whole days)."));
    parser.addOptions({ dataOption, stationsOption, recordsOption, rateOption, bufferOption, repeatsOption,
        noCountsOption });
    parser.process(app);
    const QString missing = MariaDbServer::missing();
    if (!missing.isEmpty()) {
        out << "hxsyncbench: " << missing << '\n';
        return 2;
    }
    const QString data = QDir(parser.value(dataOption)).absolutePath();
    const int stations = parser.value(stationsOption).toInt();
    const int records = parser.value(recordsOption).toInt();
    if (!parser.isSet(dataOption) || stations < 1 || records < 1 || !QDir().mkpath(data)) {
        out << "hxsyncbench: --data DIR, --stations N >= 1 and --records M >= 1\n";
        return 2;
    }
    const QString bin = QCoreApplication::applicationDirPath();

    // One generated station, copied for every station (the names differ on the server).
    const QString templateDir = QDir(data).filePath(QStringLiteral("template-%1").arg(records));
    if (!QFile::exists(StationSimulator::detectionPath(templateDir))) {
        StationSimulator::Options options;
        options.appDir = templateDir;
        options.records = records;
        options.logs = records / 20;
        options.days = 60;
        options.imageSize = QSize(96, 72);
        out << "Generating " << records << " records in " << templateDir << " ...\n";
        out.flush();
        StationSimulator simulator(options);
        if (!QDir().mkpath(templateDir) || !simulator.generate()) {
            out << "hxsyncbench: " << simulator.errorString() << '\n';
            return 1;
        }
    }
    std::vector<Station> list(stations);
    for (int i = 0; i < stations; ++i) {
        Station& s = list[i];
        s.name = QStringLiteral("line-%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        s.dir = QDir(data).filePath(QStringLiteral("station-%1").arg(i + 1));
        if (!QDir().mkpath(s.dir + QStringLiteral("/pattern"))
            || !copyFile(StationSimulator::detectionPath(templateDir), StationSimulator::detectionPath(s.dir))
            || !copyFile(StationSimulator::modelPath(templateDir), StationSimulator::modelPath(s.dir))) {
            out << "hxsyncbench: cannot copy the station to " << s.dir << '\n';
            return 1;
        }
    }

    MariaDbServer server;
    QString why;
    const QString password = QStringLiteral("bench");
    if (!server.start(&why, parser.value(bufferOption).toInt())
        || !server.exec({ QStringLiteral("CREATE DATABASE plant CHARACTER SET utf8mb4") }, &why)
        || !server.runFile(QStringLiteral("plant"), QStringLiteral(HX_SCHEMA_FILE), &why)
        || (parser.isSet(noCountsOption)
            && !server.exec({ QStringLiteral("INSTALL SONAME 'ha_blackhole'"),
                                QStringLiteral("ALTER TABLE plant.record_counts ENGINE = BLACKHOLE") },
                &why))) {
        out << "hxsyncbench: " << why << '\n';
        return 1;
    }
    // One account per station, as on the plant.
    for (int i = 0; i < stations; ++i) {
        const QString user = QStringLiteral("hxsync%1").arg(i + 1);
        QFile file(QDir(server.dir()).filePath(QStringLiteral("sync-%1.cnf").arg(i + 1)));
        if (!server.exec({ QStringLiteral("CREATE USER %1@localhost IDENTIFIED BY '%2'").arg(user, password),
                             QStringLiteral("GRANT hxreport_sync TO %1@localhost").arg(user),
                             QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR %1@localhost").arg(user) },
                &why)
            || !server.allowStation(QStringLiteral("plant"), user, list[i].name, &why)
            || !file.open(QIODevice::WriteOnly)) {
            out << "hxsyncbench: " << why << '\n';
            return 1;
        }
        file.write("[stationsync]\nuser=" + user.toUtf8() + "\npassword=" + password.toUtf8() + "\n");
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    const double rate = parser.value(rateOption).toDouble();
    out << "Stations: " << stations << " x " << records << " records (+" << records / 20
        << " log records), thumbnails off; each station writes " << rate << " records/s meanwhile\n";
    out.flush();
    for (Station& s : list) {
        s.writer.reset(new QProcess);
        s.writer->setProcessChannelMode(QProcess::MergedChannels);
        s.writer->start(QDir(bin).filePath(QStringLiteral("stationsim")),
            { QStringLiteral("--dir"), s.dir, QStringLiteral("--live"), QStringLiteral("--rate"),
                QString::number(rate) });
    }
    QThread::msleep(1500); // the stations settle into writing

    QElapsedTimer clock;
    clock.start();
    for (Station& s : list) {
        const QString optionFile
            = QDir(server.dir()).filePath(QStringLiteral("sync-%1.cnf").arg(&s - list.data() + 1));
        s.sync.reset(new QProcess);
        s.sync->setProcessChannelMode(QProcess::MergedChannels);
        s.sync->start(QDir(bin).filePath(QStringLiteral("stationsync")),
            { QStringLiteral("--station"), s.name, QStringLiteral("--dir"), s.dir, QStringLiteral("--socket"),
                server.socket(), QStringLiteral("--database"), QStringLiteral("plant"),
                QStringLiteral("--defaults-file"), optionFile, QStringLiteral("--once") });
    }
    // Each sync's end, seen within a few milliseconds.
    int failedSyncs = 0;
    int running = stations;
    while (running > 0) {
        for (Station& s : list) {
            if (s.syncMs >= 0 || !s.sync->waitForFinished(5))
                continue;
            s.syncMs = clock.elapsed();
            --running;
            if (s.sync->exitStatus() != QProcess::NormalExit || s.sync->exitCode() != 0) {
                ++failedSyncs;
                out << s.name << ": stationsync failed: " << QString::fromLocal8Bit(s.sync->readAll())
                    << '\n';
            }
        }
    }
    // Whichever finished last ends the run.
    qint64 wallMs = 0;
    for (const Station& s : list)
        wallMs = qMax(wallMs, s.syncMs);
    for (Station& s : list) {
        s.writer->terminate();
        s.writer->waitForFinished(20000);
        const QRegularExpressionMatch match = QRegularExpression(
            QStringLiteral("Live writes: (\\d+), failed writes: (\\d+), longest wait: (\\d+) ms"))
                                                  .match(QString::fromUtf8(s.writer->readAll()));
        if (match.hasMatch()) {
            s.writes = match.captured(1).toInt();
            s.failed = match.captured(2).toInt();
            s.longestWaitMs = match.captured(3).toLongLong();
        }
        s.inFile = countRows(StationSimulator::detectionPath(s.dir));
    }

    qint64 total = 0;
    qint64 totalLogs = 0;
    {
        QSqlDatabase db = server.connect(
            QStringLiteral("count"), QStringLiteral("root"), QString(), QStringLiteral("plant"));
        QSqlQuery query(QStringLiteral("SELECT station, count(*) FROM records GROUP BY station"), db);
        while (query.next()) {
            for (Station& s : list)
                if (s.name == query.value(0).toString())
                    s.onServer = query.value(1).toLongLong();
            total += query.value(1).toLongLong();
        }
        QSqlQuery logs(QStringLiteral("SELECT count(*) FROM logs"), db);
        if (logs.next())
            totalLogs = logs.value(0).toLongLong();
        QSqlQuery size(QStringLiteral("SELECT data_length, index_length FROM information_schema.tables"
                                      " WHERE table_schema = 'plant' AND table_name = 'records'"),
            db);
        if (size.next() && total > 0)
            out << "Server's records table: " << size.value(0).toLongLong() / total << " bytes of data and "
                << size.value(1).toLongLong() / total << " bytes of indexes per record (InnoDB's estimate)\n";
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));

    out << "\n| station | records on the server | records in the file at the end | sync done after (s) | "
           "station writes | "
           "failed writes | longest lock wait (ms) |\n|---|---:|---:|---:|---:|---:|---:|\n";
    qint64 worstWait = 0;
    int failedWrites = 0;
    for (const Station& s : list) {
        out << "| " << s.name << " | " << s.onServer << " | " << s.inFile << " | "
            << QString::number(s.syncMs / 1000.0, 'f', 1) << " | " << s.writes << " | " << s.failed << " | "
            << s.longestWaitMs << " |\n";
        worstWait = qMax(worstWait, s.longestWaitMs);
        failedWrites += qMax(0, s.failed);
    }
    out << "\nSynced " << total << " records and " << totalLogs << " log records in "
        << QString::number(wallMs / 1000.0, 'f', 1)
        << " s: " << qRound64(total * 1000.0 / qMax<qint64>(1, wallMs))
        << " records/s in all; longest station lock wait " << worstWait << " ms, failed station writes "
        << failedWrites << ", failed syncs " << failedSyncs << '\n';
    out.flush();
    const int repeats = parser.value(repeatsOption).toInt();
    const bool viewed = repeats <= 0 || viewerFigures(server, list.front().name, repeats, data);
    server.stop();
    return failedSyncs == 0 && failedWrites == 0 && viewed ? 0 : 1;
}
