#include "rangequery.h"

#include <QtTest>

// Where plant statistics split a range into whole days (from the day counts)
// and the two partial ends (from the records). The whole days and the ends
// must cover the range exactly once; anything that is not a full time at the
// lower end answers from the records alone.
class TestPlantDayParts : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void offsetDay_data();
    void offsetDay();
};

void TestPlantDayParts::split_data()
{
    QTest::addColumn<RangeQuery>("range");
    // "" when the range is not split; else "first day|last day|edge1|edge2",
    // an edge as "(lower,upper)" or "[lower,upper)".
    QTest::addColumn<QString>("parts");

    const auto plant = [](const QString& lower, const QString& upper) {
        return RangeQuery::allModels(lower, upper).inDialect(SqlDialect::Plant);
    };
    QTest::newRow("three days")
        << plant("2020-04-30 12:00:00", "2020-05-03 09:00:00")
        << "2020-05-01|2020-05-03|(2020-04-30 12:00:00,2020-05-01)|[2020-05-03,2020-05-03 "
           "09:00:00)";
    QTest::newRow("from midnight")
        << plant("2020-05-01 00:00:00", "2020-05-04 00:00:00")
        << "2020-05-02|2020-05-04|(2020-05-01 00:00:00,2020-05-02)|[2020-05-04,2020-05-04 "
           "00:00:00)";
    QTest::newRow("year end")
        << plant("2020-12-31 23:59:59", "2021-01-02 00:00:01")
        << "2021-01-01|2021-01-02|(2020-12-31 23:59:59,2021-01-01)|[2021-01-02,2021-01-02 "
           "00:00:01)";
    QTest::newRow("a slice's included lower end")
        << plant("2020-05-01 08:00:00", "2020-05-05 00:00:00")
               .slice("2020-05-01 08:00:00", true, "2020-05-05 00:00:00")
        << "2020-05-02|2020-05-05|[2020-05-01 08:00:00,2020-05-02)|[2020-05-05,2020-05-05 00:00:00)";
    QTest::newRow("one day, no whole day") << plant("2020-05-01 00:00:00", "2020-05-02 00:00:00") << "";
    QTest::newRow("within a day") << plant("2020-05-01 08:00:00", "2020-05-01 09:00:00") << "";
    QTest::newRow("lower end a date only") << plant("2020-05-01", "2020-05-09 00:00:00") << "";
    QTest::newRow("lower end not a time") << plant("2020-13-01 00:00:00", "2021-05-09 00:00:00") << "";
    QTest::newRow("lower end with a quote") << plant("2020-05-01 00:00:00'", "2021-05-09 00:00:00") << "";
    QTest::newRow("upper end short") << plant("2020-05-01 00:00:00", "2021") << "";
    QTest::newRow("one model")
        << RangeQuery::production("2020-05-01 00:00:00", "2020-05-03 00:00:00", "A'1")
               .inDialect(SqlDialect::Plant)
        << "2020-05-02|2020-05-03|(2020-05-01 00:00:00,2020-05-02)|[2020-05-03,2020-05-03 "
           "00:00:00)";
    // The day counts hold a NULL model as "".
    QTest::newRow("the model \"\"") << RangeQuery::production(
        "2020-05-01 00:00:00", "2020-05-09 00:00:00", "")
                                           .inDialect(SqlDialect::Plant)
                                    << "";
    QTest::newRow("log records") << RangeQuery::log(
        "2020-05-01 00:00:00", "2020-05-09 00:00:00", LogClass::Alarm)
                                        .inDialect(SqlDialect::Plant)
                                 << "";
    QTest::newRow("station file") << RangeQuery::allModels("2020-05-01 00:00:00", "2020-05-09 00:00:00")
                                  << "";
}

void TestPlantDayParts::split()
{
    QFETCH(RangeQuery, range);
    QFETCH(QString, parts);
    for (const QString& station : { QString(), QStringLiteral("L'1") }) {
        const RangeQuery query = range.atStation(station);
        QVector<RangeQuery> edges;
        BoundStatement total;
        BoundStatement grouping;
        const bool split = query.dayParts(&edges, &total, &grouping);
        QCOMPARE(split, !parts.isEmpty());
        if (!split)
            continue;
        QCOMPARE(edges.size(), 2);
        QStringList got { total.values.value(0).toString(), total.values.value(1).toString() };
        for (const RangeQuery& edge : qAsConst(edges)) {
            got << QStringLiteral("%1%2,%3)")
                       .arg(edge.lowerIncluded() ? '[' : '(')
                       .arg(edge.lower(), edge.upper());
            QCOMPARE(edge.station(), query.station());
        }
        QCOMPARE(got.join(QLatin1Char('|')), parts);
        // The station's and the model's conditions are bound, in both day statements.
        QVariantList values { got[0], got[1] };
        if (!station.isEmpty())
            values << station;
        if (!query.isAllModels())
            values << query.model();
        QCOMPARE(total.values, values);
        QCOMPARE(grouping.values, values);
        QCOMPARE(total.text.contains(QLatin1String("station")), !station.isEmpty());
        QCOMPARE(total.text.contains(QLatin1String("model")), !query.isAllModels());
    }
}

void TestPlantDayParts::offsetDay_data()
{
    // A range of 3 records before its first whole day, the days 05-01 (5),
    // 05-02 (none: no row), 05-03 (2), then the part from 05-04 on.
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("lower"); // "" for the range itself
    QTest::addColumn<int>("dayOffset");
    QTest::newRow("before the first day") << 2 << "" << 2;
    QTest::newRow("first day's first row") << 3 << "2020-05-01" << 0;
    QTest::newRow("first day's last row") << 7 << "2020-05-01" << 4;
    QTest::newRow("next day with records") << 8 << "2020-05-03" << 0;
    QTest::newRow("past the whole days") << 10 << "2020-05-04" << 0;
    QTest::newRow("deep into the last part") << 25 << "2020-05-04" << 15;
}

void TestPlantDayParts::offsetDay()
{
    QFETCH(int, offset);
    QFETCH(QString, lower);
    QFETCH(int, dayOffset);
    const RangeQuery range = RangeQuery::production("2020-04-30 12:00:00", "2020-05-04 09:00:00", "B2")
                                 .atStation(QStringLiteral("L1"))
                                 .inDialect(SqlDialect::Plant);
    BoundStatement head;
    BoundStatement days;
    QVERIFY(range.dayOffsetParts(&head, &days));
    QVERIFY(days.text.endsWith(QLatin1String("group by day order by day")));
    QCOMPARE(days.values, (QVariantList { "2020-05-01", "2020-05-04", "L1", "B2" }));

    int got = -1;
    const RangeQuery page
        = range.fromOffsetDay(3, { { "2020-05-01", 5 }, { "2020-05-03", 2 } }, offset, &got);
    QCOMPARE(got, dayOffset);
    QCOMPARE(page.upper(), range.upper());
    QCOMPARE(page.station(), range.station());
    QCOMPARE(page.model(), range.model());
    QCOMPARE(page.lower(), lower.isEmpty() ? range.lower() : lower);
    QCOMPARE(page.lowerIncluded(), !lower.isEmpty());
}

QTEST_APPLESS_MAIN(TestPlantDayParts)
#include "tst_plantdayparts.moc"
