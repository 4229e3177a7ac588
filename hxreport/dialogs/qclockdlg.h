#ifndef QCLOCKDLG_H
#define QCLOCKDLG_H

#include <QBasicTimer>
#include <QWidget>

class Digits;

// Two-card flip clock (hour left, minute right). The transition is picked
// from the context menu or stepped with the left and right arrow keys and
// always applies to both cards. UI thread only.
class QClockDlg : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(QClockDlg)

public:
    explicit QClockDlg(QWidget* parent = nullptr);
    ~QClockDlg() override;

    // Shows the numbers at once; the recorded time is left unchanged.
    void showTime(int hour, int minute);
    // Animates to the numbers and records them.
    void flipTime(int hour, int minute);
    // Animates to the recorded time; a card that already shows it stays still.
    void refreshTime();
    // Steps the transition of both cards by step, cycling through 0..2.
    void switchTransition(int step);

    Digits* hours() const { return m_Hours; }
    Digits* minutes() const { return m_Minutes; }
    int hour() const { return m_Hour; }
    int minute() const { return m_Minute; }

public slots:
    void chooseSlide();
    void chooseFlip();
    void chooseRotate();

protected:
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setTransitionOnBoth(int t);

    QBasicTimer m_Timer; // never started
    Digits* m_Hours = nullptr; // child
    Digits* m_Minutes = nullptr; // child
    int m_Hour = 0;
    int m_Minute = 0;
};

#endif // QCLOCKDLG_H
