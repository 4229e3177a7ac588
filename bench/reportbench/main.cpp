// Times a day's shift report on a large station file: from the click on
// "保存为PDF…" to the file (the save dialog and the closing message answered
// the moment they appear), its two parts alone (gathering the figures, then
// drawing and writing the PDF), and the command line's "--export report" as a
// fresh process; beside them the statistics page's query of the same day,
// from the click to the painted table. Once with the window's record index in
// step and once without an index (its folder unusable, so every answer is
// direct).
//
// usage: hxreportbench [--data DIR] [--records N] [--reps N]

#include "apppaths.h"
#include "detectdatadb.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pageindex.h"
#include "recordindex.h"
#include "reportbuilder.h"
#include "reportrenderer.h"
#include "stationsimulator.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
// The generated year ends here; the report covers its last full day but one.
const QDateTime DataEnd(QDate(2024, 6, 30), QTime(23, 59, 59));
const QDate Day(2024, 6, 29);
const int WaitMs = 30 * 60 * 1000;

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The median of reps runs after one unmeasured run that warms the caches.
double timed(int reps, const std::function<bool()>& run)
{
    std::vector<double> times;
    for (int i = 0; i <= reps; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return -1;
        if (i > 0)
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

bool prepare(const QString& dir, int records)
{
    const QString marker = QDir(dir).absoluteFilePath(QStringLiteral("reportbench.txt"));
    const QString wanted = QStringLiteral("records=%1 days=365 logs=100000 seed=1").arg(records);
    QFile file(marker);
    if (file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).trimmed() == wanted) {
        err() << "using " << dir << Qt::endl;
        return true;
    }
    file.close();
    err() << "generating " << records << " records into " << dir << " ..." << Qt::endl;
    StationSimulator::Options options;
    options.appDir = dir;
    options.records = records;
    options.days = 365;
    options.endTime = DataEnd;
    options.logs = 100000;
    {
        StationSimulator simulator(options);
        if (!simulator.generate()) {
            err() << "generation failed: " << simulator.errorString() << Qt::endl;
            return false;
        }
    }
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(wanted.toUtf8() + '\n');
    return true;
}

struct Row
{
    QString mode;
    double statistics = -1;
    double windowReport = -1;
    double gather = -1;
    double draw = -1;
    double command = -1;
    int pages = 0;
};
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"),
        QStringLiteral("Folder of the generated station (kept)."), QStringLiteral("DIR"));
    const QCommandLineOption recordsOption(
        QStringLiteral("records"), QStringLiteral("Records over one year (1000000)."), QStringLiteral("N"));
    const QCommandLineOption repsOption(
        QStringLiteral("reps"), QStringLiteral("Runs per figure (3)."), QStringLiteral("N"));
    parser.addOptions({ dataOption, recordsOption, repsOption });
    parser.process(app);
    const int records = parser.isSet(recordsOption) ? parser.value(recordsOption).toInt() : 1000000;
    const int reps = parser.isSet(repsOption) ? std::max(1, parser.value(repsOption).toInt()) : 3;
    const QString dir = QDir(parser.isSet(dataOption) ? parser.value(dataOption)
                                                      : QStringLiteral("reportbench-data/%1").arg(records))
                            .absolutePath();
    if (!QDir().mkpath(dir) || !prepare(dir, records))
        return 1;

    QTemporaryDir work;
    AppPaths::setApplicationDir(dir);
    QDir::setCurrent(dir);
    QVector<Row> rows;
    for (const bool withIndex : { true, false }) {
        Row row;
        row.mode = withIndex ? QStringLiteral("record index in step") : QStringLiteral("no index");
        // A file where the index's folder should be: the index cannot open and
        // every page answers from the station file.
        const QString blocked = work.filePath(QStringLiteral("not-a-folder"));
        QFile(blocked).open(QIODevice::WriteOnly);
        AppPaths::setIndexFolder(withIndex ? QDir(dir).absoluteFilePath(QStringLiteral("index")) : blocked);
        hxReport window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        auto* index = window.findChild<PageIndex*>();
        if (withIndex) {
            QElapsedTimer clock;
            clock.start();
            const bool inStep = QTest::qWaitFor([index] { return index->recordIndex()->isInStep(); }, WaitMs);
            err() << "record index " << (inStep ? "in step" : "NOT in step") << " after " << clock.elapsed()
                  << " ms" << Qt::endl;
        }
        GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(1);
        GuiTest::pick(window, "pushButton_Set1_Count", QDateTime(Day, QTime(0, 0)));
        GuiTest::pick(window, "pushButton_Set2_Count", QDateTime(Day, QTime(23, 59)));

        row.statistics = timed(reps, [&window] {
            const bool ok = GuiTest::clickAndWait(
                window, "pushButton_Checkdata_Calculate", &hxReport::sgPageShown, WaitMs);
            window.repaint();
            return ok;
        });
        const QString pdf = work.filePath(QStringLiteral("window.pdf"));
        auto* save = window.findChild<QAction*>(QStringLiteral("action_ReportPdf"));
        row.windowReport = timed(reps, [&] {
            QFile::remove(pdf);
            QString message;
            GuiTest::answerFileDialog(pdf);
            GuiTest::answerMessageBox(&message);
            save->trigger();
            return QFile::exists(pdf);
        });

        // The two parts alone, on this thread, with the window's answers.
        ReportRequest request;
        request.start = QDateTime(Day, QTime(0, 0));
        request.end = QDateTime(Day, QTime(23, 59));
        request.shift = QStringLiteral("全天");
        const IndexReader reader = index->recordIndex()->reader();
        ReportBuilder builder(
            window.detectDataBase(), withIndex ? index : nullptr, withIndex ? &reader : nullptr);
        builder.setSettingsFile(AppPaths::settingsFile());
        ShiftReport report;
        row.gather = timed(reps, [&] { return builder.build(request, &report); });
        const QString drawn = work.filePath(QStringLiteral("drawn.pdf"));
        QString error;
        row.draw = timed(reps, [&] { return ReportRenderer::writePdf(report, drawn, &error); });
        QProcess pages;
        pages.start(QStringLiteral("pdfinfo"), { drawn });
        if (pages.waitForFinished(60000)) {
            const QString info = QString::fromUtf8(pages.readAllStandardOutput());
            const int at = info.indexOf(QStringLiteral("Pages:"));
            row.pages = at < 0 ? 0 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
        }

        // The command line reads the station file directly, as a scheduler runs it.
        if (!withIndex) {
            const QString program
                = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("hxReport"));
            row.command = timed(reps, [&] {
                return QProcess::execute(program,
                           { QStringLiteral("--export"), QStringLiteral("report"), QStringLiteral("--dir"),
                               dir, QStringLiteral("--date"), Day.toString(Qt::ISODate),
                               QStringLiteral("--out"), work.filePath(QStringLiteral("command.pdf")) })
                    == 0;
            });
        }
        rows << row;
        err() << row.mode << " done" << Qt::endl;
    }

    const auto fmt = [](double ms) { return ms < 0 ? QStringLiteral("-") : QString::number(ms, 'f', 1); };
    QTextStream out(stdout);
    out << "A day's report (" << Day.toString(Qt::ISODate) << ") of a station file with " << records
        << " records over a year; median of " << reps << " runs, ms\n\n"
        << "| index | statistics page (click to table) | report from the window (click to file) | gathering "
           "| "
           "drawing + writing PDF | command line (process) | pages |\n"
           "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const Row& r : rows)
        out << "| " << r.mode << " | " << fmt(r.statistics) << " | " << fmt(r.windowReport) << " | "
            << fmt(r.gather) << " | " << fmt(r.draw) << " | " << fmt(r.command) << " | " << r.pages << " |\n";
    return 0;
}
