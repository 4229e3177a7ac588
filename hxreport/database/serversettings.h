#ifndef SERVERSETTINGS_H
#define SERVERSETTINGS_H

#include <QString>

class DataBaseSql;

// Where the viewer finds the plant server: the group [server] of hubdetect.ini
// (host, port, socket, user, database, optionFile). The password is never
// kept there: it comes from the MariaDB option file named by optionFile
// (groups [client] and [hxreport]), else from the environment variable
// MYSQL_PWD, else the user is asked. Settings missing in the ini file are
// taken from the option file.
class ServerSettings
{
public:
    QString host;
    int port = 0;
    QString socket;
    QString user;
    QString database;
    QString optionFile;

    // How long a connection waits for the server: to connect, and for each
    // answer or write once connected. A server that stops answering ends the
    // statement with an error after that long.
    static constexpr int ConnectTimeoutSeconds = 5;
    static constexpr int ReadWriteTimeoutSeconds = 60;

    static ServerSettings fromIni(const QString& iniPath);
    // Writes the group, leaving out empty values (and a port of 0), and
    // removes a password an older file may hold. False when the file cannot
    // be written.
    bool writeTo(const QString& iniPath) const;

    // Completes the settings from the option file and finds the password.
    // False with the reason when the option file cannot be read or no user
    // or database is known; *passwordFound tells whether a password was found.
    bool resolve(ServerSettings* resolved, QString* password, bool* passwordFound, QString* why) const;

    // Sets up db (made with Qt's MariaDB driver) to connect with these
    // settings. False with the reason when they cannot be used.
    // timeoutSeconds: how long to wait for each answer (and at most
    // ConnectTimeoutSeconds to connect).
    bool configure(DataBaseSql* db, const QString& password, QString* why,
        int timeoutSeconds = ReadWriteTimeoutSeconds) const;
};

#endif // SERVERSETTINGS_H
