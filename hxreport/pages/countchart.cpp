#include "countchart.h"

#include "nicescale.h"

#include <QCoreApplication>
#include <QCursor>
#include <QToolTip>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QHorizontalStackedBarSeries>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QScatterSeries>
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
    m_Labels.clear();
    m_Names.clear();
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
    // Up to 6 bars stand upright with their names beneath; more lie down,
    // each name whole on its own line at the left.
    m_bHorizontal = m_Categories.size() > 6;
    QStringList shownNames;
    for (int at = 0; at < m_Values.size(); ++at) {
        const int i = slot(at);
        shownNames << m_Categories[i];
        const bool isNg = i == m_Values.size() - 1;
        *good << (isNg ? 0 : m_Values[i]);
        *ng << (isNg ? m_Values[i] : 0);
        highest = qMax(highest, m_Values[i]);
    }
    good->setColor(QColor(70, 130, 180));
    ng->setColor(QColor(205, 60, 50));
    QAbstractBarSeries* series = m_bHorizontal
        ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
        : static_cast<QAbstractBarSeries*>(new QStackedBarSeries);
    series->append(good);
    series->append(ng);
    chart()->addSeries(series);
    chart()->setTitle(QCoreApplication::translate("hxReport", "各型号数量"));

    auto* names = new QBarCategoryAxis;
    names->append(shownNames);
    if (m_bHorizontal) {
        // The chart would cut the names to "…" at any width: they are drawn
        // as labels in a margin as wide as the widest.
        names->setLabelsVisible(false);
        const QFontMetrics metrics(names->labelsFont());
        int widest = 0;
        for (const QString& name : qAsConst(m_Categories))
            widest = qMax(widest, metrics.horizontalAdvance(name));
        chart()->setMargins(QMargins(4 + widest + 8, 4, 12, 4));
    }
    auto* valueAxis = new QValueAxis;
    // Lying bars need room at the right for a five-digit count.
    m_Scale = NiceScale::forCounts(m_bHorizontal ? highest * 1.15 : highest, 6);
    valueAxis->setRange(m_Scale.minimum(), m_Scale.maximum());
    valueAxis->setTickCount(m_Scale.tickCount());
    valueAxis->setLabelFormat(m_Scale.labelFormat());
    chart()->addAxis(names, m_bHorizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart()->addAxis(valueAxis, m_bHorizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(valueAxis);
    // The full name and count on hover too.
    for (QBarSet* set : { good, ng })
        connect(set, &QBarSet::hovered, this, [this](bool on, int index) {
            if (on && index >= 0 && index < m_Categories.size())
                QToolTip::showText(QCursor::pos(),
                    QStringLiteral("%1: %2").arg(m_Categories[slot(index)]).arg(m_Values[slot(index)]), this);
            else
                QToolTip::hideText();
        });

    // Each bar's count beside its end in the text colour, whatever the bar's
    // width: a point label on an invisible point, one series per bar so that
    // the count is written whole rather than in a chart's %g.
    m_Labels.clear();
    m_Names.clear();
    const auto addLabel = [&](const QString& text, const QFont& font) {
        auto* label = new QScatterSeries;
        label->setMarkerSize(1);
        label->setColor(Qt::transparent);
        label->setBorderColor(Qt::transparent);
        label->setPointLabelsFormat(text);
        label->setPointLabelsFont(font);
        label->setPointLabelsColor(palette().color(QPalette::WindowText));
        label->setPointLabelsClipping(false);
        label->setPointLabelsVisible(true);
        chart()->addSeries(label);
        label->attachAxis(valueAxis);
        label->attachAxis(names);
        for (QLegendMarker* marker : chart()->legend()->markers(label))
            marker->setVisible(false);
        return label;
    };
    for (int i = 0; i < m_Values.size(); ++i) {
        m_Labels << addLabel(QString::number(m_Values[i]), font());
        if (m_bHorizontal)
            m_Names << addLabel(m_Categories[i], names->labelsFont());
    }
    placeLabels();
    connect(chart(), &QChart::plotAreaChanged, this, &CountChart::placeLabels);
}

void CountChart::placeLabels()
{
    // A point label is drawn centred on its point, its baseline there. An
    // upright bar's count sits on its top; a lying bar's starts a few pixels
    // after its end, centred on the bar, which needs the plot's scale.
    const QRectF plot = chart()->plotArea();
    const QFontMetrics metrics(m_Labels.isEmpty() ? font() : m_Labels.constFirst()->pointLabelsFont());
    const double span = m_Scale.maximum() - m_Scale.minimum();
    for (int i = 0; i < m_Labels.size(); ++i) {
        QPointF at(i, m_Values[i]);
        if (m_bHorizontal && plot.width() > 0 && plot.height() > 0 && span > 0) {
            const QString text = QString::number(m_Values[i]);
            const double perValue = plot.width() / span;
            const double perCategory = plot.height() / m_Labels.size();
            const double down = (metrics.ascent() - metrics.descent()) / 2.0 / perCategory;
            at = QPointF(
                m_Values[i] + (metrics.horizontalAdvance(text) / 2.0 + 4) / perValue, slot(i) - down);
            const QFontMetrics nameMetrics(m_Names[i]->pointLabelsFont());
            const double nameDown = (nameMetrics.ascent() - nameMetrics.descent()) / 2.0 / perCategory;
            m_Names[i]->replace(QVector<QPointF> {
                QPointF(-(nameMetrics.horizontalAdvance(m_Categories[i]) / 2.0 + 6) / perValue,
                    slot(i) - nameDown) });
        } else if (m_bHorizontal) {
            at = QPointF(m_Values[i], slot(i));
            m_Names[i]->replace(QVector<QPointF> { QPointF(0, slot(i)) });
        }
        m_Labels[i]->replace(QVector<QPointF> { at });
    }
}
