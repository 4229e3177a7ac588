#include "detectdatadb.h"
#include "testappdir.h"

#include <QSqlRecord>
#include <QThread>
#include <QtTest>

#include <memory>

// The detached results that execSql hands out must read like live select
// results, in any thread, with the statement already finished.
class TestMemoryResult : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void navigation();
    void valuesAndRecord();
    void copiesAndOtherThreads();
    void clearAndExecAreHarmless();
    void failedStatement();
    void nonSelectStatement();
    void releasesTheReadLock();

private:
    QSqlQuery select();

    std::unique_ptr<TestAppDir> m_Dir;
    std::unique_ptr<DetectDataDB> m_Db;
};

void TestMemoryResult::init()
{
    m_Dir = std::make_unique<TestAppDir>();
    QVERIFY(TestAppDir::exec(m_Dir->detectionDatabase(),
        QStringLiteral("CREATE TABLE t (id INTEGER, name TEXT, pic BLOB);"
                       "INSERT INTO t VALUES(1, 'a', x'00ff10');"
                       "INSERT INTO t VALUES(2, NULL, NULL);"
                       "INSERT INTO t VALUES(3, '', x'')")));
    m_Db = std::make_unique<DetectDataDB>(m_Dir->detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(m_Db->openDatabase());
}

void TestMemoryResult::cleanup()
{
    m_Db.reset();
    m_Dir.reset();
}

QSqlQuery TestMemoryResult::select()
{
    QSqlQuery rows;
    m_Db->execSql(QStringLiteral("select id, name, pic from t order by id"), rows);
    return rows;
}

void TestMemoryResult::navigation()
{
    QSqlQuery rows = select();
    QVERIFY(rows.isActive());
    QVERIFY(rows.isSelect());
    QCOMPARE(rows.at(), int(QSql::BeforeFirstRow));
    QCOMPARE(rows.size(), 3);
    QVERIFY(!rows.previous());

    QList<int> ids;
    while (rows.next())
        ids.append(rows.value(0).toInt());
    QCOMPARE(ids, QList<int>({ 1, 2, 3 }));
    QCOMPARE(rows.at(), int(QSql::AfterLastRow));
    QVERIFY(rows.previous());
    QCOMPARE(rows.value(0).toInt(), 3);
    QVERIFY(rows.first());
    QCOMPARE(rows.value(0).toInt(), 1);
    QVERIFY(rows.last());
    QCOMPARE(rows.at(), 2);
    QVERIFY(rows.seek(1));
    QCOMPARE(rows.value(0).toInt(), 2);
    QVERIFY(rows.seek(1, true));
    QCOMPARE(rows.value(0).toInt(), 3);
    QVERIFY(!rows.seek(5));
    QVERIFY(!rows.isValid());
    QVERIFY(!rows.seek(-1));
}

void TestMemoryResult::valuesAndRecord()
{
    QSqlQuery rows = select();
    QCOMPARE(rows.record().count(), 3);
    QCOMPARE(rows.record().fieldName(1), QStringLiteral("name"));
    QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::value: not positioned on a valid record");
    QVERIFY(!rows.value(0).isValid()); // before the first row

    QVERIFY(rows.next());
    QCOMPARE(rows.value(QStringLiteral("name")).toString(), QStringLiteral("a"));
    QCOMPARE(rows.value(2).toByteArray(), QByteArray("\x00\xff\x10", 3));
    QCOMPARE(rows.record().value(QStringLiteral("id")).toInt(), 1);
    QVERIFY(!rows.value(7).isValid());

    QVERIFY(rows.next());
    QVERIFY(rows.isNull(1));
    QVERIFY(rows.isNull(QStringLiteral("pic")));

    QVERIFY(rows.next());
    QVERIFY(!rows.isNull(1)); // empty is not NULL
    QCOMPARE(rows.value(1).toString(), QString());
}

void TestMemoryResult::copiesAndOtherThreads()
{
    QSqlQuery rows = select();
    QVERIFY(rows.next());
    QSqlQuery copy = rows; // shares the position, as live queries do
    QVERIFY(copy.next());
    QCOMPARE(rows.at(), 1);

    // Made here, read to the end in another thread: no connection is touched.
    QSqlQuery handedOver = select();
    int sum = 0;
    QString names;
    std::unique_ptr<QThread> reader(QThread::create([&handedOver, &sum, &names] {
        while (handedOver.next()) {
            sum += handedOver.value(QStringLiteral("id")).toInt();
            names += handedOver.value(1).toString();
        }
        handedOver = QSqlQuery(); // and dropped there
    }));
    reader->start();
    QVERIFY(reader->wait(30000));
    QCOMPARE(sum, 6);
    QCOMPARE(names, QStringLiteral("a"));
}

void TestMemoryResult::clearAndExecAreHarmless()
{
    QSqlQuery rows = select();
    QVERIFY(rows.next());
    rows.finish();
    QVERIFY(!rows.isActive());
    QVERIFY(!rows.next());

    rows = select();
    rows.clear();
    QVERIFY(!rows.isActive());
    QCOMPARE(rows.size(), -1);
    QVERIFY(!rows.next());

    rows = select();
    QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::exec: database not open");
    QVERIFY(!rows.exec(QStringLiteral("select 1")));
}

void TestMemoryResult::failedStatement()
{
    QSqlQuery rows;
    QVERIFY(m_Db->execSql(QStringLiteral("select nosuchcolumn from t"), rows));
    QVERIFY(!rows.isActive());
    QVERIFY(!rows.next());
    QCOMPARE(rows.size(), -1);
    QCOMPARE(rows.lastError().type(), QSqlError::StatementError);
    QVERIFY(rows.lastError().databaseText().contains(QStringLiteral("nosuchcolumn")));
    QCOMPARE(rows.lastQuery(), QStringLiteral("select nosuchcolumn from t"));
    QCOMPARE(m_Db->lastError().databaseText(), rows.lastError().databaseText());
}

void TestMemoryResult::nonSelectStatement()
{
    QSqlQuery result;
    QVERIFY(m_Db->runDetached(QStringLiteral("update t set name = 'z' where id < 3"), result));
    QVERIFY(result.isActive());
    QVERIFY(!result.isSelect());
    QCOMPARE(result.numRowsAffected(), 2);
    QCOMPARE(result.size(), -1);
    QVERIFY(!result.next());
}

void TestMemoryResult::releasesTheReadLock()
{
    // A result still held must not keep the station from writing.
    QSqlQuery held = select();
    QVERIFY(held.next());
    QVERIFY(TestAppDir::exec(m_Dir->detectionDatabase(),
        QStringLiteral("PRAGMA busy_timeout = 0; INSERT INTO t VALUES(4, 'd', NULL)")));
    QCOMPARE(held.size(), 3);
}

QTEST_MAIN(TestMemoryResult)
#include "tst_memoryresult.moc"
