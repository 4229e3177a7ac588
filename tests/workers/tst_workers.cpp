#include "checkdata.h"
#include "checkthread.h"
#include "countdata.h"
#include "detectdatadb.h"
#include "rangequery.h"
#include "stationschema.h"
#include "testappdir.h"
#include "timeslicer.h"
#include "workfordb.h"

#include <QPointer>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QtTest>

using CountMapPointer = const QMap<QString, int>*;
Q_DECLARE_METATYPE(CountMapPointer)
Q_DECLARE_METATYPE(QSqlQuery)

namespace {
// A worker on a thread of its own, wired the way the main window wires it.
// The worker emits on its own thread, often before a QSignalSpy::wait() has
// begun, which then waits for a second signal; tests poll the spies instead.
template <class Worker> class OnThread
{
public:
    explicit OnThread(DetectDataDB* db)
        : worker(new Worker)
    {
        worker->moveToThread(&thread);
        worker->setDataBase(db);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~OnThread()
    {
        thread.quit();
        thread.wait();
    }
    QThread thread;
    Worker* worker;
};

QStringList progressOf(const QSignalSpy& spy)
{
    QStringList steps;
    for (const QList<QVariant>& args : spy) {
        const QVariantMap map = args.at(0).toMap();
        steps << map.value(QStringLiteral("Type")).toString() + QLatin1Char('/')
                + map.value(QStringLiteral("msg")).toString();
    }
    return steps;
}

const QString kRange = QStringLiteral(" where time >'2020-05-01 00:00:00' and time < '2020-05-02 00:00:00'");
}

class TestWorkers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void checkData_data();
    void checkData();
    void checkDataWithoutDatabase();
    void countData_data();
    void countData();
    void countDataBackToBack();
    void countDataReportsFailure();
    void workersAddUpSlices_data();
    void workersAddUpSlices();
    void checkThread_data();
    void checkThread();
    void workForDB();

private:
    std::unique_ptr<TestAppDir> m_Dir;
    std::unique_ptr<DetectDataDB> m_Db;
};

void TestWorkers::initTestCase()
{
    qRegisterMetaType<QSqlQuery>("QSqlQuery");
    qRegisterMetaType<CountMapPointer>("const QMap<QString,int>*");
    m_Dir.reset(new TestAppDir);
    StationSimulator& station = m_Dir->station();
    const QStringList models = { "B", "C", "A", "B", "C", "B", "", "C" };
    for (int i = 0; i < models.size(); ++i)
        QVERIFY(
            station.addDetection(QStringLiteral("2020-05-01 08:00:0%1").arg(i), models[i], 0.9, "1", 1, 1));
    // Two records without a model at all.
    QVERIFY(TestAppDir::exec(m_Dir->detectionDatabase(),
        "insert into wftable(time) values('2020-05-01 09:00:00'); insert into wftable(time) "
        "values('2020-05-01 09:00:01')"));
    QVERIFY(station.addLog("2020-05-01 08:00:00", "old alarm", 1));
    QVERIFY(station.addLog("2020-05-03 08:00:00", "new alarm", 1));
    m_Dir->closeStation();
    m_Db.reset(new DetectDataDB(m_Dir->detectionDatabase(), QStringLiteral("QSQLITE")));
    QVERIFY(m_Db->openDatabase());
}

void TestWorkers::cleanupTestCase()
{
    m_Db.reset();
    m_Dir.reset();
}

void TestWorkers::checkData_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<int>("sum");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("rows");
    QTest::newRow("count and first page") << QVariantMap {
        { "SqlCount", QString("select count(*) from wftable" + kRange) },
        { "SqlCheck", QString("select * from wftable" + kRange + " LIMIT 3 OFFSET 0") }, { "limit", 3 }
    } << 10 << 3 << 3;
    QTest::newRow("last row of the count wins")
        << QVariantMap { { "SqlCount", "select 3 union all select 7 union all select 5" },
               { "SqlCheck", "select 1" }, { "limit", 9 } }
        << 5 << 9 << 1;
    QTest::newRow("no limit gives 0")
        << QVariantMap { { "SqlCount", "select 4" }, { "SqlCheck", "select 1" } } << 4 << 0 << 1;
    QTest::newRow("failing statements") << QVariantMap { { "SqlCount", "select count(*) from nosuch" },
        { "SqlCheck", "select * from nosuch" } }
                                        << 0 << 0 << 0;
}

void TestWorkers::checkData()
{
    QFETCH(QVariantMap, request);
    QFETCH(int, sum);
    QFETCH(int, limit);
    QFETCH(int, rows);
    OnThread<CheckData> worker(m_Db.get());
    QSignalSpy result(worker.worker, &CheckData::resultReady);
    QSignalSpy progress(worker.worker, &CheckData::sgShowProgress);
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    const QVariantMap map = result.at(0).at(0).toMap();
    QCOMPARE(map.value("sum").toInt(), sum);
    QCOMPARE(map.value("nIndex").toInt(), 0);
    QCOMPARE(map.value("limit").toInt(), limit);
    QCOMPARE(map.contains("error"), rows == 0);
    QSqlQuery query = result.at(0).at(1).value<QSqlQuery>();
    int read = 0;
    while (query.next())
        ++read;
    QCOMPARE(read, rows);
    QCOMPARE(progressOf(progress),
        QStringList({ "start/", QStringLiteral("start/正在获取数量"), QStringLiteral("start/正在获取数据"),
            QStringLiteral("stop/正在获取数据") }));
}

void TestWorkers::checkDataWithoutDatabase()
{
    OnThread<CheckData> worker(nullptr);
    QSignalSpy result(worker.worker, &CheckData::resultReady);
    QSignalSpy progress(worker.worker, &CheckData::sgShowProgress);
    const QVariantMap request { { "SqlCount", "select 4" }, { "limit", 2 } };
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    QCOMPARE(result.at(0).at(0).toMap().value("sum").toInt(), 0);
    QCOMPARE(result.at(0).at(0).toMap().value("limit").toInt(), 2);
    QCOMPARE(progressOf(progress), QStringList({ "start/", "stop/" }));
}

void TestWorkers::countData_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QVariantMap>("counts");
    QTest::newRow("three models, empty and NULL models")
        << kRange << "10" << QVariantMap { { "", 1 }, { "A", 1 }, { "B", 3 }, { "C", 3 } };
    QTest::newRow("no records") << QStringLiteral(
        " where time >'2021-01-01 00:00:00' and time < '2021-01-02 00:00:00'")
                                << "0" << QVariantMap();
}

void TestWorkers::countData()
{
    QFETCH(QString, range);
    QFETCH(QString, total);
    QFETCH(QVariantMap, counts);
    OnThread<CountData> worker(m_Db.get());
    QSignalSpy result(worker.worker, &CountData::resultReady);
    QSignalSpy progress(worker.worker, &CountData::sgShowProgress);
    QSignalSpy message(worker.worker, &CountData::sgShowMsg);
    const QVariantMap request { { "SqlCount", QString("select count(*) from wftable" + range) },
        { "SqlCheck", QString("select model from wftable" + range) } };
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    QCOMPARE(result.at(0).at(0).toString(), total);
    std::unique_ptr<const QMap<QString, int>> map(result.at(0).at(1).value<CountMapPointer>());
    QVERIFY(map);
    QVariantMap got;
    for (auto it = map->cbegin(); it != map->cend(); ++it)
        got.insert(it.key(), it.value());
    QCOMPARE(got, counts);
    QCOMPARE(map->keys(), counts.keys()); // ascending text order
    QCOMPARE(progressOf(progress),
        QStringList({ "start/", QStringLiteral("start/正在获取数量..."),
            QStringLiteral("start/共%1条记录，正在分类核算数据，请稍后").arg(total),
            QStringLiteral("stop/共%1条记录，正在分类核算数据，请稍后").arg(total) }));
    QCOMPARE(message.count(), 1);
    QCOMPARE(message.at(0).at(0).toString(), QStringLiteral("统计完成"));
}

void TestWorkers::countDataBackToBack()
{
    OnThread<CountData> worker(m_Db.get());
    QSignalSpy result(worker.worker, &CountData::resultReady);
    const QVariantMap request { { "SqlCount", QString("select count(*) from wftable" + kRange) },
        { "SqlCheck", QString("select model from wftable" + kRange) } };
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_COMPARE_WITH_TIMEOUT(result.count(), 2, 20000);
    std::unique_ptr<const QMap<QString, int>> first(result.at(0).at(1).value<CountMapPointer>());
    std::unique_ptr<const QMap<QString, int>> second(result.at(1).at(1).value<CountMapPointer>());
    QVERIFY(first.get() != second.get());
    QCOMPARE(*first, *second);
    QCOMPARE(first->value("B"), 3);
}

void TestWorkers::countDataReportsFailure()
{
    OnThread<CountData> worker(m_Db.get());
    QSignalSpy result(worker.worker, &CountData::resultReady);
    QSignalSpy failure(worker.worker, &CountData::sgError);
    const QVariantMap request { { "SqlCount", "select count(*) from nosuch" },
        { "SqlCheck", "select model from nosuch" } };
    QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    delete result.at(0).at(1).value<CountMapPointer>();
    QCOMPARE(failure.count(), 1);
    QVERIFY(failure.at(0).at(0).toString().contains("nosuch"));
}

void TestWorkers::workersAddUpSlices_data()
{
    QTest::addColumn<bool>("grouping"); // CountData, else CheckData
    QTest::addColumn<QVariantMap>("request"); // statement texts, or
    QTest::addColumn<RangeQuery>("range"); // a range when valid
    QTest::addColumn<int>("total");
    QTest::addColumn<QVariantMap>("counts");
    const QString t1 = QStringLiteral("2020-05-01 00:00:00");
    const QString t2 = QStringLiteral("2020-05-02 00:00:00");
    // The requests as the window builds them.
    const auto sql = [this, t1, t2](QueryKind kind, const QVariantMap& more) {
        QVariantMap request { { "time1", t1 }, { "time2", t2 }, { "Type", StationSchema::toInt(kind) } };
        request.insert(more);
        return m_Db->buildQuerySql(request);
    };
    const QString modelCount = sql(QueryKind::ModelInRange, { { "name", "B" }, { "Count", 1 } });
    const QString allCount = sql(QueryKind::ModelsInRange, { { "Count", 1 } });
    const QString models = sql(QueryKind::ModelsInRange, { { "CheckType", "Count" } });
    const QVariantMap perModel { { "", 1 }, { "A", 1 }, { "B", 3 }, { "C", 3 } };
    QTest::newRow("CheckData, one model's count")
        << false << QVariantMap { { "SqlCount", modelCount }, { "SqlCheck", "select 1" }, { "limit", 3 } }
        << RangeQuery() << 3 << QVariantMap();
    QTest::newRow("CountData, every model")
        << true << QVariantMap { { "SqlCount", allCount }, { "SqlCheck", models } } << RangeQuery() << 10
        << perModel;
    QTest::newRow("CountData, one model's count")
        << true << QVariantMap { { "SqlCount", modelCount }, { "SqlCheck", models } } << RangeQuery() << 3
        << perModel;
    QTest::newRow("CheckData, one model's range")
        << false << QVariantMap() << RangeQuery::production(t1, t2, "B") << 3 << QVariantMap();
    QTest::newRow("CheckData, every model's range")
        << false << QVariantMap() << RangeQuery::allModels(t1, t2) << 10 << QVariantMap();
    QTest::newRow("CountData, every model's range")
        << true << QVariantMap() << RangeQuery::allModels(t1, t2) << 10 << perModel;
    QTest::newRow("CountData, one model's range")
        << true << QVariantMap() << RangeQuery::production(t1, t2, "C") << 3 << QVariantMap { { "C", 3 } };
}

void TestWorkers::workersAddUpSlices()
{
    QFETCH(bool, grouping);
    QFETCH(QVariantMap, request);
    QFETCH(RangeQuery, range);
    QFETCH(int, total);
    QFETCH(QVariantMap, counts);
    // Two rows per slice: the ten records of the range span five slices.
    struct SliceSize
    {
        SliceSize() { TimeSlicer::setDefaultRowsPerSlice(2); }
        ~SliceSize() { TimeSlicer::setDefaultRowsPerSlice(TimeSlicer::DefaultRowsPerSlice); }
    } sliceSize;
    if (!grouping) {
        OnThread<CheckData> worker(m_Db.get());
        QSignalSpy result(worker.worker, &CheckData::resultReady);
        if (range.isValid())
            QMetaObject::invokeMethod(worker.worker, "doRange", Qt::QueuedConnection,
                Q_ARG(RangeQuery, range), Q_ARG(int, 2), Q_ARG(int, 1));
        else
            QMetaObject::invokeMethod(
                worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
        QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
        QCOMPARE(result.at(0).at(0).toMap().value("sum").toInt(), total);
        QVERIFY(!result.at(0).at(0).toMap().contains("error"));
        if (range.isValid()) {
            // The page: two rows from the second on.
            QSqlQuery page = result.at(0).at(1).value<QSqlQuery>();
            int rows = 0;
            while (page.next())
                ++rows;
            QCOMPARE(rows, 2);
        }
        return;
    }
    OnThread<CountData> worker(m_Db.get());
    QSignalSpy result(worker.worker, &CountData::resultReady);
    if (range.isValid())
        QMetaObject::invokeMethod(
            worker.worker, "countRange", Qt::QueuedConnection, Q_ARG(RangeQuery, range));
    else
        QMetaObject::invokeMethod(worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QVariantMap, request));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    std::unique_ptr<const QMap<QString, int>> map(result.at(0).at(1).value<CountMapPointer>());
    QCOMPARE(result.at(0).at(0).toString(), QString::number(total));
    QVERIFY(map);
    QVariantMap got;
    for (auto it = map->cbegin(); it != map->cend(); ++it)
        got.insert(it.key(), it.value());
    QCOMPARE(got, counts);
}

void TestWorkers::checkThread_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::newRow("count mode") << 1 << QString("select count(*) from wftable" + kRange) << 10 << 0;
    QTest::newRow("count mode, last row wins") << 1 << "select '4' union all select 'x'" << 0 << 0;
    QTest::newRow("row mode") << 0 << QString("select * from wftable" + kRange) << 0 << 10;
    QTest::newRow("failing statement") << 1 << "select count(*) from nosuch" << 0 << 0;
}

void TestWorkers::checkThread()
{
    QFETCH(int, mode);
    QFETCH(QString, sql);
    QFETCH(int, count);
    QFETCH(int, rows);
    QPointer<CheckThread> thread = new CheckThread;
    thread->setQuery(m_Db.get(), sql);
    thread->setMode(mode);
    QSignalSpy rowsSpy(thread.data(), &CheckThread::resultReady);
    QSignalSpy countSpy(thread.data(), &CheckThread::resultCount);
    connect(thread.data(), &QThread::finished, thread.data(), &QObject::deleteLater);
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 20000); // deleted after it finished
    QCOMPARE(rowsSpy.count(), 1);
    QCOMPARE(countSpy.count(), 1);
    QCOMPARE(countSpy.at(0).at(0).toInt(), count);
    QSqlQuery query = rowsSpy.at(0).at(0).value<QSqlQuery>();
    int read = 0;
    while (query.next())
        ++read;
    QCOMPARE(read, rows);
}

void TestWorkers::workForDB()
{
    OnThread<WorkForDB> worker(m_Db.get());
    QSignalSpy result(worker.worker, &WorkForDB::resultReady);
    QMetaObject::invokeMethod(
        worker.worker, "doWork", Qt::QueuedConnection, Q_ARG(QString, "2020-05-02 00:00:00"), Q_ARG(int, 0));
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), 20000);
    QCOMPARE(result.at(0).at(0).toString(), QString());
    // Records before the cut-off are gone, and class 1 is trimmed to nothing.
    QCOMPARE(
        TestAppDir::firstColumn(m_Dir->detectionDatabase(), "select count(*) from wftable").value(0).toInt(),
        0);
    QCOMPARE(TestAppDir::firstColumn(m_Dir->detectionDatabase(), "select count(*) from warningtable")
                 .value(0)
                 .toInt(),
        0);
}

QTEST_GUILESS_MAIN(TestWorkers)
#include "tst_workers.moc"
