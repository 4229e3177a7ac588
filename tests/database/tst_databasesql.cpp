#include "detectdatadb.h"
#include "testappdir.h"

#include <QtTest>

// Statement texts are what the station's other tools and the pages rely on, so
// they are compared byte for byte.
class TestDataBaseSql : public QObject
{
    Q_OBJECT

private slots:
    void builders_data();
    void builders();
    void buildQuerySql_data();
    void buildQuerySql();
    void quotedValuesStayValues();
    void insertUpdateDelete();
    void createTableReportsFailure();
    void unknownDriverFailsCleanly();
};

void TestDataBaseSql::builders_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    const QVariantMap ba { { QStringLiteral("b"), 2 }, { QStringLiteral("a"), QStringLiteral("x") } };
    QTest::newRow("insert sorts keys, quotes numbers")
        << insertSql(QStringLiteral("t"), ba) << QStringLiteral("INSERT INTO t(a,b) VALUES('x','2')");
    QTest::newRow("insert doubles quotes")
        << insertSql(QStringLiteral("t"), { { QStringLiteral("a"), QStringLiteral("O'Neil") } })
        << QStringLiteral("INSERT INTO t(a) VALUES('O''Neil')");
    QTest::newRow("insert upper case first")
        << insertSql(QStringLiteral("t"), { { QStringLiteral("b"), 1 }, { QStringLiteral("B"), 2 } })
        << QStringLiteral("INSERT INTO t(B,b) VALUES('2','1')");
    QTest::newRow("select all") << selectSql(QStringLiteral("t"), {}, QString())
                                << QStringLiteral("SELECT * FROM t");
    QTest::newRow("select columns where") << selectSql(
        QStringLiteral("t"), { QStringLiteral("a"), QStringLiteral("b") }, QStringLiteral("a = '1'"))
                                          << QStringLiteral("SELECT a,b FROM t WHERE a = '1'");
    QTest::newRow("select keeps percent in condition") << selectSql(QStringLiteral("t"), {},
        QStringLiteral("a LIKE '%1%'")) << QStringLiteral("SELECT * FROM t WHERE a LIKE '%1%'");
    QTest::newRow("equals") << equalsClause(QStringLiteral("type"), QStringLiteral("白班"))
                            << QStringLiteral("type = '白班'");
    QTest::newRow("equals quote") << equalsClause(QStringLiteral("type"), QStringLiteral("a'b"))
                                  << QStringLiteral("type = 'a''b'");
    QTest::newRow("update empty") << updateSql(QStringLiteral("t"), {}, QString())
                                  << QStringLiteral("UPDATE t SET ");
    QTest::newRow("update where") << updateSql(QStringLiteral("t"), ba, QStringLiteral("uid = '0'"))
                                  << QStringLiteral("UPDATE t SET a = 'x',b = '2' WHERE uid = '0'");
    QTest::newRow("delete all") << deleteSql(QStringLiteral("t"), QString())
                                << QStringLiteral("DELETE FROM t");
    QTest::newRow("delete where") << deleteSql(QStringLiteral("t"), QStringLiteral("a = '1'"))
                                  << QStringLiteral("DELETE FROM t WHERE a = '1'");
    QTest::newRow("add column") << addColumnSql(
        QStringLiteral("t"), QStringLiteral("c"), QStringLiteral("INT(100)"))
                                << QStringLiteral("ALTER TABLE t ADD COLUMN c INT(100)");
    QTest::newRow("drop column") << dropColumnSql(QStringLiteral("t"), QStringLiteral("c"))
                                 << QStringLiteral("ALTER TABLE t DROP c");
    QTest::newRow("create table worked example")
        << createTableSql(QStringLiteral("t"), QStringLiteral("uid"),
               QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL"),
               { { QStringLiteral("b"), QStringLiteral("INT(100)") },
                   { QStringLiteral("a"), QStringLiteral("BLOB") } })
        << QStringLiteral("CREATE TABLE IF NOT EXISTS t (uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, a "
                          "BLOB, b INT(100))");
    QTest::newRow("create table key only") << createTableSql(QStringLiteral("t"), QStringLiteral("id"),
        QStringLiteral("INT"), {}) << QStringLiteral("CREATE TABLE IF NOT EXISTS t (id INT)");
}

void TestDataBaseSql::builders()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestDataBaseSql::buildQuerySql_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("expected");

    const QString t1 = QStringLiteral("2020-01-01 08:00:00");
    const QString t2 = QStringLiteral("2020-01-01 20:00:00");
    const QString range
        = QStringLiteral(" where time >'2020-01-01 08:00:00' and time < '2020-01-01 20:00:00'");
    auto request = [&](int type, const QVariantMap& more) {
        QVariantMap map { { QStringLiteral("Type"), type }, { QStringLiteral("time1"), t1 },
            { QStringLiteral("time2"), t2 } };
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    };
    const QVariantMap count { { QStringLiteral("Count"), 1 } };
    const QVariantMap modelList { { QStringLiteral("CheckType"), QStringLiteral("Count") } };

    QTest::newRow("worked example")
        << request(1, { { QStringLiteral("name"), QStringLiteral("A1") }, { QStringLiteral("Count"), 1 } })
        << QStringLiteral("select count(*) from wftable where time >'2020-01-01 08:00:00' and time < "
                          "'2020-01-01 20:00:00' and model='A1'");
    QTest::newRow("0 rows") << request(0, {})
                            << QStringLiteral("select * from wftable where time ='2020-01-01 08:00:00'");
    QTest::newRow("1 ignores CheckType")
        << request(1,
               { { QStringLiteral("name"), QStringLiteral("B2") },
                   { QStringLiteral("CheckType"), QStringLiteral("Count") } })
        << QStringLiteral("select * from wftable") + range + QStringLiteral(" and model='B2'");
    QTest::newRow("1 quote in name") << request(
        1, { { QStringLiteral("name"), QStringLiteral("x' or '1'='1") } })
                                     << QStringLiteral("select * from wftable") + range
            + QStringLiteral(" and model='x'' or ''1''=''1'");
    QTest::newRow("2 rows") << request(2, {}) << QStringLiteral("select * from wftable") + range;
    QTest::newRow("2 model list") << request(2, modelList)
                                  << QStringLiteral("select model from wftable") + range;
    QTest::newRow("2 Count 2 is rows")
        << request(2, { { QStringLiteral("Count"), 2 } }) << QStringLiteral("select * from wftable") + range;
    QTest::newRow("4 Count before CheckType") << request(
        4, { { QStringLiteral("Count"), 1 }, { QStringLiteral("CheckType"), QStringLiteral("Count") } })
                                              << QStringLiteral("select count(*) from wftable") + range;
    QTest::newRow("4 model list") << request(4, modelList)
                                  << QStringLiteral("select model from wftable") + range;
    QTest::newRow("3 rows newest first") << request(3, { { QStringLiteral("logType"), 4 } })
                                         << QStringLiteral("select * from warningtable") + range
            + QStringLiteral(" and class = '4' order by time desc ");
    QTest::newRow("3 count") << request(
        3, { { QStringLiteral("logType"), 1 }, { QStringLiteral("Count"), 1 } })
                             << QStringLiteral("select count(*) from warningtable") + range
            + QStringLiteral(" and class = '1' order by time desc ");
    QTest::newRow("5 uid") << QVariantMap { { QStringLiteral("Type"), 5 }, { QStringLiteral("uid"), 17 } }
                           << QStringLiteral("select * from wftable where uid = 17 ");
    QTest::newRow("5 uid not a number") << QVariantMap { { QStringLiteral("Type"), 5 },
        { QStringLiteral("uid"), QStringLiteral("1 or 1=1") } }
                                        << QStringLiteral("select * from wftable where uid = NULL ");
    QTest::newRow("no Type") << QVariantMap() << QStringLiteral("select * from wftable where time =''");
    QTest::newRow("Type 6") << request(6, count) << QString();
    QTest::newRow("Type -1") << request(-1, {}) << QString();
}

void TestDataBaseSql::buildQuerySql()
{
    QFETCH(QVariantMap, request);
    QFETCH(QString, expected);
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QSQLITE"));
    QCOMPARE(db.buildQuerySql(request), expected);
}

void TestDataBaseSql::quotedValuesStayValues()
{
    TestAppDir dir;
    StationSimulator& station = dir.station();
    const QStringList names { QStringLiteral("O'Neil"), QStringLiteral("O"), QStringLiteral("x' or '1'='1") };
    for (const QString& name : names)
        QVERIFY(station.addDetection(
            QStringLiteral("2020-01-01 10:00:00"), name, 0.9, QStringLiteral("1.0"), 400, 200));
    dir.closeStation();

    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());
    for (const QString& name : names) {
        const QVariantMap request { { QStringLiteral("Type"), 1 },
            { QStringLiteral("time1"), QStringLiteral("2020-01-01 00:00:00") },
            { QStringLiteral("time2"), QStringLiteral("2020-01-02 00:00:00") },
            { QStringLiteral("name"), name } };
        QSqlQuery rows;
        QVERIFY(db.execSql(db.buildQuerySql(request), rows));
        QVERIFY2(rows.next(), qPrintable(name));
        QCOMPARE(rows.value(QStringLiteral("model")).toString(), name);
        QVERIFY(!rows.next());
    }
    QVERIFY(db.insertRecord(
        QStringLiteral("warningtable"), { { QStringLiteral("message"), QStringLiteral("it's") } }));
    QCOMPARE(
        TestAppDir::firstColumn(dir.detectionDatabase(), QStringLiteral("select message from warningtable")),
        QVariantList { QStringLiteral("it's") });
}

void TestDataBaseSql::insertUpdateDelete()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());
    const QVariantMap row { { QStringLiteral("class"), QStringLiteral("1") },
        { QStringLiteral("message"), QStringLiteral("m") } };

    QVERIFY(!db.insertRecord(QString(), row));
    QVERIFY(!db.insertRecord(QStringLiteral("warningtable"), {}));
    QVERIFY(db.insertRecord(QStringLiteral("warningtable"), row));
    QVERIFY(!db.insertRecord(QStringLiteral("nosuchtable"), row));
    QVERIFY(db.lastError().isValid());
    QVERIFY(db.insertRecord(QStringLiteral("warningtable"), row));
    QVERIFY(!db.lastError().isValid());

    // The probe table exists in no database of this system.
    QVERIFY(!db.updateRecords(QStringLiteral("warningtable"), row));
    QVERIFY(!db.updateRecords(QStringLiteral("warningtable"), {}));

    QVERIFY(!db.deleteRecords(QStringLiteral("warningtable"), QString()));
    QVERIFY(!db.deleteRecords(QStringLiteral("nosuchtable"), QStringLiteral("1=1")));
    QVERIFY(!db.deleteRecords(QStringLiteral("warningtable"), QStringLiteral("no such column = 1")));
    QVERIFY(db.deleteRecords(QStringLiteral("warningtable"), QStringLiteral("uid = 1")));
    QCOMPARE(TestAppDir::firstColumn(dir.detectionDatabase(), QStringLiteral("select uid from warningtable")),
        QVariantList { 2 });
}

void TestDataBaseSql::createTableReportsFailure()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.open());
    QVERIFY(db.createTable(
        QStringLiteral("t"), QStringLiteral("uid"), { { QStringLiteral("a"), QStringLiteral("BLOB") } }));
    QVERIFY(db.createTable(QStringLiteral("t"), QStringLiteral("uid"), {})); // IF NOT EXISTS
    QVERIFY(!db.createTable(QStringLiteral("bad name"), QStringLiteral("uid"), {}));
    QVERIFY(db.lastError().isValid());
}

void TestDataBaseSql::unknownDriverFailsCleanly()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QODBC9"));
    QVERIFY(!db.openDatabase());
    QVERIFY(!db.createTable(QStringLiteral("t"), QStringLiteral("uid"), {}));
    QSqlQuery rows;
    QVERIFY(db.execSql(QStringLiteral("select 1"), rows));
    QVERIFY(!rows.isActive());
    QVERIFY(rows.lastError().isValid());
    QVERIFY(!QFile::exists(dir.detectionDatabase()));
}

QTEST_MAIN(TestDataBaseSql)
#include "tst_databasesql.moc"
