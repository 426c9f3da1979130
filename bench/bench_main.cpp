// SPDX-License-Identifier: MIT
// Performance figures of the demonstration on the machine it runs on.
//
// Prints, one per line: the time and peak memory of a one-megabyte `type`,
// the headless throughput of every scenario with the router and traces on,
// the worst-case main-clock tick of the model, and — when built with the
// window — the Qt repaint of a full trace, the window's start-up to its
// first painted frame and its resident memory after ten simulated minutes.
// Figures are measurements, never pass/fail.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/fill.h"
#include "session/script.h"
#include "shell/linkdemo.h"
#include "sweep/sweep.h"

#ifdef LINKDEMO_BENCH_GUI
#include "bench/gui_figures.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const auto& kScenarios = kScenarioNames;

// Simulated seconds per wall second for one scenario with the router,
// driven through the script runner exactly as a script would.
double throughput(const std::string& scenario, long simulatedMs, double* wallSeconds)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream setup("choose LinkDemo.cmbScenario " + scenario +
                             "\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\n");
    runner.run(setup);
    std::istringstream go("run " + std::to_string(simulatedMs) + "\n");
    auto start = Clock::now();
    runner.run(go);
    *wallSeconds = secondsSince(start);
    return (simulatedMs / 1000.0) / std::max(*wallSeconds, 1e-9);
}

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when absent.
long statusKb(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return 0;
}

// A megabyte of digits typed into a field: the field takes 32,767 of them,
// a keystroke each, with the bit rate read back at every one. Run first, so
// that the process's peak resident memory is this type's.
void megabyteType()
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream open("press Wire1.cmdEdit\n");
    runner.run(open);
    const std::string line = "type Wire1.cmbBitRate " + std::string(1 << 20, '1') + "\n";
    const long before = statusKb("VmRSS");
    std::istringstream type(line);
    const auto start = Clock::now();
    runner.run(type);
    const double seconds = secondsSince(start);
    std::printf("  one-megabyte type: %.2f s, peak resident memory %.1f MB (%.1f MB above the %.1f MB before it)\n",
                seconds, statusKb("VmHWM") / 1024.0, (statusKb("VmHWM") - before) / 1024.0, before / 1024.0);
}

class SilentBox : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

// Times main-clock ticks of the model with the worst case on every wire.
void worstCaseTick()
{
    SilentBox box;
    LinkDemo demo(box);
    fillTraces(demo);
    demo.cmdPause.click();
    const int ticks = 40;
    double worst = 0, total = 0;
    for (int i = 0; i < ticks; ++i) {
        auto start = Clock::now();
        demo.scheduler().advance(100);
        double s = secondsSince(start);
        worst = std::max(worst, s);
        total += s;
    }
    std::printf("model tick, 16 packets on each of 5 wires, full traces: mean %.3f ms, worst %.3f ms (budget 100 ms)\n",
                total / ticks * 1e3, worst * 1e3);
}

// A sweep of 1000 runs of ten simulated minutes on every core: the seven
// scenarios with and without the router, with loss and without, over seeds.
void sweepFigure()
{
    sweep::Grid grid;
    grid.routers = {false, true};
    grid.losses = {0, 0.05};
    grid.seconds = 600;
    grid.seeds.clear();
    for (std::uint64_t s = 1; s <= 36; ++s) grid.seeds.push_back(s);
    std::vector<sweep::RunSettings> runs = grid.runs();
    runs.resize(std::min<std::size_t>(runs.size(), 1000));
    std::ostringstream csv;
    const std::atomic<bool> stop{false};
    const auto start = Clock::now();
    const std::size_t rows = sweep::sweep(runs, 0, csv, stop);
    std::printf("  %zu runs of 10 simulated min on %u threads: %.2f s (target < 10 s on 2 cores)\n", rows,
                std::max(1u, std::thread::hardware_concurrency()), secondsSince(start));
}

// `back` in a one-hour session: the replay of its inputs up to the moment
// asked for, from near its end (the longest replay) and from its middle.
void backFigure()
{
    std::ostringstream script;
    script << "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\nset loss Wire1 0.05\n"
              "press LinkDemo.cmdPause\n";
    // A click every simulated minute.
    for (int minute = 0; minute < 60; ++minute) script << "run 60000\npress Wire1.cmdPacket(0)\n";
    for (const std::int64_t ms : {std::int64_t{100}, std::int64_t{1800000}}) {
        std::ostringstream out, err;
        ScriptRunner runner(out, err);
        std::istringstream in(script.str());
        runner.run(in);
        const auto start = Clock::now();
        runner.runLine("back " + std::to_string(ms), 1);
        std::printf("  back %lld ms in a one-hour session: %.1f ms (target < 100 ms)\n", static_cast<long long>(ms),
                    secondsSince(start) * 1e3);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::printf("== typing\n");
    megabyteType();

    std::printf("== headless throughput (router on, traces on), simulated s per wall s\n");
    for (const char* s : kScenarios) {
        double wall = 0;
        double rate = throughput(s, 600000, &wall);
        std::printf("  %-22s %10.0f x real time  (10 simulated min in %.3f s)\n", s, rate, wall);
    }
    double wall = 0;
    throughput("Go-back-N ARQ", 3600000, &wall);
    std::printf("  one simulated hour of Go-back-N ARQ with the router: %.3f s wall (target < 0.5 s)\n", wall);

    std::printf("== rewind\n");
    backFigure();

    std::printf("== linkdemo-sweep\n");
    sweepFigure();

    std::printf("== main-clock tick\n  ");
    worstCaseTick();

#ifdef LINKDEMO_BENCH_GUI
    guiFigures(argc, argv);
#else
    (void)argc;
    (void)argv;
#endif
    return 0;
}
