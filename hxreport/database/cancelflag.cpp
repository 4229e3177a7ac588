#include "cancelflag.h"

#include <QMutexLocker>

namespace {
thread_local const CancelFlag* t_current = nullptr;
}

void CancelFlag::cancel()
{
    m_Flag.storeRelease(1);
    const QMutexLocker lock(&m_Mutex);
    for (const std::function<void()>& listener : qAsConst(m_Listeners))
        listener();
}

bool CancelFlag::currentCancelled()
{
    return t_current && t_current->isCancelled();
}

const CancelFlag* CancelFlag::current()
{
    return t_current;
}

int CancelFlag::addListener(const std::function<void()>& listener) const
{
    const QMutexLocker lock(&m_Mutex);
    const int id = ++m_NextListener;
    m_Listeners.insert(id, listener);
    return id;
}

void CancelFlag::removeListener(int id) const
{
    const QMutexLocker lock(&m_Mutex);
    m_Listeners.remove(id);
}

CancelFlag::Scope::Scope(const CancelFlag* flag)
    : m_pPrevious(t_current)
{
    t_current = flag;
}

CancelFlag::Scope::~Scope()
{
    t_current = m_pPrevious;
}
