#include "qualitycharts.h"

#include "measurestats.h"

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
    // One point per period at its start; the "other" period has no place on
    // the time axis and is in the table only.
    QVector<QPointF> hubs;
    QVector<QPointF> rates;
    double highest = 1;
    double highestRate = 1;
    for (const TrendRow& r : qAsConst(result.trend)) {
        if (!r.period.start.isValid())
            continue;
        const double x = double(r.period.startMs);
        hubs.append(QPointF(x, double(r.hubs)));
        const double rate = r.hubs > 0 ? 100.0 * double(r.ng) / double(r.hubs) : 0;
        rates.append(QPointF(x, rate));
        highest = qMax(highest, double(r.hubs));
        highestRate = qMax(highestRate, rate);
    }
    auto* hubSeries = new QLineSeries;
    hubSeries->setName(QCoreApplication::translate("hxReport", "数量"));
    hubSeries->replace(envelope(hubs, 400));
    auto* rateSeries = new QLineSeries;
    rateSeries->setName(QCoreApplication::translate("hxReport", "NG率(%)"));
    rateSeries->replace(envelope(rates, 400));
    rateSeries->setColor(QColor(205, 60, 50));
    chart->addSeries(hubSeries);
    chart->addSeries(rateSeries);

    auto* x = new QDateTimeAxis;
    x->setFormat(result.size == TrendBuckets::Size::Day ? QStringLiteral("yyyy-MM-dd")
                                                        : QStringLiteral("MM-dd hh:mm"));
    x->setTickCount(6);
    if (hubs.size() > 1)
        x->setRange(QDateTime::fromMSecsSinceEpoch(qint64(hubs.constFirst().x())),
            QDateTime::fromMSecsSinceEpoch(qint64(hubs.constLast().x())));
    auto* y = new QValueAxis;
    y->setRange(0, highest * 1.1);
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QCoreApplication::translate("hxReport", "数量"));
    auto* yRate = new QValueAxis;
    yRate->setRange(0, highestRate * 1.1);
    yRate->setLabelFormat(QStringLiteral("%.1f"));
    yRate->setTitleText(QCoreApplication::translate("hxReport", "NG率(%)"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    chart->addAxis(yRate, Qt::AlignRight);
    hubSeries->attachAxis(x);
    hubSeries->attachAxis(y);
    rateSeries->attachAxis(x);
    rateSeries->attachAxis(yRate);
}

void QualityCharts::drawHistogram(QChart* chart, const MeasureStats& stats, int bins)
{
    const QVector<qint64> counts = stats.histogram(bins);
    chart->legend()->hide();
    if (counts.isEmpty())
        return;
    // Bars as a filled outline over a number axis: the bins' edges are the
    // axis' own values, which stay legible however narrow the bins are.
    const double width = counts.size() > 1 ? stats.binWidth(bins) : 1;
    const double low = counts.size() > 1 ? stats.minimum() : stats.minimum() - 0.5;
    auto* outline = new QLineSeries;
    qint64 highest = 1;
    for (int i = 0; i < counts.size(); ++i) {
        const double from = low + i * width;
        const double to = i + 1 == counts.size() ? low + counts.size() * width : low + (i + 1) * width;
        *outline << QPointF(from, 0) << QPointF(from, double(counts[i])) << QPointF(to, double(counts[i]))
                 << QPointF(to, 0);
        highest = qMax(highest, counts[i]);
    }
    auto* bars = new QAreaSeries(outline);
    // An area series does not own its outline; the chart deletes the area.
    outline->setParent(bars);
    bars->setName(QCoreApplication::translate("hxReport", "数量"));
    bars->setColor(QColor(70, 130, 180));
    bars->setBorderColor(QColor(40, 80, 120));
    chart->addSeries(bars);
    auto* x = new QValueAxis;
    x->setRange(low, low + counts.size() * width);
    x->setTickCount(5);
    x->setLabelFormat(QStringLiteral("%.4g"));
    auto* y = new QValueAxis;
    y->setRange(0, double(highest) * 1.1);
    y->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
}
