// SPDX-License-Identifier: MIT
// Parameter sweeps: a grid of settings, one headless run per combination,
// one CSV row per run. Every run is a script for the runner (so a row is
// exactly what `linkdemo-script` gives for the same settings) on a model of
// its own: runs share nothing and spread over threads freely.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "lab/lab.h"

class LinkDemo;

namespace sweep {

// One run. Unset values keep the scenario's own settings.
struct RunSettings {
    int scenario = 0;  // index in the scenario list
    bool router = false;
    std::optional<int> window;      // transmitter and receiver window
    std::optional<double> bitRate;  // Wire1
    std::optional<double> delay;    // Wire1, s
    std::optional<int> length;      // data packet length
    double loss = 0;                // on every routed wire
    std::uint64_t seed = lab::Lab::kDefaultSeed;
    std::int64_t seconds = 600;    // simulated
    std::vector<lab::Drop> drops;  // chosen losses, in every run
};

struct Grid {
    std::vector<int> scenarios{0, 1, 2, 3, 4, 5, 6};
    std::vector<bool> routers{false};
    std::vector<int> windows;  // empty: the scenario's own
    std::vector<double> bitRates;
    std::vector<double> delays;
    std::vector<int> lengths;
    std::vector<double> losses{0};
    std::vector<std::uint64_t> seeds{lab::Lab::kDefaultSeed};
    std::int64_t seconds = 600;
    std::vector<lab::Drop> drops;

    // Every combination, scenarios outermost. A window applies only to the
    // scenarios that have one ("Sliding Window", "Go-back-N ARQ", "Selective
    // Repeat ARQ"); the others run once per other combination.
    std::vector<RunSettings> runs() const;
};

// The scenario list's items, in order; -1 for a name that is not one.
const std::vector<std::string>& scenarioNames();
int scenarioIndex(const std::string& name);

// The runner script that sets `s` up, starts the run and lets it run (no
// `stats` line at the end).
std::string scriptFor(const RunSettings& s);

// The CSV header and one row: the settings in force and every figure.
std::string csvHeader();
struct RunResult {
    RunSettings settings;
    // Read back from the model after the set-up.
    int window = 0;
    double bitRate = 0, delay = 0;
    int length = 0;
    lab::Figures figures;
};
std::string csvRow(const RunResult& r);

// One run through the script runner.
RunResult runOne(const RunSettings& s);
// The run `demo` holds now, as a row: its scenario, router, Wire1's loss,
// the seed and the whole simulated seconds elapsed, with the values in force.
RunResult currentRun(const LinkDemo& demo);

// Runs every setting on `jobs` threads (0: one per core), writing the header
// and then the rows in the order of `runs` as they complete in order.
// `stop` is polled between runs: once set, no run starts and only the rows
// finished in order so far are written. `progress` is called (from the
// writing thread) with finished and total counts. Returns the rows written.
std::size_t sweep(const std::vector<RunSettings>& runs, unsigned jobs, std::ostream& csv, const std::atomic<bool>& stop,
                  const std::function<void(std::size_t, std::size_t)>& progress = {});

}  // namespace sweep
