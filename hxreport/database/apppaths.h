#ifndef APPPATHS_H
#define APPPATHS_H

#include <QString>

// Where the viewer finds its files. Everything is joined with QDir so the same
// names resolve on Windows and Linux. Tests point the application directory at
// a temporary folder; otherwise it is the folder of the executable.
class AppPaths
{
public:
    static QString applicationDir();
    // Overrides applicationDir(); an empty text restores the executable's folder.
    static void setApplicationDir(const QString& dir);

    // The station's folder: the application directory unless a folder was
    // named (the viewer's --dir), so a copy of a station's files can be opened
    // anywhere while translations still come from beside the program.
    static QString stationDir();
    // An empty text goes back to the application directory.
    static void setStationDir(const QString& dir);

    static QString detectionDatabase(); // <station>/wheelhubwf.db
    static QString modelDatabase(); // <station>/pattern/modelTemplate.db
    static QString languageDir(); // <app>/language
    static QString settingsFile(); // "hubdetect.ini" in the working directory
    // The folder of the viewer's record index: the setting "indexFolder" of
    // settingsFile(), else empty, which means the user's cache location.
    // setIndexFolder() overrides both (tests point it at a temporary folder);
    // an empty text removes the override.
    static QString indexFolder();
    static void setIndexFolder(const QString& dir);

    static QString join(const QString& dir, const QString& name);
};

#endif // APPPATHS_H
