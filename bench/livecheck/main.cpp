// Drives the viewer through its heaviest work on a large file while the
// station simulator, in a process of its own, keeps writing into the same file
// the way a running station does. For every operation it prints how long it
// took and what the station saw meanwhile: its writes, its failed writes and
// its longest wait for the lock.

#include "apppaths.h"
#include "checkthread.h"
#include "detectdatadb.h"
#include "exportquery.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pageindex.h"
#include "qsavecsvthread.h"
#include "recordindex.h"
#include "stationsimulator.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextStream>

#include <functional>

namespace {

QTextStream out(stdout);

struct StationFigures
{
    int writes = -1;
    int failed = -1;
    qint64 longestWaitMs = -1;
};

// The station, writing at a steady rate until stopped.
class LiveStation
{
public:
    LiveStation(const QString& program, const QString& dir, double rate)
    {
        m_Process.setProgram(program);
        m_StopFile = QDir(dir).filePath(QStringLiteral("stop-station"));
        m_Process.setArguments({ QStringLiteral("--dir"), dir, QStringLiteral("--live"),
            QStringLiteral("--rate"), QString::number(rate), QStringLiteral("--stop-file"), m_StopFile });
        m_Process.setProcessChannelMode(QProcess::MergedChannels);
    }

    bool start()
    {
        m_Process.start();
        if (!m_Process.waitForStarted(10000))
            return false;
        // Let it settle into writing before the viewer starts its work.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return m_Process.state() == QProcess::Running;
    }

    StationFigures stop()
    {
        // The station finishes its write and reports (the same on Windows,
        // where a console program gets no signal from terminate()).
        QFile stop(m_StopFile);
        stop.open(QIODevice::WriteOnly);
        stop.close();
        m_Process.waitForFinished(20000);
        QFile::remove(m_StopFile);
        const QString text = QString::fromUtf8(m_Process.readAll());
        StationFigures figures;
        const QRegularExpressionMatch match = QRegularExpression(
            QStringLiteral("Live writes: (\\d+), failed writes: (\\d+), longest wait: (\\d+) ms"))
                                                  .match(text);
        if (match.hasMatch()) {
            figures.writes = match.captured(1).toInt();
            figures.failed = match.captured(2).toInt();
            figures.longestWaitMs = match.captured(3).toLongLong();
        }
        return figures;
    }

private:
    QProcess m_Process;
    QString m_StopFile;
};

using GuiTest::child;
using GuiTest::pick;

template <class Signal> bool clickAndWait(hxReport& window, const char* button, Signal signal)
{
    return GuiTest::clickAndWait(window, button, signal, 600000);
}

bool runThread(QThread& thread)
{
    QSignalSpy finished(&thread, &QThread::finished);
    thread.start();
    return finished.wait(600000);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Viewer work beside a live station."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
        QStringLiteral("Folder of the data (made when missing)."), QStringLiteral("DIR"));
    const QCommandLineOption recordsOption(QStringLiteral("records"),
        QStringLiteral("Records when made (1000000)."), QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
        QStringLiteral("Station records per second (20)."), QStringLiteral("R"), QStringLiteral("20"));
    parser.addOptions({ dirOption, recordsOption, rateOption });
    parser.process(app);
    const QString dir = QDir(parser.value(dirOption)).absolutePath();
    if (!parser.isSet(dirOption) || !QDir().mkpath(dir)) {
        out << "hxlivecheck: --dir is required\n";
        return 2;
    }

    if (!QFile::exists(StationSimulator::detectionPath(dir))) {
        StationSimulator::Options options;
        options.appDir = dir;
        options.records = parser.value(recordsOption).toInt();
        options.days = 365;
        options.logs = 100000;
        options.imageSize = QSize(128, 96);
        out << "Generating " << options.records << " records in " << dir << " ...\n";
        out.flush();
        StationSimulator simulator(options);
        if (!simulator.generate()) {
            out << "hxlivecheck: " << simulator.errorString() << '\n';
            return 1;
        }
    }

    AppPaths::setApplicationDir(dir);
    QDir::setCurrent(dir);
    // A fresh record index each run, so its first build runs beside the station.
    const QString indexDir = QDir(dir).filePath(QStringLiteral("index"));
    QDir(indexDir).removeRecursively();
    AppPaths::setIndexFolder(indexDir);
    const QString stationProgram
        = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("stationsim"));
    const double rate = parser.value(rateOption).toDouble();
    const QString exportFile = QDir(dir).filePath(QStringLiteral("livecheck.csv"));

    hxReport window;
    window.show();
    const QDateTime from(QDate(2000, 1, 1), QTime(0, 0));
    // The station stamps its new records with the current time; the range ends
    // before them so that every operation sees the same rows.
    const QDateTime to(QDate(2025, 1, 1), QTime(0, 0));
    pick(window, "pushButton_Set1_History", from);
    pick(window, "pushButton_Set2_History", to);
    pick(window, "pushButton_Set1_Count", from);
    pick(window, "pushButton_Set2_Count", to);
    pick(window, "pushButton_Set1_Warning", from);
    pick(window, "pushButton_Set2_Warning", to);

    auto exportRecords = [&](const char* button) {
        QFile::remove(exportFile);
        GuiTest::answerFileDialog(exportFile);
        GuiTest::answerMessageBox(nullptr);
        return clickAndWait(window, button, &hxReport::sgExportDone);
    };
    auto singleStatementExport = [&](int type, const QString& sql) {
        QSaveCSVThread thread;
        thread.setTask(window.detectDataBase(), sql, exportFile, type);
        return runThread(thread) && thread.succeeded();
    };

    RecordIndex* index = window.findChild<PageIndex*>()->recordIndex();
    // Waits for the index's next pass to end in step.
    auto indexInStep = [index] {
        QSignalSpy passes(index, &RecordIndex::passFinished);
        while (passes.wait(600000)) {
            if (passes.constLast().constFirst().toBool())
                return true;
        }
        return false;
    };
    const QList<QPair<QString, std::function<bool()>>> operations = {
        { QStringLiteral("record index: first build"), [&] { return index->isInStep() || indexInStep(); } },
        { QStringLiteral("record index: sync of the station's new records"),
            [&] {
                index->requestSync();
                return indexInStep();
            } },
        { QStringLiteral("production query, all models"),
            [&] { return clickAndWait(window, "pushButton_Checkdata", &hxReport::sgPageShown); } },
        { QStringLiteral("production query, one model"),
            [&] {
                child<QComboBox>(window, "comboBox_Model")->setCurrentText(QStringLiteral("A1"));
                const bool ok = clickAndWait(window, "pushButton_Checkdata", &hxReport::sgPageShown);
                child<QComboBox>(window, "comboBox_Model")->setCurrentIndex(0);
                return ok;
            } },
        { QStringLiteral("deep page (last of all models)"),
            [&] {
                CheckThread thread;
                const int total = window.productionPaging().total;
                thread.setQuery(window.detectDataBase(),
                    window.historySqlBase() + QStringLiteral(" LIMIT 50 OFFSET %1").arg(qMax(0, total - 50)));
                return runThread(thread);
            } },
        { QStringLiteral("statistics over everything"),
            [&] { return clickAndWait(window, "pushButton_Checkdata_Calculate", &hxReport::sgPageShown); } },
        { QStringLiteral("log query (alarm records)"),
            [&] { return clickAndWait(window, "pushButton_Wandring", &hxReport::sgPageShown); } },
        { QStringLiteral("export all production records"),
            [&] { return exportRecords("pushButton_SaveHistory"); } },
        { QStringLiteral("export all log records"), [&] { return exportRecords("pushButton_SaveWaring"); } },
        { QStringLiteral("export all production records, one statement (before)"),
            [&] { return singleStatementExport(0, window.historySqlBase()); } },
        { QStringLiteral("export all log records, one statement (before)"),
            [&] { return singleStatementExport(1, window.logSql(false)); } },
    };

    out << "| operation | viewer time (ms) | station writes | failed writes | station's longest wait (ms) "
           "|\n";
    out << "|---|---:|---:|---:|---:|\n";
    out.flush();
    int failures = 0;
    for (const auto& operation : operations) {
        LiveStation station(stationProgram, dir, rate);
        if (!station.start()) {
            out << "hxlivecheck: the station did not start (" << stationProgram << ")\n";
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        const bool ok = operation.second();
        const qint64 elapsed = clock.elapsed();
        // Keep the station writing a little longer so a held lock shows.
        QElapsedTimer tail;
        tail.start();
        while (tail.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const StationFigures figures = station.stop();
        out << "| " << operation.first << (ok ? "" : " (FAILED)") << " | " << elapsed << " | "
            << figures.writes << " | " << figures.failed << " | " << figures.longestWaitMs << " |\n";
        out.flush();
        failures += (ok ? 0 : 1) + (figures.failed != 0 ? 1 : 0);
    }
    QFile::remove(exportFile);
    return failures == 0 ? 0 : 1;
}
