// SPDX-License-Identifier: MIT
// The one virtual-millisecond clock that drives every timer.
//
// Nothing in the model reads the wall clock: the window advances this
// scheduler by the real time elapsed, tests and the script runner advance it
// directly.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace widgets {

class Timer;

class Scheduler {
public:
    // The latest time the model may reach: far beyond any run, and low enough
    // that every interval and delay the model adds to a time stays in range.
    static constexpr std::int64_t kLatest = std::int64_t{1} << 61;

    std::int64_t now() const { return m_now; }
    // Whether advancing by `ms` (>= 0) stays at or before kLatest.
    bool canAdvance(std::int64_t ms) const { return ms >= 0 && ms <= kLatest - m_now; }

    // Fires, in time order, every timer that falls due at or before
    // now() + ms. Timers due at the same millisecond fire in ascending
    // `order`; one disabled (or re-timed) before its turn does not fire.
    void advance(std::int64_t ms);
    void advanceTo(std::int64_t t);

    // The earliest millisecond at which an enabled timer is due; -1 if none.
    std::int64_t nextDue() const;
    // Back to time 0, as at start-up: every enabled timer's countdown starts
    // there (disabled timers start theirs when enabled).
    void restart();

    // Called after every timer due at a millisecond has fired, before time
    // moves on: the moment a user's action at that millisecond would happen.
    // Empty by default; the lab's random loss clicks from here.
    std::function<void()> onSettled;

private:
    friend class Timer;
    void add(Timer* t);
    void remove(Timer* t);
    std::int64_t m_now = 0;
    std::vector<Timer*> m_timers;  // sorted by order, stable
};

}  // namespace widgets
