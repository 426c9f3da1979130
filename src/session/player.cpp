// SPDX-License-Identifier: MIT
#include "session/player.h"

#include <ostream>

#include "session/script.h"

namespace {

// Whether a line is a command that lets time pass at the player's pace
// (`run`; well-formed or not: a bad one fails before it changes anything).
bool isRun(const std::string& line)
{
    const ScriptRunner::Command* c = ScriptRunner::commandOf(line);
    return c && c->passesTime;
}

}  // namespace

ScriptPlayer::ScriptPlayer(LinkDemo& demo, std::ostream& out, std::ostream& err)
    : m_demo(demo), m_err(err), m_runner(std::make_unique<ScriptRunner>(demo, out, m_errors))
{
    m_runner->onRun = [this](std::int64_t ms) { m_until = m_demo.scheduler().now() + ms; };
    m_runner->onSay = [this](const std::string& text) { m_caption = text; };
}

ScriptPlayer::~ScriptPlayer() = default;

void ScriptPlayer::start(const std::string& script)
{
    m_lines.clear();
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) m_lines.push_back(line);
    m_line = 0;
    m_until.reset();
    m_error.clear();
    m_caption.clear();
    m_state = State::Playing;
}

void ScriptPlayer::stop()
{
    if (m_state == State::Playing) m_state = State::Idle;
    m_until.reset();
    m_caption.clear();
}

std::string ScriptPlayer::lineText() const
{
    if (m_line < 1 || m_line > static_cast<long>(m_lines.size())) return {};
    std::string s = m_lines[static_cast<std::size_t>(m_line - 1)];
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

std::optional<std::int64_t> ScriptPlayer::limit() const
{
    if (m_state != State::Playing) return std::nullopt;
    return m_until;
}

ScriptPlayer::State ScriptPlayer::resume()
{
    while (m_state == State::Playing) {
        if (m_until) {
            if (m_demo.scheduler().now() < *m_until) break;
            m_until.reset();
        }
        if (m_line >= static_cast<long>(m_lines.size())) {
            m_state = State::Finished;
            m_caption.clear();
            break;
        }
        ++m_line;
        const std::string& line = m_lines[static_cast<std::size_t>(m_line - 1)];
        const std::int64_t at = m_demo.scheduler().now();
        const int status = m_runner->runLine(line, m_line);
        if (status == ScriptRunner::kOk && onLine && !isRun(line)) onLine(line, at);
        const std::string diagnostics = m_errors.str();
        m_errors.str({});
        m_err << diagnostics;
        m_err.flush();
        if (status != ScriptRunner::kOk) {
            m_error = diagnostics;
            while (!m_error.empty() && m_error.back() == '\n') m_error.pop_back();
            // Only the last line is the reason (earlier ones were notices).
            if (const auto nl = m_error.rfind('\n'); nl != std::string::npos) m_error.erase(0, nl + 1);
            m_state = State::Failed;
            m_until.reset();
        }
    }
    return m_state;
}
