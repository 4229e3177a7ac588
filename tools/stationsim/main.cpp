#include "stationsimulator.h"
#include "stopsignal.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

StationSimulator* liveSimulator = nullptr;

void onSignal()
{
    if (liveSimulator)
        liveSimulator->requestStop();
}

bool parseSize(const QString& text, QSize* size)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    bool okWidth = false;
    bool okHeight = false;
    if (parts.size() == 2)
        *size = QSize(parts.at(0).toInt(&okWidth), parts.at(1).toInt(&okHeight));
    return okWidth && okHeight && size->width() > 0 && size->height() > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Drawing the model names needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stationsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes wheelhubwf.db and pattern/modelTemplate.db the way the detection station does."));
    parser.addHelpOption();
    // Name, description, value name (none for a switch).
    const char* const optionTable[][3] = {
        { "dir", "Application directory.", "DIR" },
        { "records", "Detection records (5000).", "N" },
        { "days", "Days they span (30).", "D" },
        { "seed", "Random seed (1).", "S" },
        { "logs", "Log records (500).", "N" },
        { "image-size", "Thumbnail size (64x64).", "WxH" },
        { "format", "JPEG or PNG (JPEG).", "FORMAT" },
        { "live", "Keep appending like a running station.", "" },
        { "rate", "Live records per second (10).", "R" },
        { "seconds", "Live duration; 0 runs until interrupted (0).", "T" },
        { "stop-file", "Live: stop once this file exists (a stop that works the same on Windows).", "FILE" },
        { "end", "Time of the last record, \"yyyy-MM-dd hh:mm:ss\" or \"now\" (2024-06-30 23:59:59).",
            "TIME" },
    };
    for (const auto& option : optionTable)
        parser.addOption(QCommandLineOption(
            QLatin1String(option[0]), QString::fromUtf8(option[1]), QLatin1String(option[2])));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    StationSimulator::Options options;
    options.appDir = parser.value(QStringLiteral("dir"));
    bool ok = !options.appDir.isEmpty();
    auto number = [&parser, &ok](const QString& option, int fallback) {
        if (!parser.isSet(option))
            return fallback;
        bool valid = false;
        const int value = parser.value(option).toInt(&valid);
        ok = ok && valid && value >= 0;
        return value;
    };
    options.records = number(QStringLiteral("records"), options.records);
    options.days = number(QStringLiteral("days"), options.days);
    options.seed = quint32(number(QStringLiteral("seed"), int(options.seed)));
    options.logs = number(QStringLiteral("logs"), options.logs);
    const int seconds = number(QStringLiteral("seconds"), 0);
    const double rate
        = parser.isSet(QStringLiteral("rate")) ? parser.value(QStringLiteral("rate")).toDouble() : 10.0;
    if (parser.isSet(QStringLiteral("image-size")))
        ok = ok && parseSize(parser.value(QStringLiteral("image-size")), &options.imageSize);
    if (parser.isSet(QStringLiteral("end"))) {
        const QString end = parser.value(QStringLiteral("end"));
        options.endTime = end == QLatin1String("now")
            ? QDateTime::currentDateTime()
            : QDateTime::fromString(end, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        ok = ok && options.endTime.isValid();
    }
    if (parser.isSet(QStringLiteral("format")))
        options.format = parser.value(QStringLiteral("format")).toUpper().toLatin1();
    ok = ok && (options.format == "JPEG" || options.format == "PNG") && options.days >= 1 && rate > 0;
    if (!ok) {
        err << "stationsim: invalid or missing options\n\n" << parser.helpText();
        return 2;
    }

    StationSimulator simulator(options);
    const bool live = parser.isSet(QStringLiteral("live"));
    if (!live || parser.isSet(QStringLiteral("records"))) {
        QElapsedTimer clock;
        clock.start();
        if (!simulator.generate()) {
            err << "stationsim: " << simulator.errorString() << '\n';
            return 1;
        }
        out << "Wrote " << simulator.recordsWritten() << " records, " << simulator.logsWritten()
            << " log records and 2 shifts to "
            << QDir::cleanPath(StationSimulator::detectionPath(options.appDir)) << '\n'
            << "Wrote " << options.models.size() << " models to "
            << StationSimulator::modelPath(options.appDir) << '\n'
            << "Took " << clock.elapsed() << " ms\n";
        out.flush();
    }
    if (live) {
        liveSimulator = &simulator;
        StopSignal::install(onSignal);
        out << "Live: " << rate << " records per second" << (seconds > 0 ? "" : " until interrupted") << '\n';
        out.flush();
        // A console program on Windows gets no SIGTERM from QProcess::terminate():
        // a caller may stop it by creating this file instead.
        const QString stopFile = parser.value(QStringLiteral("stop-file"));
        std::atomic_bool running { true };
        std::thread watcher;
        if (!stopFile.isEmpty()) {
            QFile::remove(stopFile);
            watcher = std::thread([&simulator, &running, stopFile] {
                while (running && !QFileInfo::exists(stopFile))
                    QThread::msleep(50);
                simulator.requestStop();
            });
        }
        const StationSimulator::LiveReport report = simulator.runLive(rate, seconds);
        running = false;
        if (watcher.joinable())
            watcher.join();
        liveSimulator = nullptr;
        out << "Live writes: " << report.writes << ", failed writes: " << report.failedWrites
            << ", longest wait: " << report.longestWaitMs << " ms\n";
        out.flush();
        StopSignal::finished();
        return report.failedWrites == 0 ? 0 : 1;
    }
    return 0;
}
