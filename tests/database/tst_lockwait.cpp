// A statement that finds the station's write lock waits for it (up to the busy
// timeout) instead of failing, and stops waiting at once when the database
// object is interrupted, so closing the viewer never waits for the station.

#include "detectdatadb.h"
#include "testappdir.h"

#include <QSemaphore>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString Sqlite = QStringLiteral("QSQLITE");
const QString CountSql = QStringLiteral("select count(*) from wftable");

// Holds the write lock the way a station does while it commits, on a thread
// of its own, until released or holdMs has passed. locked is released once
// the lock is taken (or taking it failed: see *ok).
std::unique_ptr<QThread> holdLock(
    const QString& file, int holdMs, QSemaphore* locked, QSemaphore* release, std::atomic_bool* ok)
{
    std::unique_ptr<QThread> thread(QThread::create([=] {
        const QString name = QStringLiteral("station lock");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(Sqlite, name);
            db.setDatabaseName(file);
            *ok = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
            locked->release();
            if (*ok) {
                release->tryAcquire(1, holdMs);
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }));
    thread->start();
    return thread;
}

// Runs the count where the row says: in the thread that made the object (its
// own connection) or in another one (a clone).
void runCount(DetectDataDB& db, bool ownerThread, int* count, QString* error)
{
    const auto query = [&db, count, error] {
        QSqlQuery rows;
        db.execSql(CountSql, rows);
        *error = rows.lastError().text();
        *count = rows.next() ? rows.value(0).toInt() : -1;
    };
    if (ownerThread) {
        query();
    } else {
        std::unique_ptr<QThread> worker(QThread::create(query));
        worker->start();
        worker->wait();
    }
}

} // namespace

class TestLockWait : public QObject
{
    Q_OBJECT
private slots:
    void waitsForTheStation_data();
    void waitsForTheStation();
    void interruptEndsTheWait_data();
    void interruptEndsTheWait();
};

void TestLockWait::waitsForTheStation_data()
{
    QTest::addColumn<bool>("ownerThread");
    QTest::newRow("owner thread") << true;
    QTest::newRow("other thread") << false;
}

void TestLockWait::waitsForTheStation()
{
    QFETCH(bool, ownerThread);
    TestAppDir dir;
    QVERIFY(dir.generate(30));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    QVERIFY(db.openDatabase());
    QSemaphore locked;
    QSemaphore release;
    std::atomic_bool ok { false };
    // Held for a while, well within the busy timeout.
    const auto station = holdLock(dir.detectionDatabase(), 300, &locked, &release, &ok);
    locked.acquire();
    QVERIFY(ok);
    int count = -1;
    QString error;
    runCount(db, ownerThread, &count, &error);
    station->wait();
    QCOMPARE(error, QString());
    QCOMPARE(count, 30);
}

void TestLockWait::interruptEndsTheWait_data()
{
    QTest::addColumn<bool>("ownerThread");
    QTest::newRow("owner thread") << true;
    QTest::newRow("other thread") << false;
}

void TestLockWait::interruptEndsTheWait()
{
    QFETCH(bool, ownerThread);
    TestAppDir dir;
    QVERIFY(dir.generate(30));
    DetectDataDB db(dir.detectionDatabase(), Sqlite);
    // A busy timeout far beyond the test's own time-out: only the interrupt
    // can end the wait (the clones of other threads take the same options).
    db.database().setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3600000"));
    QVERIFY(db.openDatabase());
    QSemaphore locked;
    QSemaphore release;
    std::atomic_bool ok { false };
    const auto station = holdLock(dir.detectionDatabase(), 3600000, &locked, &release, &ok);
    locked.acquire();
    QVERIFY(ok);
    // Interrupted once the statement is (most likely) waiting for the lock.
    std::unique_ptr<QThread> closer(QThread::create([&db] {
        QThread::msleep(300);
        db.setInterrupted(true);
    }));
    closer->start();
    int count = -1;
    QString error;
    runCount(db, ownerThread, &count, &error);
    closer->wait();
    release.release();
    station->wait();
    QVERIFY(!error.isEmpty());
    QCOMPARE(count, -1);
}

QTEST_MAIN(TestLockWait)
#include "tst_lockwait.moc"
