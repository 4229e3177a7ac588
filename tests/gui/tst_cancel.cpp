#include "apppaths.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"
#include "qreportwidget.h"
#include "qualitypage.h"
#include "waitingdialog.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

namespace {
using GuiTest::child;
using GuiTest::pick;

// What a page shows, to compare before a request and after its cancel.
QStringList pageState(hxReport& window, int page)
{
    QStringList state;
    if (page == 3) {
        state << child<QLabel>(window, "label_Trend_Quality")->text();
        const QAbstractItemModel* trend = child<QTableView>(window, "tableView_Trend")->model();
        for (int row = 0; trend && row < trend->rowCount(); ++row) {
            for (int column = 0; column < trend->columnCount(); ++column)
                state << trend->index(row, column).data().toString();
        }
        return state;
    }
    const char* const titles[] = { "label_Tab2_Title", "label_Tab2_Title", "label_Tab3_Title" };
    state << child<QLabel>(window, titles[page])->text();
    if (page == 1) {
        for (auto it = window.countMap().cbegin(); it != window.countMap().cend(); ++it)
            state << it.key() + QLatin1Char('=') + QString::number(it.value());
        return state;
    }
    const QStandardItemModel* model = page == 0 ? window.productionModel() : window.logModel();
    const hxReport::Paging& paging = page == 0 ? window.productionPaging() : window.logPaging();
    state << QString::number(model ? model->rowCount() : -1) << QString::number(paging.total)
          << QString::number(paging.offset);
    return state;
}
}

class TestCancel : public QObject
{
    Q_OBJECT
private slots:
    void cancelLeavesThePage_data();
    void cancelLeavesThePage();
};

void TestCancel::cancelLeavesThePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("production count and page") << 0 << QByteArray("pushButton_Checkdata");
    QTest::newRow("statistics count") << 1 << QByteArray("pushButton_Checkdata_Calculate");
    QTest::newRow("log count") << 2 << QByteArray("pushButton_Wandring");
    QTest::newRow("production export") << 0 << QByteArray("pushButton_SaveHistory");
    QTest::newRow("log export") << 2 << QByteArray("pushButton_SaveWaring");
    QTest::newRow("quality trend") << 3 << QByteArray("pushButton_Check_Quality");
}

// While the station holds its lock, the request waits; the dialog's Cancel
// stops it at once, the page stays as the last result left it, the status bar
// says so, and an export leaves no file.
void TestCancel::cancelLeavesThePage()
{
    QFETCH(int, page);
    QFETCH(QByteArray, button);
    PageFixture fixture;
    fixture.addRecords(60, { QStringLiteral("A1"), QStringLiteral("B2") });
    fixture.addLogs(70, 1, QStringLiteral("alarm"));
    fixture.done();
    // The record index would answer the quality page without waiting for the
    // station; an index folder that cannot be made sends it to the station.
    if (page == 3)
        AppPaths::setIndexFolder(QStringLiteral("/dev/null/no-index"));
    hxReport window;
    window.show();
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(page);
    const char* const ranges[4][3] = {
        { "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata" },
        { "pushButton_Set1_Count", "pushButton_Set2_Count", "pushButton_Checkdata_Calculate" },
        { "pushButton_Set1_Warning", "pushButton_Set2_Warning", "pushButton_Wandring" },
        { "pushButton_Set1_Quality", "pushButton_Set2_Quality", "pushButton_Check_Quality" },
    };
    auto* quality = child<QualityPage>(window, "page_Quality");
    const auto query = [&] {
        return page == 3 ? GuiTest::clickAndWait(*quality, ranges[page][2], &QualityPage::sgShown)
                         : GuiTest::clickAndWait(window, ranges[page][2], &hxReport::sgPageShown);
    };
    pick(window, ranges[page][0], QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, ranges[page][1], QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(query());
    const QStringList before = pageState(window, page);
    QVERIFY(before.size() > 1);

    // A writer in the middle of its transaction: no reader gets in.
    const QString connection = QStringLiteral("station-writer");
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        writer.setDatabaseName(fixture.path() + QStringLiteral("/wheelhubwf.db"));
        QVERIFY(writer.open());
        QVERIFY(QSqlQuery(writer).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    const QString out = fixture.path() + QStringLiteral("/out.csv");
    if (button.startsWith("pushButton_Save"))
        GuiTest::answerFileDialog(out);
    QElapsedTimer latency;
    GuiTest::whenModal<WaitingDialog>(
        [&latency](WaitingDialog* dialog) {
            latency.start();
            dialog->findChild<QPushButton*>(QStringLiteral("pushButton_Cancel"))->click();
        },
        [](WaitingDialog* dialog) {
            const auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("pushButton_Cancel"));
            return cancel && cancel->isVisible() && cancel->isEnabled();
        });
    QSignalSpy exported(&window, &hxReport::sgExportDone);
    child<QPushButton>(window, button.constData())->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.statusBar()->currentMessage(), QStringLiteral("已取消"), 4000);
    qInfo("cancel to page usable again: %lld ms", latency.elapsed());
    QTRY_VERIFY(!window.hasRunningQueries());
    QCOMPARE(pageState(window, page), before);
    QVERIFY(!QFile::exists(out));
    if (button.startsWith("pushButton_Save")) {
        QCOMPARE(exported.count(), 1);
        QCOMPARE(exported.at(0).at(0).toBool(), false);
    }

    QSqlQuery(QSqlDatabase::database(connection)).exec(QStringLiteral("ROLLBACK"));
    QSqlDatabase::database(connection).close();
    QSqlDatabase::removeDatabase(connection);
    // The page works again once the station lets go.
    if (!button.startsWith("pushButton_Save"))
        QVERIFY(query());
}

QTEST_MAIN(TestCancel)
#include "tst_cancel.moc"
