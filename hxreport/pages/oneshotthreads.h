#ifndef ONESHOTTHREADS_H
#define ONESHOTTHREADS_H

#include <QList>
#include <QPointer>
#include <QThread>

// The one-shot query and export threads of a window: each deletes itself when
// it finishes, and the window waits for those still running when it closes
// (their deleteLater() would need an event loop that has ended by then).
// UI thread only.
class OneShotThreads
{
public:
    OneShotThreads() = default;
    ~OneShotThreads();

    // Connects thread's signal to receiver's slot (SIGNAL() and SLOT() texts)
    // and starts it.
    void start(QThread* thread, QObject* receiver, const char* signal, const char* slot);
    bool hasRunning() const;
    // Waits for every thread still alive and deletes it.
    void finishAll();

private:
    Q_DISABLE_COPY(OneShotThreads)

    QList<QPointer<QThread>> m_Threads;
};

#endif // ONESHOTTHREADS_H
