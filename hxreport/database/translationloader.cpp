#include "translationloader.h"

#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace {
QString& languageLoaded()
{
    static QString language;
    return language;
}
}

QLocale TranslationLoader::interfaceLocale()
{
    // The settings name the language, not a locale: QLocale("Chinese") would
    // be the C locale, whose names are English.
    const QString& language = languageLoaded();
    if (language == QLatin1String("Chinese"))
        return QLocale(QLocale::Chinese, QLocale::China);
    if (language == QLatin1String("English"))
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return QLocale::system();
}

void TranslationLoader::load(
    const QString& languageDir, const QString& language, QVector<QTranslator*>& translators)
{
    if (language.isEmpty())
        return;
    for (QTranslator* translator : qAsConst(translators)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    translators.clear();
    QLocale::setDefault(QLocale(language));
    languageLoaded() = language;
    // The setting names one folder inside the language folder. A value that
    // leads elsewhere (a path, "..") loads nothing, like an unknown language,
    // rather than walking and loading whatever lies there.
    const bool plainName = !language.contains(QLatin1Char('/')) && !language.contains(QLatin1Char('\\'))
        && language != QLatin1String(".") && language != QLatin1String("..");
    if (plainName)
        loadDir(AppPaths::join(languageDir, language), translators);
}

void TranslationLoader::loadDir(const QString& dirPath, QVector<QTranslator*>& translators)
{
    const QDir dir(dirPath);
    if (!dir.exists())
        return;
    const QFileInfoList entries
        = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            loadDir(entry.absoluteFilePath(), translators);
        else if (entry.fileName().endsWith(QLatin1String(".qm"), Qt::CaseSensitive))
            loadFile(entry.absoluteFilePath(), translators);
    }
}

void TranslationLoader::loadFile(const QString& filePath, QVector<QTranslator*>& translators)
{
    if (filePath.isEmpty())
        return;
    auto* translator = new QTranslator;
    if (translator->load(filePath)) {
        QCoreApplication::installTranslator(translator);
        translators.append(translator);
    } else {
        delete translator;
    }
}
