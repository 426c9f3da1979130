// SPDX-License-Identifier: MIT
// The window's wall clock: a QTimer that only wakes the core's clock
// (session/wallclock), which decides how far the scheduler moves: the pace,
// the catch-up cap and a played script's limit. The driver reads the real
// time and keeps the model from being advanced while it is busy (a modal box
// opened inside a model call runs a nested event loop).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "session/inputgate.h"
#include "session/presenter.h"
#include "session/wallclock.h"

namespace widgets {
class Scheduler;
}

namespace gui {

class ClockDriver : public QObject {
    Q_OBJECT
public:
    // `gate` says when the model is busy and is held busy while the clock
    // advances it; `limit` is asked at each wake-up for the scheduler time
    // the clock must not pass now (empty lets it run).
    ClockDriver(InputGate& gate, std::function<std::optional<std::int64_t>()> limit, QObject* parent = nullptr);

    // Every `intervalMs` the scheduler is advanced by the real time elapsed
    // since the previous wake-up times the pace's speed, catching up at most
    // `maxCatchUpMs` of real time in one step (time beyond that is dropped,
    // as after a stall). An interval of 0 starts no timer: the caller calls
    // tick() itself.
    void start(widgets::Scheduler& scheduler, int intervalMs = 10, std::int64_t maxCatchUpMs = 1000);
    void stop();
    // One wake-up.
    void tick();
    // The speed of the clock (1x by default).
    presenter::Pace& pace() { return m_wallClock.pace(); }
    // Where the clock reads real milliseconds (a monotonic clock unless
    // replaced; tests replace it to run the clock without waiting).
    void setTimeSource(std::function<std::int64_t()> source);
    // Forgets the real time that has passed: the clock continues from the
    // scheduler's present time.
    void rebase();

signals:
    // The scheduler moved on, while the model is still held busy.
    void advanced();
    // A wake-up is over: `ms` simulated milliseconds advanced (0: none). Not
    // told for a wake-up that found the model busy or no scheduler.
    void woke(std::int64_t ms);

private:
    InputGate& m_gate;
    presenter::WallClock m_wallClock;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
    std::function<std::int64_t()> m_time;
};

}  // namespace gui
