#include "pagelayout.h"

#include "apppaths.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>

void PageLayout::keepNavigationReadable(QListWidget* list)
{
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        widest = qMax(widest, QFontMetrics(item->font()).horizontalAdvance(item->text()));
    }
    list->setMinimumWidth(qMin(list->maximumWidth(), widest + 2 * list->frameWidth() + 16));
}

void PageLayout::letCountWrap(QLabel* label, QBoxLayout* row)
{
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QString widest = QCoreApplication::translate("hxReport", "共显示%1条记录").arg(999);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 2 * label->margin() + 2);
    row->setStretchFactor(label, 1);
}

void PageLayout::showStationFolder(QStatusBar* bar)
{
    if (QDir(AppPaths::stationDir()) == QDir(AppPaths::applicationDir()))
        return;
    auto* folder = new QLabel(QCoreApplication::translate("hxReport", "站点文件夹：%1")
                                  .arg(QDir::toNativeSeparators(AppPaths::stationDir())));
    folder->setObjectName(QStringLiteral("label_StationDir"));
    bar->addPermanentWidget(folder);
}
