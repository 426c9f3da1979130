// SPDX-License-Identifier: MIT
// The lab's measured figures against runs worked out by hand, seeded random
// loss, and the runner's lab commands.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lab/lab.h"
#include "session/dump.h"
#include "session/script.h"
#include "support/testenv.h"

namespace {

struct Script {
    std::ostringstream out, err;
    ScriptRunner runner{out, err};
    int status = 0;

    explicit Script(const std::string& script)
    {
        std::istringstream in(script);
        status = runner.run(in);
    }
    lab::Figures figures() { return runner.demo().lab().figures(); }
};

// Stop and Wait on the default link (L = 4, R = 1, D = 2 s). The trace shows
// the cycle on the 100 ms ticks: a packet put on at S is off the line at
// S + 1000, wholly arrives at S + 3000; its ACK is put on at S + 3100 and
// arrives at S + 5400, when the next packet goes. Packets start at
// 100 + 5400k: in a minute k = 0..11 (12 sent); 11 arrive (S + 3000 <= 60000),
// 11 ACKs are sent and 11 processed, each a round-trip sample. The line is
// busy 1000 ms for each of 11 packets and the last 500 ms of the twelfth.
TEST(LabFigures, LosslessStopAndWaitMinute)
{
    Script r("choose LinkDemo.cmbScenario Stop and Wait\npress LinkDemo.cmdPause\nrun 60000\n");
    lab::Figures f = r.figures();
    EXPECT_EQ(f.elapsed, 60000);
    EXPECT_EQ(f.dataSent, 12u);
    EXPECT_EQ(f.retransmissions, 0u);
    EXPECT_EQ(f.delivered, 11u);
    EXPECT_EQ(f.acksSent, 11u);
    EXPECT_EQ(f.acksProcessed, 11u);
    EXPECT_EQ(f.rttSamples, 11u);
    EXPECT_EQ(f.ignored + f.wrong + f.destroyed + f.lost + f.routerDrops, 0u);
    EXPECT_DOUBLE_EQ(f.utilisation, 11500.0 / 60000);
    EXPECT_DOUBLE_EQ(f.goodput, 11.0 / 60);
    EXPECT_NEAR(*f.theoryUtilisation, 1 / 5.25, 1e-12);

    // A reset starts every figure afresh, the components' running totals too.
    r.runner.demo().cmdReset.click();
    f = r.figures();
    EXPECT_EQ(f.elapsed, 0);
    EXPECT_EQ(f.dataSent + f.delivered + f.acksSent + f.acksProcessed + f.rttSamples, 0u);
    EXPECT_EQ(f.utilisation, 0.0);
    EXPECT_EQ(f.goodput, 0.0);
}

// Go-back-N (W = 3, timeout 25 s until the first round trip is measured).
// Packets 0, 1, 2 go at 100, 1100, 2100. Packet 0 is destroyed in flight at
// 2 s: 1 and 2 arrive out of order and are ignored, each answered by an ACK;
// at 25.2 s all three are resent. From then three packets per 5.4 s cycle.
// At 47 s packet 12 is destroyed 200 ms into its sending: 13 and 14 are
// ignored, and 5.6 s after they were sent (the measured RTT) 12, 13, 14 are
// resent. By 77 s packets 0..23 were sent once, 0..22 have arrived, six were
// resent; the line was busy 1000 ms for 29 transmissions and 200 ms for the
// cut one.
TEST(LabFigures, GoBackNWithTwoClickedLosses)
{
    Script r(
        "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 2000\n"
        "press Wire1.cmdPacket(0)\nrun 45000\npress Wire1.cmdPacket(0)\nrun 30000\n");
    const lab::Figures f = r.figures();
    EXPECT_EQ(f.elapsed, 77000);
    EXPECT_EQ(f.destroyed, 2u);
    EXPECT_EQ(f.lost, 0u);
    EXPECT_EQ(f.dataSent, 24u);
    EXPECT_EQ(f.retransmissions, 6u);
    EXPECT_EQ(f.delivered, 23u);
    EXPECT_EQ(f.ignored, 4u);
    EXPECT_EQ(f.wrong, 0u);
    EXPECT_EQ(f.acksSent, 26u);
    EXPECT_EQ(f.acksProcessed, 25u);
    EXPECT_EQ(f.rttEstimate, 5600);
    EXPECT_EQ(f.retransmitTime, 5600);
    EXPECT_DOUBLE_EQ(f.utilisation, 29200.0 / 77000);
}

// Sliding Window has no error control: packet 2, destroyed on the wire at
// 3 s, is never resent, and the receiver takes packet 3 under number 2
// ("Receiving 3 (not 2)") and every later packet one number early. Of the 46
// deliveries only packets 0 and 1 are correct; the 44 others are the 44
// "Wrong!" arrivals, and they are not goodput.
TEST(LabFigures, DeliveriesUnderAWrongNumberAreNotGoodput)
{
    Script r(
        "choose LinkDemo.cmbScenario Sliding Window\npress LinkDemo.cmdPause\nrun 3000\n"
        "press Wire1.cmdPacket(2)\nrun 120000\n");
    ASSERT_EQ(r.status, 0) << r.err.str();
    const lab::Figures f = r.figures();
    EXPECT_EQ(f.delivered, 46u);
    EXPECT_EQ(f.wrong, 44u);
    EXPECT_EQ(f.deliveredWrong, f.wrong);
    EXPECT_DOUBLE_EQ(f.goodput, 2.0 / 123);
}

const char* const kLossyScript =
    "choose LinkDemo.cmbScenario Selective Repeat ARQ\npress LinkDemo.cmdRouter\n"
    "set loss Wire1 0.2\nset loss Wire2 0.1\nset seed 7\npress LinkDemo.cmdPause\nrun 300000\nstats\ndump\n";

TEST(RandomLoss, SameScriptSameLossesAndAResetReplaysThem)
{
    Script a(kLossyScript), b(kLossyScript);
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.out.str(), b.out.str());
    const lab::Figures f = a.figures();
    EXPECT_GT(f.lost, 0u);
    EXPECT_EQ(f.lost, f.destroyed);

    // The generator restarts at a reset: the same run again gives the same.
    Script c(std::string(kLossyScript) + "press LinkDemo.cmdReset\npress LinkDemo.cmdPause\nrun 300000\n");
    const lab::Figures again = c.figures();
    EXPECT_EQ(dump::figures(again), dump::figures(f));

    // Another seed, other losses.
    std::string other = kLossyScript;
    other.replace(other.find("seed 7"), 6, "seed 8");
    Script d(other);
    EXPECT_NE(dump::figures(d.figures()), dump::figures(f));
}

// A packet whose flight outlasts the clock (the delay typed as 1e32 s) is
// doomed, if at all, at a moment that never comes.
TEST(RandomLoss, AFlightLongerThanTheClockIsNeverCutShort)
{
    Script s(
        "press Wire1.cmdEdit\ntype Wire1.cmbDelay 99999999999999999999999999999999\nset loss Wire1 0.5\n"
        "press LinkDemo.cmdPause\nrun 30000\n");
    ASSERT_EQ(s.status, 0) << s.err.str();
    const lab::Figures f = s.figures();
    EXPECT_GT(f.dataSent, 0u);
    EXPECT_EQ(f.lost, 0u);
}

// A random loss is a click: replaying each loss as a `press` at the same
// millisecond gives the same model, dump for dump.
TEST(RandomLoss, EachLossIsTheClickAUserWouldMake)
{
    const std::string setup = "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\n";
    std::ostringstream out, err;
    ScriptRunner lossy(out, err);
    std::ostringstream clicks;
    std::int64_t last = 0;
    lossy.demo().lab().onLoss = [&](Wire& wire, int slot) {
        const std::int64_t now = lossy.demo().scheduler().now();
        clicks << "run " << now - last << "\npress " << wire.name() << ".cmdPacket(" << slot << ")\n";
        last = now;
    };
    std::istringstream script(setup + "set loss Wire1 0.3\nset loss Wire2 0.3\npress LinkDemo.cmdPause\nrun 120000\n");
    ASSERT_EQ(lossy.run(script), 0);
    const lab::Figures f = lossy.demo().lab().figures();
    ASSERT_GT(f.lost, 5u);

    Script replay(setup + "press LinkDemo.cmdPause\n" + clicks.str() + "run " + std::to_string(120000 - last) + "\n");
    ASSERT_EQ(replay.status, 0) << replay.err.str();
    EXPECT_EQ(dump::objects(lossy.demo(), ""), dump::objects(replay.runner.demo(), ""));
    lab::Figures g = replay.figures();
    EXPECT_EQ(g.destroyed, f.destroyed);
    EXPECT_EQ(g.lost, 0u);
    // Everything else alike; the theory differs only by the loss in force.
    g.lost = f.lost;
    g.theoryUtilisation = f.theoryUtilisation;
    g.theoryGoodput = f.theoryGoodput;
    EXPECT_EQ(dump::figures(g), dump::figures(f));
}

// The lab draws from its own generator: the process-wide one that the
// router's RED and the source share is drawn exactly as often as without
// loss, once per data packet reaching the router plus the source's own.
TEST(RandomLoss, LeavesTheProcessWideGeneratorAlone)
{
    struct Arrivals : LinkDemoObserver {
        int data = 0;
        void packetDone(int, int, const Packet& p, topology::Target t) override
        {
            if (t == topology::Target::Queue1Arriving && !p.ACKFlag) ++data;
        }
    };
    const auto draws = [](double loss, int& arrivals, std::uint64_t& lost) {
        CountingRandom random({0.25, 0.75, 0.5});
        std::ostringstream out, err;
        ScriptRunner runner(out, err, &random);
        Arrivals seen;
        runner.demo().addObserver(&seen);
        std::istringstream script(
            "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\nset loss Wire1 " +
            std::to_string(loss) + "\npress LinkDemo.cmdPause\nrun 200000\n");
        runner.run(script);
        runner.demo().removeObserver(&seen);
        arrivals = seen.data;
        lost = runner.demo().lab().figures().lost;
        return random.draws;
    };
    int arrivalsClean = 0, arrivalsLossy = 0;
    std::uint64_t lostClean = 0, lostLossy = 0;
    const int clean = draws(0, arrivalsClean, lostClean);
    const int lossy = draws(0.3, arrivalsLossy, lostLossy);
    EXPECT_EQ(lostClean, 0u);
    EXPECT_GT(lostLossy, 10u);
    EXPECT_NE(arrivalsClean, arrivalsLossy);
    EXPECT_EQ(lossy - clean, arrivalsLossy - arrivalsClean);
}

TEST(LabCommands, StatsLineAndNullTheory)
{
    Script r("press Transmitter1.cmdEdit\ntype Transmitter1.cmbPacketLength 0\nstats\n");
    ASSERT_EQ(r.status, 0);
    const std::string line = r.out.str();
    EXPECT_EQ(line.rfind("{\"stats\": {\"elapsed\":0,\"dataSent\":0,", 0), 0u) << line;
    // deliveredWrong came later, appended after the fields readers knew.
    EXPECT_NE(line.find("\"theoryUtilisation\":null,\"theoryGoodput\":null,\"deliveredWrong\":0}}\n"),
              std::string::npos)
        << line;
}

// Restarting the counts mid-run: the figures measure from that moment, the
// run goes on, and a setting changed after the counts began is reported
// with its time until the next restart.
TEST(LabCommands, RestartCountsWithoutAReset)
{
    Script r(
        "choose LinkDemo.cmbScenario Stop and Wait\n"
        "press Wire1.cmdEdit\ntype Wire1.cmbBitRate 2\n"  // before anything counted: the start
        "press LinkDemo.cmdPause\nrun 30000\nstats reset\nrun 30000\n");
    ASSERT_EQ(r.status, 0) << r.err.str();
    EXPECT_EQ(r.out.str(), "");
    const lab::Figures f = r.figures();
    EXPECT_EQ(f.elapsed, 30000);
    EXPECT_EQ(r.runner.demo().totalTime, 60000);
    EXPECT_GT(f.delivered, 0u);
    EXPECT_LT(f.delivered, 10u);
    EXPECT_FALSE(r.runner.demo().lab().settingsChangedAt());

    std::istringstream more("type Wire1.cmbBitRate 4\nrun 1000\n");
    r.runner.run(more);
    EXPECT_EQ(r.runner.demo().lab().settingsChangedAt(), std::optional<std::int64_t>(60000));
    std::istringstream restart("stats reset\n");
    r.runner.run(restart);
    EXPECT_FALSE(r.runner.demo().lab().settingsChangedAt());
}

TEST(LabCommands, BadArgumentsStopTheScriptWithTheLine)
{
    const char* const bad[] = {"set loss Wire1 0.6",
                               "set loss Wire1 -0.1",
                               "set loss Wire1 abc",
                               "set loss Wire3 0.1",
                               "set loss Wire1",
                               "set loss Wire1 0.1 x",
                               "set seed -1",
                               "set seed 1.5",
                               "set seed",
                               "stats again",
                               "stats reset now",
                               "set speed 2",
                               "set",
                               "stats now"};
    for (const char* line : bad) {
        Script r(std::string("run 100\n") + line + "\nrun 100\n");
        EXPECT_EQ(r.status, ScriptRunner::kScriptError) << line;
        EXPECT_EQ(r.err.str().rfind("line 2: ", 0), 0u) << line << ": " << r.err.str();
        EXPECT_EQ(r.runner.demo().scheduler().now(), 100) << line;
    }
    Script ok("set loss Wire2 0.5\nset loss Wire1 0\nset seed 18446744073709551615\n");
    EXPECT_EQ(ok.status, 0) << ok.err.str();
    EXPECT_EQ(ok.runner.demo().lab().loss(2), 0.5);
}

}  // namespace

// A chosen loss names a transmission, not a moment: data packet 2 is lost
// whatever the bit rate, each time when its head is half-way across.
TEST(ChosenLoss, LosesTheNamedTransmissionAtAnyBitRate)
{
    struct Arrivals : LinkDemoObserver {
        std::vector<std::int64_t> colours;  // of data packet 2, as it wholly arrives
        void packetDone(int iIndex, int iType, const Packet& p, topology::Target) override
        {
            if (iIndex == topology::kWire1 && iType == DataArrived && p.Number == 2) colours.push_back(p.Colour);
        }
    };
    for (const char* rate : {"1", "4"}) {
        for (const char* drops : {"set drop Wire1 data 2\n", "set drop Wire1 data 2\nset drop Wire1 data 2 2\n"}) {
            std::ostringstream out, err;
            ScriptRunner runner(out, err);
            Arrivals seen;
            runner.demo().addObserver(&seen);
            std::vector<double> at;
            runner.demo().lab().onDrop = [&](Wire& wire, int slot) {
                at.push_back(wire.headFraction(wire.pktWire(slot), runner.demo().totalTime));
            };
            std::istringstream script(std::string("choose LinkDemo.cmbScenario Go-back-N ARQ\n") + drops +
                                      "press Wire1.cmdEdit\ntype Wire1.cmbBitRate " + rate +
                                      "\npress LinkDemo.cmdPause\nrun 60000\n");
            ASSERT_EQ(runner.run(script), 0) << err.str();
            runner.demo().removeObserver(&seen);
            const std::size_t lost = std::string(drops) == "set drop Wire1 data 2\n" ? 1 : 2;
            ASSERT_EQ(at.size(), lost) << rate;
            // Half-way, seen at the first tick (100 ms of a 2 s delay) there.
            for (double f : at) EXPECT_TRUE(f >= 0.5 && f < 0.55) << f;
            // Only a retransmission ever reaches the receiver, and only once.
            EXPECT_EQ(seen.colours, std::vector<std::int64_t>{PacketColour::kDataResent}) << rate << " " << drops;
            EXPECT_EQ(runner.demo().lab().figures().destroyed, lost);
        }
    }

    Script off("set drop Wire1 data 2\nset drop Wire1 off\npress LinkDemo.cmdPause\nrun 20000\n");
    EXPECT_EQ(off.figures().destroyed, 0u);
    for (const char* bad :
         {"set drop Wire3 data 2", "set drop Wire1 nack 2", "set drop Wire1 data", "set drop Wire1 data -1",
          "set drop Wire1 data 2 0", "set drop Wire1 data 2 1 x", "set drop Wire1 off now"}) {
        Script r(std::string(bad) + "\n");
        EXPECT_EQ(r.status, ScriptRunner::kScriptError) << bad;
    }
}

TEST(ChosenLoss, TheWrittenListReadsBackAsWritten)
{
    const auto drops = lab::dropsFrom(" data 2, 4:2 ;ack 3", 1);
    ASSERT_TRUE(drops);
    EXPECT_EQ(*drops, (std::vector<lab::Drop>{{1, lab::PacketKind::Data, 2, 1},
                                              {1, lab::PacketKind::Data, 4, 2},
                                              {1, lab::PacketKind::Ack, 3, 1}}));
    EXPECT_EQ(lab::dropsText(*drops, 1), "data 2, 4:2; ack 3");
    EXPECT_EQ(lab::dropsText(*drops, 2), "");
    EXPECT_EQ(lab::dropsFrom("", 2), std::vector<lab::Drop>{});
    for (const char* bad : {"data", "data 2,", "nack 2", "data 2:0", "data -1", "data 2; ", "data 9999999999"}) {
        EXPECT_FALSE(lab::dropsFrom(bad, 1)) << bad;
    }
}
