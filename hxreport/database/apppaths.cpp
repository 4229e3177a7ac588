#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {
QString& overrideDir()
{
    static QString dir;
    return dir;
}

QString& stationOverride()
{
    static QString dir;
    return dir;
}

QString& indexOverride()
{
    static QString dir;
    return dir;
}
}

QString AppPaths::applicationDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QCoreApplication::applicationDirPath();
}

void AppPaths::setApplicationDir(const QString& dir)
{
    overrideDir() = dir;
}

QString AppPaths::stationDir()
{
    return stationOverride().isEmpty() ? applicationDir() : stationOverride();
}

void AppPaths::setStationDir(const QString& dir)
{
    stationOverride() = dir;
}

QString AppPaths::join(const QString& dir, const QString& name)
{
    return QDir::cleanPath(QDir(dir).filePath(name));
}

QString AppPaths::detectionDatabase()
{
    return join(stationDir(), QStringLiteral("wheelhubwf.db"));
}

QString AppPaths::modelDatabase()
{
    return join(stationDir(), QStringLiteral("pattern/modelTemplate.db"));
}

QString AppPaths::languageDir()
{
    return join(applicationDir(), QStringLiteral("language"));
}

QString AppPaths::settingsFile()
{
    return QStringLiteral("hubdetect.ini");
}

QString AppPaths::indexFolder()
{
    if (!indexOverride().isEmpty())
        return indexOverride();
    const QSettings settings(settingsFile(), QSettings::IniFormat);
    return settings.value(QStringLiteral("indexFolder")).toString();
}

void AppPaths::setIndexFolder(const QString& dir)
{
    indexOverride() = dir;
}
