#include "checkthread.h"
#include "countdata.h"
#include "pagetables.h"
#include "qreportwidget.h"
#include "rangequery.h"
#include "stationfixture.h"

#include <QAbstractItemModelTester>
#include <QSqlError>
#include <QStandardItemModel>
#include <QtTest>

// The tables the production, log and statistics pages show, filled from a
// station file the way the pages fill them, without the window.
class TestPageModels : public QObject
{
    Q_OBJECT
private slots:
    void pages_data();
    void pages();
    void statistics_data();
    void statistics();
};

namespace {
const QString kLower = QStringLiteral("2020-05-01 00:00:00");
const QString kUpper = QStringLiteral("2020-05-02 00:00:00");
const QString kOutside = QStringLiteral("2020-05-03 08:00:00");

QString timeOf(int i)
{
    return QDateTime(QDate(2020, 5, 1), QTime(8, 0))
        .addSecs(i)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// A page's rows as the page's own thread hands them over.
QSqlQuery pageRows(DetectDataDB* db, const RangeQuery& page)
{
    CheckThread thread;
    thread.setQuery(db, QString());
    thread.setRange(page);
    QSqlQuery rows;
    QObject::connect(
        &thread, &CheckThread::resultReady, &thread, [&rows](const QSqlQuery& sql) { rows = sql; },
        Qt::DirectConnection);
    thread.start();
    thread.wait();
    return rows;
}

QStringList headers(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int c = 0; c < model.columnCount(); ++c)
        texts << model.headerData(c, Qt::Horizontal).toString();
    return texts;
}
}

void TestPageModels::pages_data()
{
    QTest::addColumn<bool>("log");
    QTest::addColumn<int>("written"); // in the range; one more record lies outside it
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("rows"); // of a page of 10

    QTest::newRow("production, first page") << false << 25 << 0 << 10;
    QTest::newRow("production, short last page") << false << 25 << 20 << 5;
    QTest::newRow("production, after the last page") << false << 25 << 30 << 0;
    QTest::newRow("production, nothing in the range") << false << 0 << 0 << 0;
    QTest::newRow("log, first page") << true << 25 << 0 << 10;
    QTest::newRow("log, short last page") << true << 25 << 20 << 5;
    QTest::newRow("log, after the last page") << true << 25 << 30 << 0;
}

void TestPageModels::pages()
{
    QFETCH(bool, log);
    QFETCH(int, written);
    QFETCH(int, offset);
    QFETCH(int, rows);
    StationFixture fixture;
    const QByteArray pic = StationFixture::picture(QSize(8, 8));
    for (int i = 0; i < written; ++i) {
        // Every other record has a picture; the models alternate.
        QVERIFY(fixture.addRecord(timeOf(i), i % 2 ? QStringLiteral("B2") : QStringLiteral("A1"),
            0.5 + i / 100.0, i % 2 ? QByteArray() : pic, 1.5, 480 + i, 20));
    }
    QVERIFY(fixture.addRecord(kOutside, QStringLiteral("A1")));
    // Alarms to show, among usage records at the same times.
    fixture.addLogs(written, StationSchema::toInt(LogClass::Alarm), QStringLiteral("alarm"));
    fixture.addLogs(written, StationSchema::toInt(LogClass::Usage), QStringLiteral("usage"));
    const RangeQuery range
        = log ? RangeQuery::log(kLower, kUpper, LogClass::Alarm) : RangeQuery::allModels(kLower, kUpper);

    QStandardItemModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    // The page refills one model: the first page, then the page asked for.
    for (const int pageOffset : { 0, offset }) {
        QSqlQuery sql = pageRows(fixture.db(), range.page(10, pageOffset));
        QVERIFY2(!sql.lastError().isValid(), qPrintable(sql.lastError().text()));
        QByteArray lastPicture;
        const int filled = log ? PageTables::fillLog(&model, sql)
                               : PageTables::fillProduction(&model, sql, false, &lastPicture);
        QCOMPARE(filled, model.rowCount());
        if (!log && filled > 0)
            QCOMPARE(lastPicture.isEmpty(), (pageOffset + filled - 1) % 2 == 1);
    }

    QCOMPARE(model.rowCount(), rows);
    if (log) {
        QCOMPARE(headers(model), (QStringList { QStringLiteral("时间"), QStringLiteral("信息") }));
        for (int r = 0; r < rows; ++r) {
            const int i = written - 1 - offset - r; // newest first
            QCOMPARE(model.index(r, 0).data().toString(), timeOf(i));
            QCOMPARE(model.index(r, 1).data().toString(), QStringLiteral("alarm %1").arg(i + 1));
        }
        return;
    }
    QCOMPARE(headers(model),
        (QStringList { QStringLiteral("日期时间"), QStringLiteral("匹配型号"), QStringLiteral("相似度"),
            QStringLiteral("消耗时间s"), QStringLiteral("直径mm"), QStringLiteral("厚度mm"),
            QStringLiteral("缩略图"), QStringLiteral("uid") }));
    for (int r = 0; r < rows; ++r) {
        const int i = offset + r; // oldest first
        QCOMPARE(model.index(r, 0).data().toString(), timeOf(i));
        QCOMPARE(model.index(r, 1).data().toString(), i % 2 ? QStringLiteral("B2") : QStringLiteral("A1"));
        QCOMPARE(model.index(r, 2).data().toString(), QStringLiteral("%1.000%").arg(50 + i));
        QCOMPARE(model.index(r, 3).data().toString(), QStringLiteral("1.500"));
        QCOMPARE(model.index(r, 4).data().toString(), QStringLiteral("%1.000").arg(480 + i));
        QCOMPARE(model.index(r, 5).data().toString(), QStringLiteral("20.000"));
        QCOMPARE(model.index(r, 6).data(Qt::DecorationRole).isNull(), i % 2 == 1);
        QCOMPARE(model.index(r, PageTables::UidColumn).data().toString(), QString::number(i + 1));
    }
}

void TestPageModels::statistics_data()
{
    QTest::addColumn<QStringList>("models"); // one record each, in the range
    QTest::addColumn<QStringList>("expected"); // "model=count" rows

    QTest::newRow("no NG record") << QStringList { "B2", "A1", "B2" }
                                  << QStringList { "A1=1", "B2=2", "NG=0", "总数=3" };
    QTest::newRow("NG records") << QStringList { "NG", "A1", "NG" }
                                << QStringList { "A1=1", "NG=2", "总数=3" };
    QTest::newRow("nothing in the range") << QStringList() << QStringList { "NG=0", "总数=0" };
}

void TestPageModels::statistics()
{
    QFETCH(QStringList, models);
    QFETCH(QStringList, expected);
    StationFixture fixture;
    for (int i = 0; i < models.size(); ++i)
        QVERIFY(fixture.addRecord(timeOf(i), models.at(i)));
    QVERIFY(fixture.addRecord(kOutside, QStringLiteral("A1")));

    CountData counter;
    counter.setDataBase(fixture.db());
    QString total;
    QMap<QString, int> counts;
    connect(&counter, &CountData::resultReady, this, [&](const QString& result, const QMap<QString, int>* p) {
        total = result;
        counts = *p;
        delete p;
    });
    counter.countRange(RangeQuery::allModels(kLower, kUpper));

    QReportWidget report { QString() };
    QAbstractItemModelTester tester(report.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    PageTables::showCounts(&report, counts, total.toInt());
    const QAbstractItemModel& model = *report.model();
    QCOMPARE(headers(model), (QStringList { QStringLiteral("型号"), QStringLiteral("数量") }));
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << model.index(r, 0).data().toString() + QLatin1Char('=') + model.index(r, 1).data().toString();
    QCOMPARE(rows, expected);
}

QTEST_MAIN(TestPageModels)
#include "tst_pagemodels.moc"
