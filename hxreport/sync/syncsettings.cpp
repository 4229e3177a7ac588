#include "syncsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

QString SyncSettings::detectionPath() const
{
    return QDir(stationDir).filePath(QStringLiteral("wheelhubwf.db"));
}

QString SyncSettings::modelPath() const
{
    return QDir(stationDir).filePath(QStringLiteral("pattern/modelTemplate.db"));
}

bool SyncSettings::checkStationName(const QString& name, QString* why)
{
    if (name.trimmed().isEmpty()) {
        *why = QStringLiteral("the station name is empty");
        return false;
    }
    // Characters, as the server's column counts them (a pair of UTF-16 units is one).
    if (name.toUcs4().size() > MaxStationName) {
        *why = QStringLiteral("the station name is longer than %1 characters").arg(MaxStationName);
        return false;
    }
    if (name != name.trimmed()) {
        *why = QStringLiteral("the station name begins or ends with a blank");
        return false;
    }
    // Bytes that are not UTF-8 arrive as U+FFFD: two such names would become one.
    if (name.contains(QChar(QChar::ReplacementCharacter))) {
        *why = QStringLiteral("the station name is not valid UTF-8");
        return false;
    }
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control) {
            *why = QStringLiteral("the station name holds a control character");
            return false;
        }
    }
    return true;
}

bool SyncSettings::check(QString* why) const
{
    if (!checkStationName(station, why))
        return false;
    if (stationDir.isEmpty()) {
        *why = QStringLiteral("no station folder (--dir)");
        return false;
    }
    if (!QFileInfo(detectionPath()).isFile()) {
        *why = QStringLiteral("no station file %1").arg(QDir::toNativeSeparators(detectionPath()));
        return false;
    }
    if (database.isEmpty()) {
        *why = QStringLiteral("no database (--database)");
        return false;
    }
    if (!optionFile.isEmpty() && !QFileInfo(optionFile).isReadable()) {
        *why = QStringLiteral("the option file %1 cannot be read").arg(optionFile);
        return false;
    }
    if (port < 0 || port > 65535) {
        *why = QStringLiteral("the port must lie in 1..65535");
        return false;
    }
    if (intervalSeconds < 1 || retrySeconds < 0 || batchRows < 1 || batchRows > 100000 || readMs < 1
        || readMs > 1000) {
        *why = QStringLiteral("interval, retry, batch or read time out of range");
        return false;
    }
    return true;
}

bool SyncSettings::parse(const QStringList& arguments, SyncSettings* settings, QString* why, bool* help)
{
    *help = false;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies a station's records, log records, shifts and models to the plant's MariaDB server."));
    const QCommandLineOption helpOption(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Shows this text."));
    // Name, description, value name (none for a switch).
    const char* const optionTable[][3] = {
        { "station", "Name of the station on the server.", "NAME" },
        { "dir", "Station folder (holds wheelhubwf.db).", "DIR" },
        { "host", "Server address.", "HOST" },
        { "port", "Server port.", "PORT" },
        { "socket", "Server's Unix socket.", "PATH" },
        { "user", "Server user.", "USER" },
        { "database", "Database of the plant archive.", "NAME" },
        { "defaults-file", "MariaDB option file with the password ([client] or [stationsync]).", "FILE" },
        { "thumbnails", "Copy the pictures too.", "" },
        { "once", "Copy what is there, then exit.", "" },
        { "interval", "Seconds between passes when following (5).", "S" },
        { "retry", "Seconds --once keeps trying an unreachable server (60).", "S" },
        { "batch", "Records per transaction (2000).", "N" },
    };
    parser.addOption(helpOption);
    for (const auto& option : optionTable)
        parser.addOption(QCommandLineOption(
            QLatin1String(option[0]), QString::fromUtf8(option[1]), QLatin1String(option[2])));
    if (!parser.parse(arguments)) {
        *why = parser.errorText();
        return false;
    }
    if (parser.isSet(helpOption)) {
        *help = true;
        *why = parser.helpText();
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *why = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return false;
    }
    auto number = [&](const QString& option, int* value) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        if (!ok)
            *why = QStringLiteral("--%1 takes a number").arg(option);
        return ok;
    };
    SyncSettings s;
    s.station = parser.value(QStringLiteral("station"));
    s.stationDir = parser.value(QStringLiteral("dir"));
    s.host = parser.value(QStringLiteral("host"));
    s.socket = parser.value(QStringLiteral("socket"));
    s.user = parser.value(QStringLiteral("user"));
    s.database = parser.value(QStringLiteral("database"));
    s.optionFile = parser.value(QStringLiteral("defaults-file"));
    s.thumbnails = parser.isSet(QStringLiteral("thumbnails"));
    s.once = parser.isSet(QStringLiteral("once"));
    if (!number(QStringLiteral("port"), &s.port) || !number(QStringLiteral("interval"), &s.intervalSeconds)
        || !number(QStringLiteral("retry"), &s.retrySeconds)
        || !number(QStringLiteral("batch"), &s.batchRows))
        return false;
    if (parser.isSet(QStringLiteral("port")) && s.port == 0) {
        *why = QStringLiteral("the port must lie in 1..65535");
        return false;
    }
    if (!s.check(why))
        return false;
    *settings = s;
    return true;
}
