#include "detectdatadb.h"
#include "modeldb.h"
#include "testappdir.h"

#include <QImage>
#include <QtTest>

namespace {

QVariantList column(const TestAppDir& dir, const QString& sql)
{
    return TestAppDir::firstColumn(dir.detectionDatabase(), sql);
}

} // namespace

// The simulator feeds every other test and the benchmarks, so what it writes
// must be what the viewer expects from the station.
class TestStationSimulator : public QObject
{
    Q_OBJECT

private slots:
    void generatesPlausibleData();
    void sameSeedSameData();
    void thumbnails_data();
    void thumbnails();
    void liveModeAppends();
};

void TestStationSimulator::generatesPlausibleData()
{
    TestAppDir dir;
    StationSimulator::Options options = dir.options(1000, 90);
    options.days = 3;
    StationSimulator simulator(options);
    QVERIFY2(simulator.generate(), qPrintable(simulator.errorString()));
    QCOMPARE(simulator.recordsWritten(), 1000);
    QCOMPARE(simulator.logsWritten(), 90);

    QCOMPARE(column(dir, QStringLiteral("select count(*) from wftable")), QVariantList { 1000 });
    QCOMPARE(column(dir,
                 QStringLiteral("select min(time) >= '2024-06-27 23:59:59' and max(time) <= '2024-06-30 "
                                "23:59:59' from wftable")),
        QVariantList { 1 });
    // Ascending in insertion order, as a station writes them.
    QCOMPARE(column(dir,
                 QStringLiteral("select count(*) from wftable a join wftable b on b.uid = a.uid + 1 "
                                "where b.time < a.time")),
        QVariantList { 0 });
    QCOMPARE(column(dir,
                 QStringLiteral("select count(*) from wftable where channel not between 1 and 4 or "
                                "diameter not between 350 and 560 or hight not between 150 and 300 or "
                                "cast(detecttime as real) not between 0.2 and 2.5 or length(time) != 19")),
        QVariantList { 0 });
    QCOMPARE(column(dir,
                 QStringLiteral("select count(*) from wftable where model != 'NG' and correlate not "
                                "between 0.6 and 1.0")),
        QVariantList { 0 });
    QCOMPARE(column(dir,
                 QStringLiteral("select group_concat(model) from (select distinct model from wftable "
                                "order by model)")),
        QVariantList { QStringLiteral("A1,B2,C3,D4,NG") });
    QCOMPARE(column(dir,
                 QStringLiteral("select group_concat(class) from (select distinct class from warningtable "
                                "order by class)")),
        QVariantList { QStringLiteral("1,4,5") });

    DetectDataDB db(dir.detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());
    QMap<QString, ShiftRecord> shifts;
    QVERIFY(db.readShifts(&shifts));
    QCOMPARE(shifts.keys(), QStringList({ QStringLiteral("夜班"), QStringLiteral("白班") }));
    QCOMPARE(shifts.value(QStringLiteral("白班")).startTime, QTime(8, 0));
    QCOMPARE(shifts.value(QStringLiteral("白班")).endTime, QTime(20, 0));
    QCOMPARE(shifts.value(QStringLiteral("夜班")).startTime, QTime(20, 0));
    QCOMPARE(shifts.value(QStringLiteral("夜班")).endTime, QTime(8, 0));

    ModelDB models(dir.modelDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(models.openDatabase());
    QCOMPARE(models.modelNames(), options.models);
}

void TestStationSimulator::sameSeedSameData()
{
    const QString dump = QStringLiteral("select group_concat(uid || channel || correlate || detecttime || "
                                        "diameter || hight || model || hex(pic) || "
                                        "time) from wftable");
    auto generated = [&dump](quint32 seed) -> QString {
        TestAppDir dir;
        StationSimulator::Options options = dir.options(200, 20);
        options.seed = seed;
        StationSimulator(options).generate();
        return column(dir, dump).value(0).toString()
            + column(dir,
                QStringLiteral("select group_concat(message || "
                               "time) from warningtable"))
                  .value(0)
                  .toString();
    };
    const QString first = generated(7);
    QVERIFY(first.size() > 1000);
    QCOMPARE(generated(7), first);
    QVERIFY(generated(8) != first);
}

void TestStationSimulator::thumbnails_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("JPEG 64x64") << QByteArray("JPEG") << QSize(64, 64);
    QTest::newRow("PNG 40x30") << QByteArray("PNG") << QSize(40, 30);
}

void TestStationSimulator::thumbnails()
{
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    TestAppDir dir;
    StationSimulator::Options options = dir.options(50);
    options.format = format;
    options.imageSize = size;
    QVERIFY(StationSimulator(options).generate());

    // The viewer decodes with the format detected from the data.
    const QVariantList pictures = column(dir, QStringLiteral("select pic from wftable"));
    QCOMPARE(pictures.size(), 50);
    for (const QVariant& picture : pictures) {
        const QImage image = QImage::fromData(picture.toByteArray());
        QCOMPARE(image.size(), size);
    }
    QCOMPARE(QImage::fromData(pictures.first().toByteArray()).isNull(), false);
    const QByteArray bytes = pictures.first().toByteArray();
    QVERIFY(format == "PNG" ? bytes.startsWith("\x89PNG") : bytes.startsWith("\xff\xd8"));
}

void TestStationSimulator::liveModeAppends()
{
    TestAppDir dir;
    QVERIFY(dir.generate(10));
    StationSimulator station(dir.options(0));
    const StationSimulator::LiveReport report = station.runLive(1000, 1);
    station.close();
    QVERIFY(report.writes > 0);
    QCOMPARE(report.failedWrites, 0);
    QCOMPARE(
        column(dir, QStringLiteral("select count(*) from wftable")), QVariantList { 10 + report.writes });
    QCOMPARE(column(dir, QStringLiteral("select count(*) from warningtable")),
        QVariantList { (report.writes + 9) / 10 });
}

QTEST_MAIN(TestStationSimulator)
#include "tst_stationsimulator.moc"
