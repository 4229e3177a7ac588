#include "commandlineexport.h"

#include "apppaths.h"
#include "countdata.h"
#include "csvwriter.h"
#include "detectdatadb.h"
#include "exportquery.h"
#include "modeldb.h"
#include "qsavecsvthread.h"
#include "rangequery.h"
#include "reportbuilder.h"
#include "reportrenderer.h"
#include "serversettings.h"
#include "timeranges.h"
#include "translationloader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QSqlQuery>
#include <QTextCodec>
#include <QTextStream>
#include <QTranslator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// The code page the files are written in, as a user can look it up. Qt calls
// Windows' ANSI code page "System", which says nothing: its number says more.
QString codePageName()
{
    const QByteArray name = QTextCodec::codecForLocale()->name();
#ifdef Q_OS_WIN
    if (name == "System")
        return QStringLiteral("code page %1").arg(GetACP());
#endif
    return QString::fromLatin1(name);
}

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString trWindow(const char* text)
{
    return QCoreApplication::translate("hxReport", text);
}

struct Request
{
    QString what;
    QString start;
    QString end;
    QString model; // empty: all models
    LogClass logClass = LogClass::None;
    QString out;
    QString station; // on the plant server; empty: every station
    QString shift; // the report's header: the shift or day chosen, empty for --from/--to
    QMap<QString, ShiftRecord> shifts;
};

const char* const kHelpExample
    = "\nExample (yesterday's night shift of model A1):\n"
      "  hxReport --export production --dir /srv/station --shift 夜班 --date 2026-12-07 "
      "--model A1 --out /srv/reports/night.csv\n"
      "The shift report of the same shift as PDF:\n"
      "  hxReport --export report --dir /srv/station --shift 夜班 --date 2026-12-07 --out "
      "/srv/reports/night.pdf\n";

// The range from --from/--to, or from --shift/--date (the station's shift
// anchored on that date; without --shift the whole day).
bool readRange(
    const QCommandLineParser& p, const QMap<QString, ShiftRecord>& shifts, Request& r, QString& problem)
{
    const bool byTimes = p.isSet(QStringLiteral("from")) || p.isSet(QStringLiteral("to"));
    const bool byShift = p.isSet(QStringLiteral("shift")) || p.isSet(QStringLiteral("date"));
    if (byTimes == byShift) {
        problem = QStringLiteral("give either --from and --to, or --date (with --shift)");
        return false;
    }
    QDateTime start;
    QDateTime end;
    if (byTimes) {
        start = QDateTime::fromString(p.value(QStringLiteral("from")), kTimeFormat);
        end = QDateTime::fromString(p.value(QStringLiteral("to")), kTimeFormat);
        if (!start.isValid() || !end.isValid()) {
            problem = QStringLiteral("--from and --to take times as \"yyyy-MM-dd hh:mm:ss\"");
            return false;
        }
    } else {
        const QDate date = QDate::fromString(p.value(QStringLiteral("date")), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) {
            problem = QStringLiteral("--date takes a day as \"yyyy-MM-dd\"");
            return false;
        }
        TimeRanges::Range range = TimeRanges::wholeDays(date, date, QTime(0, 0), QTime(23, 59, 59));
        if (p.isSet(QStringLiteral("shift"))) {
            const auto shift = shifts.constFind(p.value(QStringLiteral("shift")));
            if (shift == shifts.constEnd()) {
                problem
                    = QStringLiteral("unknown shift \"%1\" (the station has: %2)")
                          .arg(p.value(QStringLiteral("shift")), shifts.keys().join(QStringLiteral(", ")));
                return false;
            }
            range = TimeRanges::ofShift(*shift, date);
            r.shift = shift.key();
        } else {
            r.shift = QCoreApplication::translate("ShiftReport", "全天");
        }
        start = range.first;
        end = range.second;
    }
    if (start >= end) {
        problem = QStringLiteral("the range ends before it starts");
        return false;
    }
    r.start = start.toString(kTimeFormat);
    r.end = end.toString(kTimeFormat);
    return true;
}

// A typo in --model or --station would give an empty file every night: the
// names must be ones the station (or the plant server) knows, even when the
// range holds none of their records.
bool knownNames(DetectDataDB& db, const QString& dir, const Request& r, QString& problem)
{
    if (db.dialect() == SqlDialect::Plant && !r.station.isEmpty()) {
        QStringList stations;
        db.readStations(&stations);
        if (!stations.contains(r.station)) {
            problem = QStringLiteral("unknown station \"%1\" (the server has: %2)")
                          .arg(r.station, stations.join(QStringLiteral(", ")));
            return false;
        }
    }
    if (r.what != QLatin1String("production") || r.model.isEmpty())
        return true;
    QStringList models;
    if (db.dialect() == SqlDialect::Plant) {
        db.readPlantModels(&models);
    } else {
        const QString listFile = QDir(dir).filePath(QStringLiteral("pattern/modelTemplate.db"));
        if (QFileInfo(listFile).isFile()) {
            ModelDB list(listFile, QStringLiteral("QSQLITE"));
            if (list.openDatabase())
                models = list.modelNames();
        }
    }
    if (models.contains(r.model) || db.hasRecordsOfModel(r.model, r.station))
        return true;
    QStringList stored;
    db.readRecordModels(&stored, r.station);
    for (const QString& model : qAsConst(stored)) {
        if (!models.contains(model))
            models << model;
    }
    models.sort();
    problem = QStringLiteral("unknown model \"%1\" (the station has: %2)")
                  .arg(r.model, models.join(QStringLiteral(", ")));
    return false;
}

bool exportRecords(DetectDataDB& db, const Request& r, QString& error, int& replaced)
{
    const bool production = r.what == QLatin1String("production");
    // The title the window's page shows once the query is done, with the
    // number of records the file holds.
    const QString format = production
        ? trWindow("起始时间:%1 到 结束时间:%2 的历史记录 共%3条").arg(r.start, r.end)
        : trWindow("从%1 到 %2 的记录 共%3条").arg(r.start, r.end);
    QSaveCSVThread thread;
    thread.setHeader(QString(), QStringLiteral("username"));
    thread.setTitleOfCount([format](int total) { return QString(format).arg(total); });
    thread.setTask(&db, QString(), r.out, production ? 0 : 1);
    thread.setChunks((production ? ExportQuery::production(r.start, r.end, r.model)
                                 : ExportQuery::log(r.start, r.end, r.logClass))
                         .atStation(r.station));
    thread.start();
    thread.wait();
    error = thread.errorString();
    replaced = thread.replacedCharacters();
    return thread.succeeded();
}

// The shift report as PDF: gathered by the code behind the pages, written
// whole or not at all.
bool exportReport(DetectDataDB& db, const Request& r, QString& error)
{
    ReportRequest request;
    request.start = QDateTime::fromString(r.start, kTimeFormat);
    request.end = QDateTime::fromString(r.end, kTimeFormat);
    request.shift = r.shift;
    request.station = r.station;
    request.shifts = r.shifts;
    ReportBuilder builder(&db);
    builder.setSettingsFile(AppPaths::settingsFile());
    ShiftReport report;
    if (!builder.build(request, &report)) {
        error = builder.errorString();
        return false;
    }
    return ReportRenderer::writePdf(report, r.out, &error);
}

bool exportStatistics(DetectDataDB& db, const Request& r, QString& error, int& replaced)
{
    QVariantMap work;
    work.insert(QStringLiteral("range"),
        QVariant::fromValue(RangeQuery::allModels(r.start, r.end).atStation(r.station)));
    // The worker runs here, on this thread: its signals arrive at once.
    CountData worker;
    worker.setDataBase(&db);
    QMap<QString, int> counts;
    bool failed = false;
    QObject::connect(&worker, &CountData::resultReady, [&counts](QString, const QMap<QString, int>* p) {
        if (p)
            counts = *p;
        delete p;
    });
    QObject::connect(&worker, &CountData::sgError, [&failed, &error](QString message) {
        failed = true;
        error = message;
    });
    worker.doWork(work);
    if (failed)
        return false;
    QSaveFile file(r.out);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        error = file.errorString();
        return false;
    }
    CsvWriter csv(&file);
    csv.writeCounts(QDateTime::fromString(r.start, kTimeFormat), QDateTime::fromString(r.end, kTimeFormat),
        counts, QDateTime::currentDateTime(), r.station);
    replaced = csv.replacedCharacters();
    if (!csv.ok() || !file.commit()) {
        error = csv.ok() ? file.errorString() : csv.errorString();
        return false;
    }
    return true;
}
}

bool CommandLineExport::needsPainting(const QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--export=report")
            || (arguments.at(i) == QLatin1String("--export")
                && arguments.value(i + 1) == QLatin1String("report")))
            return true;
    }
    return false;
}

bool CommandLineExport::isRequested(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--export") || argument.startsWith(QLatin1String("--export=")))
            return true;
    }
    return false;
}

int CommandLineExport::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Writes one of the viewer's CSV exports without a window. Times are \"yyyy-MM-dd "
                       "hh:mm:ss\"; a record's time "
                       "must lie strictly between the two ends of the range, as in the window."));
    const QCommandLineOption help(
        QStringList { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help."));
    p.addOptions({
        help,
        { QStringLiteral("export"),
            QStringLiteral(
                "What to export: production, log, statistics, or report (the shift report as PDF)."),
            QStringLiteral("what") },
        { QStringLiteral("dir"),
            QStringLiteral("Station folder with wheelhubwf.db (default: the program's folder)."),
            QStringLiteral("folder") },
        { QStringLiteral("from"), QStringLiteral("Start of the range."), QStringLiteral("time") },
        { QStringLiteral("to"), QStringLiteral("End of the range."), QStringLiteral("time") },
        { QStringLiteral("date"),
            QStringLiteral("A day, yyyy-MM-dd: the whole day, or the shift given by --shift."),
            QStringLiteral("day") },
        { QStringLiteral("shift"),
            QStringLiteral("A shift of the station's shift table, anchored on --date."),
            QStringLiteral("name") },
        { QStringLiteral("model"), QStringLiteral("Production records of this model only (default: all)."),
            QStringLiteral("model") },
        { QStringLiteral("kind"),
            QStringLiteral("Log records of this kind: alarm, state or usage (default: alarm)."),
            QStringLiteral("kind") },
        { QStringLiteral("out"),
            QStringLiteral("The CSV file (PDF for the report) to write (replaced when it exists)."),
            QStringLiteral("file") },
        { QStringLiteral("server"),
            QStringLiteral(
                "Read the plant server of the [server] group of hubdetect.ini instead of a station "
                "file (the password from its option file or MYSQL_PWD).") },
        { QStringLiteral("station"),
            QStringLiteral("On the plant server: this station's records only (default: every station)."),
            QStringLiteral("name") },
        { QStringLiteral("timeout"),
            QStringLiteral("On the plant server: give up (status 1) when the server does not answer "
                           "within this many seconds (default: 60; 5 at most to connect)."),
            QStringLiteral("seconds") },
    });
    // "--export --help" would read --help as the export's kind.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << p.helpText() << QString::fromUtf8(kHelpExample);
        return Ok;
    }
    if (!p.parse(arguments)) {
        err << "hxReport: " << p.errorText() << '\n';
        return BadInput;
    }
    if (!p.positionalArguments().isEmpty()) {
        err << "hxReport: unexpected argument \"" << p.positionalArguments().constFirst() << "\"\n";
        return BadInput;
    }
    Request r;
    r.what = p.value(QStringLiteral("export"));
    if (r.what != QLatin1String("production") && r.what != QLatin1String("log")
        && r.what != QLatin1String("statistics") && r.what != QLatin1String("report")) {
        err << "hxReport: --export takes production, log, statistics or report, not \"" << r.what << "\"\n";
        return BadInput;
    }
    const QString kind
        = p.isSet(QStringLiteral("kind")) ? p.value(QStringLiteral("kind")) : QStringLiteral("alarm");
    const QMap<QString, LogClass> kinds { { QStringLiteral("alarm"), LogClass::Alarm },
        { QStringLiteral("state"), LogClass::State }, { QStringLiteral("usage"), LogClass::Usage } };
    if (!kinds.contains(kind)) {
        err << "hxReport: --kind takes alarm, state or usage, not \"" << kind << "\"\n";
        return BadInput;
    }
    r.logClass = kinds.value(kind);
    r.model = p.value(QStringLiteral("model"));
    r.out = p.value(QStringLiteral("out"));
    if (r.out.isEmpty()) {
        err << "hxReport: --out names the file to write\n";
        return BadInput;
    }
    const QFileInfo target(r.out);
    if (target.isDir() || !QFileInfo(target.absolutePath()).isDir()) {
        err << "hxReport: cannot write " << QDir::toNativeSeparators(r.out) << ": no such folder\n";
        return BadInput;
    }

    const bool onServer = p.isSet(QStringLiteral("server"));
    r.station = p.value(QStringLiteral("station"));
    if (!onServer && p.isSet(QStringLiteral("station"))) {
        err << "hxReport: --station needs --server\n";
        return BadInput;
    }
    int timeout = ServerSettings::ReadWriteTimeoutSeconds;
    if (p.isSet(QStringLiteral("timeout"))) {
        bool number = false;
        timeout = p.value(QStringLiteral("timeout")).toInt(&number);
        if (!number || timeout < 1 || timeout > 86400 || !onServer) {
            err << "hxReport: --timeout takes seconds from 1 to 86400, with --server\n";
            return BadInput;
        }
    }
    ServerSettings server;
    QString password;
    if (onServer) {
        QString why;
        bool found = false;
        if (!ServerSettings::fromIni(AppPaths::settingsFile()).resolve(&server, &password, &found, &why)) {
            err << "hxReport: " << why << '\n';
            return BadInput;
        }
        if (!found) {
            err << "hxReport: no password for the server (password= in the option file named by optionFile, "
                   "or MYSQL_PWD)\n";
            return BadInput;
        }
    }
    const QString dir = p.isSet(QStringLiteral("dir")) ? QDir(p.value(QStringLiteral("dir"))).absolutePath()
                                                       : AppPaths::applicationDir();
    const QString station = onServer ? QStringLiteral("hxreport-plant-server")
                                     : QDir(dir).filePath(QStringLiteral("wheelhubwf.db"));
    if (!onServer && !QFileInfo(station).isFile()) {
        err << "hxReport: no station file " << QDir::toNativeSeparators(station) << '\n';
        return BadInput;
    }
    // The statistics file's words follow the interface language, as in the window.
    QVector<QTranslator*> translators;
    const QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
    TranslationLoader::load(AppPaths::languageDir(),
        settings.value(QStringLiteral("language"), QStringLiteral("Chinese")).toString(), translators);

    int status = Ok;
    {
        DetectDataDB db(station, onServer ? QStringLiteral("QMYSQL") : QStringLiteral("QSQLITE"));
        QMap<QString, ShiftRecord> shifts;
        QString problem;
        if (onServer && !server.configure(&db, password, &problem, timeout)) {
            err << "hxReport: " << problem << '\n';
            status = BadInput;
        } else if (!db.openForReading(&problem)) {
            err << "hxReport: cannot read " << QDir::toNativeSeparators(station) << ": " << problem << '\n';
            // A server that does not answer is a failure to retry, not bad input.
            status = onServer && !db.lastError().nativeErrorCode().startsWith(QLatin1String("10")) ? Failed
                                                                                                   : BadInput;
        } else {
            db.readShifts(&shifts, r.station);
            r.shifts = shifts;
            QString error;
            int replaced = 0;
            if (!knownNames(db, dir, r, problem)) {
                err << "hxReport: " << problem << '\n';
                status = BadInput;
            } else if (!readRange(p, shifts, r, problem)) {
                err << "hxReport: " << problem << '\n';
                status = BadInput;
            } else if (!(r.what == QLatin1String("report") ? exportReport(db, r, error)
                               : r.what == QLatin1String("statistics")
                               ? exportStatistics(db, r, error, replaced)
                               : exportRecords(db, r, error, replaced))) {
                err << "hxReport: export failed: " << error << '\n';
                status = Failed;
            } else if (replaced > 0) {
                // The file is whole; what it could not hold as typed is said.
                err << "hxReport: " << replaced << " character(s) not in the code page (" << codePageName()
                    << ") were written as <U+XXXX>\n";
            }
        }
    }
    qDeleteAll(translators);
    return status;
}
