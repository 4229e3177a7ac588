#ifndef GAPMONITOR_H
#define GAPMONITOR_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

// Measures how long the GUI thread's event loop goes without serving a 1 ms
// timer. Between start() and stop() every gap longer than the tick is kept with
// its start and end. Gaps that overlap a window declared with markShow() (the
// slot that fills the page and the paint after it, which legitimately run on
// the GUI thread) are reported apart from all the others.
//
// Thread: GUI thread only. Times come from one clock, see now().
class GapMonitor : public QObject
{
    Q_OBJECT
public:
    explicit GapMonitor(QObject* parent = nullptr);

    void start();
    void stop();
    // The interval [from, to] belongs to showing the result.
    void markShow(double from, double to);

    double longestShowGap() const;
    double longestOtherGap() const;

    // Milliseconds since the monitor was made.
    double now() const;

private:
    void onTick();

    struct Gap
    {
        double from;
        double to;
    };

    QTimer m_Timer;
    QElapsedTimer m_Clock;
    double m_Last = 0;
    QVector<Gap> m_Gaps;
    QVector<Gap> m_Shows;
};

#endif // GAPMONITOR_H
