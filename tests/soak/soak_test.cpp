// SPDX-License-Identifier: MIT
// The randomized soak: seeded user sessions through the script runner with
// every invariant checked after every line, and the checker's own tests
// (it must notice the faults it exists to find).
//
// Environment, for longer runs than the suite's:
//   LINKDEMO_SOAK_SESSIONS  sessions in all (default 200), split over the shards
//   LINKDEMO_SOAK_MINUTES   simulated minutes per session (default 10)
//   LINKDEMO_SOAK_SEED      first seed (default 1); sessions use seed, seed+1, ...
//   LINKDEMO_SOAK_SHRINK    1: shrink a failing script before printing it
//   LINKDEMO_SOAK_DUMP      scan the full dump every n lines (default 200, and at the end)
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "soak/invariants.h"
#include "soak/session.h"

using namespace soak;

namespace {

long envLong(const char* name, long fallback)
{
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return end && *end == '\0' && n >= 0 ? n : fallback;
}

bool hasViolation(const std::vector<std::string>& found, const std::string& part)
{
    for (const std::string& v : found) {
        if (v.find(part) != std::string::npos) return true;
    }
    return false;
}

std::string joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& x : v) s += x + "\n";
    return s;
}

// A violation without its numbers: what a shrunk script must still break.
std::string shape(const std::string& v)
{
    std::string s;
    for (char c : v) {
        if (!std::isdigit(static_cast<unsigned char>(c))) s += c;
    }
    return s;
}

}  // namespace

// ---- caption forms -------------------------------------------------------------

TEST(CaptionForms, LeadingBlankNumbersAndWireCaptions)
{
    for (const char* ok : {" 0", " 7", " 12345", "-3"}) EXPECT_TRUE(isBlankInteger(ok)) << ok;
    for (const char* bad : {"", "7", "  7", " 07", "-0", " -3", " 7 ", " 7.0", "--1", " ", "-", " 1e3"}) {
        EXPECT_FALSE(isBlankInteger(bad)) << bad;
    }
    for (const char* ok : {" 0.35", " 2", "-1.5", " 2147483.647"}) EXPECT_TRUE(isBlankNumber(ok)) << ok;
    for (const char* bad : {" 0.50", " 1.", " .5", "0.5", " 1e+20", " nan", " inf"}) {
        EXPECT_FALSE(isBlankNumber(bad)) << bad;
    }
    EXPECT_TRUE(isPlainCount("0"));
    EXPECT_TRUE(isPlainCount("15"));
    EXPECT_FALSE(isPlainCount("015"));
    EXPECT_FALSE(isPlainCount(" 1"));

    Packet data;
    data.Number = 7;
    data.SequenceNumber = 3;
    EXPECT_EQ(wireCaption(data), "( 7)");
    data.ShowSequenceFlag = true;
    EXPECT_EQ(wireCaption(data), " 3( 7)");
    Packet ack;
    ack.ACKFlag = true;
    ack.Number = 8;
    ack.SequenceNumber = 0;
    ack.TriggerNumber = 7;
    EXPECT_EQ(wireCaption(ack), "");
    ack.ShowSequenceFlag = true;
    EXPECT_EQ(wireCaption(ack), " 0( 7)");
}

// ---- the checker notices faults ------------------------------------------------

class Checker : public ::testing::Test {
protected:
    Driver driver;
    LinkDemo& demo = driver.demo();
    ModelChecker checker{demo};

    void runLines(std::initializer_list<const char*> lines)
    {
        for (const char* l : lines) ASSERT_EQ(joined(driver.execute(l)), "") << l;
    }
};

TEST_F(Checker, AFreshWindowAndARunningOneHoldEveryInvariant)
{
    EXPECT_EQ(joined(checker.check()), "");
    EXPECT_EQ(joined(checker.checkDump()), "");
    runLines({"choose LinkDemo.cmbScenario Go-back-N ARQ", "press LinkDemo.cmdRouter", "press LinkDemo.cmdPause",
              "run 30000", "press Receiver1.cmdEdit", "choose Receiver1.cmbRxWindowSize 5", "run 20000"});
    EXPECT_EQ(joined(checker.check()), "");
    EXPECT_EQ(joined(checker.checkDump()), "");
}

TEST_F(Checker, NoticesAButtonShownForAnEmptySlot)
{
    demo.Wire1.cmdPacket[5].setVisible(true);
    EXPECT_TRUE(hasViolation(checker.check(), "Wire1.cmdPacket(5): shown for an inactive record"));
}

TEST_F(Checker, NoticesAButtonThatDoesNotShowItsRecord)
{
    runLines({"choose LinkDemo.cmbScenario Stop & Wait ARQ", "press LinkDemo.cmdPause", "run 1000"});
    int slot = -1;
    for (int i = 0; i < Wire::kSlots; ++i) {
        if (demo.Wire1.cmdPacket[i].visible()) slot = i;
    }
    ASSERT_GE(slot, 0);
    demo.Wire1.cmdPacket[slot].setCaption("( 99)");
    demo.Wire1.cmdPacket[slot].setWidth(std::numeric_limits<double>::quiet_NaN());
    const auto found = checker.check();
    EXPECT_TRUE(hasViolation(found, "caption \"( 99)\", record gives \" 0( 0)\"")) << joined(found);
    EXPECT_TRUE(hasViolation(found, "leaves the line")) << joined(found);
    EXPECT_TRUE(hasViolation(found, "geometry not finite")) << joined(found);
}

TEST_F(Checker, NoticesMalformedNumberCaptions)
{
    demo.Transmitter1.lblTxPacket[0].setCaption("0");
    demo.Transmitter1.lblRTT.setCaption(" 15.0");
    demo.Receiver1.lblRxMode.setCaption("Expecting1");
    const auto found = checker.check();
    EXPECT_TRUE(hasViolation(found, "Transmitter1.lblTxPacket(0): caption \"0\"")) << joined(found);
    EXPECT_TRUE(hasViolation(found, "Transmitter1.lblRTT")) << joined(found);
    EXPECT_TRUE(hasViolation(found, "Receiver1.lblRxMode")) << joined(found);
}

TEST_F(Checker, NoticesAReceiveWindowOutOfStepWithRxBase)
{
    demo.Receiver1.lblRxPacket[0].setCaption(" 4");
    EXPECT_TRUE(hasViolation(checker.check(), "Receiver1.lblRxPacket(0): caption \" 4\" with rxBase 0"));
}

TEST_F(Checker, NoticesAGapInTheRoutersDataQueue)
{
    runLines({"press LinkDemo.cmdRouter"});
    demo.Queue1.dataSlotForTest(1).Active = true;
    demo.Queue1.shpQueue[1].setFilled(true);
    const auto found = checker.check();
    EXPECT_TRUE(hasViolation(found, "Queue1: data queue in use is not a run from slot 0")) << joined(found);
    // Accepted once announced, until the queue is a run again.
    checker.allowDataQueueHole();
    EXPECT_EQ(joined(checker.check()), "");
    demo.Queue1.dataSlotForTest(1).Active = false;
    demo.Queue1.shpQueue[1].setFilled(false);
    EXPECT_EQ(joined(checker.check()), "");
    demo.Queue1.dataSlotForTest(1).Active = true;
    demo.Queue1.shpQueue[1].setFilled(true);
    EXPECT_TRUE(hasViolation(checker.check(), "data queue in use is not a run"));
}

TEST_F(Checker, NoticesATransmitterSlotInAStateWithoutColour)
{
    demo.Transmitter1.lblTxPacket[0].setForeColour(0x123456);
    EXPECT_TRUE(hasViolation(checker.check(), "Transmitter1.lblTxPacket(0): colour is no slot state"));
}

TEST_F(Checker, NoticesNonFiniteNumbersAndUnwritableText)
{
    // The dump writes a non-finite number as 0, so the model's own values
    // are checked, not their dump.
    runLines({"press LinkDemo.cmdPause", "run 200"});
    demo.Wire1.traceTable().record(0).toPos = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(hasViolation(checker.check(), "Wire1.trace(0): toPos"));
    demo.Transmitter1.Line2.setX2(std::numeric_limits<double>::infinity());
    EXPECT_TRUE(hasViolation(checker.check(), "Transmitter1.Line2: end points not finite"));

    // Text cut inside a character cannot be written as JSON.
    demo.Receiver1.lblRxMode.setCaption("Receiving \xC3");
    EXPECT_TRUE(hasViolation(checker.checkDump(), "Receiver1.lblRxMode: cannot be written"));
}

TEST(SoakDriver, ReportsRejectedLinesAndIgnoresHiddenControls)
{
    Driver driver;
    EXPECT_TRUE(hasViolation(driver.execute("press LinkDemo.cmdNothing"), "the runner rejected the line"));
    EXPECT_EQ(joined(driver.execute("press Queue1.cmdEdit")), "");  // no router: hidden
    EXPECT_EQ(driver.ignored(), 1);
}

// The fuzzer's driver: bad lines are answers, not faults, and the runs of a
// script stop at the limit, however they are written.
TEST(SoakDriver, ForArbitraryScriptsAcceptsBadLinesAndCapsTheRuns)
{
    Driver driver;
    driver.acceptScriptErrors();
    driver.limitRunTime(5000);
    for (const char* line : {"press LinkDemo.cmdNothing", "run 3000", "run\t 00002500", "run 99999"}) {
        EXPECT_EQ(joined(driver.execute(line)), "") << line;
    }
    EXPECT_EQ(driver.now(), 5000);
}

// ---- sessions are scripts --------------------------------------------------------

TEST(SoakSessions, ASessionIsDeterministicAndReplaysAsItsScript)
{
    SessionOptions options;
    options.simulatedMs = 90000;
    const SessionReport a = runSession(77, options);
    const SessionReport b = runSession(77, options);
    ASSERT_TRUE(a.ok) << a.text();
    EXPECT_EQ(a.script, b.script);
    EXPECT_GE(a.simulatedMs, options.simulatedMs);

    // The printed script, through the runner alone, ends in the same state.
    std::ostringstream scriptText;
    for (const std::string& l : a.script) scriptText << l << '\n';
    scriptText << "dump\n";
    std::ostringstream out1, err1;
    ScriptRunner r1(out1, err1);
    std::istringstream in1(scriptText.str());
    ASSERT_EQ(r1.run(in1), ScriptRunner::kOk) << err1.str();

    Driver replayed;
    for (const std::string& l : a.script) ASSERT_EQ(joined(replayed.execute(l)), "") << l;
    std::ostringstream dump2;
    for (const auto& j : dump::objects(replayed.demo(), "")) dump2 << j.dump() << '\n';
    const std::string d1 = out1.str();
    EXPECT_NE(d1.find(dump2.str()), std::string::npos);
}

TEST(SoakSessions, ShrinkKeepsOnlyTheLinesTheFailureNeeds)
{
    const std::vector<std::string> script = {"a", "b", "c", "d", "e", "f", "g"};
    const auto needsBD = [](const std::vector<std::string>& s) {
        return std::find(s.begin(), s.end(), "b") != s.end() && std::find(s.begin(), s.end(), "d") != s.end();
    };
    EXPECT_EQ(shrink(script, needsBD), (std::vector<std::string>{"b", "d"}));
}

// ---- the soak ----------------------------------------------------------------------

namespace {

constexpr int kShards = 10;

class Soak : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(Soak, RandomSessionsKeepEveryInvariant)
{
    const long sessions = envLong("LINKDEMO_SOAK_SESSIONS", 200);
    const long minutes = envLong("LINKDEMO_SOAK_MINUTES", 10);
    const long firstSeed = envLong("LINKDEMO_SOAK_SEED", 1);
    const bool shrinkFailures = envLong("LINKDEMO_SOAK_SHRINK", 0) != 0;
    SessionOptions options;
    options.simulatedMs = minutes * 60000;
    options.dumpEvery = static_cast<int>(envLong("LINKDEMO_SOAK_DUMP", 200));

    long ran = 0, lines = 0, ignored = 0;
    Coverage coverage;
    for (long k = GetParam(); k < sessions; k += kShards) {
        const auto seed = static_cast<std::uint32_t>(firstSeed + k);
        SessionReport report = runSession(seed, options);
        ++ran;
        lines += static_cast<long>(report.script.size());
        ignored += report.ignored;
        coverage.add(report.coverage);
        if (report.ok) continue;
        if (shrinkFailures) {
            const std::string want = shape(report.violations.front());
            const auto same = [&](const std::vector<std::string>& s) {
                const SessionReport r = replay(s, options.dumpEvery);
                return !r.ok && std::any_of(r.violations.begin(), r.violations.end(),
                                            [&](const std::string& v) { return shape(v) == want; });
            };
            const std::vector<std::string> shorter = shrink(report.script, same);
            SessionReport again = replay(shorter, options.dumpEvery);
            again.seed = seed;
            report = again;
        }
        ADD_FAILURE() << report.text();
    }
    // What the sessions reached, in the XML report (--gtest_output=xml).
    RecordProperty("sessions", static_cast<int>(ran));
    RecordProperty("lines", static_cast<int>(lines));
    RecordProperty("ignored", static_cast<int>(ignored));
    RecordProperty("coverage", coverage.text());
}

INSTANTIATE_TEST_SUITE_P(Shards, Soak, ::testing::Range(0, kShards));
