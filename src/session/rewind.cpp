// SPDX-License-Identifier: MIT
#include "session/rewind.h"

#include <algorithm>
#include <cstdio>

void Rewind::sample()
{
    m_clock.sample(m_demo.scheduler().now(), m_demo.totalTime);
}

void Rewind::restarted()
{
    if (!m_rewinding) m_clock.clear();
}

std::int64_t Rewind::tick() const
{
    return std::max<std::int64_t>(1, m_demo.Timer1.interval());
}

bool Rewind::back(std::int64_t ms)
{
    sample();
    return backTo(m_clock.before(ms));
}

std::int64_t Rewind::ticks()
{
    sample();
    return m_clock.run() / tick();
}

bool Rewind::toTick(std::int64_t value)
{
    const std::int64_t last = ticks();
    return back((last - std::clamp<std::int64_t>(value, 0, last)) * tick());
}

bool Rewind::backTo(std::int64_t t)
{
    if (m_player->playing()) {
        m_status = "Back works once the script has ended or been stopped";
        return false;
    }
    const std::string session = m_recorder.script();
    const bool wasPaused = m_demo.paused;
    m_rewinding = true;
    const bool ok = m_player->rewindTo(session, std::min(t, m_demo.scheduler().now()));
    m_rewinding = false;
    m_clock.cutAt(m_demo.scheduler().now(), m_demo.totalTime);
    if (!ok) {
        m_status = "Back failed: " + m_player->error();
        return false;
    }
    if (wasPaused && !m_demo.paused && pressPause) pressPause();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(m_demo.totalTime) / 1000.0);
    m_status = std::string("Back at t = ") + seconds + " s: going on from here discards what came after";
    return true;
}
