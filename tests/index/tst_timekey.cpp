#include "timekey.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstring>

namespace {
// SQLite's BINARY order of two UTF-8 texts: bytes unsigned, prefix first.
int textOrder(const QByteArray& a, const QByteArray& b)
{
    const int n = qMin(a.size(), b.size());
    const int c = std::memcmp(a.constData(), b.constData(), size_t(n));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int keyOrder(const TimeKey& a, const TimeKey& b)
{
    return a == b ? 0 : (a < b ? -1 : 1);
}

// Texts near the well-shaped form: each character drawn from the shape's own
// characters, digits at the edges, and characters just around them.
QByteArray randomTime(QRandomGenerator& random)
{
    static const QByteArray alphabet = QByteArrayLiteral("0123456789 -:/.T\t,9;A\xc3\xa9");
    const QByteArray base = QByteArrayLiteral("2024-06-30 23:59:59");
    QByteArray text = base.left(int(random.bounded(base.size() + 1)));
    if (random.bounded(2) == 0)
        text = base;
    const int edits = int(random.bounded(3));
    for (int i = 0; i < edits && !text.isEmpty(); ++i)
        text[int(random.bounded(text.size()))] = alphabet.at(int(random.bounded(alphabet.size())));
    if (random.bounded(5) == 0)
        text += alphabet.at(int(random.bounded(alphabet.size())));
    return text;
}
}

// The time key of the index keeps the station's text order exactly.
class TestTimeKey : public QObject
{
    Q_OBJECT
private slots:
    void floorOf_data();
    void floorOf();
    void orderOfPairs_data();
    void orderOfPairs();
    void orderOfRandomTexts();
    void packRoundTrip();
};

void TestTimeKey::floorOf_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("floor"); // empty: none
    QTest::newRow("well shaped") << QByteArray("2024-06-30 08:00:00") << QByteArray("2024-06-30 08:00:00");
    QTest::newRow("longer") << QByteArray("2024-06-30 08:00:00.5") << QByteArray("2024-06-30 08:00:00");
    QTest::newRow("prefix") << QByteArray("2024-06-30") << QByteArray("2024-06-29 99:99:99");
    QTest::newRow("T separator") << QByteArray("2024-06-30T08:00:00") << QByteArray("2024-06-30 99:99:99");
    QTest::newRow("short month") << QByteArray("2024-6-30 08:00:00") << QByteArray("2024-59-99 99:99:99");
    QTest::newRow("slash") << QByteArray("2024/06/30") << QByteArray("2024-99-99 99:99:99");
    QTest::newRow("empty") << QByteArray("") << QByteArray();
    QTest::newRow("zeros prefix") << QByteArray("0000") << QByteArray();
    QTest::newRow("letters") << QByteArray("abc") << QByteArray("9999-99-99 99:99:99");
    QTest::newRow("blank first") << QByteArray(" 2024") << QByteArray();
}

void TestTimeKey::floorOf()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, floor);
    char out[TimeKey::Length];
    const bool found = TimeKey::floorOf(text, out);
    QCOMPARE(found, !floor.isEmpty());
    if (found)
        QCOMPARE(QByteArray(out, TimeKey::Length), floor);
}

void TestTimeKey::orderOfPairs_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::newRow("equal") << QByteArray("2024-06-30 08:00:00") << QByteArray("2024-06-30 08:00:00");
    QTest::newRow("one second") << QByteArray("2024-06-30 08:00:00") << QByteArray("2024-06-30 08:00:01");
    QTest::newRow("odd after its floor")
        << QByteArray("2024-06-30 08:00:00") << QByteArray("2024-06-30 08:00:00.1");
    QTest::newRow("odd before next") << QByteArray("2024-06-30 08:00:00.1")
                                     << QByteArray("2024-06-30 08:00:01");
    QTest::newRow("T form") << QByteArray("2024-06-30 23:59:59") << QByteArray("2024-06-30T00:00:00");
    QTest::newRow("empty first") << QByteArray("") << QByteArray("0000-00-00 00:00:00");
    QTest::newRow("two odd") << QByteArray("2024-6-1") << QByteArray("2024-6-2");
    QTest::newRow("non-ascii") << QByteArray("2024-06-30 08:00:00") << QByteArray("\xc3\xa9");
}

void TestTimeKey::orderOfPairs()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QCOMPARE(keyOrder(TimeKey::ofText(a), TimeKey::ofText(b)), textOrder(a, b));
    QCOMPARE(keyOrder(TimeKey::ofText(b), TimeKey::ofText(a)), textOrder(b, a));
}

void TestTimeKey::orderOfRandomTexts()
{
    QRandomGenerator random(20240630);
    for (int i = 0; i < 50000; ++i) {
        const QByteArray a = randomTime(random);
        const QByteArray b = randomTime(random);
        if (keyOrder(TimeKey::ofText(a), TimeKey::ofText(b)) != textOrder(a, b))
            QFAIL(qPrintable(QStringLiteral("order differs for '%1' and '%2'")
                                 .arg(QString::fromUtf8(a), QString::fromUtf8(b))));
        // The index build's one-pass key of a well-shaped text is the same.
        qint64 packed = -1;
        const bool shaped = TimeKey::packShaped(a.constData(), a.size(), &packed);
        if (shaped != TimeKey::isWellShaped(a) || (shaped && packed != TimeKey::ofText(a).ti))
            QFAIL(qPrintable(QStringLiteral("one-pass key differs for '%1'").arg(QString::fromUtf8(a))));
    }
}

void TestTimeKey::packRoundTrip()
{
    const QByteArray text("2024-06-30 08:15:42");
    QCOMPARE(TimeKey::pack(text.constData()), Q_INT64_C(20240630081542));
    QCOMPARE(TimeKey::unpack(20240630081542), text);
    QCOMPARE(TimeKey::ofText(text).tx, QByteArray());
}

QTEST_GUILESS_MAIN(TestTimeKey)
#include "tst_timekey.moc"
