#include "digits.h"
#include "qclockdlg.h"

#include <QAction>
#include <QtTest>

class TestFlipClock : public QObject
{
    Q_OBJECT

private slots:
    void boundedNumber_data();
    void boundedNumber();
    void sameNumberDoesNothing_data();
    void sameNumberDoesNothing();
    void invalidTransitionIgnored();
    void digitsFitTheCard_data();
    void digitsFitTheCard();

    void contextMenuActions_data();
    void contextMenuActions();
    void arrowKeysCycle_data();
    void arrowKeysCycle();
    void showTimeKeepsRecordedTime();
    void layout_data();
    void layout();
};

namespace {
QImage render(QWidget* w)
{
    return w->grab().toImage();
}
}

void TestFlipClock::digitsFitTheCard_data()
{
    QTest::addColumn<QSize>("box");
    QTest::addColumn<bool>("heightRules");
    QTest::newRow("picker card") << QSize(2 * 61, 2 * 89) << false;
    QTest::newRow("tall and narrow") << QSize(40, 200) << false;
    QTest::newRow("square") << QSize(200, 200) << false;
    QTest::newRow("wide") << QSize(400, 100) << true;
    QTest::newRow("tiny") << QSize(4, 4) << false;
}

// Drawn at any card size, the widest number stays inside the card, and a card
// with room to spare keeps the full height of its text.
void TestFlipClock::digitsFitTheCard()
{
    QFETCH(QSize, box);
    QFETCH(bool, heightRules);
    const QFont font = Digits::digitsFont(QStringLiteral("88"), box);
    const int card = box.width() - 2 * (box.width() / 10);
    if (font.pixelSize() > 1)
        QVERIFY(QFontMetrics(font).horizontalAdvance(QStringLiteral("88")) <= card);
    if (heightRules)
        QCOMPARE(font.pixelSize(), static_cast<int>(0.55 * box.height()));
}

void TestFlipClock::boundedNumber_data()
{
    QTest::addColumn<bool>("animated");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("shown");

    for (bool animated : { false, true }) {
        const char* how = animated ? "flipTo" : "setNumber";
        QTest::addRow("%s above range", how) << animated << 150 << 99;
        QTest::addRow("%s below range", how) << animated << -3 << 0;
        QTest::addRow("%s upper bound", how) << animated << 99 << 99;
        QTest::addRow("%s inside", how) << animated << 7 << 7;
    }
}

void TestFlipClock::boundedNumber()
{
    QFETCH(bool, animated);
    QFETCH(int, input);
    QFETCH(int, shown);

    Digits digits;
    digits.resize(100, 120);
    digits.setNumber(42); // start away from every expected value
    if (animated) {
        digits.flipTo(input);
        QTRY_VERIFY(!digits.isAnimating());
    } else {
        digits.setNumber(input);
    }
    QCOMPARE(digits.number(), shown);

    // The card must look like one set directly to the bounded number.
    Digits reference;
    reference.resize(100, 120);
    reference.setNumber(42);
    reference.setNumber(shown);
    QCOMPARE(render(&digits), render(&reference));
}

void TestFlipClock::sameNumberDoesNothing_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("requested");

    QTest::newRow("equal") << 7 << 7;
    QTest::newRow("start value 0") << 0 << 0;
    QTest::newRow("above range while at 99") << 99 << 150;
    QTest::newRow("below range while at 0") << 0 << -3;
}

void TestFlipClock::sameNumberDoesNothing()
{
    QFETCH(int, current);
    QFETCH(int, requested);

    Digits digits;
    digits.resize(100, 120);
    digits.setNumber(current);
    const QImage before = render(&digits);

    digits.flipTo(requested);
    QVERIFY(!digits.isAnimating());
    digits.setNumber(requested);
    QCOMPARE(digits.number(), current);
    QCOMPARE(render(&digits), before);
}

void TestFlipClock::invalidTransitionIgnored()
{
    Digits digits;
    digits.setTransition(Digits::Rotate);
    digits.setTransition(3);
    QCOMPARE(digits.transition(), int(Digits::Rotate));
    digits.setTransition(-1);
    QCOMPARE(digits.transition(), int(Digits::Rotate));
}

void TestFlipClock::contextMenuActions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");

    QTest::newRow("slide") << 0 << QStringLiteral("&Slide");
    QTest::newRow("flip") << 1 << QStringLiteral("&Flip");
    QTest::newRow("rotate") << 2 << QStringLiteral("&Rotate");
}

void TestFlipClock::contextMenuActions()
{
    QFETCH(int, index);
    QFETCH(QString, text);

    QClockDlg clock;
    QCOMPARE(clock.contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> actions = clock.actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions.at(index)->text(), text);

    // Start from another transition so the trigger has something to change.
    clock.hours()->setTransition((index + 1) % 3);
    clock.minutes()->setTransition((index + 1) % 3);
    actions.at(index)->trigger();
    QCOMPARE(clock.hours()->transition(), index);
    QCOMPARE(clock.minutes()->transition(), index);
}

void TestFlipClock::arrowKeysCycle_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");

    QTest::newRow("right slide to flip") << 0 << int(Qt::Key_Right) << 1;
    QTest::newRow("right flip to rotate") << 1 << int(Qt::Key_Right) << 2;
    QTest::newRow("right rotate to slide") << 2 << int(Qt::Key_Right) << 0;
    QTest::newRow("left slide to rotate") << 0 << int(Qt::Key_Left) << 2;
    QTest::newRow("left rotate to flip") << 2 << int(Qt::Key_Left) << 1;
    QTest::newRow("left flip to slide") << 1 << int(Qt::Key_Left) << 0;
    QTest::newRow("other key keeps it") << 1 << int(Qt::Key_Up) << 1;
}

void TestFlipClock::arrowKeysCycle()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);

    QClockDlg clock;
    clock.hours()->setTransition(from);
    clock.minutes()->setTransition(from);
    QTest::keyClick(&clock, Qt::Key(key));
    QCOMPARE(clock.hours()->transition(), to);
    QCOMPARE(clock.minutes()->transition(), to);
}

void TestFlipClock::showTimeKeepsRecordedTime()
{
    QClockDlg clock;
    clock.resize(200, 300);

    clock.flipTime(8, 30);
    QCOMPARE(clock.hour(), 8);
    QCOMPARE(clock.minute(), 30);
    QVERIFY(clock.hours()->isAnimating());
    QTRY_VERIFY(!clock.hours()->isAnimating() && !clock.minutes()->isAnimating());

    clock.showTime(150, -3);
    QVERIFY(!clock.hours()->isAnimating());
    QCOMPARE(clock.hours()->number(), 99);
    QCOMPARE(clock.minutes()->number(), 0);
    QCOMPARE(clock.hour(), 8);
    QCOMPARE(clock.minute(), 30);

    // A transition change replays the recorded time on both cards.
    clock.switchTransition(1);
    QCOMPARE(clock.hours()->number(), 8);
    QCOMPARE(clock.minutes()->number(), 30);
    QVERIFY(clock.hours()->isAnimating());
}

void TestFlipClock::layout_data()
{
    QTest::addColumn<QSize>("clockSize");
    QTest::addColumn<QRect>("hourCard");
    QTest::addColumn<QRect>("minuteCard");

    QTest::newRow("tall") << QSize(200, 300) << QRect(0, 60, 100, 120) << QRect(100, 60, 100, 120);
    QTest::newRow("odd width") << QSize(201, 150) << QRect(0, 10, 100, 120) << QRect(100, 10, 100, 120);
    QTest::newRow("truncated height") << QSize(110, 150) << QRect(0, 28, 55, 66) << QRect(55, 28, 55, 66);
    QTest::newRow("too low") << QSize(200, 90) << QRect(0, -10, 100, 120) << QRect(100, -10, 100, 120);
}

void TestFlipClock::layout()
{
    QFETCH(QSize, clockSize);
    QFETCH(QRect, hourCard);
    QFETCH(QRect, minuteCard);

    QClockDlg clock;
    clock.resize(clockSize);
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QCOMPARE(clock.hours()->geometry(), hourCard);
    QCOMPARE(clock.minutes()->geometry(), minuteCard);
}

QTEST_MAIN(TestFlipClock)
#include "tst_flipclock.moc"
