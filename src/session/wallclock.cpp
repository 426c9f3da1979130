// SPDX-License-Identifier: MIT
#include "session/wallclock.h"

#include <algorithm>

#include "widgets/scheduler.h"

namespace presenter {

WallClock::WallClock(widgets::Scheduler* scheduler, std::int64_t maxCatchUpMs) : m_scheduler(scheduler)
{
    setMaxCatchUp(maxCatchUpMs);
}

void WallClock::setMaxCatchUp(std::int64_t ms)
{
    m_maxCatchUp = std::max<std::int64_t>(1, ms);
}

void WallClock::rebase(std::int64_t realMs)
{
    m_lastReal = realMs;
    m_pace.drop();
}

void WallClock::forget()
{
    m_lastReal.reset();
    m_pace.drop();
}

std::int64_t WallClock::wake(std::int64_t realMs)
{
    if (!m_scheduler || m_advancing) return 0;
    // The first wake-up, or a time source that went back: counted from here.
    if (!m_lastReal || realMs < *m_lastReal) {
        rebase(realMs);
        return 0;
    }
    const std::int64_t elapsed = std::min(realMs - *m_lastReal, m_maxCatchUp);
    if (elapsed <= 0) return 0;
    // Beyond the cap the real time is dropped, not owed.
    m_lastReal = realMs;
    std::int64_t ms = m_pace.advance(elapsed);
    if (limit) {
        const std::int64_t now = m_scheduler->now();
        if (const auto held = limit(); held && now + ms > *held) {
            // Held at the limit: the time beyond it is not owed later.
            ms = std::max<std::int64_t>(0, *held - now);
            m_pace.drop();
        }
    }
    if (ms <= 0) return 0;
    m_advancing = true;
    try {
        m_scheduler->advance(ms);
    } catch (...) {
        m_advancing = false;
        throw;
    }
    m_advancing = false;
    return ms;
}

}  // namespace presenter
