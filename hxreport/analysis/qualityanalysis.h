#ifndef QUALITYANALYSIS_H
#define QUALITYANALYSIS_H

#include "indexreader.h"
#include "measurestats.h"
#include "shiftrecord.h"
#include "trendbuckets.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

#include <atomic>

class DataBaseSql;

// What the quality page asks: the records with start < time < end (texts,
// both bounds exclusive, as every page's statements compare them), of one
// model or all of them, with the period size of the trend.
struct QualityRequest
{
    QDateTime start;
    QDateTime end;
    QString model; // empty: all models
    TrendBuckets::Size size = TrendBuckets::Size::Automatic;
    QMap<QString, ShiftRecord> shifts;
};

// One period of the trend: the records in it and those whose model is "NG".
struct TrendRow
{
    TrendBuckets::Period period;
    qint64 hubs = 0;
    qint64 ng = 0;
};

struct QualityResult
{
    QualityRequest request;
    TrendBuckets::Size size = TrendBuckets::Size::Hour; // as resolved
    QVector<TrendRow> trend; // periods in time order; the last is "other"
    qint64 total = 0;
    // In the order of QualityAnalysis::Measure; only for one model.
    bool measured = false;
    MeasureStats measures[4];
    bool fromIndex = false;
    QString indexReason; // why the index did not answer
};

// The figures of the quality page: the trend per period, and the measured
// columns when one model is chosen (measurements of all models mixed say
// nothing). The index answers when it covers the range (the trend from its
// hour counts, with the partial hours at the range's ends, hours a shift
// changes in and odd times counted from its records; the measurements from
// its copy of the values); otherwise one
// pass of a direct statement over the station file, on a read-only
// connection of this object's own, gives both. On the plant archive one
// streamed statement over the chosen station's records gives both, each
// record put into its period by the same rules. Any thread may run it; no
// widgets.
class QualityAnalysis
{
public:
    enum Measure
    {
        Diameter = 0,
        Hight,
        Correlate,
        DetectTime,
        MeasureCount
    };
    // The station's column of a measure.
    static const char* column(Measure measure);

    // index may be null (no index: always the direct statement).
    QualityAnalysis(const QString& stationPath, const IndexReader* index = nullptr);
    // The plant archive: the records of one station (empty: every station)
    // through plant's connection of the calling thread.
    QualityAnalysis(const DataBaseSql* plant, const QString& station);

    // stop (optional): while set, the pass ends early and run() fails.
    bool run(const QualityRequest& request, QualityResult* result, const std::atomic<bool>* stop = nullptr);
    QString errorString() const { return m_Error; }

private:
    bool runOnPlant(const QString& time1, const QString& time2, QualityResult* result,
        const TrendBuckets& buckets, const std::atomic<bool>* stop);

    QString m_StationPath;
    const IndexReader* m_pIndex = nullptr;
    const DataBaseSql* m_pPlant = nullptr;
    QString m_Station;
    QString m_Error;
};

#endif // QUALITYANALYSIS_H
