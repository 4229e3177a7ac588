#include "oneshotthreads.h"

#include <algorithm>

OneShotThreads::~OneShotThreads()
{
    finishAll();
}

void OneShotThreads::start(QThread* thread, QObject* receiver, const char* signal, const char* slot)
{
    QObject::connect(thread, signal, receiver, slot);
    QObject::connect(thread, SIGNAL(finished()), thread, SLOT(deleteLater()));
    m_Threads.erase(std::remove_if(m_Threads.begin(), m_Threads.end(),
                        [](const QPointer<QThread>& t) { return t.isNull(); }),
        m_Threads.end());
    m_Threads.append(thread);
    thread->start();
}

bool OneShotThreads::hasRunning() const
{
    return std::any_of(m_Threads.begin(), m_Threads.end(),
        [](const QPointer<QThread>& thread) { return thread && thread->isRunning(); });
}

void OneShotThreads::finishAll()
{
    for (const QPointer<QThread>& thread : qAsConst(m_Threads)) {
        if (thread) {
            thread->wait();
            delete thread.data();
        }
    }
    m_Threads.clear();
}
