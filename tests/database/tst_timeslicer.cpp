#include "detectdatadb.h"
#include "rangequery.h"
#include "testappdir.h"
#include "timeslicer.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {
const QString kCount = QStringLiteral("select count(*) from wftable where time >'%1' and time < '%2'");
const QString kModelCount = kCount + QStringLiteral(" and model='%3'");
const QString kGrouping = QStringLiteral("select model,count(model) from (select model from wftable where "
                                         "time >'%1' and time < '%2') GROUP BY model ;");

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
    void statementsOfTheRangeAddUp_data();
    void statementsOfTheRangeAddUp();
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
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("rowsPerSlice");
    // Counts that read the rows, as the one-model count does.
    const QString all
        = kCount.arg(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"))
        + QStringLiteral(" and model<>'x'");
    // Bounds that fall on stored times: rows at either bound stay out.
    const QString tight
        = kCount.arg(QStringLiteral("2020-05-01 08:00:05"), QStringLiteral("2020-05-01 08:00:41"))
        + QStringLiteral(" and model<>'x'");
    const QString model = kModelCount.arg(QStringLiteral("2020-05-01 00:00:00"),
        QStringLiteral("2020-05-02 00:00:00"), QStringLiteral("O''Neil"));
    const QString empty
        = kCount.arg(QStringLiteral("2020-05-03 00:00:00"), QStringLiteral("2020-05-02 00:00:00"))
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
    if (rowsPerSlice < 30 && sql.contains(QLatin1String("2020-05-01 00:00:00'"))
        && !sql.contains(QLatin1String("model='")))
        QVERIFY(slices.size() > 1);
}

void TestTimeSlicer::groupingBySlices()
{
    const QString grouping
        = kGrouping.arg(QStringLiteral("2020-05-01 00:00:00"), QStringLiteral("2020-05-02 00:00:00"));
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

void TestTimeSlicer::statementsOfTheRangeAddUp_data()
{
    // Either a statement text as the window builds it, or a range and which of
    // its statements to run.
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<RangeQuery>("range");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rowsPerSlice");
    const QString t1 = QStringLiteral("2020-05-01 00:00:00");
    const QString t2 = QStringLiteral("2020-05-02 00:00:00");
    const QVariantMap range { { QStringLiteral("time1"), t1 }, { QStringLiteral("time2"), t2 } };
    const auto with
        = [&range](QueryKind type, std::initializer_list<std::pair<const QString, QVariant>> more) {
              QVariantMap request(range);
              request.insert(QStringLiteral("Type"), StationSchema::toInt(type));
              for (const auto& entry : more)
                  request.insert(entry.first, entry.second);
              return request;
          };
    const int count = static_cast<int>(Tally::Count);
    const int grouping = static_cast<int>(Tally::Grouping);
    const int rows = static_cast<int>(Tally::Rows);
    const RangeQuery production = RangeQuery::production(t1, t2, QStringLiteral("O'Neil"));
    const RangeQuery all = RangeQuery::allModels(t1, t2);
    const RangeQuery log = RangeQuery::log(t1, t2, LogClass::Alarm);
    for (int perSlice : { 1, 3, 1000 }) {
        QTest::addRow("built: one model's count, %d per slice", perSlice)
            << with(QueryKind::ModelInRange, { { "name", "O'Neil" }, { "Count", 1 } }) << RangeQuery()
            << count << perSlice;
        QTest::addRow("built: all records' count, %d per slice", perSlice)
            << with(QueryKind::AllInRange, { { "Count", 1 } }) << RangeQuery() << count << perSlice;
        QTest::addRow("built: all records, %d per slice", perSlice)
            << with(QueryKind::AllInRange, {}) << RangeQuery() << rows << perSlice;
        QTest::addRow("built: model list, %d per slice", perSlice) << with(QueryKind::ModelsInRange,
            { { "CheckType", "Count" } }) << RangeQuery() << rows << perSlice;
        QTest::addRow("built: log count, %d per slice", perSlice)
            << with(QueryKind::LogInRange, { { "logType", 1 }, { "Count", 1 } }) << RangeQuery() << count
            << perSlice;
        QTest::addRow("built: log records, %d per slice", perSlice)
            << with(QueryKind::LogInRange, { { "logType", 4 } }) << RangeQuery() << rows << perSlice;
        for (const auto& named : { std::make_pair("one model", production), std::make_pair("all models", all),
                 std::make_pair("log", log) }) {
            QTest::addRow("range: %s, count, %d per slice", named.first, perSlice)
                << QVariantMap() << named.second << count << perSlice;
            QTest::addRow("range: %s, grouping, %d per slice", named.first, perSlice)
                << QVariantMap() << named.second << grouping << perSlice;
            QTest::addRow("range: %s, rows, %d per slice", named.first, perSlice)
                << QVariantMap() << named.second << rows << perSlice;
        }
    }
}

void TestTimeSlicer::statementsOfTheRangeAddUp()
{
    QFETCH(QVariantMap, request);
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
    if (!request.isEmpty()) {
        const QString sql = m_Db->buildQuerySql(request);
        QVERIFY(!sql.isEmpty());
        whole << BoundStatement { sql, {} };
        for (const QString& part : slicer.split(sql))
            slices << BoundStatement { part, {} };
    } else {
        whole << statementOf(range);
        for (const RangeQuery& part : slicer.split(range))
            slices << statementOf(part);
    }
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
    // Small slices really split the range, except the bare count the index answers.
    const bool bareCount
        = request.value(QStringLiteral("Type")).toInt() == StationSchema::toInt(QueryKind::AllInRange)
        && request.contains(QStringLiteral("Count"));
    if (rowsPerSlice < 30 && !bareCount)
        QVERIFY(slices.size() > 1);
}

void TestTimeSlicer::otherStatementsStayWhole_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("exact time") << "select count(*) from wftable where time ='2020-05-01 08:00:01'";
    QTest::newRow("no range") << "select count(*) from wftable";
    QTest::newRow("bare count of a range") << kCount.arg("2020-05-01 00:00:00", "2020-05-02 00:00:00");
    QTest::newRow("unknown table")
        << kCount.arg("2020-05-01 00:00:00", "2020-05-02 00:00:00").replace("wftable", "nosuchtable");
}

void TestTimeSlicer::otherStatementsStayWhole()
{
    QFETCH(QString, sql);
    QCOMPARE(TimeSlicer(m_Db.get(), 3).split(sql), QStringList { sql });
}

QTEST_GUILESS_MAIN(TestTimeSlicer)
#include "tst_timeslicer.moc"
