#include "gapmonitor.h"

#include <algorithm>

namespace {
// A tick arriving up to this late counts as on time.
const double TickSlackMs = 2.0;
}

GapMonitor::GapMonitor(QObject* parent)
    : QObject(parent)
{
    m_Clock.start();
    m_Timer.setTimerType(Qt::PreciseTimer);
    m_Timer.setInterval(1);
    connect(&m_Timer, &QTimer::timeout, this, &GapMonitor::onTick);
}

double GapMonitor::now() const
{
    return double(m_Clock.nsecsElapsed()) / 1e6;
}

void GapMonitor::start()
{
    m_Gaps.clear();
    m_Shows.clear();
    m_Last = now();
    m_Timer.start();
}

void GapMonitor::stop()
{
    onTick();
    m_Timer.stop();
}

void GapMonitor::markShow(double from, double to)
{
    m_Shows.append({ from, to });
}

void GapMonitor::onTick()
{
    const double t = now();
    if (t - m_Last > 1.0 + TickSlackMs)
        m_Gaps.append({ m_Last, t });
    m_Last = t;
}

double GapMonitor::longestShowGap() const
{
    double longest = 0;
    for (const Gap& gap : m_Gaps) {
        for (const Gap& show : m_Shows) {
            if (gap.from <= show.to && gap.to >= show.from)
                longest = std::max(longest, gap.to - gap.from);
        }
    }
    return longest;
}

double GapMonitor::longestOtherGap() const
{
    double longest = 0;
    for (const Gap& gap : m_Gaps) {
        const bool show = std::any_of(m_Shows.cbegin(), m_Shows.cend(),
            [&gap](const Gap& s) { return gap.from <= s.to && gap.to >= s.from; });
        if (!show)
            longest = std::max(longest, gap.to - gap.from);
    }
    return longest;
}
