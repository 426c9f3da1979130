// SPDX-License-Identifier: MIT
#include "session/player.h"

#include <cstdlib>
#include <ostream>

#include "session/script.h"
#include "session/startstate.h"
#include "session/timeline.h"

namespace {

// Whether a line is a command that lets time pass at the player's pace
// (`run`; well-formed or not: a bad one fails before it changes anything).
bool isRun(const std::string& line)
{
    const ScriptRunner::Command* c = ScriptRunner::commandOf(line);
    return c && c->passesTime;
}

}  // namespace

ScriptPlayer::ScriptPlayer(LinkDemo& demo, std::ostream& out, std::ostream& err) : m_demo(demo), m_out(out), m_err(err)
{
    newRunner();
}

ScriptPlayer::~ScriptPlayer() = default;

// A runner fresh as the one a script starts with (no log, no explainer, no
// question open), printing through the player.
void ScriptPlayer::newRunner()
{
    m_runner = std::make_unique<ScriptRunner>(m_demo, m_output, m_errors);
    m_runner->onRun = [this](std::int64_t ms) {
        if (m_replaying) {
            m_demo.scheduler().advance(ms);
        } else {
            m_until = m_demo.scheduler().now() + ms;
        }
    };
    m_runner->onSay = [this](const std::string& text) {
        m_caption = text;
        m_shown = false;
        if (m_waitAtCaptions && !m_replaying) m_wait = Wait::Caption;
    };
    m_runner->onCheckpoint = [this](const Checkpoint& c) {
        m_checkpoint = c;
        m_shown = true;
        m_chosen = -1;
        m_checkpointEnd = m_line;
        if (!m_replaying) m_wait = Wait::Question;
    };
}

void ScriptPlayer::restartModel()
{
    m_startDifferences = startstate::restore(m_demo);
    for (const std::string& name : m_startDifferences) {
        m_err << "start-up state: " << name << " differs from a fresh start\n";
    }
    newRunner();
    if (onRestart) onRestart();
}

void ScriptPlayer::start(const std::string& script)
{
    m_lines.clear();
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) m_lines.push_back(line);
    m_line = 0;
    m_until.reset();
    m_error.clear();
    m_caption.clear();
    m_wait = Wait::None;
    m_shown = false;
    m_chosen = -1;
    m_asked = 0;
    m_predicted = 0;
    m_error = ScriptRunner::check(script);
    if (!m_error.empty()) {
        // "line N: reason": the line is shown as the one that stopped it.
        m_line = std::strtol(m_error.c_str() + 5, nullptr, 10);
        m_state = State::Failed;
        m_err << m_error << '\n';
        m_err.flush();
        return;
    }
    restartModel();
    m_state = State::Playing;
}

void ScriptPlayer::stop()
{
    if (m_state == State::Playing) m_state = State::Idle;
    m_until.reset();
    m_wait = Wait::None;
    m_shown = false;
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
    if (m_wait != Wait::None) return m_demo.scheduler().now();
    return m_until;
}

void ScriptPlayer::passOn(bool quiet)
{
    if (!quiet) {
        m_out << m_output.str();
        m_out.flush();
        m_err << m_errors.str();
        m_err.flush();
    }
    m_output.str({});
}

int ScriptPlayer::runLine(long number, bool quiet)
{
    const std::string& line = m_lines[static_cast<std::size_t>(number - 1)];
    const std::int64_t at = m_demo.scheduler().now();
    const int status = m_runner->runLine(line, number);
    if (status == ScriptRunner::kOk && onLine && !isRun(line)) onLine(line, at);
    const std::string diagnostics = m_errors.str();
    passOn(quiet);
    m_errors.str({});
    if (status != ScriptRunner::kOk) {
        m_error = diagnostics;
        while (!m_error.empty() && m_error.back() == '\n') m_error.pop_back();
        // Only the last line is the reason (earlier ones were notices).
        if (const auto nl = m_error.rfind('\n'); nl != std::string::npos) m_error.erase(0, nl + 1);
    }
    return status;
}

// The end: the demonstration pauses so that its last picture stays.
void ScriptPlayer::finish()
{
    m_state = State::Finished;
    m_until.reset();
    m_wait = Wait::None;
    if (!m_demo.paused) {
        const std::int64_t at = m_demo.scheduler().now();
        m_demo.cmdPause.click();
        if (onLine) onLine("press LinkDemo.cmdPause", at);
    }
}

ScriptPlayer::State ScriptPlayer::resume()
{
    while (m_state == State::Playing && m_wait == Wait::None) {
        if (m_until) {
            if (m_demo.scheduler().now() < *m_until) break;
            m_until.reset();
        }
        if (m_line >= static_cast<long>(m_lines.size())) {
            finish();
            break;
        }
        ++m_line;
        if (runLine(m_line, false) != ScriptRunner::kOk) {
            m_state = State::Failed;
            m_until.reset();
        }
    }
    return m_state;
}

bool ScriptPlayer::answer(int k)
{
    if (waiting() != Wait::Question || k < 0 || k >= static_cast<int>(m_checkpoint.choices.size())) return false;
    m_chosen = k;
    ++m_asked;
    if (k == m_checkpoint.answer) ++m_predicted;
    m_wait = Wait::Reveal;
    return true;
}

void ScriptPlayer::proceed()
{
    if (m_wait == Wait::Caption || m_wait == Wait::Reveal) m_wait = Wait::None;
}

bool ScriptPlayer::watchAgain()
{
    if (!canWatchAgain()) return false;
    const Checkpoint shown = m_checkpoint;
    const int chosen = m_chosen;
    const long end = m_checkpointEnd;
    restartModel();
    // The script from start-up to the question, at once and silently.
    m_replaying = true;
    m_until.reset();
    for (long n = 1; n <= end; ++n) runLine(n, true);
    m_replaying = false;
    m_line = end;
    m_until.reset();
    m_checkpoint = shown;
    m_shown = true;
    m_chosen = chosen;
    m_checkpointEnd = end;
    m_wait = Wait::None;
    return true;
}

bool ScriptPlayer::rewindTo(const std::string& session, std::int64_t t)
{
    if (m_state == State::Playing) return false;
    restartModel();
    m_lines.clear();
    std::istringstream in(timeline::cut(session, t, m_demo.Timer1.interval()));
    for (std::string line; std::getline(in, line);) m_lines.push_back(line);
    m_error.clear();
    m_replaying = true;
    m_until.reset();
    int status = ScriptRunner::kOk;
    for (long n = 1; n <= static_cast<long>(m_lines.size()) && status == ScriptRunner::kOk; ++n) {
        m_line = n;
        status = runLine(n, true);
    }
    m_replaying = false;
    // Nothing of the session's script stays open: no question, no caption.
    m_lines.clear();
    m_line = 0;
    m_caption.clear();
    m_shown = false;
    m_chosen = -1;
    m_wait = Wait::None;
    m_state = State::Idle;
    newRunner();
    return status == ScriptRunner::kOk;
}

std::string ScriptPlayer::score() const
{
    if (m_asked == 0) return {};
    return std::to_string(m_predicted) + " of " + std::to_string(m_asked) + " predicted";
}
