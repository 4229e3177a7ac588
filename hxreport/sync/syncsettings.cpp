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
    const QCommandLineOption station(QStringLiteral("station"),
        QStringLiteral("Name of the station on the server."), QStringLiteral("NAME"));
    const QCommandLineOption dir(QStringLiteral("dir"),
        QStringLiteral("Station folder (holds wheelhubwf.db)."), QStringLiteral("DIR"));
    const QCommandLineOption host(
        QStringLiteral("host"), QStringLiteral("Server address."), QStringLiteral("HOST"));
    const QCommandLineOption port(
        QStringLiteral("port"), QStringLiteral("Server port."), QStringLiteral("PORT"));
    const QCommandLineOption socket(
        QStringLiteral("socket"), QStringLiteral("Server's Unix socket."), QStringLiteral("PATH"));
    const QCommandLineOption user(
        QStringLiteral("user"), QStringLiteral("Server user."), QStringLiteral("USER"));
    const QCommandLineOption database(
        QStringLiteral("database"), QStringLiteral("Database of the plant archive."), QStringLiteral("NAME"));
    const QCommandLineOption optionFile(QStringLiteral("defaults-file"),
        QStringLiteral("MariaDB option file with the password ([client] or [stationsync])."),
        QStringLiteral("FILE"));
    const QCommandLineOption thumbnails(
        QStringLiteral("thumbnails"), QStringLiteral("Copy the pictures too."));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Copy what is there, then exit."));
    const QCommandLineOption interval(QStringLiteral("interval"),
        QStringLiteral("Seconds between passes when following (5)."), QStringLiteral("S"));
    const QCommandLineOption retry(QStringLiteral("retry"),
        QStringLiteral("Seconds --once keeps trying an unreachable server (60)."), QStringLiteral("S"));
    const QCommandLineOption batch(
        QStringLiteral("batch"), QStringLiteral("Records per transaction (2000)."), QStringLiteral("N"));
    parser.addOptions({ helpOption, station, dir, host, port, socket, user, database, optionFile, thumbnails,
        once, interval, retry, batch });
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
    auto number = [&](const QCommandLineOption& option, int* value) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        if (!ok)
            *why = QStringLiteral("--%1 takes a number").arg(option.names().constFirst());
        return ok;
    };
    SyncSettings s;
    s.station = parser.value(station);
    s.stationDir = parser.value(dir);
    s.host = parser.value(host);
    s.socket = parser.value(socket);
    s.user = parser.value(user);
    s.database = parser.value(database);
    s.optionFile = parser.value(optionFile);
    s.thumbnails = parser.isSet(thumbnails);
    s.once = parser.isSet(once);
    if (!number(port, &s.port) || !number(interval, &s.intervalSeconds) || !number(retry, &s.retrySeconds)
        || !number(batch, &s.batchRows))
        return false;
    if (parser.isSet(port) && s.port == 0) {
        *why = QStringLiteral("the port must lie in 1..65535");
        return false;
    }
    if (!s.check(why))
        return false;
    *settings = s;
    return true;
}
