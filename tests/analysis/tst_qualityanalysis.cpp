// The quality figures against direct SQL on a fixed-seed station file: per
// period (hours with an empty one, days, shifts over midnight), per measured
// column with NULL and text values, from the station file and from the index.

#include "measurestats.h"
#include "qualityanalysis.h"
#include "recordindex.h"
#include "testappdir.h"

#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// A time of the trend's periods: well-shaped, minutes and seconds on the clock.
const char* const kWellShaped
    = "time GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'"
      " and substr(time, 15, 2) < '60' and substr(time, 18, 2) < '60'";

// Values written as the station never should: NULL, empty, blank-padded and
// other texts in number columns, an odd time text, a minute past 59 (well
// shaped, but in no hour), an NG with a text number, a model that only
// starts with "NG" and one of the bytes "NG" (no text, so no NG).
const char* const OddRecords
    = "insert into wftable(time, model, correlate, detecttime, diameter, hight) values"
      "('2024-06-25 10:15:00', 'A1', NULL, 'abc', NULL, 'x'),"
      "('2024-06-25 10:16:00', 'A1', '0.75', ' 2.5 ', '', 450),"
      "('2024-06-25 10:17:00', 'A1', 0.8, '', 460.5, '12mm'),"
      "('2024-06-25 10:18:00', 'NG', 0.3, '1e3', 470, 200),"
      "('2024-06-25 10:18:30', 'NGX', 0.3, '1.5', 470, 200),"
      "('2024-06-25 10:18:40', X'4E47', 0.3, '1.5', 470, 200),"
      "('2024-06-25 10:19:00', 'A1', 0.5, 'nan', 400, 'inf'),"
      "('2024-06-25 10:20:00', 'A1', 0.5, '+1.5', 400, 200),"
      "('2024-06-25 10:00:00.5', 'A1', 0.9, '1.5', 480, 210),"
      "('2024-06-25 11:61:00', 'A1', 0.9, '1.5', 480, 210);"
      // An hour without records.
      "delete from wftable where time >= '2024-06-24 03:00:00' and time < '2024-06-24 04:00:00'";

QVector<QVariantList> rows(const QString& file, const QString& sql)
{
    QVector<QVariantList> out;
    TestAppDir::withConnection(file, true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(sql))
            qWarning() << query.lastError().text() << sql;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i);
            out << row;
        }
        return true;
    });
    return out;
}

QString rangeSql(const QString& t1, const QString& t2, const QString& model)
{
    return QStringLiteral("time > '%1' and time < '%2'").arg(t1, t2)
        + (model.isEmpty() ? QString() : QStringLiteral(" and model = '%1'").arg(model));
}

// The number a stored value is, in SQL: integers and reals, and texts made
// of a number's characters only.
QString numberOf(const char* column)
{
    const QString c = QLatin1String(column);
    return QStringLiteral("case when typeof(%1) in ('integer','real') then %1 "
                          "when typeof(%1) = 'text' and trim(%1) glob '*[0-9]*' "
                          "and trim(%1) not glob '*[^0-9.eE+-]*' then cast(trim(%1) as real) end")
        .arg(c);
}
}

class TestQualityAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void trendMatchesSql_data();
    void trendMatchesSql();
    void measuresMatchSql_data();
    void measuresMatchSql();
    void capability_data();
    void capability();
    void bars_data();
    void bars();

private:
    bool analyse(const QualityRequest& request, bool withIndex, QualityResult* result);

    TestAppDir m_App;
    QString m_Station;
    QTemporaryDir m_Cache;
    std::unique_ptr<RecordIndex> m_pIndex;
    QMap<QString, ShiftRecord> m_Shifts;
};

void TestQualityAnalysis::initTestCase()
{
    StationSimulator::Options options = m_App.options(3000);
    options.days = 10;
    options.seed = 12;
    QVERIFY(m_App.generate(options));
    m_App.closeStation();
    m_Station = m_App.detectionDatabase();
    QVERIFY(TestAppDir::exec(m_Station, QLatin1String(OddRecords)));
    for (const QVariantList& r :
        rows(m_Station, QStringLiteral("select type, starttime, endtime from wftimetable_2"))) {
        ShiftRecord shift;
        shift.type = r[0].toString();
        shift.startTime = QTime::fromString(r[1].toString(), QStringLiteral("hh:mm:ss"));
        shift.endTime = QTime::fromString(r[2].toString(), QStringLiteral("hh:mm:ss"));
        m_Shifts.insert(shift.type, shift);
    }
    QCOMPARE(m_Shifts.size(), 2);
    QVERIFY(m_Shifts.first().startTime.isValid());

    m_pIndex = std::make_unique<RecordIndex>(m_Station, m_Cache.path());
    m_pIndex->setSyncInterval(0);
    QSignalSpy pass(m_pIndex.get(), &RecordIndex::passFinished);
    m_pIndex->start();
    QVERIFY(pass.wait(60000));
    QVERIFY2(pass.last().at(0).toBool(), qPrintable(pass.last().at(1).toString()));
}

bool TestQualityAnalysis::analyse(const QualityRequest& request, bool withIndex, QualityResult* result)
{
    QualityAnalysis analysis(m_Station, withIndex ? &m_pIndex->reader() : nullptr);
    if (!analysis.run(request, result))
        return false;
    // The index must really have answered where it was asked.
    return result->fromIndex == withIndex;
}

void TestQualityAnalysis::trendMatchesSql_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("withIndex");
    QTest::addColumn<int>("periods"); // without "other"
    QTest::addColumn<bool>("offHourShifts"); // changes inside hours, a gap between shifts
    const int hour = int(TrendBuckets::Size::Hour);
    const int day = int(TrendBuckets::Size::Day);
    const int shift = int(TrendBuckets::Size::Shift);
    const int automatic = int(TrendBuckets::Size::Automatic);
    QTest::newRow("hours, automatic") << automatic << "2024-06-24 00:00:00"
                                      << "2024-06-25 23:59:59"
                                      << "" << false << 48 << false;
    QTest::newRow("hours, index") << hour << "2024-06-24 00:00:00"
                                  << "2024-06-25 23:59:59"
                                  << "" << true << 48 << false;
    QTest::newRow("hours of a model") << hour << "2024-06-24 02:30:00"
                                      << "2024-06-25 12:00:00"
                                      << "A1" << true << 35 << false;
    QTest::newRow("days, automatic") << automatic << "2024-06-21 00:00:00"
                                     << "2024-06-30 23:59:59"
                                     << "" << false << 10 << false;
    QTest::newRow("days, index") << day << "2024-06-21 00:00:00"
                                 << "2024-06-30 23:59:59"
                                 << "" << true << 10 << false;
    // 23 20:00 to 26 08:00: day and night shifts, the nights over midnight.
    QTest::newRow("shifts") << shift << "2024-06-23 20:00:00"
                            << "2024-06-26 08:00:00"
                            << "" << false << 5 << false;
    QTest::newRow("shifts, index, NG") << shift << "2024-06-23 21:00:00"
                                       << "2024-06-26 07:00:00"
                                       << "NG" << true << 5 << false;
    QTest::newRow("shifts off the hour, index") << shift << "2024-06-22 00:00:00"
                                                << "2024-06-26 00:00:00"
                                                << "" << true << 9 << true;
}

void TestQualityAnalysis::trendMatchesSql()
{
    QFETCH(int, size);
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    QFETCH(QString, model);
    QFETCH(bool, withIndex);
    QFETCH(int, periods);
    QFETCH(bool, offHourShifts);
    QMap<QString, ShiftRecord> shifts = m_Shifts;
    if (offHourShifts) {
        shifts.first().startTime = QTime(8, 30);
        shifts.first().endTime = QTime(20, 15);
        shifts.last().startTime = QTime(20, 45, 30);
        shifts.last().endTime = QTime(8, 30);
    }
    QualityRequest request { QDateTime::fromString(t1, kFormat), QDateTime::fromString(t2, kFormat), model,
        TrendBuckets::Size(size), shifts };
    QualityResult result;
    QVERIFY(analyse(request, withIndex, &result));
    QCOMPARE(result.trend.size(), periods + 1);

    const QString range = rangeSql(t1, t2, model);
    const qint64 total
        = rows(m_Station, QStringLiteral("select count(*) from wftable where ") + range)[0][0].toLongLong();
    QCOMPARE(result.total, total);
    // Each period against its own statement.
    QMap<QString, QPair<qint64, qint64>> expected;
    if (result.size == TrendBuckets::Size::Shift) {
        for (const TrendRow& row : qAsConst(result.trend)) {
            if (!row.period.start.isValid())
                continue;
            const ShiftRecord s = shifts.value(row.period.label.mid(11));
            const QDateTime to(
                QDate::fromString(row.period.label.left(10), QStringLiteral("yyyy-MM-dd")), s.endTime);
            const QString sql
                = QStringLiteral("select count(*), total(model = 'NG') from wftable where %1 and %2 "
                                 "and time >= '%3' and time < '%4'")
                      .arg(range, QLatin1String(kWellShaped), row.period.start.toString(kFormat),
                          to.toString(kFormat));
            const QVariantList r = rows(m_Station, sql)[0];
            expected.insert(row.period.label, { r[0].toLongLong(), r[1].toLongLong() });
        }
    } else {
        const int length = result.size == TrendBuckets::Size::Hour ? 13 : 10;
        const QString sql
            = QStringLiteral("select substr(time, 1, %1), count(*), total(model = 'NG') from wftable "
                             "where %2 and %3 group by 1")
                  .arg(length)
                  .arg(range, QLatin1String(kWellShaped));
        for (const QVariantList& r : rows(m_Station, sql))
            expected.insert(r[0].toString(), { r[1].toLongLong(), r[2].toLongLong() });
    }
    qint64 inPeriods = 0;
    int empty = 0;
    for (const TrendRow& row : qAsConst(result.trend)) {
        if (!row.period.start.isValid())
            continue;
        const QPair<qint64, qint64> want = expected.take(row.period.label);
        QCOMPARE(row.hubs, want.first);
        QCOMPARE(row.ng, want.second);
        inPeriods += row.hubs;
        empty += row.hubs == 0 ? 1 : 0;
    }
    QVERIFY2(expected.isEmpty(), qPrintable(expected.keys().join(QLatin1Char(' '))));
    QCOMPARE(result.trend.constLast().hubs, total - inPeriods);
    if (t1.startsWith(QLatin1String("2024-06-24 00")))
        QCOMPARE(result.trend.at(3).hubs, 0); // the hour without records is a row of its own
    if (t2 == QLatin1String("2024-06-25 23:59:59") && model.isEmpty())
        QCOMPARE(result.trend.constLast().hubs, 2); // the odd time text and the minute past 59
    QVERIFY(inPeriods > empty);
}

void TestQualityAnalysis::measuresMatchSql_data()
{
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("withIndex");
    QTest::newRow("A1 with odd values") << "2024-06-25 00:00:00"
                                        << "2024-06-26 00:00:00"
                                        << "A1" << false;
    QTest::newRow("A1, index") << "2024-06-25 00:00:00"
                               << "2024-06-26 00:00:00"
                               << "A1" << true;
    QTest::newRow("all models, ten days, index") << "2024-06-20 00:00:00"
                                                 << "2024-07-01 00:00:00"
                                                 << "" << true;
    QTest::newRow("NG") << "2024-06-20 00:00:00"
                        << "2024-07-01 00:00:00"
                        << "NG" << false;
    QTest::newRow("no records") << "2023-01-01 00:00:00"
                                << "2023-01-02 00:00:00"
                                << "A1" << false;
}

void TestQualityAnalysis::measuresMatchSql()
{
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    QFETCH(QString, model);
    QFETCH(bool, withIndex);
    QualityRequest request { QDateTime::fromString(t1, kFormat), QDateTime::fromString(t2, kFormat), model,
        TrendBuckets::Size::Day, {} };
    QualityResult result;
    QVERIFY(analyse(request, withIndex, &result));
    // Measurements of all models mixed are not made.
    QCOMPARE(result.measured, !model.isEmpty());
    if (!result.measured) {
        QCOMPARE(result.measures[0].count() + result.measures[0].missing(), 0);
        return;
    }
    const QString range = rangeSql(t1, t2, model);
    int oddSeen = 0;
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
        const char* column = QualityAnalysis::column(QualityAnalysis::Measure(m));
        const MeasureStats& s = result.measures[m];
        const QString values
            = QStringLiteral("select %1 as x from wftable where %2").arg(numberOf(column), range);
        const QVariantList r = rows(m_Station,
            QStringLiteral(
                "with v as (%1) select count(x), count(*) - count(x), avg(x), min(x), max(x), "
                "(select total((x - (select avg(x) from v)) * (x - (select avg(x) from v))) from v) "
                "from v")
                .arg(values))[0];
        QCOMPARE(s.count(), r[0].toLongLong());
        QCOMPARE(s.missing(), r[1].toLongLong());
        oddSeen += int(s.missing());
        if (s.count() == 0)
            continue;
        QVERIFY(qAbs(s.mean() - r[2].toDouble()) <= 1e-9 * qMax(1.0, qAbs(s.mean())));
        QCOMPARE(s.minimum(), r[3].toDouble());
        QCOMPARE(s.maximum(), r[4].toDouble());
        const double sd = s.count() > 1 ? qSqrt(r[5].toDouble() / double(s.count() - 1)) : 0;
        QVERIFY2(
            qAbs(s.deviation() - sd) <= 1e-9 * qMax(1.0, sd), qPrintable(QString::number(s.deviation())));
        // Bins by the same rule in SQL.
        const int bins = 20;
        const double width = s.binWidth(bins);
        QVector<qint64> want(width > 0 ? bins : 1, 0);
        const QString binSql = width > 0
            ? QStringLiteral(
                "select min(%1, cast((x - %2) / %3 as integer)), count(*) from (%4) where x is not null "
                "group by 1")
                  .arg(bins - 1)
                  .arg(s.minimum(), 0, 'g', 17)
                  .arg(width, 0, 'g', 17)
                  .arg(values)
            : QStringLiteral("select 0, count(x) from (%1)").arg(values);
        for (const QVariantList& b : rows(m_Station, binSql))
            want[b[0].toInt()] = b[1].toLongLong();
        QCOMPARE(s.histogram(bins), want);
    }
    if (model == QLatin1String("A1") && t1.startsWith(QLatin1String("2024-06-25")))
        QCOMPARE(oddSeen, 9); // NULL, "abc", "", "x", "12mm", "nan", "inf" and the two in the second row
}

void TestQualityAnalysis::capability_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QVariantList>("limits"); // lower, upper; invalid for none
    QTest::addColumn<QVariantList>("expected"); // cp, cpk (invalid: undefined), outside
    const QVector<double> spread { 9, 10, 10, 11, 12, 8 }; // mean 10, sd sqrt(2)
    const double sd = qSqrt(2.0);
    QTest::newRow("both limits") << spread << QVariantList { 7, 14 }
                                 << QVariantList { 7 / (6 * sd), 3 / (3 * sd), 0 };
    QTest::newRow("values outside, on the limits inside")
        << spread << QVariantList { 9, 11 } << QVariantList { 2 / (6 * sd), 1 / (3 * sd), 2 };
    QTest::newRow("upper only") << spread << QVariantList { QVariant(), 11.5 }
                                << QVariantList { QVariant(), 1.5 / (3 * sd), 1 };
    QTest::newRow("lower only") << spread << QVariantList { 8.5, QVariant() }
                                << QVariantList { QVariant(), 1.5 / (3 * sd), 1 };
    QTest::newRow("no spread") << QVector<double> { 5, 5, 5 } << QVariantList { 4, 6 }
                               << QVariantList { QVariant(), QVariant(), 0 };
    QTest::newRow("one value") << QVector<double> { 5 } << QVariantList { 6, 7 }
                               << QVariantList { QVariant(), QVariant(), 1 };
    QTest::newRow("no limits") << spread << QVariantList { QVariant(), QVariant() }
                               << QVariantList { QVariant(), QVariant(), 0 };
}

void TestQualityAnalysis::capability()
{
    QFETCH(QVector<double>, values);
    QFETCH(QVariantList, limits);
    QFETCH(QVariantList, expected);
    MeasureStats stats;
    for (const double v : values)
        stats.add(v);
    stats.finish();
    const MeasureStats::Capability c = stats.capability(
        limits[0].isValid(), limits[0].toDouble(), limits[1].isValid(), limits[1].toDouble());
    QCOMPARE(c.hasCp, expected[0].isValid());
    QCOMPARE(c.hasCpk, expected[1].isValid());
    if (c.hasCp)
        QVERIFY(qFuzzyCompare(c.cp, expected[0].toDouble()));
    if (c.hasCpk)
        QVERIFY(qFuzzyCompare(c.cpk, expected[1].toDouble()));
    QCOMPARE(c.outside, expected[2].toLongLong());
}

void TestQualityAnalysis::bars_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QString>("expected"); // low width: counts

    // Whole numbers: one bar per value centred on it, the highest one whole.
    QTest::newRow("whole, few values") << QVector<double> { 3, 4, 4, 6 } << "2.5 1: 1 2 0 1";
    QTest::newRow("whole, wide range")
        << QVector<double> { 0, 39, 40, 20 } << "-0.5 3: 1 0 0 0 0 0 1 0 0 0 0 0 0 2";
    QTest::newRow("one value") << QVector<double> { 7, 7 } << "6.5 1: 2";
    QTest::newRow("fractions") << QVector<double> { 0.5, 1.5 }
                               << "0.5 0.05: 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1";
    QTest::newRow("one fraction") << QVector<double> { 0.25 } << "-0.25 1: 1";
}

void TestQualityAnalysis::bars()
{
    QFETCH(QVector<double>, values);
    QFETCH(QString, expected);
    MeasureStats s;
    for (const double v : values)
        s.add(v);
    s.finish();
    const MeasureStats::Bars b = s.bars(20);
    QStringList counts;
    for (const qint64 c : b.counts)
        counts << QString::number(c);
    QCOMPARE(
        QStringLiteral("%1 %2: %3").arg(b.low).arg(b.width).arg(counts.join(QLatin1Char(' '))), expected);
    // Whole values lie inside their bars, half a unit from the ends.
    const double margin = s.whole() ? 0.5 : 0;
    for (const double v : values)
        QVERIFY(v >= b.low + margin && v <= b.low + b.counts.size() * b.width - margin + 1e-9);
}

QTEST_GUILESS_MAIN(TestQualityAnalysis)
#include "tst_qualityanalysis.moc"
