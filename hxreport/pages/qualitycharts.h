#ifndef QUALITYCHARTS_H
#define QUALITYCHARTS_H

#include "qualityanalysis.h"

#include <QtCharts/QChart>

namespace QtCharts {
class QChartView;
}
class MeasureStats;

// The quality page's charts: a view in the page's looks, a fresh chart per
// result, the trend's lines and a measurement's histogram. GUI thread only.
class QualityCharts
{
public:
    static QtCharts::QChartView* chartView(const char* name);
    // A fresh chart for the view; the old one goes with its series and axes.
    static QtCharts::QChart* newChart(QtCharts::QChartView* view);
    // Hubs and NG rate per period on a time axis.
    static void drawTrend(QtCharts::QChartView* view, const QualityResult& result);
    // The measure's histogram of at most bins bars on a number axis, its
    // values multiplied by scale (100 for a similarity in percent).
    static void drawHistogram(QtCharts::QChart* chart, const MeasureStats& stats, int bins, double scale);
};

#endif // QUALITYCHARTS_H
