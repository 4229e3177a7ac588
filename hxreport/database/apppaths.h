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

    static QString detectionDatabase(); // <app>/wheelhubwf.db
    static QString modelDatabase(); // <app>/pattern/modelTemplate.db
    static QString languageDir(); // <app>/language
    static QString settingsFile(); // "hubdetect.ini" in the working directory

    static QString join(const QString& dir, const QString& name);
};

#endif // APPPATHS_H
