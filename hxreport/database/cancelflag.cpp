#include "cancelflag.h"

namespace {
thread_local const CancelFlag* t_current = nullptr;
}

bool CancelFlag::currentCancelled()
{
    return t_current && t_current->isCancelled();
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
