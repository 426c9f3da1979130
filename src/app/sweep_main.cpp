// SPDX-License-Identifier: MIT
// linkdemo-sweep: runs a grid of settings headless and writes one CSV row per
// run. See `linkdemo-sweep --help` and its manual page.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "app/cli.h"
#include "sweep/sweep.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void onInterrupt(int)
{
    g_stop.store(true);
}

const char* const kHelp = R"(Runs every combination of the settings below headless, each on a model of its
own, spread over all cores, and writes one CSV row per run (the settings in
force, every measured figure and the theory) to standard output or FILE.

  --scenarios LIST   scenario names, comma-separated, or "all" (default all)
  --router MODE      off, on or both (default off)
  --window LIST      window sizes 1..6 ("Sliding Window", "Go-back-N ARQ",
                     "Selective Repeat ARQ"; default the scenario's own)
  --bitrate LIST     Wire1 bit rate (default the window's 1.0)
  --delay LIST       Wire1 delay, s (default the window's 2.0)
  --length LIST      data packet length (default 4)
  --loss LIST        loss probability 0..0.5 on every routed wire (default 0)
  --seeds LIST       loss generator seeds (default 1)
  --drop LIST        chosen losses on Wire1 in every run, KIND:N[:K] (the K-th
                     transmission of the data, ack, ready or hold packet N)
  --seconds N        simulated seconds per run (default 600)
  --jobs N           threads (default: one per core)
  --output FILE      write the CSV to FILE instead of standard output
  --help             show this help and exit
  --version          show the version and exit

A LIST is comma-separated; whole numbers may be given as ranges, "1-6".
Ctrl+C stops after the runs in progress; the rows finished so far are written.
)";

const app::Program kProgram{"linkdemo-sweep", "linkdemo-sweep [OPTION]...", kHelp, 0};

// Every option but --help and --version takes a value, as "--x VALUE" or
// "--x=VALUE".
constexpr std::string_view kWithValue[] = {"--scenarios", "--router", "--window", "--bitrate", "--delay", "--length",
                                           "--loss",      "--seeds",  "--drop",   "--seconds", "--jobs",  "--output"};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> split(const std::string& s)
{
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(s);
    while (std::getline(in, item, ',')) out.push_back(item);
    if (out.empty()) throw UsageError("empty list");
    return out;
}

double parseDouble(const std::string& s, const std::string& option)
{
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(s, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != s.size()) throw UsageError(option + ": not a number: '" + s + "'");
    return v;
}

long long parseWhole(const std::string& s, const std::string& option)
{
    std::size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(s, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != s.size() || v < 0) throw UsageError(option + ": not a whole number: '" + s + "'");
    return v;
}

std::vector<long long> wholeList(const std::string& s, const std::string& option)
{
    std::vector<long long> out;
    for (const std::string& item : split(s)) {
        const auto dash = item.find('-', 1);
        if (dash == std::string::npos) {
            out.push_back(parseWhole(item, option));
            continue;
        }
        const long long from = parseWhole(item.substr(0, dash), option);
        const long long to = parseWhole(item.substr(dash + 1), option);
        if (to < from || to - from > 100000) throw UsageError(option + ": bad range '" + item + "'");
        for (long long v = from; v <= to; ++v) out.push_back(v);
    }
    return out;
}

std::vector<double> positiveList(const std::string& s, const std::string& option)
{
    std::vector<double> out;
    for (const std::string& item : split(s)) {
        const double v = parseDouble(item, option);
        if (!(v > 0)) throw UsageError(option + ": must be above 0: '" + item + "'");
        out.push_back(v);
    }
    return out;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void drawProgress(std::size_t done, std::size_t total)
{
    // Redrawn only when a whole percent more is done.
    static std::size_t lastPercent = static_cast<std::size_t>(-1);
    const std::size_t percent = total ? done * 100 / total : 100;
    if (percent == lastPercent) return;
    lastPercent = percent;
    constexpr int kWidth = 40;
    const int filled = total ? static_cast<int>(kWidth * done / total) : kWidth;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), done, total);
    std::fflush(stderr);
}

// The first value option on the line (before any "--"), or none.
std::string_view firstValueOption(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--") break;
        for (std::string_view option : kWithValue) {
            if (arg == option || (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=')) {
                return option;
            }
        }
    }
    return {};
}

int usageError(const std::string& message)
{
    app::Parsed parsed;
    parsed.action = app::Parsed::Action::Error;
    parsed.error = message;
    return app::report(parsed, kProgram, std::cout, std::cerr);
}

// Applies one option's value to the settings; a bad value throws.
void apply(const std::string& name, const std::string& value, sweep::Grid& grid, unsigned& jobs, std::string& output)
{
    if (name == "--scenarios") {
        grid.scenarios.clear();
        if (value == "all") {
            grid.scenarios = {0, 1, 2, 3, 4, 5, 6};
        } else {
            for (const std::string& s : split(value)) {
                const int k = sweep::scenarioIndex(s);
                if (k < 0) throw UsageError("--scenarios: unknown scenario '" + s + "'");
                grid.scenarios.push_back(k);
            }
        }
    } else if (name == "--router") {
        if (value == "off") {
            grid.routers = {false};
        } else if (value == "on") {
            grid.routers = {true};
        } else if (value == "both") {
            grid.routers = {false, true};
        } else {
            throw UsageError("--router: off, on or both, not '" + value + "'");
        }
    } else if (name == "--window") {
        grid.windows.clear();
        for (long long w : wholeList(value, name)) {
            if (w < 1 || w > 6) throw UsageError("--window: 1 to 6, not " + std::to_string(w));
            grid.windows.push_back(static_cast<int>(w));
        }
    } else if (name == "--bitrate") {
        grid.bitRates = positiveList(value, name);
    } else if (name == "--delay") {
        grid.delays = positiveList(value, name);
    } else if (name == "--length") {
        grid.lengths.clear();
        for (long long l : wholeList(value, name)) {
            if (l > 32767) throw UsageError("--length: at most 32767");
            grid.lengths.push_back(static_cast<int>(l));
        }
    } else if (name == "--loss") {
        grid.losses.clear();
        for (const std::string& s : split(value)) {
            const double p = parseDouble(s, name);
            if (!(p >= 0 && p <= lab::Lab::kMaxLoss)) throw UsageError("--loss: 0 to 0.5, not '" + s + "'");
            grid.losses.push_back(p);
        }
    } else if (name == "--drop") {
        grid.drops.clear();
        for (const std::string& s : split(value)) {
            const auto colon = s.find(':');
            const auto kind = lab::kindNamed(s.substr(0, colon));
            if (!kind || colon == std::string::npos) {
                throw UsageError("--drop: KIND:N[:K] with KIND data, ack, ready or hold, not '" + s + "'");
            }
            const std::string rest = s.substr(colon + 1);
            const auto second = rest.find(':');
            const long long n = parseWhole(rest.substr(0, second), name);
            const long long k = second == std::string::npos ? 1 : parseWhole(rest.substr(second + 1), name);
            if (n > 2147483647LL || k < 1 || k > 1000000) throw UsageError("--drop: no such packet '" + s + "'");
            grid.drops.push_back(lab::Drop{1, *kind, static_cast<std::int32_t>(n), static_cast<int>(k)});
        }
    } else if (name == "--seeds") {
        grid.seeds.clear();
        for (long long s : wholeList(value, name)) grid.seeds.push_back(static_cast<std::uint64_t>(s));
    } else if (name == "--seconds") {
        const long long s = parseWhole(value, name);
        if (s > 1000000000LL) throw UsageError("--seconds: too large");
        grid.seconds = s;
    } else if (name == "--jobs") {
        const long long j = parseWhole(value, name);
        if (j < 1 || j > 1024) throw UsageError("--jobs: 1 to 1024");
        jobs = static_cast<unsigned>(j);
    } else if (name == "--output") {
        output = value;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // --help, then --version, win over anything else on the line.
    const app::Parsed early = app::parse(args, kProgram);
    if (early.action == app::Parsed::Action::Help || early.action == app::Parsed::Action::Version)
        return app::report(early, kProgram, std::cout, std::cerr);

    sweep::Grid grid;
    unsigned jobs = 0;
    std::string output;
    // The options in the order given, so that a later one wins; what is left
    // must be no option and no argument.
    try {
        for (std::string_view option = firstValueOption(args); !option.empty(); option = firstValueOption(args)) {
            std::string value;
            if (!app::takeOption(args, option, value)) throw UsageError(std::string(option) + " needs a value");
            apply(std::string(option), value, grid, jobs, output);
        }
    } catch (const UsageError& e) {
        return usageError(e.what());
    }
    const app::Parsed parsed = app::parse(args, kProgram);
    if (parsed.action != app::Parsed::Action::Run) return app::report(parsed, kProgram, std::cout, std::cerr);

    std::ofstream file;
    if (!output.empty()) {
        file.open(output);
        if (!file) {
            std::cerr << "linkdemo-sweep: cannot write " << output << '\n';
            return 1;
        }
    }
    std::ostream& csv = output.empty() ? std::cout : file;

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    const std::vector<sweep::RunSettings> runs = grid.runs();
    const bool bar = stderrIsTerminal();
    const std::size_t written =
        sweep::sweep(runs, jobs, csv, g_stop, bar ? drawProgress : std::function<void(std::size_t, std::size_t)>{});
    if (bar) std::fputc('\n', stderr);
    if (!csv) {
        std::cerr << "linkdemo-sweep: write error\n";
        return 1;
    }
    if (g_stop.load()) {
        std::cerr << "linkdemo-sweep: interrupted, " << written << " of " << runs.size() << " runs written\n";
        return 130;
    }
    return 0;
}
