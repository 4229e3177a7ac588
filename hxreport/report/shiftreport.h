#ifndef SHIFTREPORT_H
#define SHIFTREPORT_H

#include "measurelimits.h"
#include "measurestats.h"
#include "qualityanalysis.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// Everything the shift report shows, gathered by ReportBuilder from the code
// that fills the pages and drawn by ReportRenderer. A value: it can be made
// on one thread and drawn on another.
struct ShiftReport
{
    struct Alarm
    {
        QString time;
        QString message;
    };
    struct ModelMeasures
    {
        QString model;
        MeasureStats measures[QualityAnalysis::MeasureCount];
        MeasureLimits limits[QualityAnalysis::MeasureCount];
    };

    // The header.
    QString station; // the station file's path, or a station or the plant on the server
    QDateTime start; // records with start < time < end
    QDateTime end;
    QString shift; // the shift's name; empty for a range given by its ends
    QDateTime made;
    QString version;

    // The statistics page's counts: per model as grouped (NG under "NG"), and the range's total.
    QMap<QString, int> counts;
    int total = 0;

    // The quality page's trend over all models.
    QualityResult trend;

    // The newest alarm log records (at most ReportBuilder::AlarmLines) and how many the range holds.
    QVector<Alarm> alarms;
    int alarmTotal = 0;

    // Per model (those of counts but "NG"), the quality page's measurements.
    QVector<ModelMeasures> models;

    int ng() const { return counts.value(QStringLiteral("NG")); }
};

#endif // SHIFTREPORT_H
