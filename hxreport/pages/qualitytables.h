#ifndef QUALITYTABLES_H
#define QUALITYTABLES_H

#include "measurelimits.h"
#include "qualityanalysis.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

// The texts of the quality page's two tables, cell by cell, so that the views
// and the CSV files show the same numbers. No widgets.
class QualityTables
{
public:
    // Trend: period, hubs, NG, NG rate in percent with two decimals ("-" for
    // a period without hubs). The "other" period is a row only when it holds
    // records. NG records carry the model "NG", so with one model chosen the
    // NG cells say "—" (see ngNote()) instead of a 0 that reads as a result.
    static QStringList trendHeader();
    static int trendRowCount(const QualityResult& result);
    static QStringList trendRow(const QualityResult& result, int row);
    static QString periodLabel(const TrendBuckets::Period& period);
    static QString ngNote();
    // Why the measurements stay empty for all models.
    static QString measuredNote();

    // Measurements: one row per figure, one column per measure after the
    // figure's name; values with three decimals, counts as integers, "-"
    // where a figure is not defined (no numbers, no limit, no spread). The
    // similarity is in percent as on the production page (stored 0.9 is
    // 90.000), its limits typed in percent too.
    static QStringList measureHeader();
    static int measureRowCount();
    static QStringList measureRow(const QualityResult& result, const MeasureLimits* limits, int row);
    static QString measureName(int measure);
    // 100 for the similarity, shown in percent; 1 for the others.
    static double measureScale(int measure);

    // A table as CSV: a title line, the header and the rows (RFC 4180
    // quoting; texts from the station neutralised), in the program's
    // encoding. False with error when it could not be written.
    static bool writeCsv(const QString& fileName, const QString& title, const QStringList& header,
        const QVector<QStringList>& rows, QString* error);
};

#endif // QUALITYTABLES_H
