// SPDX-License-Identifier: MIT
// Every seed and every regression input of the fuzz target, run as the
// fuzzer runs them (without libFuzzer): the examples, the seed corpus, and
// the inputs that once broke something.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "fuzz/fuzz_input.h"

namespace {

// Returns how many files it ran.
int runEvery(const std::filesystem::path& dir)
{
    int files = 0;
    if (!std::filesystem::is_directory(dir)) return 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const fuzz::Finding f = fuzz::runInput(bytes.str());
        EXPECT_FALSE(f) << e.path().filename() << ' ' << f.report();
        ++files;
    }
    return files;
}

}  // namespace

TEST(FuzzCorpus, EveryExampleSeedAndRegressionKeepsTheInvariants)
{
    EXPECT_GT(runEvery(LINKDEMO_SOURCE_DIR "/examples"), 0);
    EXPECT_GT(runEvery(LINKDEMO_SOURCE_DIR "/tests/fuzz/corpus"), 0);
    // Empty until the fuzzer finds something.
    runEvery(LINKDEMO_SOURCE_DIR "/tests/fuzz/regressions");
}

TEST(FuzzInput, AnSvgLineWritesNowhere)
{
    EXPECT_EQ(fuzz::harmless("svg Wire1.Picture1 /tmp/x y.svg"), "svg Wire1.Picture1 /dev/null");
    EXPECT_EQ(fuzz::harmless(" \tsvg\tWire1.Picture1  ../x"), " \tsvg\tWire1.Picture1 /dev/null");
    // Lines the runner rejects before writing stay as they are.
    for (const char* kept : {"svg Wire1.Picture1", "svg Wire1.Picture1 ", "svgWire1.Picture1 x", "say svg a b"}) {
        EXPECT_EQ(fuzz::harmless(kept), kept);
    }
}
