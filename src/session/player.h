// SPDX-License-Identifier: MIT
// Plays a script of the runner's language against a live model at the pace
// of its caller's clock, for prepared demonstrations in the window.
//
// Every line goes through the script runner itself (same parser, same
// checks, same output), except that `run MS` does not advance the clock: it
// sets a limit MS ahead, and the caller's clock advances the scheduler up to
// it at whatever speed is in force. Once the clock has reached the limit,
// resume() runs the following lines, up to the next `run`. A played script
// thus reaches every line at the simulated time the runner would.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "shell/linkdemo.h"

class ScriptRunner;

class ScriptPlayer {
public:
    enum class State { Idle, Playing, Finished, Failed };

    // Output of `dump`, `lines`, `say` ... goes to `out`; diagnostics to `err`.
    ScriptPlayer(LinkDemo& demo, std::ostream& out, std::ostream& err);
    ~ScriptPlayer();

    // Starts playing `script` from its first line (nothing runs yet: call
    // resume()). A script already playing is dropped.
    void start(const std::string& script);
    // Stops playing; the caption is cleared.
    void stop();

    State state() const { return m_state; }
    bool playing() const { return m_state == State::Playing; }

    // Told of each line that ran without error, except `run` lines, with the
    // simulated time it started at (a session recorder writes them down).
    std::function<void(const std::string& line, std::int64_t at)> onLine;

    // Runs every line that is due now: lines until a `run` whose end lies
    // ahead of the clock, the end of the script or a bad line.
    State resume();

    // The scheduler time the clock must not pass while playing: the end of
    // the `run` being played. Empty when nothing holds the clock.
    std::optional<std::int64_t> limit() const;

    // The line being played (1-based; 0 before the first) and its text.
    long lineNumber() const { return m_line; }
    std::string lineText() const;
    // After Failed: "line N: reason", as the runner reports it.
    const std::string& error() const { return m_error; }
    // The narration in force: the text of the latest `say` ("" for none).
    const std::string& caption() const { return m_caption; }

private:
    LinkDemo& m_demo;
    std::ostream& m_err;
    std::ostringstream m_errors;  // the runner's diagnostics, passed on
    std::unique_ptr<ScriptRunner> m_runner;
    std::vector<std::string> m_lines;
    long m_line = 0;
    std::optional<std::int64_t> m_until;
    State m_state = State::Idle;
    std::string m_error;
    std::string m_caption;
};
