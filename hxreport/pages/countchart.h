#ifndef COUNTCHART_H
#define COUNTCHART_H

#include <QMap>
#include <QString>
#include <QtCharts/QChartView>

// The statistics page's bar chart beside its table: one bar per model of the
// last result, with "NG" (always shown, 0 when absent) in a colour of its
// own. Empty until the first result. UI thread only.
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

private:
    QStringList m_Categories;
    QVector<int> m_Values;
};

#endif // COUNTCHART_H
