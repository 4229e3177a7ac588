#include "serversettings.h"

#include "databasesql.h"
#include "optionfile.h"

#include <QMap>
#include <QSettings>

namespace {
const char* const Group = "server";
}

ServerSettings ServerSettings::fromIni(const QString& iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(Group));
    ServerSettings settings;
    settings.host = ini.value(QStringLiteral("host")).toString();
    settings.port = ini.value(QStringLiteral("port"), 0).toInt();
    settings.socket = ini.value(QStringLiteral("socket")).toString();
    settings.user = ini.value(QStringLiteral("user")).toString();
    settings.database = ini.value(QStringLiteral("database")).toString();
    settings.optionFile = ini.value(QStringLiteral("optionFile")).toString();
    return settings;
}

bool ServerSettings::writeTo(const QString& iniPath) const
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(Group));
    const auto put = [&ini](const char* key, const QVariant& value, bool empty) {
        if (empty)
            ini.remove(QLatin1String(key));
        else
            ini.setValue(QLatin1String(key), value);
    };
    put("host", host, host.isEmpty());
    put("port", port, port <= 0);
    put("socket", socket, socket.isEmpty());
    put("user", user, user.isEmpty());
    put("database", database, database.isEmpty());
    put("optionFile", optionFile, optionFile.isEmpty());
    ini.remove(QStringLiteral("password"));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool ServerSettings::resolve(
    ServerSettings* resolved, QString* password, bool* passwordFound, QString* why) const
{
    *resolved = *this;
    *passwordFound = false;
    password->clear();
    if (qEnvironmentVariableIsSet("MYSQL_PWD")) {
        *password = qEnvironmentVariable("MYSQL_PWD");
        *passwordFound = true;
    }
    if (!optionFile.isEmpty()) {
        QMap<QString, QString> values;
        if (!OptionFile::read(optionFile, &values, why, QStringLiteral("hxreport")))
            return false;
        const auto fill = [&values](QString& field, const char* key) {
            if (field.isEmpty())
                field = values.value(QLatin1String(key));
        };
        fill(resolved->host, "host");
        fill(resolved->socket, "socket");
        fill(resolved->user, "user");
        fill(resolved->database, "database");
        if (resolved->port == 0)
            resolved->port = values.value(QStringLiteral("port")).toInt();
        if (values.contains(QStringLiteral("password"))) {
            *password = values.value(QStringLiteral("password"));
            *passwordFound = true;
        }
    }
    if (resolved->user.isEmpty()) {
        *why = QStringLiteral(
            "no server user (user in the [server] group of hubdetect.ini or the option file)");
        return false;
    }
    if (resolved->database.isEmpty()) {
        *why = QStringLiteral("no server database (database in the [server] group of hubdetect.ini or the "
                              "option file)");
        return false;
    }
    return true;
}

bool ServerSettings::configure(
    DataBaseSql* db, const QString& password, QString* why, int timeoutSeconds) const
{
    if (db->dialect() != SqlDialect::Plant) {
        *why = QStringLiteral("not a connection of Qt's MariaDB driver");
        return false;
    }
    // Qt's driver splits its options at ';'.
    if (socket.contains(QLatin1Char(';'))) {
        *why = QStringLiteral("the socket path must not hold ';'");
        return false;
    }
    if (port < 0 || port > 65535) {
        *why = QStringLiteral("the port %1 is out of range").arg(port);
        return false;
    }
    db->setDatabaseName(database);
    db->setUser(user, password);
    db->setHost(host, port > 0 ? port : -1);
    QString options = QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1;MYSQL_OPT_READ_TIMEOUT=%2;"
                                     "MYSQL_OPT_WRITE_TIMEOUT=%2")
                          .arg(qMin(ConnectTimeoutSeconds, timeoutSeconds))
                          .arg(timeoutSeconds);
    if (!socket.isEmpty())
        options += QStringLiteral(";UNIX_SOCKET=") + socket;
    db->setConnectOptions(options);
    return true;
}
