#ifndef CANCELFLAG_H
#define CANCELFLAG_H

#include <QAtomicInt>

// Stops the statements of one request from another thread (the user's
// Cancel). While a Scope for a flag is alive on a thread, the statements that
// thread runs on the viewer's connections stop at their next progress check
// once cancel() was called, a wait for the station's lock ends, and later
// statements are refused. Other threads, other requests and the station are
// not affected.
class CancelFlag
{
public:
    void cancel() { m_Flag.storeRelease(1); }
    void reset() { m_Flag.storeRelease(0); }
    bool isCancelled() const { return m_Flag.loadAcquire() != 0; }

    // Whether the request the calling thread works for was cancelled.
    static bool currentCancelled();

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
};

#endif // CANCELFLAG_H
