// SPDX-License-Identifier: MIT
#include "sweep/sweep.h"

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "session/labreport.h"
#include "session/script.h"
#include "topology/scenario.h"

namespace sweep {

namespace {

const std::vector<std::string> kScenarioTexts(kScenarioNames.begin(), kScenarioNames.end());

// Selective Repeat needs twice the window in sequence numbers.
bool needsLongSequence(const RunSettings& s)
{
    return s.scenario == static_cast<int>(Scenario::SelectiveRepeat) && *s.window > 4;
}

std::string number(double v)
{
    return labreport::shortest(v);
}

template <class T>
std::vector<std::optional<T>> orDefault(const std::vector<T>& values)
{
    if (values.empty()) return {std::nullopt};
    return {values.begin(), values.end()};
}

}  // namespace

const std::vector<std::string>& scenarioNames()
{
    return kScenarioTexts;
}

int scenarioIndex(const std::string& name)
{
    for (std::size_t i = 0; i < kScenarioTexts.size(); ++i) {
        if (kScenarioTexts[i] == name) return static_cast<int>(i);
    }
    return -1;
}

std::vector<RunSettings> Grid::runs() const
{
    std::vector<RunSettings> out;
    for (int scenario : scenarios) {
        const auto windowValues =
            scenarioHasWindow(scenario) ? orDefault(windows) : std::vector<std::optional<int>>{std::nullopt};
        for (bool router : routers) {
            for (const auto& window : windowValues) {
                for (const auto& bitRate : orDefault(bitRates)) {
                    for (const auto& delay : orDefault(delays)) {
                        for (const auto& length : orDefault(lengths)) {
                            for (double loss : losses) {
                                for (std::uint64_t seed : seeds) {
                                    out.push_back(RunSettings{scenario, router, window, bitRate, delay, length, loss,
                                                              seed, seconds, drops});
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    return out;
}

std::string scriptFor(const RunSettings& s)
{
    std::ostringstream o;
    o << "choose LinkDemo.cmbScenario " << kScenarioTexts.at(static_cast<std::size_t>(s.scenario)) << '\n';
    if (s.router) o << "press LinkDemo.cmdRouter\n";
    if ((s.window && scenarioHasWindow(s.scenario)) || s.length) {
        o << "press Transmitter1.cmdEdit\n";
        if (s.window && scenarioHasWindow(s.scenario)) {
            o << "choose Transmitter1.cmbTxWindowSize " << *s.window << '\n';
            if (needsLongSequence(s)) o << "type Transmitter1.cmbMaxSequence 15\n";
        }
        if (s.length) o << "type Transmitter1.cmbPacketLength " << *s.length << '\n';
        o << "press Transmitter1.cmdEdit\n";
    }
    if (s.window && scenarioHasWindow(s.scenario)) {
        o << "press Receiver1.cmdEdit\n";
        o << "choose Receiver1.cmbRxWindowSize " << *s.window << '\n';
        if (needsLongSequence(s)) o << "type Receiver1.cmbMaxSequence 15\n";
        o << "press Receiver1.cmdEdit\n";
    }
    if (s.bitRate || s.delay) {
        o << "press Wire1.cmdEdit\n";
        if (s.bitRate) o << "type Wire1.cmbBitRate " << number(*s.bitRate) << '\n';
        if (s.delay) o << "type Wire1.cmbDelay " << number(*s.delay) << '\n';
        o << "press Wire1.cmdEdit\n";
    }
    o << "set seed " << s.seed << '\n';
    if (s.loss > 0) {
        o << "set loss Wire1 " << number(s.loss) << '\n';
        if (s.router) o << "set loss Wire2 " << number(s.loss) << '\n';
    }
    for (const lab::Drop& d : s.drops) {
        o << "set drop Wire" << d.wire << ' ' << lab::kindName(d.kind) << ' ' << d.number << ' ' << d.transmission
          << '\n';
    }
    o << "press LinkDemo.cmdPause\n";
    o << "run " << s.seconds * 1000 << '\n';
    return o.str();
}

std::string csvHeader()
{
    return labreport::csvHeader();
}

std::string csvRow(const RunResult& r)
{
    const RunSettings& s = r.settings;
    return labreport::csvRow(labreport::CsvRun{s.scenario, s.router, r.window, r.bitRate, r.delay, r.length, s.loss,
                                               s.seed, s.seconds, r.figures});
}

namespace {

RunResult readBack(const LinkDemo& demo, const RunSettings& s)
{
    RunResult r;
    r.settings = s;
    r.window = demo.Transmitter1.window();
    r.bitRate = demo.Wire1.currentBitRate();
    r.delay = demo.Wire1.currentDelay();
    r.length = demo.Transmitter1.packetLength();
    r.figures = demo.lab().figures();
    return r;
}

}  // namespace

RunResult runOne(const RunSettings& s)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream script(scriptFor(s));
    runner.run(script);
    return readBack(runner.demo(), s);
}

RunResult currentRun(const LinkDemo& demo)
{
    const labreport::CsvRun now = labreport::currentRun(demo);
    RunResult r;
    r.settings.scenario = now.scenario;
    r.settings.router = now.router;
    r.settings.loss = now.loss;
    r.settings.seed = now.seed;
    r.settings.seconds = now.seconds;
    r.window = now.window;
    r.bitRate = now.bitRate;
    r.delay = now.delay;
    r.length = now.length;
    r.figures = now.figures;
    return r;
}

std::size_t sweep(const std::vector<RunSettings>& runs, unsigned jobs, std::ostream& csv, const std::atomic<bool>& stop,
                  const std::function<void(std::size_t, std::size_t)>& progress)
{
    if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(1, runs.size())));

    std::vector<std::optional<std::string>> rows(runs.size());
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t nextRun = 0;
    std::size_t running = jobs;

    const auto worker = [&] {
        for (;;) {
            std::size_t k = 0;
            {
                std::lock_guard lock(mutex);
                if (nextRun >= runs.size() || stop.load()) break;
                k = nextRun++;
            }
            std::string row = csvRow(runOne(runs[k]));
            {
                std::lock_guard lock(mutex);
                rows[k] = std::move(row);
            }
            finished.notify_one();
        }
        std::lock_guard lock(mutex);
        --running;
        finished.notify_one();
    };

    std::vector<std::thread> threads;
    threads.reserve(jobs);
    for (unsigned j = 0; j < jobs; ++j) threads.emplace_back(worker);

    // Rows are written in the order of `runs`, each as soon as it and every
    // row before it are done: the file is the same for any number of jobs.
    csv << csvHeader();
    std::size_t written = 0;
    std::size_t done = 0;
    {
        std::unique_lock lock(mutex);
        for (;;) {
            while (written < rows.size() && rows[written]) {
                csv << *rows[written];
                rows[written].reset();
                ++written;
            }
            std::size_t nowDone = written;
            for (std::size_t k = written; k < rows.size(); ++k) nowDone += rows[k] ? 1 : 0;
            if (nowDone != done && progress) {
                done = nowDone;
                lock.unlock();
                progress(done, runs.size());
                lock.lock();
            }
            if (running == 0) break;
            finished.wait(lock);
        }
    }
    for (auto& t : threads) t.join();
    csv.flush();
    return written;
}

}  // namespace sweep
