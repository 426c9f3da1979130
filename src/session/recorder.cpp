// SPDX-License-Identifier: MIT
#include "session/recorder.h"

#include <algorithm>

#include "session/script.h"

namespace {

constexpr std::int64_t kStepMs = 100;  // the window's main tick

}  // namespace

ScriptRecorder::ScriptRecorder(const widgets::Scheduler& clock) : m_clock(clock), m_written(clock.now()) {}

void ScriptRecorder::restart()
{
    m_lines.clear();
    m_mark = -1;
    m_written = m_clock.now();
    m_lastFocus.clear();
    m_burst = Burst{};
    m_exact = true;
    m_actions = 0;
}

void ScriptRecorder::writeLine(std::int64_t time, const std::string& line)
{
    if (time > m_written) {
        m_lines.push_back("run " + std::to_string(time - m_written));
        m_written = time;
        m_lastFocus.clear();
    }
    m_lines.push_back(line);
}

bool ScriptRecorder::Burst::expressible() const
{
    // An empty text is one edit; a text of one character the first
    // keystroke, after which each edit added one character.
    if (edits == 0 || last.empty()) return true;
    return edits > 1 || ScriptRunner::characterEnd(last, 0) == last.size();
}

bool ScriptRecorder::exact() const
{
    return m_exact && m_burst.expressible();
}

void ScriptRecorder::flushBurst()
{
    if (m_burst.edits == 0) return;
    // Not expressible exactly (a paste, a deletion): the edit as the whole
    // text, typed.
    if (!m_burst.expressible()) m_exact = false;
    writeLine(m_burst.time, "type " + m_burst.name + " " + m_burst.last);
    m_burst = Burst{};
    m_lastFocus.clear();
}

void ScriptRecorder::record(const UserInput& input)
{
    const std::int64_t now = m_clock.now();
    ++m_actions;
    if (input.kind == UserInput::Kind::Type) {
        const std::string& last = m_burst.last;
        const bool oneMore = input.text.size() > last.size() && input.text.starts_with(last) &&
                             ScriptRunner::characterEnd(input.text, last.size()) == input.text.size();
        const bool continues = m_burst.edits > 0 && !last.empty() && m_burst.expressible() &&
                               m_burst.name == input.name && m_clock.nextDue() == m_burst.nextDue &&
                               (m_burst.nextDue < 0 || now < m_burst.nextDue) && oneMore;
        if (continues) {
            m_burst.last = input.text;
            ++m_burst.edits;
            return;
        }
        flushBurst();
        m_burst = Burst{input.name, input.text, 1, now, m_clock.nextDue()};
        return;
    }
    // The window focuses the field's component before every keystroke;
    // inside a burst that changes nothing.
    if (input.kind == UserInput::Kind::Focus && m_burst.edits > 0 && m_burst.name.starts_with(input.name + ".") &&
        m_clock.nextDue() == m_burst.nextDue) {
        return;
    }
    flushBurst();
    switch (input.kind) {
        case UserInput::Kind::Press:
            writeLine(now, "press " + input.name);
            break;
        case UserInput::Kind::Choose:
            writeLine(now, "choose " + input.name + " " + input.text);
            break;
        case UserInput::Kind::Scroll:
            writeLine(now, "scroll " + input.name + " " + std::to_string(input.value));
            break;
        case UserInput::Kind::Background:
            writeLine(now, "background");
            break;
        case UserInput::Kind::Focus: {
            // The window focuses a component before each action inside it;
            // a repeat with nothing between changes nothing.
            const std::string line = "focus " + input.name;
            if (now == m_written && line == m_lastFocus) return;
            writeLine(now, line);
            m_lastFocus = line;
            return;
        }
        case UserInput::Kind::Step:
            writeLine(now, "step");
            // The step lets one main tick pass itself.
            m_written = now + kStepMs;
            break;
        case UserInput::Kind::Other:
            m_exact = false;
            writeLine(now, "# not reproduced: " + (input.text.empty() ? std::string("an action") : input.text));
            break;
        case UserInput::Kind::Type:
            break;
    }
    m_lastFocus.clear();
}

void ScriptRecorder::mark(const std::string& comment)
{
    flushBurst();
    if (m_mark >= 0) m_lines.erase(m_lines.begin() + m_mark);
    writeLine(m_clock.now(), comment);
    m_mark = static_cast<std::ptrdiff_t>(m_lines.size()) - 1;
    m_markText = comment;
    m_lastFocus.clear();
}

void ScriptRecorder::recordLine(const std::string& line, std::int64_t at)
{
    flushBurst();
    writeLine(at, line);
    if (!m_markText.empty() && line == m_markText) m_mark = static_cast<std::ptrdiff_t>(m_lines.size()) - 1;
    m_written = std::max(m_written, m_clock.now());
    m_lastFocus.clear();
}

std::string ScriptRecorder::script() const
{
    ScriptRecorder copy = *this;
    copy.flushBurst();
    const std::int64_t now = m_clock.now();
    if (now > copy.m_written) copy.m_lines.push_back("run " + std::to_string(now - copy.m_written));
    std::string out;
    for (const std::string& l : copy.m_lines) out += l + "\n";
    return out;
}
