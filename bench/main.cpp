#include "benchrunner.h"
#include "sqltrace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char* argv[])
{
    // Every connection opened from here on reports its statements.
    SqlTrace::install();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the viewer against the sqlite3 shell."));
    parser.addHelpOption();
    const QCommandLineOption dataOption(QStringLiteral("data"),
        QStringLiteral("Folder for the generated databases (kept between runs)."), QStringLiteral("DIR"));
    const QCommandLineOption sizesOption(QStringLiteral("sizes"),
        QStringLiteral("Record counts, comma-separated (10000,100000,1000000)."), QStringLiteral("LIST"));
    const QCommandLineOption logsOption(
        QStringLiteral("logs"), QStringLiteral("Log records per database (100000)."), QStringLiteral("N"));
    const QCommandLineOption repsOption(
        QStringLiteral("reps"), QStringLiteral("Runs per operation (3)."), QStringLiteral("N"));
    const QCommandLineOption exportRepsOption(
        QStringLiteral("export-reps"), QStringLiteral("Runs per export (2)."), QStringLiteral("N"));
    const QCommandLineOption markdownOption(QStringLiteral("markdown"),
        QStringLiteral("Also write the tables to this file."), QStringLiteral("FILE"));
    const QCommandLineOption startupOption(QStringLiteral("startup"),
        QStringLiteral("Internal: time one start-up on this application folder."), QStringLiteral("DIR"));
    const QCommandLineOption indexOnlyOption(
        QStringLiteral("index-only"), QStringLiteral("Only the figures of the record index."));
    const QCommandLineOption coldOption(QStringLiteral("cold"),
        QStringLiteral("Drop the file cache before each index figure (root only; one run each)."));
    const QCommandLineOption qualityOnlyOption(QStringLiteral("quality-only"),
        QStringLiteral("Only the figures of the quality analyses (index built first)."));
    parser.addOptions({ dataOption, sizesOption, logsOption, repsOption, exportRepsOption, markdownOption,
        startupOption, indexOnlyOption, coldOption, qualityOnlyOption });
    parser.process(app);

    if (parser.isSet(startupOption))
        return BenchRunner::startupChild(parser.value(startupOption));

    BenchRunner::Options options;
    options.program = QCoreApplication::applicationFilePath();
    options.dataDir = parser.isSet(dataOption)
        ? parser.value(dataOption)
        : QDir::current().absoluteFilePath(QStringLiteral("bench-data"));
    if (parser.isSet(sizesOption)) {
        options.sizes.clear();
        for (const QString& part : parser.value(sizesOption).split(QLatin1Char(','), Qt::SkipEmptyParts))
            options.sizes.append(part.toInt());
    }
    if (parser.isSet(logsOption))
        options.logs = parser.value(logsOption).toInt();
    if (parser.isSet(repsOption))
        options.reps = std::max(1, parser.value(repsOption).toInt());
    if (parser.isSet(exportRepsOption))
        options.exportReps = std::max(1, parser.value(exportRepsOption).toInt());
    options.markdownFile = parser.value(markdownOption);
    options.indexOnly = parser.isSet(indexOnlyOption);
    options.cold = parser.isSet(coldOption);
    options.qualityOnly = parser.isSet(qualityOnlyOption);

    BenchRunner runner(options);
    return runner.run() ? 0 : 1;
}
