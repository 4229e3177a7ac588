#include "qualitytables.h"

#include "csvwriter.h"

#include <QCoreApplication>
#include <QSaveFile>

namespace {
QString number(double value)
{
    return QString::number(value, 'f', 3);
}
}

QStringList QualityTables::trendHeader()
{
    return { QCoreApplication::translate("hxReport", "时段"), QCoreApplication::translate("hxReport", "数量"),
        QCoreApplication::translate("hxReport", "NG"), QCoreApplication::translate("hxReport", "NG率(%)") };
}

int QualityTables::trendRowCount(const QualityResult& result)
{
    const int n = result.trend.size();
    return n > 0 && result.trend.constLast().hubs == 0 ? n - 1 : n;
}

QString QualityTables::periodLabel(const TrendBuckets::Period& period)
{
    return period.start.isValid() ? period.label : QCoreApplication::translate("hxReport", "其他");
}

QString QualityTables::ngNote()
{
    return QCoreApplication::translate("hxReport", "NG记录的型号为“NG”：选定单个型号时NG数和NG率为“—”");
}

QString QualityTables::measuredNote()
{
    return QCoreApplication::translate("hxReport", "测量值按单个型号统计：请选择型号后查询");
}

QStringList QualityTables::trendRow(const QualityResult& result, int row)
{
    const TrendRow& r = result.trend.at(row);
    if (!result.request.model.isEmpty()) {
        const QString dash = QStringLiteral("—");
        return { periodLabel(r.period), QString::number(r.hubs), dash, dash };
    }
    const QString rate
        = r.hubs > 0 ? QString::number(100.0 * double(r.ng) / double(r.hubs), 'f', 2) : QStringLiteral("-");
    return { periodLabel(r.period), QString::number(r.hubs), QString::number(r.ng), rate };
}

QString QualityTables::measureName(int measure)
{
    switch (measure) {
    case QualityAnalysis::Diameter:
        return QCoreApplication::translate("hxReport", "直径");
    case QualityAnalysis::Hight:
        return QCoreApplication::translate("hxReport", "厚度");
    case QualityAnalysis::Correlate:
        return QCoreApplication::translate("hxReport", "相似度");
    default:
        return QCoreApplication::translate("hxReport", "检测时间");
    }
}

double QualityTables::measureScale(int measure)
{
    return measure == QualityAnalysis::Correlate ? 100 : 1;
}

QStringList QualityTables::measureHeader()
{
    QStringList header { QCoreApplication::translate("hxReport", "指标") };
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m)
        header << (measureScale(m) == 100 ? measureName(m) + QStringLiteral("(%)") : measureName(m));
    return header;
}

int QualityTables::measureRowCount()
{
    return 11;
}

QStringList QualityTables::measureRow(const QualityResult& result, const MeasureLimits* limits, int row)
{
    static const char* const names[] = { QT_TRANSLATE_NOOP("hxReport", "数量"),
        QT_TRANSLATE_NOOP("hxReport", "非数值"), QT_TRANSLATE_NOOP("hxReport", "平均值"),
        QT_TRANSLATE_NOOP("hxReport", "标准差"), QT_TRANSLATE_NOOP("hxReport", "最小值"),
        QT_TRANSLATE_NOOP("hxReport", "最大值"), QT_TRANSLATE_NOOP("hxReport", "下限"),
        QT_TRANSLATE_NOOP("hxReport", "上限"), "Cp", "Cpk", QT_TRANSLATE_NOOP("hxReport", "超限数") };
    QStringList cells { QCoreApplication::translate("hxReport", names[row]) };
    const QString none = QStringLiteral("-");
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
        const MeasureStats& s = result.measures[m];
        const MeasureLimits l = limits ? limits[m] : MeasureLimits();
        const bool any = s.count() > 0;
        // Limits are typed as shown; the numbers are stored unscaled.
        const double scale = measureScale(m);
        // The capability rows only: the out-of-limit count scans the numbers.
        const MeasureStats::Capability c = row >= 8
            ? s.capability(l.hasLower, l.lower / scale, l.hasUpper, l.upper / scale)
            : MeasureStats::Capability();
        switch (row) {
        case 0:
            cells << QString::number(s.count());
            break;
        case 1:
            cells << QString::number(s.missing());
            break;
        case 2:
            cells << (any ? number(s.mean() * scale) : none);
            break;
        case 3:
            cells << (s.count() > 1 ? number(s.deviation() * scale) : none);
            break;
        case 4:
            cells << (any ? number(s.minimum() * scale) : none);
            break;
        case 5:
            cells << (any ? number(s.maximum() * scale) : none);
            break;
        case 6:
            cells << (l.hasLower ? number(l.lower) : none);
            break;
        case 7:
            cells << (l.hasUpper ? number(l.upper) : none);
            break;
        case 8:
            cells << (c.hasCp ? number(c.cp) : none);
            break;
        case 9:
            cells << (c.hasCpk ? number(c.cpk) : none);
            break;
        default:
            cells << (l.hasLower || l.hasUpper ? QString::number(c.outside) : none);
            break;
        }
    }
    return cells;
}

bool QualityTables::writeCsv(const QString& fileName, const QString& title, const QStringList& header,
    const QVector<QStringList>& rows, QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    CsvWriter csv(&file);
    csv.writeText(CsvWriter::textField(title));
    // The first column names a period (with a shift name from the station)
    // or a figure; the numbers after it stay numbers, a minus sign included.
    csv.writeRow(header, 1);
    for (const QStringList& row : rows)
        csv.writeRow(row, 1);
    if (!csv.ok()) {
        *error = csv.errorString();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
