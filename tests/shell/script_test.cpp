// SPDX-License-Identifier: MIT
// The headless script runner: commands, output format, errors, determinism.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "palette/palette.h"
#include "session/script.h"
#include "shell_support.h"

using namespace shelltest;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> v;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) v.push_back(l);
    return v;
}

}  // namespace

TEST(Script, ReproducesTheContractExample)
{
    const Result r = runScript("press LinkDemo.cmdPause\nrun 1100\ndump Wire1.cmdPacket(0)\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "{\"name\":\"Wire1.cmdPacket(0)\",\"kind\":\"button\",\"caption\":\"( 0)\",\"backColour\":16761024,"
              "\"visible\":true,\"left\":120,\"top\":360,\"width\":3975,\"height\":495}\n"
              "{\"dumped\": 1, \"time\": 1100}\n");
}

TEST(Script, DumpsTheWindowFirstAndCountsWhatItPrinted)
{
    const Result r = runScript("run 250\ndump\ndump LinkDemo.cmd\ndump NoSuchThing\n");
    ASSERT_EQ(r.status, 0);
    const auto out = lines(r.out);
    ASSERT_GT(out.size(), 10u);
    EXPECT_EQ(out[0],
              R"({"name":"LinkDemo","kind":"window","caption":"Brelk's Vorn Demo","width":14895,"height":11115,)"
              R"("backColour":14737632,"totalTime":0,"paused":true,"topology":0})");
    std::size_t firstEnd = 0;
    while (out[firstEnd].rfind("{\"dumped\": ", 0) != 0) ++firstEnd;
    EXPECT_EQ(out[firstEnd], "{\"dumped\": " + std::to_string(firstEnd) + ", \"time\": 250}");
    // Every object line is compact JSON with a name and a kind.
    for (std::size_t i = 0; i < firstEnd; ++i) {
        const auto j = dump::Json::parse(out[i]);
        EXPECT_TRUE(j.contains("name") && j.contains("kind")) << out[i];
        EXPECT_EQ(j.dump(), out[i]);
    }
    const std::vector<std::string> rest(out.begin() + static_cast<long>(firstEnd) + 1, out.end());
    ASSERT_EQ(rest.size(), 6u);
    EXPECT_EQ(rest[0], R"({"name":"LinkDemo.cmdPause","kind":"button","caption":"Start","backColour":14737632,)"
                       R"("visible":true,"left":120,"top":6900,"width":1275,"height":495})");
    EXPECT_EQ(dump::Json::parse(rest[2])["caption"], "Measure RTT");
    EXPECT_EQ(dump::Json::parse(rest[2])["visible"], false);
    EXPECT_EQ(rest[4], "{\"dumped\": 4, \"time\": 250}");
    EXPECT_EQ(rest[5], "{\"dumped\": 0, \"time\": 250}");
}

TEST(Script, CommandsActOnTheModel)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(
        "# a comment, then a blank line\n"
        "\n"
        "choose LinkDemo.cmbScenario Selective Repeat ARQ\n"
        "press LinkDemo.cmdRouter\n"
        "press LinkDemo.cmdPause\n"
        "run 0\n"
        "run 2000\n"
        "press Receiver1.chkRxReady\n"
        "focus Transmitter1\n"
        "press Wire2.cmdEdit\n"
        "type Wire2.cmbBitRate 2.5\n"
        "scroll Wire1.VScroll2 40\n"
        "background\n");
    ASSERT_EQ(runner.run(in), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    LinkDemo& demo = runner.demo();
    EXPECT_EQ(demo.topology, 15);
    EXPECT_EQ(demo.cmdRouter.caption(), "Remove Router");
    EXPECT_EQ(demo.totalTime, 2000);
    EXPECT_EQ(demo.scheduler().now(), 2000);
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_EQ(static_cast<widgets::CheckBox&>(control(demo, "Receiver1.chkRxReady")).caption(), "Hold");
    EXPECT_EQ(demo.stacking().back(), &demo.Transmitter1);
    EXPECT_EQ(demo.Wire2.state().bitRate, 2.5);
    EXPECT_EQ(static_cast<widgets::ScrollBar&>(control(demo, "Wire1.VScroll2")).value(), 40);
}

TEST(Script, TypingRunsTheChangeHandlerOncePerKeystroke)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    LinkDemo& demo = runner.demo();
    auto& delay = combo(demo, "Wire1.cmbDelay");
    std::vector<std::string> seen;
    auto original = delay.onChange;
    delay.onChange = [&] {
        seen.push_back(delay.text());
        if (original) original();
    };
    std::istringstream in(
        "press Wire1.cmdEdit\ntype Wire1.cmbDelay 1.5\ntype Wire1.cmbDelay\n"
        "type Wire1.cmbDelay 4\xC3\xA9x\n");
    ASSERT_EQ(runner.run(in), 0) << err.str();
    // Each prefix, shortest first; an empty text is one change; a character
    // of several bytes is one keystroke.
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "1.", "1.5", "", "4", "4\xC3\xA9", "4\xC3\xA9x"}));
}

namespace {

// A megabyte typed into a field, then one more line. Not digits: a number
// read back at every keystroke would only slow the test.
std::string megabyteType()
{
    return "press Wire1.cmdEdit\ntype Wire1.cmbBitRate " + std::string(1 << 20, 'x') + "\ntype Wire1.cmbDelay 3\n";
}

// Runs `script` with `extra` bytes more address space than the process
// has now, and exits: 0 when the script ran and the field dropped the rest.
[[noreturn, maybe_unused]] void typeWithin(const std::string& script, rlim_t extra)
{
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + extra;
    const rlimit r{limit, limit};
    if (setrlimit(RLIMIT_AS, &r) != 0) std::_Exit(2);
    const Result result = runScript(script);
    std::_Exit(result.status == 0 && result.err.ends_with("at most 32767 characters\n") ? 0 : 1);
}

}  // namespace

// The field takes the first 32,767 characters, one keystroke each; the rest
// is dropped with a message and the script goes on.
TEST(Script, ATypeLongerThanTheFieldHoldsStopsAt32767Characters)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    auto& rate = combo(runner.demo(), "Wire1.cmbBitRate");
    std::size_t changes = 0;
    auto original = rate.onChange;
    rate.onChange = [&] {
        ++changes;
        original();
    };
    std::istringstream in(megabyteType());
    ASSERT_EQ(runner.run(in), 0) << err.str();
    EXPECT_EQ(err.str(), "ignored: Wire1.cmbBitRate holds at most 32767 characters\n");
    EXPECT_EQ(rate.text(), std::string(32767, 'x'));
    EXPECT_EQ(changes, 32767u);
    EXPECT_EQ(runner.demo().Wire1.state().delay, 3);
}

// The keystrokes are made one at a time: the megabyte types within 64 MB
// more address space than the process had (every prefix of 32,767
// characters held at once would take half a gigabyte).
TEST(ScriptDeathTest, AMegabyteTypeTakesBoundedMemory)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reserves address space of its own";
#else
    const std::string script = megabyteType();
    EXPECT_EXIT(typeWithin(script, rlim_t{64} << 20), testing::ExitedWithCode(0), "");
#endif
}

TEST(Script, ChoosingRunsTheClickHandlerEvenForTheSameItem)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in("press LinkDemo.cmdPause\nrun 500\nchoose LinkDemo.cmbScenario No Controls\n");
    ASSERT_EQ(runner.run(in), 0);
    EXPECT_EQ(runner.demo().totalTime, 0);
    EXPECT_EQ(runner.demo().cmdPause.caption(), "Start");
}

TEST(Script, ActionsOnHiddenControlsAreIgnored)
{
    const Result r = runScript(
        "press Wire2.cmdEdit\n"        // the component is hidden
        "choose Wire1.cmbDelay 5.0\n"  // the panel is closed
        "type Wire1.cmbBitRate 2\n"
        "scroll Wire2.VScroll1 1\n"
        "press Wire1.cmdPacket(0)\n"  // a free slot
        "press LinkDemo.cmdRTT\n"     // not offered in this scenario
        "dump LinkDemo.cmdPause\n"
        "dump Wire1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "ignored: Wire2.cmdEdit is hidden\n"
              "ignored: Wire1.cmbDelay is hidden\n"
              "ignored: Wire1.cmbBitRate is hidden\n"
              "ignored: Wire2.VScroll1 is hidden\n"
              "ignored: Wire1.cmdPacket(0) is hidden\n"
              "ignored: LinkDemo.cmdRTT is hidden\n");
    const auto out = lines(r.out);
    EXPECT_EQ(dump::Json::parse(out[0])["caption"], "Start");
    const auto wire = dump::Json::parse(out[2]);
    ASSERT_EQ(wire["name"], "Wire1");
    EXPECT_EQ(wire["state"]["delay"], 2);
    EXPECT_EQ(wire["state"]["bitRate"], 1);
}

// The runner prints the palette's own table: the same lines whoever asks.
TEST(Script, ColoursPrintsTheTableOfTheProfile)
{
    for (const palette::Profile p : palette::kProfiles) {
        std::ostringstream table;
        palette::writeTable(table, p);
        const Result r = runScript("colours " + std::string(palette::name(p)) + "\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, table.str());
    }
}

// Explanations print while on, name the click that destroyed a packet, and
// change nothing else the runner prints.
TEST(Script, ExplainOnPrintsTheExplanationsAndOffStopsThem)
{
    const std::string session = "press LinkDemo.cmdPause\nrun 1500\npress Wire1.cmdPacket(0)\nrun 1000\n";
    const Result quiet = runScript(session + "dump\n");
    const Result explained = runScript("explain on\n" + session + "explain off\nrun 5000\ndump\n");
    const Result after = runScript(session + "run 5000\ndump\n");
    EXPECT_EQ(explained.status, 0);
    EXPECT_NE(explained.out.find("{\"explain\": {\"time\":100,\"text\":\"Transmitter sends data packet 0"),
              std::string::npos);
    EXPECT_NE(explained.out.find("destroyed on Wire 1 by a click"), std::string::npos);
    // The lab's random loss is said as such.
    const Result lossy = runScript("explain on\nset loss Wire1 0.5\npress LinkDemo.cmdPause\nrun 20000\n");
    EXPECT_NE(lossy.out.find("on Wire 1 (random loss)"), std::string::npos);
    // Nothing is explained after "explain off": the rest equals a run without.
    std::string lines;
    std::istringstream in(explained.out);
    for (std::string l; std::getline(in, l);) {
        if (l.rfind("{\"explain\"", 0) != 0) lines += l + "\n";
    }
    EXPECT_EQ(lines, after.out);
    EXPECT_EQ(quiet.out.find("explain"), std::string::npos);
    EXPECT_NE(runScript("explain maybe\n").status, 0);
}

TEST(Script, BadLinesStopTheScriptWithStatusTwo)
{
    struct Case {
        const char* script;
        const char* reason;  // part of the message
    };
    const Case cases[] = {
        {"jump 5\n", "unknown command 'jump'"},
        {"press LinkDemo.cmdNothing\n", "unknown control 'LinkDemo.cmdNothing'"},
        {"press Wire9.cmdEdit\n", "unknown control 'Wire9.cmdEdit'"},
        {"press Wire1.cmdPacket(16)\n", "unknown control"},
        {"choose LinkDemo.cmbScenario Fast Retransmit\n", "'Fast Retransmit' is not an item of LinkDemo.cmbScenario"},
        {"choose LinkDemo.cmbScenario no controls\n", "not an item"},
        {"type LinkDemo.cmbScenario Go-back-N ARQ\n", "list-only"},
        {"run\n", "missing argument"},
        {"run ten\n", "whole number"},
        {"run -100\n", "whole number"},
        {"run 1.5\n", "whole number"},
        {"run 100 200\n", "unexpected text"},
        {"colours sepia\n", "unknown colour profile sepia"},
        {"press\n", "missing argument"},
        {"choose LinkDemo.cmbScenario\n", "missing argument"},
        {"type\n", "missing argument"},
        {"scroll Wire1.VScroll1\n", "missing argument"},
        {"scroll Wire1.VScroll1 up\n", "whole number"},
        {"focus\n", "missing argument"},
        {"focus Wire7\n", "unknown component 'Wire7'"},
        {"lines Wire1.cmdEdit\n", "not a picture"},
        {"press LinkDemo.cmbScenario\n", "not a button or check box"},
        {"choose LinkDemo.cmdPause Start\n", "not a combo box"},
        {"background now\n", "unexpected text"},
        {"type Wire1.cmbDelay \xFF\n", "not valid UTF-8"},
        {"type Wire1.cmbDelay \xC0\xAF\n", "not valid UTF-8"},  // an overlong '/'
        {"type Wire1.cmbDelay 4\xC3\n", "not valid UTF-8"},     // cut short
        {"run 9223372036854775807\n", "latest"},
    };
    for (const Case& c : cases) {
        const std::string script = std::string("# first line\nrun 100\n") + c.script + "dump\n";
        const Result r = runScript(script);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err.rfind("line 3: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        // Nothing after the bad line runs.
        EXPECT_EQ(r.out, "") << c.script;
    }
}

TEST(Script, ToleratesTrailingCarriageReturnsAndIndentation)
{
    const Result r =
        runScript("  press LinkDemo.cmdPause\r\n\t# indented comment\r\n   \r\nrun 300\r\ndump LinkDemo.cmdPause\r\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"caption\":\"Pause\""), std::string::npos);
    EXPECT_NE(r.out.find("{\"dumped\": 1, \"time\": 300}"), std::string::npos);
}

TEST(Script, ListsTheLinesOfAPictureArea)
{
    const Result r = runScript("lines Wire1.Picture1\npress LinkDemo.cmdPause\nrun 3000\nlines Wire1.Picture1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "{\"lines\": 0}");
    const auto last = out.back();
    ASSERT_EQ(last.rfind("{\"lines\": ", 0), 0u);
    const std::size_t n = std::stoul(last.substr(10));
    EXPECT_EQ(n, out.size() - 2);
    EXPECT_GT(n, 0u);
    const auto first = dump::Json::parse(out[1]);
    for (const char* k : {"x1", "y1", "x2", "y2", "colour"}) EXPECT_TRUE(first.contains(k)) << k;
}

TEST(Script, MessageBoxesPrintAndAnswerAtOnce)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    runner.messageBox().show("Unknown Retransmission Time");
    EXPECT_EQ(out.str(), "{\"messageBox\": \"Unknown Retransmission Time\"}\n");
}

TEST(Script, TheSameScriptGivesTheSameDumps)
{
    // Go-back-N through the router with losses at fixed moments: everything
    // the dump shows repeats exactly.
    std::string script =
        "choose LinkDemo.cmbScenario Go-back-N ARQ\n"
        "press LinkDemo.cmdRouter\n"
        "press LinkDemo.cmdPause\n";
    for (int i = 0; i < 12; ++i) {
        script += "run 3700\npress Wire1.cmdPacket(0)\npress Wire2.cmdPacket(1)\n";
    }
    script += "run 20000\ndump\n";
    const Result a = runScript(script);
    const Result b = runScript(script);
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.err, b.err);
    EXPECT_GT(a.out.size(), 10000u);
}

// A packet shorter than the wire's arrival mark is still taken and delivered.
TEST(Script, ShortPacketsOnFastWiresAreDelivered)
{
    const std::string settings =
        "press Transmitter1.cmdEdit\nchoose Transmitter1.cmbPacketLength 1\n"
        "press Wire1.cmdEdit\nchoose Wire1.cmbBitRate 5.0\nchoose Wire1.cmbDelay 10.0\n";
    for (const std::string& router : {std::string(), std::string("press LinkDemo.cmdRouter\n")}) {
        std::ostringstream out, err;
        ScriptRunner runner(out, err);
        std::istringstream in("choose LinkDemo.cmbScenario Go-back-N ARQ\n" + router + settings +
                              (router.empty() ? "" : "press Wire2.cmdEdit\nchoose Wire2.cmbDelay 2.0\n") +
                              "press LinkDemo.cmdPause\nrun 60000\n");
        ASSERT_EQ(runner.run(in), 0) << err.str();
        EXPECT_GE(runner.demo().Receiver1.state().rxBase, 2) << (router.empty() ? "direct" : "router");
    }
}

// Assigning a combo the text it holds runs its change handler, as typing does.
TEST(Script, RetypingTheSameTextTakesEffect)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream first(
        "choose LinkDemo.cmbScenario Selective Repeat ARQ\npress LinkDemo.cmdPause\nrun 9000\n"
        "press Receiver1.cmdEdit\ntype Receiver1.cmbMaxSequence 7\ntype Receiver1.cmbMaxSequence 7\n");
    ASSERT_EQ(runner.run(first), 0) << err.str();
    LinkDemo& demo = runner.demo();
    for (int i = 0; i < demo.Receiver1.state().rxWindow; ++i) {
        const std::string seq =
            static_cast<widgets::Label&>(control(demo, "Receiver1.lblRxSeq(" + std::to_string(i) + ")")).caption();
        EXPECT_TRUE(seq.empty() || seq[0] != ' ') << i << ": '" << seq << "'";
    }
    std::istringstream second(
        "choose LinkDemo.cmbScenario Sliding Window\npress LinkDemo.cmdPause\nrun 9000\n"
        "choose LinkDemo.cmbScenario Software Flow\n");
    ASSERT_EQ(runner.run(second), 0) << err.str();
    EXPECT_EQ(static_cast<widgets::Label&>(control(demo, "Transmitter1.lblTxSeq(1)")).caption(), "0");
}

TEST(Script, ExpectChecksAFieldOrAStateFieldAndFailsAtTheEnd)
{
    // After 1100 ms packet 0 is on Wire1; the receiver still waits for it.
    const std::string session = "press LinkDemo.cmdPause\nrun 1100\n";
    const Result holds = runScript(session +
                                   "expect Wire1.cmdPacket(0) caption \"( 0)\"\n"
                                   "expect Receiver1 rxBase 0\n"
                                   "expect Receiver1 visible true\n");
    EXPECT_EQ(holds.status, 0);
    EXPECT_EQ(holds.err, "");
    EXPECT_EQ(holds.out, "");

    const Result fails =
        runScript(session + "expect Receiver1 rxBase 6\nexpect LinkDemo paused false\ndump LinkDemo.cmdPause\n");
    EXPECT_EQ(fails.status, ScriptRunner::kExpectFailed);
    EXPECT_EQ(fails.err, "line 3: expect Receiver1 rxBase 6: found 0\n");
    // The script went on to its end.
    EXPECT_NE(fails.out.find("{\"dumped\": 1, \"time\": 1100}"), std::string::npos);

    for (const char* bad : {"expect Receiver1 rxBase\n", "expect Receiver1 rxBase six\n", "expect Receiver9 rxBase 6\n",
                            "expect Receiver1 rxTop 6\n"}) {
        const Result r = runScript(std::string("expect Receiver1 rxBase 1\n") + bad + "dump\n");
        EXPECT_EQ(r.status, ScriptRunner::kScriptError) << bad;
        EXPECT_NE(r.err.find("line 2: "), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << bad;
    }
}

namespace {

// One line of a random session, and the simulated time it lets pass.
struct SessionLine {
    std::string text;
    std::int64_t ms = 0;
};

std::vector<SessionLine> randomSession(std::mt19937& random, int count)
{
    static const char* const kActions[] = {
        "press LinkDemo.cmdPause",
        "press LinkDemo.cmdReset",
        "press LinkDemo.cmdRouter",
        "choose LinkDemo.cmbScenario Go-back-N ARQ",
        "choose LinkDemo.cmbScenario Selective Repeat ARQ",
        "choose LinkDemo.cmbScenario Software Flow",
        "press Wire1.cmdPacket(0)",
        "press Wire1.cmdPacket(1)",
        "press Wire2.cmdPacket(0)",
        "press Receiver1.chkRxReady",
        "type Wire1.cmbBitRate 4",
        "set loss Wire1 0.3",
        "set drop Wire1 data 3",
        "set drop Wire1 ack 2",
    };
    std::vector<SessionLine> session;
    for (int i = 0; i < count; ++i) {
        switch (random() % 4) {
            case 0:
                session.push_back({"run " + std::to_string(random() % 4000), 0});
                session.back().ms = std::stoll(session.back().text.substr(4));
                break;
            case 1:
                session.push_back({"step", 100});
                break;
            default:
                session.push_back({kActions[random() % std::size(kActions)], 0});
        }
    }
    return session;
}

std::int64_t duration(const std::vector<SessionLine>& session)
{
    std::int64_t t = 0;
    for (const auto& l : session) t += l.ms;
    return t;
}

// The session cut at time `t`: a run across t ends there, lines at t stay.
// A cut inside a step is moved to the step's start.
std::string cutAt(const std::vector<SessionLine>& session, std::int64_t t)
{
    std::string script;
    std::int64_t at = 0;
    for (const auto& l : session) {
        if (at + l.ms > t) {
            if (l.text != "step" && t > at) script += "run " + std::to_string(t - at) + "\n";
            break;
        }
        script += l.text + "\n";
        at += l.ms;
    }
    return script;
}

std::string text(const std::vector<SessionLine>& session)
{
    std::string s;
    for (const auto& l : session) s += l.text + "\n";
    return s;
}

}  // namespace

// `back` reaches the state a fresh run of the session cut there reaches, and
// going on from it is going on from the cut session.
TEST(Script, BackEqualsTheCutSession)
{
    std::mt19937 random(24);
    for (int trial = 0; trial < 12; ++trial) {
        const auto session = randomSession(random, 20);
        const auto after = randomSession(random, 6);
        const std::int64_t total = duration(session);
        // A cut inside a step: moved to where the step started.
        std::int64_t cut = total == 0 ? 0 : static_cast<std::int64_t>(random() % static_cast<unsigned>(total + 1));
        {
            std::int64_t at = 0;
            for (const auto& l : session) {
                if (l.text == "step" && cut > at && cut < at + 100) cut = at;
                at += l.ms;
            }
        }
        std::ostringstream out, err;
        ScriptRunner rewound(out, err);
        std::istringstream in(text(session) + "back " + std::to_string(total - cut) + "\n" + text(after));
        ASSERT_EQ(rewound.run(in), 0) << err.str();

        std::ostringstream freshOut, freshErr;
        ScriptRunner fresh(freshOut, freshErr);
        std::istringstream freshIn(cutAt(session, cut) + text(after));
        ASSERT_EQ(fresh.run(freshIn), 0) << freshErr.str();
        ASSERT_EQ(dump::objects(rewound.demo(), ""), dump::objects(fresh.demo(), ""))
            << "trial " << trial << " cut " << cut << " of " << total << "\n"
            << text(session);
        EXPECT_EQ(dump::figures(rewound.demo().lab().figures()), dump::figures(fresh.demo().lab().figures()));
        EXPECT_EQ(rewound.demo().scheduler().now(), fresh.demo().scheduler().now());
    }
    const Result tooFar = runScript("run 500\nback 501\ndump\n");
    EXPECT_EQ(tooFar.status, ScriptRunner::kScriptError);
    EXPECT_EQ(tooFar.out, "");
}

TEST(Script, AChosenLossIsExplainedAsOne)
{
    const Result r = runScript("explain on\nset drop Wire1 data 0\npress LinkDemo.cmdPause\nrun 2000\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"text\":\"Data packet 0 is lost on Wire 1 (a chosen loss)\""), std::string::npos) << r.out;
}
