#ifndef TRANSLATIONLOADER_H
#define TRANSLATIONLOADER_H

#include <QLocale>
#include <QString>
#include <QVector>

class QTranslator;

// Installs the interface translations of one language: every ".qm" file
// below <language dir>/<language>, subfolders first, in name order (the last
// installed wins). The installed translators are appended to the caller's
// list, which owns them.
class TranslationLoader
{
public:
    // Removes and deletes the translators in the list first. A language that
    // is not a plain folder name (a path, "..") loads nothing.
    static void load(const QString& languageDir, const QString& language, QVector<QTranslator*>& translators);
    static void loadDir(const QString& dirPath, QVector<QTranslator*>& translators);
    static void loadFile(const QString& filePath, QVector<QTranslator*>& translators);
    // The locale of the language loaded last (month and weekday names of the
    // date picker); the system's before any.
    static QLocale interfaceLocale();
};

#endif // TRANSLATIONLOADER_H
