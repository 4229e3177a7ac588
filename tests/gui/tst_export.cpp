#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"

#include <QFile>
#include <QTextCodec>
#include <QtTest>

#include <limits>

namespace {
using GuiTest::child;
using GuiTest::pick;

bool clickAndWaitForPage(hxReport& window, const char* button)
{
    return GuiTest::clickAndWait(window, button, &hxReport::sgPageShown);
}

QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return { QStringLiteral("<cannot open>") };
    QStringList lines = QTextCodec::codecForLocale()->toUnicode(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Clicks an export button, names the file in the save dialog and answers the
// closing message; returns that message.
QString exportTo(hxReport& window, const char* button, const QString& path)
{
    QString message;
    GuiTest::answerFileDialog(path);
    GuiTest::answerMessageBox(&message);
    child<QPushButton>(window, button)->click();
    return message;
}

const QRegularExpression kDateLine(
    QStringLiteral("^(时间:|保存时间:),\\d{4}-\\d{2}-\\d{2},\\d{2}:\\d{2}:\\d{2}$"));
}

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void productionExport();
    void productionExportOverwrites();
    void logExport();
    void statisticsExportReplaces();
    void nothingToExport_data();
    void nothingToExport();
    void cancelledDialogWritesNothing();
    void unwritableFileIsReported();
};

void TestExport::productionExport()
{
    PageFixture fixture;
    QVERIFY(fixture.addRecord("2020-05-01 08:00:01", "A1", 0.5, QByteArray(), 1.23456, 500, 200));
    QVERIFY(fixture.addRecord("2020-05-01 08:00:02", "B,2", std::numeric_limits<double>::infinity(),
        QByteArray(), 0.2, 420.5, 180));
    QVERIFY(fixture.addRecord("2020-05-01 08:00:03", "C\"3", 0.91234, QByteArray(), 2, 350, 150));
    QVERIFY(fixture.addRecord("2020-05-03 08:00:03", "A1", 0.9)); // outside the range
    fixture.done();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    child<QLineEdit>(window, "LineNumber_checkShengchang")->setText(QStringLiteral("2"));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata"));
    const QString path = fixture.path() + QStringLiteral("/out"); // no suffix is added
    QSignalSpy done(&window, &hxReport::sgExportDone);
    QCOMPARE(exportTo(window, "pushButton_SaveHistory", path),
        QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(path));
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toBool(), true);
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], child<QLabel>(window, "label_Tab2_Title")->text());
    QCOMPARE(lines[1], QStringLiteral("序号,时间,匹配型号,相似度,消耗时间,直径,厚度"));
    QCOMPARE(lines[2], QStringLiteral("1,2020-05-01 08:00:01,A1,50.000%,1.235,500.000,200.000"));
    QCOMPARE(lines[3], QStringLiteral("2,2020-05-01 08:00:02,\"B,2\",0.000%,0.200,420.500,180.000"));
    QCOMPARE(lines[4], QStringLiteral("3,2020-05-01 08:00:03,\"C\"\"3\",91.234%,2.000,350.000,150.000"));
    QCOMPARE(lines[5], QStringLiteral("总数,3"));
    QVERIFY(kDateLine.match(lines[6]).hasMatch());
    QVERIFY(lines[6].startsWith(QStringLiteral("时间:")));
    QCOMPARE(lines[7], QStringLiteral("用户:,username,"));
}

void TestExport::productionExportOverwrites()
{
    PageFixture fixture;
    fixture.addRecords(2);
    fixture.done();
    const QString path = fixture.path() + QStringLiteral("/History.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'x'));
    old.close();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata"));
    QCOMPARE(exportTo(window, "pushButton_SaveHistory", path),
        QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(path));
    QCOMPARE(fileLines(path).size(), 7);
}

void TestExport::logExport()
{
    PageFixture fixture;
    fixture.addLogs(3, 1, QStringLiteral("alarm, with comma"));
    fixture.addLogs(2, 5, QStringLiteral("usage"));
    fixture.done();
    hxReport window;
    window.show();
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(2);
    pick(window, "pushButton_Set1_Warning", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_Warning", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Wandring"));
    const QString path = fixture.path() + QStringLiteral("/log.csv");
    QCOMPARE(exportTo(window, "pushButton_SaveWaring", path),
        QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(path));
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], child<QLabel>(window, "label_Tab3_Title")->text());
    QCOMPARE(lines[1], QStringLiteral("序号,时间,信息"));
    QCOMPARE(lines[2], QStringLiteral("1,2020-05-01 08:00:02,\"alarm, with comma 3\","));
    QCOMPARE(lines[4], QStringLiteral("3,2020-05-01 08:00:00,\"alarm, with comma 1\","));
    QCOMPARE(lines[5], QStringLiteral("总数,3"));
    QVERIFY(lines[6].startsWith(QStringLiteral("保存时间:")));
    QVERIFY(kDateLine.match(lines[6]).hasMatch());
    QCOMPARE(lines[7], QStringLiteral("用户:,username,"));
}

// The save dialog confirms replacing an existing file, so after an export the
// file holds only the new block, however often it is exported to.
void TestExport::statisticsExportReplaces()
{
    PageFixture fixture;
    fixture.addRecords(7, { "A", "A", "B", "A", "B", "A", "A" });
    fixture.done();
    const QString path = fixture.path() + QStringLiteral("/Data.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file\n");
    old.close();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_Count", QDateTime(QDate(2020, 5, 1), QTime(7, 30)));
    pick(window, "pushButton_Set2_Count", QDateTime(QDate(2020, 5, 2), QTime(9, 15)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata_Calculate"));
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(exportTo(window, "pushButton_SaveCalculate", path),
            QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(path));
        const QStringList b = fileLines(path);
        QCOMPARE(b.size(), 8);
        QCOMPARE(b[0], QStringLiteral("从2020-05-01 07:30:00到2020-05-02 09:15:00统计的数据如下"));
        QCOMPARE(b[1], QStringLiteral("序号,型号,数量"));
        QCOMPARE(b[2], QStringLiteral("1,A,5,"));
        QCOMPARE(b[3], QStringLiteral("2,B,2,"));
        QCOMPARE(b[4], QStringLiteral("3,NG,0"));
        QCOMPARE(b[5], QStringLiteral("4,总数,7"));
        QVERIFY(kDateLine.match(b[6]).hasMatch());
        QCOMPARE(b[7], QStringLiteral("用户:,username,"));
    }
}

void TestExport::nothingToExport_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("production") << QByteArray("pushButton_SaveHistory");
    QTest::newRow("log") << QByteArray("pushButton_SaveWaring");
    QTest::newRow("statistics") << QByteArray("pushButton_SaveCalculate");
}

void TestExport::nothingToExport()
{
    QFETCH(QByteArray, button);
    PageFixture fixture;
    fixture.done();
    hxReport window;
    window.show();
    QString message;
    GuiTest::answerMessageBox(&message);
    child<QPushButton>(window, button.constData())->click();
    QCOMPARE(message, QStringLiteral("没有数据，请重新查询"));
    QCOMPARE(QDir(fixture.path()).entryList({ QStringLiteral("*.csv") }, QDir::Files), QStringList());
}

void TestExport::cancelledDialogWritesNothing()
{
    PageFixture fixture;
    fixture.addRecords(2);
    fixture.done();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata"));
    QSignalSpy done(&window, &hxReport::sgExportDone);
    GuiTest::cancelFileDialog();
    child<QPushButton>(window, "pushButton_SaveHistory")->click();
    QCOMPARE(done.count(), 0);
    QCOMPARE(QDir(fixture.path()).entryList({ QStringLiteral("*.csv") }, QDir::Files), QStringList());
}

void TestExport::unwritableFileIsReported()
{
    PageFixture fixture;
    fixture.addRecords(2);
    fixture.done();
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata"));
    pick(window, "pushButton_Set1_Count", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_Count", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(clickAndWaitForPage(window, "pushButton_Checkdata_Calculate"));
    // A folder that does not exist cannot hold the file.
    const QString path = fixture.path() + QStringLiteral("/missing/folder/out.csv");
    QSignalSpy done(&window, &hxReport::sgExportDone);
    QVERIFY(exportTo(window, "pushButton_SaveHistory", path).startsWith(QStringLiteral("数据导出失败")));
    QCOMPARE(done.at(0).at(0).toBool(), false);
    QVERIFY(exportTo(window, "pushButton_SaveCalculate", path).startsWith(QStringLiteral("数据导出失败")));
    QCOMPARE(done.at(1).at(0).toBool(), false);
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
