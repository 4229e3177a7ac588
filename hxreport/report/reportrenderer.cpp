#include "reportrenderer.h"

#include "nicescale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The quality page's figures: three decimals, the similarity in percent.
QString number(double value)
{
    return QString::number(value, 'f', 3);
}

double scaleOf(int measure)
{
    return measure == QualityAnalysis::Correlate ? 100 : 1;
}

QString rate(qint64 part, qint64 whole)
{
    return whole > 0 ? QString::number(100.0 * double(part) / double(whole), 'f', 2) : QStringLiteral("-");
}

QString measureName(int measure)
{
    switch (measure) {
    case QualityAnalysis::Diameter:
        return QCoreApplication::translate("ShiftReport", "直径");
    case QualityAnalysis::Hight:
        return QCoreApplication::translate("ShiftReport", "厚度");
    case QualityAnalysis::Correlate:
        return QCoreApplication::translate("ShiftReport", "相似度(%)");
    default:
        return QCoreApplication::translate("ShiftReport", "检测时间");
    }
}

// The trend's rows as the quality page's table shows them: "other" only when it holds records.
int trendRows(const QualityResult& result)
{
    const int n = result.trend.size();
    return n > 0 && result.trend.constLast().hubs == 0 ? n - 1 : n;
}

QString periodLabel(const TrendBuckets::Period& period)
{
    return period.start.isValid() ? period.label : QCoreApplication::translate("ShiftReport", "其他");
}
}

ReportRenderer::ReportRenderer(const ShiftReport& report)
    : m_Report(report)
    , m_Family(fontFamily())
{
}

QString ReportRenderer::fontFamily()
{
    // TrueType families first: Qt embeds their glyphs as text, which a PDF
    // reader can search and copy.
    const QStringList wanted { QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei"),
        QStringLiteral("SimSun"), QStringLiteral("SimHei") };
    const QStringList families = QFontDatabase().families();
    for (const QString& family : wanted) {
        if (families.contains(family))
            return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

void ReportRenderer::prepare(QPagedPaintDevice* device)
{
    device->setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

bool ReportRenderer::writePdf(const ShiftReport& report, const QString& fileName, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setCreator(QStringLiteral("hxReport ") + report.version);
        writer.setTitle(QCoreApplication::translate("ShiftReport", "生产报表"));
        prepare(&writer);
        ReportRenderer(report).paint(&writer);
    }
    // QPdfWriter says nothing of a failed write; the file does.
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QFont ReportRenderer::font(qreal points, bool bold) const
{
    QFont f(m_Family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

qreal ReportRenderer::lineHeight(const QFont& font) const
{
    return QFontMetricsF(font, m_pDevice).height() * 1.25;
}

void ReportRenderer::paint(QPagedPaintDevice* device)
{
    QPainter painter(device);
    m_pDevice = device;
    m_pPainter = &painter;
    m_Mm = device->logicalDpiX() / 25.4;
    m_Width = device->width();
    m_Height = device->height() - 8 * m_Mm; // room for the page's number
    m_Y = 0;
    m_nPage = 1;
    header();
    counts();
    trend();
    alarms();
    measurements();
    // The last page's number.
    ensure(0);
    painter.setFont(font(8));
    painter.drawText(QRectF(0, m_Height, m_Width, 8 * m_Mm), Qt::AlignRight | Qt::AlignBottom,
        QCoreApplication::translate("ShiftReport", "第%1页").arg(m_nPage));
    m_pPainter = nullptr;
}

void ReportRenderer::ensure(qreal height)
{
    if (m_Y + height <= m_Height)
        return;
    m_pPainter->setFont(font(8));
    m_pPainter->setPen(Qt::black);
    m_pPainter->drawText(QRectF(0, m_Height, m_Width, 8 * m_Mm), Qt::AlignRight | Qt::AlignBottom,
        QCoreApplication::translate("ShiftReport", "第%1页").arg(m_nPage));
    m_pDevice->newPage();
    ++m_nPage;
    m_Y = 0;
}

void ReportRenderer::header()
{
    QPainter& p = *m_pPainter;
    const QFont title = font(16, true);
    p.setFont(title);
    p.drawText(QRectF(0, m_Y, m_Width, lineHeight(title)), Qt::AlignLeft | Qt::AlignVCenter,
        QCoreApplication::translate("ShiftReport", "生产报表"));
    m_Y += lineHeight(title) + 2 * m_Mm;
    const QFont text = font(9.5);
    p.setFont(text);
    const QStringList lines { QCoreApplication::translate("ShiftReport", "工位：%1").arg(m_Report.station),
        QCoreApplication::translate("ShiftReport", "时间范围：%1 至 %2")
            .arg(m_Report.start.toString(kTimeFormat), m_Report.end.toString(kTimeFormat)),
        QCoreApplication::translate("ShiftReport", "班次：%1")
            .arg(m_Report.shift.isEmpty() ? QCoreApplication::translate("ShiftReport", "按起止时间")
                                          : m_Report.shift),
        QCoreApplication::translate("ShiftReport", "生成时间：%1").arg(m_Report.made.toString(kTimeFormat)),
        QCoreApplication::translate("ShiftReport", "程序版本：hxReport %1").arg(m_Report.version) };
    for (const QString& line : lines) {
        p.drawText(QRectF(0, m_Y, m_Width, lineHeight(text)), Qt::AlignLeft | Qt::AlignVCenter, line);
        m_Y += lineHeight(text);
    }
    p.setPen(QPen(Qt::black, 0.3 * m_Mm));
    p.drawLine(QPointF(0, m_Y + m_Mm), QPointF(m_Width, m_Y + m_Mm));
    m_Y += 4 * m_Mm;
}

void ReportRenderer::heading(const QString& text)
{
    const QFont f = font(12, true);
    ensure(lineHeight(f) * 3);
    m_Y += 2 * m_Mm;
    m_pPainter->setFont(f);
    m_pPainter->setPen(Qt::black);
    m_pPainter->drawText(QRectF(0, m_Y, m_Width, lineHeight(f)), Qt::AlignLeft | Qt::AlignVCenter, text);
    m_Y += lineHeight(f);
}

void ReportRenderer::note(const QString& text)
{
    const QFont f = font(9);
    ensure(lineHeight(f));
    m_pPainter->setFont(f);
    m_pPainter->setPen(Qt::black);
    m_pPainter->drawText(QRectF(0, m_Y, m_Width, lineHeight(f)), Qt::AlignLeft | Qt::AlignVCenter, text);
    m_Y += lineHeight(f);
}

void ReportRenderer::table(const QStringList& header, const QVector<QStringList>& rows,
    const QVector<qreal>& widths, int leftColumns)
{
    QPainter& p = *m_pPainter;
    const QFont bold = font(8.5, true);
    const QFont plain = font(8.5);
    const qreal row = lineHeight(plain) * 1.1;
    const qreal pad = 1.5 * m_Mm;
    QVector<qreal> x { 0 };
    for (const qreal w : widths)
        x << x.constLast() + w * m_Width;
    const auto line = [&](const QStringList& cells, bool isHeader) {
        p.setFont(isHeader ? bold : plain);
        if (isHeader)
            p.fillRect(QRectF(0, m_Y, x.constLast(), row), QColor(225, 230, 238));
        p.setPen(QPen(QColor(150, 150, 150), 0.15 * m_Mm));
        p.drawLine(QPointF(0, m_Y + row), QPointF(x.constLast(), m_Y + row));
        p.setPen(Qt::black);
        for (int c = 0; c < cells.size() && c + 1 < x.size(); ++c) {
            const QRectF cell(x[c] + pad, m_Y, x[c + 1] - x[c] - 2 * pad, row);
            const Qt::Alignment align = c < leftColumns ? Qt::AlignLeft : Qt::AlignRight;
            // A long message is cut at its cell rather than running into the next.
            const QString shown
                = QFontMetricsF(p.font(), m_pDevice).elidedText(cells[c], Qt::ElideRight, cell.width());
            p.drawText(cell, align | Qt::AlignVCenter, shown);
        }
        m_Y += row;
    };
    ensure(row * 2);
    line(header, true);
    for (const QStringList& cells : rows) {
        if (m_Y + row > m_Height) {
            ensure(row * 2);
            line(header, true);
        }
        line(cells, false);
    }
    m_Y += 2 * m_Mm;
}

void ReportRenderer::counts()
{
    heading(QCoreApplication::translate("ShiftReport", "各型号产量"));
    QVector<QStringList> rows;
    for (auto it = m_Report.counts.constBegin(); it != m_Report.counts.constEnd(); ++it) {
        if (it.key() != QLatin1String("NG"))
            rows << QStringList { it.key(), QString::number(it.value()) };
    }
    rows << QStringList { QStringLiteral("NG"), QString::number(m_Report.ng()) };
    rows << QStringList { QCoreApplication::translate("ShiftReport", "总数"),
        QString::number(m_Report.total) };
    rows << QStringList { QCoreApplication::translate("ShiftReport", "NG率(%)"),
        rate(m_Report.ng(), m_Report.total) };
    table({ QCoreApplication::translate("ShiftReport", "型号"),
              QCoreApplication::translate("ShiftReport", "数量") },
        rows, { 0.3, 0.2 });
}

void ReportRenderer::trend()
{
    const bool days = m_Report.trend.size == TrendBuckets::Size::Day;
    heading(days ? QCoreApplication::translate("ShiftReport", "每日产量与NG率")
                 : QCoreApplication::translate("ShiftReport", "每小时产量与NG率"));
    chart(70 * m_Mm);
    QVector<QStringList> rows;
    for (int r = 0; r < trendRows(m_Report.trend); ++r) {
        const TrendRow& t = m_Report.trend.trend.at(r);
        rows << QStringList { periodLabel(t.period), QString::number(t.hubs), QString::number(t.ng),
            rate(t.ng, t.hubs) };
    }
    table({ QCoreApplication::translate("ShiftReport", "时段"),
              QCoreApplication::translate("ShiftReport", "数量"),
              QCoreApplication::translate("ShiftReport", "NG"),
              QCoreApplication::translate("ShiftReport", "NG率(%)") },
        rows, { 0.3, 0.15, 0.15, 0.15 });
}

void ReportRenderer::chart(qreal height)
{
    ensure(height);
    const bool days = m_Report.trend.size == TrendBuckets::Size::Day;
    QPainter& p = *m_pPainter;
    const QFont small = font(7);
    p.setFont(small);
    const QFontMetricsF metrics(small, m_pDevice);
    // The periods of the range; "other" has no place on a time axis.
    QVector<TrendRow> periods;
    for (const TrendRow& t : m_Report.trend.trend) {
        if (t.period.start.isValid())
            periods << t;
    }
    qint64 most = 0;
    double highestRate = 0;
    for (const TrendRow& t : qAsConst(periods)) {
        most = std::max(most, t.hubs);
        if (t.hubs > 0)
            highestRate = std::max(highestRate, 100.0 * double(t.ng) / double(t.hubs));
    }
    const NiceScale left = NiceScale::forCounts(double(most), 5);
    const NiceScale right = NiceScale::forPercent(highestRate, 5);
    const qreal legend = metrics.height() * 1.6;
    const QRectF plot(12 * m_Mm, m_Y + legend, m_Width - 24 * m_Mm, height - legend - metrics.height() * 2.2);

    // Legend.
    const QColor hubs(70, 130, 180);
    const QColor ng(220, 50, 47);
    const QColor rateColor(230, 140, 0);
    qreal lx = plot.left();
    for (const auto& item : { qMakePair(hubs, QCoreApplication::translate("ShiftReport", "数量")),
             qMakePair(ng, QCoreApplication::translate("ShiftReport", "NG")),
             qMakePair(rateColor, QCoreApplication::translate("ShiftReport", "NG率(%)")) }) {
        p.fillRect(QRectF(lx, m_Y + legend * 0.25, 3 * m_Mm, legend * 0.5), item.first);
        p.setPen(Qt::black);
        p.drawText(QPointF(lx + 4 * m_Mm, m_Y + legend * 0.7), item.second);
        lx += 6 * m_Mm + metrics.horizontalAdvance(item.second);
    }

    // Axes and grid.
    const auto yOf = [&plot](const NiceScale& s, double v) {
        return plot.bottom() - (v - s.minimum()) / (s.maximum() - s.minimum()) * plot.height();
    };
    p.setPen(QPen(QColor(215, 215, 215), 0.1 * m_Mm));
    for (const double t : left.ticks())
        p.drawLine(QPointF(plot.left(), yOf(left, t)), QPointF(plot.right(), yOf(left, t)));
    p.setPen(Qt::black);
    for (const double t : left.ticks())
        p.drawText(QRectF(0, yOf(left, t) - metrics.height() / 2, plot.left() - m_Mm, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(t, 'f', left.decimals()));
    for (const double t : right.ticks())
        p.drawText(
            QRectF(plot.right() + m_Mm, yOf(right, t) - metrics.height() / 2, 12 * m_Mm, metrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter, QString::number(t, 'f', right.decimals()));
    p.setPen(QPen(Qt::black, 0.2 * m_Mm));
    p.drawRect(plot);
    if (periods.isEmpty())
        return void(m_Y += height);

    // Bars of hubs with their NG part, the NG rate as a line.
    const qreal slot = plot.width() / periods.size();
    const int labelEvery
        = std::max(1, int(std::ceil(metrics.horizontalAdvance(QStringLiteral("00-00 ")) / slot)));
    QPolygonF line;
    for (int i = 0; i < periods.size(); ++i) {
        const TrendRow& t = periods.at(i);
        const qreal x = plot.left() + i * slot;
        const QRectF bar(x + slot * 0.15, yOf(left, double(t.hubs)), slot * 0.7,
            plot.bottom() - yOf(left, double(t.hubs)));
        p.fillRect(bar, hubs);
        p.fillRect(
            QRectF(bar.left(), yOf(left, double(t.ng)), bar.width(), plot.bottom() - yOf(left, double(t.ng))),
            ng);
        if (t.hubs > 0)
            line << QPointF(x + slot / 2, yOf(right, 100.0 * double(t.ng) / double(t.hubs)));
        if (i % labelEvery == 0) {
            const QString label = days ? t.period.label.mid(5) : t.period.label.mid(11, 2);
            p.setPen(Qt::black);
            p.drawText(QRectF(x - slot, plot.bottom() + 0.5 * m_Mm, slot * 3, metrics.height()),
                Qt::AlignHCenter | Qt::AlignTop, label);
        }
    }
    p.setPen(QPen(rateColor, 0.4 * m_Mm));
    p.drawPolyline(line);
    p.setBrush(rateColor);
    for (const QPointF& point : qAsConst(line))
        p.drawEllipse(point, 0.6 * m_Mm, 0.6 * m_Mm);
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    m_Y += height;
}

void ReportRenderer::alarms()
{
    // A heading is not left alone at a page's foot.
    ensure(40 * m_Mm);
    heading(QCoreApplication::translate("ShiftReport", "报警记录"));
    if (m_Report.alarmTotal == 0 && m_Report.alarms.isEmpty()) {
        note(QCoreApplication::translate("ShiftReport", "无报警记录"));
        return;
    }
    note(QCoreApplication::translate("ShiftReport", "共%1条报警记录，以下为最新的%2条")
             .arg(m_Report.alarmTotal)
             .arg(m_Report.alarms.size()));
    QVector<QStringList> rows;
    for (const ShiftReport::Alarm& alarm : m_Report.alarms)
        rows << QStringList { alarm.time, alarm.message };
    table({ QCoreApplication::translate("ShiftReport", "时间"),
              QCoreApplication::translate("ShiftReport", "信息") },
        rows, { 0.25, 0.75 }, 2);
}

void ReportRenderer::measurements()
{
    heading(QCoreApplication::translate("ShiftReport", "测量值"));
    if (m_Report.models.isEmpty()) {
        note(QCoreApplication::translate("ShiftReport", "无测量记录"));
        return;
    }
    note(QCoreApplication::translate(
        "ShiftReport", "Cp/Cpk按质量分析页为该型号设定的上下限计算；未设限值时为“-”"));
    QStringList header { QCoreApplication::translate("ShiftReport", "指标") };
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m)
        header << measureName(m);
    for (const ShiftReport::ModelMeasures& model : m_Report.models) {
        const QFont f = font(10, true);
        ensure(lineHeight(f) + 10 * lineHeight(font(8.5)) * 1.1);
        m_pPainter->setFont(f);
        m_pPainter->drawText(QRectF(0, m_Y, m_Width, lineHeight(f)), Qt::AlignLeft | Qt::AlignVCenter,
            QCoreApplication::translate("ShiftReport", "型号 %1").arg(model.model));
        m_Y += lineHeight(f);
        const QString none = QStringLiteral("-");
        QVector<QStringList> rows(8);
        rows[0] << QCoreApplication::translate("ShiftReport", "数量");
        rows[1] << QCoreApplication::translate("ShiftReport", "平均值");
        rows[2] << QCoreApplication::translate("ShiftReport", "标准差σ");
        rows[3] << QCoreApplication::translate("ShiftReport", "最小值");
        rows[4] << QCoreApplication::translate("ShiftReport", "最大值");
        rows[5] << QCoreApplication::translate("ShiftReport", "上下限");
        rows[6] << QStringLiteral("Cp");
        rows[7] << QStringLiteral("Cpk");
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
            const MeasureStats& s = model.measures[m];
            const MeasureLimits& l = model.limits[m];
            const double scale = scaleOf(m);
            const bool any = s.count() > 0;
            const MeasureStats::Capability c
                = s.capability(l.hasLower, l.lower / scale, l.hasUpper, l.upper / scale);
            rows[0] << QString::number(s.count());
            rows[1] << (any ? number(s.mean() * scale) : none);
            rows[2] << (s.count() > 1 ? number(s.deviation() * scale) : none);
            rows[3] << (any ? number(s.minimum() * scale) : none);
            rows[4] << (any ? number(s.maximum() * scale) : none);
            rows[5] << (l.hasLower || l.hasUpper ? (l.hasLower ? number(l.lower) : none)
                        + QStringLiteral(" ~ ") + (l.hasUpper ? number(l.upper) : none)
                                                 : none);
            rows[6] << (c.hasCp ? number(c.cp) : none);
            rows[7] << (c.hasCpk ? number(c.cpk) : none);
        }
        table(header, rows, { 0.2, 0.2, 0.2, 0.2, 0.2 });
    }
}
