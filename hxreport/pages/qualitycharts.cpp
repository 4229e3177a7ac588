#include "qualitycharts.h"

#include "measurestats.h"
#include "nicescale.h"
#include "qualitytables.h"

#include <QCoreApplication>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

// At most about 2 * chunks points for a line: each run of points gives its
// lowest and highest in time order, so no peak is lost, while a year of
// hours (8 784 points) no longer holds the GUI thread for long.
QVector<QPointF> envelope(const QVector<QPointF>& points, int chunks)
{
    if (points.size() <= 2 * chunks)
        return points;
    const int run = (points.size() + chunks - 1) / chunks;
    QVector<QPointF> out;
    out.reserve(2 * chunks + 2);
    for (int from = 0; from < points.size(); from += run) {
        const int to = qMin(from + run, int(points.size()));
        int low = from;
        int high = from;
        for (int i = from; i < to; ++i) {
            if (points[i].y() < points[low].y())
                low = i;
            if (points[i].y() > points[high].y())
                high = i;
        }
        out << points[qMin(low, high)];
        if (low != high)
            out << points[qMax(low, high)];
    }
    return out;
}

} // namespace

QChartView* QualityCharts::chartView(const char* name)
{
    auto* view = new QChartView;
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->setMargins(QMargins(2, 2, 2, 2));
    view->chart()->legend()->setAlignment(Qt::AlignTop);
    return view;
}

// A fresh chart for each result: axes removed from a chart that was drawn
// may stay painted, so the old chart goes with its series and axes.
QChart* QualityCharts::newChart(QChartView* view)
{
    QChart* old = view->chart();
    auto* chart = new QChart;
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignTop);
    view->setChart(chart);
    delete old;
    return chart;
}

void QualityCharts::drawTrend(QChartView* view, const QualityResult& result)
{
    QChart* chart = newChart(view);
    // NG records carry the model "NG": with one model chosen there is no NG
    // rate to draw, only the hubs.
    const bool withRate = result.request.model.isEmpty();
    // One point per period at its start; the "other" period has no place on
    // the time axis and is in the table only.
    QVector<QPointF> hubs;
    QVector<QPointF> rates;
    double highest = 0;
    double highestRate = 0;
    QDateTime first;
    QDateTime last;
    for (const TrendRow& r : qAsConst(result.trend)) {
        if (!r.period.start.isValid())
            continue;
        if (!first.isValid())
            first = r.period.start;
        last = r.period.start;
        const double x = double(r.period.startMs);
        hubs.append(QPointF(x, double(r.hubs)));
        const double rate = r.hubs > 0 ? 100.0 * double(r.ng) / double(r.hubs) : 0;
        rates.append(QPointF(x, rate));
        highest = qMax(highest, double(r.hubs));
        highestRate = qMax(highestRate, rate);
    }
    const QColor hubColour(70, 130, 180);
    const QColor rateColour(205, 60, 50);
    auto* hubSeries = new QLineSeries;
    hubSeries->setName(QCoreApplication::translate("hxReport", "数量"));
    hubSeries->replace(envelope(hubs, 400));
    hubSeries->setColor(hubColour);
    chart->addSeries(hubSeries);
    if (!withRate)
        chart->setTitle(QualityTables::ngNote());

    // Round ticks: whole hours or days, whole counts, round percentages. The
    // axes' labels take their line's colour, which the legend names: rotated
    // axis titles were unreadable in Chinese at this size.
    auto* x = new QDateTimeAxis;
    if (first.isValid()) {
        const TimeScale time = TimeScale::forRange(first, last, 8);
        x->setRange(time.minimum(), time.maximum());
        x->setTickCount(time.tickCount());
        x->setFormat(time.labelFormat());
    }
    auto* y = new QValueAxis;
    const NiceScale counts = NiceScale::forCounts(highest, 6);
    y->setRange(counts.minimum(), counts.maximum());
    y->setTickCount(counts.tickCount());
    y->setLabelFormat(counts.labelFormat());
    y->setLabelsColor(hubColour.darker(130));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    hubSeries->attachAxis(x);
    hubSeries->attachAxis(y);
    if (!withRate)
        return;
    auto* rateSeries = new QLineSeries;
    rateSeries->setName(QCoreApplication::translate("hxReport", "NG率(%)"));
    rateSeries->replace(envelope(rates, 400));
    rateSeries->setColor(rateColour);
    chart->addSeries(rateSeries);
    auto* yRate = new QValueAxis;
    const NiceScale percent = NiceScale::forPercent(highestRate, 6);
    yRate->setRange(percent.minimum(), percent.maximum());
    yRate->setTickCount(percent.tickCount());
    yRate->setLabelFormat(percent.labelFormat() + QStringLiteral("%%"));
    yRate->setLabelsColor(rateColour);
    // The rate's grid lines would not meet the counts' ones.
    yRate->setGridLineVisible(false);
    chart->addAxis(yRate, Qt::AlignRight);
    rateSeries->attachAxis(x);
    rateSeries->attachAxis(yRate);
}

void QualityCharts::drawHistogram(QChart* chart, const MeasureStats& stats, int bins, double scale)
{
    const MeasureStats::Bars bars = stats.bars(bins);
    chart->legend()->hide();
    if (bars.counts.isEmpty())
        return;
    // Bars as a filled outline over a number axis: the bins' edges are the
    // axis' own values, which stay legible however narrow the bins are.
    auto* outline = new QLineSeries;
    qint64 highest = 1;
    const double low = bars.low * scale;
    const double width = bars.width * scale;
    const int n = bars.counts.size();
    for (int i = 0; i < n; ++i) {
        const double from = low + i * width;
        const double to = low + (i + 1) * width;
        const double count = double(bars.counts[i]);
        *outline << QPointF(from, 0) << QPointF(from, count) << QPointF(to, count) << QPointF(to, 0);
        highest = qMax(highest, bars.counts[i]);
    }
    auto* area = new QAreaSeries(outline);
    // An area series does not own its outline; the chart deletes the area.
    outline->setParent(area);
    area->setName(QCoreApplication::translate("hxReport", "数量"));
    area->setColor(QColor(70, 130, 180));
    area->setBorderColor(QColor(40, 80, 120));
    chart->addSeries(area);
    auto* x = new QValueAxis;
    const NiceScale values = NiceScale::forValues(low, low + n * width, 5, stats.whole() && scale == 1);
    x->setRange(values.minimum(), values.maximum());
    x->setTickCount(values.tickCount());
    x->setLabelFormat(values.labelFormat());
    auto* y = new QValueAxis;
    const NiceScale counts = NiceScale::forCounts(double(highest), 6);
    y->setRange(counts.minimum(), counts.maximum());
    y->setTickCount(counts.tickCount());
    y->setLabelFormat(counts.labelFormat());
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    area->attachAxis(x);
    area->attachAxis(y);
}
