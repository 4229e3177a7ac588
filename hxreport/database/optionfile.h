#ifndef OPTIONFILE_H
#define OPTIONFILE_H

#include <QMap>
#include <QString>

// Reads the connection settings of a MariaDB option file (the format of
// ~/.my.cnf): the groups [client] and the program's own ([stationsync] for
// the sync, [hxreport] for the viewer), the later group winning, keys user, password, host, port, socket,
// database. Qt's driver does not read such files itself, and the password belongs there (mode 0600) rather
// than on a command line or in a service unit.
class OptionFile
{
public:
    // False with the reason when the file cannot be read, or when others than
    // its owner may write it (the server's own client ignores such a file).
    // *warning (when given): a line when others may read it.
    static bool read(const QString& path, QMap<QString, QString>* values, QString* why,
        const QString& ownGroup = QStringLiteral("stationsync"), QString* warning = nullptr);
};

#endif // OPTIONFILE_H
