// SPDX-License-Identifier: MIT
#include "gui/clockdriver.h"

namespace gui {

ClockDriver::ClockDriver(InputGate& gate, std::function<std::optional<std::int64_t>()> limit, QObject* parent)
    : QObject(parent), m_gate(gate)
{
    m_wallClock.limit = std::move(limit);
    connect(&m_timer, &QTimer::timeout, this, &ClockDriver::tick);
}

void ClockDriver::setTimeSource(std::function<std::int64_t()> source)
{
    m_time = std::move(source);
    rebase();
}

void ClockDriver::start(widgets::Scheduler& scheduler, int intervalMs, std::int64_t maxCatchUpMs)
{
    m_wallClock.setScheduler(scheduler);
    m_wallClock.setMaxCatchUp(maxCatchUpMs);
    if (!m_time) {
        m_elapsed.start();
        m_time = [this] { return m_elapsed.elapsed(); };
    }
    rebase();
    if (intervalMs > 0) m_timer.start(intervalMs);
}

void ClockDriver::stop()
{
    m_timer.stop();
}

void ClockDriver::rebase()
{
    if (m_time) m_wallClock.rebase(m_time());
}

void ClockDriver::tick()
{
    // Inside a model call a modal box runs its own event loop; the model is
    // mid-operation and must not be advanced from there.
    if (!m_wallClock.hasScheduler() || !m_time || m_gate.busy()) return;
    std::int64_t ms = 0;
    {
        InputGate::BusyScope scope(m_gate);
        ms = m_wallClock.wake(m_time());
        if (ms > 0) emit advanced();
    }
    emit woke(ms);
}

}  // namespace gui
