#ifndef CANCELFLAG_H
#define CANCELFLAG_H

#include <QAtomicInt>
#include <QHash>
#include <QMutex>

#include <functional>

// Stops the statements of one request from another thread (the user's
// Cancel). While a Scope for a flag is alive on a thread, the statements that
// thread runs on the viewer's connections stop at their next progress check
// once cancel() was called, a wait for the station's lock ends, and later
// statements are refused. Other threads, other requests and the station are
// not affected.
//
// A statement waiting on the network checks nothing: its connection adds a
// listener, which cancel() calls on the cancelling thread (it must return at
// once).
class CancelFlag
{
public:
    CancelFlag() = default;
    CancelFlag(const CancelFlag&) = delete;
    CancelFlag& operator=(const CancelFlag&) = delete;

    void cancel();
    void reset() { m_Flag.storeRelease(0); }
    bool isCancelled() const { return m_Flag.loadAcquire() != 0; }

    // Whether the request the calling thread works for was cancelled.
    static bool currentCancelled();
    // The calling thread's current flag, or null.
    static const CancelFlag* current();

    // Calls listener at every later cancel() until it is removed; removing
    // waits for a call in progress.
    int addListener(const std::function<void()>& listener) const;
    void removeListener(int id) const;

    // Makes a flag the calling thread's current one until the scope ends (a
    // null flag: none).
    class Scope
    {
    public:
        explicit Scope(const CancelFlag* flag);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const CancelFlag* m_pPrevious;
    };

private:
    QAtomicInt m_Flag;
    mutable QMutex m_Mutex;
    mutable QHash<int, std::function<void()>> m_Listeners;
    mutable int m_NextListener = 0;
};

#endif // CANCELFLAG_H
