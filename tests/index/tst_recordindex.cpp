#include "countdata.h"
#include "detectdatadb.h"
#include "indexfile.h"
#include "recordindex.h"
#include "testappdir.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

namespace {
// The direct statements the pages run, on the station file.
class Direct
{
public:
    explicit Direct(const QString& path)
        : m_Db(path, QStringLiteral("QSQLITE"))
    {
        m_Db.openDatabase();
    }

    ModelCounts counts(const QString& t1, const QString& t2)
    {
        // The statistics worker itself, with the requests the page sends.
        QVariantMap request { { QStringLiteral("Type"), 4 }, { QStringLiteral("time1"), t1 },
            { QStringLiteral("time2"), t2 }, { QStringLiteral("CheckType"), QStringLiteral("Count") } };
        const QString check = m_Db.buildQuerySql(request);
        request.insert(QStringLiteral("Count"), 1);
        const QString count = m_Db.buildQuerySql(request);
        CountData worker;
        worker.setDataBase(&m_Db);
        ModelCounts result;
        QObject::connect(
            &worker, &CountData::resultReady, [&](const QString& total, const QMap<QString, int>* map) {
                result.total = total.toLongLong();
                result.counts = *map;
                delete map;
            });
        worker.doWork({ { QStringLiteral("SqlCount"), count }, { QStringLiteral("SqlCheck"), check } });
        return result;
    }

    qint64 countOfModel(const QString& t1, const QString& t2, const QString& model)
    {
        const QVariantMap request { { QStringLiteral("Type"), 1 }, { QStringLiteral("time1"), t1 },
            { QStringLiteral("time2"), t2 }, { QStringLiteral("name"), model },
            { QStringLiteral("Count"), 1 } };
        QSqlQuery query;
        m_Db.execSql(m_Db.buildQuerySql(request), query);
        return query.next() ? query.value(0).toLongLong() : -1;
    }

    // The production page's statement for one model, with the
    // model's quotes doubled so that a name like D4's stays one value.
    QVector<qint64> page(
        const QString& t1, const QString& t2, const QString& model, qint64 offset, qint64 limit)
    {
        const QString sql
            = QStringLiteral("select * from wftable where time >'%1' and time <'%2' and model = '%3' "
                             "LIMIT %4 OFFSET %5")
                  .arg(t1, t2, sqlQuoted(model), QString::number(limit), QString::number(offset));
        QSqlQuery query;
        m_Db.execSql(sql, query);
        QVector<qint64> uids;
        while (query.next())
            uids << query.value(QStringLiteral("uid")).toLongLong();
        return uids;
    }

    DetectDataDB& db() { return m_Db; }

private:
    DetectDataDB m_Db;
};

// Odd records: equal times, odd time texts, non-text times, NULL and empty models.
const char* const OddRecords
    = "insert into wftable(time, model, correlate, detecttime, diameter, hight) values"
      "('2024-06-15 10:00:00', 'A1', 0.5, '1.25', 400, 80),"
      "('2024-06-15 10:00:00', 'A1', 0.5, '1.25', 400, 80),"
      "('2024-06-15 10:00:00', NULL, 0.5, '1.25', 400, 80),"
      "('2024-06-15T10:00:00', 'B2', 0.5, '1.25', 400, 80),"
      "('2024-6-15 10:00:00', '', 0.5, '1.25', 400, 80),"
      "('2024-06-15 10:00:00.5', '', 0.5, '1.25', 400, 80),"
      "('2024-06-15', 'C3', 0.5, '1.25', 400, 80),"
      "('', 'A1', 0.5, '1.25', 400, 80),"
      "(NULL, 'A1', 0.5, '1.25', 400, 80),"
      "(12345, 'A1', 0.5, '1.25', 400, 80),"
      "('2024-06-16 00:00:00', 'D4''s', 0.5, '1.25', 400, 80)";

// A retention cut on the hour keeps the record on it, and the next hour
// begins with one: the cut hour's count must not take that one in.
const char* const HourEdgeRecords = "insert into wftable(time, model) values"
                                    "('2024-06-10 00:00:00', 'A1'), ('2024-06-10 01:00:00', 'A1')";

// Records around hour, day, month and year ends: on midnight and just before
// it, odd texts whose key falls inside an hour or before it, a minute past 59,
// NULL and empty models, and times that are no texts.
const char* const DayRecords = "insert into wftable(time, model) values"
                               "('2024-12-30 00:00:00', 'A1'), ('2024-12-30 23:59:59', 'A1'),"
                               "('2024-12-31', 'C3'), ('2024-12-31 00:00:00', 'B2'),"
                               "('2024-12-31 12:00:00', NULL), ('2024-12-31 12:00:00', ''),"
                               "('2024-12-31 12:00:00x', 'A1'), ('2024-12-31T12:00:00', 'B2'),"
                               "('2024-12-31 12:30:00', 'A1'), ('2024-12-31 12:61:00', 'B2'),"
                               "('2024-12-31 23:59:59', 'A1'), ('2025-01-01 00:00:00', 'A1'),"
                               "('2025-01-01 00:00:01', 'B2'), ('2025-01-15 10:00:00', 'A1'),"
                               "('2025-01-31 23:59:59', 'A1'), ('2025-02-01 00:00:00', ''),"
                               "('2025-02-02 08:00:00', NULL), ('2025-02-03 08:00:00', 'C3'),"
                               "('', 'A1'), (NULL, 'A1'), (12345, 'B2')";

// The index's hour counts are exactly those of its records.
void checkHours(const QString& indexPath)
{
    const QVariantList hours = TestAppDir::firstColumn(indexPath,
        QStringLiteral("select group_concat(m || ':' || hour || ':' || n || ':' || x, ' ')"
                       " from (select m, hour, n, x from hours order by m, hour)"));
    const QVariantList records = TestAppDir::firstColumn(indexPath,
        QStringLiteral("select group_concat(m || ':' || hour || ':' || n || ':' || x, ' ') from (select m,"
                       " ti / 10000 as hour, count(*) as n,"
                       " sum(tx <> '' or ti % 100 > 59 or ti / 100 % 100 > 59) as x"
                       " from rec where ti >= 0 group by m, hour order by m, hour)"));
    QVERIFY(!hours.isEmpty());
    QCOMPARE(hours, records);
}

bool waitPass(
    RecordIndex& index, const std::function<void()>& trigger, bool* inStep, QString* reason = nullptr)
{
    QSignalSpy spy(&index, &RecordIndex::passFinished);
    trigger();
    if (!spy.wait(60000))
        return false;
    *inStep = spy.last().at(0).toBool();
    if (reason)
        *reason = spy.last().at(1).toString();
    return true;
}

// One pass; *read receives the records it read from the station.
bool syncIndex(RecordIndex& index, qint64* read = nullptr)
{
    bool inStep = false;
    QSignalSpy progress(&index, &RecordIndex::progress);
    const bool ok = waitPass(
                        index, [&index]() { index.requestSync(); }, &inStep)
        && inStep;
    if (read)
        *read = progress.isEmpty() ? -1 : progress.last().at(0).toLongLong();
    return ok;
}

bool startIndex(RecordIndex& index)
{
    index.setSyncInterval(0);
    bool inStep = false;
    return waitPass(
               index, [&index]() { index.start(); }, &inStep)
        && inStep;
}

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
}

// The index answers exactly what the direct statements answer, or says it
// cannot; it never blocks and never writes to the station's file.
class TestRecordIndex : public QObject
{
    Q_OBJECT
private slots:
    void answersEqualDirect_data();
    void answersEqualDirect();
    void copiesValues_data();
    void copiesValues();
    void wholeDays_data();
    void wholeDays();
    void behindIsNotCovered();
    void writerDuringQueries();
    void interruptAndResume();
    void cacheCannotBeMade();
    void damagedIndex_data();
    void damagedIndex();
    void stationNotADatabase();
    void indexFileName();
    void indexDeleted_data();
    void indexDeleted();

private:
    // Compares every answer over many ranges and models drawn with a seed.
    void compareAll(RecordIndex& index, const QString& station, quint32 seed);
};

void TestRecordIndex::compareAll(RecordIndex& index, const QString& station, quint32 seed)
{
    checkHours(index.indexPath());
    Direct direct(station);
    QStringList times;
    for (const QVariant& time : TestAppDir::firstColumn(
             station, QStringLiteral("select distinct time from wftable where typeof(time) = 'text'")))
        times << time.toString();
    QStringList models { QString(), QStringLiteral("NG"), QStringLiteral("none"), QStringLiteral("D4's") };
    for (const QVariant& model :
        TestAppDir::firstColumn(station, QStringLiteral("select distinct model from wftable")))
        models << model.toString();
    models.removeDuplicates();
    const QStringList oddBounds { QStringLiteral(""), QStringLiteral("2024-06"),
        QStringLiteral("2024-06-15T"), QStringLiteral("2024-6-15"), QStringLiteral("2024-06-15 10:00:00.5"),
        QStringLiteral("9999-99-99 99:99:99"), QStringLiteral("2023-01-01 00:00:00"), QStringLiteral("z") };

    QRandomGenerator random(seed);
    const auto bound = [&]() {
        const int kind = int(random.bounded(4));
        if (kind == 0 || times.isEmpty())
            return oddBounds.at(int(random.bounded(oddBounds.size())));
        // A record's time exactly, or a second away from it.
        const QString time = times.at(int(random.bounded(times.size())));
        const QDateTime parsed = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (kind == 1 || !parsed.isValid())
            return time;
        return timeText(parsed.addSecs(kind == 2 ? -1 : 1));
    };
    // Random ranges, then every record: a stale one anywhere shows.
    for (int i = 0; i < 11; ++i) {
        QString t1 = i < 10 ? bound() : QString();
        QString t2 = i < 10 ? bound() : QStringLiteral("z");
        if (i % 3 == 0 && t2 < t1)
            std::swap(t1, t2);
        const QString tag = QStringLiteral("range '%1' .. '%2'").arg(t1, t2);
        const IndexAnswer<ModelCounts> counts = index.reader().countByModel(t1, t2);
        QVERIFY2(counts.available, qPrintable(tag + QStringLiteral(": ") + counts.reason));
        const ModelCounts expected = direct.counts(t1, t2);
        QVERIFY2(counts.value.total == expected.total, qPrintable(tag));
        QVERIFY2(counts.value.counts == expected.counts, qPrintable(tag));
        for (int m = 0; m < 2; ++m) {
            const QString model = models.at(int(random.bounded(models.size())));
            const IndexAnswer<qint64> one = index.reader().countOfModel(t1, t2, model);
            QVERIFY2(one.available, qPrintable(one.reason));
            const qint64 n = direct.countOfModel(t1, t2, model);
            QVERIFY2(one.value == n, qPrintable(tag + QStringLiteral(" model ") + model));
            for (const qint64 offset : { qint64(0), qMax(qint64(0), n - 7), n + 3 }) {
                const qint64 limit = 1 + qint64(random.bounded(20));
                const IndexAnswer<QVector<qint64>> page
                    = index.reader().pageUids(t1, t2, model, offset, limit);
                QVERIFY2(page.available, qPrintable(page.reason));
                QVERIFY2(page.value == direct.page(t1, t2, model, offset, limit),
                    qPrintable(tag + QStringLiteral(" model %1 offset %2").arg(model).arg(offset)));
            }
        }
    }
    // A bound that reads as a number is compared as one by the station's
    // statement: the index does not answer it.
    QVERIFY(!index.reader().countByModel(QStringLiteral("100"), QStringLiteral("2025")).available);
}

void TestRecordIndex::answersEqualDirect_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("fresh") << QString();
    QTest::newRow("inserts") << QStringLiteral("inserts");
    QTest::newRow("deleteBefore") << QStringLiteral("deleteBefore");
    QTest::newRow("deleteBefore everything") << QStringLiteral("deleteAll");
    QTest::newRow("older inserts, then deleteBefore") << QStringLiteral("older");
    QTest::newRow("clearAll then inserts") << QStringLiteral("clearAll");
    QTest::newRow("file replaced") << QStringLiteral("replaced");
    QTest::newRow("last record's model edited") << QStringLiteral("lastModel");
}

void TestRecordIndex::answersEqualDirect()
{
    QFETCH(QString, change);
    TestAppDir app;
    QVERIFY(app.generate(400));
    const QString station = app.detectionDatabase();
    QVERIFY(TestAppDir::exec(station, QLatin1String(HourEdgeRecords)));
    QVERIFY(TestAppDir::exec(station, QLatin1String(OddRecords)));
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    index.setChunk(300, 50);
    QVERIFY(startIndex(index));
    compareAll(index, station, 1);

    if (change.isEmpty())
        return;
    qint64 expectedRead = -1; // records the next pass must read; -1: not checked
    if (change == QLatin1String("inserts")) {
        // New records inside old ranges and after them, equal times included.
        QVERIFY(app.station().addDetection(QStringLiteral("2024-06-15 10:00:00"), QStringLiteral("A1"), 0.9,
            QStringLiteral("1.5"), 400, 80));
        QVERIFY(app.station().addDetection(QStringLiteral("2024-07-01 00:00:00"), QStringLiteral("B2"), 0.9,
            QStringLiteral("1.5"), 400, 80));
        QVERIFY(app.station().addDetection(
            QStringLiteral("2024-06-01 12:00:00"), QString(), 0.9, QStringLiteral("1.5"), 400, 80));
        app.closeStation();
        QVERIFY(!index.reader()
                     .covers(QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("2025-01-01 00:00:00"))
                     .available);
    } else if (change == QLatin1String("deleteBefore") || change == QLatin1String("deleteAll")
        || change == QLatin1String("older")) {
        if (change == QLatin1String("older")) {
            // New records before the first one (a clock set back): the index's
            // first record moves to them, and retention then cuts below it.
            QVERIFY(app.station().addDetection(QStringLiteral("2001-01-01 00:00:00"), QStringLiteral("A1"),
                0.9, QStringLiteral("1.5"), 400, 80));
            QVERIFY(app.station().addDetection(QStringLiteral("2000-01-01 00:00:00"), QStringLiteral("B2"),
                0.9, QStringLiteral("1.5"), 400, 80));
            app.closeStation();
            QVERIFY(syncIndex(index));
            compareAll(index, station, 3);
        }
        Direct direct(station);
        direct.db().deleteBefore(change == QLatin1String("deleteAll")
                ? QStringLiteral("9999-12-31")
                : QStringLiteral("2024-06-10 00:00:00"));
        QVERIFY(!index.reader()
                     .covers(QStringLiteral("2024-06-01 00:00:00"), QStringLiteral("2024-06-20 00:00:00"))
                     .available);
        expectedRead = 0; // repaired in place, nothing read again
    } else if (change == QLatin1String("clearAll")) {
        Direct direct(station);
        direct.db().clearAll();
        QVERIFY(TestAppDir::exec(station, QLatin1String(OddRecords)));
        QVERIFY(!index.reader()
                     .covers(QStringLiteral("2024-06-01 00:00:00"), QStringLiteral("2024-06-20 00:00:00"))
                     .available);
        expectedRead = 11; // only the new records
    } else if (change == QLatin1String("replaced")) {
        // Another file copied over this one (same inode): uids start again.
        TestAppDir other;
        StationSimulator::Options options = other.options(300);
        options.seed = 7;
        QVERIFY(other.generate(options));
        app.closeStation();
        QFile source(other.detectionDatabase());
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile target(station);
        QVERIFY(target.open(QIODevice::ReadWrite | QIODevice::Truncate));
        QVERIFY(target.write(source.readAll()) > 0);
        target.close();
        QVERIFY(!index.reader()
                     .covers(QStringLiteral("2024-06-01 00:00:00"), QStringLiteral("2024-06-20 00:00:00"))
                     .available);
        expectedRead = 300; // rebuilt
    } else if (change == QLatin1String("lastModel")) {
        // The same time under the last uid, another model: not the indexed record.
        QVERIFY(TestAppDir::exec(station,
            QStringLiteral("update wftable set model = 'B2' where uid = (select max(uid) from wftable)")));
        expectedRead = TestAppDir::firstColumn(station, QStringLiteral("select count(*) from wftable"))
                           .value(0)
                           .toLongLong(); // rebuilt
    }
    qint64 read = -1;
    QVERIFY(syncIndex(index, &read));
    if (expectedRead >= 0)
        QCOMPARE(read, expectedRead);
    compareAll(index, station, 2);
}

// Measured values and models of every storage class (as the station's
// column types left them) reach the index unchanged: by the first build's
// reader and by the later syncs.
const char* const ValueRecords
    = "insert into wftable(time, model, correlate, detecttime, diameter, hight) values"
      "('2024-06-15 10:00:00', X'41', NULL, X'00ff', 1e300, -0.0),"
      "('2024-06-15 10:00:01', '', 'abc', 12, '', X''),"
      "('2024-06-15 10:00:02', 'A1', 9223372036854775807, 'x''y', 0.5, 'NaN'),"
      "('2024-06-15T10:00:03', NULL, -1, '', NULL, 2.5),"
      "(NULL, X'', '1.25', '\xe4\xb8\xad', -9223372036854775808, '7')";

void TestRecordIndex::copiesValues_data()
{
    QTest::addColumn<bool>("built");
    QTest::newRow("first build") << true;
    QTest::newRow("sync after the build") << false;
}

void TestRecordIndex::copiesValues()
{
    QFETCH(bool, built);
    TestAppDir app;
    QVERIFY(app.generate(built ? 0 : 3));
    const QString station = app.detectionDatabase();
    if (built)
        QVERIFY(TestAppDir::exec(station, QLatin1String(ValueRecords)));
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    index.setChunk(2, 50);
    QVERIFY(startIndex(index));
    if (!built) {
        QVERIFY(TestAppDir::exec(station, QLatin1String(ValueRecords)));
        QVERIFY(syncIndex(index));
    }
    const QString columns = QStringLiteral(
        "group_concat(uid || ':' || quote(model) || quote(correlate) || quote(detecttime) || quote(diameter)"
        " || quote(hight), ' ')");
    const QVariantList expected = TestAppDir::firstColumn(
        station, QStringLiteral("select %1 from (select * from wftable order by uid)").arg(columns));
    const QVariantList copied = TestAppDir::firstColumn(index.indexPath(),
        QStringLiteral("select %1 from (select rec.*, models.model from rec join models on models.id = rec.m"
                       " order by uid)")
            .arg(columns));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(copied, expected);
    checkHours(index.indexPath());
}

void TestRecordIndex::wholeDays_data()
{
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::newRow("inside one hour") << "2024-12-31 12:00:00"
                                     << "2024-12-31 12:59:59";
    QTest::newRow("inside one day") << "2024-12-31 00:00:00"
                                    << "2024-12-31 23:59:59";
    QTest::newRow("midnight to midnight") << "2024-12-30 00:00:00"
                                          << "2025-01-01 00:00:00";
    QTest::newRow("across the year end") << "2024-12-30 23:59:59"
                                         << "2025-01-01 00:00:01";
    QTest::newRow("across a month end") << "2025-01-01 00:00:00"
                                        << "2025-02-03 08:00:00";
    QTest::newRow("between records") << "2024-12-29 12:00:00"
                                     << "2025-02-02 12:00:00";
    QTest::newRow("odd bounds") << "2024-12-30"
                                << "2025-02";
    QTest::newRow("odd bounds inside days") << "2024-12-31T"
                                            << "2025-01-01 00:00:00x";
    QTest::newRow("every text") << ""
                                << "z";
    QTest::newRow("reversed") << "2025-02-03 00:00:00"
                              << "2024-12-29 00:00:00";
}

// Ranges over whole hours and days, answered partly from the hour counts:
// equal to the direct statements as built, after retention cut an hour in two
// (repaired in place) and after clearAll.
void TestRecordIndex::wholeDays()
{
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    TestAppDir app;
    QVERIFY(app.generate(0));
    const QString station = app.detectionDatabase();
    QVERIFY(TestAppDir::exec(station, QLatin1String(DayRecords)));
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    QVERIFY(startIndex(index));
    Direct direct(station);
    for (const QString stage : { "built", "retention", "clearAll" }) {
        qint64 read = -1;
        if (stage == QLatin1String("retention")) {
            QVERIFY(direct.db().deleteBefore(QStringLiteral("2024-12-31 12:00:00x")));
            QVERIFY(syncIndex(index, &read));
            QCOMPARE(read, 0);
        } else if (stage == QLatin1String("clearAll")) {
            QVERIFY(direct.db().clearAll());
            QVERIFY(TestAppDir::exec(station, QLatin1String(DayRecords)));
            QVERIFY(syncIndex(index, &read));
            QCOMPARE(read, 21);
        }
        checkHours(index.indexPath());
        const IndexAnswer<ModelCounts> counts = index.reader().countByModel(t1, t2);
        QVERIFY2(counts.available, qPrintable(stage + QStringLiteral(": ") + counts.reason));
        const ModelCounts expected = direct.counts(t1, t2);
        QVERIFY2(counts.value.total == expected.total, qPrintable(stage));
        QVERIFY2(counts.value.counts == expected.counts, qPrintable(stage));
        for (const QString model : { "A1", "B2", "C3", "" }) {
            const IndexAnswer<qint64> one = index.reader().countOfModel(t1, t2, model);
            QVERIFY2(one.available, qPrintable(one.reason));
            QVERIFY2(one.value == direct.countOfModel(t1, t2, model),
                qPrintable(stage + QLatin1Char(' ') + model));
        }
    }
}

void TestRecordIndex::behindIsNotCovered()
{
    TestAppDir app;
    QVERIFY(app.generate(300));
    const QString station = app.detectionDatabase();
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    QVERIFY(startIndex(index));
    QVERIFY(app.station().addDetection(
        QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("A1"), 0.9, QStringLiteral("1.5"), 400, 80));
    app.closeStation();
    // The new record is outside the older range, which stays covered.
    const QString t1 = QStringLiteral("2024-01-01 00:00:00");
    QVERIFY(index.reader().covers(t1, QStringLiteral("2025-01-01 00:00:00")).available);
    const IndexAnswer<bool> later = index.reader().covers(t1, QStringLiteral("2031-01-01 00:00:00"));
    QVERIFY(!later.available);
    QVERIFY(!later.reason.isEmpty());
    QVERIFY(syncIndex(index));
    QVERIFY(index.reader().covers(t1, QStringLiteral("2031-01-01 00:00:00")).available);
}

void TestRecordIndex::writerDuringQueries()
{
    TestAppDir app;
    QVERIFY(app.generate(800));
    const QString station = app.detectionDatabase();
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    QVERIFY(startIndex(index));
    index.setSyncInterval(50);

    // A live station on its own thread, stamping records with the current time.
    StationSimulator::LiveReport report;
    QThread* writer = QThread::create([&]() {
        StationSimulator live(app.options(0));
        report = live.runLive(40, 2);
        live.close();
    });
    writer->start();
    QTimer timer;
    timer.start(50);
    connect(&timer, &QTimer::timeout, &index, &RecordIndex::requestSync);

    Direct direct(station);
    const QString old1 = QStringLiteral("2024-01-01 00:00:00");
    const QString old2 = QStringLiteral("2024-06-20 00:00:00");
    const ModelCounts oldExpected = direct.counts(old1, old2);
    const QString now1 = QStringLiteral("2024-06-20 00:00:00");
    const QString now2 = QStringLiteral("9999-12-31 00:00:00");
    int oldAnswers = 0;
    int liveAnswers = 0;
    while (!writer->isFinished()) {
        const IndexAnswer<ModelCounts> old = index.reader().countByModel(old1, old2);
        if (old.available) {
            ++oldAnswers;
            QCOMPARE(old.value.total, oldExpected.total);
            QCOMPARE(old.value.counts, oldExpected.counts);
        }
        const qint64 before = direct.counts(now1, now2).total;
        const IndexAnswer<ModelCounts> live = index.reader().countByModel(now1, now2);
        const qint64 after = direct.counts(now1, now2).total;
        if (live.available) {
            ++liveAnswers;
            // Whole records only: the total is the sum of the model counts.
            qint64 sum = 0;
            for (const int n : live.value.counts)
                sum += n;
            QCOMPARE(sum, live.value.total);
            QVERIFY2(live.value.total >= before && live.value.total <= after,
                qPrintable(
                    QStringLiteral("%1 not in [%2, %3]").arg(live.value.total).arg(before).arg(after)));
        }
        QTest::qWait(20);
    }
    writer->wait();
    delete writer;
    timer.stop();
    QCOMPARE(report.failedWrites, 0);
    // How long the station waited is a figure of the benchmark, not a test.
    qInfo("station's longest wait: %lld ms", qint64(report.longestWaitMs));
    QVERIFY(oldAnswers > 0);
    qInfo("answers while writing: %d old range, %d live range", oldAnswers, liveAnswers);
    index.setSyncInterval(0);
    QVERIFY(syncIndex(index));
    compareAll(index, station, 3);
}

void TestRecordIndex::interruptAndResume()
{
    TestAppDir app;
    QVERIFY(app.generate(1500));
    const QString station = app.detectionDatabase();
    QTemporaryDir cache;
    {
        RecordIndex index(station, cache.path());
        index.setSyncInterval(0);
        index.setChunk(50, 50);
        QSignalSpy progress(&index, &RecordIndex::progress);
        index.start();
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(0).toLongLong() >= 150, 30000);
        QCOMPARE(progress.last().at(1).toLongLong(), 1500);
        QElapsedTimer clock;
        clock.start();
        index.stop();
        qInfo("stop took %lld ms", clock.elapsed());
        QVERIFY(!index.reader().covers(QString(), QStringLiteral("9999")).available);
    }
    // Meanwhile the station deletes old records and adds new ones.
    {
        Direct direct(station);
        direct.db().deleteBefore(QStringLiteral("2024-06-05 00:00:00"));
    }
    QVERIFY(app.station().addDetection(
        QStringLiteral("2024-06-20 10:00:00"), QStringLiteral("A1"), 0.9, QStringLiteral("1.5"), 400, 80));
    app.closeStation();
    RecordIndex index(station, cache.path());
    index.setSyncInterval(0);
    QSignalSpy progress(&index, &RecordIndex::progress);
    bool inStep = false;
    QVERIFY(waitPass(
        index, [&index]() { index.start(); }, &inStep));
    // Resumed: this pass read only what the first one had not.
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.first().at(1).toLongLong() < 1500);
    // The deletions show at the end of the build and are repaired next.
    QVERIFY(syncIndex(index));
    compareAll(index, station, 4);
}

void TestRecordIndex::cacheCannotBeMade()
{
    TestAppDir app;
    QVERIFY(app.generate(100));
    // A folder below a regular file cannot be made, even by root.
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QVERIFY(TestAppDir::exec(blocker, QStringLiteral("create table t(x)")));
    RecordIndex index(app.detectionDatabase(), blocker + QStringLiteral("/cache"));
    bool inStep = true;
    QString reason;
    QVERIFY(waitPass(
        index, [&index]() { index.start(); }, &inStep, &reason));
    QVERIFY(!inStep);
    QVERIFY(!reason.isEmpty());
    const IndexAnswer<ModelCounts> answer = index.reader().countByModel(QString(), QStringLiteral("z"));
    QVERIFY(!answer.available);
    QVERIFY(!answer.reason.isEmpty());
    QVERIFY(!answer.reason.contains(QLatin1Char('\n')));
    // No place at all beside the station's own files.
    QVERIFY(IndexFile::pathFor(app.detectionDatabase(), app.path()).isEmpty());
}

void TestRecordIndex::damagedIndex_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated") << QStringLiteral("truncated");
    QTest::newRow("garbage") << QStringLiteral("garbage");
    QTest::newRow("other version") << QStringLiteral("version");
    QTest::newRow("previous version") << QStringLiteral("previous");
    QTest::newRow("not a database") << QStringLiteral("text");
}

void TestRecordIndex::damagedIndex()
{
    QFETCH(QString, damage);
    TestAppDir app;
    QVERIFY(app.generate(300));
    const QString station = app.detectionDatabase();
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    QVERIFY(startIndex(index));
    index.stop();
    const QString path = index.indexPath();
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + QStringLiteral("-wal"))
        || QFileInfo(path + QStringLiteral("-wal")).size() == 0);
    if (damage == QLatin1String("version")) {
        QVERIFY(TestAppDir::exec(path, QStringLiteral("PRAGMA user_version = 99")));
    } else if (damage == QLatin1String("previous")) {
        // Version 2 had day counts, no hour counts.
        QVERIFY(TestAppDir::exec(path, QStringLiteral("DROP TABLE hours")));
        QVERIFY(TestAppDir::exec(path, QStringLiteral("PRAGMA user_version = 2")));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (damage == QLatin1String("truncated")) {
            QVERIFY(file.resize(file.size() / 3));
        } else if (damage == QLatin1String("garbage")) {
            QVERIFY(file.seek(file.size() / 2));
            file.write(QByteArray(int(file.size() / 4), '\x5a'));
        } else {
            QVERIFY(file.resize(0));
            file.write("not a database\n");
        }
    }
    // Not available, or (where the damage is not in the pages read) right.
    Direct direct(station);
    const QString t1 = QStringLiteral("2024-01-01 00:00:00");
    const QString t2 = QStringLiteral("2024-06-20 00:00:00");
    const IndexAnswer<ModelCounts> answer = index.reader().countByModel(t1, t2);
    if (answer.available) {
        QVERIFY(damage == QLatin1String("truncated") || damage == QLatin1String("garbage"));
        QCOMPARE(answer.value.counts, direct.counts(t1, t2).counts);
    } else {
        QVERIFY(!answer.reason.isEmpty());
    }
    // Made anew at the next start.
    QVERIFY(startIndex(index));
    compareAll(index, station, 5);
}

void TestRecordIndex::stationNotADatabase()
{
    QTemporaryDir dir;
    const QString station = dir.filePath(QStringLiteral("wheelhubwf.db"));
    QFile file(station);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, 'x'));
    file.close();
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    bool inStep = true;
    QString reason;
    QVERIFY(waitPass(
        index, [&index]() { index.start(); }, &inStep, &reason));
    QVERIFY(!inStep);
    QVERIFY(!reason.isEmpty());
    QVERIFY(!index.reader().covers(QString(), QStringLiteral("z")).available);
    // The station's file is left as it was.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(8192, 'x'));
}

void TestRecordIndex::indexFileName()
{
    QTemporaryDir a;
    QTemporaryDir cache;
    const QString station = a.filePath(QStringLiteral("wheelhubwf.db"));
    const QString path = IndexFile::pathFor(station, cache.path());
    QVERIFY(path.startsWith(cache.path()));
    QCOMPARE(IndexFile::pathFor(a.path() + QStringLiteral("/./wheelhubwf.db"), cache.path()), path);
    QVERIFY(IndexFile::pathFor(a.filePath(QStringLiteral("other.db")), cache.path()) != path);
}

void TestRecordIndex::indexDeleted_data()
{
    QTest::addColumn<QStringList>("suffixes");
    QTest::newRow("index file") << QStringList { QString() };
    QTest::newRow("with its WAL files") << QStringList { QString(), "-wal", "-shm" };
}

// The index file deleted while the index runs is made anew at the next pass
// and answers again.
void TestRecordIndex::indexDeleted()
{
    QFETCH(QStringList, suffixes);
    TestAppDir app;
    QVERIFY(app.generate(300));
    const QString station = app.detectionDatabase();
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    QVERIFY(startIndex(index));
    const QString t1 = QStringLiteral("2024-01-01 00:00:00");
    const QString t2 = QStringLiteral("2024-06-20 00:00:00");
    QVERIFY(index.reader().countByModel(t1, t2).available);
    for (const QString& suffix : suffixes) {
        // Windows keeps a file that is open from being deleted.
        if (!QFile::remove(index.indexPath() + suffix) && suffix.isEmpty())
            QSKIP("an open file cannot be deleted here");
    }
    QVERIFY(!QFile::exists(index.indexPath()));
    QVERIFY(!index.reader().countByModel(t1, t2).available);

    qint64 read = 0;
    QVERIFY(syncIndex(index, &read));
    QVERIFY(QFile::exists(index.indexPath()));
    // Built from the first record, as at start.
    QCOMPARE(read, qint64(300));
    compareAll(index, station, 9);
}

QTEST_GUILESS_MAIN(TestRecordIndex)
#include "tst_recordindex.moc"
