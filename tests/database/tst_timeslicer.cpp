#include "detectdatadb.h"
#include "testappdir.h"
#include "timeslicer.h"

#include <QSqlQuery>
#include <QtTest>

namespace {
const QString kCount = QStringLiteral("select count(*) from wftable where time >'%1' and time < '%2'");
const QString kModelCount = kCount + QStringLiteral(" and model='%3'");
const QString kGrouping
    = QStringLiteral("select model,count(model) from (select model from wftable where time >'%1' and time < '%2') GROUP BY model ;");

// The rows of every statement, one text per row, in order.
QStringList rowsOf(DetectDataDB& db, const QStringList& statements)
{
    QStringList rows;
    for (const QString& sql : statements) {
        QSqlQuery query;
        db.execSql(sql, query);
        while (query.next())
            rows << query.value(0).toString() + QLatin1Char('|') + query.value(1).toString();
    }
    return rows;
}

int sumOfCounts(DetectDataDB& db, const QStringList& statements)
{
    int sum = 0;
    for (const QString& row : rowsOf(db, statements))
        sum += row.section(QLatin1Char('|'), 0, 0).toInt();
    return sum;
}
}

class TestTimeSlicer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void slicesAddUpToTheWholeRange_data();
    void slicesAddUpToTheWholeRange();
    void groupingBySlices();
    void otherStatementsStayWhole_data();
    void otherStatementsStayWhole();

private:
    std::unique_ptr<TestAppDir> m_Dir;
    std::unique_ptr<DetectDataDB> m_Db;
};

void TestTimeSlicer::initTestCase()
{
    m_Dir.reset(new TestAppDir);
    StationSimulator& station = m_Dir->station();
    QVERIFY(station.database()->database().transaction());
    // 100 seconds; second 40 holds 30 records, the others 1 to 3.
    for (int second = 0; second < 100; ++second) {
        const QString time = QStringLiteral("2020-05-01 08:%1:%2")
                                 .arg(second / 60, 2, 10, QLatin1Char('0'))
                                 .arg(second % 60, 2, 10, QLatin1Char('0'));
        const int copies = second == 40 ? 30 : 1 + second % 3;
        for (int k = 0; k < copies; ++k) {
            const QString model = k % 4 == 3 ? QStringLiteral("O'Neil") : k % 2 ? QStringLiteral("B") : QStringLiteral("A");
            QVERIFY(station.addDetection(time, model, 0.9, QStringLiteral("1"), 1, 1));
        }
    }
    QVERIFY(station.database()->database().commit());
    m_Dir->closeStation();
    m_Db.reset(new DetectDataDB(m_Dir->detectionDatabase(), QStringLiteral("QSQLITE")));
    QVERIFY(m_Db->openDatabase());
}

void TestTimeSlicer::cleanupTestCase()
{
    m_Db.reset();
    m_Dir.reset();
}

void TestTimeSlicer::slicesAddUpToTheWholeRange_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("rowsPerSlice");
    // Counts that read the rows, as the one-model count does.
    const QString all = kCount.arg(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"))
        + QStringLiteral(" and model<>'x'");
    // Bounds that fall on stored times: rows at either bound stay out.
    const QString tight = kCount.arg(QStringLiteral("2020-05-01 08:00:05"), QStringLiteral("2020-05-01 08:00:41"))
        + QStringLiteral(" and model<>'x'");
    const QString model = kModelCount.arg(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"),
                                          QStringLiteral("O''Neil"));
    const QString empty = kCount.arg(QStringLiteral("2020-05-03 00:00:00"), QStringLiteral("2020-05-02 00:00:00"))
        + QStringLiteral(" and model<>'x'");
    for (int rows : { 1, 2, 7, 29, 30, 31, 1000 }) {
        QTest::addRow("all, %d per slice", rows) << all << rows;
        QTest::addRow("tight bounds, %d per slice", rows) << tight << rows;
        QTest::addRow("quoted model, %d per slice", rows) << model << rows;
        QTest::addRow("start after end, %d per slice", rows) << empty << rows;
    }
}

void TestTimeSlicer::slicesAddUpToTheWholeRange()
{
    QFETCH(QString, sql);
    QFETCH(int, rowsPerSlice);
    const QStringList slices = TimeSlicer(m_Db.get(), rowsPerSlice).split(sql);
    QVERIFY(!slices.isEmpty());
    QCOMPARE(sumOfCounts(*m_Db, slices), sumOfCounts(*m_Db, { sql }));
    // Each slice holds about rowsPerSlice rows, more only where times are equal.
    if (rowsPerSlice < 30 && sql.contains(QLatin1String("2020-05-01 00:00:00'")) && !sql.contains(QLatin1String("model='")))
        QVERIFY(slices.size() > 1);
}

void TestTimeSlicer::groupingBySlices()
{
    const QString grouping = kGrouping.arg(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"));
    QMap<QString, int> whole;
    for (const QString& row : rowsOf(*m_Db, { grouping }))
        whole[row.section(QLatin1Char('|'), 0, 0)] += row.section(QLatin1Char('|'), 1).toInt();
    const QStringList slices = TimeSlicer(m_Db.get(), 5).split(grouping);
    QVERIFY(slices.size() > 10);
    QMap<QString, int> sliced;
    for (const QString& row : rowsOf(*m_Db, slices))
        sliced[row.section(QLatin1Char('|'), 0, 0)] += row.section(QLatin1Char('|'), 1).toInt();
    QCOMPARE(sliced, whole);
    QCOMPARE(whole.keys(), QStringList({ "A", "B", "O'Neil" }));
}

void TestTimeSlicer::otherStatementsStayWhole_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("exact time") << "select count(*) from wftable where time ='2020-05-01 08:00:01'";
    QTest::newRow("no range") << "select count(*) from wftable";
    QTest::newRow("bare count of a range") << kCount.arg("2020-05-01 00:00:00", "2020-05-02 00:00:00");
    QTest::newRow("unknown table") << kCount.arg("2020-05-01 00:00:00", "2020-05-02 00:00:00").replace("wftable", "nosuchtable");
}

void TestTimeSlicer::otherStatementsStayWhole()
{
    QFETCH(QString, sql);
    QCOMPARE(TimeSlicer(m_Db.get(), 3).split(sql), QStringList { sql });
}

QTEST_GUILESS_MAIN(TestTimeSlicer)
#include "tst_timeslicer.moc"
