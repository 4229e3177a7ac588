#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"
#include "pageindex.h"
#include "productionpage.h"
#include "qreportwidget.h"
#include "recordindex.h"
#include "statisticspage.h"

#include <QAbstractItemModelTester>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

namespace {
using GuiTest::child;
using GuiTest::pick;

// Production range 2020-05-01 00:00 to 2020-05-02 00:00 (the shift entry "全天"
// would widen it to whole days, so the other range buttons are used last).
void setProductionRange(hxReport& window)
{
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
}

bool clickAndWaitForPage(hxReport& window, QPushButton* button)
{
    QSignalSpy shown(&window, &hxReport::sgPageShown);
    button->click();
    return shown.wait(20000);
}

QString firstTime(QStandardItemModel* model)
{
    return model && model->rowCount() > 0 ? model->item(0, 0)->text() : QString();
}

QStringList reportRows(QReportWidget* report)
{
    QStringList rows;
    auto* view = report->findChild<QTableView*>();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    for (int r = 0; model && r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + QLatin1Char(' ')
                + model->index(r, 1).data().toString();
    return rows;
}
}

class TestPages : public QObject
{
    Q_OBJECT
private slots:
    void productionPaging_data();
    void productionPaging();
    void productionTableCells();
    void productionModelFilter_data();
    void productionModelFilter();
    void productionDateValidation_data();
    void productionDateValidation();
    void pictureOnDoubleClick_data();
    void pictureOnDoubleClick();
    void productionReportsFailedQuery();
    void logPaging();
    void pagingStaysOnShownQuery_data();
    void pagingStaysOnShownQuery();
    void statistics_data();
    void statistics();
    void statisticsTwoQuickClicks();
    void statisticsDateValidation();
};

void TestPages::productionPaging_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("pageSize");
    // Steps: "N" next, "P" prev; each with the expected page label, first time
    // shown (seconds after 08:00:00) and Prev/Next enabled.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("firstLabel");
    QTest::newRow("20 by 10") << 20 << "10" << QStringList { "N 2/2 10 1 0", "P 1/2 0 0 1" } << "1/2";
    QTest::newRow("25 by 10") << 25 << "10" << QStringList { "N 2/3 10 1 1", "N 3/3 20 1 0", "P 2/3 10 1 1" }
                              << "1/3";
    QTest::newRow("5 by 10") << 5 << "10" << QStringList { "N 1/1 0 1 0" } << "1/1";
    QTest::newRow("none") << 0 << "10" << QStringList { "N 0/0 - 1 1", "P 0/0 - 1 1" } << "0/0";
    QTest::newRow("size 0 means 10") << 20 << "0" << QStringList { "N 2/2 10 1 0" } << "1/2";
}

void TestPages::productionPaging()
{
    QFETCH(int, records);
    QFETCH(QString, pageSize);
    QFETCH(QStringList, steps);
    QFETCH(QString, firstLabel);
    PageFixture fixture;
    fixture.addRecords(records);
    fixture.done();
    hxReport window;
    window.show();
    setProductionRange(window);
    auto* size = child<QLineEdit>(window, "LineNumber_checkShengchang");
    size->setText(pageSize);
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    if (pageSize == QLatin1String("0"))
        QCOMPARE(size->text(), QStringLiteral("10"));
    auto* pageLabel = child<QLabel>(window, "showPage_Label_Checkdata");
    const QStringList first = firstLabel.split(QLatin1Char('/'));
    QCOMPARE(pageLabel->text(), QStringLiteral("第%1页 共%2页").arg(first[0], first[1]));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QString::number(records));
    QCOMPARE(child<QLabel>(window, "showNum_Label_Checkdata")->text(),
        QStringLiteral("本页%1条，共%2条").arg(qMin(records, 10)).arg(records));
    QVERIFY(
        child<QLabel>(window, "label_Tab2_Title")->text().endsWith(QStringLiteral("共%1条").arg(records)));
    QAbstractItemModelTester tester(
        window.productionModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(window.productionModel()->rowCount(), qMin(records, 10));

    auto* prev = child<QPushButton>(window, "Prev_checkShengchang");
    auto* next = child<QPushButton>(window, "Next_checkShengchang");
    for (const QString& step : steps) {
        const QStringList p = step.split(QLatin1Char(' '));
        QPushButton* button = p[0] == QLatin1String("N") ? next : prev;
        const QStringList page = p[1].split(QLatin1Char('/'));
        if (p[2] == QLatin1String("-")) {
            // Nothing to page: the click is ignored and no request runs.
            QSignalSpy shown(&window, &hxReport::sgPageShown);
            button->click();
            QVERIFY(!shown.wait(200));
        } else {
            QVERIFY2(clickAndWaitForPage(window, button), qPrintable(step));
            QCOMPARE(firstTime(window.productionModel()),
                QDateTime(QDate(2020, 5, 1), QTime(8, 0))
                    .addSecs(p[2].toInt())
                    .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            QCOMPARE(child<QLabel>(window, "showNum_Label_Checkdata")->text(),
                QStringLiteral("本页%1条，共%2条").arg(window.productionModel()->rowCount()).arg(records));
        }
        QCOMPARE(pageLabel->text(), QStringLiteral("第%1页 共%2页").arg(page[0], page[1]));
        QCOMPARE(prev->isEnabled(), p[3] == QLatin1String("1"));
        QCOMPARE(next->isEnabled(), p[4] == QLatin1String("1"));
    }
}

void TestPages::productionTableCells()
{
    PageFixture fixture;
    QVERIFY(fixture.addRecord(
        "2020-05-01 08:00:00", "A1", 0.9, PageFixture::picture(QSize(64, 32)), 1.23456, 512.5, 201));
    QVERIFY(
        fixture.addRecord("2020-05-01 09:00:00", "B2", QVariant(std::numeric_limits<double>::infinity())));
    fixture.done();
    hxReport window;
    window.show();
    setProductionRange(window);
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    QStandardItemModel* model = window.productionModel();
    QCOMPARE(model->columnCount(), 8);
    const QStringList headers
        = { "日期时间", "匹配型号", "相似度", "消耗时间s", "直径mm", "厚度mm", "缩略图", "uid" };
    for (int c = 0; c < headers.size(); ++c)
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QCOMPARE(model->item(0, 0)->text(), QStringLiteral("2020-05-01 08:00:00"));
    QCOMPARE(model->item(0, 1)->text(), QStringLiteral("A1"));
    QCOMPARE(model->item(0, 2)->text(), QStringLiteral("90.000%"));
    QCOMPARE(model->item(0, 3)->text(), QStringLiteral("1.235"));
    QCOMPARE(model->item(0, 4)->text(), QStringLiteral("512.500"));
    QCOMPARE(model->item(0, 5)->text(), QStringLiteral("201.000"));
    QVERIFY(!model->item(0, 6)->icon().isNull());
    QCOMPARE(model->item(0, 6)->icon().availableSizes().value(0), QSize(50, 50));
    QVERIFY(model->item(0, 6)->text().isEmpty());
    QVERIFY(model->item(0, 7)->text().toInt() > 0);
    QCOMPARE(model->item(1, 2)->text(), QStringLiteral("0.000%"));
    QVERIFY(model->item(1, 6)->icon().isNull());
    QVERIFY(child<QTableView>(window, "tableView_checkShengchang")->isColumnHidden(7));
}

void TestPages::productionModelFilter_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("expected");
    QTest::newRow("all") << QStringLiteral("全部") << 12;
    QTest::newRow("one model") << "B2" << 3;
    QTest::newRow("quote in name") << "O'Neil" << 3;
    QTest::newRow("placeholder in name") << "A%1" << 3;
    QTest::newRow("injection attempt") << "x' or '1'='1" << 0;
}

void TestPages::productionModelFilter()
{
    QFETCH(QString, model);
    QFETCH(int, expected);
    PageFixture fixture;
    fixture.addRecords(12, { "A1", "B2", "O'Neil", "A%1" });
    fixture.done();
    hxReport window;
    window.show();
    setProductionRange(window);
    child<QComboBox>(window, "comboBox_Model")->setCurrentText(model);
    child<QLineEdit>(window, "LineNumber_checkShengchang")->setText(QStringLiteral("2"));
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QString::number(expected));
    QCOMPARE(window.productionModel()->rowCount(), qMin(expected, 2));
    // The next page runs the filter again, with the paging clause added.
    if (expected > 2) {
        QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "Next_checkShengchang")));
        QCOMPARE(window.productionModel()->rowCount(), qMin(expected - 2, 2));
    }
    for (int r = 0; r < window.productionModel()->rowCount() && expected < 12; ++r)
        QCOMPARE(window.productionModel()->item(r, 1)->text(), model);
    // No failure (a note that the record index was not ready yet may show).
    QVERIFY(!window.statusBar()->currentMessage().startsWith(QStringLiteral("查询失败")));
}

void TestPages::productionDateValidation_data()
{
    QTest::addColumn<QString>("shift");
    QTest::addColumn<QString>("message");
    QTest::newRow("whole day") << QStringLiteral(
        "全天") << QStringLiteral("您选择的日期不合理，请您重新选择一下当前查询的日期，再查询");
    QTest::newRow("overnight shift") << QStringLiteral(
        "夜班") << QStringLiteral("您选择的班次时间是隔夜的，请您重新选择一下当前查询的日期，再查询");
    QTest::newRow("equal times are not overnight here") << QStringLiteral(
        "全日班") << QStringLiteral("您选择的日期不合理，请您重新选择一下当前查询的日期，再查询");
}

void TestPages::productionDateValidation()
{
    QFETCH(QString, shift);
    QFETCH(QString, message);
    PageFixture fixture;
    for (const auto& s : { std::make_tuple("夜班", QTime(20, 0), QTime(8, 0)),
             std::make_tuple("全日班", QTime(6, 0), QTime(6, 0)) }) {
        ShiftRecord record;
        record.type = QString::fromUtf8(std::get<0>(s));
        record.startTime = std::get<1>(s);
        record.endTime = std::get<2>(s);
        QVERIFY(fixture.db()->insertShift(record));
    }
    fixture.addRecords(3);
    fixture.done();
    hxReport window;
    window.show();
    child<QComboBox>(window, "comboBox_Banci")->setCurrentText(shift);
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 3), QTime(0, 0)));
    // The page asks its worker itself.
    QSignalSpy sent(window.productionPage(), &ProductionPage::sgQuery);
    QString text;
    QString title;
    GuiTest::answerMessageBox(&text, &title);
    child<QPushButton>(window, "pushButton_Checkdata")->click();
    // The range as chosen beneath the message.
    QCOMPARE(text, message + QStringLiteral("\n所选范围：2020-05-03 00:00:00 至 2020-05-01 00:00:00"));
    QCOMPARE(title, QStringLiteral("提示"));
    QCOMPARE(sent.count(), 0);
    // The busy flag is free again: a valid range queries normally.
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 4, 30), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    QCOMPARE(sent.count(), 1);
}

void TestPages::pictureOnDoubleClick_data()
{
    QTest::addColumn<QByteArray>("pic");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("wide") << PageFixture::picture(QSize(64, 32)) << QSize(150, 75);
    QTest::newRow("tall") << PageFixture::picture(QSize(30, 60), "JPEG") << QSize(75, 150);
    QTest::newRow("not an image") << QByteArray("definitely not a picture") << QSize();
    QTest::newRow("truncated JPEG") << PageFixture::picture(QSize(64, 64), "JPEG").left(40) << QSize();
    QTest::newRow("empty") << QByteArray() << QSize();
}

void TestPages::pictureOnDoubleClick()
{
    QFETCH(QByteArray, pic);
    QFETCH(QSize, shown);
    PageFixture fixture;
    QVERIFY(fixture.addRecord("2020-05-01 08:00:00", "A1", 0.9, pic));
    QVERIFY(fixture.addRecord("2020-05-01 08:00:01", "A1", 0.9, PageFixture::picture(QSize(20, 20))));
    fixture.done();
    hxReport window;
    window.show();
    setProductionRange(window);
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    auto* label = child<QLabel>(window, "CheckDlg_label_Pic");
    // After the fill the label shows the last row's picture.
    QVERIFY(!label->pixmap(Qt::ReturnByValue).isNull());
    auto* view = child<QTableView>(window, "tableView_checkShengchang");
    const QModelIndex index = view->model()->index(0, 1);
    QSignalSpy picture(&window, &hxReport::sgPictureShown);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(picture.wait(20000));
    if (shown.isValid()) {
        QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), shown);
    } else {
        QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
    }
}

void TestPages::productionReportsFailedQuery()
{
    PageFixture fixture;
    fixture.addRecords(3);
    // An older station file whose detection table lacks a column the page reads
    // still works; a file without the table at all fails visibly.
    QVERIFY(fixture.db()->database().exec(QStringLiteral("drop table wftable")).lastError().type()
        == QSqlError::NoError);
    fixture.done();
    // Make the table impossible to create again: a view of the same name.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("spoil"));
        db.setDatabaseName(AppPaths::detectionDatabase());
        QVERIFY(db.open());
        db.exec(QStringLiteral("create view wftable as select 1 as x"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("spoil"));
    hxReport window;
    window.show();
    setProductionRange(window);
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    QCOMPARE(window.productionModel()->rowCount(), 0);
    QVERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("查询失败")));
}

void TestPages::logPaging()
{
    PageFixture fixture;
    fixture.addLogs(120, 1, QStringLiteral("alarm"));
    fixture.addLogs(7, 4, QStringLiteral("state"));
    fixture.done();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_Warning", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_Warning", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Wandring")));
    auto* title = child<QLabel>(window, "label_Tab3_Title");
    QVERIFY2(title->text().endsWith(QStringLiteral("共120条")), qPrintable(title->text()));
    QVERIFY(title->text().startsWith(QStringLiteral("从2020-05-01 00:00:00 到 2020-05-02 00:00:00")));
    auto* pageLabel = child<QLabel>(window, "showPage_Label_Checkdata_2");
    QCOMPARE(pageLabel->text(), QStringLiteral("第1页 共3页"));
    QCOMPARE(window.logModel()->rowCount(), 50);
    QCOMPARE(window.logModel()->columnCount(), 2);
    // The model stays sound through the pages that refill it.
    QAbstractItemModelTester tester(
        window.logModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Newest first.
    QCOMPARE(window.logModel()->item(0, 1)->text(), QStringLiteral("alarm 120"));
    QCOMPARE(child<QLabel>(window, "showNum_Label_Checkdata_2")->text(), QStringLiteral("本页50条，共120条"));
    auto* next = child<QPushButton>(window, "Next_checklog");
    auto* prev = child<QPushButton>(window, "Prev_checklog");
    QVERIFY(clickAndWaitForPage(window, next));
    QVERIFY(clickAndWaitForPage(window, next));
    QCOMPARE(window.logPaging().offset, 100);
    QCOMPARE(pageLabel->text(), QStringLiteral("第3页 共3页"));
    QCOMPARE(window.logModel()->rowCount(), 20);
    QCOMPARE(window.logModel()->item(19, 1)->text(), QStringLiteral("alarm 1"));
    QVERIFY(!next->isEnabled());
    QVERIFY(clickAndWaitForPage(window, prev));
    QCOMPARE(window.logPaging().offset, 50);
    QCOMPARE(pageLabel->text(), QStringLiteral("第2页 共3页"));
    QVERIFY(next->isEnabled());
}

// Filter widgets changed after a query do not leak into its later pages: every
// page shown belongs to the query whose title and total are on screen.
void TestPages::pagingStaysOnShownQuery_data()
{
    QTest::addColumn<bool>("logPage");
    QTest::addColumn<QString>("change");
    // Who answers one model's pages: the record index, or the station file
    // when the index is stopped (the plant server's rows are in
    // tst_plantserver).
    QTest::addColumn<bool>("indexed");
    QTest::newRow("production, model, index") << false << "model" << true;
    QTest::newRow("production, model, direct") << false << "model" << false;
    QTest::newRow("production, time, index") << false << "time" << true;
    QTest::newRow("production, time, direct") << false << "time" << false;
    QTest::newRow("log, kind") << true << "kind" << false;
    QTest::newRow("log, time") << true << "time" << false;
}

void TestPages::pagingStaysOnShownQuery()
{
    QFETCH(bool, logPage);
    QFETCH(QString, change);
    QFETCH(bool, indexed);
    PageFixture fixture;
    fixture.addRecords(120, { QStringLiteral("A1"), QStringLiteral("B2") });
    fixture.addLogs(60, 1, QStringLiteral("alarm"));
    fixture.addLogs(60, 5, QStringLiteral("usage"));
    for (int i = 0; i < 30; ++i) {
        const QString later = QStringLiteral("2020-05-03 08:00:%1").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(fixture.addRecord(later, QStringLiteral("A1")));
        LogRecord log;
        log.time = later;
        log.message = QStringLiteral("later alarm");
        log.logClass = QStringLiteral("1");
        QVERIFY(fixture.db()->insertLog(log));
    }
    fixture.done();
    hxReport window;
    auto* index = window.findChild<PageIndex*>();
    QVERIFY(index);
    if (!indexed)
        index->stop(); // before the event loop starts it
    QSignalSpy direct(index, &PageIndex::answeredDirectly);
    window.show();
    if (indexed)
        QTRY_VERIFY_WITH_TIMEOUT(index->recordIndex()->isInStep(), 20000);

    const char* endButton = logPage ? "pushButton_Set2_Warning" : "pushButton_Set2_History";
    if (logPage) {
        child<QListWidget>(window, "check_listWidget")->setCurrentRow(2);
        pick(window, "pushButton_Set1_Warning", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
        pick(window, endButton, QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
        QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Wandring")));
    } else {
        setProductionRange(window);
        child<QComboBox>(window, "comboBox_Model")->setCurrentText(QStringLiteral("A1"));
        QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata")));
    }
    QStandardItemModel* model = logPage ? window.logModel() : window.productionModel();
    const auto* title = child<QLabel>(window, logPage ? "label_Tab3_Title" : "label_Tab2_Title");
    const auto* pageLabel
        = child<QLabel>(window, logPage ? "showPage_Label_Checkdata_2" : "showPage_Label_Checkdata");
    const QString shownTitle = title->text();
    QVERIFY2(shownTitle.endsWith(QStringLiteral("共60条")), qPrintable(shownTitle));

    if (change == QLatin1String("model"))
        child<QComboBox>(window, "comboBox_Model")->setCurrentText(QStringLiteral("B2"));
    else if (change == QLatin1String("kind"))
        child<QComboBox>(window, "comboBox_Wandring_Log")->setCurrentText(QStringLiteral("使用记录查询"));
    else
        pick(window, endButton, QDateTime(QDate(2020, 5, 4), QTime(0, 0)));

    const auto rowsBelongToShownQuery = [&](int expectedRows) {
        if (model->rowCount() != expectedRows)
            return false;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString time = model->item(r, 0)->text();
            const QString text = model->item(r, 1)->text();
            const bool kindOk
                = logPage ? text.startsWith(QStringLiteral("alarm")) : text == QLatin1String("A1");
            if (!kindOk || !time.startsWith(QStringLiteral("2020-05-01")))
                return false;
        }
        return true;
    };
    QVERIFY(clickAndWaitForPage(
        window, child<QPushButton>(window, logPage ? "Next_checklog" : "Next_checkShengchang")));
    QVERIFY(rowsBelongToShownQuery(10));
    QCOMPARE(pageLabel->text(), QStringLiteral("第2页 共2页"));
    QVERIFY(clickAndWaitForPage(
        window, child<QPushButton>(window, logPage ? "Prev_checklog" : "Prev_checkShengchang")));
    QVERIFY(rowsBelongToShownQuery(50));
    QCOMPARE(pageLabel->text(), QStringLiteral("第1页 共2页"));
    QCOMPARE(title->text(), shownTitle);
    if (!logPage)
        QCOMPARE(direct.isEmpty(), indexed);
}

void TestPages::statistics_data()
{
    QTest::addColumn<QStringList>("models");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("no NG") << QStringList { "B", "B", "A", "B", "A", "B" }
                           << QStringList { "A 2", "B 4", "NG 0", QStringLiteral("总数 6") };
    QTest::newRow("with NG") << QStringList { "NG", "A", "NG", "NG" }
                             << QStringList { "A 1", "NG 3", QStringLiteral("总数 4") };
    QTest::newRow("nothing") << QStringList() << QStringList { "NG 0", QStringLiteral("总数 0") };
}

void TestPages::statistics()
{
    QFETCH(QStringList, models);
    QFETCH(QStringList, rows);
    PageFixture fixture;
    fixture.addRecords(models.size(), models.isEmpty() ? QStringList { "A" } : models);
    fixture.done();
    hxReport window;
    window.show();
    QCOMPARE(reportRows(window.reportWidget()), QStringList());
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(1);
    pick(window, "pushButton_Set1_Count", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_Count", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata_Calculate")));
    QCOMPARE(reportRows(window.reportWidget()), rows);
    QCOMPARE(window.countMap().isEmpty(), models.isEmpty());
    // The same again into the table model shown, which stays sound.
    QVERIFY(window.reportWidget()->model());
    QAbstractItemModelTester tester(
        window.reportWidget()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(clickAndWaitForPage(window, child<QPushButton>(window, "pushButton_Checkdata_Calculate")));
    QCOMPARE(reportRows(window.reportWidget()), rows);
}

void TestPages::statisticsTwoQuickClicks()
{
    PageFixture fixture;
    fixture.addRecords(4, { "A", "B" });
    fixture.done();
    hxReport window;
    window.show();
    QSignalSpy requests(window.statisticsPage(), &StatisticsPage::sgCount);
    QSignalSpy shown(&window, &hxReport::sgPageShown);
    auto* button = child<QPushButton>(window, "pushButton_Checkdata_Calculate");
    button->click();
    button->click();
    QVERIFY(shown.wait(20000));
    QTest::qWait(100);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(shown.count(), 1);
}

void TestPages::statisticsDateValidation()
{
    PageFixture fixture;
    fixture.done();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_Count", QDateTime(QDate(2020, 5, 3), QTime(0, 0)));
    pick(window, "pushButton_Set2_Count", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    QSignalSpy requests(window.statisticsPage(), &StatisticsPage::sgCount);
    // "全天" is in the combo but is not a shift of the table.
    QString text;
    GuiTest::answerMessageBox(&text);
    child<QPushButton>(window, "pushButton_Checkdata_Calculate")->click();
    QCOMPARE(text,
        QStringLiteral("您选择的日期不合理，请您重新选择一下当前查询的日期，再查询\n"
                       "所选范围：2020-05-03 00:00:00 至 2020-05-01 00:00:00"));
    QCOMPARE(requests.count(), 0);
    // The busy flag was cleared: the next valid click goes through.
    pick(window, "pushButton_Set1_Count", QDateTime(QDate(2020, 4, 30), QTime(0, 0)));
    QSignalSpy shown(&window, &hxReport::sgPageShown);
    child<QPushButton>(window, "pushButton_Checkdata_Calculate")->click();
    QVERIFY(shown.wait(20000));
    QCOMPARE(requests.count(), 1);
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
