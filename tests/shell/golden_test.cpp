// SPDX-License-Identifier: MIT
// The runner's dump of every scenario, with and without the router, after a
// simulated minute of a run with open panels, a destroyed packet and a Hold,
// compared with the dumps recorded in golden_dumps.txt (byte count and
// FNV-1a hash of the whole output). A restructuring of the model must leave
// them byte-identical. On a mismatch the dump is written beside the test for
// a diff against the previous build's; LINKDEMO_GOLDEN_WRITE=FILE writes a
// new table instead (for a deliberate change of behaviour).
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "shell/linkdemo.h"
#include "shell_support.h"

namespace {

std::string script(const std::string& scenario, bool router)
{
    std::string s = "choose LinkDemo.cmbScenario " + scenario + "\n";
    if (router) s += "press LinkDemo.cmdRouter\n";
    s += "press Transmitter1.cmdEdit\n"
         "press Receiver1.cmdEdit\n"
         "press LinkDemo.cmdPause\n"
         "run 20000\n"
         "press Wire1.cmdPacket(0)\n"
         "run 20000\n"
         "press Receiver1.chkRxReady\n"
         "run 5000\n"
         "press Receiver1.chkRxReady\n"
         "press Wire1.cmdEdit\n"
         "run 15000\n"
         "dump\n";
    return s;
}

std::uint64_t fnv1a(const std::string& s)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string key(const std::string& scenario, bool router)
{
    return scenario + (router ? " | router" : " | direct");
}

std::string entry(const std::string& out)
{
    std::ostringstream e;
    e << out.size() << ' ' << std::hex << fnv1a(out);
    return e.str();
}

}  // namespace

TEST(GoldenDumps, EveryScenarioAfterAMinuteIsUnchanged)
{
    std::map<std::string, std::string> golden;
    {
        std::ifstream in(LINKDEMO_GOLDEN);
        ASSERT_TRUE(in) << LINKDEMO_GOLDEN;
        for (std::string line; std::getline(in, line);) {
            const auto bar = line.rfind(" = ");
            if (line.empty() || line[0] == '#' || bar == std::string::npos) continue;
            golden[line.substr(0, bar)] = line.substr(bar + 3);
        }
    }
    const char* write = std::getenv("LINKDEMO_GOLDEN_WRITE");
    std::ofstream table;
    if (write) table.open(write);
    if (write) table << "# scenario | topology = bytes fnv1a-64 of the runner's output (tests/shell/golden_test.cpp)\n";

    for (const std::string scenario : kScenarioNames) {
        for (bool router : {false, true}) {
            const shelltest::Result r = shelltest::runScript(script(scenario, router));
            ASSERT_EQ(r.status, 0) << r.err;
            const std::string k = key(scenario, router);
            if (write) {
                table << k << " = " << entry(r.out) << '\n';
                continue;
            }
            if (golden[k] != entry(r.out)) {
                const std::string file = "golden-actual-" + std::to_string(fnv1a(k)) + ".txt";
                std::ofstream(file) << r.out;
                ADD_FAILURE() << k << ": dump differs from the recorded one; written to " << file;
            }
        }
    }
}
