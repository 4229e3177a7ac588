#include "detectdatadb.h"
#include "testappdir.h"

#include <QSemaphore>
#include <QSqlRecord>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const QString Sqlite = QStringLiteral("QSQLITE");
// Runs until interrupted: billions of steps.
const QString EndlessSql = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                          "WHERE x < 100000000000) SELECT count(*) FROM c");

QStringList cloneConnections()
{
    return QSqlDatabase::connectionNames().filter(QStringLiteral("(thread clone"));
}

std::unique_ptr<QThread> runInThread(std::function<void()> work)
{
    std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
    thread->start();
    return thread;
}

int countOf(DetectDataDB& db, const QString& sql)
{
    QSqlQuery rows;
    db.execSql(sql, rows);
    return rows.next() ? rows.value(0).toInt() : -1;
}

// What every reader of the stress test must see.
struct Expected
{
    int total = 0;
    QMap<QString, int> perModel;
    int maxUid = 0;
};

} // namespace

// Every thread gets its own connection, so the one DetectDataDB of the window
// can be used by the workers and one-shot threads at the same time.
class TestThreadConnections : public QObject
{
    Q_OBJECT

private slots:
    void otherThreadsGetReadOnlyClones();
    void objectMayDieBeforeItsClones();
    void interruptStopsOtherThreads();
    void interruptStopsOwnerThread();
    void concurrentReaders();
    void readersBesideLiveStation();
};

void TestThreadConnections::otherThreadsGetReadOnlyClones()
{
    TestAppDir dir;
    QVERIFY(dir.generate(20));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QVERIFY(cloneConnections().isEmpty());

    QString connectionName;
    bool rawWriteFailed = false;
    bool errorIsThreadLocal = false;
    int afterDelete = -1;
    runInThread([&] {
        connectionName = db.database().connectionName();
        QSqlQuery result;
        db.execSql(QStringLiteral("delete from wftable"), result);
        rawWriteFailed = !result.isActive() && db.lastError().isValid();
        // The maintenance worker's deletions still work from its thread.
        db.deleteBefore(QStringLiteral("9999-12-31 00:00:00"));
        afterDelete = countOf(db, QStringLiteral("select count(*) from wftable"));
        errorIsThreadLocal = !db.lastError().isValid();
    })->wait();

    QVERIFY(connectionName != db.database().connectionName());
    QVERIFY(rawWriteFailed);
    QVERIFY(errorIsThreadLocal);
    QCOMPARE(afterDelete, 0);
    QVERIFY(!db.lastError().isValid()); // the worker's failure stays in its thread
    QCOMPARE(cloneConnections(), QStringList()); // removed when the thread ended
}

void TestThreadConnections::objectMayDieBeforeItsClones()
{
    TestAppDir dir;
    QVERIFY(dir.generate(5));
    auto db = std::make_unique<DetectDataDB>(dir.detectionDatabase(), Sqlite);
    QVERIFY(db->openDatabase());
    DetectDataDB* raw = db.get();
    QSemaphore used;
    QSemaphore destroyed;
    int count = -1;
    std::unique_ptr<QThread> thread = runInThread([&] {
        count = countOf(*raw, QStringLiteral("select count(*) from wftable"));
        used.release();
        destroyed.acquire(); // the clone outlives its object from here on
    });
    used.acquire();
    raw->setInterrupted(true); // the clone's handler reads shared state, not the object
    db.reset();
    destroyed.release();
    QVERIFY(thread->wait(30000));
    QCOMPARE(count, 5);
    QCOMPARE(cloneConnections(), QStringList());
}

void TestThreadConnections::interruptStopsOtherThreads()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QSemaphore started;
    QSqlQuery result;
    bool reported = false;
    std::unique_ptr<QThread> thread = runInThread([&] {
        started.release();
        reported = db.execSql(EndlessSql, result);
    });
    started.acquire();
    QThread::msleep(50); // let the statement get going; either way it must stop
    db.setInterrupted(true);
    QVERIFY(thread->wait(60000));
    QVERIFY(reported);
    QVERIFY(!result.isActive());
    QVERIFY(result.lastError().databaseText().contains(QStringLiteral("interrupt")));

    QVERIFY(db.isInterrupted());
    QCOMPARE(countOf(db, QStringLiteral("select 1")), -1); // later statements are refused too
    db.setInterrupted(false);
    QCOMPARE(countOf(db, QStringLiteral("select 1")), 1);
}

void TestThreadConnections::interruptStopsOwnerThread()
{
    TestAppDir dir;
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    std::atomic_bool finished { false };
    std::thread interrupter([&db, &finished] {
        QThread::msleep(50);
        db.setInterrupted(true);
        finished = true;
    });
    QSqlQuery result;
    db.execSql(EndlessSql, result);
    interrupter.join();
    QVERIFY(finished);
    QVERIFY(!result.isActive());
    QVERIFY(db.lastError().isValid());
    bool streamed = db.forEachRow(QStringLiteral("select 1"), [](const QSqlQuery&) { return true; });
    QVERIFY(!streamed);
    db.setInterrupted(false);
    int rows = 0;
    streamed = db.forEachRow(QStringLiteral("select uid from wftable union all select 1 union all select 2"),
        [&rows](const QSqlQuery&) { return ++rows < 1; });
    QVERIFY(streamed);
    QCOMPARE(rows, 1); // stopped early on request
}

void TestThreadConnections::concurrentReaders()
{
    TestAppDir dir;
    QVERIFY(dir.generate(3000));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());

    Expected expected;
    expected.total = countOf(db, QStringLiteral("select count(*) from wftable"));
    expected.maxUid = countOf(db, QStringLiteral("select max(uid) from wftable"));
    QSqlQuery groups;
    db.execSql(QStringLiteral("select model, count(*) from wftable group by model"), groups);
    while (groups.next())
        expected.perModel.insert(groups.value(0).toString(), groups.value(1).toInt());
    QCOMPARE(expected.total, 3000);
    QVERIFY(expected.perModel.size() >= 4);

    QAtomicInt checks;
    QAtomicInt failures;
    auto fail = [&failures](const QString& what) {
        if (failures.fetchAndAddRelaxed(1) == 0)
            qWarning("first failure: %s", qPrintable(what));
    };
    // One request of the kinds the pages send, checked against the expected rows.
    auto check = [&](int step) {
        QSqlQuery rows;
        const QString models = expected.perModel.keys().at(step % expected.perModel.size());
        switch (step % 4) {
        case 0: {
            const QVariantMap request { { QStringLiteral("Type"), 1 }, { QStringLiteral("Count"), 1 },
                { QStringLiteral("time1"), QStringLiteral("2000-01-01 00:00:00") },
                { QStringLiteral("time2"), QStringLiteral("2100-01-01 00:00:00") },
                { QStringLiteral("name"), models } };
            const int count = countOf(db, db.buildQuerySql(request));
            if (count != expected.perModel.value(models))
                fail(QStringLiteral("count of %1: %2").arg(models).arg(count));
            break;
        }
        case 1: {
            const int offset = (step * 37) % (expected.total - 50);
            db.execSql(
                QStringLiteral("select * from wftable order by uid limit 50 offset %1").arg(offset), rows);
            int seen = 0;
            while (rows.next()) {
                if (rows.value(QStringLiteral("uid")).toInt() != offset + 1 + seen
                    || rows.value(QStringLiteral("pic")).toByteArray().isEmpty()
                    || rows.record().count() != 9)
                    fail(QStringLiteral("page at %1 row %2").arg(offset).arg(seen));
                ++seen;
            }
            if (seen != 50)
                fail(QStringLiteral("page at %1 has %2 rows").arg(offset).arg(seen));
            break;
        }
        case 2: {
            const int uid = 1 + (step * 13) % expected.maxUid;
            db.execSql(
                db.buildQuerySql({ { QStringLiteral("Type"), 5 }, { QStringLiteral("uid"), uid } }), rows);
            if (!rows.next() || rows.value(QStringLiteral("uid")).toInt() != uid || rows.next())
                fail(QStringLiteral("uid %1").arg(uid));
            break;
        }
        default: {
            db.execSql(
                QStringLiteral("select model,count(model) from (select model from wftable) GROUP BY model ;"),
                rows);
            QMap<QString, int> counted;
            while (rows.next())
                counted.insert(rows.value(0).toString(), rows.value(1).toInt());
            if (counted != expected.perModel)
                fail(QStringLiteral("grouping"));
        }
        }
        checks.fetchAndAddRelaxed(1);
    };

    const int workers = 8;
    const int iterations = 40;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int w = 0; w < workers; ++w)
        threads.push_back(runInThread([&check, w] {
            for (int i = 0; i < iterations; ++i)
                check(w * iterations + i);
        }));
    // Meanwhile: one-shot threads, two at a time, and the owner thread itself.
    for (int i = 0; i < 40; ++i) {
        std::unique_ptr<QThread> first = runInThread([&check, i] { check(1000 + 2 * i); });
        std::unique_ptr<QThread> second = runInThread([&check, i] { check(1001 + 2 * i); });
        check(2000 + i);
        QVERIFY(first->wait(60000));
        QVERIFY(second->wait(60000));
    }
    for (auto& thread : threads)
        QVERIFY(thread->wait(120000));

    QCOMPARE(failures.loadRelaxed(), 0);
    QCOMPARE(checks.loadRelaxed(), workers * iterations + 3 * 40);
    QCOMPARE(cloneConnections(), QStringList());
}

void TestThreadConnections::readersBesideLiveStation()
{
    TestAppDir dir;
    QVERIFY(dir.generate(200));
    StationSimulator station(dir.options(0));
    StationSimulator::LiveReport report;
    std::unique_ptr<QThread> writer = runInThread([&station, &report] {
        report = station.runLive(200, 0);
        station.close();
    });

    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QAtomicInt failures;
    std::vector<std::unique_ptr<QThread>> readers;
    for (int r = 0; r < 4; ++r)
        readers.push_back(runInThread([&db, &failures] {
            int last = 0;
            for (int i = 0; i < 60; ++i) {
                QSqlQuery rows;
                db.execSql(QStringLiteral("select count(*), max(uid) from wftable"), rows);
                // Counts only grow, and every statement succeeds despite the writes.
                if (!rows.next() || rows.value(0).toInt() < last
                    || rows.value(0).toInt() != rows.value(1).toInt())
                    failures.fetchAndAddRelaxed(1);
                last = rows.value(0).toInt();
                QThread::msleep(5);
            }
        }));
    for (auto& reader : readers)
        QVERIFY(reader->wait(120000));
    station.requestStop();
    QVERIFY(writer->wait(60000));

    QCOMPARE(failures.loadRelaxed(), 0);
    QVERIFY(report.writes > 0);
    QCOMPARE(report.failedWrites, 0);
    QCOMPARE(countOf(db, QStringLiteral("select count(*) from wftable")), 200 + report.writes);
    qInfo("live station: %d writes, longest wait %lld ms", report.writes, report.longestWaitMs);
}

QTEST_MAIN(TestThreadConnections)
#include "tst_threadconnections.moc"
