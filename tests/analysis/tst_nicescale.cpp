#include "nicescale.h"

#include <QtTest>

// The charts' axis ticks: round values a reader can take a bar's height or a
// point's time from.
class TestNiceScale : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void times_data();
    void times();
};

void TestNiceScale::values_data()
{
    QTest::addColumn<QString>("kind"); // counts, percent or values low..high
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("format");

    // Counts leave a tenth above the highest bar for its label.
    QTest::newRow("11 hubs") << "counts" << 0.0 << 11.0 << "0 5 10 15"
                             << "%d";
    QTest::newRow("3 hubs, whole steps") << "counts" << 0.0 << 3.0 << "0 1 2 3 4"
                                         << "%d";
    QTest::newRow("no hubs") << "counts" << 0.0 << 0.0 << "0 1"
                             << "%d";
    QTest::newRow("1351 hubs") << "counts" << 0.0 << 1351.0 << "0 500 1000 1500"
                               << "%d";
    QTest::newRow("71319 hubs") << "counts" << 0.0 << 71319.0 << "0 20000 40000 60000 80000"
                                << "%d";
    QTest::newRow("7.7 rounds up") << "counts" << 0.0 << 7.0 << "0 2 4 6 8"
                                   << "%d";
    QTest::newRow("rate 5.3 %") << "percent" << 0.0 << 5.3 << "0 1 2 3 4 5 6"
                                << "%d";
    QTest::newRow("rate 0.4 %") << "percent" << 0.0 << 0.4 << "0 0.1 0.2 0.3 0.4"
                                << "%.1f";
    QTest::newRow("rate 100 %") << "percent" << 0.0 << 100.0 << "0 20 40 60 80 100"
                                << "%d";
    QTest::newRow("rate 0 %") << "percent" << 0.0 << 0.0 << "0 0.2 0.4 0.6 0.8 1"
                              << "%.1f";
    QTest::newRow("diameters") << "values" << 498.2 << 512.9 << "495 500 505 510 515"
                               << "%d";
    QTest::newRow("similarity") << "values" << 0.712 << 0.968 << "0.7 0.75 0.8 0.85 0.9 0.95 1"
                                << "%.2f";
    QTest::newRow("one value") << "values" << 42.0 << 42.0 << "42 43"
                               << "%d";
    QTest::newRow("below zero") << "values" << -3.5 << 2.0 << "-4 -3 -2 -1 0 1 2"
                                << "%d";
}

void TestNiceScale::values()
{
    QFETCH(QString, kind);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(QString, ticks);
    QFETCH(QString, format);
    const int maxSteps = 6;
    const NiceScale s = kind == QLatin1String("counts") ? NiceScale::forCounts(high, maxSteps)
        : kind == QLatin1String("percent")              ? NiceScale::forPercent(high, maxSteps)
                                                        : NiceScale::forValues(low, high, maxSteps, false);
    QStringList seen;
    for (const double t : s.ticks())
        seen << QString::number(t);
    QCOMPARE(seen.join(QLatin1Char(' ')), ticks);
    QCOMPARE(s.tickCount(), int(s.ticks().size()));
    QCOMPARE(s.ticks().constFirst(), s.minimum());
    QCOMPARE(s.ticks().constLast(), s.maximum());
    QVERIFY(s.tickCount() - 1 <= maxSteps);
    QCOMPARE(s.labelFormat(), format);
}

void TestNiceScale::times_data()
{
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QString>("format");

    const auto at = [](const char* text) {
        QDateTime t = QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd hh:mm"));
        t.setTimeSpec(Qt::UTC);
        return t;
    };
    QTest::newRow("a day's hours") << at("2026-11-28 00:00") << at("2026-11-28 23:00")
                                   << "00:00 06:00 12:00 18:00 00:00"
                                   << "hh:mm";
    QTest::newRow("two days' hours") << at("2026-11-27 00:00") << at("2026-11-28 23:00")
                                     << "11-27 00:00 11-27 12:00 11-28 00:00 11-28 12:00 11-29 00:00"
                                     << "MM-dd hh:mm";
    QTest::newRow("an evening") << at("2026-11-28 17:40") << at("2026-11-28 21:10")
                                << "17:00 18:00 19:00 20:00 21:00 22:00"
                                << "hh:mm";
    QTest::newRow("a week of days") << at("2026-11-28 00:00") << at("2026-12-04 00:00")
                                    << "11-28 11-29 11-30 12-01 12-02 12-03 12-04"
                                    << "yyyy-MM-dd";
    QTest::newRow("ten days, every second")
        << at("2026-11-28 00:00") << at("2026-12-07 00:00") << "11-28 11-30 12-02 12-04 12-06 12-08"
        << "yyyy-MM-dd";
    QTest::newRow("a month, in weeks from Monday")
        << at("2026-11-08 00:00") << at("2026-12-07 00:00") << "11-02 11-09 11-16 11-23 11-30 12-07"
        << "yyyy-MM-dd";
    QTest::newRow("one hour") << at("2026-11-28 10:00") << at("2026-11-28 10:00") << "10:00 11:00"
                              << "hh:mm";
}

void TestNiceScale::times()
{
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(QString, ticks);
    QFETCH(QString, format);
    const TimeScale s = TimeScale::forRange(from, to, 6);
    QStringList seen;
    const QString shown = s.stepHours() < 24 ? s.labelFormat() : QStringLiteral("MM-dd");
    for (const QDateTime& t : s.ticks())
        seen << t.toString(shown);
    QCOMPARE(seen.join(QLatin1Char(' ')), ticks);
    QVERIFY(s.minimum() <= from);
    QVERIFY(s.maximum() >= to);
    QCOMPARE(s.ticks().constLast(), s.maximum());
    QCOMPARE(s.labelFormat(), format);
}

QTEST_APPLESS_MAIN(TestNiceScale)
#include "tst_nicescale.moc"
