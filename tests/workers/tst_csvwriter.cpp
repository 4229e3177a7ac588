#include "csvwriter.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <limits>

namespace {
// Accepts a fixed number of bytes, then reports every write as failed.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity)
        : m_Capacity(capacity)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        if (m_Written + len > m_Capacity) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        m_Written += len;
        return len;
    }

private:
    qint64 m_Capacity;
    qint64 m_Written = 0;
};

QVector<QVariant> productionRow(
    const QString& time, const QString& model, double correlate, double detect, double diameter, double hight)
{
    // As read from the table: detecttime is stored as text.
    return { time, model, correlate, QString::number(detect), diameter, hight };
}

QStringList linesOf(const QByteArray& bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(CsvWriter::lineEnd());
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}
}

class TestCsvWriter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void field_data();
    void field();
    void stationText_data();
    void stationText();
    void numbers_data();
    void numbers();
    void productionFile();
    void logLinesEndWithComma();
    void countBlock_data();
    void countBlock();
    void writeFailureIsReported();
    void codePage_data();
    void codePage();
};

void TestCsvWriter::initTestCase()
{
    // The layout is checked in UTF-8 whatever the machine's code page (a
    // Windows one writes Chinese as GBK); codePage() covers the code pages.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

void TestCsvWriter::field_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "A1"
                           << "A1";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("chinese") << QStringLiteral("型号") << QStringLiteral("型号");
    QTest::newRow("comma") << "A,1"
                           << "\"A,1\"";
    QTest::newRow("quote") << "say \"hi\""
                           << "\"say \"\"hi\"\"\"";
    QTest::newRow("newline") << "two\nlines"
                             << "\"two\nlines\"";
    QTest::newRow("carriage return") << "a\rb"
                                     << "\"a\rb\"";
    QTest::newRow("single quote stays") << "it's"
                                        << "it's";
    QTest::newRow("non-BMP") << QString::fromUtf8("\xF0\x9F\x98\x80")
                             << QString::fromUtf8("\xF0\x9F\x98\x80");
}

void TestCsvWriter::field()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(CsvWriter::field(text), expected);
}

// A text stored by the station, as a log message and as a model name: the
// exact field written, and what Python's csv module reads back from the file
// (the text itself, or the text behind one leading quote where it would
// otherwise start a formula).
void TestCsvWriter::stationText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("neutralised");
    QTest::newRow("plain") << "A1"
                           << "A1" << false;
    QTest::newRow("time") << "2020-05-01 08:00:01"
                          << "2020-05-01 08:00:01" << false;
    QTest::newRow("comma") << "A,1"
                           << "\"A,1\"" << false;
    QTest::newRow("formula") << "=1+1"
                             << "\"'=1+1\"" << true;
    QTest::newRow("link") << "=HYPERLINK(\"http://x\",\"click\")"
                          << "\"'=HYPERLINK(\"\"http://x\"\",\"\"click\"\")\"" << true;
    QTest::newRow("plus") << "+41"
                          << "\"'+41\"" << true;
    QTest::newRow("minus") << "-2+3"
                           << "\"'-2+3\"" << true;
    QTest::newRow("at") << "@SUM(A1)"
                        << "\"'@SUM(A1)\"" << true;
    QTest::newRow("leading tab") << "\t=1"
                                 << "\"'\t=1\"" << true;
    QTest::newRow("leading CR") << "\r=1"
                                << "\"'\r=1\"" << true;
    QTest::newRow("semicolon") << "a;b"
                               << "\"a;b\"" << false;
    QTest::newRow("inner tab") << "a\tb"
                               << "\"a\tb\"" << false;
    QTest::newRow("inner equals") << "a=1"
                                  << "a=1" << false;
    QTest::newRow("quote already first") << "'x"
                                         << "'x" << false;
    QTest::newRow("blank before equals") << " =1+1"
                                         << "\"' =1+1\"" << true;
    QTest::newRow("blanks before plus") << "   +41"
                                        << "\"'   +41\"" << true;
    QTest::newRow("line feed before at") << "\n@SUM(A1)"
                                         << "\"'\n@SUM(A1)\"" << true;
    QTest::newRow("no-break space before minus")
        << QStringLiteral("\u00a0-2+3") << QStringLiteral("\"'\u00a0-2+3\"") << true;
    QTest::newRow("ideographic space before equals")
        << QStringLiteral("\u3000=1") << QStringLiteral("\"'\u3000=1\"") << true;
    QTest::newRow("blanks before text") << "  A1"
                                        << "  A1" << false;
    QTest::newRow("blanks only") << "   "
                                 << "   " << false;
}

void TestCsvWriter::stationText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, neutralised);
    QCOMPARE(CsvWriter::textField(text), expected);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("log.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    {
        CsvWriter csv(&file);
        csv.writeLogHeader(QStringLiteral("title"));
        csv.writeLogRow(1, { QStringLiteral("2020-05-01 08:00:01"), text });
        QMap<QString, int> counts;
        counts.insert(text, 7);
        csv.writeCounts(QDateTime(QDate(2020, 5, 1), QTime(8, 0)), QDateTime(QDate(2020, 5, 2), QTime(8, 0)),
            counts, QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6)));
        QVERIFY(csv.ok());
    }
    file.close();

    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QProcess reader;
    reader.start(python,
        { QStringLiteral("-c"),
            QStringLiteral("import csv,sys\n"
                           "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
                           "sys.stdout.buffer.write((rows[2][2]+'\\x1f'+rows[5][1]).encode('utf-8'))"),
            file.fileName() });
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.exitCode(), 0);
    const QString shown = neutralised ? QLatin1Char('\'') + text : text;
    QCOMPARE(
        QString::fromUtf8(reader.readAllStandardOutput()).split(QChar(0x1f)), QStringList({ shown, shown }));
}

void TestCsvWriter::numbers_data()
{
    QTest::addColumn<double>("correlate");
    QTest::addColumn<QString>("percent");
    QTest::newRow("half") << 0.5 << "50.000%";
    QTest::newRow("rounding") << 0.91234 << "91.234%";
    QTest::newRow("zero") << 0.0 << "0.000%";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0.000%";
    QTest::newRow("max double") << std::numeric_limits<double>::max() << "0.000%";
}

void TestCsvWriter::numbers()
{
    QFETCH(double, correlate);
    QFETCH(QString, percent);
    QCOMPARE(CsvWriter::percent(correlate), percent);
    QCOMPARE(CsvWriter::fixed3(12.5), QStringLiteral("12.500"));
    QCOMPARE(CsvWriter::fixed3(1.23456), QStringLiteral("1.235"));
}

void TestCsvWriter::productionFile()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter csv(&buffer);
    csv.writeProductionHeader(QStringLiteral("标题,with comma"));
    csv.writeProductionRow(1, productionRow("2020-05-01 08:00:01", "A1", 0.5, 1.23456, 500, 200));
    csv.writeProductionRow(2,
        productionRow(
            "2020-05-01 08:00:02", "B,2", std::numeric_limits<double>::infinity(), 0.2, 420.5, 180));
    csv.writeProductionRow(3, productionRow("2020-05-01 08:00:03", "NG", 0.9, 2, 350, 150));
    csv.writeProductionFooter(3, QStringLiteral("username"), QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6)));
    QVERIFY(csv.ok());
    const QStringList lines = linesOf(buffer.data());
    const QStringList expected = {
        QStringLiteral("标题,with comma"),
        QStringLiteral("序号,时间,匹配型号,相似度,消耗时间,直径,厚度"),
        QStringLiteral("1,2020-05-01 08:00:01,A1,50.000%,1.235,500.000,200.000"),
        QStringLiteral("2,2020-05-01 08:00:02,\"B,2\",0.000%,0.200,420.500,180.000"),
        QStringLiteral("3,2020-05-01 08:00:03,NG,90.000%,2.000,350.000,150.000"),
        QStringLiteral("总数,3"),
        QStringLiteral("时间:,2021-02-03,04:05:06"),
        QStringLiteral("用户:,username,"),
    };
    QCOMPARE(lines, expected);
}

void TestCsvWriter::logLinesEndWithComma()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter csv(&buffer);
    csv.writeLogHeader(QStringLiteral("报警记录查询"));
    csv.writeLogRow(
        1, { QStringLiteral("2020-05-01 08:00:01"), QStringLiteral("motor \"2\" stalled, line\nstopped") });
    csv.writeLogFooter(1, QStringLiteral("username"), QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6)));
    QVERIFY(csv.ok());
    const QString text = QString::fromUtf8(buffer.data());
    // The line feed inside the quoted message stays a bare line feed.
    const QString end = CsvWriter::lineEnd();
    QCOMPARE(text,
        QStringLiteral("报警记录查询") + end + QStringLiteral("序号,时间,信息") + end
            + QStringLiteral("1,2020-05-01 08:00:01,\"motor \"\"2\"\" stalled, line\nstopped\",") + end
            + QStringLiteral("总数,1") + end + QStringLiteral("保存时间:,2021-02-03,04:05:06") + end
            + QStringLiteral("用户:,username,") + end);
}

void TestCsvWriter::countBlock_data()
{
    QTest::addColumn<QVariantMap>("counts");
    QTest::addColumn<QStringList>("body");
    QTest::addColumn<QString>("station"); // one station of the plant server
    QTest::addColumn<QString>("title"); // after the range's title
    QTest::newRow("no NG") << QVariantMap { { "A", 5 }, { "B", 2 } }
                           << QStringList { "1,A,5,", "2,B,2,", "3,NG,0", QStringLiteral("4,总数,7") }
                           << QString() << QString();
    QTest::newRow("with NG") << QVariantMap { { "A", 5 }, { "NG", 1 } }
                             << QStringList { "1,A,5,", "2,NG,1,", QStringLiteral("3,总数,6") }
                             << QStringLiteral("Line 1") << QStringLiteral(" 工位: Line 1");
    QTest::newRow("comma in model") << QVariantMap { { "A,1", 3 } }
                                    << QStringList { "1,\"A,1\",3,", "2,NG,0", QStringLiteral("3,总数,3") }
                                    << QStringLiteral("L\"1, 2") << QStringLiteral(" 工位: L\"\"1, 2\"");
}

void TestCsvWriter::countBlock()
{
    QFETCH(QVariantMap, counts);
    QFETCH(QStringList, body);
    QFETCH(QString, station);
    QFETCH(QString, title);
    QMap<QString, int> map;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        map.insert(it.key(), it.value().toInt());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter csv(&buffer);
    csv.writeCounts(QDateTime(QDate(2020, 5, 1), QTime(8, 0)), QDateTime(QDate(2020, 5, 2), QTime(20, 0)),
        map, QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6)), station);
    QVERIFY(csv.ok());
    // A station's name with a comma or a quote keeps the title one field.
    const QString quote = title.endsWith(QLatin1Char('"')) ? QStringLiteral("\"") : QString();
    QStringList expected { quote + QStringLiteral("从2020-05-01 08:00:00到2020-05-02 20:00:00统计的数据如下")
            + title,
        QStringLiteral("序号,型号,数量") };
    expected += body;
    expected
        += QStringList { QStringLiteral("时间:,2021-02-03,04:05:06"), QStringLiteral("用户:,username,") };
    QCOMPARE(linesOf(buffer.data()), expected);
}

void TestCsvWriter::writeFailureIsReported()
{
    FailingDevice device(100);
    CsvWriter csv(&device);
    csv.writeProductionHeader(QStringLiteral("title"));
    for (int i = 1; i <= 50; ++i)
        csv.writeProductionRow(i, productionRow("2020-05-01 08:00:01", "A1", 0.5, 1, 1, 1));
    QVERIFY(!csv.ok());
    QCOMPARE(csv.errorString(), QStringLiteral("disk full"));
}

// A system code page that cannot hold a station's text (Windows' ANSI code
// pages): the character is written as its code point and counted, never
// dropped or turned into a '?'.
void TestCsvWriter::codePage_data()
{
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("replaced");
    QTest::newRow("GBK holds Chinese")
        << QByteArray("GBK") << QStringLiteral("型号A") << QStringLiteral("型号A") << 0;
    QTest::newRow("GBK, an emoji") << QByteArray("GBK") << QStringLiteral("A\U0001F600B")
                                   << QStringLiteral("A<U+1F600>B") << 1;
    QTest::newRow("GBK, an ideograph beyond it")
        << QByteArray("GBK") << QStringLiteral("\U00020000型") << QStringLiteral("<U+20000>型") << 1;
    QTest::newRow("Latin-1 page, Chinese")
        << QByteArray("windows-1252") << QStringLiteral("型号é") << QStringLiteral("<U+578B><U+53F7>é") << 2;
    QTest::newRow("UTF-8 holds all") << QByteArray("UTF-8") << QStringLiteral("A\U0001F600")
                                     << QStringLiteral("A\U0001F600") << 0;
}

void TestCsvWriter::codePage()
{
    QFETCH(QByteArray, codec);
    QFETCH(QString, model);
    QFETCH(QString, written);
    QFETCH(int, replaced);
    QTextCodec* const page = QTextCodec::codecForName(codec);
    QVERIFY(page);
    QTextCodec* const locale = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(page);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        CsvWriter csv(&buffer);
        csv.writeText(model);
        csv.writeProductionRow(1, productionRow("2020-05-01 08:00:01", model, 0.5, 1, 2, 3));
        csv.writeLogRow(2, { QStringLiteral("2020-05-01 08:00:02"), model });
        QVERIFY(csv.ok());
        QCOMPARE(csv.replacedCharacters(), 3 * replaced);
    }
    QTextCodec::setCodecForLocale(locale);
    const QString end = CsvWriter::lineEnd();
    const QByteArray expected = page->fromUnicode(written + end + QStringLiteral("1,2020-05-01 08:00:01,")
        + written + QStringLiteral(",50.000%,1.000,2.000,3.000") + end
        + QStringLiteral("2,2020-05-01 08:00:02,") + written + QStringLiteral(",") + end);
    QCOMPARE(buffer.data(), expected);
}

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
