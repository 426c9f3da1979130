// SPDX-License-Identifier: MIT
#include "shell/recorder.h"

#include <algorithm>

#include "shell/script.h"

namespace {

constexpr std::int64_t kStepMs = 100;  // the window's main tick

}  // namespace

ScriptRecorder::ScriptRecorder(const widgets::Scheduler& clock) : m_clock(clock), m_written(clock.now()) {}

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
    if (texts.empty()) return true;
    const std::string& last = texts.back();
    return last.empty() ? texts.size() == 1 : ScriptRunner::keystrokes(last) == texts;
}

bool ScriptRecorder::exact() const
{
    return m_exact && m_burst.expressible();
}

void ScriptRecorder::flushBurst()
{
    if (m_burst.texts.empty()) return;
    const std::string& last = m_burst.texts.back();
    if (m_burst.expressible()) {
        writeLine(m_burst.time, "type " + m_burst.name + " " + last);
    } else {
        // Not expressible exactly: each edit as the whole text.
        m_exact = false;
        for (const std::string& t : m_burst.texts) writeLine(m_burst.time, "type " + m_burst.name + " " + t);
    }
    m_burst = Burst{};
    m_lastFocus.clear();
}

void ScriptRecorder::record(const UserInput& input)
{
    const std::int64_t now = m_clock.now();
    ++m_actions;
    if (input.kind == UserInput::Kind::Type) {
        std::vector<std::string> grown = m_burst.texts;
        grown.push_back(input.text);
        const bool continues = !m_burst.texts.empty() && m_burst.name == input.name &&
                               m_clock.nextDue() == m_burst.nextDue && (m_burst.nextDue < 0 || now < m_burst.nextDue) &&
                               !input.text.empty() && ScriptRunner::keystrokes(input.text) == grown;
        if (continues) {
            m_burst.texts = std::move(grown);
            return;
        }
        flushBurst();
        m_burst = Burst{input.name, {input.text}, now, m_clock.nextDue()};
        return;
    }
    // The window focuses the field's component before every keystroke;
    // inside a burst that changes nothing.
    if (input.kind == UserInput::Kind::Focus && !m_burst.texts.empty() && m_burst.name.starts_with(input.name + ".") &&
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

void ScriptRecorder::recordLine(const std::string& line, std::int64_t at)
{
    flushBurst();
    writeLine(at, line);
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
