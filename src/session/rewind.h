// SPDX-License-Identifier: MIT
// Going back in a live session, as the window and the page both offer it:
// "Back One Tick", "Back Five Seconds" and the time slider. The state at an
// earlier moment is what a fresh start reaches with the session (as the
// recorder has written it from start-up) cut there; the player replays the
// cut session silently and the recorder writes it down afresh, so that
// what came after is discarded.
//
// "Back" counts running time: the time the demonstration stood paused does
// not count (timeline::RunClock), so the binding samples the clock at every
// user action and every refresh. A demonstration paused to look back stays
// paused at the moment it goes back to: the binding presses the pause
// button there as the user, which the recorder writes down.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session/player.h"
#include "session/recorder.h"
#include "session/timeline.h"

class Rewind {
public:
    Rewind(LinkDemo& demo, ScriptPlayer& player, const ScriptRecorder& recorder)
        : m_demo(demo), m_player(&player), m_recorder(recorder)
    {
    }
    // The player may be replaced while nothing plays.
    void setPlayer(ScriptPlayer& player) { m_player = &player; }

    // Presses the pause button as the user would (through the binding's
    // input gate, so that the recorder writes it down).
    std::function<void()> pressPause;

    // The run's time against the scheduler's, now.
    void sample();
    const timeline::RunClock& runClock() const { return m_clock; }
    // The model was brought back to start-up (the player's onRestart): the
    // run's clock starts afresh, unless that is a rewind's own restart.
    void restarted();

    // The state at scheduler time `t` (no later than now); `ms` of running
    // time before the present. False while a script plays or when a line of
    // the session fails; status() says what happened either way.
    bool backTo(std::int64_t t);
    bool back(std::int64_t ms);
    // One main tick back (the run's tick, Timer1's interval).
    bool backTick() { return back(tick()); }

    // The time slider: the running time so far in main ticks (its range,
    // sampled now), and a jump to position `value` of it.
    std::int64_t ticks();
    bool toTick(std::int64_t value);
    std::int64_t tick() const;

    // "Back at t = 6.9 s: going on from here discards what came after".
    const std::string& status() const { return m_status; }

private:
    LinkDemo& m_demo;
    ScriptPlayer* m_player;
    const ScriptRecorder& m_recorder;
    timeline::RunClock m_clock;
    bool m_rewinding = false;
    std::string m_status;
};
