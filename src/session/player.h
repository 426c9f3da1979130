// SPDX-License-Identifier: MIT
// Plays a script of the runner's language against a live model at the pace
// of its caller's clock, for prepared demonstrations and lessons in the
// window.
//
// Every line goes through the script runner itself (same parser, same
// checks, same output), except that `run MS` does not advance the clock: it
// sets a limit MS ahead, and the caller's clock advances the scheduler up to
// it at whatever speed is in force. Once the clock has reached the limit,
// resume() runs the following lines, up to the next `run`. A played script
// thus reaches every line at the simulated time the runner would.
//
// Before anything acts the whole script is checked (a bad line is reported
// with its number and reason and nothing moves), then the model is brought
// back to its start-up state, so that the script reaches exactly what a
// fresh runner reaches. At the end the demonstration is paused: its last
// picture stays.
//
// A checkpoint (ask ... reveal) holds the clock until the question is
// answered and the student goes on; "watch again" brings the model back to
// the moment of the latest question (a replay of the script from start-up
// up to it, exact because a played script is a deterministic replay) and
// plays the following seconds again.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "session/checkpoint.h"
#include "shell/linkdemo.h"

class ScriptRunner;

class ScriptPlayer {
public:
    enum class State { Idle, Playing, Finished, Failed };
    // What holds a playing script (and the clock) besides a `run`.
    enum class Wait {
        None,
        Caption,   // a `say`, with "wait at each caption" on: until proceed()
        Question,  // a checkpoint's question: until answer()
        Reveal,    // the question answered: until proceed() (or watchAgain())
    };

    // Output of `dump`, `lines`, `say` ... goes to `out`; diagnostics to `err`.
    ScriptPlayer(LinkDemo& demo, std::ostream& out, std::ostream& err);
    ~ScriptPlayer();

    // Checks `script`; when a line is bad, Failed (error() says which and
    // why) and nothing has moved. Otherwise brings the model to its start-up
    // state and starts playing from the first line (nothing runs yet: call
    // resume()). A script already playing is dropped.
    void start(const std::string& script);
    // Stops playing; the caption is cleared.
    void stop();

    State state() const { return m_state; }
    bool playing() const { return m_state == State::Playing; }
    Wait waiting() const { return m_state == State::Playing ? m_wait : Wait::None; }

    // Told of each line that ran without error, except `run` lines, with the
    // simulated time it started at (a session recorder writes them down),
    // and of the pause at the end as `press LinkDemo.cmdPause`.
    std::function<void(const std::string& line, std::int64_t at)> onLine;
    // Told when the model has been brought back to start-up (before any
    // line runs from there): what shows or records the model starts afresh.
    std::function<void()> onRestart;

    // Runs every line that is due now: lines until a `run` whose end lies
    // ahead of the clock, a wait, the end of the script or a bad line.
    State resume();

    // The scheduler time the clock must not pass while playing: the end of
    // the `run` being played, or now while a wait holds it. Empty when
    // nothing holds the clock.
    std::optional<std::int64_t> limit() const;

    // A `say` waits for proceed() before the script goes on. Off by default.
    void setWaitAtCaptions(bool on) { m_waitAtCaptions = on; }
    bool waitAtCaptions() const { return m_waitAtCaptions; }

    // The latest checkpoint, from its question until the next `say` or
    // question (nullptr when none is shown).
    const Checkpoint* checkpoint() const { return m_shown ? &m_checkpoint : nullptr; }
    // The choice made for it (-1 before the answer).
    int chosen() const { return m_chosen; }
    // Answers the question being asked: marks it right or wrong, the
    // reveal is shown and the script waits for proceed(). False when no
    // question waits or `k` is not one of its choices.
    bool answer(int k);
    // Goes on after a caption or a reveal.
    void proceed();
    // Whether watchAgain() can go back: an answered checkpoint is shown.
    bool canWatchAgain() const { return m_shown && m_chosen >= 0 && playing(); }
    // Back to the moment of the shown checkpoint's question and on from
    // there; the question is not asked again.
    bool watchAgain();

    // Brings the demonstration back to the moment `t` of `session` (the
    // window's session from start-up, as the recorder writes it): the
    // start-up state, then the session cut at t, at once and silently, each
    // line told to onLine, so that a recorder writes the cut session down
    // afresh. Not while a script plays. False (with error()) when a line of
    // the session fails.
    bool rewindTo(const std::string& session, std::int64_t t);
    // Questions answered and answered right so far; "4 of 5 predicted"
    // ("" before any answer).
    int asked() const { return m_asked; }
    int predicted() const { return m_predicted; }
    std::string score() const;

    // The line being played (1-based; 0 before the first) and its text.
    long lineNumber() const { return m_line; }
    std::string lineText() const;
    // After Failed: "line N: reason", as the runner reports it.
    const std::string& error() const { return m_error; }
    // The narration in force: the text of the latest `say` ("" for none).
    const std::string& caption() const { return m_caption; }
    // The objects whose state differed from a fresh model's after the
    // latest return to start-up (empty when it was exact).
    const std::vector<std::string>& startDifferences() const { return m_startDifferences; }

private:
    void restartModel();
    void newRunner();
    int runLine(long number, bool quiet);
    void passOn(bool quiet);
    void finish();

    LinkDemo& m_demo;
    std::ostream& m_out;
    std::ostream& m_err;
    std::ostringstream m_output;  // the runner's output, passed on
    std::ostringstream m_errors;  // the runner's diagnostics, passed on
    std::unique_ptr<ScriptRunner> m_runner;
    std::vector<std::string> m_lines;
    long m_line = 0;
    std::optional<std::int64_t> m_until;
    State m_state = State::Idle;
    Wait m_wait = Wait::None;
    bool m_replaying = false;
    bool m_waitAtCaptions = false;
    Checkpoint m_checkpoint;
    bool m_shown = false;
    int m_chosen = -1;
    long m_checkpointEnd = 0;  // the line of the shown checkpoint's `reveal`
    int m_asked = 0;
    int m_predicted = 0;
    std::string m_error;
    std::string m_caption;
    std::vector<std::string> m_startDifferences;
};
