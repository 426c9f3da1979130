// SPDX-License-Identifier: MIT
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "widgets/controls.h"
#include "widgets/scheduler.h"

using namespace widgets;

namespace {
struct Clock {
    Scheduler s;
    Container window{Kind::Window, nullptr, "LinkDemo"};
    std::vector<std::string> log;
    Timer& add(const char* name, int order, int interval)
    {
        timers.push_back(std::make_unique<Timer>(&window, name, s, order));
        Timer& t = *timers.back();
        t.setInterval(interval);
        t.setEnabled(true);
        t.onTimer = [this, name] { log.push_back(std::string(name) + "@" + std::to_string(s.now())); };
        return t;
    }
    std::vector<std::unique_ptr<Timer>> timers;
};
}  // namespace

TEST(Scheduler, FiresEveryIntervalUpToAndIncludingTheTarget)
{
    Clock c;
    c.add("A", 0, 100);
    c.s.advance(350);
    EXPECT_EQ(c.log, (std::vector<std::string>{"A@100", "A@200", "A@300"}));
    EXPECT_EQ(c.s.now(), 350);
    c.s.advance(50);
    EXPECT_EQ(c.log.back(), "A@400");
}

TEST(Scheduler, SameMillisecondFollowsTheFixedOrderNotCreationOrder)
{
    Clock c;
    c.add("Receiver1", 3, 100);
    c.add("LinkDemo", 0, 100);
    c.add("Transmitter1", 1, 100);
    c.s.advance(100);
    EXPECT_EQ(c.log, (std::vector<std::string>{"LinkDemo@100", "Transmitter1@100", "Receiver1@100"}));
}

TEST(Scheduler, TimerDisabledBeforeItsTurnDoesNotFire)
{
    Clock c;
    Timer& first = c.add("first", 0, 100);
    Timer& second = c.add("second", 1, 100);
    first.onTimer = [&] {
        c.log.push_back("first");
        second.setEnabled(false);
        first.setEnabled(false);
    };
    c.s.advance(100);
    EXPECT_EQ(c.log, (std::vector<std::string>{"first"}));
    // Re-enabling starts the countdown at that moment.
    second.setEnabled(true);
    c.s.advance(50);
    second.setEnabled(true);  // already enabled: changes nothing
    c.s.advance(50);
    EXPECT_EQ(c.log.back(), "second@200");
}

TEST(Scheduler, SettingTheIntervalRestartsTheCountdown)
{
    Clock c;
    Timer& t = c.add("T", 5, 1000);
    c.s.advance(600);
    t.setInterval(300);
    c.s.advance(299);
    EXPECT_TRUE(c.log.empty());
    c.s.advance(1);
    EXPECT_EQ(c.log, (std::vector<std::string>{"T@900"}));
    // A handler that re-times its own timer counts from the firing moment.
    t.onTimer = [&] {
        c.log.push_back("T2@" + std::to_string(c.s.now()));
        t.setInterval(150);
    };
    c.s.advance(450);
    EXPECT_EQ(c.log, (std::vector<std::string>{"T@900", "T2@1200", "T2@1350"}));
}

TEST(Scheduler, ZeroIntervalNeverFiresAndDoesNotHang)
{
    Clock c;
    c.add("T", 0, 0);
    c.s.advance(10000);
    EXPECT_TRUE(c.log.empty());
    EXPECT_EQ(c.s.nextDue(), -1);
}
