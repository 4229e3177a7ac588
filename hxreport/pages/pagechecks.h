#ifndef PAGECHECKS_H
#define PAGECHECKS_H

#include "shiftrecord.h"
#include "trendbuckets.h"

#include <QDateTime>
#include <QMap>
#include <QString>

class PageHost;
class QComboBox;

// The checks the query pages make before a request, with their messages.
class PageChecks
{
public:
    // Says so when a query of the page is still on its way; true then.
    static bool refuseWhileBusy(PageHost* host, bool busy);
    // The station chosen in a station box: empty for "全部" (its first
    // item), for no box and for a hidden one.
    static QString chosenStation(const QComboBox* box);
    // Fills a station box: "全部", then each station (its name as the item's data).
    static void fillStations(QComboBox* box, const QStringList& stations);
    // The status note when a newly chosen station lacks the shift chosen
    // before, so whole days replace it.
    static QString shiftGone(const QString& station, const QString& shift);
    // The message for a range whose start date lies after its end date (an
    // empty text when it does not): an overnight shift asks for other dates;
    // the statistics page words the plain case as it always has.
    static QString dateProblem(const QDateTime& start, const QDateTime& end,
        const QMap<QString, ShiftRecord>& shifts, const QString& shiftName, bool statisticsWording);

    // The longest range a trend per hour may cover: a leap year and a month.
    static const int MaxHourDays = 400;
    // The message for a trend per hour (chosen, or automatic) over more than
    // MaxHourDays (an empty text otherwise): tens of thousands of hours make a
    // table nobody reads and bars thinner than a pixel, and days or shifts
    // answer the same question.
    static QString trendProblem(TrendBuckets::Size size, const QDateTime& start, const QDateTime& end);
};

#endif // PAGECHECKS_H
