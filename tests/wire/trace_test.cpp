// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "support/packets.h"
#include "support/testenv.h"
#include "wire/trace.h"
#include "wire/wire.h"

namespace {

// The trace of a wire on the design geometry with the trace on and the
// picture 6495 wide and 8000 high, at V1 = 0 and V2 = 75 (425 units a second).
struct TraceTest : ::testing::Test {
    TestEnv env;
    Wire wire{&env.window, "Wire1", env.context()};
    TimeSequenceTrace& trace = wire.traceTable();
    std::int64_t now = 0;

    TraceTest()
    {
        wire.SetIndex(1);
        wire.Trace(true);
        wire.SetPicHeight(8000);
    }
    void rec(int r, std::int64_t start, std::int64_t sendEnd, std::int64_t last, double from, double to, int seq,
             std::int64_t colour = 0xC00000)
    {
        trace.record(r) = TraceRecord{start, sendEnd, last, from, to, seq, false, colour};
    }
    const std::vector<widgets::DrawnLine>& lines() const { return wire.Picture1.lines(); }
    const widgets::TextBox& label(int k) const { return wire.txtTrace[k]; }
    void put(Packet p) { wire.PacketArrive(p, now); }
    void tickTo(std::int64_t t)
    {
        while (now < t) {
            now += 100;
            wire.MovePackets(now);
        }
    }
};

Packet packet(int number, std::int64_t colour = PacketColour::kData, bool ack = false)
{
    const packets::Built p = packets::data(number).shown().colour(colour);
    return ack ? p.reverse() : p;
}

void expectLine(const widgets::DrawnLine& l, double x1, double y1, double x2, double y2)
{
    EXPECT_NEAR(l.x1, x1, 1e-9);
    EXPECT_NEAR(l.y1, y1, 1e-9);
    EXPECT_NEAR(l.x2, x2, 1e-9);
    EXPECT_NEAR(l.y2, y2, 1e-9);
}

TEST_F(TraceTest, WorkedExampleDrawsABarAndASlantAndLabelsIt)
{
    rec(0, 2000, 3000, 4000, 0.0, 0.5, 7);
    wire.ReDrawTrace();
    ASSERT_EQ(lines().size(), 4u);
    expectLine(lines()[0], 324.75, 850, 324.75, 1305);
    expectLine(lines()[1], 344.75, 850, 344.75, 1305);
    expectLine(lines()[2], 324.75, 1305, 3247.5, 1700);
    expectLine(lines()[3], 324.75, 1320, 3247.5, 1715);
    for (const auto& l : lines()) EXPECT_EQ(l.colour, 0xC00000);

    EXPECT_EQ(label(0).text(), " 7");
    EXPECT_TRUE(label(0).visible());
    EXPECT_EQ(label(0).top(), 1200 + 1275);
    EXPECT_NEAR(label(0).left(), 240 + 0.2 * 6495, 1e-9);
    EXPECT_EQ(label(0).foreColour(), 0xC00000);
    EXPECT_EQ(trace.labelCount(), 1);
    EXPECT_TRUE(trace.record(0).labelled);
}

TEST_F(TraceTest, ScrollingRepaintsFromTheTable)
{
    rec(0, 6000, 7000, 8000, 0.0, 0.5, 1);
    rec(1, 1000, 2000, 4000, 0.0, 1.0, 2);     // ends before the fifth second
    rec(2, 22000, 23000, 24000, 0.0, 1.0, 3);  // starts below the picture until scrolled
    wire.ReDrawTrace();
    ASSERT_EQ(lines().size(), 8u);
    EXPECT_EQ(lines()[0].y1, 2550);
    EXPECT_EQ(lines()[4].y1, 425);

    wire.VScroll1.setMax(10);
    wire.VScroll1.userScroll(5);
    ASSERT_EQ(lines().size(), 8u);
    EXPECT_EQ(lines()[0].y1, 2550 - 5 * 425);
    EXPECT_EQ(lines()[4].y1, 7225);  // record 2; record 1 is not drawn

    wire.VScroll2.userScroll(100);  // 550 units a second
    EXPECT_EQ(lines()[0].y1, 550);
}

TEST_F(TraceTest, LabelRules)
{
    rec(0, 1000, 1500, 3000, 1.0, 0.3, 4, 0x0000C0);  // reverse: left of the receiving-end bar
    rec(1, 1000, 1500, 3000, 0.0, 0.5, -1);           // no sequence label
    rec(2, 17000, 17976, 18000, 0.0, 0.5, 8);         // send end 360 units above the bottom
    rec(3, 2000, 2500, 3000, 0.0, 0.05, 9);           // has not crossed a tenth of the width
    rec(4, 3000, 3500, 4000, 0.0, 0.5, 10);
    wire.ReDrawTrace();
    EXPECT_EQ(lines().size(), 20u);

    EXPECT_EQ(label(0).text(), " 4");
    EXPECT_NEAR(label(0).left(), 240 + 0.8 * 6495 - label(0).width(), 1e-9);
    EXPECT_EQ(label(0).top(), 1200 + 638);  // 637.5 rounds to even
    EXPECT_EQ(label(0).foreColour(), 0x0000C0);
    // Records 1 and 3 wrote their texts into label 1 without taking it.
    EXPECT_EQ(label(1).text(), " 10");
    EXPECT_TRUE(label(1).visible());
    EXPECT_FALSE(label(2).visible());
    EXPECT_EQ(trace.labelCount(), 2);
    for (int r : {1, 2, 3}) EXPECT_FALSE(trace.record(r).labelled) << r;

    // Once it has crossed far enough, a later draw labels it.
    trace.record(3).toPos = 0.5;
    trace.drawRecord(3);
    EXPECT_EQ(label(2).text(), " 9");
    EXPECT_TRUE(label(2).visible());
    EXPECT_TRUE(trace.record(3).labelled);
    trace.drawRecord(3);  // one label per record
    EXPECT_EQ(trace.labelCount(), 3);
}

TEST_F(TraceTest, SixtyFourLabelsThenARepaintStartsAgainFromTheOldestVisible)
{
    for (int r = 0; r < 70; ++r) rec(r, 1000 + 100 * r, 1100 + 100 * r, 2000 + 100 * r, 0.0, 1.0, r);
    wire.ReDrawTrace();
    EXPECT_EQ(trace.labelCount(), 64);
    EXPECT_EQ(label(63).text(), " 63");
    trace.drawRecord(64);
    EXPECT_EQ(trace.labelCount(), 64);
    EXPECT_FALSE(trace.record(64).labelled);

    // From the second second on, records 1 to 9 end their sending above the
    // top (no label) and record 0 is not drawn at all.
    wire.VScroll1.setMax(10);
    wire.VScroll1.userScroll(2);
    EXPECT_EQ(trace.labelCount(), 60);
    EXPECT_EQ(label(0).text(), " 10");
    EXPECT_EQ(label(0).top(), 1200 + 43);
    EXPECT_EQ(label(59).text(), " 69");
    EXPECT_FALSE(label(60).visible());
    EXPECT_EQ(lines().size(), 69u * 4);
}

TEST_F(TraceTest, MovingPacketsFillAndDrawTheirRecords)
{
    now = 2000;
    put(packet(3));
    const auto clears = wire.Picture1.clearCount();
    tickTo(2900);
    EXPECT_EQ(trace.record(0).sendEndTime, 2900);
    EXPECT_EQ(trace.record(0).lastTime, 2000);
    EXPECT_EQ(lines().size(), 9u * 4);  // one record drawn per tick, no repaint
    tickTo(3100);
    EXPECT_EQ(trace.record(0).lastTime, 3100);
    EXPECT_NEAR(trace.record(0).toPos, 0.1, 1e-12);
    EXPECT_FALSE(label(0).visible());  // a tenth of the line is not yet a tenth of the width
    tickTo(3200);
    EXPECT_TRUE(label(0).visible());
    EXPECT_EQ(label(0).text(), " 3");
    EXPECT_EQ(label(0).top(), 1200 + 1232);
    tickTo(4000);
    EXPECT_EQ(trace.record(0), (TraceRecord{2000, 2900, 4000, 0.0, 1.0, 3, true, 0xC00000}));
    EXPECT_EQ(wire.Picture1.clearCount(), clears);

    // A destroyed packet's record stops where it was.
    put(packet(4));
    tickTo(4500);
    wire.cmdPacket[0].click();
    const TraceRecord frozen = trace.record(1);
    tickTo(6000);
    EXPECT_EQ(trace.record(1), frozen);
    EXPECT_EQ(frozen.lastTime, 4000);  // still being sent: only its send end moved
    EXPECT_EQ(frozen.sendEndTime, 4500);
}

TEST_F(TraceTest, RecordsTakeTheirColourAndEndFromThePacket)
{
    put(packet(0, PacketColour::kData));
    put(packet(1, PacketColour::kDataResent));
    put(packet(2, PacketColour::kAck, true));
    put(packet(3, PacketColour::kReady, true));
    put(packet(4, PacketColour::kHold, true));
    EXPECT_EQ(trace.traceCount(), 5);
    const std::int64_t colours[] = {0xC00000, 0xC000C0, 0x0000C0, 0x000000, 0x000000};
    for (int r = 0; r < 5; ++r) EXPECT_EQ(trace.record(r).traceColour, colours[r]) << r;
    EXPECT_EQ(trace.record(0).fromPos, 0.0);
    EXPECT_EQ(trace.record(2).fromPos, 1.0);
    EXPECT_EQ(trace.record(2).toPos, 1.0);
    EXPECT_EQ(trace.record(2).seqLabel, 2);
}

TEST_F(TraceTest, StartBarMaximumFollowsThePacketsAndPullsTheValue)
{
    now = 2500;
    put(packet(0));
    EXPECT_EQ(wire.VScroll1.max(), 2);  // halves to even
    now = 2600;
    put(packet(1));
    EXPECT_EQ(wire.VScroll1.max(), 3);

    wire.VScroll1.setMax(10);
    wire.VScroll1.userScroll(8);
    const auto clears = wire.Picture1.clearCount();
    now = 3000;
    put(packet(2));
    EXPECT_EQ(wire.VScroll1.max(), 3);
    EXPECT_EQ(wire.VScroll1.value(), 3);
    EXPECT_EQ(wire.Picture1.clearCount(), clears + 1);  // the pulled value repainted
}

TEST_F(TraceTest, SwitchingOffHidesTheTraceAndForgetsItsLabels)
{
    rec(10, 2000, 3000, 4000, 0.0, 0.5, 7);
    wire.ReDrawTrace();
    wire.Trace(false);
    EXPECT_FALSE(wire.Picture1.visible() || wire.VScroll1.visible() || wire.VScroll2.visible());
    EXPECT_FALSE(label(0).visible());
    EXPECT_FALSE(trace.record(10).labelled);
    EXPECT_EQ(trace.labelCount(), 1);

    put(packet(1));
    const std::size_t before = lines().size();
    tickTo(1500);
    EXPECT_EQ(lines().size(), before);  // not drawn while off
    wire.ReDrawTrace();                 // a repaint draws regardless
    EXPECT_EQ(lines().size(), 8u);

    wire.Trace(true);
    EXPECT_TRUE(wire.Picture1.visible() && wire.VScroll1.visible() && wire.VScroll2.visible());
}

TEST_F(TraceTest, PictureHeightSplitsTheBars)
{
    EXPECT_EQ(wire.Picture1.height(), 8000);
    EXPECT_EQ(wire.VScroll1.top(), 1200);
    EXPECT_EQ(wire.VScroll1.height(), 6400);
    EXPECT_EQ(wire.VScroll2.top(), 7600);
    EXPECT_EQ(wire.VScroll2.height(), 1600);
}

TEST_F(TraceTest, FullTableStopsRecordingWhilePacketsStillMove)
{
    wire.SetDelay(0.1);
    wire.SetBitRate(5.0);  // each packet: 0 and 6 after two ticks, 2 after three
    for (int n = 0; n < TimeSequenceTrace::kRecords; ++n) {
        put(packet(n));
        tickTo(now + 100);
    }
    tickTo(now + 300);
    ASSERT_EQ(trace.traceCount(), TimeSequenceTrace::kRecords);
    std::vector<TraceRecord> before;
    for (int r = 0; r < TimeSequenceTrace::kEntries; ++r) before.push_back(trace.record(r));
    const int startMax = wire.VScroll1.max();
    env.routing.clear();

    now += 5000;
    put(packet(1000));
    tickTo(now + 300);
    EXPECT_EQ(env.routing.codes(), (std::vector<int>{DataHeadArrived, DataLineFree, DataArrived}));
    EXPECT_EQ(env.routing.reports.back().packet.Number, 1000);
    EXPECT_EQ(trace.traceCount(), TimeSequenceTrace::kRecords);
    EXPECT_EQ(wire.VScroll1.max(), startMax);
    for (int r = 0; r < TimeSequenceTrace::kEntries; ++r) EXPECT_EQ(trace.record(r), before[r]) << r;

    wire.ReDrawTrace();
    EXPECT_LE(lines().size(), 4u * TimeSequenceTrace::kRecords);
    EXPECT_EQ(trace.labelCount(), TimeSequenceTrace::kLabels);
}

}  // namespace
