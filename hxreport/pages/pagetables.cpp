#include "pagetables.h"

#include "csvwriter.h"
#include "qreportwidget.h"
#include "thumbnail.h"

#include <QCoreApplication>
#include <QIcon>
#include <QPixmap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardItemModel>

int PageTables::fillProduction(
    QStandardItemModel* model, QSqlQuery& sql, bool withStation, QByteArray* lastPicture)
{
    model->clear();
    model->setHorizontalHeaderLabels({ QCoreApplication::translate("hxReport", "日期时间"),
        QCoreApplication::translate("hxReport", "匹配型号"),
        QCoreApplication::translate("hxReport", "相似度"),
        QCoreApplication::translate("hxReport", "消耗时间s"),
        QCoreApplication::translate("hxReport", "直径mm"), QCoreApplication::translate("hxReport", "厚度mm"),
        QCoreApplication::translate("hxReport", "缩略图"), QCoreApplication::translate("hxReport", "uid") });
    const int stationField = withStation ? sql.record().indexOf(QStringLiteral("station")) : -1;
    if (stationField >= 0)
        model->setHorizontalHeaderItem(
            StationColumn, new QStandardItem(QCoreApplication::translate("hxReport", "工位")));

    const int idField = sql.record().indexOf(QStringLiteral("id"));
    const int keyField = idField >= 0 ? idField : sql.record().indexOf(QStringLiteral("uid"));
    int row = 0;
    QByteArray pic;
    while (sql.next()) {
        pic = sql.value(QStringLiteral("pic")).toByteArray();
        const QImage icon = Thumbnail::decodeScaled(
            pic, QSize(Thumbnail::IconSize, Thumbnail::IconSize), Qt::IgnoreAspectRatio);
        auto* picItem = new QStandardItem;
        if (!icon.isNull())
            picItem->setIcon(QIcon(QPixmap::fromImage(icon)));
        auto* timeItem = new QStandardItem(sql.value(QStringLiteral("time")).toString());
        timeItem->setToolTip(timeItem->text());
        model->setItem(row, 0, timeItem);
        model->setItem(row, 1, new QStandardItem(sql.value(QStringLiteral("model")).toString()));
        model->setItem(
            row, 2, new QStandardItem(CsvWriter::percent(sql.value(QStringLiteral("correlate")).toDouble())));
        model->setItem(
            row, 3, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("detecttime")).toDouble())));
        model->setItem(
            row, 4, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("diameter")).toDouble())));
        model->setItem(
            row, 5, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("hight")).toDouble())));
        model->setItem(row, 6, picItem);
        // The row's key: id on the plant server, where uids repeat across stations.
        model->setItem(row, UidColumn, new QStandardItem(sql.value(keyField).toString()));
        if (stationField >= 0)
            model->setItem(row, StationColumn, new QStandardItem(sql.value(stationField).toString()));
        ++row;
    }
    if (lastPicture)
        *lastPicture = pic;
    return row;
}

int PageTables::fillLog(QStandardItemModel* model, QSqlQuery& sql)
{
    model->clear();
    model->setHorizontalHeaderLabels(
        { QCoreApplication::translate("hxReport", "时间"), QCoreApplication::translate("hxReport", "信息") });
    int row = 0;
    while (sql.next()) {
        model->setItem(row, 0, new QStandardItem(sql.value(QStringLiteral("time")).toString()));
        model->setItem(row, 1, new QStandardItem(sql.value(QStringLiteral("message")).toString()));
        ++row;
    }
    return row;
}

void PageTables::showCounts(QReportWidget* report, const QMap<QString, int>& counts, int total)
{
    QMap<QString, int> shown = counts;
    report->SetData(shown);
    if (!counts.contains(QStringLiteral("NG")))
        report->addRow(QStringLiteral("NG"), 0, true);
    report->addRow(QCoreApplication::translate("hxReport", "总数"), total, true);
    report->updateTable();
}
