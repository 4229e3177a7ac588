// The statistics chart and the quality page driven through their widgets in
// the real window: the numbers shown against direct SQL, and the exports
// read back to what the views show.

#include "countchart.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "qualitypage.h"
#include "testappdir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtTest>

namespace {
const char* const OddValues
    = "insert into wftable(time, model, correlate, detecttime, diameter, hight) values"
      "('2024-06-28 10:15:00', 'A1', NULL, 'abc', 'n/a', NULL),"
      "('2024-06-28 10:16:00', 'A1', 0.7, '', '', 200)";

QVariant scalar(const QString& file, const QString& sql)
{
    return TestAppDir::firstColumn(file, sql).value(0);
}

QStringList cells(const QAbstractItemModel* model, int row)
{
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->index(row, c).data().toString();
    return out;
}

QStringList header(const QAbstractItemModel* model)
{
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}

// The lines of a written table after its title, split into fields (the
// tables' fields hold no comma or quote).
QVector<QStringList> readCsv(const QString& path)
{
    QFile file(path);
    QVector<QStringList> out;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    QTextStream in(&file);
    in.readLine();
    while (!in.atEnd())
        out << in.readLine().split(QLatin1Char(','));
    return out;
}

// Exports through a page button and the save dialog; true when the page
// reported a complete file.
bool exportWith(hxReport& window, QualityPage* page, const char* button, const QString& path)
{
    QSignalSpy done(page, &QualityPage::sgExportDone);
    GuiTest::answerFileDialog(path);
    GuiTest::answerMessageBox(nullptr);
    GuiTest::child<QPushButton>(window, button)->click();
    return (done.count() > 0 || done.wait(20000)) && done.last().at(0).toBool();
}
}

class TestQualityPage : public QObject
{
    Q_OBJECT
private slots:
    void statisticsChart();
    void qualityViews_data();
    void qualityViews();
};

// The chart follows each statistics result and is empty before the first.
void TestQualityPage::statisticsChart()
{
    TestAppDir app;
    QVERIFY(app.generate(600));
    app.closeStation();
    hxReport window;
    auto* chart = GuiTest::child<CountChart>(window, "chartView_Count");
    QVERIFY(chart->categories().isEmpty());
    GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(1);
    for (const QString& day : { QStringLiteral("2024-06-29"), QStringLiteral("2024-06-30") }) {
        const QDate date = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
        GuiTest::pick(window, "pushButton_Set1_Count", QDateTime(date, QTime(0, 0)));
        GuiTest::pick(window, "pushButton_Set2_Count", QDateTime(date, QTime(23, 59)));
        QVERIFY(GuiTest::clickAndWait(window, "pushButton_Checkdata_Calculate", &hxReport::sgPageShown));
        QMap<QString, int> counts = window.countMap();
        QVERIFY(!counts.isEmpty());
        const int ng = counts.take(QStringLiteral("NG"));
        QCOMPARE(chart->categories(), QStringList(counts.keys()) << QStringLiteral("NG"));
        QCOMPARE(chart->values(), QVector<int>::fromList(counts.values()) << ng);
    }
}

void TestQualityPage::qualityViews_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("all models") << QString();
    QTest::newRow("one model with text values") << QStringLiteral("A1");
}

void TestQualityPage::qualityViews()
{
    QFETCH(QString, model);
    TestAppDir app;
    StationSimulator::Options options = app.options(1500);
    options.days = 5;
    QVERIFY(app.generate(options));
    app.closeStation();
    const QString station = app.detectionDatabase();
    QVERIFY(TestAppDir::exec(station, QLatin1String(OddValues)));
    // The limits are kept in the settings file of the working directory.
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(app.path());
    const auto restoreCwd = qScopeGuard([&oldCwd] { QDir::setCurrent(oldCwd); });

    hxReport window;
    auto* page = GuiTest::child<QualityPage>(window, "page_Quality");
    auto* list = GuiTest::child<QListWidget>(window, "check_listWidget");
    QCOMPARE(list->count(), 4);
    list->setCurrentRow(3);
    QCOMPARE(GuiTest::child<QStackedWidget>(window, "stackedWidget")->currentWidget(), page);
    QCOMPARE(GuiTest::child<QLabel>(window, "label_Title")->text(), list->item(3)->text());
    GuiTest::pick(window, "pushButton_Set1_Quality", QDateTime(QDate(2024, 6, 26), QTime(0, 0)));
    GuiTest::pick(window, "pushButton_Set2_Quality", QDateTime(QDate(2024, 6, 30), QTime(23, 59)));
    if (!model.isEmpty())
        GuiTest::child<QComboBox>(window, "comboBox_Model_Quality")->setCurrentText(model);
    QSignalSpy shown(page, &QualityPage::sgShown);
    GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
    QVERIFY(shown.count() > 0 || shown.wait(20000));

    const QString where
        = QStringLiteral("time > '%1' and time < '%2'%3")
              .arg(GuiTest::child<QLabel>(window, "label_Time1_Quality")->text(),
                  GuiTest::child<QLabel>(window, "label_Time2_Quality")->text(),
                  model.isEmpty() ? QString() : QStringLiteral(" and model = '%1'").arg(model));
    // Trend: five days, each row as SQL counts it.
    const QAbstractItemModel* trend = GuiTest::child<QTableView>(window, "tableView_Trend")->model();
    QCOMPARE(trend->rowCount(), 5);
    for (int r = 0; r < trend->rowCount(); ++r) {
        const QStringList row = cells(trend, r);
        const QString day = QStringLiteral("%1 and substr(time, 1, 10) = '%2'").arg(where, row[0]);
        const qint64 hubs
            = scalar(station, QStringLiteral("select count(*) from wftable where ") + day).toLongLong();
        const qint64 ng
            = scalar(station, QStringLiteral("select count(*) from wftable where model = 'NG' and ") + day)
                  .toLongLong();
        QCOMPARE(row[1], QString::number(hubs));
        // NG records carry the model "NG": one model has no NG figures.
        if (!model.isEmpty()) {
            QCOMPARE(row.mid(2), QStringList({ QStringLiteral("—"), QStringLiteral("—") }));
            continue;
        }
        QCOMPARE(row[2], QString::number(ng));
        QCOMPARE(row[3], hubs ? QString::number(100.0 * ng / hubs, 'f', 2) : QStringLiteral("-"));
    }

    QTemporaryDir dir;
    const QString trendCsv = dir.filePath(QStringLiteral("trend.csv"));
    QVERIFY(exportWith(window, page, "pushButton_SaveTrendCsv", trendCsv));
    QVector<QPair<QString, const QAbstractItemModel*>> files { { trendCsv, trend } };

    // Measurements, of one model only: limits typed for the diameter give the
    // out-of-limit count.
    GuiTest::child<QTabWidget>(window, "tabWidget_Quality")->setCurrentIndex(1);
    const QAbstractItemModel* measures = GuiTest::child<QTableView>(window, "tableView_Measure")->model();
    if (model.isEmpty()) {
        // The reason where the numbers would be.
        QCOMPARE(measures->rowCount(), 1);
        QCOMPARE(measures->index(0, 0).data().toString(), QualityTables::measuredNote());
    }
    if (!model.isEmpty()) {
        GuiTest::child<QLineEdit>(window, "lineEdit_Lower_Quality")->setText(QStringLiteral("380"));
        auto* upper = GuiTest::child<QLineEdit>(window, "lineEdit_Upper_Quality");
        upper->setText(QStringLiteral("500"));
        emit upper->editingFinished();
        // Remembered for the model: its next result shows them again.
        GuiTest::child<QLineEdit>(window, "lineEdit_Lower_Quality")->clear();
        upper->clear();
        GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
        QVERIFY(shown.count() > 1 || shown.wait(20000));
        QCOMPARE(GuiTest::child<QLineEdit>(window, "lineEdit_Lower_Quality")->text(), QStringLiteral("380"));
        QCOMPARE(upper->text(), QStringLiteral("500"));
        const QString numbers = QStringLiteral(" and typeof(diameter) in ('integer', 'real')");
        QCOMPARE(cells(measures, 0)[1],
            scalar(station, QStringLiteral("select count(*) from wftable where ") + where + numbers)
                .toString());
        QCOMPARE(cells(measures, 1)[1],
            scalar(station,
                QStringLiteral(
                    "select count(*) from wftable where typeof(diameter) not in ('integer', 'real') and ")
                    + where)
                .toString());
        QCOMPARE(cells(measures, 2)[1],
            QString::number(
                scalar(station, QStringLiteral("select avg(diameter) from wftable where ") + where + numbers)
                    .toDouble(),
                'f', 3));
        // The similarity in percent, as the production page shows it.
        QCOMPARE(cells(measures, 2)[3],
            QString::number(100
                    * scalar(station,
                        QStringLiteral("select avg(correlate) from wftable where typeof(correlate) in "
                                       "('integer', 'real') and ")
                            + where)
                          .toDouble(),
                'f', 3));
        QCOMPARE(cells(measures, 10)[1],
            scalar(station,
                QStringLiteral("select count(*) from wftable where (diameter < 380 or diameter > 500) and ")
                    + where + numbers)
                .toString());
        QCOMPARE(cells(measures, 1)[1], QStringLiteral("2"));
        const QString measureCsv = dir.filePath(QStringLiteral("measure.csv"));
        const QString measurePng = dir.filePath(QStringLiteral("measure.png"));
        QVERIFY(exportWith(window, page, "pushButton_SaveMeasureCsv", measureCsv));
        QVERIFY(exportWith(window, page, "pushButton_SaveMeasurePng", measurePng));
        files.append({ measureCsv, measures });
        const QImage picture(measurePng);
        QCOMPARE(picture.size(), GuiTest::child<QtCharts::QChartView>(window, "chartView_Measure")->size());
    }

    // Exports read back to the views' cells.
    for (const auto& file : qAsConst(files)) {
        const QVector<QStringList> lines = readCsv(file.first);
        QCOMPARE(lines.size(), file.second->rowCount() + 1);
        QCOMPARE(lines[0], header(file.second));
        for (int r = 0; r < file.second->rowCount(); ++r)
            QCOMPARE(lines[r + 1], cells(file.second, r));
    }
}

QTEST_MAIN(TestQualityPage)
#include "tst_qualitypage.moc"
