// SPDX-License-Identifier: MIT
// Sweeps: a row is what the runner gives for the same settings, and the CSV
// does not depend on the number of threads.
#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "session/script.h"
#include "sweep/sweep.h"

namespace {

sweep::Grid smallGrid()
{
    sweep::Grid g;
    g.scenarios = {1, 4, 5};
    g.routers = {false, true};
    g.windows = {2, 5};
    g.losses = {0, 0.1};
    g.seeds = {1, 2};
    g.seconds = 60;
    return g;
}

TEST(Sweep, GridAppliesTheWindowOnlyWhereThereIsOne)
{
    // Stop and Wait: 2 routers x 2 losses x 2 seeds; the two windowed
    // scenarios twice that again for the two windows.
    EXPECT_EQ(smallGrid().runs().size(), 8u + 16u + 16u);
}

TEST(Sweep, RowEqualsTheRunnersStatsForTheSameSettings)
{
    sweep::RunSettings s;
    s.scenario = 5;
    s.router = true;
    s.window = 5;
    s.bitRate = 2;
    s.delay = 0.5;
    s.length = 8;
    s.loss = 0.15;
    s.seed = 3;
    s.seconds = 120;
    const sweep::RunResult row = sweep::runOne(s);
    EXPECT_EQ(row.window, 5);
    EXPECT_EQ(row.length, 8);
    EXPECT_EQ(row.bitRate, 2);
    EXPECT_EQ(row.delay, 0.5);

    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream script(sweep::scriptFor(s) + "stats\n");
    ASSERT_EQ(runner.run(script), 0) << err.str();
    const std::string printed = out.str();
    const auto stats = nlohmann::ordered_json::parse(printed.substr(printed.rfind("{\"stats\"")));
    EXPECT_EQ(stats["stats"], dump::figures(row.figures));
    EXPECT_GT(row.figures.lost, 0u);
}

// Sliding Window under loss delivers packets under wrong numbers; their
// count is the last column, after every column readers knew before it.
TEST(Sweep, DeliveredWrongIsTheLastColumn)
{
    sweep::RunSettings s;
    s.scenario = 2;
    s.loss = 0.1;
    s.seed = 2;
    s.seconds = 60;
    const sweep::RunResult r = sweep::runOne(s);
    ASSERT_GT(r.figures.deliveredWrong, 0u);
    const std::string header = sweep::csvHeader();
    const std::string row = sweep::csvRow(r);
    EXPECT_TRUE(header.ends_with(",theoryUtilisation,theoryGoodput,deliveredWrong\n")) << header;
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), std::count(header.begin(), header.end(), ','));
    EXPECT_EQ(row.substr(row.rfind(',') + 1), std::to_string(r.figures.deliveredWrong) + "\n");
}

TEST(Sweep, ThreadsWriteTheSameCsvAsOneJob)
{
    const auto runs = smallGrid().runs();
    std::atomic<bool> stop{false};
    std::ostringstream one, four;
    EXPECT_EQ(sweep::sweep(runs, 1, one, stop), runs.size());
    std::size_t lastDone = 0;
    sweep::sweep(runs, 4, four, stop, [&](std::size_t done, std::size_t total) {
        EXPECT_GT(done, lastDone);
        EXPECT_EQ(total, runs.size());
        lastDone = done;
    });
    EXPECT_EQ(lastDone, runs.size());
    EXPECT_EQ(one.str(), four.str());
    EXPECT_EQ(one.str().rfind(sweep::csvHeader(), 0), 0u);
}

TEST(Sweep, AStopWritesOnlyTheHeader)
{
    std::atomic<bool> stop{true};
    std::ostringstream csv;
    EXPECT_EQ(sweep::sweep(smallGrid().runs(), 2, csv, stop), 0u);
    EXPECT_EQ(csv.str(), sweep::csvHeader());
}

}  // namespace

TEST(Sweep, ChosenLossesApplyToEveryRun)
{
    sweep::Grid grid;
    grid.scenarios = {3, 4};
    grid.drops = {lab::Drop{1, lab::PacketKind::Data, 2, 1}, lab::Drop{1, lab::PacketKind::Ack, 4, 1}};
    grid.seconds = 60;
    for (const sweep::RunSettings& s : grid.runs()) {
        EXPECT_NE(sweep::scriptFor(s).find("set drop Wire1 data 2 1\nset drop Wire1 ack 4 1\n"), std::string::npos);
        EXPECT_EQ(sweep::runOne(s).figures.destroyed, 2u) << s.scenario;
    }
}
