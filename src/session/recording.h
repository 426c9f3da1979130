// SPDX-License-Identifier: MIT
// Record…, as the window and the page both offer it: the session is written
// down from start-up anyway (ScriptRecorder); a recording marks where it
// starts, and what is saved is the whole session, so that a fresh runner
// reaches the same state: the lines before the mark bring it to where the
// demonstration was when Record… was chosen.
#pragma once

#include <string>

#include "session/recorder.h"
#include "shell/linkdemo.h"

class Recording {
public:
    // Where the session is recorded, for the file's words.
    enum class Where { Window, Page };
    Recording(ScriptRecorder& recorder, Where where) : m_recorder(recorder), m_where(where) {}

    // Starts a recording now (its mark written; an earlier one goes).
    // Nothing when one is going on.
    void start();
    // After going back: a recording that started later than the moment
    // gone back to starts there.
    void rewound();
    // Ends it: saved or discarded.
    void stop() { m_on = false; }
    bool on() const { return m_on; }

    // What Record… saves: a comment saying what it is, then the session.
    std::string file() const;
    // Said after saving, "" when the session's replay ends exactly as
    // `live` shows now; otherwise why not (an edit written as its final
    // text, an action with no line in a script).
    std::string replayNote(const LinkDemo& live) const;

private:
    void mark();

    ScriptRecorder& m_recorder;
    Where m_where;
    bool m_on = false;
};
