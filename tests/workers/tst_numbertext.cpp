#include "csvwriter.h"
#include "detectdatadb.h"
#include "numbertext.h"
#include "testappdir.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {
QString fast(double value)
{
    char text[NumberText::Fixed3Capacity];
    return QString::fromLatin1(text, NumberText::fixed3(value, text));
}

QString reference(double value)
{
    return QString::number(value, 'f', 3);
}
}

// The export's number texts are byte for byte those of Qt's formatting.
class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void fixed3_data();
    void fixed3();
    void fixed3Sweep();
    void productionRowAsBefore_data();
    void productionRowAsBefore();
    void rowViewLineAsBefore_data();
    void rowViewLineAsBefore();
};

void TestNumberText::fixed3_data()
{
    QTest::addColumn<double>("value");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative zero") << -0.0;
    QTest::newRow("tiny negative") << -0.0004;
    QTest::newRow("smallest negative") << -std::numeric_limits<double>::denorm_min();
    QTest::newRow("half thousandth") << 0.0005;
    QTest::newRow("1.2345") << 1.2345;
    QTest::newRow("1.0005") << 1.0005;
    QTest::newRow("exact tie 0.0625") << 0.0625;
    QTest::newRow("exact tie -3.0625") << -3.0625;
    QTest::newRow("exact tie 466.8125") << 466.8125;
    QTest::newRow("exact tie 0.9375") << 0.9375;
    QTest::newRow("not a tie 0.125") << 0.125;
    QTest::newRow("999.9995") << 999.9995;
    QTest::newRow("-999.9995") << -999.9995;
    QTest::newRow("2^49 + 0.0625 neighbour") << 562949953421311.9375;
    QTest::newRow("2^53 + 1") << 9007199254740993.0;
    QTest::newRow("2^52 + 0.5") << 4503599627370496.5;
    QTest::newRow("2^53 - 1") << 9007199254740991.0;
    QTest::newRow("denormal") << -4.9e-320;
    QTest::newRow("just below half a thousandth") << 0.000499999999999999;
    QTest::newRow("1e22") << 1e22;
    QTest::newRow("huge") << 1e300;
    QTest::newRow("max") << std::numeric_limits<double>::max();
    QTest::newRow("lowest") << std::numeric_limits<double>::lowest();
    QTest::newRow("infinity") << inf;
    QTest::newRow("minus infinity") << -inf;
    QTest::newRow("nan") << std::nan("");
    QTest::newRow("negative nan") << -std::nan("");
    QTest::newRow("percent of 0.98765") << 0.98765 * 100;
}

void TestNumberText::fixed3()
{
    QFETCH(double, value);
    QCOMPARE(fast(value), reference(value));
    QCOMPARE(CsvWriter::fixed3(value), reference(value));
}

void TestNumberText::fixed3Sweep()
{
    QRandomGenerator random(3);
    for (int i = 0; i < 300000; ++i) {
        double value = 0;
        switch (i % 4) {
        case 0: { // any bit pattern
            const quint64 bits = random.generate64();
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        case 1: // ties and their neighbours
            value = std::nextafter(
                double(qint64(random.bounded(2000000)) - 1000000) / 16, random.bounded(2) ? 1e9 : -1e9);
            if (i % 8 == 1)
                value = double(qint64(random.bounded(2000000)) - 1000000) / 16;
            break;
        case 2: // station-like values with up to 4 decimals
            value = double(qint64(random.bounded(20000000))) / 10000 - 1000;
            break;
        default: // around powers of ten
            value = std::pow(10.0, random.bounded(40) - 10) * (random.bounded(2) ? 1 : -1)
                * random.generateDouble();
        }
        if (fast(value) != reference(value))
            QFAIL(qPrintable(QStringLiteral("%1: %2 instead of %3")
                                 .arg(value, 0, 'g', 17)
                                 .arg(fast(value), reference(value))));
    }
}

void TestNumberText::productionRowAsBefore_data()
{
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("numbers") << QVariantList { QStringLiteral("2024-06-30 08:00:00"), QStringLiteral("A1"),
        0.98765, QStringLiteral("1.2345"), qint64(400), qint64(80) }
                             << QByteArray("7,2024-06-30 08:00:00,A1,98.765%,1.234,400.000,80.000\n");
    QTest::newRow("text in number columns") << QVariantList { QStringLiteral("t"), QStringLiteral("B,2"),
        QStringLiteral("abc"), QStringLiteral(" 2.5 "), QStringLiteral("1e3"), QVariant(QVariant::String) }
                                            << QByteArray("7,t,\"B,2\",0.000%,2.500,1000.000,0.000\n");
    QTest::newRow("infinite similarity") << QVariantList { QString(), QString(),
        std::numeric_limits<double>::infinity(), -0.0, std::nan(""), -0.0625 }
                                         << QByteArray("7,,,0.000%,0.000,nan,-0.063\n");
}

void TestNumberText::productionRowAsBefore()
{
    QFETCH(QVariantList, values);
    QFETCH(QByteArray, line);
    line.replace('\n', CsvWriter::lineEnd().latin1());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        CsvWriter writer(&buffer);
        writer.writeProductionRow(7, values.toVector());
        QVERIFY(writer.ok());
    }
    QCOMPARE(buffer.data(), line);
    // The same fields through the general line writer and Qt's formatting.
    QBuffer general;
    general.open(QIODevice::WriteOnly);
    {
        CsvWriter writer(&general);
        const double correlate
            = values.at(2).toDouble() >= std::numeric_limits<double>::max() ? 0 : values.at(2).toDouble();
        writer.writeLine({ QStringLiteral("7"), values.at(0).toString(), values.at(1).toString(),
            reference(correlate * 100) + QLatin1Char('%'), reference(values.at(3).toDouble()),
            reference(values.at(4).toDouble()), reference(values.at(5).toDouble()) });
        QVERIFY(writer.ok());
    }
    QCOMPARE(general.data(), line);
}

void TestNumberText::rowViewLineAsBefore_data()
{
    // SQL values of time, model, correlate, detecttime, diameter, hight.
    QTest::addColumn<QString>("values");
    QTest::newRow("station row") << QStringLiteral("'2024-06-30 08:00:00', 'A1', 0.98765, '1.2345', 400, 80");
    QTest::newRow("texts in number columns") << QStringLiteral("'t', 'B,2', 'abc', ' 2.5 ', '1e3', '-0'");
    QTest::newRow("decimal forms") << QStringLiteral("'t', 'm', '007.50', '.5', '5.', '-12.0625'");
    QTest::newRow("NULLs") << QStringLiteral("NULL, NULL, NULL, NULL, NULL, NULL");
    QTest::newRow("numbers in text columns") << QStringLiteral("20240630, 1.5, 1, 2, 3, 4");
    QTest::newRow("quotes and line breaks")
        << QStringLiteral("'a\"b', 'x' || char(10) || 'y' || char(13), 0.5, 1, 2, 3");
    QTest::newRow("non-ASCII") << QStringLiteral("'2024年6月', '型号Ä', 0.5, '１.５', 2, 3");
    QTest::newRow("blobs") << QStringLiteral("x'41', x'2c42', x'31', x'322e35', x'', 3");
    QTest::newRow("huge and tiny") << QStringLiteral("'t', 'm', 1e300, '1e-400', 9e18, -0.0625");
    QTest::newRow("infinite similarity") << QStringLiteral("'t', 'm', 1e999, '-1e999', 'nan', 'inf'");
    QTest::newRow("texts a spreadsheet would evaluate")
        << QStringLiteral("'=1+1', '-A' || char(59) || 'B' || char(9), 0.5, 1, 2, 3");
    QTest::newRow("numbers a spreadsheet would evaluate") << QStringLiteral("-5, '@x', 0.5, 1, 2, 3");
}

void TestNumberText::rowViewLineAsBefore()
{
    QFETCH(QString, values);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rows.db"));
    QVERIFY(TestAppDir::exec(file,
        QStringLiteral(
            "create table r(time, model, correlate, detecttime, diameter, hight); insert into r values(")
            + values + QLatin1Char(')')));
    DetectDataDB db(file, QStringLiteral("QSQLITE"));
    QVERIFY(db.open());
    QVERIFY(db.hasRowViews());
    QBuffer viewed;
    QBuffer general;
    viewed.open(QIODevice::WriteOnly);
    general.open(QIODevice::WriteOnly);
    {
        CsvWriter viewWriter(&viewed);
        CsvWriter valueWriter(&general);
        QVERIFY(db.forEachRowView(
            QStringLiteral("select * from r"), CsvWriter::productionColumns(), [&](const RowView& row) {
                viewWriter.writeProductionRow(3, row);
                return true;
            }));
        QVERIFY(db.forEachRowValues(QStringLiteral("select * from r"), CsvWriter::productionColumns(),
            [&](const QVector<QVariant>& row) {
                valueWriter.writeProductionRow(3, row);
                return true;
            }));
        // Byte lines and stream lines keep their order.
        viewWriter.writeText(QStringLiteral("end"));
        valueWriter.writeText(QStringLiteral("end"));
        QVERIFY(viewWriter.ok());
        QVERIFY(valueWriter.ok());
    }
    QVERIFY(!general.data().isEmpty());
    QCOMPARE(viewed.data(), general.data());
    // Station texts reach a spreadsheet as texts (see CsvWriter::textField).
    if (values.startsWith(QLatin1String("'=1+1'")))
        QVERIFY(viewed.data().startsWith("3,\"'=1+1\",\"'-A;B\t\","));
    if (values.startsWith(QLatin1String("-5")))
        QVERIFY(viewed.data().startsWith("3,\"'-5\",\"'@x\","));
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
