// SPDX-License-Identifier: MIT
#include "session/timeline.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

namespace timeline {

namespace {

// The first word of a line and the rest after blanks.
std::string_view word(std::string_view line, std::string_view& rest)
{
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    auto end = line.find_first_of(" \t\r", start);
    if (end == std::string_view::npos) end = line.size();
    rest = line.substr(end);
    const auto more = rest.find_first_not_of(" \t\r");
    rest = more == std::string_view::npos ? std::string_view() : rest.substr(more);
    return line.substr(start, end - start);
}

}  // namespace

std::string cut(const std::string& script, std::int64_t t, std::int64_t tick)
{
    std::istringstream in(script);
    std::string out;
    std::int64_t at = 0;
    const auto passTo = [&](std::int64_t end) {
        if (end > at) out += "run " + std::to_string(end - at) + "\n";
        at = end;
    };
    for (std::string line; std::getline(in, line);) {
        std::string_view rest;
        const std::string_view command = word(line, rest);
        std::int64_t length = -1;
        if (command == "run") {
            std::int64_t ms = 0;
            const auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), ms);
            if (ec == std::errc() && ptr == rest.data() + rest.size()) length = ms;
        } else if (command == "step" && rest.empty()) {
            length = tick;
        }
        if (length < 0) {
            // An action (or a comment): it acts at `at`.
            if (at > t) break;
            out += line + "\n";
            continue;
        }
        if (at + length <= t) {
            out += line + "\n";
            at += length;
            continue;
        }
        passTo(t);
        break;
    }
    return out;
}

void RunClock::sample(std::int64_t at, std::int64_t runClock)
{
    if (m_samples.empty()) {
        m_samples.push_back({at, 0});
        m_clock = runClock;
        return;
    }
    // After a reset the run's clock counts again from 0.
    const std::int64_t ran = runClock >= m_clock ? runClock - m_clock : runClock;
    m_clock = runClock;
    Sample& last = m_samples.back();
    if (at <= last.at) {
        last.run += ran;
    } else if (ran == 0 && m_samples.size() >= 2 && m_samples[m_samples.size() - 2].run == last.run) {
        last.at = at;  // a pause going on: one interval
    } else {
        m_samples.push_back({at, last.run + ran});
    }
}

std::int64_t RunClock::before(std::int64_t ms) const
{
    if (m_samples.empty()) return 0;
    const std::int64_t target = m_samples.back().run - std::max<std::int64_t>(0, ms);
    if (target <= 0) return m_samples.front().at;
    for (std::size_t i = m_samples.size() - 1; i > 0; --i) {
        const Sample& a = m_samples[i - 1];
        const Sample& b = m_samples[i];
        if (a.run < target && target <= b.run) return std::max(a.at, b.at - (b.run - target));
    }
    return m_samples.front().at;
}

void RunClock::cutAt(std::int64_t at, std::int64_t runClock)
{
    std::optional<Sample> after;  // the first sample past the cut
    while (!m_samples.empty() && m_samples.back().at > at) {
        after = m_samples.back();
        m_samples.pop_back();
    }
    if (m_samples.empty()) {
        sample(at, runClock);
        return;
    }
    m_clock = runClock;
    const Sample kept = m_samples.back();
    if (kept.at < at) {
        // Inside an interval: as much of its running as lay before the cut.
        const std::int64_t run = after ? std::max(kept.run, after->run - (after->at - at)) : kept.run;
        m_samples.push_back({at, run});
    }
}

void RunClock::clear()
{
    m_samples.clear();
    m_clock = 0;
}

}  // namespace timeline
