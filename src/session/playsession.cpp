// SPDX-License-Identifier: MIT
#include "session/playsession.h"

#include <algorithm>

namespace {

constexpr std::int64_t kStepMs = 100;  // one main tick

}  // namespace

bool PlaySession::start(const std::string& script, const std::string& name)
{
    if (playing()) stop();
    m_name = name;
    m_paused = false;
    m_status = "Checking " + name + "; it starts from the start-up state";
    m_player->start(script);
    if (m_player->state() == ScriptPlayer::State::Failed) {
        // Nothing has moved: the script was checked before anything acted.
        m_status = name + " not played: " + m_player->error();
        return false;
    }
    return true;
}

void PlaySession::stop()
{
    if (!playing()) return;
    m_player->stop();
    m_paused = false;
    m_status = "Stopped " + m_name + " at line " + std::to_string(m_player->lineNumber());
}

void PlaySession::setPaused(bool paused)
{
    if (playing()) m_paused = paused;
}

bool PlaySession::step()
{
    if (!playing() || !m_paused) return false;
    if (const auto until = m_player->limit()) {
        widgets::Scheduler& clock = m_demo.scheduler();
        clock.advanceTo(std::min(*until, clock.now() + kStepMs));
    }
    // The lines due now run even while paused: that is the step.
    m_player->resume();
    return true;
}

bool PlaySession::pressPause()
{
    if (!playing()) return false;
    const ScriptPlayer::Wait wait = m_player->waiting();
    if (wait == ScriptPlayer::Wait::Caption || wait == ScriptPlayer::Wait::Reveal) {
        m_player->proceed();
    } else if (wait == ScriptPlayer::Wait::None) {
        m_paused = !m_paused;
    }
    return true;
}

std::optional<std::int64_t> PlaySession::limit() const
{
    if (!playing()) return std::nullopt;
    if (m_paused) return m_demo.scheduler().now();
    return m_player->limit();
}

std::string PlaySession::endText() const
{
    std::string text = m_player->caption();
    const std::string score = m_player->score();
    if (!score.empty()) text += (text.empty() ? "" : "   ") + score + ".";
    return text;
}

ScriptPlayer::State PlaySession::advance()
{
    // A step may have ended the script: its end is worded all the same.
    if (playing() && !m_paused) m_player->resume();
    const ScriptPlayer& p = *m_player;
    switch (p.state()) {
        case ScriptPlayer::State::Playing:
            switch (p.waiting()) {
                case ScriptPlayer::Wait::Question:
                    m_status = m_name + " asks: choose an answer (1 to " +
                               std::to_string(p.checkpoint()->choices.size()) + ")";
                    break;
                case ScriptPlayer::Wait::Reveal:
                    m_status = m_name + ": " + (p.chosen() == p.checkpoint()->answer ? "predicted" : "not predicted") +
                               "; Continue (Space) or Watch again";
                    break;
                case ScriptPlayer::Wait::Caption:
                    m_status = m_name + " waits at the caption: Continue (Space)";
                    break;
                case ScriptPlayer::Wait::None:
                    m_status = (m_paused ? "Paused " : "Playing ") + m_name + " (from the start-up state), line " +
                               std::to_string(p.lineNumber()) + ": " + p.lineText();
                    break;
            }
            break;
        case ScriptPlayer::State::Finished: {
            m_paused = false;
            const std::string score = p.score();
            m_status = score.empty() ? "Played " + m_name : "Played " + m_name + ": " + score;
            break;
        }
        case ScriptPlayer::State::Failed:
            m_paused = false;
            m_status = m_name + " stopped at line " + std::to_string(p.lineNumber());
            break;
        case ScriptPlayer::State::Idle:
            break;
    }
    return p.state();
}
