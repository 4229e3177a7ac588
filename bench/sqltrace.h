#ifndef SQLTRACE_H
#define SQLTRACE_H

#include <QString>
#include <QVector>

// Records every statement that any SQLite connection of this process runs
// while recording is on: its text, how long it ran (first step to reset) and whether it ran on the GUI
// thread. install() must be called before the connections to watch are opened; every connection opened
// afterwards carries the hook. All members are thread-safe.
class SqlTrace
{
public:
    struct Entry
    {
        QString sql;
        double ms = 0;
        bool guiThread = false;
    };

    static void install();
    // Starts a new recording (earlier entries are dropped).
    static void start();
    // Stops recording and returns what was recorded since start().
    static QVector<Entry> stop();
};

#endif // SQLTRACE_H
