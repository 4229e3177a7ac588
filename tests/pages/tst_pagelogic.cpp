#include "pagechecks.h"
#include "pagecursor.h"
#include "qualitytables.h"
#include "rangecontrols.h"
#include "timeranges.h"

#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

// The paging and time-range rules of the pages, without a window.
class TestPageLogic : public QObject
{
    Q_OBJECT
private slots:
    void paging_data();
    void paging();
    void shiftRanges_data();
    void shiftRanges();
    void shiftRefill_data();
    void shiftRefill();
    void hourlyTrendLimit_data();
    void hourlyTrendLimit();
    void trendCsv_data();
    void trendCsv();
};

void TestPageLogic::paging_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("steps"); // N next, P previous
    QTest::addColumn<QStringList>(
        "states"); // "offset page/pages" after start and each step, "-" when it did not move
    QTest::addColumn<QString>("buttons"); // after the last step that moved: prev and next, 1/0, "." unchanged

    QTest::newRow("two pages, next") << 20 << 10 << "N" << QStringList { "0 1/2", "10 2/2" } << "10";
    QTest::newRow("next then back") << 20 << 10 << "NP" << QStringList { "0 1/2", "10 2/2", "0 1/2" } << "01";
    QTest::newRow("back on the first page") << 20 << 10 << "P" << QStringList { "0 1/2", "-" } << "..";
    QTest::newRow("three pages to the end")
        << 25 << 10 << "NN" << QStringList { "0 1/3", "10 2/3", "20 3/3" } << "10";
    QTest::newRow("middle page keeps next") << 35 << 10 << "N" << QStringList { "0 1/4", "10 2/4" } << "1.";
    QTest::newRow("one short page") << 5 << 10 << "N" << QStringList { "0 1/1", "0 1/1" } << "10";
    QTest::newRow("no rows") << 0 << 10 << "NP" << QStringList { "0 0/0", "-", "-" } << "..";
    // Next on the last page asks for that page again (its button is off by then).
    QTest::newRow("page of one row") << 3 << 1 << "NNNPP"
                                     << QStringList { "0 1/3", "1 2/3", "2 3/3", "2 3/3", "1 2/3", "0 1/3" }
                                     << "01";
}

void TestPageLogic::paging()
{
    QFETCH(int, total);
    QFETCH(int, size);
    QFETCH(QString, steps);
    QFETCH(QStringList, states);
    QFETCH(QString, buttons);
    const auto state = [](const PageCursor& c) {
        return QStringLiteral("%1 %2/%3").arg(c.offset).arg(c.currentPage).arg(c.pageCount);
    };
    PageCursor cursor;
    cursor.start(total, size);
    QStringList seen { state(cursor) };
    PageCursor::Buttons last;
    for (const QChar step : steps) {
        const bool forward = step == QLatin1Char('N');
        if (cursor.step(forward, size)) {
            seen << state(cursor);
            last = cursor.buttonsAfterStep(forward, size);
        } else {
            seen << QStringLiteral("-");
        }
    }
    QCOMPARE(seen, states);
    const auto text = [](const std::optional<bool>& b) {
        return b ? (*b ? QLatin1Char('1') : QLatin1Char('0')) : QLatin1Char('.');
    };
    QCOMPARE(QString(text(last.prevEnabled)) + text(last.nextEnabled), buttons);
}

void TestPageLogic::shiftRanges_data()
{
    QTest::addColumn<QTime>("shiftStart");
    QTest::addColumn<QTime>("shiftEnd");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    const QDate end(2020, 3, 1); // the day after 29 February
    QTest::newRow("day shift") << QTime(8, 0) << QTime(20, 0) << QDateTime(end, QTime(8, 0))
                               << QDateTime(end, QTime(20, 0));
    QTest::newRow("night shift over midnight")
        << QTime(20, 0) << QTime(8, 0) << QDateTime(QDate(2020, 2, 29), QTime(20, 0))
        << QDateTime(end, QTime(8, 0));
    QTest::newRow("equal start and end: a whole day back")
        << QTime(6, 30) << QTime(6, 30) << QDateTime(QDate(2020, 2, 29), QTime(6, 30))
        << QDateTime(end, QTime(6, 30));
}

void TestPageLogic::shiftRanges()
{
    QFETCH(QTime, shiftStart);
    QFETCH(QTime, shiftEnd);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    ShiftRecord shift;
    shift.startTime = shiftStart;
    shift.endTime = shiftEnd;
    QCOMPARE(TimeRanges::ofShift(shift, QDate(2020, 3, 1)), TimeRanges::Range(from, to));

    // Whole days: from the start date (or the end date, when the start lies
    // after it) at the day's start to the end date at the day's end.
    const QTime dayStart(0, 0);
    const QTime dayEnd(23, 59, 59);
    QCOMPARE(TimeRanges::wholeDays(QDate(2020, 2, 27), QDate(2020, 3, 1), dayStart, dayEnd),
        TimeRanges::Range(QDateTime(QDate(2020, 2, 27), dayStart), QDateTime(QDate(2020, 3, 1), dayEnd)));
    QCOMPARE(TimeRanges::wholeDays(QDate(2020, 3, 5), QDate(2020, 3, 1), dayStart, dayEnd),
        TimeRanges::Range(QDateTime(QDate(2020, 3, 1), dayStart), QDateTime(QDate(2020, 3, 1), dayEnd)));
}

namespace {
QMap<QString, ShiftRecord> shiftMap(const QStringList& rows)
{
    QMap<QString, ShiftRecord> map;
    for (const QString& row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        ShiftRecord shift;
        shift.type = f[0];
        shift.startTime = QTime::fromString(f[1], QStringLiteral("hh:mm"));
        shift.endTime = QTime::fromString(f[2], QStringLiteral("hh:mm"));
        map.insert(shift.type, shift);
    }
    return map;
}
}

void TestPageLogic::shiftRefill_data()
{
    // The box held 早班 08:00-16:00 and 夜班 20:00-08:00; after choosing, the
    // user moved the start to 2020-05-01 10:00 (the end date is 2020-05-02).
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    const QDate day(2020, 5, 2);
    const QDateTime moved(day.addDays(-1), QTime(10, 0));
    QTest::newRow("whole days stay as moved") << "全天" << QStringList { "早班|07:00|15:00" } << "全天"
                                              << QString() << moved << QDateTime(day, QTime(23, 59, 59));
    QTest::newRow("a shift with the same times stays as moved")
        << "早班" << QStringList { "早班|08:00|16:00", "中班|16:00|00:00" } << "早班" << QString() << moved
        << QDateTime(day, QTime(16, 0));
    QTest::newRow("a shift with other times takes them")
        << "早班" << QStringList { "早班|07:00|15:00" } << "早班" << QString() << QDateTime(day, QTime(7, 0))
        << QDateTime(day, QTime(15, 0));
    QTest::newRow("an overnight shift with other times")
        << "夜班" << QStringList { "夜班|22:00|06:00" } << "夜班" << QString()
        << QDateTime(day.addDays(-1), QTime(22, 0)) << QDateTime(day, QTime(6, 0));
    QTest::newRow("a missing shift gives way to whole days of the same dates")
        << "夜班" << QStringList { "早班|08:00|16:00" } << "全天"
        << "夜班" << QDateTime(day.addDays(-1), QTime(0, 0)) << QDateTime(day, QTime(23, 59, 59));
}

void TestPageLogic::shiftRefill()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, after);
    QFETCH(QString, shown);
    QFETCH(QString, gone);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    const QString wholeDay = QStringLiteral("全天");
    const QTime dayStart(0, 0);
    const QTime dayEnd(23, 59, 59);
    QDateTime from(QDate(2020, 5, 2), QTime(9, 0));
    QDateTime to = from;
    QLabel fromLabel;
    QLabel toLabel;
    QComboBox box;
    box.setObjectName(QStringLiteral("shifts"));
    RangeControls ranges;
    ranges.addRange({ "from", &from, &fromLabel }, { "to", &to, &toLabel }, "shifts");
    const QStringList before { "早班|08:00|16:00", "夜班|20:00|08:00" };
    // The first fill chooses whole days.
    QCOMPARE(ranges.fillShifts(&box, shiftMap(before), wholeDay, dayStart, dayEnd), QString());
    QCOMPARE(box.currentText(), wholeDay);
    QCOMPARE(from, QDateTime(QDate(2020, 5, 2), dayStart));
    box.setCurrentText(chosen);
    ranges.applyShift(&box, wholeDay, dayStart, dayEnd);
    ranges.setTime(QStringLiteral("from"), QDateTime(QDate(2020, 5, 1), QTime(10, 0)));

    QCOMPARE(ranges.fillShifts(&box, shiftMap(after), wholeDay, dayStart, dayEnd), gone);
    QCOMPARE(box.currentText(), shown);
    QCOMPARE(box.count(), after.size() + 1);
    QCOMPARE(ranges.shifts(&box).keys(), shiftMap(after).keys());
    QCOMPARE(from, start);
    QCOMPARE(to, end);
    QCOMPARE(fromLabel.text(), start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
}

void TestPageLogic::hourlyTrendLimit_data()
{
    QTest::addColumn<int>("size"); // TrendBuckets::Size
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<bool>("refused");
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    const int hour = int(TrendBuckets::Size::Hour);
    QTest::newRow("hours over a leap year") << hour << start.addDays(366) << false;
    QTest::newRow("hours over the longest range") << hour << start.addDays(PageChecks::MaxHourDays) << false;
    QTest::newRow("hours over one day more")
        << hour << start.addDays(PageChecks::MaxHourDays + 1).addSecs(1) << true;
    QTest::newRow("hours over ten years") << hour << start.addYears(10) << true;
    QTest::newRow("days over ten years") << int(TrendBuckets::Size::Day) << start.addYears(10) << false;
    QTest::newRow("shifts over ten years") << int(TrendBuckets::Size::Shift) << start.addYears(10) << false;
    QTest::newRow("automatic over ten years")
        << int(TrendBuckets::Size::Automatic) << start.addYears(10) << false;
}

// A trend per hour over years is refused with its message; other periods never are.
void TestPageLogic::hourlyTrendLimit()
{
    QFETCH(int, size);
    QFETCH(QDateTime, end);
    QFETCH(bool, refused);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    const QString problem = PageChecks::trendProblem(TrendBuckets::Size(size), start, end);
    QCOMPARE(!problem.isEmpty(), refused);
    if (refused)
        QVERIFY(problem.contains(QString::number(PageChecks::MaxHourDays)));
}

void TestPageLogic::trendCsv_data()
{
    QTest::addColumn<QString>("shift"); // a shift's name as the station's shift table holds it
    QTest::addColumn<QString>("field"); // its period's field in the file

    QTest::newRow("plain") << QStringLiteral("早班") << QStringLiteral("2024-06-24 早班");
    QTest::newRow("semicolon") << "=A1;B1"
                               << "\"2024-06-24 =A1;B1\"";
    QTest::newRow("tab") << "a\tb"
                         << "\"2024-06-24 a\tb\"";
    QTest::newRow("comma") << "a,b"
                           << "\"2024-06-24 a,b\"";
}

// The quality page's trend file: a shift name from the station is a text a
// spreadsheet neither evaluates nor splits; the title (with a model) as well.
void TestPageLogic::trendCsv()
{
    QFETCH(QString, shift);
    QFETCH(QString, field);
    QMap<QString, ShiftRecord> shifts;
    shifts.insert(shift, { 1, shift, QTime(8, 0), 0, QTime(20, 0), 0 });
    const TrendBuckets buckets(TrendBuckets::Size::Shift, QDateTime(QDate(2024, 6, 24), QTime(8, 0)),
        QDateTime(QDate(2024, 6, 24), QTime(20, 0)), shifts);
    QualityResult result;
    for (const TrendBuckets::Period& period : buckets.periods())
        result.trend.append({ period, 4, 1 });
    QVector<QStringList> rows;
    for (int r = 0; r < QualityTables::trendRowCount(result); ++r)
        rows << QualityTables::trendRow(result, r);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trend.csv"));
    QString error;
    QVERIFY2(
        QualityTables::writeCsv(path, QStringLiteral("=model"), QualityTables::trendHeader(), rows, &error),
        qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines
        = QTextCodec::codecForLocale()->toUnicode(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.at(0), QStringLiteral("\"'=model\""));
    QCOMPARE(lines.at(2), field + QStringLiteral(",4,1,25.00"));
}

QTEST_MAIN(TestPageLogic)
#include "tst_pagelogic.moc"
