// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "receiver/receiver.h"
#include "support/packets.h"
#include "support/testenv.h"

namespace {

using Mark = Receiver::SlotMark;

using Policy = Receiver::RxPolicy;
using Mode = Receiver::AckMode;
using enum Receiver::RxPolicy;
using enum Receiver::AckMode;

class ReceiverTest : public ::testing::Test {
protected:
    TestEnv env;
    Receiver rx{&env.window, "Receiver1", env.context()};

    void SetUp() override { rx.SetIndex(14); }

    // The main window's scenario set-up followed by its reset.
    void configure(int maxSeq, int window, Policy policy, Mode mode)
    {
        rx.SetMaxSequence(maxSeq);
        rx.SetRxWindow(window);
        rx.SetRxPolicy(Receiver::kRxPolicies.index(policy));
        setMode(mode);
        rx.Reset(1, 1);
    }
    void setMode(Mode mode) { rx.SetACKMode(Receiver::kAckModes.index(mode)); }
    void arriving(int n, int s)
    {
        m_wire = packets::data(n).seq(s).shown().length(100);
        rx.Arriving(m_wire);
    }
    void arrive()
    {
        m_wire.Active = false;  // the wire has removed it before it reports
        rx.Arrive(m_wire);
    }
    void receive(int n, int s)
    {
        arriving(n, s);
        arrive();
    }
    void receiveInOrder(int from, int to, int maxSeq)
    {
        for (int n = from; n < to; ++n) receive(n, maxSeq > 0 ? n % (maxSeq + 1) : 0);
    }
    void ticks(int count) { env.scheduler.advance(100 * count); }
    std::string status() const { return rx.lblRxMode.caption(); }
    Receiver::State state() const { return rx.state(); }
    std::vector<std::string> numbers(int count) const
    {
        std::vector<std::string> v;
        for (int i = 0; i < count; ++i) v.push_back(rx.lblRxPacket[i].caption());
        return v;
    }
    std::vector<std::string> sequences(int count) const
    {
        std::vector<std::string> v;
        for (int i = 0; i < count; ++i) v.push_back(rx.lblRxSeq[i].caption());
        return v;
    }
    const Packet& ack(int i) const { return rx.pktRxACKBuffer(i); }
    int activeAcks() const
    {
        int c = 0;
        for (int i = 0; i < Receiver::kAckEntries; ++i) c += ack(i).Active;
        return c;
    }
    std::vector<int> sentNumbers() const
    {
        std::vector<int> v;
        for (const Report& r : env.routing.reports) {
            EXPECT_EQ(r.index, 14);
            EXPECT_EQ(r.code, SendACK);
            v.push_back(r.packet.Number);
        }
        return v;
    }

    Packet m_wire;
};

// ---- creation, layout and panel --------------------------------------------

TEST_F(ReceiverTest, CreationDefaultsAndLayout)
{
    EXPECT_EQ(state(), (Receiver::State{.rxWindow = 1,
                                        .rxBase = 0,
                                        .maxSequence = 3,
                                        .rxClock = 0,
                                        .wrongUntil = 0,
                                        .rxReady = true,
                                        .ackLineBusy = false,
                                        .routingIndex = 14,
                                        .restricted = 0}));
    EXPECT_EQ(rx.cmbRxWindowSize.text(), "1");
    EXPECT_EQ(rx.cmbRxProcTime.text(), "0");
    EXPECT_EQ(rx.cmbMaxSequence.text(), "3");
    EXPECT_EQ(rx.cmbRxPolicy.text(), "In Order");
    EXPECT_EQ(rx.cmbAckMode.text(), "Single");
    EXPECT_EQ(rx.cmbAckMode.items().size(), 6u);
    EXPECT_EQ(status(), "Initial");
    EXPECT_EQ(rx.lblRxPacket[0].caption(), " 0");
    EXPECT_EQ(rx.lblRxSeq[0].caption(), " 0");
    EXPECT_TRUE(rx.lblRxSeq[0].visible());
    EXPECT_FALSE(rx.lblRxPacket[1].visible() || rx.shpRxQueue[1].visible());
    EXPECT_EQ(rx.slotMark(0), Mark::Fresh);
    EXPECT_EQ(rx.width(), 2600);
    EXPECT_EQ(rx.height(), 1695);
    EXPECT_EQ(rx.Shape2.width(), 2600);
    EXPECT_TRUE(rx.Timer1.enabled());
    EXPECT_EQ(rx.Timer1.interval(), 100);
    EXPECT_FALSE(rx.lblWrong.visible());
    EXPECT_EQ(rx.lblWrong.foreColour(), 0x8080FF);
    EXPECT_EQ(rx.chkRxReady.caption(), "Ready");
    EXPECT_EQ(rx.cmdEdit.caption(), "Edit");
    EXPECT_EQ(rx.shpRxQueue[3].left(), 240 + 480 * 3);
    EXPECT_EQ(rx.lblRxPacket[5].left(), 180 + 480 * 5);
    EXPECT_EQ(rx.lblRxSeq[2].left(), 300 + 480 * 2);
    EXPECT_EQ(rx.lblWrong.left(), -120);

    std::vector<std::string> names;
    for (const widgets::Control* c : rx.children()) names.push_back(c->fullName());
    std::vector<std::string> expected{"lblRxMode", "Line6"};
    for (const char* a : {"shpRxQueue", "lblRxPacket", "lblRxSeq"}) {
        for (int i = 0; i < 6; ++i) expected.push_back(std::string(a) + "(" + std::to_string(i) + ")");
    }
    expected.insert(expected.end(), {"chkRxReady", "cmdEdit"});
    for (int i = 0; i < 5; ++i) expected.push_back("lblControl(" + std::to_string(i) + ")");
    expected.insert(expected.end(), {"cmbRxWindowSize", "cmbRxProcTime", "cmbMaxSequence", "cmbRxPolicy", "cmbAckMode",
                                     "lblWrong", "Shape2", "Timer1"});
    EXPECT_EQ(names, expected);
    EXPECT_EQ(rx.stacking().front(), &rx.Shape2);
    EXPECT_EQ(rx.stacking().back(), &rx.lblWrong);
}

TEST(ReceiverSlotColours, EachMarkReadsBackFromItsColour)
{
    for (Mark m : {Mark::Fresh, Mark::Idle, Mark::Incoming, Mark::Misnumbered}) {
        EXPECT_EQ(Receiver::slotMarkOf(Receiver::slotColour(m, PacketColour::kData)), m);
    }
    for (std::int64_t c : {PacketColour::kData, PacketColour::kAck}) {
        EXPECT_EQ(Receiver::slotColour(Mark::Arrived, c), c);
        EXPECT_EQ(Receiver::slotMarkOf(c), Mark::Arrived);
    }
}

TEST_F(ReceiverTest, PanelOpensWithoutAckModeAfterAReleaseReset)
{
    rx.cmdEdit.click();  // before any reset the ACK mode row is offered
    EXPECT_TRUE(rx.cmbAckMode.visible() && rx.lblControl[3].visible());
    rx.cmdEdit.click();
    EXPECT_FALSE(rx.cmbAckMode.visible() || rx.cmbRxPolicy.visible() || rx.lblControl[0].visible());

    rx.Reset(1, 1);
    rx.cmdEdit.click();
    EXPECT_EQ(rx.cmdEdit.caption(), "Done");
    for (int i : {0, 1, 2, 4}) EXPECT_TRUE(rx.lblControl[i].visible()) << i;
    EXPECT_TRUE(rx.cmbRxWindowSize.visible() && rx.cmbRxProcTime.visible() && rx.cmbMaxSequence.visible() &&
                rx.cmbRxPolicy.visible());
    EXPECT_FALSE(rx.cmbAckMode.visible() || rx.lblControl[3].visible());
    EXPECT_EQ(rx.width(), 3200);
    EXPECT_EQ(rx.height(), 4215);

    rx.cmbRxWindowSize.userChoose(4);  // "5" while open
    EXPECT_EQ(rx.width(), 3200);
    rx.cmdEdit.click();
    EXPECT_EQ(rx.width(), 3200);  // five slots need the wide panel
    EXPECT_EQ(rx.height(), 1695);
    rx.SetRxWindow(4);
    EXPECT_EQ(rx.width(), 2600);
    EXPECT_EQ(rx.Shape2.width(), 2600);
}

TEST_F(ReceiverTest, GrowingTheWindowNumbersOnFromSlotZero)
{
    configure(7, 3, InOrder, None);
    receiveInOrder(0, 4, 7);
    EXPECT_EQ(numbers(3), (std::vector<std::string>{" 4", " 5", " 6"}));
    rx.SetRxWindow(6);
    EXPECT_EQ(numbers(6), (std::vector<std::string>{" 4", " 5", " 6", " 7", " 8", " 9"}));
    EXPECT_EQ(sequences(6), (std::vector<std::string>{" 4", " 5", " 6", " 7", " 0", " 1"}));
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(rx.lblRxSeq[i].visible() && rx.shpRxQueue[i].visible());
    EXPECT_EQ(rx.width(), 3200);
}

TEST_F(ReceiverTest, ShrinkingHidesSlotsAndKeepsTheirRecords)
{
    configure(7, 3, InWindow, None);
    receive(2, 2);
    rx.SetRxWindow(1);
    for (int i : {1, 2}) {
        EXPECT_FALSE(rx.lblRxPacket[i].visible() || rx.lblRxSeq[i].visible() || rx.shpRxQueue[i].visible());
    }
    EXPECT_TRUE(rx.pktRxQueue(2).Active);
    EXPECT_EQ(rx.pktRxQueue(2).Number, 2);
    EXPECT_TRUE(env.routing.reports.empty());
}

TEST_F(ReceiverTest, RelayoutGreysAnArrivedSlotWhichIsStillDelivered)
{
    configure(7, 3, InWindow, None);
    receive(1, 1);
    EXPECT_EQ(rx.slotMark(1), Mark::Arrived);
    rx.SetRxWindow(4);
    EXPECT_EQ(rx.slotMark(1), Mark::Idle);
    EXPECT_EQ(rx.lblRxPacket[1].foreColour(), 0x808080);
    receive(0, 0);
    EXPECT_EQ(state().rxBase, 2);
    EXPECT_EQ(numbers(4), (std::vector<std::string>{" 2", " 3", " 4", " 5"}));
}

TEST_F(ReceiverTest, TypedMaxSequenceRenumbersFromTheRecords)
{
    configure(0, 2, InOrder, None);
    receiveInOrder(0, 9, 0);
    rx.cmbMaxSequence.userEdit("7");
    EXPECT_EQ(state().maxSequence, 7);
    EXPECT_EQ(sequences(2), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(rx.lblRxSeq[0].visible() && rx.lblRxSeq[1].visible());
    rx.cmbMaxSequence.userEdit("");
    EXPECT_EQ(sequences(2), (std::vector<std::string>{"0", "0"}));
    EXPECT_FALSE(rx.lblRxSeq[0].visible());
}

// ---- reception -------------------------------------------------------------

TEST_F(ReceiverTest, InOrderWithoutSequenceNumbers)
{
    configure(0, 1, InOrder, None);
    arriving(0, 0);
    EXPECT_EQ(status(), "Receiving  0");
    EXPECT_EQ(rx.slotMark(0), Mark::Incoming);
    EXPECT_EQ(rx.pktRxQueue(0).Colour, 0x804020);
    arrive();
    EXPECT_EQ(status(), "Expecting 1");
    EXPECT_EQ(state().rxBase, 1);
    EXPECT_EQ(rx.slotMark(0), Mark::Idle);
    EXPECT_EQ(rx.lblRxSeq[0].caption(), "");
    EXPECT_EQ(rx.pktRxQueue(0).Number, 1);
    EXPECT_EQ(rx.pktRxQueue(0).Colour, 0x808080);

    // Without sequence numbers any packet goes into the lowest empty slot.
    arriving(5, 0);
    EXPECT_EQ(rx.slotMark(0), Mark::Misnumbered);
    EXPECT_EQ(rx.lblRxSeq[0].foreColour(), 0x804020);  // never red
    EXPECT_TRUE(rx.lblWrong.visible());
    EXPECT_EQ(status(), "Receiving  5 (not  1)");
}

TEST_F(ReceiverTest, InOrderWithSequenceNumbersTakesOnlyTheLowestEmptySlot)
{
    configure(15, 3, InOrder, None);
    receiveInOrder(0, 4, 15);
    arriving(5, 5);
    EXPECT_EQ(status(), "Ignoring  5");
    arrive();  // the ignored packet leaves no trace
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rx.slotMark(i), Mark::Idle);
    EXPECT_EQ(state().rxBase, 4);
    arriving(4, 4);
    EXPECT_EQ(status(), "Receiving  4");
    EXPECT_EQ(rx.slotMark(0), Mark::Incoming);
    EXPECT_EQ(rx.lblRxSeq[0].caption(), "4");
}

TEST_F(ReceiverTest, InWindowTakesAheadAndDeliversWhenTheGapCloses)
{
    configure(7, 3, InWindow, None);
    receiveInOrder(0, 3, 7);
    arriving(5, 5);
    EXPECT_EQ(status(), "Receiving  5 (not  3)");
    EXPECT_EQ(rx.slotMark(2), Mark::Incoming);
    EXPECT_FALSE(rx.lblWrong.visible());
    arrive();
    EXPECT_EQ(rx.slotMark(2), Mark::Arrived);
    EXPECT_EQ(rx.lblRxPacket[2].foreColour(), PacketColour::kData);
    EXPECT_EQ(status(), "Receiving  5 (not  3)");  // completed outside slot 0: no delivery
    receive(3, 3);
    EXPECT_EQ(state().rxBase, 4);  // slot 1 was empty: one move-up only
    EXPECT_EQ(status(), "Expecting 4");
    EXPECT_EQ(rx.slotMark(1), Mark::Arrived);
    EXPECT_EQ(rx.pktRxQueue(1).Number, 5);
    EXPECT_EQ(numbers(3), (std::vector<std::string>{" 4", " 5", " 6"}));
}

TEST_F(ReceiverTest, SeveralPacketsDeliveredInOneMoveUp)
{
    configure(7, 3, InWindow, None);
    receive(2, 2);
    receive(1, 1);
    receive(0, 0);
    EXPECT_EQ(state().rxBase, 3);
    EXPECT_EQ(numbers(3), (std::vector<std::string>{" 3", " 4", " 5"}));
    EXPECT_EQ(sequences(3), (std::vector<std::string>{" 3", " 4", " 5"}));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(rx.pktRxQueue(i).Active);
    EXPECT_EQ(status(), "Expecting 3");
}

TEST_F(ReceiverTest, FiveDeliveriesRenumberTheWindow)
{
    configure(3, 3, InOrder, None);
    receiveInOrder(0, 5, 3);
    EXPECT_EQ(numbers(3), (std::vector<std::string>{" 5", " 6", " 7"}));
    EXPECT_EQ(sequences(3), (std::vector<std::string>{" 1", " 2", " 3"}));
}

TEST_F(ReceiverTest, HoldKeepsPacketsAndReadyDeliversThem)
{
    configure(0, 1, InOrder, Single);
    rx.chkRxReady.click();
    EXPECT_EQ(rx.chkRxReady.caption(), "Hold");
    EXPECT_EQ(state().rxReady, false);
    receive(0, 0);
    EXPECT_EQ(rx.slotMark(0), Mark::Arrived);
    EXPECT_EQ(status(), "Receiving  0");
    receive(1, 0);
    EXPECT_EQ(status(), "Ignoring  1");
    EXPECT_EQ(rx.pktRxQueue(0).Number, 0);
    rx.chkRxReady.click();
    EXPECT_EQ(rx.chkRxReady.caption(), "Ready");
    EXPECT_EQ(state().rxBase, 1);
    EXPECT_EQ(status(), "Ignoring  1");  // the delivery on Ready leaves the status
}

TEST_F(ReceiverTest, InWindowWithoutSequenceNumbersFillsOnHoldAndDeliversAllOnReady)
{
    configure(0, 3, InWindow, None);
    rx.chkRxReady.click();
    for (int n = 0; n < 4; ++n) receive(n, 0);
    EXPECT_EQ(status(), "Ignoring  3");
    rx.chkRxReady.click();
    EXPECT_EQ(state().rxBase, 3);
    EXPECT_EQ(numbers(3), (std::vector<std::string>{" 3", " 4", " 5"}));
}

TEST_F(ReceiverTest, WrongIsShownExtendedAndHiddenStrictlyAfterOneSecond)
{
    configure(1, 3, InWindow, None);
    ticks(40);
    EXPECT_EQ(state().rxClock, 4000);
    arriving(2, 0);  // sequence 0 belongs to packet 0 here
    EXPECT_EQ(rx.slotMark(0), Mark::Misnumbered);
    EXPECT_EQ(rx.lblRxPacket[0].foreColour(), 0x0000FF);
    EXPECT_EQ(status(), "Receiving  2 (not  0)");
    EXPECT_TRUE(rx.lblWrong.visible());
    EXPECT_EQ(state().wrongUntil, 5000);
    rx.KillArriving(m_wire);
    EXPECT_EQ(rx.slotMark(0), Mark::Idle);  // a misnumbered arrival clears like any other

    ticks(11);  // the tick that saw rxClock 5000 keeps it
    EXPECT_TRUE(rx.lblWrong.visible());
    ticks(1);
    EXPECT_FALSE(rx.lblWrong.visible());

    arriving(4, 0);
    EXPECT_EQ(state().wrongUntil, 6200);
    rx.KillArriving(m_wire);
    ticks(5);
    rx.Arriving(m_wire);  // misnumbered again: the warning is extended
    EXPECT_EQ(state().wrongUntil, 6700);
    ticks(11);
    EXPECT_TRUE(rx.lblWrong.visible());
    ticks(1);
    EXPECT_FALSE(rx.lblWrong.visible());
}

TEST_F(ReceiverTest, DestroyedArrivalLeavesAnEmptySlotThatTakesTheRetransmission)
{
    configure(7, 3, InWindow, None);
    rx.KillArriving(m_wire);  // nothing arriving: nothing changes
    EXPECT_EQ(status(), "Initial");
    arriving(1, 1);
    rx.KillArriving(m_wire);
    EXPECT_EQ(rx.slotMark(1), Mark::Idle);
    EXPECT_FALSE(rx.pktRxQueue(1).Active);
    EXPECT_EQ(status(), "Expecting  0");
    arrive();  // the destroyed packet never completes; a stray Arrive finds no slot
    EXPECT_EQ(rx.slotMark(1), Mark::Idle);
    arriving(1, 1);
    EXPECT_EQ(rx.slotMark(1), Mark::Incoming);
}

// ---- acknowledgements ------------------------------------------------------

TEST_F(ReceiverTest, SingleAckNamesTheNextPacket)
{
    configure(1, 1, InOrder, Single);
    ticks(3);
    receive(6, 0);  // taken under packet 0's sequence number
    ASSERT_EQ(activeAcks(), 1);
    Packet expected;
    expected.Active = true;
    expected.ACKFlag = true;
    expected.Length = 1;
    expected.Colour = 0xC0C0FF;
    expected.Number = 7;
    expected.SequenceNumber = 1;
    expected.TriggerNumber = 0;
    expected.ShowSequenceFlag = true;
    expected.SelectiveACKFlag = true;
    expected.TimeStarted = 300;
    EXPECT_EQ(ack(0), expected);
}

struct WindowAckCase {
    Mode mode;
    bool selective;
};

class WindowAckTest : public ReceiverTest, public ::testing::WithParamInterface<WindowAckCase> {};

TEST_P(WindowAckTest, AckNamesTheLowestPacketStillAwaited)
{
    configure(15, 3, InWindow, None);
    receiveInOrder(0, 4, 15);
    setMode(GetParam().mode);
    receive(6, 6);  // completes in slot 2
    ASSERT_EQ(activeAcks(), 1);
    Packet expected;
    expected.Active = true;
    expected.ACKFlag = true;
    expected.Length = 1;
    expected.Colour = 0xC0C0FF;
    expected.Number = 4;
    expected.SequenceNumber = 4;
    expected.TriggerNumber = 6;
    expected.ShowSequenceFlag = true;
    expected.CumulativeACKFlag = true;
    expected.SelectiveACKFlag = GetParam().selective;
    EXPECT_EQ(ack(0), expected);

    receive(4, 4);  // delivered; slot 1 is empty, so 5 is awaited next
    const int entry = GetParam().mode == Delayed ? 0 : 1;
    EXPECT_EQ(activeAcks(), GetParam().mode == Delayed ? 1 : 2);
    EXPECT_EQ(ack(entry).Number, 5);
    EXPECT_EQ(ack(entry).SequenceNumber, 5);
    EXPECT_EQ(ack(entry).TriggerNumber, 4);
}

INSTANTIATE_TEST_SUITE_P(Modes, WindowAckTest,
                         ::testing::Values(WindowAckCase{Cumulative, false}, WindowAckCase{Selective, true},
                                           WindowAckCase{Delayed, false}));

TEST_F(ReceiverTest, NoSequenceNumbersAndSilentModes)
{
    configure(0, 1, InOrder, Cumulative);
    receive(0, 0);
    EXPECT_FALSE(ack(0).ShowSequenceFlag);
    EXPECT_EQ(ack(0).Number, 1);
    EXPECT_EQ(ack(0).SequenceNumber, 0);
    EXPECT_EQ(ack(0).TriggerNumber, 0);
    for (Mode mode : {None, Software}) {
        rx.Reset(1, 1);
        setMode(mode);
        receive(0, 0);
        EXPECT_EQ(activeAcks(), 0) << Receiver::kAckModes.text(mode);
        EXPECT_EQ(state().rxBase, 1);
    }
}

TEST_F(ReceiverTest, DelayedReplacesTheHeadAndOutOfOrderQueuesBehindIt)
{
    configure(7, 3, InWindow, Delayed);
    rx.cmbRxProcTime.userEdit("1");
    receive(0, 0);
    EXPECT_EQ(ack(0).TimeStarted, 1000);
    ticks(5);
    receive(1, 1);
    EXPECT_EQ(activeAcks(), 1);
    EXPECT_EQ(ack(0).Number, 2);
    EXPECT_EQ(ack(0).TimeStarted, 1500);
    receive(3, 3);  // completes in slot 1: an ACK of its own
    EXPECT_EQ(activeAcks(), 2);
    EXPECT_EQ(ack(1).Number, 2);
    EXPECT_EQ(ack(1).TriggerNumber, 3);
    ticks(11);  // t 1600: rxClock 1500 is not past 1500
    EXPECT_TRUE(env.routing.reports.empty());
    ticks(1);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{2}));
    EXPECT_EQ(ack(0).TriggerNumber, 3);
}

TEST_F(ReceiverTest, FullBufferOverwritesTheLastEntry)
{
    configure(0, 1, InOrder, Single);
    rx.chkRxReady.click();
    for (int n = 0; n < 11; ++n) receive(n, 0);
    EXPECT_EQ(activeAcks(), 10);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(ack(i).Number, i + 1);
    EXPECT_EQ(ack(9).Number, 11);
}

TEST_F(ReceiverTest, OnlyTheHeadLeavesOnceItsTimeHasStrictlyPassed)
{
    configure(0, 3, InWindow, Single);
    receive(0, 0);  // built at rxClock 0 between two ticks
    ticks(1);
    EXPECT_TRUE(env.routing.reports.empty());
    ticks(1);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{1}));
    rx.TxFree();
    env.routing.clear();

    ticks(48);
    rx.cmbRxProcTime.userEdit("2");
    receive(1, 0);  // rxClock 5000: may leave after 7000
    EXPECT_EQ(ack(0).TimeStarted, 7000);
    rx.cmbRxProcTime.userEdit("0");
    receive(2, 0);  // due at once, but behind the head
    ticks(21);
    EXPECT_TRUE(env.routing.reports.empty());
    ticks(1);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{2}));
    EXPECT_EQ(state().ackLineBusy, true);
    ticks(5);  // the line is still busy
    EXPECT_EQ(sentNumbers(), (std::vector<int>{2}));
    rx.TxFree();
    ticks(1);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{2, 3}));
    EXPECT_EQ(activeAcks(), 0);
}

TEST_F(ReceiverTest, TxFreeFromInsideTheReportFreesTheLine)
{
    configure(0, 3, InWindow, Single);
    env.routing.react = [this](int, int, Packet&) { rx.TxFree(); };
    receive(0, 0);
    receive(1, 0);
    ticks(3);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(state().ackLineBusy, false);
    rx.TxFree();  // nothing sent: harmless
    EXPECT_EQ(state().ackLineBusy, false);
}

TEST_F(ReceiverTest, ResetFromInsideTheReportStartsAfresh)
{
    configure(0, 3, InWindow, Single);
    receive(0, 0);
    bool first = true;
    env.routing.react = [&](int, int, Packet&) {
        if (!first) return;
        first = false;
        rx.Reset(1, 1);
        receive(0, 0);  // the new run's first ACK: neither shifted out nor aged by the old tick
    };
    ticks(2);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{1}));
    EXPECT_EQ(state().rxClock, 0);
    ASSERT_EQ(activeAcks(), 1);
    EXPECT_EQ(ack(0).Number, 1);
    EXPECT_EQ(ack(0).TimeStarted, 0);
}

TEST_F(ReceiverTest, CumulativeAcksCollectOnHoldAndLeaveAfterReady)
{
    configure(15, 3, InOrder, Cumulative);
    rx.chkRxReady.click();
    receiveInOrder(0, 3, 15);
    EXPECT_EQ(activeAcks(), 3);
    ticks(30);
    EXPECT_TRUE(env.routing.reports.empty());
    rx.chkRxReady.click();
    EXPECT_EQ(state().rxBase, 3);
    for (int i = 0; i < 3; ++i) {
        ticks(1);
        rx.TxFree();
    }
    EXPECT_EQ(sentNumbers(), (std::vector<int>{0, 0, 0}));
}

TEST_F(ReceiverTest, SoftwareModeSendsHoldAndReadyMessages)
{
    configure(0, 6, InOrder, Software);
    rx.chkRxReady.click();
    Packet hold;
    hold.Active = true;
    hold.ACKFlag = true;
    hold.Length = 1;
    hold.Colour = 0xC0A0FF;
    hold.Number = hold.SequenceNumber = hold.TriggerNumber = 0;
    EXPECT_EQ(ack(0), hold);
    ticks(2);  // leaves although the receiver is on Hold
    ASSERT_EQ(env.routing.reports.size(), 1u);
    EXPECT_EQ(env.routing.reports[0].packet.Colour, PacketColour::kHold);
    rx.TxFree();
    receive(0, 0);
    EXPECT_EQ(activeAcks(), 0);
    EXPECT_EQ(rx.slotMark(0), Mark::Arrived);

    rx.chkRxReady.click();
    EXPECT_EQ(ack(0).Colour, PacketColour::kReady);
    EXPECT_EQ(ack(0).Number, 1);
    EXPECT_EQ(ack(0).TriggerNumber, 1);
    EXPECT_EQ(state().rxBase, 1);
    ticks(2);
    EXPECT_EQ(env.routing.reports.size(), 2u);
    EXPECT_EQ(env.routing.reports[1].packet.Colour, PacketColour::kReady);
}

TEST_F(ReceiverTest, SelectiveAckForADiscardedPacketIsNotSelective)
{
    configure(7, 3, InWindow, Selective);
    receive(3, 3);  // beyond the window: ignored and not held
    EXPECT_EQ(status(), "Ignoring  3");
    EXPECT_EQ(ack(0).Number, 0);
    EXPECT_EQ(ack(0).TriggerNumber, 3);
    EXPECT_TRUE(ack(0).CumulativeACKFlag);
    EXPECT_FALSE(ack(0).SelectiveACKFlag);

    receive(0, 0);
    receive(0, 0);  // delivered before: held
    EXPECT_EQ(ack(2).Number, 1);
    EXPECT_TRUE(ack(2).SelectiveACKFlag);

    receive(2, 2);  // waits in slot 1
    receive(2, 2);  // its duplicate is ignored but held
    EXPECT_EQ(status(), "Ignoring  2");
    EXPECT_EQ(ack(4).TriggerNumber, 2);
    EXPECT_TRUE(ack(4).SelectiveACKFlag);

    setMode(Cumulative);  // the other modes are unchanged
    receive(3, 3);
    EXPECT_EQ(status(), "Receiving  3 (not  1)");
    receive(3, 3);
    EXPECT_FALSE(ack(6).SelectiveACKFlag);
}

// ---- bad input and long runs -----------------------------------------------

TEST_F(ReceiverTest, NegativeMaxSequenceMeansNoSequenceNumbers)
{
    configure(0, 3, InOrder, Cumulative);
    rx.cmbMaxSequence.userEdit("-");
    rx.cmbMaxSequence.userEdit("-1");
    EXPECT_EQ(state().maxSequence, -1);
    receiveInOrder(0, 4, 0);
    EXPECT_EQ(state().rxBase, 4);
    EXPECT_EQ(ack(3).Number, 4);
    EXPECT_EQ(ack(3).SequenceNumber, 0);
    EXPECT_EQ(ack(3).TriggerNumber, 0);
    rx.SetRxWindow(5);
    setMode(Single);
    rx.Reset(1, 1);
    receive(0, 0);
    EXPECT_EQ(ack(0).SequenceNumber, 0);
    EXPECT_EQ(rx.lblRxSeq[0].caption(), "");
}

TEST_F(ReceiverTest, HugeValuesClamp)
{
    rx.cmbMaxSequence.userEdit("99999");
    EXPECT_EQ(state().maxSequence, 32767);
    rx.SetMaxSequence(-70000);
    EXPECT_EQ(state().maxSequence, -32768);
    rx.SetRxWindow(0);
    rx.SetRxWindow(7);
    rx.SetACKMode(9);
    EXPECT_EQ(state().rxWindow, 1);
    EXPECT_EQ(rx.cmbAckMode.text(), "Single");

    configure(0, 1, InOrder, Single);
    rx.cmbRxProcTime.userEdit("1e300");
    receive(0, 0);
    EXPECT_EQ(ack(0).TimeStarted, widgets::num::kLongMax);
    ticks(50);
    EXPECT_TRUE(env.routing.reports.empty());
    rx.Reset(1, 1);
    rx.cmbRxProcTime.userEdit("-5");
    receive(0, 0);
    EXPECT_EQ(ack(0).TimeStarted, -5000);
    ticks(1);
    EXPECT_EQ(sentNumbers(), (std::vector<int>{1}));
}

TEST_F(ReceiverTest, NumbersKeepCountingPast32767)
{
    configure(0, 1, InOrder, None);
    receiveInOrder(0, 32770, 0);
    EXPECT_EQ(state().rxBase, 32770);
    EXPECT_EQ(rx.lblRxPacket[0].caption(), " 32770");
    EXPECT_EQ(rx.pktRxQueue(0).Number, 32770);
    setMode(Cumulative);
    receive(32770, 0);
    EXPECT_EQ(ack(0).Number, 32771);
    EXPECT_EQ(status(), "Expecting 32771");
}

// ---- reset and pause --------------------------------------------------------

TEST_F(ReceiverTest, ResetEmptiesAndTheBoxReadsReady)
{
    configure(3, 3, InWindow, Single);
    rx.chkRxReady.click();
    receive(1, 1);
    arriving(4, 0);
    ticks(7);
    rx.Reset(1, 1);
    EXPECT_EQ(state().rxReady, true);
    EXPECT_EQ(rx.chkRxReady.caption(), "Ready");
    EXPECT_EQ(rx.chkRxReady.value(), 0);
    EXPECT_EQ(state().rxClock, 0);
    EXPECT_EQ(state().restricted, 1);
    EXPECT_EQ(activeAcks(), 0);
    EXPECT_FALSE(rx.lblWrong.visible());
    EXPECT_EQ(status(), "Initial");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rx.slotMark(i), Mark::Fresh);
        EXPECT_EQ(rx.pktRxQueue(i).Number, i);
        EXPECT_EQ(rx.pktRxQueue(i).SequenceNumber, i % 4);
        EXPECT_FALSE(rx.pktRxQueue(i).Active);
    }
    EXPECT_EQ(sequences(6), (std::vector<std::string>{" 0", " 1", " 2", " 3", " 0", " 1"}));
    EXPECT_EQ(rx.lblRxSeq[1].foreColour(), PacketColour::kData);  // a reset recolours only the packet numbers
    rx.chkRxReady.click();                                        // the next click holds, as the box says
    EXPECT_EQ(rx.chkRxReady.caption(), "Hold");
    EXPECT_EQ(state().rxReady, false);

    rx.Reset(0, 0);
    EXPECT_EQ(rx.cmbRxWindowSize.items().size(), 6u);
    EXPECT_EQ(state().rxWindow, 1);
    EXPECT_EQ(state().maxSequence, 3);
    EXPECT_EQ(state().restricted, 0);
    EXPECT_EQ(rx.cmbRxPolicy.text(), "In Order");
}

TEST_F(ReceiverTest, PauseStopsTheClock)
{
    rx.Pause(true);
    ticks(5);
    EXPECT_EQ(state().rxClock, 0);
    rx.Pause(false);
    ticks(5);
    EXPECT_EQ(state().rxClock, 500);
}

}  // namespace
