#include "countchart.h"

#include <QCoreApplication>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

CountChart::CountChart(QWidget* parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("chartView_Count"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumWidth(260);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
}

void CountChart::showCounts(const QMap<QString, int>& counts)
{
    // A fresh chart each time: axes removed from a drawn chart may stay painted.
    QChart* old = chart();
    auto* fresh = new QChart;
    fresh->legend()->setAlignment(Qt::AlignBottom);
    fresh->setMargins(QMargins(4, 4, 4, 4));
    setChart(fresh);
    delete old;
    m_Categories.clear();
    m_Values.clear();
    if (counts.isEmpty())
        return;
    const QString ngName = QStringLiteral("NG");
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.key() == ngName)
            continue;
        m_Categories << it.key();
        m_Values << it.value();
    }
    m_Categories << ngName;
    m_Values << counts.value(ngName, 0);

    // Two sets stacked: each category has a value in one of them only, so
    // the NG bar stands in its own colour without a gap beside it.
    auto* good = new QBarSet(QCoreApplication::translate("hxReport", "合格型号"));
    auto* ng = new QBarSet(ngName);
    int highest = 0;
    for (int i = 0; i < m_Values.size(); ++i) {
        const bool isNg = i == m_Values.size() - 1;
        *good << (isNg ? 0 : m_Values[i]);
        *ng << (isNg ? m_Values[i] : 0);
        highest = qMax(highest, m_Values[i]);
    }
    good->setColor(QColor(70, 130, 180));
    ng->setColor(QColor(205, 60, 50));
    auto* series = new QStackedBarSeries;
    series->append(good);
    series->append(ng);
    series->setLabelsVisible(true);
    chart()->addSeries(series);
    chart()->setTitle(QCoreApplication::translate("hxReport", "各型号数量"));

    auto* x = new QBarCategoryAxis;
    x->append(m_Categories);
    x->setLabelsAngle(m_Categories.size() > 6 ? -60 : 0);
    auto* y = new QValueAxis;
    y->setRange(0, qMax(1, highest) * 1.1);
    y->setLabelFormat(QStringLiteral("%d"));
    chart()->addAxis(x, Qt::AlignBottom);
    chart()->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
}
