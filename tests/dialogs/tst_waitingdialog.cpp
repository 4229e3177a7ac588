#include "waitingdialog.h"

#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

class TestWaitingDialog : public QObject
{
    Q_OBJECT

private slots:
    void constructedIdle();
    void steps_data();
    void steps();
    void restartWhileRunning();
    void stopKeepsValue();
};

void TestWaitingDialog::constructedIdle()
{
    WaitingDialog dlg;
    QVERIFY(!dlg.isRunning());
    auto* bar = dlg.findChild<QProgressBar*>();
    QVERIFY(bar);
    QCOMPARE(bar->maximum(), 100);
    QVERIFY(!bar->isTextVisible());
}

void TestWaitingDialog::steps_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");

    QTest::newRow("one step") << 150 << 1 << 1;
    QTest::newRow("last shown value") << 150 << 149 << 149;
    QTest::newRow("full value wraps to 0") << 150 << 150 << 0;
    QTest::newRow("second cycle") << 150 << 151 << 1;
    QTest::newRow("maximum 1 stays at 0") << 1 << 5 << 0;
    QTest::newRow("maximum 0 stays at 0") << 0 << 5 << 0;
    QTest::newRow("negative maximum stays at 0") << -4 << 5 << 0;
}

void TestWaitingDialog::steps()
{
    QFETCH(int, maximum);
    QFETCH(int, steps);
    QFETCH(int, expected);

    WaitingDialog dlg;
    dlg.startProgress(50, maximum);
    QCOMPARE(dlg.findChild<QProgressBar*>()->maximum(), qMax(0, maximum));
    dlg.stopProgress(); // only the direct steps below count
    for (int i = 0; i < steps; ++i)
        dlg.UpdateSlot();
    QCOMPARE(dlg.value(), expected);
}

void TestWaitingDialog::restartWhileRunning()
{
    WaitingDialog dlg;
    dlg.startProgress(50, 150);
    for (int i = 0; i < 10; ++i)
        dlg.UpdateSlot();
    QCOMPARE(dlg.value(), 10);

    dlg.startProgress(5, 150);
    QCOMPARE(dlg.value(), 0);
    QVERIFY(dlg.isRunning());
    QCOMPARE(dlg.interval(), 5);
    QCOMPARE(dlg.timer()->interval(), 5);

    // One timer with one connection: every timeout is exactly one step.
    QSignalSpy ticks(dlg.timer(), &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    dlg.stopProgress();
    QCOMPARE(dlg.value(), ticks.count());
}

void TestWaitingDialog::stopKeepsValue()
{
    WaitingDialog dlg;
    dlg.startProgress(50, 150);
    dlg.UpdateSlot();
    dlg.UpdateSlot();
    dlg.stopProgress();
    QVERIFY(!dlg.isRunning());
    QCOMPARE(dlg.value(), 2);
}

QTEST_MAIN(TestWaitingDialog)
#include "tst_waitingdialog.moc"
