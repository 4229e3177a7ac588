#ifndef MEASURELIMITS_H
#define MEASURELIMITS_H

#include <QString>

// The lower and upper limits the user typed for one measure.
struct MeasureLimits
{
    bool hasLower = false;
    double lower = 0;
    bool hasUpper = false;
    double upper = 0;
};

// The limits the user set on the quality page, one set per model, kept in
// the settings file so that the next start and the shift report find them.
// A set has one MeasureLimits per QualityAnalysis::Measure, as typed (the
// similarity in percent).
class MeasureLimitStore
{
public:
    // No stored limits give empty ones; false when the model has none stored.
    static bool read(const QString& settingsFile, const QString& model, MeasureLimits* limits);
    static void write(const QString& settingsFile, const QString& model, const MeasureLimits* limits);
};

#endif // MEASURELIMITS_H
