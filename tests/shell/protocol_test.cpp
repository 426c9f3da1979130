// SPDX-License-Identifier: MIT
// Whole runs of the demonstration: every scenario end to end, direct and
// through the router, the ARQ scenarios recovering from one destroyed packet.
// (Long runs under many random losses are in the soak: ArqUnderLosses.)
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lab/lab.h"
#include "shell/linkdemo.h"
#include "shell_support.h"
#include "support/watched_demo.h"

using namespace shelltest;

namespace {

struct Session {
    RecordingMessageBox messageBox;
    WatchedDemo demo{messageBox};

    explicit Session(const std::string& scenario, bool router)
    {
        demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex(scenario));
        if (router) demo.cmdRouter.click();
        demo.cmdPause.click();
    }
};

// What crossed the wires during a run, sampled at every main-clock step.
struct Observed {
    int maxForward = 0;       // most forward packets on Wire1 at once
    int reverseSteps = 0;     // steps with a reverse packet on Wire1
    int wire2Steps = 0;       // steps with any packet on Wire2
    int resentSteps = 0;      // steps with a retransmission on Wire1
    bool wrongShown = false;  // the receiver's "Wrong!" warning
};

Observed observe(WatchedDemo& demo, std::int64_t ms)
{
    Observed o;
    const auto wire1 = packetButtons(demo, "Wire1");
    const auto wire2 = packetButtons(demo, "Wire2");
    const widgets::Control& wrong = control(demo, "Receiver1.lblWrong");
    runSteps(demo, ms, [&] {
        const InFlight w1 = inFlight(wire1);
        const InFlight w2 = inFlight(wire2);
        o.maxForward = std::max(o.maxForward, w1.forward);
        if (w1.reverse > 0) ++o.reverseSteps;
        if (w2.forward + w2.reverse > 0) ++o.wire2Steps;
        if (std::any_of(wire1.begin(), wire1.end(), [](const widgets::Button* b) {
                return b->visible() && b->backColour() == PacketColour::kDataResent;
            })) {
            ++o.resentSteps;
        }
        if (wrong.visible()) o.wrongShown = true;
    });
    return o;
}

constexpr std::int64_t kTwoMinutes = 120000;

class EndToEnd : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST_P(EndToEnd, NoControlsStreamsWithoutAcknowledgements)
{
    Session r("No Controls", GetParam());
    const Observed o = observe(r.demo, kTwoMinutes);
    EXPECT_TRUE(r.demo.deliveredInOrder());
    // One packet after another, a second each on Wire1.
    EXPECT_GE(r.demo.delivered.size(), 90u);
    EXPECT_EQ(o.reverseSteps, 0);
    EXPECT_EQ(o.resentSteps, 0);
    EXPECT_FALSE(o.wrongShown);
    EXPECT_EQ(o.wire2Steps > 0, GetParam());
}

TEST_P(EndToEnd, StopAndWaitSendsOnePacketPerAcknowledgement)
{
    Session r("Stop and Wait", GetParam());
    const Observed o = observe(r.demo, kTwoMinutes);
    EXPECT_TRUE(r.demo.deliveredInOrder());
    EXPECT_GE(r.demo.delivered.size(), 15u);
    EXPECT_EQ(o.maxForward, 1);
    EXPECT_GT(o.reverseSteps, 0);
    EXPECT_EQ(o.resentSteps, 0);
    EXPECT_FALSE(o.wrongShown);
    // Each packet waits for its ACK: the transmitter is never far ahead.
    EXPECT_LE(static_cast<int>(r.demo.Transmitter1.state().nextPacketNumber),
              static_cast<int>(r.demo.delivered.size()) + 2);
}

TEST_P(EndToEnd, SlidingWindowLetsThreePacketsOutAndOutrunsStopAndWait)
{
    Session sw("Stop and Wait", GetParam());
    observe(sw.demo, kTwoMinutes);
    Session r("Sliding Window", GetParam());
    const Observed o = observe(r.demo, kTwoMinutes);
    EXPECT_TRUE(r.demo.deliveredInOrder());
    EXPECT_LE(o.maxForward, 3);
    EXPECT_GT(r.demo.delivered.size(), sw.demo.delivered.size() * 3 / 2);
    EXPECT_EQ(o.resentSteps, 0);
    EXPECT_FALSE(o.wrongShown);
}

TEST_P(EndToEnd, ArqScenariosDeliverInOrderAndRecoverFromALoss)
{
    for (const char* scenario : {"Stop & Wait ARQ", "Go-back-N ARQ", "Selective Repeat ARQ"}) {
        SCOPED_TRACE(scenario);
        Session r(scenario, GetParam());
        Observed o = observe(r.demo, kTwoMinutes / 2);
        EXPECT_TRUE(r.demo.deliveredInOrder());
        // Stop & Wait ARQ through the router takes about 7 s a packet.
        EXPECT_GE(r.demo.delivered.size(), 6u);
        EXPECT_GT(o.reverseSteps, 0);
        EXPECT_EQ(o.resentSteps, 0);

        // Destroy the next data packet the moment it is on Wire1.
        bool destroyed = false;
        for (int step = 0; step < 200 && !destroyed; ++step) {
            run(r.demo, 100);
            for (int i = 0; i < 16 && !destroyed; ++i) {
                auto& b = button(r.demo, "Wire1.cmdPacket(" + std::to_string(i) + ")");
                if (b.visible() && b.top() >= 360) {
                    b.click();
                    destroyed = true;
                }
            }
        }
        ASSERT_TRUE(destroyed);
        const std::size_t before = r.demo.delivered.size();
        o = observe(r.demo, kTwoMinutes / 2);
        EXPECT_GT(o.resentSteps, 0);
        EXPECT_TRUE(r.demo.deliveredInOrder());
        EXPECT_GE(r.demo.delivered.size(), before + 3);
        EXPECT_FALSE(o.wrongShown);
    }
}

TEST_P(EndToEnd, SoftwareFlowStopsOnHoldAndResumesOnReady)
{
    Session r("Software Flow", GetParam());
    Observed o = observe(r.demo, 20000);
    EXPECT_EQ(o.resentSteps, 0);
    const std::size_t streamed = r.demo.delivered.size();
    EXPECT_GE(streamed, 12u);

    r.demo.clickReady();  // Hold
    // The Hold message reaches the transmitter; after that nothing new is sent.
    observe(r.demo, 10000);
    EXPECT_EQ(r.demo.Transmitter1.state().sendPermitted, false);
    const int nextBefore = r.demo.Transmitter1.state().nextPacketNumber;
    const std::size_t heldAt = r.demo.delivered.size();
    o = observe(r.demo, 30000);
    EXPECT_EQ(r.demo.Transmitter1.state().nextPacketNumber, nextBefore);
    EXPECT_EQ(o.maxForward, 0);
    EXPECT_EQ(r.demo.delivered.size(), heldAt);

    r.demo.clickReady();  // Ready: the waiting packets are delivered at once
    EXPECT_GT(r.demo.delivered.size(), heldAt);
    observe(r.demo, 20000);
    EXPECT_EQ(r.demo.Transmitter1.state().sendPermitted, true);
    EXPECT_GE(r.demo.delivered.size(), heldAt + 12);
    if (!GetParam()) {
        // On the direct link the Hold arrives before the receive window of
        // six is full: nothing is lost.
        EXPECT_TRUE(r.demo.deliveredInOrder());
    } else {
        // Through the router the Hold takes longer than six packets: those
        // sent after the window filled are ignored, and without error control
        // they are gone. What is delivered still comes in order, once each.
        const auto& d = r.demo.delivered;
        EXPECT_TRUE(std::is_sorted(d.begin(), d.end()) && std::adjacent_find(d.begin(), d.end()) == d.end());
        EXPECT_LT(d.back() + 1, static_cast<int>(r.demo.Transmitter1.state().nextPacketNumber));
    }
}

// Bit rate and delay changed while packets are in flight make them overlap
// on the wire: the packets still arrive one at a time, in the order they
// were sent, and every packet sent is delivered, dropped by the router or
// still on its way.
TEST_P(EndToEnd, ChangingTheWireWhileRunningLosesNothing)
{
    Session r("No Controls", GetParam());
    r.demo.Wire1.cmdEdit.click();
    const std::vector<std::pair<const char*, std::int64_t>> steps =
        GetParam() ? std::vector<std::pair<const char*, std::int64_t>>{{"D1", 2206},
                                                                       {"B2", 1977},
                                                                       {"D2", 5783},
                                                                       {"B0.2", 23726}}
                   : std::vector<std::pair<const char*, std::int64_t>>{{"B0.5", 3780}, {"B2", 2947}, {"D0.5", 22492}};
    bool wrongShown = false;
    for (const auto& [setting, ms] : steps) {
        widgets::ComboBox& field = setting[0] == 'B' ? r.demo.Wire1.cmbBitRate : r.demo.Wire1.cmbDelay;
        field.userEdit(setting + 1);
        runSteps(r.demo, ms, [&] { wrongShown = wrongShown || r.demo.Receiver1.lblWrong.visible(); });
    }

    EXPECT_TRUE(r.demo.deliveredInOrder());
    EXPECT_FALSE(wrongShown);
    std::set<std::int64_t> onTheWay;
    for (const Wire* w : {&r.demo.Wire1, &r.demo.Wire2}) {
        for (int i = 0; i < Wire::kSlots; ++i) {
            if (w->cmdPacket[i].visible() && !w->pktWire(i).ACKFlag) onTheWay.insert(w->pktWire(i).Number);
        }
    }
    for (int i = 0; i < Queue::kSlots; ++i) {
        if (r.demo.Queue1.pktQ(i).Active) onTheWay.insert(r.demo.Queue1.pktQ(i).Number);
    }
    for (int k = 0; k < Receiver::kSlots; ++k) {
        if (r.demo.Receiver1.pktRxQueue(k).Active) onTheWay.insert(r.demo.Receiver1.pktRxQueue(k).Number);
    }
    const lab::Figures f = r.demo.lab().figures();
    EXPECT_GT(f.delivered, 20u);
    EXPECT_EQ(f.dataSent, f.delivered + f.routerDrops + onTheWay.size());
}

INSTANTIATE_TEST_SUITE_P(Topology, EndToEnd, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("WithRouter") : std::string("DirectLink");
                         });
