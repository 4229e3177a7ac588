#include "modeldb.h"
#include "testappdir.h"

#include <QtTest>

class TestModelDB : public QObject
{
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void missingFileIsNotCreated();
    void refusesRecordOperations();
};

void TestModelDB::names_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("storage order, duplicates and empty names kept") << QStringLiteral(
        "CREATE TABLE modelTable (uid INTEGER PRIMARY KEY, model TEXT);"
        "INSERT INTO modelTable(model) VALUES('B');INSERT INTO modelTable(model) VALUES('A');"
        "INSERT INTO modelTable(model) VALUES('');INSERT INTO modelTable(model) VALUES('B')")
                                                                    << QStringList { "B", "A", "", "B" };
    QTest::newRow("no model column: one empty name per row") << QStringLiteral(
        "CREATE TABLE modelTable (name TEXT);INSERT INTO modelTable VALUES('A');"
        "INSERT INTO modelTable VALUES('B')") << QStringList { "", "" };
    QTest::newRow("no table") << QStringLiteral("CREATE TABLE other (model TEXT)") << QStringList();
}

void TestModelDB::names()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, expected);
    TestAppDir dir;
    QVERIFY(QDir().mkpath(QFileInfo(dir.modelDatabase()).absolutePath()));
    QVERIFY(TestAppDir::exec(dir.modelDatabase(), setup));
    ModelDB db(dir.modelDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());
    QCOMPARE(db.modelNames(), expected);
}

void TestModelDB::missingFileIsNotCreated()
{
    TestAppDir dir;
    QVERIFY(QDir().mkpath(QFileInfo(dir.modelDatabase()).absolutePath()));
    ModelDB db(dir.modelDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(!db.openDatabase());
    QVERIFY(db.modelNames().isEmpty());
    QVERIFY(!QFile::exists(dir.modelDatabase()));
}

void TestModelDB::refusesRecordOperations()
{
    TestAppDir dir;
    QVERIFY(dir.station().writeModels({ QStringLiteral("A1") }));
    ModelDB db(dir.modelDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());

    QSqlQuery given;
    QVERIFY(db.runDetached(QStringLiteral("select model from modelTable"), given));
    QVERIFY(given.next());
    QVERIFY(!db.execSql(QStringLiteral("delete from modelTable"), given));
    QCOMPARE(given.at(), 0); // left as it was
    QCOMPARE(given.value(0).toString(), QStringLiteral("A1"));
    QVERIFY(!db.queryRecords({ { QStringLiteral("Type"), 2 } }, given));
    QVERIFY(
        !db.insertLog({ QStringLiteral("m"), QStringLiteral("2020-01-01 00:00:00"), QStringLiteral("1") }));
    QVERIFY(!db.trimLogClass(1, 0));
    QVERIFY(!db.clearAll());
    QVERIFY(!db.deleteBefore(QStringLiteral("9999")));
    // Even the generic writes cannot change the station's file.
    QVERIFY(
        !db.insertRecord(QStringLiteral("modelTable"), { { QStringLiteral("model"), QStringLiteral("X") } }));
    QCOMPARE(db.modelNames(), QStringList { QStringLiteral("A1") });
}

QTEST_MAIN(TestModelDB)
#include "tst_modeldb.moc"
