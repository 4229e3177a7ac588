#include "pagelayout.h"

#include "apppaths.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>

void PageLayout::keepNavigationReadable(QListWidget* list)
{
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        widest = qMax(widest, QFontMetrics(item->font()).horizontalAdvance(item->text()));
    }
    list->setMinimumWidth(qMin(list->maximumWidth(), widest + 2 * list->frameWidth() + 16));
}

void PageLayout::setUpNavigation(QListWidget* list)
{
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        // An item without a size hint reports (-1, -1), and Qt drops a hint
        // with a negative width, so the item's laid-out width is used.
        item->setSizeHint(QSize(list->visualItemRect(item).width(), 45));
    }
    keepNavigationReadable(list);
}

void PageLayout::appendPage(QListWidget* list, QStackedWidget* stack, QWidget* page, const QString& text)
{
    stack->addWidget(page);
    QListWidgetItem* entry = list->item(0)->clone();
    entry->setText(text);
    list->addItem(entry);
    keepNavigationReadable(list);
}

void PageLayout::resetPaging(QLineEdit* pageSize, QLabel* pageLabel, QLabel* countLabel, QObject* parent)
{
    pageSize->setText(QStringLiteral("50"));
    pageSize->setValidator(new QIntValidator(1, 9999, parent));
    countLabel->setText(QCoreApplication::translate("hxReport", "本页%1条，共%2条").arg(0).arg(0));
    pageLabel->setText(QCoreApplication::translate("hxReport", "第%1页 共%2页").arg(0).arg(0));
}

void PageLayout::letCountWrap(QLabel* label, QBoxLayout* row)
{
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QString widest = QCoreApplication::translate("hxReport", "本页%1条，共%2条").arg(999).arg(999);
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

QComboBox* PageLayout::addStationBox(QWidget* beside, const QString& objectName, bool after)
{
    QWidget* parent = beside->parentWidget();
    if (!parent || !parent->layout())
        return nullptr;
    auto* row = new QWidget(parent);
    QLayoutItem* old = parent->layout()->replaceWidget(beside, row, Qt::FindChildrenRecursively);
    if (!old) {
        delete row;
        return nullptr;
    }
    delete old;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    if (after)
        layout->addWidget(beside);
    // Named, so that two "全部" boxes side by side are told apart.
    auto* label = new QLabel(QCoreApplication::translate("hxReport", "工位"), row);
    label->setObjectName(objectName + QStringLiteral("_Label"));
    label->setFont(beside->font());
    layout->addWidget(label);
    auto* box = new QComboBox(row);
    box->setObjectName(objectName);
    box->setToolTip(QCoreApplication::translate("hxReport", "工位"));
    // A long station name must not widen the page past the window.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(5);
    layout->addWidget(box);
    if (!after)
        layout->addWidget(beside, 1);
    return box;
}

void PageLayout::fitTexts(QComboBox* box, const QStringList& texts)
{
    // The style sheet's font applies once polished.
    box->ensurePolished();
    int widest = 0;
    for (const QString& text : texts)
        widest = qMax(widest, box->fontMetrics().horizontalAdvance(text));
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QSize size = box->style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(widest, box->fontMetrics().height()), box);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(1);
    box->setMinimumWidth(size.width());
}

void PageLayout::sameWidth(std::initializer_list<QWidget*> widgets)
{
    int widest = 0;
    for (QWidget* w : widgets) {
        w->ensurePolished();
        widest = qMax(widest, w->sizeHint().width());
    }
    for (QWidget* w : widgets)
        w->setMinimumWidth(widest);
}
