#ifndef COUNTCHART_H
#define COUNTCHART_H

#include "nicescale.h"
#include <QMap>
#include <QString>

#include <QtCharts/QChartView>

namespace QtCharts {
class QScatterSeries;
}

// The statistics page's bar chart beside its table: one bar per model of the
// last result, with "NG" (always shown, 0 when absent) in a colour of its
// own, its count beside it. More than 8 models lie as horizontal bars so
// that each name is read whole. Empty until the first result. UI thread only.
class CountChart : public QtCharts::QChartView
{
    Q_OBJECT
public:
    explicit CountChart(QWidget* parent = nullptr);

    // Draws counts as the table shows them; an empty map clears the chart.
    void showCounts(const QMap<QString, int>& counts);
    // The bars drawn: categories in order and their values (tests).
    QStringList categories() const { return m_Categories; }
    QVector<int> values() const { return m_Values; }

private slots:
    void placeLabels();

private:
    // Where the i-th bar stands: lying bars count from the bottom, so they
    // are drawn last first to read top down like the table.
    int slot(int i) const { return m_bHorizontal ? int(m_Values.size()) - 1 - i : i; }

    QStringList m_Categories;
    bool m_bHorizontal = false;
    NiceScale m_Scale;
    QVector<QtCharts::QScatterSeries*> m_Labels; // counts
    QVector<QtCharts::QScatterSeries*> m_Names; // lying bars' names
    QVector<int> m_Values;
};

#endif // COUNTCHART_H
