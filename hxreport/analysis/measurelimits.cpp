#include "measurelimits.h"

#include "qualityanalysis.h"

#include <QSettings>
#include <QUrl>

namespace {
// A model name may hold "/", which QSettings reads as a group: encoded, each
// model is one group below "QualityLimits".
QString groupOf(const QString& model)
{
    return QStringLiteral("QualityLimits/") + QString::fromLatin1(QUrl::toPercentEncoding(model));
}

QString key(int measure, const char* side)
{
    return QString::fromLatin1(QualityAnalysis::column(QualityAnalysis::Measure(measure))) + QLatin1Char('_')
        + QLatin1String(side);
}
}

bool MeasureLimitStore::read(const QString& settingsFile, const QString& model, MeasureLimits* limits)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(groupOf(model));
    const bool stored = !settings.childKeys().isEmpty();
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
        MeasureLimits l;
        bool ok = false;
        const double lower = settings.value(key(m, "lower")).toDouble(&ok);
        if (ok) {
            l.hasLower = true;
            l.lower = lower;
        }
        const double upper = settings.value(key(m, "upper")).toDouble(&ok);
        if (ok) {
            l.hasUpper = true;
            l.upper = upper;
        }
        // A hand-edited file may hold crossed limits: none rather than a Cpk of nonsense.
        if (l.hasLower && l.hasUpper && l.lower > l.upper)
            l = MeasureLimits();
        limits[m] = l;
    }
    return stored;
}

void MeasureLimitStore::write(const QString& settingsFile, const QString& model, const MeasureLimits* limits)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(groupOf(model));
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
        const MeasureLimits& l = limits[m];
        // Written as text with every digit, so that a reread limit is the typed one.
        if (l.hasLower)
            settings.setValue(key(m, "lower"), QString::number(l.lower, 'g', 17));
        else
            settings.remove(key(m, "lower"));
        if (l.hasUpper)
            settings.setValue(key(m, "upper"), QString::number(l.upper, 'g', 17));
        else
            settings.remove(key(m, "upper"));
    }
}
