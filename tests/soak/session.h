// SPDX-License-Identifier: MIT
// Random user sessions against the whole window model, driven through the
// script runner so that every session is a script: a failure prints the seed
// and the lines that led to it, and the lines replay with linkdemo-script.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "session/script.h"
#include "soak/invariants.h"

namespace soak {

// How often, after a line, the model was in states worth reaching: evidence
// that the sessions exercise what the invariants are about.
struct Coverage {
    long lines = 0;
    long running = 0;         // the clock runs
    long crowdedWire = 0;     // 8 or more packets on Wire1 or Wire2
    long fullWire = 0;        // all 16 slots of a wire in use
    long routerQueue = 0;     // 2 or more data packets held by the router
    long routerAcks = 0;      // an acknowledgement held by the router
    long heldAtReceiver = 0;  // an arrived packet waiting above slot 0
    long retransmitting = 0;  // a transmitter slot Expired, Resending or Resent
    long ackBacklog = 0;      // 3 or more entries in the receiver's ACK buffer
    long sendingHeld = 0;     // the transmitter obeys a Hold
    long traceFull = 0;       // a trace table with 1000 records
    long wrongShown = 0;      // the receiver shows "Wrong!"

    void add(const Coverage& o);
    std::string text() const;
};

// One script runner with the invariant checks run after every line.
class Driver {
public:
    // Within a "run" line the checks also run after every this many ms.
    static constexpr std::int64_t kCheckEvery = 1000;

    // `dumpEvery`: scan the full dump after every n-th line (0: never; the
    // per-line checks already cover the model's own numbers).
    explicit Driver(int dumpEvery = 0);

    // Runs one script line; returns what went wrong: a line the runner
    // rejected, a diagnostic other than an "ignored: ..." note, a message
    // box, or a broken invariant.
    std::vector<std::string> execute(const std::string& line);

    // For arbitrary scripts (the fuzzer's): a rejected line and a diagnostic
    // are what the runner should answer to bad text, not faults; a message
    // box and a broken invariant still are.
    void acceptScriptErrors() { m_acceptScriptErrors = true; }
    // From now on the "run" lines together advance the clock by at most `ms`;
    // a run beyond that advances only to the limit.
    void limitRunTime(std::int64_t ms) { m_runLeft = ms; }
    // The full-dump scan, on demand.
    std::vector<std::string> checkDump() const { return m_checker.checkDump(); }

    LinkDemo& demo() { return m_runner.demo(); }
    std::int64_t now() { return m_runner.demo().scheduler().now(); }
    // Lines the runner ignored because their control was hidden.
    long ignored() const { return m_ignored; }
    const Coverage& coverage() const { return m_coverage; }

private:
    void advance(std::int64_t ms);
    void noteRouterKill(const std::string& line);
    void count();

    std::ostringstream m_out;
    std::ostringstream m_err;
    ScriptRunner m_runner;
    ModelChecker m_checker;
    int m_dumpEvery;
    long m_lines = 0;
    long m_ignored = 0;
    Coverage m_coverage;
    bool m_acceptScriptErrors = false;
    std::int64_t m_runLeft = widgets::Scheduler::kLatest;
    // What broke during the current line's run, between two of its pieces.
    std::vector<std::string> m_inRun;
};

// Chooses the next line of a session from the model's current state: what a
// lecturer might click, type or choose, reachable or not, good text and bad.
class SessionGenerator {
public:
    SessionGenerator(std::uint32_t seed, LinkDemo& demo) : m_rng(seed), m_demo(demo) {}

    // The opening: a scenario, perhaps the router, usually "Start".
    std::vector<std::string> opening();
    // The next line; a "run" never takes the clock past `untilMs`.
    std::string next(std::int64_t untilMs);

    // Text for an editable combo: mostly hostile, sometimes one of its items.
    std::string typedText(const widgets::ComboBox& c);

private:
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    template <class T>
    const T& pick(const std::vector<T>& v)
    {
        return v[static_cast<std::size_t>(uniform(0, static_cast<int>(v.size()) - 1))];
    }

    std::string runLine(std::int64_t untilMs);
    std::string packetClick();
    std::string panelClick();
    std::string comboChoice();
    std::string comboTyping();
    std::string scrollMove();

    // Combos of the components a user sees (and a few that stay hidden).
    std::vector<std::pair<std::string, const widgets::ComboBox*>> combos(bool editableOnly);

    std::mt19937 m_rng;
    LinkDemo& m_demo;
};

struct SessionOptions {
    std::int64_t simulatedMs = 10 * 60 * 1000;
    int dumpEvery = 0;
    // Upper bound on the lines of one session, runs included.
    int maxLines = 4000;
};

struct SessionReport {
    std::uint32_t seed = 0;
    bool ok = true;
    std::vector<std::string> violations;  // at the first failing line
    std::vector<std::string> script;      // every line up to and including it
    std::int64_t simulatedMs = 0;
    long ignored = 0;
    Coverage coverage;

    // Seed, what broke and the replay script, ready to print.
    std::string text() const;
};

SessionReport runSession(std::uint32_t seed, const SessionOptions& options = {});

// Replays `script` with the checks; the report's script ends at the first
// line after which something was wrong.
SessionReport replay(const std::vector<std::string>& script, int dumpEvery = 0);

// A shorter script that still fails with a violation that `same` accepts
// (delta debugging over lines; lines are independent of one another because
// a click on a hidden control is ignored).
std::vector<std::string> shrink(std::vector<std::string> script,
                                const std::function<bool(const std::vector<std::string>&)>& same);

}  // namespace soak
