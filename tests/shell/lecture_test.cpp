// SPDX-License-Identifier: MIT
// Lecture material without a display: the runner's log, say and svg
// commands, the script player at an arbitrary pace, the session recorder's
// typing rule, and the example lessons.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/eventlog.h"
#include "session/figureexport.h"
#include "session/lessons.h"
#include "session/player.h"
#include "session/playsession.h"
#include "session/recorder.h"
#include "session/rewind.h"
#include "session/script.h"
#include "session/startstate.h"
#include "session/timeline.h"
#include "session/tracefigure.h"
#include "shell_support.h"

using shelltest::Result;
using shelltest::runScript;

namespace {

std::vector<dump::Json> jsonLines(const std::string& text)
{
    std::vector<dump::Json> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(dump::Json::parse(l));
    return v;
}

// Records what the routing itself was asked, independently of the log.
struct Routed : LinkDemoObserver {
    std::vector<std::pair<std::string, std::string>> seen;  // reporter, target
    LinkDemo* demo = nullptr;
    void packetDone(int iIndex, int iType, const Packet&, topology::Target) override
    {
        // The table looked up again, for the topology in force at the call.
        const topology::Target t = topology::targetFor(demo->topology, iIndex, iType);
        seen.emplace_back(eventlog::reporterName(iIndex), eventlog::targetName(t));
    }
};

const char* const kRouterSession =
    "choose LinkDemo.cmbScenario Go-back-N ARQ\n"
    "press LinkDemo.cmdRouter\n"
    "press LinkDemo.cmdPause\n"
    "run 2000\n"
    "press Wire1.cmdPacket(1)\n"
    "run 30000\n";

}  // namespace

TEST(EventLog, PrintsEveryRoutedEventWithItsTargetWhileOn)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    Routed routed;
    routed.demo = &runner.demo();
    runner.demo().addObserver(&routed);
    std::istringstream in(std::string("log on\n") + kRouterSession + "log off\nrun 5000\n");
    ASSERT_EQ(runner.run(in), 0) << err.str();
    runner.demo().removeObserver(&routed);

    std::vector<dump::Json> events;
    for (const auto& j : jsonLines(out.str())) {
        if (j.contains("event")) events.push_back(j["event"]);
    }
    // Nothing after `log off`: the routing saw more events than were logged.
    ASSERT_GT(events.size(), 50u);
    ASSERT_LT(events.size(), routed.seen.size());
    std::set<std::string> targets, kinds;
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(events[i].dump());
        EXPECT_EQ(events[i]["from"], routed.seen[i].first);
        if (routed.seen[i].second.empty()) {
            EXPECT_TRUE(events[i]["to"].is_null());
        } else {
            EXPECT_EQ(events[i]["to"], routed.seen[i].second);
        }
        targets.insert(events[i]["to"].is_null() ? "null" : events[i]["to"].get<std::string>());
        kinds.insert(events[i]["kind"]);
    }
    // The router's whole path, unrouted events, and the batch resend.
    for (const char* t : {"Queue1.Arrive", "Queue1.Departed(false)", "Queue1.Departed(true)", "Wire2.PacketArrive",
                          "Receiver1.Arrive", "Transmitter1.Arrive", "null"}) {
        EXPECT_TRUE(targets.count(t)) << t;
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"data", "retransmission", "ack"}));
}

TEST(EventLog, FormatsTheLineTheLogWindowShows)
{
    eventlog::Event e;
    e.time = 12300;
    e.iIndex = 1;
    e.iType = DataArrived;
    e.target = topology::Target::Receiver1Arrive;
    e.Number = 5;
    e.SequenceNumber = 5;
    e.Colour = PacketColour::kData;
    EXPECT_EQ(eventlog::toText(e), "12.300 s  Wire1 DataArrived (2) \u2192 Receiver1.Arrive  #5 seq 5 data");
    e.target = topology::Target::Ignored;
    e.Colour = PacketColour::kHold;
    EXPECT_EQ(eventlog::toText(e), "12.300 s  Wire1 DataArrived (2) not routed  #5 seq 5 hold");
    EXPECT_EQ(eventlog::toCsv(e), "12.300,Wire1,2,DataArrived,,5,5,hold");
    // A scenario without sequence numbers (Software Flow) shows none.
    e.showsSequence = false;
    EXPECT_EQ(eventlog::toText(e), "12.300 s  Wire1 DataArrived (2) not routed  #5 seq \u2014 hold");
    EXPECT_EQ(eventlog::toCsv(e), "12.300,Wire1,2,DataArrived,,5,,hold");
}

TEST(Script, SayPrintsItsTextEscapedAndSvgAndLogRejectBadArguments)
{
    const Result r = runScript("say Watch \"packet 3\"\tnow\nsay\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "{\"say\": \"Watch \\\"packet 3\\\"\\tnow\"}\n{\"say\": \"\"}\n");

    for (const char* bad : {"log maybe\n", "log\n", "svg Wire1.Picture1\n", "svg Wire1.cmdEdit /tmp/x.svg\n",
                            "svg Wire1.Picture1 /nonexistent-dir/x.svg\n"}) {
        const Result e = runScript(bad);
        EXPECT_EQ(e.status, 2) << bad;
        EXPECT_NE(e.err.find("line 1: "), std::string::npos) << bad;
    }
}

TEST(Script, SvgCountsTheLinesAndVisibleLabelsOfThePicture)
{
    const std::string file = ::testing::TempDir() + "lecture_trace.svg";
    const Result r =
        runScript("choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 9000\nsvg Wire1.Picture1 " +
                  file + "\nlines Wire1.Picture1\ndump Wire1.txtTrace\n");
    ASSERT_EQ(r.status, 0) << r.err;
    int lines = -1, labels = 0;
    dump::Json reply;
    for (const auto& j : jsonLines(r.out)) {
        if (j.contains("svg")) reply = j;
        if (j.contains("lines")) lines = j["lines"];
        if (j.value("kind", "") == "textbox" && j["visible"] == true) ++labels;
    }
    EXPECT_EQ(reply["svg"], file);
    EXPECT_GT(lines, 0);
    EXPECT_EQ(reply["lines"], lines);
    EXPECT_GT(labels, 0);
    EXPECT_EQ(reply["labels"], labels);
    std::ifstream in(file);
    std::stringstream svg;
    svg << in.rdbuf();
    EXPECT_NE(svg.str().find("<title>Wire1</title>"), std::string::npos);
}

// The trace group's lines of an SVG, as (x1, y1, x2, y2).
std::vector<std::array<double, 4>> traceLines(const std::string& file)
{
    std::ifstream in(file);
    std::vector<std::array<double, 4>> lines;
    bool trace = false;
    for (std::string l; std::getline(in, l);) {
        if (l.starts_with("<g ")) trace = l.find("id=\"trace\"") != std::string::npos;
        if (!trace || !l.starts_with("<line")) continue;
        std::array<double, 4> v{};
        const char* keys[] = {"x1=\"", "y1=\"", "x2=\"", "y2=\""};
        for (int k = 0; k < 4; ++k) v[k] = std::stod(l.substr(l.find(keys[k]) + 4));
        lines.push_back(v);
    }
    return lines;
}

// `svg NAME FILE all` draws every record since the last clear, each with its
// four strokes; `FROM TO` only the records crossing that span.
TEST(Script, SvgOfTheWholeRunHoldsEveryLineOfTheTrace)
{
    const std::string all = ::testing::TempDir() + "lecture_all.svg";
    const std::string part = ::testing::TempDir() + "lecture_part.svg";
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(
        "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdPause\nrun 60000\n"
        "scroll Wire1.VScroll1 30\nsvg Wire1.Picture1 " +
        all + " all\nsvg Wire1.Picture1 " + part + " 10000 20000\n");
    ASSERT_EQ(runner.run(in), 0) << err.str();
    const TimeSequenceTrace& trace = runner.demo().Wire1.traceTable();
    const auto lines = traceLines(all);
    ASSERT_EQ(lines.size(), 4u * static_cast<std::size_t>(trace.traceCount()));
    // Each record's first stroke stands where its start time falls, the
    // figure's top being the first whole second of the run.
    const double perSecond = trace.frame().unitsPerSecond;
    const auto top = static_cast<double>(figure::wholeRun(runner.demo().Wire1, runner.demo().totalTime).fromMs);
    for (int r = 0; r < trace.traceCount(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_NEAR(lines[4 * static_cast<std::size_t>(r)][1],
                    (static_cast<double>(trace.record(r).startTime) - top) / 1000.0 * perSecond, 0.5);
    }
    const auto some = traceLines(part);
    EXPECT_GT(some.size(), 0u);
    EXPECT_LT(some.size(), lines.size());
    for (const char* bad : {"svg Wire1.Picture1 /tmp/x.svg 2000 1000\n", "svg Wire1.Picture1 /tmp/x.svg 0 90000000\n"})
        EXPECT_EQ(runScript(bad).status, 2) << bad;
}

// What the window's dialog and the page offer: the whole run in the
// dialog's words, and a PNG too tall for an image refused where a smaller
// scale makes one.
TEST(TraceFigure, ExportChoicesNameTheRunAndRefuseAPictureTooTall)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    demo.scheduler().advance(600000);
    const figure::ExportChoices c = figure::exportChoices(demo.Wire1, demo.totalTime);
    EXPECT_EQ(c.wholeText, "The whole run since the last clear (0.0 s to 600.0 s)");
    std::string why;
    const auto whole = figure::chooseRange(c, figure::Part::Whole, 0, 0, why);
    ASSERT_TRUE(whole);
    const figure::TraceFigure f = figure::exportFigure(demo.Wire1, *whole, palette::Profile::Standard);
    EXPECT_NE(figure::pngProblem(f, 2), "");
    EXPECT_EQ(figure::pngProblem(f, 0.5), "");
    EXPECT_FALSE(figure::chooseRange(c, figure::Part::Range, 7, 6.9996, why));
    EXPECT_EQ(why, "The range must end after it starts.");
}

// The axis has a margin of its own left of the picture: no tick or second
// reaches into the picture, every label lies whole inside the figure.
TEST(TraceFigure, TheAxisStandsInItsOwnMargin)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    demo.scheduler().advance(130000);
    demo.Wire1.VScroll1.userScroll(100);  // three-digit seconds
    const figure::TraceFigure f = figure::traceFigure(demo.Wire1);
    ASSERT_GT(f.axis.size(), 5u);
    for (const auto& tick : f.axis) {
        EXPECT_LE(std::max(tick.x1, tick.x2), 0);
        EXPECT_GE(std::min(tick.x1, tick.x2), -f.marginLeft);
    }
    for (std::size_t i = 0; i + 1 < f.axisTexts.size(); ++i) {  // the last is the title
        const figure::Text& t = f.axisTexts[i];
        SCOPED_TRACE(t.text);
        ASSERT_EQ(t.anchor, figure::Text::Anchor::End);
        EXPECT_LT(t.x, f.axis.front().x1);
        // Digits and "s" at most 0.6 em, a space 0.3; caps 0.75 em above the baseline.
        EXPECT_GE(t.x - t.size * (0.6 * static_cast<double>(t.text.size() - 1) + 0.3), -f.marginLeft);
        EXPECT_GE(t.y - 0.75 * t.size, -f.marginTop);
        EXPECT_LE(t.y, f.height + f.marginBottom);
    }
}

// At bit rate 4 the model's labels pile up; the figure leaves out those that
// would cover another, and keeps the rest.
TEST(TraceFigure, LabelsThatWouldOverlapAreThinned)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(
        "choose LinkDemo.cmbScenario Go-back-N ARQ\npress Wire1.cmdEdit\n"
        "type Wire1.cmbBitRate 4\npress LinkDemo.cmdPause\nrun 30000\n");
    ASSERT_EQ(runner.run(in), 0) << err.str();
    const Wire& wire = runner.demo().Wire1;
    const double w = wire.txtTrace[0].width(), h = wire.txtTrace[0].height();
    for (const figure::TraceFigure& f : {figure::traceFigure(wire), figure::traceFigure(wire, {0, 30000})}) {
        ASSERT_GT(f.labels.size(), 3u);
        for (std::size_t i = 0; i < f.labels.size(); ++i)
            for (std::size_t j = i + 1; j < f.labels.size(); ++j) {
                const auto &a = f.labels[i], &b = f.labels[j];
                EXPECT_FALSE(std::abs(a.x - b.x) < w && std::abs(a.y - b.y) < h) << a.text << " over " << b.text;
            }
    }
    int visible = 0;
    for (int i = 0; i < wire.txtTrace.size(); ++i) visible += wire.txtTrace[i].visible();
    EXPECT_LT(figure::traceFigure(wire).labels.size(), static_cast<std::size_t>(visible));
}

// A played script reaches every line at the runner's simulated time: the
// same output at any pace; the student's answers and the end pause print
// nothing.
TEST(Player, PlaysALessonExactlyAsTheRunnerAtAnyPace)
{
    std::ifstream lesson(std::string(LINKDEMO_EXAMPLES) + "/lesson-5-go-back-n.txt");
    std::stringstream text;
    text << lesson.rdbuf();
    const std::string script = text.str() + "dump\n";

    const Result expected = runScript(script);
    ASSERT_EQ(expected.status, 0) << expected.err;

    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptPlayer player(demo, out, err);
    player.start(script);
    std::vector<std::string> captions;
    const std::int64_t steps[] = {7, 130, 1, 45, 999};
    for (int k = 0; player.resume() == ScriptPlayer::State::Playing; ++k) {
        if (captions.empty() || captions.back() != player.caption()) captions.push_back(player.caption());
        if (player.waiting() == ScriptPlayer::Wait::Question) {
            ASSERT_TRUE(player.answer(k % 2 == 0 ? player.checkpoint()->answer : 0));
            continue;
        }
        if (player.waiting() == ScriptPlayer::Wait::Reveal) {
            player.proceed();
            continue;
        }
        std::int64_t target = demo.scheduler().now() + steps[k % 5];
        ASSERT_TRUE(player.limit().has_value());
        target = std::min(target, *player.limit());
        demo.scheduler().advanceTo(target);
    }
    EXPECT_EQ(player.state(), ScriptPlayer::State::Finished);
    EXPECT_EQ(out.str(), expected.out);
    EXPECT_EQ(captions.front(),
              "Go-back-N ARQ. The transmitter may have three packets on their way before it needs "
              "an acknowledgement: its window.");
    EXPECT_EQ(player.asked(), 3);
    EXPECT_GE(player.predicted(), 1);
}

// Play first brings the model to its start-up state: a setting changed
// before (a bit rate), the run and the clock do not survive, and the script
// then reaches exactly what a fresh runner reaches.
TEST(Player, StartsFromTheStartUpState)
{
    const std::string script = "press LinkDemo.cmdPause\nrun 7300\n";
    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdRouter.click();
    demo.Wire1.cmdEdit.click();
    demo.Wire1.cmbBitRate.userChoose(demo.Wire1.cmbBitRate.itemIndex("5.0"));
    demo.Receiver1.chkRxReady.click();
    demo.lab().setLoss(1, 0.2);
    demo.cmdPause.click();
    demo.scheduler().advance(12345);
    ASSERT_EQ(shelltest::state(demo, "Wire1")["bitRate"], 5);

    ScriptPlayer player(demo, out, err);
    int restarts = 0;
    player.onRestart = [&] { ++restarts; };
    player.start(script);
    EXPECT_EQ(restarts, 1);
    std::string differences;
    for (const std::string& d : player.startDifferences()) differences += d + "\n";
    EXPECT_EQ(differences, "");
    EXPECT_EQ(demo.scheduler().now(), 0);
    EXPECT_EQ(shelltest::state(demo, "Wire1")["bitRate"], 1);
    while (player.resume() == ScriptPlayer::State::Playing) demo.scheduler().advanceTo(*player.limit());

    std::ostringstream fresh, freshErr;
    ScriptRunner runner(fresh, freshErr);
    std::istringstream in(script);
    ASSERT_EQ(runner.run(in), 0);
    // The player paused at the end; so does the runner's model, by hand.
    runner.demo().cmdPause.click();
    EXPECT_TRUE(startstate::differences(demo, runner.demo()).empty());
}

// A packet half sent (or half acknowledged) when play starts: the wires
// forget they were sending, as a fresh start has them.
TEST(Player, StartsFromTheStartUpStateInTheMiddleOfASend)
{
    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    demo.cmdPause.click();
    demo.scheduler().advance(3000);
    ASSERT_TRUE(demo.Wire1.state().dataSending);
    ScriptPlayer player(demo, out, err);
    player.start("run 100\n");
    EXPECT_EQ(player.startDifferences(), std::vector<std::string>{});
}

// The whole script is checked before anything acts: a bad line 4 leaves
// the model as it was. A played script that ends pauses the demonstration.
TEST(Player, ChecksTheScriptFirstAndPausesAtTheEnd)
{
    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptPlayer player(demo, out, err);
    player.start("press LinkDemo.cmdPause\nrun 100\n\npress Wire9.cmdPacket(0)\nrun 100\n");
    EXPECT_EQ(player.state(), ScriptPlayer::State::Failed);
    EXPECT_EQ(player.lineNumber(), 4);
    EXPECT_EQ(player.error(), "line 4: unknown control 'Wire9.cmdPacket(0)'");
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_EQ(demo.scheduler().now(), 0);
    EXPECT_EQ(out.str(), "");

    std::vector<std::string> lines;
    player.onLine = [&](const std::string& line, std::int64_t) { lines.push_back(line); };
    player.start("press LinkDemo.cmdPause\nrun 1000\nsay Last\n");
    while (player.resume() == ScriptPlayer::State::Playing) demo.scheduler().advanceTo(*player.limit());
    EXPECT_EQ(player.state(), ScriptPlayer::State::Finished);
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
    EXPECT_EQ(player.caption(), "Last");
    EXPECT_EQ(lines.back(), "press LinkDemo.cmdPause");
}

// A question holds the clock until it is answered and the student goes on;
// watching again goes back to the moment of the question, exactly.
TEST(Player, AsksWaitsScoresAndWatchesAgain)
{
    const std::string head = "press LinkDemo.cmdPause\nrun 1000\nsay Look\n";
    const std::string script = head + "ask Q\nchoice a\nchoice* b\nreveal R\nrun 2000\nsay Done\nrun 500\n";
    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptPlayer player(demo, out, err);
    player.setWaitAtCaptions(true);
    player.start(script);
    player.resume();
    demo.scheduler().advanceTo(*player.limit());
    player.resume();
    EXPECT_EQ(player.waiting(), ScriptPlayer::Wait::Caption);
    player.proceed();
    player.resume();
    ASSERT_EQ(player.waiting(), ScriptPlayer::Wait::Question);
    EXPECT_EQ(player.limit(), 1000);
    EXPECT_EQ(player.checkpoint()->choices, (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(player.answer(2));
    EXPECT_TRUE(player.answer(0));
    EXPECT_EQ(player.waiting(), ScriptPlayer::Wait::Reveal);
    EXPECT_EQ(player.score(), "0 of 1 predicted");
    player.proceed();
    player.resume();
    demo.scheduler().advanceTo(1700);
    ASSERT_TRUE(player.canWatchAgain());
    ASSERT_TRUE(player.watchAgain());
    EXPECT_EQ(demo.scheduler().now(), 1000);
    std::ostringstream at, atErr;
    ScriptRunner runner(at, atErr);
    std::istringstream in(head);
    ASSERT_EQ(runner.run(in), 0);
    EXPECT_TRUE(startstate::differences(demo, runner.demo()).empty());
    // On from the question, which is not asked again.
    player.resume();
    EXPECT_EQ(player.waiting(), ScriptPlayer::Wait::None);
    EXPECT_EQ(player.limit(), 3000);
    EXPECT_EQ(player.chosen(), 0);
}

// Keystrokes that grow a field one character at a time with no timer due
// between them are one `type`; anything else is written approximately.
// Running time back skips the pauses and counts on over a reset.
TEST(Timeline, RunningTimeBackSkipsThePauses)
{
    timeline::RunClock clock;
    clock.sample(0, 0);
    clock.sample(3000, 3000);   // running
    clock.sample(9000, 3000);   // paused 6 s
    clock.sample(12000, 6000);  // running again, then reset:
    clock.sample(12000, 0);     //   the run's clock starts again at 0
    clock.sample(14000, 2000);
    EXPECT_EQ(clock.run(), 8000);
    EXPECT_EQ(clock.before(1500), 12500);
    EXPECT_EQ(clock.before(3500), 10500);
    EXPECT_EQ(clock.before(5000), 3000);  // where the run stood before the pause
    EXPECT_EQ(clock.before(6000), 2000);
    EXPECT_EQ(clock.before(60000), 0);
    clock.cutAt(9500, 500);
    EXPECT_EQ(clock.run(), 3500);
    EXPECT_EQ(clock.before(1000), 2500);  // 500 ms since the pause, 500 before it
}

// A session cut at t keeps what acted at t, shortens the run that passes
// it, and leaves out a step that passes it (its time up to t passes).
TEST(Timeline, CutsTheSessionAtTheMoment)
{
    const std::string session =
        "choose LinkDemo.cmbScenario Go-back-N ARQ\n# a comment\npress LinkDemo.cmdPause\n"
        "run 3000\npress Wire1.cmdPacket(0)\nrun 2000\nstep\npress LinkDemo.cmdReset\n";
    EXPECT_EQ(timeline::cut(session, 0, 100),
              "choose LinkDemo.cmbScenario Go-back-N ARQ\n# a comment\npress LinkDemo.cmdPause\n");
    EXPECT_EQ(timeline::cut(session, 3000, 100),
              "choose LinkDemo.cmbScenario Go-back-N ARQ\n# a comment\npress LinkDemo.cmdPause\nrun 3000\n"
              "press Wire1.cmdPacket(0)\n");
    EXPECT_TRUE(timeline::cut(session, 4200, 100).ends_with("press Wire1.cmdPacket(0)\nrun 1200\n"));
    EXPECT_TRUE(timeline::cut(session, 5050, 100).ends_with("run 2000\nrun 50\n"));
    EXPECT_EQ(timeline::cut(session, 5100, 100), session);
}

// Back in a live model: exactly the state a fresh runner reaches with the
// session cut there, and the recorder holds the cut session from then on.
TEST(Timeline, ThePlayerGoesBackToWhatAFreshRunReaches)
{
    const std::string session =
        "choose LinkDemo.cmbScenario Selective Repeat ARQ\npress LinkDemo.cmdPause\n"
        "run 3000\npress Wire1.cmdPacket(0)\nrun 20000\n";
    RecordingMessageBox box;
    LinkDemo demo(box);
    std::ostringstream out, err;
    ScriptPlayer player(demo, out, err);
    ScriptRecorder recorder(demo.scheduler());
    player.onLine = [&](const std::string& line, std::int64_t at) { recorder.recordLine(line, at); };
    player.onRestart = [&] { recorder.restart(); };
    std::istringstream whole(session);
    ScriptRunner live(demo, out, err);
    ASSERT_EQ(live.run(whole), 0);

    ASSERT_TRUE(player.rewindTo(session, 9700));
    EXPECT_EQ(demo.scheduler().now(), 9700);
    const std::string cutSession = timeline::cut(session, 9700, 100);
    EXPECT_EQ(recorder.script(), cutSession);
    std::ostringstream fresh, freshErr;
    ScriptRunner runner(fresh, freshErr);
    std::istringstream in(cutSession);
    ASSERT_EQ(runner.run(in), 0);
    EXPECT_EQ(startstate::differences(demo, runner.demo()), std::vector<std::string>{});
}

// Back as the window and the page share it: a run paused to look back
// stays paused where it goes back to (its press written down), the slider
// jumps by main ticks, and nothing goes back while a script plays, whose
// start begins the run's clock afresh.
TEST(Rewind, KeepsAPausedRunPausedAndWaitsForAPlayedScript)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    std::ostringstream out, err;
    ScriptPlayer player(demo, out, err);
    ScriptRecorder recorder(demo.scheduler());
    Rewind rewind(demo, player, recorder);
    player.onLine = [&](const std::string& line, std::int64_t at) { recorder.recordLine(line, at); };
    player.onRestart = [&] {
        recorder.restart();
        rewind.restarted();
    };
    rewind.pressPause = [&] {
        recorder.record({UserInput::Kind::Press, "LinkDemo.cmdPause", "", 0});
        demo.cmdPause.click();
    };
    rewind.sample();
    rewind.pressPause();
    demo.scheduler().advance(3000);
    rewind.sample();
    rewind.pressPause();
    demo.scheduler().advance(20000);  // paused: no running time
    EXPECT_EQ(rewind.ticks(), 30);
    ASSERT_TRUE(rewind.toTick(25));
    EXPECT_EQ(demo.totalTime, 2500);
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(recorder.script(), "press LinkDemo.cmdPause\nrun 2500\npress LinkDemo.cmdPause\n");
    EXPECT_EQ(rewind.status(), "Back at t = 2.5 s: going on from here discards what came after");

    player.start("run 1000\n");
    EXPECT_FALSE(rewind.backTick());
    EXPECT_EQ(rewind.ticks(), 0);
}

TEST(Recorder, WritesTimedActionsAndTypingBursts)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    demo.scheduler().advance(50);
    ScriptRecorder rec(demo.scheduler());
    auto type = [&](const std::string& t) { rec.record({UserInput::Kind::Type, "Wire1.cmbDelay", t, 0}); };
    rec.record({UserInput::Kind::Focus, "Wire1", "", 0});
    rec.record({UserInput::Kind::Focus, "Wire1", "", 0});
    type("2");
    demo.scheduler().advance(20);  // no timer is due in between
    type("2.");
    type("2.5");
    demo.scheduler().advance(230);
    rec.record({UserInput::Kind::Press, "LinkDemo.cmdPause", "", 0});
    demo.scheduler().advance(100);
    EXPECT_EQ(rec.script(), "focus Wire1\ntype Wire1.cmbDelay 2.5\nrun 250\npress LinkDemo.cmdPause\nrun 100\n");
    EXPECT_TRUE(rec.exact());

    type("2.");  // a deletion
    EXPECT_TRUE(rec.script().ends_with("press LinkDemo.cmdPause\nrun 100\ntype Wire1.cmbDelay 2.\n"));
    EXPECT_FALSE(rec.exact());

    // A field filled a keystroke at a time is one line, however long.
    ScriptRecorder full(demo.scheduler());
    std::string text;
    while (text.size() < widgets::ComboBox::kMaxLength) {
        text += '9';
        full.record({UserInput::Kind::Type, "Wire1.cmbDelay", text, 0});
    }
    EXPECT_EQ(full.script(), "type Wire1.cmbDelay " + text + "\n");
    EXPECT_TRUE(full.exact());
}

// Each Record… marks where it starts; a second recording in the session
// keeps one mark, its own.
TEST(Recorder, ASessionHoldsOneStartMark)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptRecorder rec(demo.scheduler());
    rec.mark("# starts");
    demo.scheduler().advance(100);
    rec.record({UserInput::Kind::Press, "LinkDemo.cmdPause", "", 0});
    rec.mark("# starts");
    rec.record({UserInput::Kind::Press, "LinkDemo.cmdReset", "", 0});
    EXPECT_EQ(rec.script(), "run 100\npress LinkDemo.cmdPause\n# starts\npress LinkDemo.cmdReset\n");
    // Replayed after going back, the mark is still the one.
    const std::string session = rec.script();
    rec.restart();
    std::istringstream in(session);
    for (std::string line; std::getline(in, line);) rec.recordLine(line, demo.scheduler().now());
    EXPECT_TRUE(rec.hasMark());
    rec.mark("# starts");
    EXPECT_EQ(rec.script().find("# starts"), rec.script().rfind("# starts"));
}

// A recording is said to differ only when its replay ends elsewhere: a
// deletion written as the final text replays the same; an action with no
// line does not.
TEST(Recorder, SaysWhetherTheReplayEndsWhereTheWindowIs)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptRecorder rec(demo.scheduler());
    const auto act = [&](const UserInput& in, const std::function<void()>& f) {
        rec.record(in);
        f();
    };
    act({UserInput::Kind::Press, "Wire1.cmdEdit", "", 0}, [&] { demo.Wire1.cmdEdit.click(); });
    act({UserInput::Kind::Type, "Wire1.cmbDelay", "25", 0}, [&] { demo.Wire1.cmbDelay.userEdit("25"); });
    act({UserInput::Kind::Type, "Wire1.cmbDelay", "2", 0}, [&] { demo.Wire1.cmbDelay.userEdit("2"); });
    act({UserInput::Kind::Press, "LinkDemo.cmdPause", "", 0}, [&] { demo.cmdPause.click(); });
    demo.scheduler().advance(8000);
    EXPECT_FALSE(rec.exact());
    EXPECT_EQ(startstate::replayDifferences(demo, rec.script()), std::vector<std::string>{});
    demo.Wire1.ClearTrace();  // no line for it
    EXPECT_FALSE(startstate::replayDifferences(demo, rec.script()).empty());
}

// Every lesson names itself, is narrated, and pins each of its (at least
// three) checkpoints with `expect` lines before the next question; the test
// command runs each through the runner, so a failing `expect` fails too.
TEST(Lessons, AreNarratedAndPinEveryCheckpoint)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LINKDEMO_EXAMPLES)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("lesson-")) continue;
        SCOPED_TRACE(name);
        ++count;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_FALSE(lessons::describe(text.str()).title.empty());
        EXPECT_FALSE(lessons::describe(text.str()).summary.empty());
        int says = 0, asks = 0;
        bool pinned = true;
        for (std::string line; std::getline(text, line);) {
            if (line.starts_with("say ")) ++says;
            if (line.starts_with("ask ")) {
                EXPECT_TRUE(pinned) << "before: " << line;
                ++asks;
                pinned = false;
            }
            if (line.starts_with("expect ")) pinned = true;
        }
        EXPECT_TRUE(pinned);
        EXPECT_GE(says, 3);
        EXPECT_GE(asks, 3);
    }
    EXPECT_GE(count, 9);
}

// A checkpoint prints at its reveal; malformed ones stop the script.
TEST(Script, CheckpointsPrintAtTheRevealAndRejectMalformedOnes)
{
    const Result ok = runScript("ask Which one?\nchoice a\nchoice* b \"c\"\nreveal Because.\n");
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out,
              "{\"ask\": {\"question\": \"Which one?\", \"choices\": [\"a\",\"b \\\"c\\\"\"], \"answer\": 1}}\n"
              "{\"reveal\": \"Because.\"}\n");
    const std::pair<const char*, const char*> bad[] = {
        {"choice a\n", "line 1: choice without an ask"},
        {"reveal x\n", "line 1: reveal without an ask"},
        {"ask Q\nchoice a\nreveal x\n", "line 3: the question has no right choice (choice*)"},
        {"ask Q\nchoice* a\nchoice* b\n", "line 3: a second right choice (choice*) for the question"},
        {"ask Q\nchoice* a\nask R\n", "line 3: ask before the reveal of the question at line 1"},
        {"run 100\nask Q\nchoice* a\n", "line 2: the question has no reveal"},
    };
    for (const auto& [script, message] : bad) {
        const Result r = runScript(script);
        EXPECT_EQ(r.status, 2) << script;
        EXPECT_EQ(r.err, std::string(message) + "\n") << script;
    }
}

// Paused, a script goes on only by steps of one main tick (never past the
// end of its `run`), and the step that ends it is worded as its end.
TEST(PlaySession, StepsWhilePausedUpToTheEndOfTheRunAndTheEnd)
{
    std::ostringstream out, err;
    RecordingMessageBox box;
    LinkDemo demo(box);
    ScriptPlayer player(demo, out, err);
    PlaySession session(demo, player);
    ASSERT_TRUE(session.start("press LinkDemo.cmdPause\nrun 150\n", "s.txt"));
    session.advance();
    EXPECT_EQ(session.status(), "Playing s.txt (from the start-up state), line 2: run 150");
    EXPECT_TRUE(session.pressPause());
    EXPECT_EQ(session.limit(), demo.scheduler().now());
    session.advance();
    EXPECT_EQ(session.status(), "Paused s.txt (from the start-up state), line 2: run 150");
    EXPECT_TRUE(session.step());
    EXPECT_EQ(demo.scheduler().now(), 100);
    EXPECT_TRUE(session.step());
    EXPECT_EQ(demo.scheduler().now(), 150);
    EXPECT_EQ(session.advance(), ScriptPlayer::State::Finished);
    EXPECT_EQ(session.status(), "Played s.txt");
    EXPECT_TRUE(demo.paused);
    EXPECT_FALSE(session.pressPause());
}
