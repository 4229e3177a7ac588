#include "detectdatadb.h"
#include "testappdir.h"

#include <QSqlRecord>
#include <QtTest>

// Bulk reads go through SQLite's own interface; their values must be exactly
// those Qt's driver gives for the same rows, or exports would differ from the
// screen.
class TestRowValues : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void sameValuesAsQtDriver_data();
    void sameValuesAsQtDriver();
    void missingColumnIsInvalid();
    void failureIsReported();
    void stopsWhenAsked();

private:
    std::unique_ptr<TestAppDir> m_Dir;
    std::unique_ptr<DetectDataDB> m_Db;
};

void TestRowValues::initTestCase()
{
    m_Dir.reset(new TestAppDir);
    QVERIFY(TestAppDir::exec(m_Dir->detectionDatabase(),
        "create table t (k integer primary key, v);"
        "insert into t values (1, NULL);"
        "insert into t values (2, 42);"
        "insert into t values (3, -9007199254740993);"
        "insert into t values (4, 0.1);"
        "insert into t values (5, 1e300);"
        "insert into t values (6, ' 1.2345 ');"
        "insert into t values (7, 'O''Neil, \"A\"' || char(10) || char(128512));"
        "insert into t values (8, x'00ff41');"
        "insert into t values (9, cast(x'41ff42' as text));"
        "insert into t values (10, '')"));
    m_Db.reset(new DetectDataDB(m_Dir->detectionDatabase(), QStringLiteral("QSQLITE")));
    QVERIFY(m_Db->openDatabase());
}

void TestRowValues::cleanupTestCase()
{
    m_Db.reset();
    m_Dir.reset();
}

void TestRowValues::sameValuesAsQtDriver_data()
{
    QTest::addColumn<int>("key");
    const char* const names[] = { "null", "integer", "big integer", "float", "huge float", "number as text",
        "quotes, comma, line break, non-BMP", "blob", "invalid UTF-8 text", "empty text" };
    for (int k = 1; k <= 10; ++k)
        QTest::newRow(names[k - 1]) << k;
}

void TestRowValues::sameValuesAsQtDriver()
{
    QFETCH(int, key);
    const QString sql = QStringLiteral("select k, v from t where k = %1").arg(key);
    QSqlQuery expected;
    QVERIFY(m_Db->runDetached(sql, expected));
    QVERIFY(expected.next());
    QVector<QVariant> got;
    QVERIFY(m_Db->forEachRowValues(
        sql, { QStringLiteral("v"), QStringLiteral("k") }, [&](const QVector<QVariant>& values) {
            got = values;
            return true;
        }));
    QCOMPARE(got.size(), 2);
    QCOMPARE(got.at(0).userType(), expected.value(1).userType());
    QCOMPARE(got.at(0).isNull(), expected.value(1).isNull());
    QCOMPARE(got.at(0), expected.value(1));
    QCOMPARE(got.at(0).toString(), expected.value(1).toString());
    QCOMPARE(got.at(0).toDouble(), expected.value(1).toDouble());
    QCOMPARE(got.at(1), expected.value(0));
}

void TestRowValues::missingColumnIsInvalid()
{
    QVector<QVariant> got;
    QVERIFY(m_Db->forEachRowValues(QStringLiteral("select k from t where k = 2"),
        { QStringLiteral("nosuch"), QStringLiteral("k") }, [&](const QVector<QVariant>& values) {
            got = values;
            return true;
        }));
    QCOMPARE(got.size(), 2);
    QVERIFY(!got.at(0).isValid());
    QCOMPARE(got.at(1).toInt(), 2);
}

void TestRowValues::failureIsReported()
{
    int rows = 0;
    QVERIFY(!m_Db->forEachRowValues(QStringLiteral("select * from nosuch"), { QStringLiteral("k") },
        [&](const QVector<QVariant>&) { return ++rows > 0; }));
    QCOMPARE(rows, 0);
    QVERIFY(m_Db->lastError().text().contains(QStringLiteral("nosuch")));

    m_Db->setInterrupted(true);
    QVERIFY(!m_Db->forEachRowValues(QStringLiteral("select k from t"), { QStringLiteral("k") },
        [&](const QVector<QVariant>&) { return ++rows > 0; }));
    m_Db->setInterrupted(false);
    QCOMPARE(rows, 0);
    // A statement that succeeds clears the error again.
    QVERIFY(m_Db->forEachRowValues(QStringLiteral("select k from t"), { QStringLiteral("k") },
        [&](const QVector<QVariant>&) { return true; }));
    QVERIFY(!m_Db->lastError().isValid());
}

void TestRowValues::stopsWhenAsked()
{
    int rows = 0;
    QVERIFY(m_Db->forEachRowValues(QStringLiteral("select k from t order by k"), { QStringLiteral("k") },
        [&](const QVector<QVariant>&) { return ++rows < 3; }));
    QCOMPARE(rows, 3);
}

QTEST_GUILESS_MAIN(TestRowValues)
#include "tst_rowvalues.moc"
