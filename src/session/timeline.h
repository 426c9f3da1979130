// SPDX-License-Identifier: MIT
// Going back in a session: every run is a deterministic replay of its
// inputs from start-up, so the state at an earlier moment is what the
// session cut there reaches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace timeline {

// The session `script` (as the recorder writes it, from start-up at time 0)
// cut at simulated time `t`: every line up to t, what acted at t itself
// included; a `run` that passes t ends at t. A `step` (one main tick of
// `tick` ms) that passes t is left out and its time up to t passes as a
// `run`. Comments and blank lines are kept.
std::string cut(const std::string& script, std::int64_t t, std::int64_t tick);

// The run's own time against the scheduler's: the run stands still while
// paused and its clock starts again at a reset, while the scheduler goes on.
// Sampled at every user action and every refresh (between two samples the
// run is either paused or running throughout), it tells which moment lay a
// given running time back, so that "five seconds back" means five seconds
// of the run, however long the demonstration stood paused since.
class RunClock {
public:
    // The scheduler's time and the run's clock (which a reset sets to 0).
    void sample(std::int64_t at, std::int64_t runClock);
    // The running time from the first sample to the latest.
    std::int64_t run() const { return m_samples.empty() ? 0 : m_samples.back().run; }
    // The scheduler time at which the run stood `ms` of running time before
    // the latest sample (the first sample's time when that is further back).
    std::int64_t before(std::int64_t ms) const;
    // A rewind to scheduler time `at`: later samples go.
    void cutAt(std::int64_t at, std::int64_t runClock);
    void clear();

private:
    struct Sample {
        std::int64_t at;   // scheduler time
        std::int64_t run;  // running time since the first sample
    };
    std::vector<Sample> m_samples;
    std::int64_t m_clock = 0;  // the run's clock at the latest sample
};

}  // namespace timeline
