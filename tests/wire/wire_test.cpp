// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <map>

#include <gtest/gtest.h>

#include "support/packets.h"
#include "support/testenv.h"
#include "wire/wire.h"

namespace {

Packet dataPacket(int number, int length = 4)
{
    return packets::data(number).length(length);
}

// The acknowledgement `trigger` caused, numbered apart from the data.
Packet ackPacket(int trigger, int length = 1)
{
    return packets::ack().number(1000 + trigger).seq(trigger % 8).trigger(trigger).shown().length(length);
}

// A wire on the design geometry (X1 120, X2 7080, delay 1 s, bit rate 1),
// moved by 100 ms ticks as the main clock does.
struct WireTest : ::testing::Test {
    TestEnv env;
    Wire wire{&env.window, "Wire1", env.context()};
    std::int64_t now = 0;

    WireTest() { wire.SetIndex(1); }
    void put(Packet p) { wire.PacketArrive(p, now); }
    void tickTo(std::int64_t t)
    {
        while (now < t) {
            now += 100;
            wire.MovePackets(now);
        }
    }
    const widgets::Button& button(int i) const { return wire.cmdPacket[i]; }
    std::vector<int> codes() const { return env.routing.codes(); }
    std::vector<int> numbers() const
    {
        std::vector<int> n;
        for (const Report& r : env.routing.reports) n.push_back(r.packet.Number);
        return n;
    }
};

TEST_F(WireTest, StartsOnTheDesign)
{
    std::vector<std::string> names;
    for (const widgets::Control* c : wire.children()) names.push_back(c->fullName());
    ASSERT_EQ(names.size(), 91u);
    EXPECT_EQ(names[0], "Line1");
    EXPECT_EQ(names[2], "Shape1(1)");
    EXPECT_EQ(names[18], "cmdPacket(15)");
    EXPECT_EQ((std::vector<std::string>(names.begin() + 19, names.begin() + 27)),
              (std::vector<std::string>{"cmdEdit", "lblBitRate", "cmbBitRate", "lblDelay", "cmbDelay", "Picture1",
                                        "VScroll1", "VScroll2"}));
    EXPECT_EQ(names[90], "txtTrace(63)");

    EXPECT_EQ(wire.Length(), 6960);
    EXPECT_EQ(wire.Shape1[1].left(), 6960);
    EXPECT_EQ(wire.cmbDelay.items(), (std::vector<std::string>{"0.5", "1.0", "2.0", "5.0", "10.0"}));
    EXPECT_EQ(wire.cmbBitRate.items(), (std::vector<std::string>{"0.2", "0.5", "1.0", "2.0", "5.0"}));
    EXPECT_EQ(wire.cmbBitRate.text(), "1.0");
    EXPECT_EQ(wire.VScroll1.max(), 1);
    EXPECT_EQ(wire.VScroll2.value(), 75);
    EXPECT_FALSE(wire.cmbDelay.visible());
    EXPECT_FALSE(wire.Picture1.visible());
    for (int i = 0; i < Wire::kSlots; ++i) EXPECT_FALSE(button(i).visible());
    EXPECT_EQ(wire.state().lastDataSlot, -1);
    EXPECT_EQ(wire.state().ackArrivingSlot, -1);
}

TEST_F(WireTest, ForwardPacketFollowsTheWorkedExample)
{
    put(dataPacket(0));
    EXPECT_TRUE(button(0).visible());
    EXPECT_EQ(button(0).caption(), "( 0)");
    EXPECT_EQ(button(0).backColour(), PacketColour::kData);
    EXPECT_EQ(button(0).top(), 360);
    EXPECT_EQ(button(0).left(), 120);
    EXPECT_EQ(button(0).width(), 0);

    tickTo(100);
    EXPECT_EQ(button(0).left(), 120);
    EXPECT_EQ(button(0).width(), 696);
    EXPECT_TRUE(wire.DataBusy());

    tickTo(1000);  // head exactly at X2, tail exactly at X1
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree}));
    EXPECT_EQ(button(0).width(), 6960);
    EXPECT_FALSE(wire.DataBusy());

    tickTo(1100);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree, DataHeadArrived}));
    EXPECT_EQ(button(0).left(), 816);
    EXPECT_EQ(button(0).width(), 6264);

    tickTo(1900);
    EXPECT_EQ(codes().size(), 2u);
    tickTo(2000);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree, DataHeadArrived, DataArrived}));
    EXPECT_FALSE(button(0).visible());
    EXPECT_FALSE(env.routing.reports.back().packet.Active);
    EXPECT_EQ(wire.state().dataArrivingSlot, -1);
    tickTo(4000);
    EXPECT_EQ(codes().size(), 3u);
}

TEST_F(WireTest, ReversePacketStartsLeftOfTheMarkAndHoldsItsTail)
{
    wire.SetDelay(10.0);
    put(ackPacket(7));
    EXPECT_EQ(button(0).caption(), " 7( 7)");
    EXPECT_EQ(button(0).top(), 120);
    EXPECT_EQ(button(0).left(), 6960);
    tickTo(100);  // head 7010 is held at X2 - 120, tail at X2
    EXPECT_EQ(button(0).left(), 6960);
    EXPECT_EQ(button(0).width(), 120);
    EXPECT_TRUE(wire.ACKBusy());

    wire.SetDelay(1.0);  // now: transmission 250 ms, crossing 1 s
    tickTo(200);
    EXPECT_EQ(button(0).left(), 5688);
    EXPECT_EQ(button(0).width(), 1392);
    EXPECT_TRUE(codes().empty());
    tickTo(300);
    EXPECT_EQ(codes(), (std::vector<int>{ACKLineFree}));
    EXPECT_EQ(button(0).left(), 4992);
    EXPECT_EQ(button(0).width(), 1740);
    tickTo(1100);
    EXPECT_EQ(codes(), (std::vector<int>{ACKLineFree, ACKHeadArrived}));
    EXPECT_EQ(button(0).left(), 120);
    EXPECT_EQ(button(0).width(), 1044);
    tickTo(1300);
    EXPECT_EQ(codes(), (std::vector<int>{ACKLineFree, ACKHeadArrived, ACKArrived}));
    EXPECT_FALSE(button(0).visible());
}

TEST_F(WireTest, PacketLongerThanTheWireArrivesWhileStillBeingSent)
{
    put(dataPacket(0, 8));  // drawn twice as long as the line
    tickTo(1100);
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived}));
    EXPECT_EQ(button(0).left(), 120);
    EXPECT_EQ(button(0).width(), 6960);
    EXPECT_TRUE(wire.DataBusy());
    tickTo(2000);
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataLineFree}));
    tickTo(2900);
    EXPECT_EQ(codes().size(), 2u);
    tickTo(3000);
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataLineFree, DataArrived}));
}

TEST_F(WireTest, ShortFastPacketIsSeenArrivingInTheTickItWhollyArrives)
{
    wire.SetBitRate(20);  // drawn 87 units: the tail passes the mark before the head passes X2
    put(dataPacket(0, 1));
    tickTo(900);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree}));
    tickTo(1000);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree, DataHeadArrived, DataArrived}));
    EXPECT_EQ(wire.state().dataArrivingSlot, -1);
}

TEST_F(WireTest, OneArrivalMarkPerDirection)
{
    put(dataPacket(0));  // slot 0
    tickTo(100);
    put(dataPacket(1));  // slot 1, now the one being sent: packet 0 never reports 6
    tickTo(1200);
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataLineFree}));
    EXPECT_EQ(numbers(), (std::vector<int>{0, 1}));
    EXPECT_EQ(wire.state().dataArrivingSlot, 0);
    // Packet 1's head passed X2 at 1200 but waits for the mark.
    tickTo(2000);
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataLineFree, DataArrived, DataHeadArrived}));
    EXPECT_EQ(numbers(), (std::vector<int>{0, 1, 0, 1}));
    tickTo(2100);
    EXPECT_EQ(codes().back(), DataArrived);
    EXPECT_EQ(numbers().back(), 1);
}

TEST_F(WireTest, DestroyingTheMarkedPacketPassesTheMarkOn)
{
    put(dataPacket(0));
    tickTo(100);
    put(dataPacket(1));
    tickTo(1500);
    env.routing.clear();
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), (std::vector<int>{DataArrivalKilled}));
    EXPECT_EQ(numbers(), (std::vector<int>{0}));
    tickTo(1600);
    EXPECT_EQ(codes(), (std::vector<int>{DataArrivalKilled, DataHeadArrived}));
    EXPECT_EQ(numbers().back(), 1);
}

struct ClickCase {
    const char* role;
    bool ack;
    int length;
    std::int64_t clickAt;
    std::vector<int> codesBefore;
    std::vector<int> codesOfClick;
};

void PrintTo(const ClickCase& c, std::ostream* os)
{
    *os << c.role;
}

class WireClick : public WireTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(WireClick, ReportsTheRolesThePacketHasNow)
{
    const ClickCase& c = GetParam();
    put(c.ack ? ackPacket(3, c.length) : dataPacket(3, c.length));
    tickTo(c.clickAt);
    EXPECT_EQ(codes(), c.codesBefore);
    env.routing.clear();
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), c.codesOfClick);
    EXPECT_FALSE(button(0).visible());
    EXPECT_EQ(wire.state().lastDataSlot, -1);
    EXPECT_EQ(wire.state().lastACKSlot, -1);
    EXPECT_EQ(wire.state().dataArrivingSlot, -1);
    EXPECT_EQ(wire.state().ackArrivingSlot, -1);
    tickTo(6000);  // gone: nothing more is reported
    EXPECT_EQ(codes(), c.codesOfClick);
    put(dataPacket(4));  // the freed slot is the lowest free one again
    EXPECT_TRUE(button(0).visible());
}

INSTANTIATE_TEST_SUITE_P(
    Roles, WireClick,
    ::testing::Values(
        ClickCase{"DataBeingSent", false, 4, 500, {}, {DataSendCancelled}},
        ClickCase{"DataTravelling", false, 1, 500, {DataLineFree}, {}},
        ClickCase{"DataArriving", false, 4, 1500, {DataLineFree, DataHeadArrived}, {DataArrivalKilled}},
        ClickCase{"DataSentAndArriving", false, 8, 1500, {DataHeadArrived}, {DataSendCancelled, DataArrivalKilled}},
        ClickCase{"AckBeingSent", true, 1, 100, {}, {ACKSendCancelled}},
        ClickCase{"AckTravelling", true, 1, 500, {ACKLineFree}, {}},
        ClickCase{"AckArriving", true, 1, 1200, {ACKLineFree, ACKHeadArrived}, {ACKArrivalKilled}},
        ClickCase{"AckSentAndArriving", true, 8, 1500, {ACKHeadArrived}, {ACKSendCancelled, ACKArrivalKilled}}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.role); });

TEST_F(WireTest, ClickForgetsTheSlotItReportedFree)
{
    put(dataPacket(0));
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), (std::vector<int>{DataSendCancelled}));
    // Slot 0 now carries an acknowledgement: destroying it frees only the
    // reverse direction.
    put(ackPacket(0));
    tickTo(100);
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), (std::vector<int>{DataSendCancelled, ACKSendCancelled}));
}

TEST_F(WireTest, ClickReportsTheDestroyedPacketEvenWhenItsSlotIsReusedAtOnce)
{
    // A router told that its output is free forwards its next packet at once.
    env.routing.react = [&](int, int code, Packet&) {
        if (code == DataSendCancelled) put(dataPacket(9));
    };
    put(dataPacket(5, 8));
    tickTo(1500);
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataSendCancelled, DataArrivalKilled}));
    EXPECT_EQ(numbers(), (std::vector<int>{5, 5, 5}));
    EXPECT_EQ(wire.pktWire(0).Number, 9);
    EXPECT_EQ(wire.state().lastDataSlot, 0);
}

TEST_F(WireTest, CancelAbortsOnlyThePacketBeingSent)
{
    wire.DataCancel();
    wire.ACKCancel();
    EXPECT_TRUE(codes().empty());

    put(dataPacket(0));
    put(ackPacket(0));
    tickTo(100);
    wire.ACKCancel();
    EXPECT_EQ(codes(), (std::vector<int>{ACKSendCancelled}));
    EXPECT_FALSE(button(1).visible());
    EXPECT_FALSE(wire.ACKBusy());
    wire.DataCancel();
    EXPECT_EQ(codes(), (std::vector<int>{ACKSendCancelled, DataSendCancelled}));
    EXPECT_FALSE(button(0).visible());

    put(dataPacket(1, 1));
    tickTo(500);  // already sent
    wire.DataCancel();
    EXPECT_EQ(codes().back(), DataLineFree);
    EXPECT_TRUE(button(0).visible());
}

TEST_F(WireTest, RateAndDelayApplyToPacketsInFlightAtTheNextTick)
{
    put(dataPacket(0));
    tickTo(600);
    EXPECT_EQ(button(0).left(), 120);
    EXPECT_EQ(button(0).width(), 4176);
    wire.cmbBitRate.userChoose(3);  // "2.0": the packet is half as long
    tickTo(700);
    EXPECT_EQ(button(0).left(), 1512);
    EXPECT_EQ(button(0).width(), 3480);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree}));
    wire.cmbDelay.userChoose(2);  // "2.0": everything slows to half the distance
    tickTo(800);
    EXPECT_EQ(button(0).left(), 1164);
    EXPECT_EQ(button(0).width(), 1740);
}

TEST_F(WireTest, LengthMovesTheRightEnd)
{
    wire.SetLength(7950);
    EXPECT_EQ(wire.Line1.x2(), 8070);
    EXPECT_EQ(wire.Shape1[1].left(), 7950);
    EXPECT_EQ(wire.Picture1.width(), 7485);
    EXPECT_EQ(wire.VScroll1.left(), 7710);
    EXPECT_EQ(wire.VScroll2.left(), 7710);
    EXPECT_EQ(wire.Length(), 7950);
    put(ackPacket(0));
    EXPECT_EQ(button(0).left(), 7950);
}

TEST_F(WireTest, SettingsShowInTheCombosAndThePanelToggles)
{
    wire.SetBitRate(5.0);
    wire.SetDelay(0.5);
    EXPECT_EQ(wire.cmbBitRate.text(), " 5");
    EXPECT_EQ(wire.cmbDelay.text(), " 0.5");
    EXPECT_EQ(wire.state().bitRate, 5);
    EXPECT_EQ(wire.state().delay, 0.5);

    wire.cmdEdit.click();
    EXPECT_EQ(wire.cmdEdit.caption(), "Done");
    EXPECT_TRUE(wire.lblBitRate.visible() && wire.cmbBitRate.visible() && wire.lblDelay.visible() &&
                wire.cmbDelay.visible());
    wire.cmdEdit.click();
    EXPECT_EQ(wire.cmdEdit.caption(), "Edit");
    EXPECT_FALSE(wire.lblBitRate.visible() || wire.cmbBitRate.visible() || wire.cmbDelay.visible());
}

TEST_F(WireTest, UnusableRateOrDelayKeepsTheLastGoodValue)
{
    wire.cmbBitRate.userChoose(3);  // 2.0
    put(dataPacket(0));
    for (const char* typed : {"", "0", "0.", "-", "-1", "abc", " 0.0"}) {
        wire.cmbBitRate.userEdit(typed);
        wire.cmbDelay.userEdit(typed);
        EXPECT_EQ(wire.cmbBitRate.text(), typed);
        EXPECT_EQ(wire.state().bitRate, 2) << typed;
        EXPECT_EQ(wire.state().delay, 1) << typed;
    }
    wire.SetBitRate(0);
    wire.SetDelay(-1);
    wire.SetDelay(std::nan(""));
    EXPECT_EQ(wire.state().bitRate, 2);
    EXPECT_EQ(wire.state().delay, 1);
    tickTo(700);
    EXPECT_EQ(button(0).left(), 1512);
    EXPECT_EQ(button(0).width(), 3480);

    // Typing "0.5" passes through "0" and "0.", which are skipped.
    for (const char* keys : {"0", "0.", "0.5"}) wire.cmbDelay.userEdit(keys);
    EXPECT_EQ(wire.state().delay, 0.5);

    // Extremes stay finite: a vanishing delay and a line of length 0.
    wire.cmbDelay.userEdit("1e-320");
    wire.SetLength(0);
    put(dataPacket(1));
    tickTo(900);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(std::isfinite(button(i).left()));
        EXPECT_TRUE(std::isfinite(button(i).width()));
    }
    for (int r = 0; r < 2; ++r) EXPECT_TRUE(std::isfinite(wire.traceTable().record(r).toPos));
}

TEST_F(WireTest, PacketForAFullWireIsLostAndItsDirectionFreedAtTheNextMove)
{
    for (int n = 0; n < Wire::kSlots; ++n) put(dataPacket(n));
    put(dataPacket(16));
    put(ackPacket(16));
    EXPECT_TRUE(codes().empty());  // not from inside PacketArrive
    for (int i = 0; i < Wire::kSlots; ++i) EXPECT_EQ(wire.pktWire(i).Number, i);
    EXPECT_EQ(wire.state().lastDataSlot, 15);
    EXPECT_EQ(wire.traceTable().traceCount(), 16);

    tickTo(100);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree, ACKLineFree}));
    EXPECT_EQ(numbers(), (std::vector<int>{16, 1016}));
    tickTo(200);
    EXPECT_EQ(codes().size(), 2u);

    // An emptying forgets a loss that was not yet reported.
    put(dataPacket(17));
    wire.Reset(1);
    env.routing.clear();
    tickTo(300);
    EXPECT_TRUE(codes().empty());
}

// With the trace on, every packet visited by a move draws the four lines of
// its record: the line count tells which slots a pass visited.
TEST_F(WireTest, PacketPutOnDuringTheMoveIntoAHigherSlotMovesInTheSamePass)
{
    wire.Trace(true);
    env.routing.react = [&](int, int code, Packet&) {
        if (code == DataLineFree) put(dataPacket(1));
    };
    put(dataPacket(0, 1));
    tickTo(200);
    const std::size_t before = wire.Picture1.lines().size();
    tickTo(300);  // packet 0 reports 6; packet 1 goes into slot 1
    ASSERT_TRUE(button(1).visible());
    EXPECT_EQ(wire.Picture1.lines().size(), before + 8);
    EXPECT_EQ(button(1).left(), 120);  // elapsed time 0
    EXPECT_EQ(button(1).width(), 0);
    EXPECT_TRUE(wire.DataBusy());  // written by slot 1, visited after slot 0
}

TEST_F(WireTest, PacketPutOnDuringTheMoveIntoALowerSlotMovesAtTheNextTick)
{
    wire.Trace(true);
    put(dataPacket(0));  // slot 0, arrives at 2000
    tickTo(1000);
    put(dataPacket(1));  // slot 1, reports 6 at 2000, after slot 0 has left
    env.routing.react = [&](int, int code, Packet& p) {
        if (code == DataLineFree && p.Number == 1) put(dataPacket(2));
    };
    tickTo(1900);
    std::size_t before = wire.Picture1.lines().size();
    tickTo(2000);
    ASSERT_EQ(wire.pktWire(0).Number, 2);
    EXPECT_TRUE(button(0).visible());
    EXPECT_EQ(wire.Picture1.lines().size(), before + 8);  // packets 0 and 1 only
    before = wire.Picture1.lines().size();
    tickTo(2100);
    EXPECT_EQ(wire.Picture1.lines().size(), before + 8);  // packets 2 and 1
    EXPECT_EQ(button(0).width(), 696);
}

TEST_F(WireTest, ResetFromInsideAReportEndsTheMove)
{
    wire.Trace(true);
    put(dataPacket(0));
    put(ackPacket(0));
    env.routing.react = [&](int, int code, Packet&) {
        if (code == DataHeadArrived) wire.Reset(1);
    };
    tickTo(1100);
    EXPECT_EQ(codes(), (std::vector<int>{ACKLineFree, DataLineFree, DataHeadArrived}));
    EXPECT_EQ(wire.traceTable().traceCount(), 0);
    EXPECT_EQ(wire.traceTable().record(0), TraceRecord{});
    EXPECT_TRUE(wire.Picture1.lines().empty());
    tickTo(1500);
    EXPECT_EQ(codes().size(), 3u);
}

// A click and the losses reported at a move make several reports in a row:
// an emptying from inside one of them ends the rest.
TEST_F(WireTest, ResetFromInsideAClickOrALossReportEndsItsReports)
{
    env.routing.react = [&](int, int code, Packet&) {
        if (code == DataSendCancelled || code == DataLineFree) wire.Reset(1);
    };
    put(dataPacket(0, 8));  // still being sent while it arrives
    tickTo(1500);
    wire.cmdPacket[0].click();
    EXPECT_EQ(codes(), (std::vector<int>{DataHeadArrived, DataSendCancelled}));
    EXPECT_EQ(wire.state().dataArrivingSlot, -1);

    env.routing.clear();
    for (int n = 0; n < Wire::kSlots; ++n) put(dataPacket(n));
    put(dataPacket(16));
    put(ackPacket(16));
    tickTo(1600);
    EXPECT_EQ(codes(), (std::vector<int>{DataLineFree}));
    EXPECT_EQ(numbers(), (std::vector<int>{16}));
    tickTo(1700);
    EXPECT_EQ(codes().size(), 1u);
}

TEST_F(WireTest, CaptionsShowNumbersInTheLeadingBlankForm)
{
    Packet withSeq = dataPacket(11);
    withSeq.ShowSequenceFlag = true;
    Packet unnumbered = dataPacket(-1);
    unnumbered.ShowSequenceFlag = true;
    Packet bareAck = ackPacket(5);
    bareAck.ShowSequenceFlag = false;
    Packet untriggered = ackPacket(0);
    untriggered.TriggerNumber = -1;
    for (const Packet& p : {withSeq, dataPacket(11), unnumbered, ackPacket(5), bareAck, untriggered}) put(p);
    const std::vector<std::string> expected{" 3( 11)", "( 11)", "", " 5( 5)", "", " 0(-1)"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(button(i).caption(), expected[static_cast<std::size_t>(i)]) << i;
}

TEST_F(WireTest, ResetLevels)
{
    wire.SetBitRate(5.0);
    wire.SetDelay(2.0);
    wire.Trace(true);
    put(dataPacket(0));
    put(ackPacket(0));
    tickTo(500);
    wire.Reset(2);
    EXPECT_TRUE(button(0).visible());

    wire.Reset(1);
    for (int i = 0; i < Wire::kSlots; ++i) {
        EXPECT_FALSE(button(i).visible());
        EXPECT_EQ(wire.pktWire(i), Packet{});
    }
    const Wire::State st = wire.state();
    EXPECT_EQ(st.lastDataSlot, -1);
    EXPECT_EQ(st.lastACKSlot, -1);
    EXPECT_EQ(st.dataArrivingSlot, -1);
    EXPECT_EQ(st.ackArrivingSlot, -1);
    EXPECT_EQ(st.traceCount, 0);
    EXPECT_TRUE(wire.Picture1.lines().empty());
    EXPECT_EQ(wire.state().bitRate, 5);
    EXPECT_TRUE(wire.state().traceOn);

    wire.Reset(0);  // the start-up sequence: the items come a second time
    EXPECT_EQ(wire.cmbDelay.items().size(), 10u);
    EXPECT_EQ(wire.cmbBitRate.text(), "1.0");
    EXPECT_EQ(wire.state().bitRate, 1);
    EXPECT_EQ(wire.state().delay, 1);
}

// A long packet is arriving when the bit rate is lowered: every packet on the
// wire grows longer at once, and a short packet behind it wholly arrives
// first. Only the long packet's own arrival clears its arrival mark, so it
// is reported as starting to arrive once, in each direction.
// After a rate change a short packet catches up with a long one that is
// arriving: it waits at the arrival mark, drawn there, and takes the mark
// once the long one has arrived, so each direction's packets arrive in the
// order they were put on, each announced before it arrives.
TEST_F(WireTest, APacketThatCatchesUpWithAnArrivingOneWaitsForTheMark)
{
    put(dataPacket(0, 8));  // two seconds long: arriving from 1 s
    put(ackPacket(0, 8));
    tickTo(2000);  // both lines free again
    put(dataPacket(1, 1));
    put(ackPacket(1, 1));
    tickTo(2500);
    wire.SetBitRate(0.2);

    bool sawWaiting = false;
    while (now < 15000) {
        tickTo(now + 100);
        for (int i = 0; i < Wire::kSlots; ++i) {
            const Packet& p = wire.pktWire(i);
            if (!wire.cmdPacket[i].visible() || p.Number != 1) continue;
            EXPECT_LE(wire.cmdPacket[i].left(), wire.state().X2 - 120) << "never drawn past the arrival mark";
            if (wire.cmdPacket[i].left() == wire.state().X2 - 120) sawWaiting = true;
        }
    }

    std::vector<int> arrived;
    std::map<int, int> announced;  // packet number -> open announcements
    for (const Report& r : env.routing.reports) {
        if (r.code == DataHeadArrived || r.code == ACKHeadArrived) ++announced[r.packet.Number];
        if (r.code == DataArrived || r.code == ACKArrived) {
            EXPECT_EQ(announced[r.packet.Number]--, 1) << "packet " << r.packet.Number;
            arrived.push_back(r.packet.Number);
        }
    }
    EXPECT_TRUE(sawWaiting);
    const auto before = [&](int a, int b) {
        return std::find(arrived.begin(), arrived.end(), a) < std::find(arrived.begin(), arrived.end(), b);
    };
    EXPECT_EQ(arrived.size(), 4u);
    EXPECT_TRUE(before(0, 1));
    EXPECT_TRUE(before(1000, 1001));
}

}  // namespace
