// SPDX-License-Identifier: MIT
// What the window and the page do with a script they play, beyond drawing
// it: whether it is paused, a step of it while paused, what the pause
// button does while it plays, the clock's limit, and the status line's
// words. Both bindings hold one over their ScriptPlayer and only draw what
// it says (the caption band from the player's caption and checkpoint).
//
// While a script plays, its pause is the demonstration's pause: the pause
// button (and Space) pauses and continues the script and the clock
// together, goes on after a caption or an answer, and does nothing while a
// question waits for its answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session/player.h"

class PlaySession {
public:
    // The player may be replaced (setPlayer) while nothing plays.
    PlaySession(LinkDemo& demo, ScriptPlayer& player) : m_demo(demo), m_player(&player) {}
    void setPlayer(ScriptPlayer& player) { m_player = &player; }
    ScriptPlayer& player() const { return *m_player; }

    // Checks and starts `script` (a script already playing is stopped);
    // false when a line is bad: nothing moved and the status says why.
    // `name` is what the status line calls it.
    bool start(const std::string& script, const std::string& name);
    void stop();
    bool playing() const { return m_player->playing(); }
    bool paused() const { return m_paused && playing(); }
    void setPaused(bool paused);
    // One main tick (100 ms) of the `run` being played, or the lines due
    // now; only while paused. False when nothing was done.
    bool step();
    // The pause button pressed while a script plays; false (not taken)
    // while none does.
    bool pressPause();
    // Runs the lines due (unless paused) and words the status line; the
    // player's state after it.
    ScriptPlayer::State advance();
    // The scheduler time the clock must not pass: the present while paused
    // or waiting, the end of the `run` being played; empty when no script
    // plays.
    std::optional<std::int64_t> limit() const;

    const std::string& name() const { return m_name; }
    // "Playing NAME (from the start-up state), line 4: run 700", "NAME
    // asks: choose an answer (1 to 3)", "Played NAME: 2 of 3 predicted" ...
    const std::string& status() const { return m_status; }
    void setStatus(std::string status) { m_status = std::move(status); }
    // After the end: the last caption and the score, as the band keeps them.
    std::string endText() const;

private:
    LinkDemo& m_demo;
    ScriptPlayer* m_player;
    bool m_paused = false;
    std::string m_name;
    std::string m_status;
};
