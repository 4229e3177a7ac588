#include "detectdatadb.h"
#include "testappdir.h"

#include <QSqlRecord>
#include <QtTest>

#include <memory>

namespace {

const QString Sqlite = QStringLiteral("QSQLITE");

QVariantList column(const TestAppDir& dir, const QString& sql)
{
    return TestAppDir::firstColumn(dir.detectionDatabase(), sql);
}

QStringList strings(const QVariantList& values)
{
    QStringList list;
    for (const QVariant& value : values)
        list.append(value.toString());
    return list;
}

// Rows of the statement's first column, read through execSql.
QStringList execColumn(DetectDataDB& db, const QString& sql, const QString& name)
{
    QSqlQuery rows;
    db.execSql(sql, rows);
    QStringList values;
    while (rows.next())
        values.append(rows.value(name).toString());
    return values;
}

} // namespace

class TestDetectDataDB : public QObject
{
    Q_OBJECT

private slots:
    void schemaOnEmptyFile();
    void schemaOnPartialFile();
    void shifts();
    void stationShifts_data();
    void stationShifts();
    void queryKinds_data();
    void queryKinds();
    void queryRecordsUsesRowForm();
    void failedStatementIsReported();
    void insertDetectionStoresBlobAndReportsFailure();
    void deleteBeforeKeepsCutOff();
    void trimLogClass_data();
    void trimLogClass();
    void clearAllKeepsShifts();

private:
    // Detections at 08:00, 10:00 (A1 twice, B2), 20:00 (B2) on 2020-01-01 and
    // logs of classes 1 and 4, written by the station (which stays open).
    void fillQueryData(TestAppDir& dir);
};

void TestDetectDataDB::schemaOnEmptyFile()
{
    TestAppDir dir;
    for (int opening = 0; opening < 2; ++opening) { // the second one changes nothing
        if (opening > 0) // the registered name outlives the first object
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(QStringLiteral("duplicate connection name")));
        DetectDataDB db(dir.detectionDatabase(), Sqlite);
        QVERIFY(db.openDatabase());
    }
    const QStringList expected {
        QStringLiteral("CREATE INDEX idx_warningtable ON warningtable (time COLLATE BINARY ASC)"),
        QStringLiteral("CREATE INDEX idx_wftable ON wftable (time COLLATE BINARY ASC)"),
        QStringLiteral("CREATE TABLE warningtable (uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, class "
                       "VARCHAR(32), message VARCHAR(256), time DATETIME(32))"),
        QStringLiteral(
            "CREATE TABLE wftable (uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, channel INT(100), "
            "correlate INT(100), detecttime VARCHAR(32), diameter INT(100), hight INT(100), model "
            "VARCHAR(32), pic BLOB, time DATETIME(32))"),
        QStringLiteral(
            "CREATE TABLE wftimetable_2 (uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, EndType "
            "INT(100), endtime VARCHAR(32), startType INT(100), starttime VARCHAR(32), type VARCHAR(32))"),
    };
    QCOMPARE(strings(column(dir,
                 QStringLiteral("select sql from sqlite_master where name not like 'sqlite%' "
                                "order by sql"))),
        expected);
}

void TestDetectDataDB::schemaOnPartialFile()
{
    TestAppDir dir;
    const QString existing = QStringLiteral("CREATE TABLE wftable (uid INTEGER PRIMARY KEY, time TEXT)");
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(), existing));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QCOMPARE(strings(column(dir,
                 QStringLiteral("select name from sqlite_master where name not like 'sqlite%' "
                                "order by name"))),
        QStringList({ QStringLiteral("idx_warningtable"), QStringLiteral("warningtable"),
            QStringLiteral("wftable"), QStringLiteral("wftimetable_2") }));
    QCOMPARE(column(dir, QStringLiteral("select sql from sqlite_master where name = 'wftable'"))
                 .value(0)
                 .toString(),
        existing);
}

void TestDetectDataDB::shifts()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    ShiftRecord day;
    day.type = QStringLiteral("白班");
    day.startTime = QTime(8, 0);
    day.endTime = QTime(20, 0);
    day.endType = 1;
    QVERIFY(db.insertShift(day));
    QCOMPARE(strings(column(dir, QStringLiteral("select starttime || '-' || endtime from wftimetable_2"))),
        QStringList { QStringLiteral("08:00:00-20:00:00") });
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
        QStringLiteral("INSERT INTO wftimetable_2(type,starttime,endtime,startType,EndType) "
                       "VALUES('白班','09:00:00','21:00:00',2,3);"
                       "INSERT INTO wftimetable_2(type,starttime,endtime) "
                       "VALUES('夜班','8:00:00','x')")));

    QMap<QString, ShiftRecord> shifts;
    ShiftRecord kept;
    kept.type = QStringLiteral("kept");
    shifts.insert(kept.type, kept);
    QVERIFY(db.readShifts(&shifts));
    QCOMPARE(shifts.size(), 3); // not cleared first
    const ShiftRecord later = shifts.value(QStringLiteral("白班"));
    QCOMPARE(later.uid, 2); // the later row of the same name wins
    QCOMPARE(later.startTime, QTime(9, 0));
    QCOMPARE(later.endTime, QTime(21, 0));
    QCOMPARE(later.startType, 2);
    QCOMPARE(later.endType, 3);
    QVERIFY(shifts.value(QStringLiteral("夜班")).startTime.isNull()); // one-digit hour
    QVERIFY(shifts.value(QStringLiteral("夜班")).endTime.isNull());

    QVERIFY(db.deleteShift(day));
    QCOMPARE(strings(column(dir, QStringLiteral("select type from wftimetable_2"))),
        QStringList { QStringLiteral("夜班") });

    QVERIFY(TestAppDir::exec(dir.detectionDatabase(), QStringLiteral("DROP TABLE wftimetable_2")));
    QMap<QString, ShiftRecord> untouched;
    QVERIFY(!db.readShifts(&untouched));
    QVERIFY(untouched.isEmpty());
}

void TestDetectDataDB::stationShifts_data()
{
    QTest::addColumn<QString>("station"); // empty: the plant
    QTest::addColumn<QStringList>("expected"); // name=start-end
    QTest::newRow("plant: a shared name is the first station's")
        << QString() << QStringList { "中班=16:00-00:00", "夜班=21:00-09:00", "早班=07:00-15:00" };
    QTest::newRow("one station: its own times, its later row")
        << QStringLiteral("L1") << QStringList { "夜班=21:00-09:00", "早班=08:00-16:00" };
    QTest::newRow("the other station")
        << QStringLiteral("L2") << QStringList { "中班=16:00-00:00", "早班=07:00-15:00" };
    QTest::newRow("a station without shifts") << QStringLiteral("L3") << QStringList();
}

void TestDetectDataDB::stationShifts()
{
    QFETCH(QString, station);
    QFETCH(QStringList, expected);
    StationShifts shifts;
    for (const char* row : { "L2|早班|07:00|15:00", "L1|早班|08:00|16:00", "L1|夜班|20:00|08:00",
             "L2|中班|16:00|00:00", "L1|夜班|21:00|09:00" }) {
        const QStringList f = QString::fromUtf8(row).split(QLatin1Char('|'));
        ShiftRecord shift;
        shift.type = f[1];
        shift.startTime = QTime::fromString(f[2], QStringLiteral("hh:mm"));
        shift.endTime = QTime::fromString(f[3], QStringLiteral("hh:mm"));
        shifts.add(f[0], shift);
    }
    QStringList got;
    const QMap<QString, ShiftRecord> map = shifts.of(station);
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        got << QStringLiteral("%1=%2-%3")
                   .arg(it.key(), it->startTime.toString(QStringLiteral("hh:mm")),
                       it->endTime.toString(QStringLiteral("hh:mm")));
    QCOMPARE(got, expected);
}

void TestDetectDataDB::fillQueryData(TestAppDir& dir)
{
    StationSimulator& station = dir.station();
    const QString day = QStringLiteral("2020-01-01 ");
    QVERIFY(station.addDetection(
        day + QStringLiteral("08:00:00"), QStringLiteral("A1"), 0.9, QStringLiteral("1"), 400, 200));
    QVERIFY(station.addDetection(
        day + QStringLiteral("10:00:00"), QStringLiteral("A1"), 0.9, QStringLiteral("1"), 400, 200));
    QVERIFY(station.addDetection(
        day + QStringLiteral("10:00:00"), QStringLiteral("A1"), 0.9, QStringLiteral("1"), 400, 200));
    QVERIFY(station.addDetection(
        day + QStringLiteral("10:00:00"), QStringLiteral("B2"), 0.9, QStringLiteral("1"), 400, 200));
    QVERIFY(station.addDetection(
        day + QStringLiteral("20:00:00"), QStringLiteral("B2"), 0.9, QStringLiteral("1"), 400, 200));
    QVERIFY(station.addLog(day + QStringLiteral("09:00:00"), QStringLiteral("a"), 1));
    QVERIFY(station.addLog(day + QStringLiteral("11:00:00"), QStringLiteral("b"), 1));
    QVERIFY(station.addLog(day + QStringLiteral("10:00:00"), QStringLiteral("c"), 4));
}

void TestDetectDataDB::queryKinds_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("expected");

    const QVariantMap range { { QStringLiteral("time1"), QStringLiteral("2020-01-01 08:00:00") },
        { QStringLiteral("time2"), QStringLiteral("2020-01-01 20:00:00") } };
    auto with = [&](int type, const QVariantMap& more) {
        QVariantMap map = range;
        map.insert(QStringLiteral("Type"), type);
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    };

    QTest::newRow("0 exact time") << with(
        0, { { QStringLiteral("time1"), QStringLiteral("2020-01-01 10:00:00") } })
                                  << QStringLiteral("uid") << QStringList { "2", "3", "4" };
    QTest::newRow("1 bounds exclusive") << with(1, { { QStringLiteral("name"), QStringLiteral("A1") } })
                                        << QStringLiteral("uid") << QStringList { "2", "3" };
    QTest::newRow("4 model list") << with(4, { { QStringLiteral("CheckType"), QStringLiteral("Count") } })
                                  << QStringLiteral("model") << QStringList { "A1", "A1", "B2" };
    QTest::newRow("3 newest first") << with(3, { { QStringLiteral("logType"), 1 } })
                                    << QStringLiteral("message") << QStringList { "b", "a" };
    QTest::newRow("5 no number") << QVariantMap { { QStringLiteral("Type"), 5 },
        { QStringLiteral("uid"), QStringLiteral("uid") } }
                                 << QStringLiteral("uid") << QStringList();
}

void TestDetectDataDB::queryKinds()
{
    QFETCH(QVariantMap, request);
    QFETCH(QString, column);
    QFETCH(QStringList, expected);
    TestAppDir dir;
    fillQueryData(dir);
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QCOMPARE(execColumn(db, db.buildQuerySql(request), column), expected);
    QVERIFY(!db.lastError().isValid());
}

void TestDetectDataDB::queryRecordsUsesRowForm()
{
    TestAppDir dir;
    fillQueryData(dir);
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QVariantMap request { { QStringLiteral("Type"), 2 }, { QStringLiteral("Count"), 1 },
        { QStringLiteral("CheckType"), QStringLiteral("Count") },
        { QStringLiteral("time1"), QStringLiteral("2020-01-01 00:00:00") },
        { QStringLiteral("time2"), QStringLiteral("2020-01-02 00:00:00") } };
    QSqlQuery rows;
    QVERIFY(db.queryRecords(request, rows));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.record().count(), 9);

    request.insert(QStringLiteral("Type"), 4); // not a kind queryRecords serves
    QVERIFY(db.queryRecords(request, rows));
    QVERIFY(!rows.isActive());
}

void TestDetectDataDB::failedStatementIsReported()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QSqlQuery rows;
    QVERIFY(db.execSql(QStringLiteral("select * from nosuchtable"), rows)); // true as the callers expect
    QVERIFY(!rows.isActive());
    QVERIFY(!rows.next());
    QCOMPARE(rows.lastError().type(), QSqlError::StatementError);
    QVERIFY(db.lastError().isValid());
    QVERIFY(db.execSql(QStringLiteral("select count(*) from wftable"), rows));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toInt(), 0);
    QVERIFY(!db.lastError().isValid()); // "no rows" is no failure
}

void TestDetectDataDB::insertDetectionStoresBlobAndReportsFailure()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    const QByteArray pic("\x89PNG\0\x01\xff", 7);
    QVERIFY(db.insertDetection({ { QStringLiteral("model"), QStringLiteral("A1") },
        { QStringLiteral("pic"), pic }, { QStringLiteral("time"), QStringLiteral("2020-01-01 08:00:00") } }));
    QCOMPARE(strings(column(dir, QStringLiteral("select typeof(pic) from wftable"))),
        QStringList { QStringLiteral("blob") });
    QSqlQuery rows;
    db.execSql(QStringLiteral("select pic from wftable"), rows);
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toByteArray(), pic);

    QVERIFY(!db.insertDetection({ { QStringLiteral("nosuchcolumn"), 1 } }));
    QVERIFY(db.lastError().isValid());
    QCOMPARE(column(dir, QStringLiteral("select count(*) from wftable")).value(0).toInt(), 1);
}

void TestDetectDataDB::deleteBeforeKeepsCutOff()
{
    TestAppDir dir;
    fillQueryData(dir);
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QVERIFY(db.deleteBefore(QStringLiteral("2020-01-01 10:00:00")));
    QCOMPARE(
        strings(column(dir, QStringLiteral("select uid from wftable"))), QStringList({ "2", "3", "4", "5" }));
    QCOMPARE(column(dir, QStringLiteral("select count(*) from warningtable")).value(0).toInt(), 3);
    QVERIFY(db.deleteBefore(QStringLiteral("'"))); // a quote is a value, not a broken statement
    QVERIFY(!db.lastError().isValid());
}

void TestDetectDataDB::trimLogClass_data()
{
    QTest::addColumn<int>("keep");
    QTest::addColumn<QStringList>("remaining"); // class 1 messages, newest first

    QTest::newRow("keep 0") << 0 << QStringList();
    QTest::newRow("keep 2 of 4") << 2 << QStringList { "d", "c" };
    QTest::newRow("exactly 4") << 4 << QStringList { "d", "c", "b", "a" };
    QTest::newRow("more than 4") << 9 << QStringList { "d", "c", "b", "a" };
}

void TestDetectDataDB::trimLogClass()
{
    QFETCH(int, keep);
    QFETCH(QStringList, remaining);
    TestAppDir dir;
    StationSimulator& station = dir.station();
    // Inserted out of time order: survival follows time, not insertion.
    QVERIFY(station.addLog(QStringLiteral("2020-01-01 03:00:00"), QStringLiteral("c"), 1));
    QVERIFY(station.addLog(QStringLiteral("2020-01-01 01:00:00"), QStringLiteral("a"), 1));
    QVERIFY(station.addLog(QStringLiteral("2020-01-01 04:00:00"), QStringLiteral("d"), 1));
    QVERIFY(station.addLog(QStringLiteral("2020-01-01 02:00:00"), QStringLiteral("b"), 1));
    QVERIFY(station.addLog(QStringLiteral("2020-01-01 00:00:00"), QStringLiteral("other"), 4));
    dir.closeStation();

    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QVERIFY(db.trimLogClass(1, keep));
    QVERIFY(!db.lastError().isValid());
    QCOMPARE(strings(column(dir,
                 QStringLiteral("select message from warningtable where class = '1' order by time desc"))),
        remaining);
    QCOMPARE(
        column(dir, QStringLiteral("select count(*) from warningtable where class = '4'")).value(0).toInt(),
        1);
}

void TestDetectDataDB::clearAllKeepsShifts()
{
    TestAppDir dir;
    fillQueryData(dir);
    QVERIFY(dir.station().addShift(QStringLiteral("白班"), QTime(8, 0), QTime(20, 0)));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QVERIFY(
        db.insertLog({ QStringLiteral("m"), QStringLiteral("2020-01-02 00:00:00"), QStringLiteral("5") }));
    QCOMPARE(strings(column(
                 dir, QStringLiteral("select class || message || time from warningtable where uid = 4"))),
        QStringList { QStringLiteral("5m2020-01-02 00:00:00") });
    QVERIFY(db.clearAll());
    QCOMPARE(
        column(dir,
            QStringLiteral("select (select count(*) from wftable) + (select count(*) from warningtable)")),
        QVariantList { 0 });
    QCOMPARE(column(dir, QStringLiteral("select count(*) from wftimetable_2")), QVariantList { 1 });
}

QTEST_MAIN(TestDetectDataDB)
#include "tst_detectdatadb.moc"
