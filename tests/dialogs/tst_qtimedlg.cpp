#include "digits.h"
#include "qclockdlg.h"
#include "qtimedlg.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class TestQTimeDlg : public QObject
{
    Q_OBJECT

private slots:
    void resources_data();
    void resources();
    void form_data();
    void form();

    void preset_data();
    void preset();
    void okAccepts();
    void paging_data();
    void paging();
    void pickDayKeepsTime();
    void comboChangeFlipsClock();
    void comboBeforePreset();
};

namespace {
QCalendarWidget* calendarOf(QTimeDlg& dlg)
{
    return dlg.findChild<QCalendarWidget*>(QStringLiteral("calendarWidget_timedlg"));
}
QComboBox* comboOf(QTimeDlg& dlg, const char* name)
{
    return dlg.findChild<QComboBox*>(QLatin1String(name));
}
QString labelText(QTimeDlg& dlg)
{
    return dlg.findChild<QLabel*>(QStringLiteral("label_timedlg"))->text();
}
QGridLayout* gridOf(QTimeDlg& dlg, const QString& name)
{
    return dlg.findChild<QGridLayout*>(name);
}
// Cell of a widget or layout named child inside the grid named grid; row -1 when absent.
QVector<int> cellOf(QTimeDlg& dlg, const QString& grid, const QString& child)
{
    QGridLayout* layout = gridOf(dlg, grid);
    if (!layout)
        return { -1 };
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        const QObject* object = item->widget() ? static_cast<QObject*>(item->widget()) : item->layout();
        if ((object && object->objectName() == child) || (!object && child.isEmpty() && item->spacerItem())) {
            int row, column, rowSpan, columnSpan;
            layout->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            return { row, column, rowSpan, columnSpan };
        }
    }
    return { -1 };
}
}

void TestQTimeDlg::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("window icon") << QStringLiteral(":/hxReport/Resources/Log.png");
    QTest::newRow("icon file") << QStringLiteral(":/hxReport/Resources/log.ico");
    QTest::newRow("dialog icon") << QStringLiteral(":/image/corvel");
}

void TestQTimeDlg::resources()
{
    QFETCH(QString, path);
    QTimeDlg dlg; // registers the library's resources
    QVERIFY(!dlg.windowIcon().isNull());
    QVERIFY(QFile::exists(path));
    QVERIFY(!QIcon(path).isNull());
    QVERIFY(!QImage(path).isNull());
}

void TestQTimeDlg::form_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QVector<int>>("cell");

    const auto cell = [](const char* name, const char* className, const char* grid, QVector<int> position) {
        QTest::newRow(*name ? name : "spacer") << QString::fromLatin1(name) << QString::fromLatin1(className)
                                               << QString::fromLatin1(grid) << position;
    };
    cell("calendarWidget_timedlg", "QCalendarWidget", "gridLayout_4", { 0, 0, 1, 1 });
    cell("gridLayout_3", "QGridLayout", "gridLayout_4", { 0, 1, 1, 1 });
    cell("gridLayout", "QGridLayout", "gridLayout_3", { 0, 0, 1, 4 });
    cell("hour_comboBox", "QComboBox", "gridLayout_3", { 1, 0, 1, 1 });
    cell("label", "QLabel", "gridLayout_3", { 1, 1, 1, 1 });
    cell("minute_comboBox", "QComboBox", "gridLayout_3", { 1, 2, 1, 1 });
    cell("label_2", "QLabel", "gridLayout_3", { 1, 3, 1, 1 });
    cell("gridLayout_2", "QGridLayout", "gridLayout_3", { 2, 0, 1, 1 });
    cell("", "", "gridLayout_3", { 2, 1, 1, 1 }); // the spacer has no object
    cell("label_timedlg", "QLabel", "gridLayout_4", { 1, 0, 1, 1 });
    cell("pushButton_timedlg", "QPushButton", "gridLayout_4", { 1, 1, 1, 1 });
}

void TestQTimeDlg::form()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, grid);
    QFETCH(QVector<int>, cell);

    QTimeDlg dlg;
    if (!name.isEmpty()) {
        QObject* object = dlg.findChild<QObject*>(name);
        QVERIFY(object);
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    }
    QCOMPARE(cellOf(dlg, grid, name), cell);

    if (name == QLatin1String("gridLayout")) { // the clock is its only item
        QGridLayout* clockGrid = gridOf(dlg, name);
        QCOMPARE(clockGrid->count(), 1);
        QCOMPARE(clockGrid->itemAt(0)->widget(), static_cast<QWidget*>(dlg.clock()));
    }
}

void TestQTimeDlg::preset_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("hourText");
    QTest::addColumn<QString>("minuteText");
    QTest::addColumn<QDateTime>("result");

    const QDate day(2020, 5, 1);
    QTest::newRow("hour and minute set") << QDateTime(day, QTime(8, 30, 45)) << "2020-05-01 08:30"
                                         << "8"
                                         << "30" << QDateTime(day, QTime(8, 30));
    QTest::newRow("midnight keeps seconds") << QDateTime(day, QTime(0, 0, 45)) << "2020-05-01 00:00"
                                            << "0"
                                            << "0" << QDateTime(day, QTime(0, 0, 45));
    QTest::newRow("minute only") << QDateTime(day, QTime(0, 30, 45)) << "2020-05-01 00:30"
                                 << "0"
                                 << "30" << QDateTime(day, QTime(0, 30));
    QTest::newRow("hour only") << QDateTime(day, QTime(23, 0, 45)) << "2020-05-01 23:00"
                               << "23"
                               << "0" << QDateTime(day, QTime(23, 0));
    QTest::newRow("end of year") << QDateTime(QDate(2019, 12, 31), QTime(23, 59, 59)) << "2019-12-31 23:59"
                                 << "23"
                                 << "59" << QDateTime(QDate(2019, 12, 31), QTime(23, 59));
}

void TestQTimeDlg::preset()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, label);
    QFETCH(QString, hourText);
    QFETCH(QString, minuteText);
    QFETCH(QDateTime, result);

    QTimeDlg dlg;
    dlg.SetDateTime(value);
    QCOMPARE(labelText(dlg), label);
    QCOMPARE(comboOf(dlg, "hour_comboBox")->currentText(), hourText);
    QCOMPARE(comboOf(dlg, "minute_comboBox")->currentText(), minuteText);
    QCOMPARE(calendarOf(dlg)->selectedDate(), value.date());

    // The clock shows the preset at once.
    QCOMPARE(dlg.clock()->hours()->number(), value.time().hour());
    QCOMPARE(dlg.clock()->minutes()->number(), value.time().minute());
    QVERIFY(!dlg.clock()->hours()->isAnimating());
    QVERIFY(!dlg.clock()->minutes()->isAnimating());

    QDateTime out = QDateTime::currentDateTime();
    dlg.GetDateTime(out);
    QCOMPARE(out, result);
}

void TestQTimeDlg::okAccepts()
{
    QTimeDlg dlg;
    dlg.SetDateTime(QDateTime(QDate(2020, 5, 1), QTime(8, 30, 45)));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("pushButton_timedlg")), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());
}

void TestQTimeDlg::paging_data()
{
    QTest::addColumn<QDate>("picked");
    QTest::addColumn<int>("months");
    QTest::addColumn<QDate>("expected");

    QTest::newRow("January 15 to February") << QDate(2021, 1, 15) << 1 << QDate(2021, 2, 15);
    QTest::newRow("January 31 to February") << QDate(2021, 1, 31) << 1 << QDate(2021, 2, 28);
    QTest::newRow("January 31 to leap February") << QDate(2020, 1, 31) << 1 << QDate(2020, 2, 29);
    QTest::newRow("March 31 back to February") << QDate(2020, 3, 31) << -1 << QDate(2020, 2, 29);
    QTest::newRow("May 31 to June") << QDate(2020, 5, 31) << 1 << QDate(2020, 6, 30);
    QTest::newRow("December to January") << QDate(2020, 12, 15) << 1 << QDate(2021, 1, 15);
    QTest::newRow("January back to December") << QDate(2021, 1, 31) << -1 << QDate(2020, 12, 31);
}

void TestQTimeDlg::paging()
{
    QFETCH(QDate, picked);
    QFETCH(int, months);
    QFETCH(QDate, expected);

    QTimeDlg dlg;
    dlg.SetDateTime(QDateTime(picked, QTime(8, 30)));
    QCalendarWidget* calendar = calendarOf(dlg);
    if (months > 0)
        calendar->showNextMonth();
    else
        calendar->showPreviousMonth();

    QCOMPARE(dlg.selectedDate(), expected);
    QCOMPARE(labelText(dlg), expected.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 08:30"));
    QDateTime out;
    dlg.GetDateTime(out);
    QCOMPARE(out, QDateTime(expected, QTime(8, 30)));
}

void TestQTimeDlg::pickDayKeepsTime()
{
    QTimeDlg dlg;
    dlg.SetDateTime(QDateTime(QDate(2020, 5, 1), QTime(8, 30, 45)));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    // Click the cell of 20 May; 20 cannot be a neighbouring month's day on a
    // May page. Column 0 holds the week numbers.
    QCalendarWidget* calendar = calendarOf(dlg);
    auto* view = calendar->findChild<QTableView*>();
    QVERIFY(view);
    const int firstDayColumn = calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
    QModelIndex target;
    for (int row = 0; row < view->model()->rowCount() && !target.isValid(); ++row) {
        for (int column = firstDayColumn; column < view->model()->columnCount(); ++column) {
            const QModelIndex index = view->model()->index(row, column);
            if (index.data().toString() == QLatin1String("20")) {
                target = index;
                break;
            }
        }
    }
    QVERIFY(target.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(target).center());

    QCOMPARE(dlg.selectedDate(), QDate(2020, 5, 20));
    QCOMPARE(labelText(dlg), QStringLiteral("2020-05-20 08:30"));
    QDateTime out;
    dlg.GetDateTime(out);
    QCOMPARE(out, QDateTime(QDate(2020, 5, 20), QTime(8, 30)));
}

void TestQTimeDlg::comboChangeFlipsClock()
{
    QTimeDlg dlg;
    dlg.SetDateTime(QDateTime(QDate(2020, 5, 1), QTime(0, 0, 45)));
    comboOf(dlg, "minute_comboBox")->setCurrentText(QStringLiteral("45"));

    QCOMPARE(dlg.selectedTime(), QTime(0, 45));
    QCOMPARE(labelText(dlg), QStringLiteral("2020-05-01 00:45"));
    QCOMPARE(dlg.clock()->minutes()->number(), 45);
    QVERIFY(dlg.clock()->minutes()->isAnimating());
    QVERIFY(!dlg.clock()->hours()->isAnimating());
    QCOMPARE(dlg.clock()->minute(), 45);
}

void TestQTimeDlg::comboBeforePreset()
{
    QTimeDlg dlg;
    comboOf(dlg, "hour_comboBox")->setCurrentText(QStringLiteral("5"));
    QCOMPARE(dlg.selectedTime(), QTime(5, 0));
}

QTEST_MAIN(TestQTimeDlg)
#include "tst_qtimedlg.moc"
