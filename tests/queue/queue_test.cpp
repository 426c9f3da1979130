// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "queue/queue.h"
#include "support/packets.h"
#include "support/testenv.h"
#include "widgets/numbers.h"
#include "widgets/panel.h"

namespace {

// Sequence numbers modulo 4; an acknowledgement carries its packet's number.
Packet data(int number, std::int64_t colour = PacketColour::kData)
{
    return packets::data(number).seq(number % 4).colour(colour);
}
Packet ack(int number, std::int64_t colour = PacketColour::kAck)
{
    return packets::data(number).seq(number % 4).colour(colour).reverse().length(1);
}

class QueueTest : public ::testing::Test {
protected:
    TestEnv env;
    CountingRandom random{{0.25}};
    ComponentContext ctx{env.scheduler, env.routing, env.messageBox, random, 1};
    Queue q{&env.window, "Queue1", ctx};

    void SetUp() override
    {
        q.SetIndex(10);
        q.Reset(1, 1);
    }

    // Leading edge, then (optionally) the whole packet.
    void arriving(const Packet& p)
    {
        Packet wire = p;
        q.Arriving(wire);
    }
    void arrive(const Packet& p)
    {
        Packet wire = p;
        wire.Active = false;  // the wire has removed it before reporting
        q.Arrive(wire);
    }
    void kill(const Packet& p)
    {
        Packet wire = p;
        q.KillArriving(wire);
    }
    void whole(const Packet& p)
    {
        arriving(p);
        arrive(p);
    }
    void choosePolicy(Queue::DropPolicy policy) { q.cmbDropPolicy.userChoose(Queue::kDropPolicies.index(policy)); }
    void chooseSize(int s) { q.cmbSize.userChoose(q.cmbSize.itemIndex(widgets::num::plainNumber(s))); }
    // The numbers in the first n slots of one queue (&Queue::pktQ or &Queue::pktA).
    std::vector<int> numbers(const Packet& (Queue::*slot)(int) const, int n) const
    {
        std::vector<int> v;
        for (int i = 0; i < n; ++i) v.push_back((q.*slot)(i).Number);
        return v;
    }
};

}  // namespace

TEST(QueueColours, PaleAndDarkRoundHalvesToEvenAndCapAt255)
{
    struct Case {
        std::int64_t v, pale, dark;
    };
    const Case cases[] = {
        {PacketColour::kData, 0xFFE0E0, 0xFEA0A0},
        {PacketColour::kDataResent, 0xFFE0FF, 0xFEA0FE},
        {PacketColour::kAck, 0xE0E0FF, 0xA0A0FE},
        {PacketColour::kHold, 0xE0D0FF, 0xA070FE},
        // 255 / 2 + 128 = 255.5 -> 256 -> capped; 1.5 * 255 - 128 = 254.5 -> 254.
        {0xFFFFFF, 0xFFFFFF, 0xFEFEFE},
        // 1 / 2 + 128 = 128.5 -> 128, 3 / 2 + 128 = 129.5 -> 130; dark of 0..85 is held at 0.
        {widgets::num::rgb(1, 3, 0), widgets::num::rgb(128, 130, 128), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Queue::paleColour(c.v), c.pale) << std::hex << c.v;
        EXPECT_EQ(Queue::darkColour(c.v), c.dark) << std::hex << c.v;
    }
}

TEST_F(QueueTest, CreationLeavesThreeSlotsDropTailAndAClosedPanel)
{
    EXPECT_EQ(q.Size(), 3);
    EXPECT_EQ(q.cmbSize.text(), "3");
    EXPECT_EQ(q.cmbDropPolicy.text(), "Drop Tail");
    // The policy handler has replaced the initial "8" by the size.
    EXPECT_EQ(q.cmbCongestionThreshold.text(), "3");
    EXPECT_EQ(q.cmbCongestionThreshold.items().size(), 8u);
    EXPECT_FALSE(q.cmbCongestionThreshold.visible());
    EXPECT_EQ(q.cmdEdit.caption(), "Edit");
    EXPECT_FALSE(q.cmbSize.visible());
    EXPECT_EQ(q.Shape1.height(), 1380);
    EXPECT_EQ(q.left(), 6120);
    EXPECT_EQ(q.width(), 2595);

    // Slot 0 lies at the right, towards the outgoing wire.
    const double lefts[] = {1670, 880, 90};
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(q.shpQueue[k].visible());
        EXPECT_TRUE(q.shpQueueA[k].visible());
        EXPECT_DOUBLE_EQ(q.shpQueue[k].left(), lefts[k]);
        EXPECT_DOUBLE_EQ(q.shpQueueA[k].left(), lefts[k]);
        EXPECT_DOUBLE_EQ(q.shpQueue[k].width(), 800);
        EXPECT_FALSE(q.shpQueue[k].filled());
    }
    for (int k = 3; k < Queue::kSlots; ++k) {
        EXPECT_FALSE(q.shpQueue[k].visible());
        EXPECT_FALSE(q.shpQueueA[k].visible());
    }
}

TEST_F(QueueTest, ForwardsOnlyOnceWhollyArrived)
{
    arriving(data(0));
    EXPECT_TRUE(env.routing.reports.empty()) << "a packet whose tail is still arriving must wait";
    EXPECT_EQ(q.pktQ(0).Flag, 0);
    EXPECT_TRUE(q.shpQueue[0].filled());
    EXPECT_EQ(q.shpQueue[0].fillColour(), 0xFFE0E0);

    arrive(data(0));
    ASSERT_EQ(env.routing.reports.size(), 1u);
    EXPECT_EQ(env.routing.reports[0].index, 10);
    EXPECT_EQ(env.routing.reports[0].code, SendData);
    EXPECT_EQ(env.routing.reports[0].packet.Number, 0);
    EXPECT_TRUE(env.routing.reports[0].packet.Active) << "the stored copy is active although the wire's was not";
    EXPECT_EQ(q.shpQueue[0].fillColour(), 0xFEA0A0);
    EXPECT_TRUE(q.state().dataOutBusy);
    // Still held until the outgoing wire has taken it completely.
    EXPECT_TRUE(q.pktQ(0).Active);
}

TEST_F(QueueTest, DropTailAtSizeThreeDiscardsTheFourthSilently)
{
    whole(data(0));  // head, now being forwarded
    arriving(data(1));
    arriving(data(2));
    arriving(data(3));
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, 2}));
    arrive(data(3));
    EXPECT_EQ(env.routing.reports.size(), 1u);
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(q.pktQ(1).Flag + q.pktQ(2).Flag, 0) << "Arrive of a discarded packet changes nothing";
    EXPECT_FALSE(q.pktQ(3).Active);
}

TEST_F(QueueTest, DepartedForwardsTheNextAndShiftsColoursWithTheRecords)
{
    whole(data(0));
    whole(data(1, PacketColour::kDataResent));  // waits behind the busy output
    arriving(data(2));
    EXPECT_EQ(q.shpQueue[1].fillColour(), PacketColour::kDataResent);
    EXPECT_EQ(q.shpQueue[2].fillColour(), 0xFFE0E0);
    env.routing.clear();

    q.Departed(false);
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendData});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 1);
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{1, 2, -1}));
    EXPECT_EQ(q.shpQueue[0].fillColour(), Queue::darkColour(PacketColour::kDataResent));
    EXPECT_EQ(q.shpQueue[1].fillColour(), 0xFFE0E0);
    EXPECT_TRUE(q.shpQueue[1].filled());
    EXPECT_FALSE(q.shpQueue[2].filled());
    EXPECT_TRUE(q.state().dataOutBusy);

    // Packet 2 reached the head while still arriving: it leaves once whole.
    env.routing.clear();
    q.Departed(false);
    EXPECT_TRUE(env.routing.reports.empty());
    EXPECT_FALSE(q.state().dataOutBusy);
    arrive(data(2));
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendData});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 2);
}

TEST_F(QueueTest, AcknowledgementsMirrorTheDataQueueAndAreIndependentOfIt)
{
    whole(data(0));
    arriving(data(1));
    arriving(data(2));  // data queue full
    env.routing.clear();

    arriving(ack(7));
    EXPECT_TRUE(q.pktA(2).Active) << "an empty ACK queue fills from slot queueSize - 1";
    EXPECT_FALSE(q.pktA(0).Active);
    EXPECT_EQ(q.shpQueueA[2].fillColour(), 0xE0E0FF);
    arriving(ack(8));
    EXPECT_EQ(q.pktA(1).Number, 8);
    arrive(ack(7));
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendACK});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 7);
    EXPECT_EQ(q.shpQueueA[2].fillColour(), 0xA0A0FE);
    EXPECT_TRUE(q.state().ackOutBusy);
    EXPECT_TRUE(q.state().dataOutBusy);

    arrive(ack(8));
    env.routing.clear();
    q.Departed(true);
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendACK});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 8);
    EXPECT_EQ(q.pktA(2).Number, 8);
    EXPECT_FALSE(q.pktA(1).Active);
    EXPECT_FALSE(q.shpQueueA[1].filled());
    // The data side has not moved.
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, 2}));
}

TEST_F(QueueTest, AFullAcknowledgementQueueDropsSilently)
{
    for (int n = 0; n < 4; ++n) arriving(ack(n));
    EXPECT_EQ(numbers(&Queue::pktA, 3), (std::vector<int>{2, 1, 0}));
    EXPECT_TRUE(env.routing.reports.empty());
    EXPECT_EQ(random.draws, 0) << "acknowledgements draw no random number";
}

TEST_F(QueueTest, RetransmissionsAreFoundFromTheEndOppositeTheHead)
{
    whole(data(0));  // keeps the output busy
    arriving(data(5));
    arriving(data(5));  // a retransmission of it, stored behind
    arrive(data(5));
    EXPECT_EQ(q.pktQ(1).Flag, 0);
    EXPECT_EQ(q.pktQ(2).Flag, 1);

    kill(data(5));
    EXPECT_FALSE(q.pktQ(2).Active);
    EXPECT_FALSE(q.shpQueue[2].filled());
    EXPECT_EQ(q.pktQ(1).Number, 5) << "the other slots keep their places";

    // Acknowledgements are searched from slot 0 up.
    arriving(ack(3));
    arriving(ack(3));
    arrive(ack(3));
    EXPECT_EQ(q.pktA(1).Flag, 1);
    EXPECT_EQ(q.pktA(2).Flag, 0);
    EXPECT_EQ(env.routing.codes(), std::vector<int>{SendData}) << "the head has not wholly arrived";
}

TEST_F(QueueTest, ADiscardedPacketsArriveMarksAnOlderCopyWithItsNumber)
{
    whole(data(0));
    arriving(data(1));
    arriving(data(2));
    arriving(data(1));  // retransmission, dropped: the queue is full
    arrive(data(1));
    EXPECT_EQ(q.pktQ(1).Flag, 1);
    EXPECT_EQ(q.shpQueue[1].fillColour(), PacketColour::kData);
}

TEST_F(QueueTest, RedWithThresholdTwoDropsAboveOneHalf)
{
    random = CountingRandom({0.9, 0.9, 0.9, 0.5, 0.6, 0.4});
    q.Reset(1, 0);
    q.cmdEdit.click();
    q.cmdAdvanced.click();
    choosePolicy(Queue::DropPolicy::RED);
    ASSERT_EQ(q.cmbCongestionThreshold.text(), "2");
    EXPECT_TRUE(q.cmbCongestionThreshold.visible());

    whole(data(0));     // 0 held: kept although r = 0.9; now being forwarded
    arriving(data(1));  // 1 held: kept
    arriving(data(2));  // 2 held (the one being forwarded counts), r = 0.9: dropped
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, -1}));
    arriving(data(3));  // 2 held, r = 0.5: kept (not above one half)
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, 3}));

    q.Departed(false);  // 0 leaves; 1 and 3 remain
    arriving(data(4));  // r = 0.6: dropped
    arriving(data(5));  // r = 0.4: kept
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(random.draws, 6);
}

TEST_F(QueueTest, TheDrawIsSinglePrecisionAndTakenWhateverThePolicy)
{
    // 0.50000001 is 0.5 in single precision: not above one half.
    random = CountingRandom({0.50000001});
    q.Reset(1, 0);
    q.cmdEdit.click();
    q.cmdAdvanced.click();
    choosePolicy(Queue::DropPolicy::RED);
    arriving(data(0));
    arriving(data(1));
    arriving(data(2));
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, 1, 2}));

    choosePolicy(Queue::DropPolicy::DropTail);
    arriving(data(3));  // full: Drop Tail, still one draw
    EXPECT_EQ(random.draws, 4);
}

TEST_F(QueueTest, DropPolicyHandlerCases)
{
    q.Reset(1, 0);
    auto& th = q.cmbCongestionThreshold;

    // RED and size <= threshold: one below the size, shown.
    choosePolicy(Queue::DropPolicy::RED);
    EXPECT_EQ(th.text(), "2");
    EXPECT_TRUE(th.visible() && q.lblCongestionThreshold.visible());

    // RED and size > threshold: also one below the size.
    th.userChoose(0);  // "1"
    chooseSize(5);
    EXPECT_EQ(th.text(), "4");
    EXPECT_TRUE(th.visible());

    // RED at size 1: nothing selected, the threshold reads as 0.
    chooseSize(1);
    EXPECT_EQ(th.listIndex(), -1);
    EXPECT_EQ(widgets::num::textValue(th.text()), 0);

    // Not RED: the size itself, hidden.
    chooseSize(6);
    choosePolicy(Queue::DropPolicy::DropTail);
    EXPECT_EQ(th.text(), "6");
    EXPECT_FALSE(th.visible() || q.lblCongestionThreshold.visible());

    // Fewer than two threshold items: the handler stops.
    th.clear();
    th.addItem("5");
    th.setListIndex(0);
    th.setVisible(true);
    choosePolicy(Queue::DropPolicy::DropTail);
    EXPECT_EQ(th.text(), "5");
    EXPECT_TRUE(th.visible());
}

TEST_F(QueueTest, ResizingEmptiesBothQueuesAndRelaysTheSlots)
{
    whole(data(0));
    arriving(data(1));
    whole(ack(4));
    arriving(ack(5));
    chooseSize(5);

    EXPECT_EQ(q.Size(), 5);
    for (int k = 0; k < Queue::kSlots; ++k) {
        EXPECT_FALSE(q.pktQ(k).Active || q.pktA(k).Active) << k;
        EXPECT_FALSE(q.shpQueue[k].filled() || q.shpQueueA[k].filled()) << k;
        EXPECT_EQ(q.shpQueue[k].visible(), k < 5) << k;
        EXPECT_EQ(q.shpQueueA[k].visible(), k < 5) << k;
    }
    EXPECT_DOUBLE_EQ(q.shpQueue[4].left(), 90);
    EXPECT_DOUBLE_EQ(q.shpQueue[0].left(), 474 * 4 + 90);
    EXPECT_DOUBLE_EQ(q.shpQueueA[0].width(), 484);
    // The packets already being sent finish normally.
    EXPECT_TRUE(q.state().dataOutBusy);
    EXPECT_TRUE(q.state().ackOutBusy);
}

TEST_F(QueueTest, AfterResizingTheOldDepartureKeepsTheNewHead)
{
    whole(data(0));
    chooseSize(4);
    whole(data(1));  // waits: the output is still sending packet 0
    env.routing.clear();

    q.Departed(false);  // packet 0 is off the router's hands
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendData});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 1) << "the new head must be forwarded, not removed";
    EXPECT_EQ(q.pktQ(0).Number, 1);

    // Its own departure then frees it as usual.
    q.Departed(false);
    EXPECT_FALSE(q.pktQ(0).Active);
}

TEST_F(QueueTest, ForwardingSurvivesADepartureReportedFromInsideTheSend)
{
    // A wire that reports its direction free while still taking the packet.
    env.routing.react = [this](int, int code, Packet&) {
        if (code == SendData) q.Departed(false);
        if (code == SendACK) q.Departed(true);
    };
    arriving(data(0));
    whole(data(1));
    whole(data(2));
    arrive(data(0));
    std::vector<int> sent;
    for (const auto& r : env.routing.reports) sent.push_back(r.packet.Number);
    EXPECT_EQ(sent, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(q.state().dataOutBusy);
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{-1, -1, -1}));

    env.routing.clear();
    whole(ack(9));
    whole(ack(10));
    EXPECT_EQ(env.routing.codes(), (std::vector<int>{SendACK, SendACK}));
    EXPECT_FALSE(q.state().ackOutBusy);
    EXPECT_FALSE(q.pktA(2).Active);

    // Later packets still go out.
    env.routing.react = nullptr;
    env.routing.clear();
    whole(data(3));
    EXPECT_EQ(env.routing.codes(), std::vector<int>{SendData});
}

TEST_F(QueueTest, DataKilledWhileArrivingFreesOnlyItsSlot)
{
    whole(data(0));
    arriving(data(1));
    arriving(data(2));
    kill(data(1));
    EXPECT_EQ(numbers(&Queue::pktQ, 3), (std::vector<int>{0, -1, 2}));
    EXPECT_FALSE(q.shpQueue[1].filled());
    arriving(data(3));
    EXPECT_EQ(q.pktQ(1).Number, 3) << "the freed slot is the lowest free one";
}

TEST_F(QueueTest, AnAcknowledgementKilledWhileArrivingDoesNotStallTheQueue)
{
    whole(ack(1));  // forwarded
    arriving(ack(2));
    kill(ack(2));  // destroyed on the incoming wire while arriving
    EXPECT_FALSE(q.pktA(1).Active);
    EXPECT_FALSE(q.shpQueueA[1].filled());

    q.Departed(true);
    env.routing.clear();
    whole(ack(3));
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendACK});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 3);
}

TEST_F(QueueTest, KillingAnAcknowledgementLetsTheOnesBehindItMoveUp)
{
    arriving(ack(5));  // head, still arriving
    whole(ack(6));     // whole, waiting behind it
    EXPECT_TRUE(env.routing.reports.empty());

    kill(ack(5));
    ASSERT_EQ(env.routing.codes(), std::vector<int>{SendACK});
    EXPECT_EQ(env.routing.reports[0].packet.Number, 6);
    EXPECT_EQ(q.pktA(2).Number, 6);
    EXPECT_FALSE(q.pktA(1).Active);
    EXPECT_EQ(q.shpQueueA[2].fillColour(), Queue::darkColour(PacketColour::kAck));
    EXPECT_FALSE(q.shpQueueA[1].filled());
}

TEST_F(QueueTest, ResetClearsEverythingAndRestrictsThePanel)
{
    whole(data(0));
    whole(ack(1));
    q.Reset(1, 1);
    EXPECT_FALSE(q.state().dataOutBusy || q.state().ackOutBusy);
    EXPECT_FALSE(q.pktQ(0).Active || q.pktA(2).Active);
    EXPECT_FALSE(q.shpQueue[0].filled() || q.shpQueueA[2].filled());
    EXPECT_EQ(q.state().restricted, 1);

    q.cmdEdit.click();
    EXPECT_EQ(q.cmdEdit.caption(), "Done");
    EXPECT_FALSE(q.cmdAdvanced.visible());
    EXPECT_TRUE(q.lblSize.visible() && q.cmbSize.visible());
    EXPECT_EQ(q.Shape1.height(), 1980);
    q.cmdEdit.click();
    EXPECT_EQ(q.cmdEdit.caption(), "Edit");
    EXPECT_FALSE(q.cmbSize.visible());
    EXPECT_EQ(q.Shape1.height(), 1380);

    q.Reset(1, 0);
    q.cmdEdit.click();
    EXPECT_TRUE(q.cmdAdvanced.visible());
    q.cmdAdvanced.click();
    EXPECT_TRUE(q.cmbDropPolicy.visible() && q.lblDropPolicy.visible());
    EXPECT_FALSE(q.cmbCongestionThreshold.visible()) << "the threshold shows only under RED";
    EXPECT_EQ(q.Shape1.height(), 2880);

    // Other levels only set the restriction.
    whole(data(2));
    q.Reset(7, 1);
    EXPECT_TRUE(q.pktQ(0).Active);
    EXPECT_EQ(q.state().restricted, 1);
}

TEST_F(QueueTest, ResetLevelZeroRepeatsCreation)
{
    chooseSize(6);
    q.Reset(0, 1);
    EXPECT_EQ(q.Size(), 3);
    EXPECT_EQ(q.cmbSize.text(), "3");
    EXPECT_EQ(q.cmbSize.items().size(), 16u) << "the items are added a second time";
    EXPECT_EQ(q.cmbDropPolicy.text(), "Drop Tail");
    EXPECT_EQ(q.cmbCongestionThreshold.text(), "3");
}

TEST_F(QueueTest, AStartUpWithThePanelOpenShrinksOnlyTheFrame)
{
    q.cmdEdit.click();
    q.Reset(0, 1);
    EXPECT_EQ(q.Shape1.height(), 1380);
    EXPECT_TRUE(widgets::panel::isOpen(q.cmdEdit)) << "the panel stays open until its button is clicked";
    EXPECT_TRUE(q.cmbSize.visible());
    q.cmdEdit.click();
    EXPECT_FALSE(q.cmbSize.visible());
}

TEST_F(QueueTest, SetSizeAcceptsOneToSix)
{
    q.SetSize(4);
    EXPECT_EQ(q.Size(), 4);
    EXPECT_EQ(q.cmbSize.text(), "4");
    q.SetSize(7);
    q.SetSize(0);
    EXPECT_EQ(q.Size(), 4);
    // Out-of-range sizes from code keep the slot arrays' bounds.
    q.Initialise(9);
    q.queue_size(-1);
    EXPECT_EQ(q.Size(), 4);
}

TEST_F(QueueTest, ControlsAreCreatedInTheDocumentedOrder)
{
    std::vector<std::string> names;
    for (const widgets::Control* c : q.children()) names.push_back(c->fullName());
    ASSERT_EQ(names.size(), 4u * 8 + 9);
    EXPECT_EQ(names[0], "shpQueue(0)");
    EXPECT_EQ(names[8], "shpQueueA(0)");
    EXPECT_EQ(names[32], "Shape1");
    EXPECT_EQ(names.back(), "cmbCongestionThreshold");
}
