#include "detectdatadb.h"
#include "rangequery.h"
#include "testappdir.h"
#include "timeslicer.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {
// What a statement's rows add up to: a count's total, a grouping's count per
// model, or how often each row occurs.
enum class Tally
{
    Count,
    Grouping,
    Rows,
};

void tally(const QSqlQuery& row, Tally kind, QMap<QString, int>* sums)
{
    if (kind == Tally::Count) {
        (*sums)[QString()] += row.value(0).toInt();
    } else if (kind == Tally::Grouping) {
        (*sums)[row.value(0).toString()] += row.value(1).toInt();
    } else {
        QStringList fields;
        for (int i = 0; i < row.record().count(); ++i)
            fields << row.value(i).toString();
        ++(*sums)[fields.join(QLatin1Char('|'))];
    }
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
    void statementsOfTheRangeAddUp_data();
    void statementsOfTheRangeAddUp();
    void bareCountStaysWhole();

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
            const QString model = k % 4 == 3 ? QStringLiteral("O'Neil")
                : k % 2                      ? QStringLiteral("B")
                                             : QStringLiteral("A");
            QVERIFY(station.addDetection(time, model, 0.9, QStringLiteral("1"), 1, 1));
        }
    }
    // Log records of two classes, one per second.
    for (int second = 0; second < 100; ++second) {
        const QString time = QStringLiteral("2020-05-01 08:%1:%2")
                                 .arg(second / 60, 2, 10, QLatin1Char('0'))
                                 .arg(second % 60, 2, 10, QLatin1Char('0'));
        QVERIFY(station.addLog(time, QStringLiteral("log %1").arg(second), second % 3 ? 1 : 4));
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
    QTest::addColumn<RangeQuery>("range");
    QTest::addColumn<int>("rowsPerSlice");
    const QString t1 = QStringLiteral("2020-05-01 00:00:00");
    const QString t2 = QStringLiteral("2020-05-02 00:00:00");
    const RangeQuery all = RangeQuery::allModels(t1, t2);
    // Bounds that fall on stored times: rows at either bound stay out.
    const RangeQuery tight
        = RangeQuery::allModels(QStringLiteral("2020-05-01 08:00:05"), QStringLiteral("2020-05-01 08:00:41"));
    const RangeQuery model = RangeQuery::production(t1, t2, QStringLiteral("O'Neil"));
    const RangeQuery empty = RangeQuery::allModels(QStringLiteral("2020-05-03 00:00:00"), t2);
    for (int rows : { 1, 2, 7, 29, 30, 31, 1000 }) {
        QTest::addRow("all, %d per slice", rows) << all << rows;
        QTest::addRow("tight bounds, %d per slice", rows) << tight << rows;
        QTest::addRow("quoted model, %d per slice", rows) << model << rows;
        QTest::addRow("start after end, %d per slice", rows) << empty << rows;
    }
}

void TestTimeSlicer::slicesAddUpToTheWholeRange()
{
    QFETCH(RangeQuery, range);
    QFETCH(int, rowsPerSlice);
    const QVector<RangeQuery> slices = TimeSlicer(m_Db.get(), rowsPerSlice).split(range);
    QVERIFY(!slices.isEmpty());
    const auto count = [this](const RangeQuery& part) {
        QSqlQuery query;
        return m_Db->runDetached(part.countStatement(), query) && query.next() ? query.value(0).toInt() : -1;
    };
    int sum = 0;
    for (const RangeQuery& slice : slices)
        sum += count(slice);
    QCOMPARE(sum, count(range));
    // Each slice holds about rowsPerSlice rows, more only where times are equal.
    if (rowsPerSlice < 30 && range.lower() == QLatin1String("2020-05-01 00:00:00") && range.isAllModels())
        QVERIFY(slices.size() > 1);
}

void TestTimeSlicer::groupingBySlices()
{
    const RangeQuery range
        = RangeQuery::allModels(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"));
    const auto grouped = [this](const QVector<RangeQuery>& parts) {
        QMap<QString, int> counts;
        for (const RangeQuery& part : parts) {
            QSqlQuery query;
            m_Db->runDetached(part.groupingStatement(), query);
            while (query.next())
                counts[query.value(0).toString()] += query.value(1).toInt();
        }
        return counts;
    };
    const QMap<QString, int> whole = grouped({ range });
    const QVector<RangeQuery> slices = TimeSlicer(m_Db.get(), 5).split(range);
    QVERIFY(slices.size() > 10);
    QCOMPARE(grouped(slices), whole);
    QCOMPARE(whole.keys(), QStringList({ "A", "B", "O'Neil" }));
}

void TestTimeSlicer::statementsOfTheRangeAddUp_data()
{
    // A range and which of its statements to run.
    QTest::addColumn<RangeQuery>("range");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rowsPerSlice");
    const QString t1 = QStringLiteral("2020-05-01 00:00:00");
    const QString t2 = QStringLiteral("2020-05-02 00:00:00");
    const int count = static_cast<int>(Tally::Count);
    const int grouping = static_cast<int>(Tally::Grouping);
    const int rows = static_cast<int>(Tally::Rows);
    const RangeQuery production = RangeQuery::production(t1, t2, QStringLiteral("O'Neil"));
    const RangeQuery all = RangeQuery::allModels(t1, t2);
    const RangeQuery log = RangeQuery::log(t1, t2, LogClass::Alarm);
    const RangeQuery state = RangeQuery::log(t1, t2, LogClass::State);
    for (int perSlice : { 1, 3, 1000 }) {
        for (const auto& named : { std::make_pair("one model", production), std::make_pair("all models", all),
                 std::make_pair("log", log), std::make_pair("state log", state) }) {
            QTest::addRow("%s, count, %d per slice", named.first, perSlice)
                << named.second << count << perSlice;
            QTest::addRow("%s, grouping, %d per slice", named.first, perSlice)
                << named.second << grouping << perSlice;
            QTest::addRow("%s, rows, %d per slice", named.first, perSlice)
                << named.second << rows << perSlice;
        }
    }
}

void TestTimeSlicer::statementsOfTheRangeAddUp()
{
    QFETCH(RangeQuery, range);
    QFETCH(int, kind);
    QFETCH(int, rowsPerSlice);
    const Tally tallyKind = static_cast<Tally>(kind);
    const TimeSlicer slicer(m_Db.get(), rowsPerSlice);
    QVector<BoundStatement> whole;
    QVector<BoundStatement> slices;
    const auto statementOf = [tallyKind](const RangeQuery& query) {
        return tallyKind == Tally::Count   ? query.countStatement()
            : tallyKind == Tally::Grouping ? query.groupingStatement()
                                           : query.pageStatement(1000000, 0);
    };
    whole << statementOf(range);
    for (const RangeQuery& part : slicer.split(range))
        slices << statementOf(part);
    const auto sums = [this, tallyKind](const QVector<BoundStatement>& statements) {
        QMap<QString, int> result;
        for (const BoundStatement& statement : statements) {
            QSqlQuery query;
            if (!m_Db->runDetached(statement, query))
                return QMap<QString, int> { { QStringLiteral("failed: ") + statement.text, 1 } };
            while (query.next())
                tally(query, tallyKind, &result);
        }
        return result;
    };
    const QMap<QString, int> expected = sums(whole);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(sums(slices), expected);
    // Small slices really split the range.
    if (rowsPerSlice < 30)
        QVERIFY(slices.size() > 1);
}

// The time index alone counts a range of every model quickly for any length:
// its count is not worth slicing, a count that reads rows is.
void TestTimeSlicer::bareCountStaysWhole()
{
    const QString t1 = QStringLiteral("2020-05-01 00:00:00");
    const QString t2 = QStringLiteral("2020-05-02 00:00:00");
    const TimeSlicer slicer(m_Db.get(), 3);
    QCOMPARE(slicer.countStatements(RangeQuery::allModels(t1, t2)).size(), 1);
    QVERIFY(slicer.countStatements(RangeQuery::production(t1, t2, QStringLiteral("A"))).size() > 1);
    QVERIFY(slicer.countStatements(RangeQuery::log(t1, t2, LogClass::Alarm)).size() > 1);
}

QTEST_GUILESS_MAIN(TestTimeSlicer)
#include "tst_timeslicer.moc"
