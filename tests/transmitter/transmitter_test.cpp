// SPDX-License-Identifier: MIT
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/packets.h"
#include "support/testenv.h"
#include "transmitter/transmitter.h"
#include "widgets/numbers.h"

namespace {

using State = Transmitter::SlotState;

using Mode = Transmitter::RetransmitMode;
using Timers = Transmitter::RetransmitTimers;
using Time = Transmitter::RetransmitTime;
constexpr Mode None = Mode::None, Indiv = Mode::Indiv, Batch = Mode::Batch, Wait = Mode::Wait;
constexpr Timers Joint = Timers::Joint, Individual = Timers::Indiv;

int item(Mode m)
{
    return Transmitter::kRetransmitModes.index(m);
}
int item(Timers t)
{
    return Transmitter::kRetransmitTimers.index(t);
}
int item(Time t)
{
    return Transmitter::kRetransmitTimes.index(t);
}

using namespace packets;

class TransmitterTest : public ::testing::Test {
protected:
    TestEnv env;
    Transmitter tx{&env.window, "Transmitter1", env.context()};

    void SetUp() override { tx.SetIndex(16); }

    // As the main window configures a scenario: settings, reset, then the RTT.
    void configure(int window, int maxSeq, Mode mode, Timers timers, std::int64_t rttTenths = 10)
    {
        tx.SetMaxSequence(maxSeq);
        tx.SetReliable(false);
        tx.SetTxWindow(window);
        tx.SetRetransmitMode(item(mode));
        tx.SetTimerMode(item(timers));
        tx.Reset(1, 1);
        tx.SetRTT(rttTenths);
        env.routing.clear();
    }
    void ticks(int n = 1) { env.scheduler.advance(Transmitter::kTickMs * n); }
    // One tick per packet, the line freed after each.
    void sendAndFree(int n)
    {
        for (int i = 0; i < n; ++i) {
            ticks();
            tx.TxFree();
        }
    }
    void arrive(Packet a) { tx.Arrive(a); }
    // Arrives now and, with no processing time, is processed on the next tick.
    void deliver(Packet a)
    {
        tx.Arrive(a);
        ticks();
    }
    std::vector<int> sent() const
    {
        std::vector<int> n;
        for (const Report& r : env.routing.reports) {
            if (r.code == SendData) n.push_back(r.packet.Number);
        }
        return n;
    }
    std::string states() const
    {
        static const char* names[] = {"New", "Sending", "Sent", "Expired", "Resending", "Resent", "Ack", "?"};
        std::string s;
        for (int i = 0; i < tx.state().txWindow; ++i) s += std::string(i ? " " : "") + names[int(tx.slotState(i))];
        return s;
    }
};

// ---- creation ------------------------------------------------------------

TEST_F(TransmitterTest, StartUpLeavesTheDocumentedState)
{
    EXPECT_EQ(tx.state(), (Transmitter::State{.txWindow = 1,
                                              .maxSequence = 3,
                                              .reliable = true,
                                              .individualTimers = true,
                                              .individualRetransmit = false,
                                              .waitForAck = true,
                                              .sendPermitted = true,
                                              .measuringRTT = false,
                                              .txBusy = false,
                                              .txClock = 0,
                                              .retransmitTime = 25000,
                                              .rttEstimate = 25000,
                                              .resetRTT = 25000,
                                              .nextPacketNumber = 1,
                                              .routingIndex = 16,
                                              .panelMode = 0,
                                              .restricted = 0}));
    EXPECT_EQ(tx.lblTxMode.caption(), "Initial");
    EXPECT_EQ(tx.lblTxPacket[0].caption(), " 0");
    EXPECT_EQ(tx.lblTxSeq[0].caption(), " 0");
    EXPECT_EQ(tx.lblRTO[0].caption(), " 250");
    EXPECT_EQ(tx.lblRTT.caption(), " 25");
    EXPECT_EQ(tx.cmbRetransmitMode.text(), "Batch");
    EXPECT_EQ(tx.cmbRetransmitTimers.text(), "Indiv.");
    EXPECT_EQ(tx.cmbMaxSequence.text(), "3");
    EXPECT_EQ(tx.cmbPacketLength.text(), "4");
    EXPECT_TRUE(tx.Timer1.enabled());
    EXPECT_EQ(tx.Timer1.interval(), 100);
    EXPECT_EQ(tx.slotState(0), State::New);
}

TEST_F(TransmitterTest, ControlsAreCreatedInTheDocumentedOrder)
{
    std::vector<std::string> names;
    for (const widgets::Control* c : tx.children()) names.push_back(c->fullName());
    ASSERT_EQ(names.size(), 1u + 6 * 4 + 2 + 8 + 7 + 4);
    EXPECT_EQ(names[0], "lblTxMode");
    EXPECT_EQ(names[1], "shpTxQueue(0)");
    EXPECT_EQ(names[7], "lblTxPacket(0)");
    EXPECT_EQ(names[25], "cmdMore");
    EXPECT_EQ(names[27], "lblControl(0)");
    EXPECT_EQ(names[35], "cmbTxWindowSize");
    EXPECT_EQ(names.back(), "Timer1");
    EXPECT_FALSE(tx.cmbTxWindowSize.editable());
    EXPECT_TRUE(tx.cmbMaxSequence.editable());
    EXPECT_TRUE(tx.cmbTxProcTime.editable());
    EXPECT_FALSE(tx.cmbRetransmitTimers.editable());
    EXPECT_EQ(tx.lblTxPacket[0].font().points, 13.5);
    EXPECT_TRUE(tx.lblRTT.font().bold);
    EXPECT_EQ(tx.shpTxQueue[5].left(), 2580 - 480 * 5);
    EXPECT_EQ(tx.lblRTO[0].width(), 480);
}

// ---- sending -------------------------------------------------------------

TEST_F(TransmitterTest, NoneSendsOnePacketAfterAnotherWithoutWaiting)
{
    configure(1, 0, None, Individual);
    ticks();
    ASSERT_EQ(sent(), std::vector<int>{0});
    const Packet& p = env.routing.reports[0].packet;
    EXPECT_EQ(env.routing.reports[0].index, 16);
    EXPECT_EQ(p.Colour, PacketColour::kData);
    EXPECT_FALSE(p.ShowSequenceFlag);
    EXPECT_EQ(p.SequenceNumber, 0);
    EXPECT_EQ(p.Length, 4);
    EXPECT_EQ(p.TimeStarted, 100);
    EXPECT_EQ(tx.lblTxMode.caption(), "Transmit  0");
    ticks(3);  // busy: nothing more
    EXPECT_EQ(sent().size(), 1u);
    tx.TxFree();
    EXPECT_EQ(tx.lblTxMode.caption(), "Waiting");
    EXPECT_EQ(tx.lblTxPacket[0].caption(), " 1");
    EXPECT_EQ(tx.slotState(0), State::New);
    sendAndFree(3);
    EXPECT_EQ(sent(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_FALSE(tx.lblRTO[0].visible());
}

TEST_F(TransmitterTest, CancelledSendFreesTheLineLikeACompleteOne)
{
    configure(3, 15, Batch, Individual, 100);
    ticks();
    tx.TxFree();  // DataSendCancelled is routed to TxFree as well
    EXPECT_EQ(states(), "Sent New New");
    ticks();
    EXPECT_EQ(states(), "Sent Sending New");  // one per tick, lowest first
    ticks();
    EXPECT_EQ(sent(), (std::vector<int>{0, 1}));
}

TEST_F(TransmitterTest, LineFreedFromInsideTheSendReportIsNotLost)
{
    configure(1, 0, None, Individual);
    env.routing.react = [&](int, int code, Packet&) {
        if (code == SendData) tx.TxFree();
    };
    ticks(3);
    EXPECT_EQ(sent(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(tx.state().txBusy);
}

TEST_F(TransmitterTest, StopAndWaitSendsTheNextPacketOnlyAfterTheAck)
{
    configure(1, 0, Wait, Individual);
    sendAndFree(1);
    ticks(50);
    EXPECT_EQ(sent(), std::vector<int>{0});
    EXPECT_EQ(tx.slotState(0), State::Sent);
    EXPECT_FALSE(tx.lblRTO[0].visible());
    deliver(plainAck());
    // Processed, moved up and the refill sent, all in one tick.
    EXPECT_EQ(sent(), (std::vector<int>{0, 1}));
    EXPECT_EQ(tx.slotState(0), State::Sending);
}

TEST_F(TransmitterTest, WaitStallsForGoodAfterALoss)
{
    configure(3, 0, Wait, Individual);
    sendAndFree(3);
    ticks(2000);
    EXPECT_EQ(sent(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(states(), "Sent Sent Sent");
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(tx.lblRTO[i].visible());
    EXPECT_EQ(tx.state().retransmitTime, 0);
}

// ---- timers and retransmission -------------------------------------------

TEST_F(TransmitterTest, JointTimerBatchResendsEveryOutstandingSlotInOrder)
{
    configure(3, 15, Batch, Joint);  // timeout 1000 ms
    sendAndFree(3);                  // sent at 100, 200, 300
    EXPECT_FALSE(tx.lblRTO[1].visible());
    EXPECT_EQ(tx.pktTx(1).HopStarted, 200);  // untimed under the joint timer
    env.scheduler.advanceTo(1000);
    EXPECT_EQ(states(), "Sent Sent Sent");
    EXPECT_EQ(tx.lblRTO[0].caption(), " 1");
    ticks();  // 1100: slot 0's deadline
    EXPECT_EQ(states(), "Expired Expired Expired");
    EXPECT_EQ(tx.lblRTO[0].caption(), "");
    EXPECT_EQ(tx.state().rttEstimate, 1010);
    ticks();
    EXPECT_EQ(states(), "Resending Expired Expired");
    EXPECT_EQ(tx.lblTxMode.caption(), "Retransmit  0");
    tx.TxFree();
    sendAndFree(2);
    EXPECT_EQ(states(), "Resent Resent Resent");
    EXPECT_EQ(sent(), (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(env.routing.reports[3].packet.Colour, PacketColour::kDataResent);
}

TEST_F(TransmitterTest, JointTimerRestartsWhenTheWindowMovesUp)
{
    configure(2, 15, Batch, Joint);
    sendAndFree(2);  // 0 at 100, 1 at 200
    env.scheduler.advanceTo(400);
    deliver(cumulativeAck(1));  // processed at 500
    EXPECT_EQ(tx.slotNumber(0), 1);
    EXPECT_EQ(tx.pktTx(0).HopStarted, 500 + 600);  // the sample 500-100+200 is the new timeout
    EXPECT_EQ(tx.lblRTO[0].caption(), " 6");
}

TEST_F(TransmitterTest, BatchWithIndividualTimersResendsAllOnAnyExpiry)
{
    configure(3, 15, Batch, Individual);
    sendAndFree(3);
    EXPECT_EQ(tx.pktTx(0).HopStarted, 1100);
    EXPECT_EQ(tx.pktTx(1).HopStarted, 1200);
    EXPECT_EQ(tx.pktTx(2).HopStarted, 1300);
    env.scheduler.advanceTo(1100);
    EXPECT_EQ(states(), "Expired Expired Expired");
}

TEST_F(TransmitterTest, LaterSlotNeverExpiresBeforeSlotZero)
{
    configure(2, 15, Batch, Individual);
    ticks();
    tx.SetRTT(1);  // 100 ms from now on
    tx.TxFree();
    ticks();
    EXPECT_EQ(tx.pktTx(0).HopStarted, 1100);
    EXPECT_EQ(tx.pktTx(1).HopStarted, 1101);
}

TEST_F(TransmitterTest, IndividualRetransmitResendsOnlyTheExpiredPacket)
{
    configure(3, 7, Indiv, Individual);
    sendAndFree(3);
    env.scheduler.advanceTo(1100);
    EXPECT_EQ(states(), "Expired Sent Sent");
    EXPECT_EQ(tx.lblRTO[1].caption(), " 1");
    EXPECT_EQ(tx.pktTx(1).HopStarted, 1200);
    arrive(selectiveAck(2));
    arrive(selectiveAck(1));
    ticks();  // both processed before the send step resends slot 0
    EXPECT_EQ(states(), "Resending New New");
    EXPECT_EQ(sent(), (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(tx.slotNumber(1), 3);
    EXPECT_EQ(tx.slotNumber(2), 4);
}

TEST_F(TransmitterTest, EveryExpiryAddsTenMillisecondsToTheEstimate)
{
    configure(1, 1, Batch, Individual);
    sendAndFree(1);
    env.scheduler.advanceTo(1100);
    EXPECT_EQ(tx.state().rttEstimate, 1010);
    sendAndFree(1);  // resent at 1200, deadline 2210
    env.scheduler.advanceTo(2300);
    EXPECT_EQ(tx.state().rttEstimate, 1020);

    tx.cmbRetransmitTime.userChoose(item(Time::TwoRTT));  // from the next computation on
    EXPECT_EQ(tx.state().retransmitTime, 1020);
    tx.SetRTT(10);
    EXPECT_EQ(tx.state().retransmitTime, 2000);
    sendAndFree(1);
    env.scheduler.advanceTo(2400 + 2000);
    EXPECT_EQ(tx.state().retransmitTime, 2020);
}

// ---- acknowledgements ----------------------------------------------------

TEST_F(TransmitterTest, ProcessingTimeEndsStrictlyBeforeTheTick)
{
    configure(1, 0, Wait, Individual);
    tx.cmbTxProcTime.userEdit("2");
    sendAndFree(1);
    env.scheduler.advanceTo(5000);
    arrive(plainAck());
    EXPECT_EQ(tx.lblTxMode.caption(), "Processing ACK");
    EXPECT_EQ(tx.pktWaiting(0).TimeStarted, 7000);
    env.scheduler.advanceTo(7000);
    EXPECT_EQ(tx.slotState(0), State::Sent);
    ticks();
    EXPECT_EQ(sent(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(tx.pktWaiting(0).Active);
}

TEST_F(TransmitterTest, CumulativeAckDuplicateAndPartial)
{
    configure(3, 15, Batch, Individual, 100);
    sendAndFree(3);  // sequence numbers 0, 1, 2
    deliver(cumulativeAck(0));
    EXPECT_EQ(states(), "Sent Sent Sent");  // duplicate: nothing acknowledged
    deliver(cumulativeAck(1));
    tx.TxFree();  // packet 3 went out in the same tick
    EXPECT_EQ(tx.pktTx(0).SequenceNumber, 1);
    EXPECT_EQ(states(), "Sent Sent Sent");
    deliver(cumulativeAck(3));  // slots hold 1, 2, 3
    EXPECT_EQ(tx.slotNumber(0), 3);
    EXPECT_EQ(states(), "Sent Sending New");
    EXPECT_EQ(tx.state().nextPacketNumber, 6);
    tx.TxFree();
    deliver(cumulativeAck(9));  // no slot carries 9: everything sent is acknowledged
    EXPECT_EQ(tx.slotNumber(0), 5);
}

TEST_F(TransmitterTest, SelectiveAckOutOfOrderLeavesTheBaseInPlace)
{
    configure(3, 7, Indiv, Individual);
    sendAndFree(3);
    const std::int64_t deadline = tx.pktTx(0).HopStarted;
    deliver(selectiveAck(1));
    EXPECT_EQ(tx.slotNumber(0), 0);
    EXPECT_EQ(tx.slotNumber(1), 2);
    EXPECT_EQ(tx.slotNumber(2), 3);
    EXPECT_EQ(tx.pktTx(0).HopStarted, deadline);
    // Packet 3 is a whole window beyond packet 0, still outstanding: it
    // waits, so that the numbers in flight never spread over more than a
    // window.
    EXPECT_EQ(states(), "Sent Sent New");
    env.scheduler.advance(300);
    EXPECT_EQ(states(), "Sent Sent New");
    deliver(selectiveAck(0));
    EXPECT_EQ(tx.slotNumber(0), 2);
    EXPECT_EQ(tx.slotNumber(1), 3);
    EXPECT_EQ(tx.slotNumber(2), 4);
    EXPECT_EQ(states(), "Sent Sending New");
    tx.TxFree();
    deliver(selectiveAck(3));  // only the middle slot: it alone leaves
    EXPECT_EQ(tx.slotNumber(0), 2);
    EXPECT_EQ(tx.slotNumber(1), 4);
    EXPECT_EQ(tx.slotNumber(2), 5);
}

TEST_F(TransmitterTest, SequencedAckWithoutFlagsAcknowledgesNothing)
{
    configure(1, 1, Batch, Individual);
    sendAndFree(1);
    deliver(ack().seq(1).shown());
    EXPECT_EQ(tx.slotState(0), State::Sent);
    deliver(plainAck());
    EXPECT_EQ(tx.slotNumber(0), 1);
}

TEST_F(TransmitterTest, RttSampleOnlyAfterASingleTransmission)
{
    configure(1, 1, Batch, Individual);
    tx.cmbRetransmitTime.userChoose(item(Time::TwoRTT));
    tx.SetRTT(10);  // timeout 2000
    sendAndFree(1);
    env.scheduler.advanceTo(500);
    deliver(plainAck());  // at 600: 600 - 100 + 200
    EXPECT_EQ(tx.state().rttEstimate, 700);
    EXPECT_EQ(tx.state().retransmitTime, 1400);
    EXPECT_EQ(tx.lblRTT.caption(), " 0.7");
    tx.TxFree();                    // packet 1, sent at 600
    env.scheduler.advanceTo(2000);  // expired at 2000
    sendAndFree(1);                 // resent at 2100
    deliver(plainAck());
    EXPECT_EQ(tx.state().rttEstimate, 710);  // the expiry's 10 ms only
    EXPECT_EQ(tx.slotNumber(0), 2);
}

TEST_F(TransmitterTest, HoldStopsNewPacketsAndRetransmissionsUntilReady)
{
    configure(1, 1, Batch, Individual);
    sendAndFree(1);
    deliver(flowMessage(PacketColour::kHold));
    EXPECT_FALSE(tx.state().sendPermitted);
    env.scheduler.advanceTo(3000);
    EXPECT_EQ(tx.slotState(0), State::Expired);  // timers keep running
    EXPECT_EQ(sent(), std::vector<int>{0});
    deliver(flowMessage(PacketColour::kReady));
    EXPECT_EQ(sent(), (std::vector<int>{0, 0}));
    EXPECT_EQ(tx.slotState(0), State::Resending);

    configure(1, 0, None, Individual);
    sendAndFree(1);
    deliver(flowMessage(PacketColour::kHold));
    ticks(10);
    EXPECT_EQ(sent(), std::vector<int>{0});
    deliver(flowMessage(PacketColour::kReady));
    EXPECT_EQ(sent(), (std::vector<int>{0, 1}));
}

TEST_F(TransmitterTest, FullAckQueueDropsTheEleventh)
{
    configure(1, 1, Batch, Individual);
    tx.cmbTxProcTime.userEdit("1");
    for (int k = 0; k < 11; ++k) arrive(cumulativeAck(k % 2));
    for (int k = 0; k < 10; ++k) EXPECT_TRUE(tx.pktWaiting(k).Active);
    EXPECT_EQ(tx.pktWaiting(9).SequenceNumber, 1);
}

// ---- the window ----------------------------------------------------------

TEST_F(TransmitterTest, GrowingAndShrinkingFollowSlotZero)
{
    configure(1, 0, None, Individual);
    sendAndFree(4);
    ASSERT_EQ(tx.slotNumber(0), 4);
    tx.SetTxWindow(3);
    EXPECT_EQ(tx.slotNumber(1), 5);
    EXPECT_EQ(tx.slotNumber(2), 6);
    EXPECT_EQ(states(), "New New New");
    EXPECT_EQ(tx.state().nextPacketNumber, 7);
    EXPECT_TRUE(tx.shpTxQueue[2].visible());
    tx.SetTxWindow(1);
    EXPECT_EQ(tx.state().nextPacketNumber, 5);
    EXPECT_FALSE(tx.lblTxPacket[1].visible());
    tx.SetTxWindow(7);
    tx.SetTxWindow(0);
    EXPECT_EQ(tx.state().txWindow, 1);
    EXPECT_EQ(tx.cmbTxWindowSize.text(), "1");
}

TEST_F(TransmitterTest, SequenceSpaceOfSix)
{
    configure(1, 5, None, Individual);
    sendAndFree(7);
    const Packet& p6 = env.routing.reports.back().packet;
    EXPECT_EQ(p6.Number, 6);
    EXPECT_EQ(p6.SequenceNumber, 0);
    EXPECT_TRUE(p6.ShowSequenceFlag);
}

// ---- measurement ---------------------------------------------------------

TEST_F(TransmitterTest, MeasurementEndsByResettingFromInsideItsAck)
{
    configure(1, 1, Batch, Individual);  // timeout 1000
    env.routing.react = [&](int, int code, Packet&) {
        if (code == ResetRequest) {
            tx.Pause(true);
            tx.Reset(1, 1);
        }
    };
    tx.Pause(true);
    tx.MeasureRTT();
    EXPECT_TRUE(tx.Timer1.enabled());
    EXPECT_EQ(sent(), std::vector<int>{0});  // at once, at txClock 0
    tx.TxFree();
    env.scheduler.advanceTo(4000);
    EXPECT_EQ(tx.slotState(0), State::Sent);  // no expiry while measuring
    EXPECT_EQ(tx.lblRTO[0].caption(), " 10");
    deliver(plainAck());  // processed at 4100
    EXPECT_EQ(env.routing.codes(), (std::vector<int>{SendData, ResetRequest, SendData}));
    EXPECT_FALSE(tx.state().measuringRTT);
    EXPECT_EQ(tx.state().rttEstimate, 4300);
    EXPECT_EQ(tx.state().resetRTT, 4300);
    EXPECT_FALSE(tx.Timer1.enabled());
    // The rest of the tick sent packet 0 of the restarted window.
    EXPECT_EQ(env.routing.reports.back().packet.Number, 0);
    EXPECT_TRUE(tx.state().txBusy);
    tx.SetRTT(20);
    tx.Reset(1, 1);
    EXPECT_EQ(tx.state().rttEstimate, 4300);
}

TEST_F(TransmitterTest, PauseFreezesClockTimersAndAckProcessing)
{
    configure(1, 1, Batch, Individual);
    sendAndFree(1);
    arrive(plainAck());
    tx.Pause(true);
    ticks(50);
    EXPECT_EQ(tx.state().txClock, 100);
    EXPECT_EQ(tx.slotState(0), State::Sent);
    tx.Pause(false);
    ticks();
    EXPECT_EQ(tx.state().txClock, 200);
    EXPECT_EQ(tx.slotNumber(0), 1);
}

// ---- panel ---------------------------------------------------------------

TEST_F(TransmitterTest, PanelLayouts)
{
    tx.SetTxWindow(4);
    tx.Reset(1, 1);
    EXPECT_EQ(tx.Shape1.left(), 1015);
    EXPECT_EQ(tx.Shape1.width(), 2260);
    EXPECT_EQ(tx.Shape1.height(), 1920);
    EXPECT_EQ(tx.height(), 1950);

    tx.cmdEdit.click();
    EXPECT_EQ(tx.cmdEdit.caption(), "Done");
    EXPECT_FALSE(tx.cmdMore.visible());  // restricted
    EXPECT_EQ(tx.Shape1.height(), 4020);
    for (int r : {0, 1, 2, 3}) EXPECT_TRUE(tx.lblControl[r].visible()) << r;
    for (int r : {4, 5, 6, 7}) EXPECT_FALSE(tx.lblControl[r].visible()) << r;
    EXPECT_TRUE(tx.cmbMaxSequence.visible());
    EXPECT_FALSE(tx.cmbRetransmitMode.visible());
    tx.cmdEdit.click();
    EXPECT_EQ(tx.Shape1.left(), 1015);
    EXPECT_EQ(tx.Shape1.height(), 1920);

    tx.Reset(1, 0);
    tx.cmdEdit.click();
    ASSERT_TRUE(tx.cmdMore.visible());
    tx.cmdMore.click();
    EXPECT_EQ(tx.cmdMore.caption(), "Less");
    EXPECT_EQ(tx.state().panelMode, 2);
    EXPECT_EQ(tx.Shape1.height(), 5640);
    EXPECT_EQ(tx.height(), 5670);
    EXPECT_TRUE(tx.lblRTT.visible());
    EXPECT_TRUE(tx.cmbRetransmitTimers.visible());
    tx.cmdMore.click();
    EXPECT_EQ(tx.state().panelMode, 1);
    EXPECT_EQ(tx.Shape1.height(), 4020);
}

TEST_F(TransmitterTest, SequenceAndTimerLabelsFollowTheCombos)
{
    tx.SetTxWindow(3);
    tx.cmbMaxSequence.userEdit("1");
    EXPECT_EQ(tx.lblTxSeq[2].caption(), " 0");
    tx.cmbMaxSequence.userEdit("7");
    EXPECT_EQ(tx.lblTxSeq[2].caption(), " 2");
    EXPECT_TRUE(tx.lblTxSeq[2].visible());
    tx.cmbMaxSequence.userEdit("0");
    EXPECT_EQ(tx.lblTxSeq[1].caption(), "0");
    EXPECT_FALSE(tx.lblTxSeq[1].visible());

    tx.cmbRetransmitTimers.userChoose(item(Joint));
    EXPECT_TRUE(tx.lblRTO[0].visible());
    EXPECT_FALSE(tx.lblRTO[1].visible());
    tx.cmbRetransmitTimers.userChoose(item(Individual));
    EXPECT_TRUE(tx.lblRTO[2].visible());
    for (Mode m : {Wait, None}) {
        tx.SetRetransmitMode(item(m));
        for (int i = 0; i < 3; ++i) EXPECT_FALSE(tx.lblRTO[i].visible());
    }
    tx.SetRetransmitMode(9);
    tx.SetTimerMode(-1);
    EXPECT_EQ(tx.cmbRetransmitMode.text(), "None");
    EXPECT_EQ(tx.cmbRetransmitTimers.text(), "Indiv.");
}

TEST_F(TransmitterTest, EachRetransmitModeSetsReliableIndividualAndWait)
{
    struct Case {
        Mode mode;
        bool reliable, individualRetransmit, waitForAck;
    };
    for (const Case& c : {Case{None, false, false, false}, Case{Indiv, true, true, true},
                          Case{Batch, true, false, true}, Case{Wait, false, false, true}}) {
        tx.SetRetransmitMode(item(c.mode));
        const Transmitter::State st = tx.state();
        EXPECT_EQ(st.reliable, c.reliable) << item(c.mode);
        EXPECT_EQ(st.individualRetransmit, c.individualRetransmit) << item(c.mode);
        EXPECT_EQ(st.waitForAck, c.waitForAck) << item(c.mode);
    }
    // A deselected list is no mode: Wait's flags stay, but the timeout is
    // computed as for a retransmitting mode.
    tx.cmbRetransmitMode.setListIndex(-1);
    tx.SetRTT(10);
    EXPECT_FALSE(tx.state().reliable);
    EXPECT_TRUE(tx.state().waitForAck);
    EXPECT_EQ(tx.state().retransmitTime, 1000);
}

TEST_F(TransmitterTest, StartUpAgainClosesTheLongPanel)
{
    tx.Reset(1, 0);
    tx.cmdEdit.click();
    tx.cmdMore.click();
    ASSERT_EQ(tx.state().panelMode, 2);
    tx.Reset(0, 0);
    EXPECT_EQ(tx.cmdEdit.caption(), "Edit");
    EXPECT_EQ(tx.cmdMore.caption(), "More");
    EXPECT_FALSE(tx.cmdMore.visible());
    EXPECT_FALSE(tx.cmbRetransmitMode.visible());
    EXPECT_EQ(tx.Shape1.height(), 1920);
    tx.cmdEdit.click();
    tx.cmdMore.click();
    EXPECT_EQ(tx.state().panelMode, 2);
}

TEST_F(TransmitterTest, UnknownRetransmitTimeKeepsTheTimeout)
{
    tx.cmbRetransmitTime.setListIndex(-1);
    tx.SetRTT(10);
    EXPECT_EQ(env.messageBox.shown, std::vector<std::string>{"Unknown Retransmission Time"});
    EXPECT_EQ(tx.state().retransmitTime, 25000);
    EXPECT_EQ(tx.lblRTT.caption(), " 1");
}

TEST_F(TransmitterTest, ResetLevels)
{
    tx.cmdEdit.click();
    tx.SetTxWindow(3);
    sendAndFree(2);
    tx.Reset(2, 1);  // resets nothing
    EXPECT_EQ(states(), "Sent Sent New");
    EXPECT_EQ(tx.state().restricted, 1);
    tx.Reset(0, 0);
    EXPECT_EQ(tx.state().txWindow, 1);
    EXPECT_EQ(tx.state().panelMode, 0);
    EXPECT_EQ(tx.cmdEdit.caption(), "Edit");
    EXPECT_EQ(tx.lblTxMode.caption(), "Initial");
    EXPECT_EQ(tx.state().txClock, 200);  // never set back
}

// ---- bad input -----------------------------------------------------------

TEST_F(TransmitterTest, PacketSizeTextIsReadAndClamped)
{
    configure(1, 0, None, Individual);
    const std::vector<std::pair<std::string, int>> cases = {{"abc", 0}, {"0", 0},   {"99999999", 32767},
                                                            {"-5", 0},  {"2.5", 2}, {"16 bytes", 16}};
    for (const auto& [text, length] : cases) {
        tx.cmbPacketLength.userEdit(text);
        sendAndFree(1);
        EXPECT_EQ(env.routing.reports.back().packet.Length, length) << text;
    }
}

TEST_F(TransmitterTest, MaxSequenceBelowOneMeansNoSequenceNumbers)
{
    configure(3, 15, Batch, Individual, 100);
    for (const char* text : {"-1", "x", "-40000"}) {
        tx.cmbMaxSequence.userEdit(text);
        EXPECT_LE(tx.state().maxSequence, 0) << text;
        tx.SetTxWindow(6);  // grows with sequence labels shown
        tx.SetTxWindow(3);
    }
    sendAndFree(2);
    const Packet& p = env.routing.reports.back().packet;
    EXPECT_EQ(p.SequenceNumber, 0);
    EXPECT_FALSE(p.ShowSequenceFlag);
    deliver(ack().seq(0).shown());  // plain: no sequence space to name
    EXPECT_EQ(tx.slotNumber(0), 1);
    EXPECT_EQ(tx.lblTxSeq[2].caption(), "");

    tx.cmbMaxSequence.userEdit("99999");
    EXPECT_EQ(tx.state().maxSequence, 32767);
    tx.SetMaxSequence(-1);
    EXPECT_EQ(tx.cmbMaxSequence.text(), "-1");
    EXPECT_EQ(tx.state().maxSequence, -1);
}

TEST_F(TransmitterTest, ProcessingTimeAndRttClampToTheLongRange)
{
    tx.cmbTxProcTime.userEdit("abc");
    arrive(plainAck());
    EXPECT_EQ(tx.pktWaiting(0).TimeStarted, 0);
    tx.cmbTxProcTime.userEdit("1e12");
    arrive(plainAck());
    EXPECT_EQ(tx.pktWaiting(1).TimeStarted, widgets::num::kLongMax);

    tx.SetRTT(std::int64_t{1} << 40);
    EXPECT_EQ(tx.state().rttEstimate, widgets::num::kLongMax);
    tx.cmbRetransmitTime.userChoose(item(Time::ThreeRTT));
    tx.SetRTT(30000000);  // 3 x 3e9 ms
    EXPECT_EQ(tx.state().retransmitTime, widgets::num::kLongMax);
    tx.SetRTT(-(std::int64_t{1} << 40));
    EXPECT_EQ(tx.state().rttEstimate, widgets::num::kLongMin);
}

TEST_F(TransmitterTest, PacketNumbersCountPast32767)
{
    configure(1, 7, None, Individual);
    sendAndFree(32770);
    const Packet& last = env.routing.reports.back().packet;
    EXPECT_EQ(last.Number, 32769);
    EXPECT_EQ(last.SequenceNumber, 32769 % 8);
    EXPECT_EQ(tx.lblTxPacket[0].caption(), " 32770");
    EXPECT_EQ(tx.slotNumber(0), 32770);
    EXPECT_EQ(tx.state().nextPacketNumber, 32771);
}

}  // namespace
