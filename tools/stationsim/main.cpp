#include "stationsimulator.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>

namespace {

StationSimulator* liveSimulator = nullptr;

void onSignal(int)
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
    const QCommandLineOption dirOption(
        QStringLiteral("dir"), QStringLiteral("Application directory."), QStringLiteral("DIR"));
    const QCommandLineOption recordsOption(
        QStringLiteral("records"), QStringLiteral("Detection records (5000)."), QStringLiteral("N"));
    const QCommandLineOption daysOption(
        QStringLiteral("days"), QStringLiteral("Days they span (30)."), QStringLiteral("D"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"), QStringLiteral("Random seed (1)."), QStringLiteral("S"));
    const QCommandLineOption logsOption(
        QStringLiteral("logs"), QStringLiteral("Log records (500)."), QStringLiteral("N"));
    const QCommandLineOption sizeOption(
        QStringLiteral("image-size"), QStringLiteral("Thumbnail size (64x64)."), QStringLiteral("WxH"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"), QStringLiteral("JPEG or PNG (JPEG)."), QStringLiteral("FORMAT"));
    const QCommandLineOption liveOption(
        QStringLiteral("live"), QStringLiteral("Keep appending like a running station."));
    const QCommandLineOption rateOption(
        QStringLiteral("rate"), QStringLiteral("Live records per second (10)."), QStringLiteral("R"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
        QStringLiteral("Live duration; 0 runs until interrupted (0)."), QStringLiteral("T"));
    const QCommandLineOption endOption(QStringLiteral("end"),
        QStringLiteral("Time of the last record, \"yyyy-MM-dd hh:mm:ss\" or \"now\" (2024-06-30 23:59:59)."),
        QStringLiteral("TIME"));
    parser.addOptions({ dirOption, recordsOption, daysOption, seedOption, logsOption, sizeOption,
        formatOption, liveOption, rateOption, secondsOption, endOption });
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    StationSimulator::Options options;
    options.appDir = parser.value(dirOption);
    bool ok = !options.appDir.isEmpty();
    auto number = [&parser, &ok](const QCommandLineOption& option, int fallback) {
        if (!parser.isSet(option))
            return fallback;
        bool valid = false;
        const int value = parser.value(option).toInt(&valid);
        ok = ok && valid && value >= 0;
        return value;
    };
    options.records = number(recordsOption, options.records);
    options.days = number(daysOption, options.days);
    options.seed = quint32(number(seedOption, int(options.seed)));
    options.logs = number(logsOption, options.logs);
    const int seconds = number(secondsOption, 0);
    const double rate = parser.isSet(rateOption) ? parser.value(rateOption).toDouble() : 10.0;
    if (parser.isSet(sizeOption))
        ok = ok && parseSize(parser.value(sizeOption), &options.imageSize);
    if (parser.isSet(endOption)) {
        const QString end = parser.value(endOption);
        options.endTime = end == QLatin1String("now")
            ? QDateTime::currentDateTime()
            : QDateTime::fromString(end, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        ok = ok && options.endTime.isValid();
    }
    if (parser.isSet(formatOption))
        options.format = parser.value(formatOption).toUpper().toLatin1();
    ok = ok && (options.format == "JPEG" || options.format == "PNG") && options.days >= 1 && rate > 0;
    if (!ok) {
        err << "stationsim: invalid or missing options\n\n" << parser.helpText();
        return 2;
    }

    StationSimulator simulator(options);
    const bool live = parser.isSet(liveOption);
    if (!live || parser.isSet(recordsOption)) {
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
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        out << "Live: " << rate << " records per second" << (seconds > 0 ? "" : " until interrupted") << '\n';
        out.flush();
        const StationSimulator::LiveReport report = simulator.runLive(rate, seconds);
        liveSimulator = nullptr;
        out << "Live writes: " << report.writes << ", failed writes: " << report.failedWrites
            << ", longest wait: " << report.longestWaitMs << " ms\n";
        return report.failedWrites == 0 ? 0 : 1;
    }
    return 0;
}
