#include "pagechecks.h"

#include <QComboBox>

#include "pagehost.h"
#include "timeranges.h"

#include <QCoreApplication>

bool PageChecks::refuseWhileBusy(PageHost* host, bool busy)
{
    if (busy)
        host->showMessageBox(QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "正在查询数据，请稍后"), 0);
    return busy;
}

QString PageChecks::dateProblem(const QDateTime& start, const QDateTime& end,
    const QMap<QString, ShiftRecord>& shifts, const QString& shiftName, bool statisticsWording)
{
    if (start.date() <= end.date())
        return QString();
    const auto it = shifts.constFind(shiftName);
    QString problem;
    if (it != shifts.constEnd() && TimeRanges::isOvernight(*it))
        problem = QCoreApplication::translate(
            "hxReport", "您选择的班次时间是隔夜的，请您重新选择一下当前查询的日期，再查询");
    else if (statisticsWording && it != shifts.constEnd())
        problem = QCoreApplication::translate("hxReport", "您选择的日期不合理，请您重新起始日期，再查询");
    else
        problem = QCoreApplication::translate(
            "hxReport", "您选择的日期不合理，请您重新选择一下当前查询的日期，再查询");
    // The range as chosen, so that the user sees which end to move.
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    return problem + QLatin1Char('\n')
        + QCoreApplication::translate("hxReport", "所选范围：%1 至 %2")
              .arg(start.toString(format), end.toString(format));
}

QString PageChecks::trendProblem(TrendBuckets::Size size, const QDateTime& start, const QDateTime& end)
{
    if (TrendBuckets::resolve(size, start, end) != TrendBuckets::Size::Hour
        || start.daysTo(end) <= MaxHourDays)
        return QString();
    return QCoreApplication::translate("hxReport", "按小时统计最多%1天，请缩短时间范围或按天、按班次统计")
        .arg(MaxHourDays);
}

QString PageChecks::chosenStation(const QComboBox* box)
{
    // By the item's data, not its text: a station may be named "全部".
    if (!box || box->isHidden())
        return QString();
    return box->currentData().toString();
}

void PageChecks::fillStations(QComboBox* box, const QStringList& stations)
{
    box->clear();
    box->addItem(QCoreApplication::translate("hxReport", "全部"), QString());
    for (const QString& station : stations)
        box->addItem(station, station);
}

QString PageChecks::shiftGone(const QString& station, const QString& shift)
{
    return QCoreApplication::translate("hxReport", "工位 %1 没有班次 %2，已改为全天").arg(station, shift);
}
