// SPDX-License-Identifier: MIT
#include "widgets/scheduler.h"

#include <algorithm>

#include "widgets/controls.h"

namespace widgets {

void Scheduler::add(Timer* t)
{
    auto it = std::upper_bound(m_timers.begin(), m_timers.end(), t,
                               [](const Timer* a, const Timer* b) { return a->order() < b->order(); });
    m_timers.insert(it, t);
}

void Scheduler::remove(Timer* t)
{
    m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), t), m_timers.end());
}

std::int64_t Scheduler::nextDue() const
{
    std::int64_t best = -1;
    for (const Timer* t : m_timers) {
        if (!t->m_enabled || t->m_interval < 1) continue;
        if (best < 0 || t->m_due < best) best = t->m_due;
    }
    return best;
}

void Scheduler::restart()
{
    m_now = 0;
    for (Timer* t : m_timers) {
        if (t->m_enabled) t->m_due = t->m_interval;
    }
}

void Scheduler::advance(std::int64_t ms)
{
    if (ms < 0) return;
    advanceTo(m_now + ms);
}

void Scheduler::advanceTo(std::int64_t target)
{
    if (target < m_now) return;
    for (;;) {
        std::int64_t t = nextDue();
        if (t < 0 || t > target) break;
        if (t > m_now) m_now = t;
        // Index loop: a handler may not add timers, but must be allowed to
        // enable, disable and re-time any of them.
        for (std::size_t i = 0; i < m_timers.size(); ++i) {
            Timer* timer = m_timers[i];
            if (!timer->m_enabled || timer->m_interval < 1 || timer->m_due > m_now) continue;
            // Rescheduled before the handler runs, so that a handler that sets
            // a new interval restarts the countdown from now.
            timer->m_due = m_now + timer->m_interval;
            if (timer->onTimer) timer->onTimer();
        }
        if (onSettled) onSettled();
    }
    m_now = target;
}

}  // namespace widgets
