// SPDX-License-Identifier: MIT
// Records a user's session in the window as a script of the runner's
// language: every action the binding reports, with the simulated time
// between actions as `run` lines, so that the runner (or the player)
// reproduces the session exactly.
//
// The binding reports each action just before it reaches the model. Typing
// is the one action the script language cannot always express: `type NAME
// TEXT` types every prefix of TEXT in one instant. A burst of keystrokes
// into one field that grows the text a character at a time, with no timer
// falling due in between, is written as one `type` at the first keystroke's
// time (exact: nothing the model holds depends on the instants between).
// Other edits (a deletion, a paste) are written as the whole text and the
// recording is marked inexact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "widgets/scheduler.h"

struct UserInput {
    // Step: one main tick of the window's Step (the runner's `step`).
    // Other: an action with no line in the script language (it is written
    // as a comment and the recording is marked inexact).
    enum class Kind { Press, Choose, Type, Scroll, Focus, Background, Step, Other };
    Kind kind = Kind::Press;
    std::string name;  // the runner's name: "Wire1.cmdPacket(3)", "Receiver1"
    std::string text;  // Choose: the item; Type: the field's new text; Other: what it was
    int value = 0;     // Scroll
};

class ScriptRecorder {
public:
    // Time counts from the scheduler's present time.
    explicit ScriptRecorder(const widgets::Scheduler& clock);

    void record(const UserInput& input);
    // A line of a played script that ran from simulated time `at` (before
    // it) to now: written as it is; the time it let pass (a `step`) is its own.
    void recordLine(const std::string& line, std::int64_t at);
    // Writes the comment that marks where a recording starts, now; an earlier
    // mark goes, so a session holds one. Written again by recordLine (a
    // session replayed after going back), it is the mark still.
    void mark(const std::string& comment);
    bool hasMark() const { return m_mark >= 0; }
    // The script so far, ending with a `run` up to the present time.
    std::string script() const;
    // False once an edit had to be written approximately.
    bool exact() const;
    int actions() const { return m_actions; }
    // Forgets everything written: the script starts again from the
    // scheduler's present time (a model brought back to start-up).
    void restart();

private:
    // The edits of a burst so far: the field's latest text and how many
    // edits led to it. Only a burst that grew one character per edit from
    // an empty field can continue, so the latest text stands for them all.
    struct Burst {
        std::string name;
        std::string last;
        std::size_t edits = 0;
        std::int64_t time = 0;
        std::int64_t nextDue = -1;
        // `type NAME last` reproduces exactly these edits.
        bool expressible() const;
    };
    void flushBurst();
    void writeLine(std::int64_t time, const std::string& line);

    const widgets::Scheduler& m_clock;
    std::vector<std::string> m_lines;
    std::int64_t m_written = 0;  // the time the script has reached
    std::string m_lastFocus;     // a focus line just written, nothing after it
    std::ptrdiff_t m_mark = -1;  // the line of the recording's start mark
    std::string m_markText;
    Burst m_burst;
    bool m_exact = true;
    int m_actions = 0;
};
