// SPDX-License-Identifier: MIT
// The presenter's actions: a step, the packets' places between ticks, the
// packet chosen from the keyboard, the traces kept on the present, the pace.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "session/presenter.h"
#include "session/script.h"
#include "session/wallclock.h"
#include "shell_support.h"

using namespace shelltest;

namespace {

std::string fullDump(const LinkDemo& demo)
{
    std::string s;
    for (const auto& j : dump::objects(demo, "")) s += j.dump() + "\n";
    return s;
}

struct PresenterTest : ::testing::Test {
    RecordingMessageBox messages;
    LinkDemo demo{messages};

    void choose(const char* scenario) { demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex(scenario)); }
};

}  // namespace

TEST_F(PresenterTest, AStepIsOneMainTickThatEndsPaused)
{
    presenter::step(demo);  // from "Start"
    EXPECT_EQ(demo.totalTime, 100);
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
    presenter::step(demo);
    EXPECT_EQ(demo.totalTime, 200);
    // While the run goes on, a step ends it after one more tick.
    demo.cmdPause.click();
    run(demo, 250);
    presenter::step(demo);
    EXPECT_EQ(demo.totalTime, 500);
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
}

TEST_F(PresenterTest, StepsEqualTheRunnersPressRunPress)
{
    choose("Go-back-N ARQ");
    std::string script = "choose LinkDemo.cmbScenario Go-back-N ARQ\n";
    for (int i = 0; i < 50; ++i) {
        presenter::step(demo);
        script += "press LinkDemo.cmdPause\nrun 100\npress LinkDemo.cmdPause\n";
    }
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(script);
    ASSERT_EQ(runner.run(in), 0);
    EXPECT_TRUE(fullDump(demo) == fullDump(runner.demo()));
}

// The query the smooth motion draws with foretells where the next tick puts
// every packet, and gives the model's own places at a tick.
TEST_F(PresenterTest, PacketPlacesBetweenTicksMeetTheModelAtEachTick)
{
    choose("Selective Repeat ARQ");
    demo.cmdRouter.click();
    demo.cmdPause.click();
    struct Foretold {
        Wire* wire;
        int slot;
        int number;
        std::int64_t started;
        Wire::Span span;
    };
    int compared = 0;
    for (int t = 0; t < 300; ++t) {
        run(demo, 50);  // half-way between two ticks
        EXPECT_EQ(presenter::motionTime(demo), demo.totalTime + 50);
        std::vector<Foretold> foretold;
        for (Wire* w : {&demo.Wire1, &demo.Wire2}) {
            for (int i = 0; i < Wire::kSlots; ++i) {
                const widgets::Button& b = w->cmdPacket[i];
                if (!b.visible()) continue;
                const auto at = w->spanAt(i, demo.totalTime);
                ASSERT_TRUE(at.has_value());
                EXPECT_EQ(at->left, b.left());
                EXPECT_EQ(at->width, b.width());
                const Packet& p = w->pktWire(i);
                if (const auto next = w->spanAt(i, demo.totalTime + 100)) {
                    foretold.push_back(Foretold{w, i, p.Number, p.HopStarted, *next});
                }
            }
        }
        run(demo, 50);  // the tick
        EXPECT_EQ(presenter::motionTime(demo), demo.totalTime);
        for (const Foretold& f : foretold) {
            const widgets::Button& b = f.wire->cmdPacket[f.slot];
            const Packet& p = f.wire->pktWire(f.slot);
            if (!b.visible() || p.Number != f.number || p.HopStarted != f.started) continue;
            EXPECT_EQ(f.span.left, b.left());
            EXPECT_EQ(f.span.width, b.width());
            ++compared;
        }
    }
    EXPECT_GT(compared, 500);
}

TEST_F(PresenterTest, TheChosenPacketCyclesOldestFirstAndDiesAsAClickKillsIt)
{
    choose("Go-back-N ARQ");
    demo.cmdPause.click();
    run(demo, 3000);
    const auto flying = presenter::packetsInFlight(demo);
    ASSERT_GE(flying.size(), 2u);
    for (std::size_t k = 1; k < flying.size(); ++k) {
        EXPECT_LE(flying[k - 1].wire->pktWire(flying[k - 1].slot).HopStarted,
                  flying[k].wire->pktWire(flying[k].slot).HopStarted);
    }
    presenter::Selection sel;
    sel.cycle(demo, 1);
    EXPECT_EQ(sel.current(), flying.front());
    sel.cycle(demo, -1);
    sel.cycle(demo, -1);
    EXPECT_EQ(sel.current(), flying[flying.size() - 2]);

    // The same packet destroyed by a click in a twin run gives the same state.
    RecordingMessageBox otherMessages;
    LinkDemo twin{otherMessages};
    twin.cmbScenario.userChoose(twin.cmbScenario.itemIndex("Go-back-N ARQ"));
    twin.cmdPause.click();
    run(twin, 3000);
    const presenter::PacketRef chosen = *sel.current();
    const std::string wireName = chosen.wire->name();
    ASSERT_TRUE(sel.destroy());
    button(twin, wireName + ".cmdPacket(" + std::to_string(chosen.slot) + ")").click();
    EXPECT_FALSE(sel.current().has_value());
    run(demo, 20000);
    run(twin, 20000);
    EXPECT_EQ(fullDump(demo), fullDump(twin));
}

TEST_F(PresenterTest, ASelectionIsGoneOnceItsPacketHasArrived)
{
    demo.cmdPause.click();
    run(demo, 500);
    presenter::Selection sel;
    sel.cycle(demo, 1);
    ASSERT_TRUE(sel.current().has_value());
    run(demo, 5000);  // long arrived; its slot may hold a newer packet
    EXPECT_FALSE(sel.current().has_value());
    EXPECT_FALSE(sel.destroy());
}

TEST_F(PresenterTest, ClearingATraceKeepsThePacketsInFlightTracing)
{
    demo.cmdPause.click();
    run(demo, 30000);
    const int inFlight = static_cast<int>(presenter::packetsInFlight(demo).size());
    ASSERT_GT(inFlight, 0);
    demo.Wire1.ClearTrace();
    EXPECT_EQ(demo.Wire1.traceTable().traceCount(), inFlight);
    run(demo, 5000);
    EXPECT_GT(demo.Wire1.traceTable().traceCount(), inFlight);
    // Every record still follows its packet to the far end.
    for (int r = 0; r < inFlight; ++r) EXPECT_EQ(demo.Wire1.traceTable().record(r).toPos, 1.0) << r;
}

TEST_F(PresenterTest, FollowingKeepsThePresentInTheLowerPartOfTheTrace)
{
    demo.cmdPause.click();
    const TimeSequenceTrace& trace = demo.Wire1.traceTable();
    for (int s = 0; s < 120; ++s) {
        run(demo, 1000);
        presenter::followPresent(demo);
        const double y = trace.yOf(demo.totalTime);
        // Near the start the trace cannot scroll back before 0 s.
        if (demo.Wire1.VScroll1.value() > 0) {
            EXPECT_GE(y, demo.Wire1.Picture1.height() / 10) << s;
        }
        EXPECT_LE(y, demo.Wire1.Picture1.height() * 4 / 5) << s;
    }
    EXPECT_GT(demo.Wire1.VScroll1.value(), 60);
}

TEST(Pace, CarriesFractionsAndStaysInRange)
{
    presenter::Pace pace;
    EXPECT_EQ(pace.speed(), 1.0);
    pace.setIndex(0);  // 0.1x: 10 ms of real time are 1 ms
    std::int64_t total = 0;
    for (int i = 0; i < 1000; ++i) total += pace.advance(7);
    EXPECT_EQ(total, 700);
    pace.slower();
    EXPECT_EQ(pace.speed(), 0.1);
    pace.setIndex(99);
    EXPECT_EQ(pace.speed(), 20.0);
    EXPECT_EQ(pace.advance(10), 200);
    EXPECT_EQ(pace.speedText(), "20\xC3\x97");
}

// ---- the wall clock ----------------------------------------------------

TEST(WallClockTest, CatchesUpAtMostTheCapAndOwesNothingBeyondIt)
{
    widgets::Scheduler clock;
    presenter::WallClock wall(&clock);
    wall.rebase(0);
    EXPECT_EQ(wall.wake(10), 10);
    // A stall of five seconds: one second caught up, the rest dropped.
    EXPECT_EQ(wall.wake(5010), presenter::WallClock::kMaxCatchUpMs);
    EXPECT_EQ(wall.wake(5020), 10);
    EXPECT_EQ(clock.now(), 1020);
    // A pause: rebased, the time it stood is not caught up.
    wall.rebase(9000);
    EXPECT_EQ(wall.wake(9005), 5);
    // A time source that went back counts from where it is.
    EXPECT_EQ(wall.wake(100), 0);
    EXPECT_EQ(wall.wake(110), 10);
}

TEST(WallClockTest, CarriesFractionsOfASlowPaceAcrossWakeUps)
{
    widgets::Scheduler clock;
    presenter::WallClock wall(&clock);
    wall.pace().setIndex(1);  // 0.25x
    wall.rebase(0);
    std::int64_t total = 0;
    for (int t = 2; t <= 40; t += 2) total += wall.wake(t);
    EXPECT_EQ(total, 10);
    EXPECT_EQ(clock.now(), 10);
}

TEST(WallClockTest, StopsAtTheLimitAndOwesNothingFromThere)
{
    widgets::Scheduler clock;
    presenter::WallClock wall(&clock);
    std::optional<std::int64_t> limit = 25;
    wall.limit = [&] { return limit; };
    wall.rebase(0);
    EXPECT_EQ(wall.wake(20), 20);
    EXPECT_EQ(wall.wake(40), 5);
    EXPECT_EQ(wall.wake(500), 0);
    EXPECT_EQ(clock.now(), 25);
    // Let go: only the real time since the last wake-up counts.
    limit.reset();
    EXPECT_EQ(wall.wake(510), 10);
}

TEST(WallClockTest, AWakeUpFromInsideAnAdvanceDoesNothing)
{
    widgets::Scheduler clock;
    widgets::Timer timer(nullptr, "timer", clock, 0);
    presenter::WallClock wall(&clock);
    std::int64_t nested = -1;
    timer.onTimer = [&] {
        EXPECT_TRUE(wall.advancing());
        nested = wall.wake(900);  // a modal box's event loop, say
    };
    timer.setInterval(5);
    timer.setEnabled(true);
    wall.rebase(0);
    EXPECT_EQ(wall.wake(10), 10);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(clock.now(), 10);
    EXPECT_FALSE(wall.advancing());
}
