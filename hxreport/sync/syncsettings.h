#ifndef SYNCSETTINGS_H
#define SYNCSETTINGS_H

#include <QString>
#include <QStringList>

// What one station sync needs: the station's folder and name, the plant
// server and how to run. Made from the command line (parse()) or by tests;
// check() says what is wrong in one line.
class SyncSettings
{
public:
    // Longest station name the archive keeps (its key column).
    static const int MaxStationName = 64;

    QString station; // the name the station's rows carry on the server
    QString stationDir; // holds wheelhubwf.db and pattern/modelTemplate.db
    QString host; // empty: the option file's or the connector's default
    int port = 0; // 0: default
    QString socket; // a Unix socket instead of host and port
    QString user; // empty: from the option file
    QString database;
    // A MariaDB option file with the password (group [client] and
    // [stationsync]); the password is never given on the command line.
    QString optionFile;
    bool thumbnails = false; // copy each record's picture
    bool once = false; // one pass up to the station's end, then exit
    int intervalSeconds = 5; // between passes when following
    int retrySeconds = 60; // how long --once keeps trying an unreachable server
    int batchRows = 2000; // records per read transaction and per server transaction
    int readMs = 50; // longest read transaction on the station file
    int progressSeconds = 10; // a progress line this often in a long pass

    // The station's files below stationDir.
    QString detectionPath() const;
    QString modelPath() const;

    // False with the reason for a name the archive cannot keep as it is:
    // empty, longer than MaxStationName, blanks at either end, control characters.
    static bool checkStationName(const QString& name, QString* why);
    // Everything, including that the station's file exists.
    bool check(QString* why) const;

    // The program's command line (arguments()[0] is the program). False with
    // a message on a bad or missing option; *help when --help was asked
    // (the text in *why).
    static bool parse(const QStringList& arguments, SyncSettings* settings, QString* why, bool* help);
};

#endif // SYNCSETTINGS_H
