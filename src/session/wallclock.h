// SPDX-License-Identifier: MIT
// The wall clock: what a binding's timer does at each wake-up, without the
// timer. The window's QTimer and the page's interval only read their real
// time (milliseconds from any origin) and call wake(); everything that
// decides how far the simulated time moves lives here:
//
//  - the presenter's pace (0.1x to 20x), its fractions carried from one
//    wake-up to the next;
//  - the catch-up cap: after a stall (a suspended machine, a hidden tab, a
//    debugger) at most one second of real time is caught up, the rest is
//    dropped rather than raced through;
//  - a limit the simulated time must not pass (the end of a played script's
//    `run`, or the present while it waits); real time spent at the limit is
//    not owed afterwards;
//  - no re-entry: a wake-up arriving while one is advancing the model (a
//    modal box's nested event loop) does nothing.
//
// rebase() forgets the real time that has passed, after a pause, a modal
// box, a step or lines run from outside, so that it is not caught up.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "session/presenter.h"

namespace widgets {
class Scheduler;
}

namespace presenter {

class WallClock {
public:
    static constexpr std::int64_t kMaxCatchUpMs = 1000;

    // A clock with no scheduler does nothing until it is given one.
    explicit WallClock(widgets::Scheduler* scheduler = nullptr, std::int64_t maxCatchUpMs = kMaxCatchUpMs);
    void setScheduler(widgets::Scheduler& scheduler) { m_scheduler = &scheduler; }
    bool hasScheduler() const { return m_scheduler != nullptr; }
    // At most `ms` of real time caught up in one wake-up (at least 1).
    void setMaxCatchUp(std::int64_t ms);

    Pace& pace() { return m_pace; }
    const Pace& pace() const { return m_pace; }

    // Asked at each wake-up: the scheduler time the clock must not pass now;
    // empty lets it run.
    std::function<std::optional<std::int64_t>()> limit;

    // Forgets the real time up to `realMs`: the next wake-up counts from it.
    void rebase(std::int64_t realMs);
    // The same where the real time is not at hand: the next wake-up only
    // notes its time.
    void forget();
    // One wake-up at real time `realMs`: advances the scheduler by the real
    // time since the previous one (at most the cap) at the pace in force, up
    // to the limit. Returns the simulated milliseconds advanced (0 for none,
    // and while a wake-up is already advancing).
    std::int64_t wake(std::int64_t realMs);
    // True while wake() is advancing the scheduler.
    bool advancing() const { return m_advancing; }

private:
    widgets::Scheduler* m_scheduler;
    std::int64_t m_maxCatchUp;
    std::optional<std::int64_t> m_lastReal;  // real time of the previous wake-up
    Pace m_pace;
    bool m_advancing = false;
};

}  // namespace presenter
