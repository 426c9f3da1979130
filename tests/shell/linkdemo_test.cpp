// SPDX-License-Identifier: MIT
// The main window's model: start-up, routing, the clock, the buttons and the
// scenario set-up.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "shell/linkdemo.h"
#include "shell_support.h"

using namespace shelltest;
using topology::Target;

namespace {

struct Demo {
    RecordingMessageBox messageBox;
    LinkDemo demo{messageBox};
};

const std::vector<std::string> kScenarioItems = {"No Controls",     "Stop and Wait", "Sliding Window",
                                                 "Stop & Wait ARQ", "Go-back-N ARQ", "Selective Repeat ARQ",
                                                 "Software Flow"};

const std::vector<std::string> kComponents = {"Transmitter1", "Transmitter2", "Wire1",    "Wire2",  "Wire3",
                                              "Wire4",        "Wire5",        "Queue1",   "Queue2", "Source1",
                                              "Source2",      "Receiver1",    "Receiver2"};

void choose(LinkDemo& demo, const std::string& scenario)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex(scenario));
}

std::vector<std::string> shownComponents(LinkDemo& demo)
{
    std::vector<std::string> shown;
    for (const auto& n : kComponents) {
        if (demo.findComponent(n)->visible()) shown.push_back(n);
    }
    return shown;
}

}  // namespace

// ---- start-up -------------------------------------------------------------

TEST(StartUp, ShowsNoControlsPausedAtTimeZero)
{
    Demo d;
    LinkDemo& demo = d.demo;
    EXPECT_EQ(demo.caption(), "Brelk's Vorn Demo");
    EXPECT_EQ(demo.width(), 14895);
    EXPECT_EQ(demo.height(), 11115);
    EXPECT_EQ(demo.backColour(), 0xE0E0E0);

    EXPECT_EQ(demo.cmbScenario.items(), kScenarioItems);
    EXPECT_EQ(demo.cmbScenario.text(), "No Controls");
    EXPECT_EQ(demo.cmbScenario.listIndex(), 0);
    EXPECT_FALSE(demo.cmbScenario.editable());
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_EQ(demo.cmdReset.caption(), "Reset");
    EXPECT_EQ(demo.cmdRouter.caption(), "Add Router");
    EXPECT_FALSE(demo.cmdRTT.visible());
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(demo.topology, 0);
    EXPECT_EQ(demo.scheduler().now(), 0);
    EXPECT_TRUE(demo.Timer1.enabled());
    EXPECT_EQ(demo.Timer1.interval(), 100);
    EXPECT_TRUE(d.messageBox.shown.empty());

    EXPECT_EQ(shownComponents(demo), (std::vector<std::string>{"Transmitter1", "Wire1", "Receiver1"}));
}

TEST(StartUp, ControlsStandAtTheirDesignPlaces)
{
    Demo d;
    LinkDemo& demo = d.demo;
    const std::map<std::string, std::vector<double>> places = {
        {"cmdPause", {120, 6900, 1275, 495}},
        {"cmdReset", {1500, 6900, 1275, 495}},
        {"cmdRTT", {120, 7620, 2655, 495}},
        {"cmdRouter", {120, 8220, 2655, 495}},
    };
    for (const auto& [name, g] : places) {
        widgets::Control& c = control(demo, "LinkDemo." + name);
        EXPECT_EQ((std::vector<double>{c.left(), c.top(), c.width(), c.height()}), g) << name;
    }
    EXPECT_EQ(demo.cmbScenario.left(), 120);
    EXPECT_EQ(demo.cmbScenario.top(), 6300);
    EXPECT_EQ(demo.cmbScenario.width(), 3315);
}

TEST(StartUp, AssignsTheRoutingIndicesAndTheLinkSettings)
{
    Demo d;
    LinkDemo& demo = d.demo;
    const std::map<std::string, int> indices = {
        {"Wire1", 1},      {"Wire2", 2},         {"Wire3", 3},         {"Wire4", 4},    {"Wire5", 5},
        {"Queue1", 10},    {"Queue2", 11},       {"Source1", 12},      {"Source2", 13}, {"Receiver1", 14},
        {"Receiver2", 15}, {"Transmitter1", 16}, {"Transmitter2", 17},
    };
    EXPECT_EQ(demo.Wire1.Index(), 1);
    EXPECT_EQ(demo.Wire5.Index(), 5);
    EXPECT_EQ(demo.Queue1.Index(), 10);
    EXPECT_EQ(demo.Queue2.Index(), 11);
    EXPECT_EQ(demo.Source1.Index(), 12);
    EXPECT_EQ(demo.Source2.Index(), 13);
    EXPECT_EQ(demo.Receiver1.Index(), 14);
    EXPECT_EQ(demo.Receiver2.Index(), 15);
    EXPECT_EQ(demo.Transmitter1.Index(), 16);
    EXPECT_EQ(demo.Transmitter2.Index(), 17);
    for (const auto& [name, index] : indices) {
        EXPECT_EQ(state(demo, name)["routingIndex"], index) << name;
    }

    EXPECT_EQ(demo.Wire1.width(), 10000);
    EXPECT_EQ(demo.Wire1.height(), 9915);
    EXPECT_EQ(demo.Wire2.width(), 10000);
    EXPECT_EQ(demo.Wire2.height(), 9915);
    EXPECT_EQ(demo.Wire1.state().bitRate, 1.0);
    EXPECT_EQ(demo.Wire1.state().delay, 2.0);
    EXPECT_EQ(demo.Wire2.state().bitRate, 5.0);
    EXPECT_EQ(demo.Wire2.state().delay, 1.0);
    EXPECT_EQ(comboText(demo, "Wire2.cmbBitRate"), " 5");
}

TEST(StartUp, TheLastTransmitterCallIsSetRTT150AfterTheReset)
{
    Demo d;
    // A reset restores the kept estimate (25000 ms); the estimate in force
    // shows that SetRTT 150 came after it.
    EXPECT_EQ(d.demo.Transmitter1.state().rttEstimate, 15000);
    EXPECT_EQ(d.demo.Transmitter1.state().resetRTT, 25000);
    // Every component has been reset with the restricted flag.
    for (const char* n : {"Transmitter1", "Transmitter2", "Receiver1", "Receiver2", "Queue1", "Queue2"}) {
        EXPECT_EQ(state(d.demo, n)["restricted"], 1) << n;
    }
}

TEST(StartUp, OnlyListedComponentsRaiseThemselvesOnFocus)
{
    Demo d;
    LinkDemo& demo = d.demo;
    for (const char* n : {"Queue1", "Queue2", "Receiver1", "Receiver2", "Source1", "Source2", "Transmitter1",
                          "Transmitter2", "Wire1", "Wire2"}) {
        widgets::Component* c = demo.findComponent(n);
        c->focus();
        EXPECT_EQ(demo.stacking().back(), c) << n;
    }
    const widgets::Control* top = demo.stacking().back();
    for (const char* n : {"Wire3", "Wire4", "Wire5"}) {
        demo.findComponent(n)->focus();
        EXPECT_EQ(demo.stacking().back(), top) << n;
    }
}

// ---- routing --------------------------------------------------------------

namespace {

using Table = std::map<std::pair<int, int>, Target>;

// The complete table for each topology class: every (index, code) pair not
// listed here is ignored.
const Table kCommon = {
    {{16, 4}, Target::Wire1PacketArrive},
    {{1, 6}, Target::Transmitter1TxFree},
    {{1, 10}, Target::Transmitter1TxFree},
    {{1, 3}, Target::Transmitter1Arrive},
};

Table directTable()
{
    Table t = kCommon;
    t[{1, 0}] = Target::Receiver1Arriving;
    t[{1, 2}] = Target::Receiver1Arrive;
    t[{1, 8}] = Target::Receiver1KillArriving;
    t[{1, 7}] = Target::Receiver1TxFree;
    t[{1, 11}] = Target::Receiver1TxFree;
    t[{14, 5}] = Target::Wire1PacketArrive;
    return t;
}

Table routerTable()
{
    Table t = kCommon;
    t[{1, 0}] = Target::Queue1Arriving;
    t[{1, 2}] = Target::Queue1Arrive;
    t[{1, 8}] = Target::Queue1KillArriving;
    t[{1, 7}] = Target::Queue1DepartedACK;
    t[{1, 11}] = Target::Queue1DepartedACK;
    t[{10, 5}] = Target::Wire1PacketArrive;
    t[{2, 6}] = Target::Queue1DepartedData;
    t[{2, 10}] = Target::Queue1DepartedData;
    t[{2, 1}] = Target::Queue1Arriving;
    t[{2, 3}] = Target::Queue1Arrive;
    t[{10, 4}] = Target::Wire2PacketArrive;
    t[{2, 0}] = Target::Receiver1Arriving;
    t[{2, 2}] = Target::Receiver1Arrive;
    t[{2, 8}] = Target::Receiver1KillArriving;
    t[{2, 7}] = Target::Receiver1TxFree;
    t[{2, 11}] = Target::Receiver1TxFree;
    t[{14, 5}] = Target::Wire2PacketArrive;
    // An ACK destroyed while arriving at the router is discarded there.
    t[{2, 9}] = Target::Queue1KillArriving;
    return t;
}

void expectTable(int topology, const Table& table)
{
    const std::vector<int> codes = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 98, 100};
    for (int index = -1; index <= 20; ++index) {
        for (int code : codes) {
            auto it = table.find({index, code});
            const Target want = it == table.end() ? Target::Ignored : it->second;
            EXPECT_EQ(topology::targetFor(topology, index, code), want)
                << "topology " << topology << " index " << index << " code " << code;
        }
        EXPECT_EQ(topology::targetFor(topology, index, 99), Target::ResetAll) << "topology " << topology;
    }
}

}  // namespace

TEST(Routing, DirectLinkTableRuleByRule)
{
    for (int topology = 0; topology <= 6; ++topology) expectTable(topology, directTable());
}

TEST(Routing, RouterTableRuleByRule)
{
    for (int topology = 10; topology <= 16; ++topology) expectTable(topology, routerTable());
}

TEST(Routing, BeyondTheRouterRangeOnlyTheTransmitterEventsAreRouted)
{
    expectTable(20, kCommon);
    expectTable(25, kCommon);
}

TEST(Routing, DataFromTheTransmitterGoesOntoWire1)
{
    Demo d;
    LinkDemo& demo = d.demo;
    Packet p;
    p.Active = true;
    p.Number = 41;
    p.Colour = PacketColour::kData;
    demo.PacketDone(16, SendData, p);
    const auto rec = object(demo, "Wire1.pktWire(0)");
    EXPECT_EQ(rec["Number"], 41);
    EXPECT_TRUE(button(demo, "Wire1.cmdPacket(0)").visible());
    // The caller's packet is not kept: changing it leaves the wire's copy.
    p.Number = 7;
    EXPECT_EQ(object(demo, "Wire1.pktWire(0)")["Number"], 41);
}

TEST(Routing, AnAckGoesOntoTheWireOfTheTopologyInForce)
{
    Demo d;
    LinkDemo& demo = d.demo;
    Packet ack;
    ack.Active = true;
    ack.ACKFlag = true;
    ack.Number = 3;
    ack.Colour = PacketColour::kAck;

    demo.PacketDone(14, SendACK, ack);
    EXPECT_EQ(inFlight(demo, "Wire1").reverse, 1);
    EXPECT_EQ(inFlight(demo, "Wire2").reverse, 0);

    demo.cmdRouter.click();
    EXPECT_EQ(inFlight(demo, "Wire1").reverse, 0);  // the router change reset the wires
    demo.PacketDone(14, SendACK, ack);
    EXPECT_EQ(inFlight(demo, "Wire1").reverse, 0);
    EXPECT_EQ(inFlight(demo, "Wire2").reverse, 1);
    // The router forwards data onto Wire2 only while it is present.
    Packet data;
    data.Active = true;
    data.Number = 5;
    data.Colour = PacketColour::kData;
    demo.PacketDone(10, SendData, data);
    EXPECT_EQ(inFlight(demo, "Wire2").forward, 1);
    demo.cmdRouter.click();
    demo.PacketDone(10, SendData, data);
    demo.PacketDone(10, SendACK, ack);
    EXPECT_EQ(inFlight(demo, "Wire1").forward + inFlight(demo, "Wire1").reverse, 0);
    EXPECT_EQ(inFlight(demo, "Wire2").forward + inFlight(demo, "Wire2").reverse, 0);
}

TEST(Routing, ReportsOfTheComponentsThatTakeNoPartChangeNothing)
{
    Demo d;
    LinkDemo& demo = d.demo;
    demo.cmdPause.click();
    run(demo, 1000);
    const auto before = dump::objects(demo, "");
    Packet p;
    p.Active = true;
    p.Number = 9;
    p.Colour = PacketColour::kData;
    Packet a = p;
    a.ACKFlag = true;
    for (int index : {3, 4, 5, 11, 12, 13, 15, 17}) {
        for (int code = 0; code <= 11; ++code) {
            Packet copy = code == SendACK ? a : p;
            demo.PacketDone(index, code, copy);
        }
    }
    // Routing indices 2 and 10 take no part without the router.
    for (int code = 0; code <= 11; ++code) {
        Packet copy = p;
        demo.PacketDone(2, code, copy);
        demo.PacketDone(10, code, copy);
    }
    EXPECT_EQ(dump::objects(demo, ""), before);
}

TEST(Routing, ResetRequestFromAnyIndexResetsEverything)
{
    for (int index : {16, 0, 3, 12}) {
        Demo d;
        LinkDemo& demo = d.demo;
        choose(demo, "Go-back-N ARQ");
        demo.cmdPause.click();
        run(demo, 4000);
        ASSERT_GT(inFlight(demo, "Wire1").forward, 0);
        Packet p;
        demo.PacketDone(index, ResetRequest, p);
        EXPECT_TRUE(demo.paused);
        EXPECT_EQ(demo.totalTime, 0);
        EXPECT_EQ(demo.cmdPause.caption(), "Start");
        EXPECT_EQ(inFlight(demo, "Wire1").forward, 0);
        EXPECT_EQ(demo.topology, 4);
        EXPECT_FALSE(static_cast<widgets::Timer&>(control(demo, "Transmitter1.Timer1")).enabled());
        // Nothing moves any more.
        run(demo, 1000);
        EXPECT_EQ(demo.totalTime, 0);
    }
}

// ---- the clock and the pause button ---------------------------------------

TEST(Clock, TicksAdvanceTotalTimeOnlyWhileRunning)
{
    Demo d;
    LinkDemo& demo = d.demo;
    run(demo, 1000);
    EXPECT_EQ(demo.totalTime, 0);
    demo.cmdPause.click();
    run(demo, 250);
    EXPECT_EQ(demo.totalTime, 200);
    run(demo, 50);
    EXPECT_EQ(demo.totalTime, 300);
}

TEST(PauseButton, CyclesThroughItsThreeStates)
{
    Demo d;
    LinkDemo& demo = d.demo;
    auto& txTimer = static_cast<widgets::Timer&>(control(demo, "Transmitter1.Timer1"));
    auto& rxTimer = static_cast<widgets::Timer&>(control(demo, "Receiver1.Timer1"));
    EXPECT_FALSE(txTimer.enabled());
    EXPECT_FALSE(rxTimer.enabled());

    demo.cmdPause.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_FALSE(demo.paused);
    EXPECT_TRUE(txTimer.enabled());
    EXPECT_TRUE(rxTimer.enabled());
    run(demo, 3000);
    const auto wireBefore = dump::objects(demo, "Wire1");

    demo.cmdPause.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
    EXPECT_TRUE(demo.paused);
    EXPECT_FALSE(txTimer.enabled());
    EXPECT_FALSE(rxTimer.enabled());
    run(demo, 2000);
    EXPECT_EQ(demo.totalTime, 3000);
    // While paused, ticks leave every packet where it was.
    EXPECT_EQ(dump::objects(demo, "Wire1"), wireBefore);

    demo.cmdPause.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_FALSE(demo.paused);
    run(demo, 100);
    EXPECT_EQ(demo.totalTime, 3100);
}

TEST(ResetButton, WhilePausedWithContReturnsToStartAtTimeZero)
{
    Demo d;
    LinkDemo& demo = d.demo;
    demo.cmdPause.click();
    run(demo, 2500);
    demo.cmdPause.click();
    ASSERT_EQ(demo.cmdPause.caption(), "Cont");
    demo.cmdReset.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(inFlight(demo, "Wire1").forward, 0);
    demo.cmdPause.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
}

// ---- scenarios ------------------------------------------------------------

namespace {

struct Ends {
    int txWindow, txMaxSequence;
    const char* retransmitMode;
    const char* timers;
    int rxWindow, rxMaxSequence;
    const char* policy;
    const char* ackMode;
};

const Ends kEnds[] = {
    {1, 0, "None", "Indiv.", 1, 0, "In Order", "None"},           // No Controls
    {1, 0, "Wait", "Indiv.", 1, 0, "In Order", "Single"},         // Stop and Wait
    {3, 0, "Wait", "Indiv.", 3, 0, "In Window", "Single"},        // Sliding Window
    {1, 1, "Batch", "Indiv.", 1, 1, "In Order", "Single"},        // Stop & Wait ARQ
    {3, 15, "Batch", "Indiv.", 3, 15, "In Order", "Cumulative"},  // Go-back-N ARQ
    {3, 7, "Indiv.", "Indiv.", 3, 7, "In Window", "Selective"},   // Selective Repeat ARQ
    {1, 0, "None", "Indiv.", 6, 0, "In Order", "Software"},       // Software Flow
};

void expectEnds(LinkDemo& demo, int scenario)
{
    const Ends& e = kEnds[scenario];
    const auto tx = state(demo, "Transmitter1");
    const auto rx = state(demo, "Receiver1");
    EXPECT_EQ(tx["txWindow"], e.txWindow);
    EXPECT_EQ(tx["maxSequence"], e.txMaxSequence);
    EXPECT_EQ(comboText(demo, "Transmitter1.cmbRetransmitMode"), e.retransmitMode);
    EXPECT_EQ(comboText(demo, "Transmitter1.cmbRetransmitTimers"), e.timers);
    EXPECT_EQ(tx["individualTimers"], true);
    const std::string mode = e.retransmitMode;
    EXPECT_EQ(tx["reliable"], mode == "Indiv." || mode == "Batch");
    EXPECT_EQ(tx["waitForAck"], mode != "None");
    EXPECT_EQ(tx["individualRetransmit"], mode == "Indiv.");
    // The reset after the set-up restores the estimate kept for restarts.
    EXPECT_EQ(tx["rttEstimate"], 25000);
    EXPECT_EQ(rx["rxWindow"], e.rxWindow);
    EXPECT_EQ(rx["maxSequence"], e.rxMaxSequence);
    EXPECT_EQ(comboText(demo, "Receiver1.cmbRxPolicy"), e.policy);
    EXPECT_EQ(comboText(demo, "Receiver1.cmbAckMode"), e.ackMode);
}

}  // namespace

TEST(Scenario, ConfiguresBothEndsWithAndWithoutTheRouter)
{
    for (int scenario = 0; scenario < 7; ++scenario) {
        SCOPED_TRACE(kScenarioItems[static_cast<std::size_t>(scenario)]);
        Demo d;
        LinkDemo& demo = d.demo;
        demo.cmdPause.click();
        run(demo, 500);
        demo.cmbScenario.userChoose(scenario);
        EXPECT_EQ(demo.topology, scenario);
        EXPECT_EQ(demo.cmbScenario.text(), kScenarioItems[static_cast<std::size_t>(scenario)]);
        EXPECT_TRUE(demo.paused);
        EXPECT_EQ(demo.totalTime, 0);
        EXPECT_EQ(demo.cmdPause.caption(), "Start");
        expectEnds(demo, scenario);
        EXPECT_EQ(demo.cmdRTT.visible(), scenario >= 3 && scenario <= 5);

        demo.cmdRouter.click();
        EXPECT_EQ(demo.topology, scenario + 10);
        expectEnds(demo, scenario);
        EXPECT_EQ(demo.cmdRTT.visible(), scenario >= 3 && scenario <= 5);
    }
}

TEST(Scenario, LaysOutTheDirectLink)
{
    Demo d;
    LinkDemo& demo = d.demo;
    choose(demo, "Go-back-N ARQ");
    EXPECT_EQ(shownComponents(demo), (std::vector<std::string>{"Transmitter1", "Wire1", "Receiver1"}));
    EXPECT_EQ(demo.Transmitter1.left(), 120);
    EXPECT_EQ(demo.Transmitter1.top(), 240);
    EXPECT_EQ(demo.Wire1.left(), 3240);
    EXPECT_EQ(demo.Wire1.top(), 480);
    EXPECT_EQ(demo.Wire1.Length(), 7950);
    EXPECT_EQ(demo.Receiver1.left(), 11340);
    EXPECT_EQ(demo.Receiver1.top(), 240);
    EXPECT_TRUE(control(demo, "Wire1.Picture1").visible());
    EXPECT_EQ(control(demo, "Wire1.Picture1").height(), 8000);
}

TEST(Router, AddingAndRemovingRunsTwoResetsAndReturnsTheTopology)
{
    Demo d;
    LinkDemo& demo = d.demo;
    choose(demo, "Selective Repeat ARQ");
    demo.cmdPause.click();
    run(demo, 1500);

    demo.cmdRouter.click();
    EXPECT_EQ(demo.topology, 15);
    EXPECT_EQ(demo.cmdRouter.caption(), "Remove Router");
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_TRUE(demo.cmdRTT.visible());
    EXPECT_EQ(shownComponents(demo),
              (std::vector<std::string>{"Transmitter1", "Wire1", "Wire2", "Queue1", "Receiver1"}));
    // The wires meet the router and the receiver.
    EXPECT_EQ(demo.Queue1.left(), 6120);
    EXPECT_EQ(demo.Queue1.top(), 360);
    EXPECT_EQ(demo.Wire1.left() + 120 + demo.Wire1.Length(), demo.Queue1.left());
    EXPECT_EQ(demo.Wire2.left(), 8520);
    EXPECT_EQ(demo.Wire2.top(), 480);
    EXPECT_EQ(demo.Wire2.left() + 120 + demo.Wire2.Length(), demo.Receiver1.left());
    EXPECT_EQ(demo.Wire1.Length(), 2760);
    EXPECT_EQ(demo.Wire2.Length(), 2700);
    EXPECT_TRUE(control(demo, "Wire2.Picture1").visible());

    demo.cmdPause.click();
    run(demo, 1500);
    demo.cmdRouter.click();
    EXPECT_EQ(demo.topology, 5);
    EXPECT_EQ(demo.cmdRouter.caption(), "Add Router");
    EXPECT_TRUE(demo.paused);
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_EQ(shownComponents(demo), (std::vector<std::string>{"Transmitter1", "Wire1", "Receiver1"}));
    EXPECT_EQ(demo.Wire1.Length(), 7950);
}

TEST(Router, ChoosingAScenarioRemovesIt)
{
    Demo d;
    LinkDemo& demo = d.demo;
    choose(demo, "Go-back-N ARQ");
    demo.cmdRouter.click();
    ASSERT_EQ(demo.topology, 14);
    choose(demo, "Go-back-N ARQ");
    EXPECT_EQ(demo.topology, 4);
    EXPECT_EQ(demo.cmdRouter.caption(), "Add Router");
    EXPECT_FALSE(demo.Queue1.visible());
    EXPECT_FALSE(demo.Wire2.visible());

    demo.cmdRouter.click();
    choose(demo, "Stop and Wait");
    EXPECT_EQ(demo.topology, 1);
    EXPECT_EQ(demo.cmdRouter.caption(), "Add Router");
    // Routing follows at once: Wire1's data goes to the receiver again.
    Packet p;
    p.Active = true;
    p.Number = 0;
    p.Colour = PacketColour::kData;
    demo.PacketDone(1, DataHeadArrived, p);
    EXPECT_EQ(object(demo, "Receiver1.pktRxQueue(0)")["Active"], true);
}

TEST(Scenario, MeasureRTTIsOfferedOnlyInTheArqScenarios)
{
    Demo d;
    LinkDemo& demo = d.demo;
    for (int scenario = 0; scenario < 7; ++scenario) {
        demo.cmbScenario.userChoose(scenario);
        const bool offered = scenario >= 3 && scenario <= 5;
        EXPECT_EQ(demo.cmdRTT.visible(), offered) << scenario;
        demo.cmdRouter.click();
        EXPECT_EQ(demo.cmdRTT.visible(), offered) << scenario;
        demo.cmdRouter.click();
        EXPECT_EQ(demo.cmdRTT.visible(), offered) << scenario;
    }
}

TEST(Scenario, MeasureRTTResetsMeasuresAndStartsTheRun)
{
    Demo d;
    LinkDemo& demo = d.demo;
    choose(demo, "Stop & Wait ARQ");
    demo.cmdPause.click();
    run(demo, 3000);

    demo.cmdRTT.click();
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_FALSE(demo.paused);
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(demo.Transmitter1.state().measuringRTT, true);
    // The probe is on the wire at once.
    EXPECT_EQ(inFlight(demo, "Wire1").forward, 1);

    // The first acknowledgement ends the measurement with a reset request.
    std::int64_t waited = 0;
    while (!demo.paused && waited < 30000) {
        run(demo, 100);
        waited += 100;
    }
    ASSERT_TRUE(demo.paused) << "the measurement never ended";
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    const auto tx = state(demo, "Transmitter1");
    EXPECT_EQ(tx["measuringRTT"], false);
    EXPECT_NE(tx["resetRTT"], 25000);
    EXPECT_EQ(tx["rttEstimate"], tx["resetRTT"]);
    // The measured estimate survives the next reset.
    demo.cmdReset.click();
    EXPECT_EQ(demo.Transmitter1.state().rttEstimate, tx["resetRTT"]);
}

TEST(Scenario, UserLinkSettingsSurviveScenarioChangesAndReset)
{
    Demo d;
    LinkDemo& demo = d.demo;
    combo(demo, "Wire1.cmbBitRate").userEdit("2");
    combo(demo, "Wire1.cmbDelay").userEdit("0.5");
    combo(demo, "Wire2.cmbDelay").userChoose(combo(demo, "Wire2.cmbDelay").itemIndex("5.0"));
    choose(demo, "Sliding Window");
    demo.cmdRouter.click();
    demo.cmdReset.click();
    demo.cmdRouter.click();
    choose(demo, "Go-back-N ARQ");
    demo.cmdRTT.click();
    EXPECT_EQ(demo.Wire1.state().bitRate, 2.0);
    EXPECT_EQ(demo.Wire1.state().delay, 0.5);
    EXPECT_EQ(demo.Wire2.state().delay, 5.0);
    EXPECT_EQ(comboText(demo, "Wire1.cmbBitRate"), "2");
}

TEST(Background, ClickRepaintsEveryTrace)
{
    Demo d;
    LinkDemo& demo = d.demo;
    demo.cmdPause.click();
    run(demo, 5000);
    auto& picture = static_cast<widgets::Picture&>(control(demo, "Wire1.Picture1"));
    const auto drawn = picture.lines().size();
    ASSERT_GT(drawn, 0u);
    const auto clears = picture.clearCount();
    demo.backgroundClick();
    EXPECT_EQ(picture.clearCount(), clears + 1);
    EXPECT_GT(picture.lines().size(), 0u);
    EXPECT_LE(picture.lines().size(), drawn);
}

// ---- names and the dump ---------------------------------------------------

TEST(Names, FindControlsAndComponentsByFullName)
{
    Demo d;
    LinkDemo& demo = d.demo;
    EXPECT_EQ(demo.findControl("LinkDemo.cmdPause"), &demo.cmdPause);
    EXPECT_EQ(demo.findControl("LinkDemo.Timer1"), &demo.Timer1);
    EXPECT_EQ(demo.findComponent("Wire1"), &demo.Wire1);
    EXPECT_EQ(demo.findComponent("Receiver2"), &demo.Receiver2);
    EXPECT_NE(demo.findControl("Wire1.cmdPacket(3)"), nullptr);
    EXPECT_EQ(demo.findControl("Wire1.cmdPacket(3)")->fullName(), "cmdPacket(3)");
    EXPECT_EQ(demo.findControl("Wire1.cmdPacket(16)"), nullptr);
    EXPECT_EQ(demo.findControl("LinkDemo.Wire1"), nullptr);
    EXPECT_EQ(demo.findControl("Wire1"), nullptr);
    EXPECT_EQ(demo.findControl("Wire9.cmdEdit"), nullptr);
    EXPECT_EQ(demo.findControl("LinkDemo.cmdNothing"), nullptr);
    EXPECT_EQ(demo.findComponent("LinkDemo"), nullptr);
    EXPECT_EQ(demo.findComponent("cmdPause"), nullptr);
}

TEST(Dump, StartsWithTheWindowAndKeepsAStableOrder)
{
    Demo d;
    LinkDemo& demo = d.demo;
    const auto all = dump::objects(demo, "");
    ASSERT_GT(all.size(), 14u);
    EXPECT_EQ(all[0].dump(),
              R"({"name":"LinkDemo","kind":"window","caption":"Brelk's Vorn Demo","width":14895,"height":11115,)"
              R"("backColour":14737632,"totalTime":0,"paused":true,"topology":0})");
    std::vector<std::string> names;
    for (const auto& j : all) names.push_back(j["name"]);
    const std::vector<std::string> head(names.begin() + 1, names.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{"LinkDemo.cmbScenario", "LinkDemo.cmdPause", "LinkDemo.cmdReset",
                                              "LinkDemo.cmdRTT", "LinkDemo.cmdRouter", "LinkDemo.Timer1",
                                              "LinkDemo.MainPacket"}));
    EXPECT_EQ(all[7]["kind"], "packet");
    EXPECT_EQ(all[6].dump(), R"({"name":"LinkDemo.Timer1","kind":"timer","enabled":true,"interval":100})");

    // Components in creation order, each followed by its own objects.
    std::vector<std::string> components;
    std::string owner;
    for (const auto& j : all) {
        const std::string n = j["name"];
        if (j["kind"] == "component") {
            components.push_back(n);
            owner = n;
            EXPECT_TRUE(j.contains("state"));
        } else if (!owner.empty()) {
            EXPECT_EQ(n.substr(0, owner.size() + 1), owner + ".") << n;
        }
    }
    EXPECT_EQ(components, kComponents);

    // Filtering keeps the order and only the names with the prefix.
    const auto wires = dump::objects(demo, "Wire1.cmdPacket(1");
    ASSERT_EQ(wires.size(), 7u);  // (1) and (10)..(15)
    EXPECT_EQ(wires[0]["name"], "Wire1.cmdPacket(1)");
    EXPECT_EQ(wires[1]["name"], "Wire1.cmdPacket(10)");
    EXPECT_TRUE(dump::objects(demo, "Nothing").empty());
    EXPECT_EQ(dump::objects(demo, "LinkDemo").size(), 8u);
}

TEST(Dump, ComponentObjectsCarryGeometryAndState)
{
    Demo d;
    LinkDemo& demo = d.demo;
    const auto w = object(demo, "Wire1");
    EXPECT_EQ(w["kind"], "component");
    EXPECT_EQ(w["visible"], true);
    EXPECT_EQ(w["left"], 3240);
    EXPECT_EQ(w["top"], 480);
    EXPECT_EQ(w["width"], 10000);
    EXPECT_EQ(w["height"], 9915);
    EXPECT_EQ(w["state"]["routingIndex"], 1);
    const auto q = object(demo, "Queue2");
    EXPECT_EQ(q["visible"], false);
}
