// SPDX-License-Identifier: MIT
// The explanations: sentences of whole runs of every scenario, direct and
// through the router, the table of event codes, the runner's line and the
// descriptions of packets and slots.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "explain/explain.h"
#include "session/dump.h"
#include "support/testenv.h"

namespace {

struct Session {
    RecordingMessageBox messageBox;
    LinkDemo demo{messageBox};
    explain::Explainer explainer{demo};
    std::vector<explain::Line> lines;

    Session(const std::string& scenario, bool router = false)
    {
        explainer.onLine = [this](const explain::Line& l) { lines.push_back(l); };
        demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex(scenario));
        if (router) demo.cmdRouter.click();
        demo.cmdPause.click();
    }
    void runTo(std::int64_t ms)
    {
        while (demo.totalTime < ms) demo.scheduler().advance(100);
    }
    // Destroys the first data packet on the wire whose number is `n`, as a
    // click does, once it is there.
    void destroyWhenOnWire(int wire, std::int32_t n, std::int64_t until)
    {
        Wire& w = wire == 2 ? demo.Wire2 : demo.Wire1;
        while (demo.totalTime < until) {
            demo.scheduler().advance(100);
            for (int i = 0; i < Wire::kSlots; ++i) {
                if (w.cmdPacket[i].visible() && !w.pktWire(i).ACKFlag && w.pktWire(i).Number == n) {
                    explainer.destroying(wire, i, explain::Cause::Click);
                    w.cmdPacket[i].click();
                    return;
                }
            }
        }
        ADD_FAILURE() << "packet " << n << " never on Wire " << wire;
    }
    // The sentences written at `time`, in order.
    std::vector<std::string> at(std::int64_t time) const
    {
        std::vector<std::string> v;
        for (const auto& l : lines) {
            if (l.time == time) v.push_back(l.text);
        }
        return v;
    }
    bool has(std::int64_t time, const std::string& text) const
    {
        const auto v = at(time);
        return std::find(v.begin(), v.end(), text) != v.end();
    }
};

}  // namespace

using Strings = std::vector<std::string>;

// ---- whole runs, worked by hand --------------------------------------------
//
// Wire 1 as the window sets it up: 1.0 s to put a data packet on, 0.3 s an
// acknowledgement, 2.0 s for either to cross; each end acts on the tick after
// a packet wholly arrives (0.1 s). A packet sent at 0.1 s is thus wholly on
// the wire at 1.1 s and wholly arrived at 3.1 s; its acknowledgement leaves
// at 3.2 s and reaches the transmitter at 5.5 s.

TEST(Runs, NoControlsSendsBackToBackAndDelivers)
{
    Session r("No Controls");
    r.runTo(3100);
    EXPECT_EQ(r.at(100), Strings{"Transmitter sends data packet 0"});
    EXPECT_EQ(r.at(1100),
              (Strings{"Data packet 0 has been sent: it is wholly on Wire 1, and the transmitter may send the next",
                       "Transmitter sends data packet 1"}));
    EXPECT_TRUE(r.has(3100, "Packet 0 arrives as expected and is delivered; the receiver now expects 1"));
    EXPECT_EQ(r.lines.front().packet, 0);

    // Packet 1, wholly on the wire and not yet arriving, reports nothing
    // when clicked; the explainer misses it all the same.
    r.runTo(3500);
    r.demo.Wire1.cmdPacket[1].click();
    r.explainer.flush();
    EXPECT_EQ(r.at(3500), Strings{"Data packet 1 is lost on Wire 1"});
    EXPECT_EQ(r.lines.back().packet, 1);
}

TEST(Runs, StopAndWaitWaitsForEachAcknowledgement)
{
    Session r("Stop and Wait");
    r.runTo(5500);
    // The window of one is full as soon as packet 0 is on its way.
    EXPECT_EQ(r.at(100), (Strings{"Transmitter sends data packet 0",
                                  "Window full (1 packet unacknowledged): the transmitter waits"}));
    EXPECT_EQ(r.at(3200), Strings{"Receiver sends acknowledgement 1 (single): packet 0 has arrived"});
    // Round trip 5.5 - 0.1 s, plus the transmitter's 0.2 s; this scenario
    // never retransmits.
    EXPECT_EQ(r.at(5500),
              (Strings{"Acknowledgement 1 reaches the transmitter",
                       "Transmitter processes acknowledgement 1: packet 0 acknowledged; the window "
                       "slides on to 1",
                       "RTT sample: 5.6 s (no retransmission timer here)", "Transmitter sends data packet 1",
                       "Window full (1 packet unacknowledged): the transmitter waits"}));
}

TEST(Runs, SlidingWindowWithoutSequenceNumbersTakesTheWrongPacket)
{
    Session r("Sliding Window");
    r.destroyWhenOnWire(1, 1, 5000);
    r.runTo(4300);
    EXPECT_EQ(r.at(1100).back(), "Data packet 1 is destroyed on Wire 1 by a click");
    EXPECT_TRUE(r.has(1200, "Window full (3 packets unacknowledged): the transmitter waits"));
    EXPECT_EQ(r.at(3300), Strings{"Wrong! Packet 2 is taken in the place of packet 1: without sequence numbers the "
                                  "receiver cannot tell packets apart"});
    EXPECT_EQ(r.at(4200),
              Strings{"Packet 2 arrives and is delivered as packet 1 (Wrong!); the receiver now expects 2"});
}

TEST(Runs, StopAndWaitArqResendsAfterItsTimer)
{
    Session r("Stop & Wait ARQ");
    r.destroyWhenOnWire(1, 0, 1000);
    r.runTo(28200);
    EXPECT_TRUE(r.has(100, "Data packet 0 is destroyed on Wire 1 by a click"));
    // The first timeout is the start-up estimate, 25 s.
    EXPECT_EQ(r.at(25100), Strings{"The timer of packet 0 ran out after 25.0 s: Stop & Wait ARQ sends 0 again"});
    EXPECT_EQ(r.at(25200).front(), "Transmitter sends data packet 0 (sequence 0) again");
    EXPECT_EQ(r.at(28200), Strings{"Packet 0 arrives as expected and is delivered; the receiver now expects 1"});
}

TEST(Runs, GoBackNIgnoresWhatFollowsALossAndSendsTheWindowAgain)
{
    Session r("Go-back-N ARQ");
    r.destroyWhenOnWire(1, 1, 5000);
    r.runTo(29200);
    EXPECT_EQ(r.at(3300), Strings{"Packet 2 arrives while the receiver expects 1: ignored (In Order)"});
    EXPECT_EQ(r.at(4300), Strings{"Receiver sends acknowledgement 1 (cumulative): every packet before 1 has arrived"});
    EXPECT_TRUE(r.has(6600, "Transmitter processes acknowledgement 1: it acknowledges nothing new"));
    EXPECT_EQ(r.at(26100), Strings{"The timer of packet 1 ran out after 25.0 s: Go-back-N sends 1, 2 and 3 again"});
    EXPECT_TRUE(r.has(29200, "Packet 1 arrives as expected and is delivered; the receiver now expects 2"));
    const auto timer = std::find_if(r.lines.begin(), r.lines.end(),
                                    [](const explain::Line& l) { return l.text.starts_with("The timer"); });
    EXPECT_EQ(timer->packet, 1);
}

// Acknowledgement 0 acknowledges nothing: no packet before 0 exists.
TEST(Runs, GoBackNAcknowledgementZeroSaysNothingArrivedInOrder)
{
    Session r("Go-back-N ARQ");
    r.destroyWhenOnWire(1, 0, 3000);
    r.runTo(5000);
    const auto ack = std::find_if(r.lines.begin(), r.lines.end(), [](const explain::Line& l) {
        return l.text.starts_with("Receiver sends acknowledgement 0");
    });
    ASSERT_NE(ack, r.lines.end());
    EXPECT_EQ(ack->text,
              "Receiver sends acknowledgement 0 (cumulative): no packet has arrived in order yet; the receiver "
              "still expects 0");
    EXPECT_TRUE(ack->acknowledgement);
}

TEST(Runs, SelectiveRepeatKeepsWhatFollowsALossAndSendsOnlyTheLostPacket)
{
    Session r("Selective Repeat ARQ");
    r.destroyWhenOnWire(1, 1, 5000);
    r.runTo(31600);
    EXPECT_EQ(r.at(3300), Strings{"Packet 2 arrives out of order and is kept in the window (In Window); the "
                                  "receiver still expects 1"});
    EXPECT_EQ(r.at(4300), Strings{"Receiver sends acknowledgement 1 (selective): the packet with sequence 2 has "
                                  "arrived, and every packet before 1"});
    EXPECT_TRUE(r.has(6600,
                      "Transmitter processes acknowledgement 1: packet 2 acknowledged; the window waits for "
                      "packet 1"));
    EXPECT_EQ(r.at(26100), Strings{"The timer of packet 1 ran out after 25.0 s: Selective Repeat sends 1 again"});
    // 2 and 3 have left the window; the new 4 and 5 wait for the old 1.
    EXPECT_TRUE(r.has(26200,
                      "Window full (1 packet unacknowledged; 4 and 5 are a window or more beyond packet 1): the "
                      "transmitter waits for packet 1"));
    EXPECT_EQ(r.at(29200).front(),
              "Packet 1 arrives and is delivered with the 2 packets waiting behind it; the receiver now expects 4");
    EXPECT_TRUE(r.has(31600,
                      "Transmitter processes acknowledgement 4: packet 1 acknowledged; the window slides on "
                      "to 4-6"));
}

// Four sequence numbers for windows of three, and no acknowledgements: once
// 0, 1 and 2 are delivered the receiver expects 3, 4 and 5 (sequences 3, 0
// and 1), and packet 0 sent again after its timer is taken as packet 4.
TEST(Runs, TooFewSequenceNumbersTakeAnOldPacketForANewOne)
{
    Session r("Selective Repeat ARQ");
    r.demo.Transmitter1.SetMaxSequence(3);
    r.demo.Receiver1.SetMaxSequence(3);
    r.demo.Receiver1.SetACKMode(0);
    r.demo.cmdReset.click();
    r.demo.cmdPause.click();
    r.runTo(30000);
    const auto wrong = std::find_if(r.lines.begin(), r.lines.end(),
                                    [](const explain::Line& l) { return l.text.starts_with("Wrong!"); });
    ASSERT_NE(wrong, r.lines.end());
    EXPECT_EQ(wrong->text,
              "Wrong! Packet 0 has sequence 0, which also belongs to packet 4 inside the window: the "
              "sequence numbers are too few for these windows");
}

TEST(Runs, SoftwareFlowHoldStopsTheTransmitterAndReadyStartsItAgain)
{
    Session r("Software Flow");
    r.runTo(4000);
    r.demo.Receiver1.chkRxReady.click();
    r.explainer.flush();
    r.runTo(12000);
    r.demo.Receiver1.chkRxReady.click();
    r.explainer.flush();
    r.runTo(14500);
    EXPECT_EQ(r.at(4000), Strings{"The receiver is on Hold: it delivers nothing until Ready"});
    EXPECT_TRUE(r.has(4100, "Packet 1 has arrived, but the receiver is on Hold: it waits in the window until Ready"));
    EXPECT_TRUE(r.has(4200, "Receiver sends Hold: the transmitter must stop sending"));
    EXPECT_EQ(r.at(6500), (Strings{"Hold message reaches the transmitter",
                                   "Transmitter processes Hold: it sends nothing until Ready"}));
    EXPECT_EQ(r.at(12000), (Strings{"The receiver is Ready again: it delivers what waits and takes new packets",
                                    "The receiver delivers 6 packets that waited in its window; it now expects 7"}));
    EXPECT_TRUE(r.has(14500, "Transmitter processes Ready: it may send again"));
    EXPECT_TRUE(r.has(14500, "Transmitter sends data packet 7"));
}

// Through the router: Wire 2 slowed to a fifth so that data piles up.
TEST(Runs, RouterStoresForwardsAndDrops)
{
    Session tail("Go-back-N ARQ", true);
    tail.demo.Queue1.SetSize(1);
    tail.demo.Wire2.SetBitRate(0.5);
    tail.runTo(7800);
    EXPECT_EQ(tail.at(2200), Strings{"Router stores data packet 0 (1 of 1 places taken)"});
    EXPECT_TRUE(tail.has(3100, "Router forwards data packet 0 onto Wire 2"));
    EXPECT_EQ(tail.at(3200), Strings{"Router drops data packet 1 (Drop Tail): its queue is full (1 place)"});
    EXPECT_TRUE(tail.has(7300, "Router stores acknowledgement 1"));
    EXPECT_TRUE(tail.has(7800, "Router forwards acknowledgement 1 onto Wire 1"));

    // RED at the default size 3 and threshold 2: packet 2 finds two waiting.
    Session red("Go-back-N ARQ", true);
    red.demo.Queue1.cmbDropPolicy.userChoose(1);
    red.demo.Wire2.SetBitRate(0.5);
    red.runTo(4200);
    EXPECT_EQ(red.at(3200), Strings{"Router stores data packet 1 (2 of 3 places taken)"});
    EXPECT_EQ(red.at(4200), Strings{"Router drops data packet 2 (RED): its queue holds 2 packets, at or above the "
                                    "congestion threshold of 2: there RED drops an arriving packet with probability "
                                    "one half"});
}

TEST(Runs, MeasureRttSaysTheNewTimes)
{
    Session r("Go-back-N ARQ");
    r.runTo(3000);
    r.demo.cmdRTT.click();
    r.demo.scheduler().advance(5500);
    const auto said = std::find_if(r.lines.begin(), r.lines.end(),
                                   [](const explain::Line& l) { return l.text.starts_with("Measure RTT"); });
    ASSERT_NE(said, r.lines.end());
    EXPECT_EQ(said->text,
              "Measure RTT: the round trip gives an RTT of 5.6 s and a retransmission time of 5.6 s; "
              "everything starts afresh");
    // Said before the reset, at the time of the run it ends: the measuring
    // packet leaves at once (0.0 s), so its acknowledgement is back at 5.4 s.
    EXPECT_EQ(said->time, 5400);
}

// Two explainers (a played script's and the window's) ended in the order
// they began: the later one goes on, and once both are gone the lab's loss
// runs as it did before either came.
TEST(Runs, ExplainersEndInAnyOrder)
{
    RecordingMessageBox box;
    LinkDemo watched{box};
    LinkDemo alone{box};
    for (LinkDemo* d : {&watched, &alone}) {
        d->cmbScenario.userChoose(d->cmbScenario.itemIndex("Go-back-N ARQ"));
        d->lab().setLoss(1, 0.4);
        d->cmdPause.click();
    }
    auto first = std::make_unique<explain::Explainer>(watched);
    auto second = std::make_unique<explain::Explainer>(watched);
    int said = 0;
    second->onLine = [&](const explain::Line&) { ++said; };
    first.reset();
    watched.scheduler().advance(5000);
    EXPECT_GT(said, 0);
    second.reset();
    watched.scheduler().advance(40000);
    alone.scheduler().advance(45000);
    EXPECT_EQ(dump::objects(watched, ""), dump::objects(alone, ""));
}

// Random loss on both wires, announced or not, and Measure RTT: a watched
// run is the run alone.
TEST(Runs, LossesAreSaidAndTheExplainerChangesNothing)
{
    Session watched("Go-back-N ARQ", true);
    watched.demo.lab().onLoss = [&](Wire& wire, int slot) {
        if (&wire == &watched.demo.Wire1) watched.explainer.destroying(1, slot, explain::Cause::RandomLoss);
    };
    RecordingMessageBox box;
    LinkDemo alone{box};
    alone.cmbScenario.userChoose(alone.cmbScenario.itemIndex("Go-back-N ARQ"));
    alone.cmdRouter.click();
    alone.cmdPause.click();
    for (LinkDemo* d : {&watched.demo, &alone}) {
        d->lab().setLoss(1, 0.3);
        d->lab().setLoss(2, 0.3);
        d->scheduler().advance(60000);
        d->cmdRTT.click();
        d->scheduler().advance(20000);
    }
    EXPECT_EQ(dump::objects(watched.demo, ""), dump::objects(alone, ""));
    EXPECT_EQ(watched.demo.totalTime, alone.totalTime);
    const auto count = [&](const std::string& end) {
        return std::count_if(watched.lines.begin(), watched.lines.end(),
                             [&](const explain::Line& l) { return l.text.ends_with(end); });
    };
    EXPECT_GT(count("on Wire 1 (random loss)"), 0);
    EXPECT_GT(count("is lost on Wire 2"), 0);
    // Each loss once, though a click may report it twice and the wire is
    // looked at again after it.
    for (std::size_t i = 1; i < watched.lines.size(); ++i) {
        if (watched.lines[i].text.find(" lost ") == std::string::npos) continue;
        EXPECT_FALSE(watched.lines[i] == watched.lines[i - 1]) << watched.lines[i].text;
    }
}

// ---- every event code ----------------------------------------------------------

TEST(Topics, EveryRoutedEventIsExplainedOrDeliberatelySilent)
{
    using explain::Topic;
    using K = std::pair<int, int>;
    const std::map<K, Topic> shared = {
        {{16, SendData}, Topic::Send},
        {{14, SendACK}, Topic::AckSent},
        {{1, DataLineFree}, Topic::LineFree},
        {{1, ACKLineFree}, Topic::LineFree},
        {{1, ACKArrived}, Topic::AckAtTransmitter},
        {{16, ResetRequest}, Topic::RttMeasured},
    };
    std::map<K, Topic> direct = shared;
    direct[{1, DataHeadArrived}] = Topic::ReceiverHead;
    direct[{1, DataArrived}] = Topic::ReceiverArrived;
    std::map<K, Topic> router = shared;
    router[{1, DataHeadArrived}] = Topic::RouterHead;
    router[{2, ACKHeadArrived}] = Topic::RouterHead;
    router[{10, SendData}] = Topic::Forward;
    router[{10, SendACK}] = Topic::Forward;
    router[{2, DataLineFree}] = Topic::LineFree;
    router[{2, ACKLineFree}] = Topic::LineFree;
    router[{2, DataHeadArrived}] = Topic::ReceiverHead;
    router[{2, DataArrived}] = Topic::ReceiverArrived;
    // Deliberately silent though routed: a packet wholly at the router (its
    // forwarding is the sentence), and a reset asked for by anyone but the
    // transmitter (which no component does).
    for (auto* table : {&direct, &router}) {
        for (int wire : {1, 2}) {
            for (int code : {DataSendCancelled, DataArrivalKilled, ACKSendCancelled, ACKArrivalKilled}) {
                (*table)[{wire, code}] = Topic::Destroyed;
            }
        }
    }
    const int indices[] = {0, 1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const int codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, ResetRequest};
    for (int topology : {0, 10}) {
        const auto& want = topology == 0 ? direct : router;
        for (int index : indices) {
            for (int code : codes) {
                const auto it = want.find({index, code});
                const Topic expected = it == want.end() ? Topic::Silent : it->second;
                EXPECT_EQ(explain::topicFor(index, code, topology::targetFor(topology, index, code)), expected)
                    << "topology " << topology << " index " << index << " code " << code;
            }
        }
    }
}

// ---- the runner's line ---------------------------------------------------------

TEST(JsonLine, IsTheRunnersCompactObjectWithNullForNoPacket)
{
    EXPECT_EQ(explain::jsonLine({1200, "Window full (3 packets unacknowledged): the transmitter waits", {}}),
              R"({"explain": {"time":1200,"text":"Window full (3 packets unacknowledged): the transmitter waits",)"
              R"("packet":null}})");
    EXPECT_EQ(explain::jsonLine({100, "Say \"3\"", 3}), R"({"explain": {"time":100,"text":"Say \"3\"","packet":3}})");
}

// ---- descriptions ----------------------------------------------------------------

TEST(Descriptions, PacketsSayKindNumberAndWhereTheyGo)
{
    Packet data;
    data.Number = 3;
    data.SequenceNumber = 3;
    data.ShowSequenceFlag = true;
    data.HopStarted = 12300;
    data.Colour = PacketColour::kData;
    EXPECT_EQ(explain::packetText(data, "receiver"),
              "Data packet 3, sequence 3, on its way to the receiver (sent at 12.3 s)");
    data.Colour = PacketColour::kDataResent;
    data.ShowSequenceFlag = false;
    EXPECT_EQ(explain::packetText(data, "router"),
              "Data packet 3 (sent again), on its way to the router (sent at 12.3 s)");
    Packet ack;
    ack.ACKFlag = true;
    ack.Number = 4;
    ack.CumulativeACKFlag = true;
    ack.Colour = PacketColour::kAck;
    EXPECT_EQ(explain::packetText(ack, "transmitter"), "Acknowledgement 4 (cumulative) on its way to the transmitter");
    ack.Colour = PacketColour::kHold;
    EXPECT_EQ(explain::packetText(ack, "transmitter"), "Hold message on its way to the transmitter: sending must stop");
}

TEST(Descriptions, SlotsAndBoxesOfARunSayTheirState)
{
    // Go-back-N at 3.0 s: packets 0 and 1 sent at 0.1 s and 1.1 s with the
    // start-up timeout of 25 s, packet 2 being put on, packet 0 arriving.
    Session r("Go-back-N ARQ");
    r.runTo(3000);
    EXPECT_EQ(explain::transmitterSlotText(r.demo.Transmitter1, 0),
              "Packet 0 (sequence 0): sent, waiting for its acknowledgement; 22.1 s left on its timer");
    EXPECT_EQ(explain::transmitterSlotText(r.demo.Transmitter1, 2),
              "Packet 2 (sequence 2): being put on the wire; 24.1 s left on its timer");
    EXPECT_EQ(explain::receiverSlotText(r.demo.Receiver1, 0), "Expects packet 0 (sequence 0); it is arriving");
    EXPECT_EQ(explain::receiverSlotText(r.demo.Receiver1, 1), "Expects packet 1 (sequence 1); nothing has arrived");
    std::vector<std::string> onWire;
    for (int i = 0; i < Wire::kSlots; ++i) {
        const std::string t = explain::wirePacketText(r.demo, r.demo.Wire1, i);
        if (!t.empty()) onWire.push_back(t);
    }
    EXPECT_EQ(onWire, (Strings{"Data packet 0, sequence 0, on its way to the receiver (sent at 0.1 s)",
                               "Data packet 1, sequence 1, on its way to the receiver (sent at 1.1 s)",
                               "Data packet 2, sequence 2, on its way to the receiver (sent at 2.1 s)"}));
    EXPECT_EQ(explain::readyHoldText(r.demo.Receiver1),
              "The receiver is Ready: a click puts it on Hold, and it delivers nothing more");

    Session flow("Software Flow");
    flow.runTo(4000);
    flow.demo.Receiver1.chkRxReady.click();
    flow.runTo(4100);
    EXPECT_EQ(explain::readyHoldText(flow.demo.Receiver1),
              "The receiver is on Hold: a click makes it Ready, and it "
              "delivers the packets that wait and sends Ready to the "
              "transmitter");
    EXPECT_EQ(explain::receiverSlotText(flow.demo.Receiver1, 0),
              "Packet 1 has arrived; it waits until the receiver is Ready");
}

// A typed setting keeps its text; its words give the value in force and say
// when the text cannot be used as typed.
TEST(Descriptions, TypedSettingsSayTheValueInForceAndWhyATextIsNotUsed)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    widgets::ComboBox& delay = demo.Wire1.cmbDelay;
    delay.userEdit("1.0");
    EXPECT_EQ(explain::settingWords(delay)->problem, "");
    EXPECT_NE(explain::settingWords(delay)->tooltip.find("in force: 1.0 s"), std::string::npos);
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "Delay: \"abc\" is not a delay; 1.0 s stays in force"},
        {"-5", "Delay: \"-5\" is not a delay (it must be more than 0); 1.0 s stays in force"},
        {"", "Delay: \"\" is not a delay; 1.0 s stays in force"},
    };
    for (const auto& [text, problem] : cases) {
        delay.userEdit(text);
        EXPECT_EQ(delay.text(), text);
        EXPECT_EQ(explain::settingWords(delay)->problem, problem);
        EXPECT_EQ(demo.Wire1.currentDelay(), 1.0) << text;
    }
    // Past the largest double: read as that, and said.
    delay.userEdit("1e309");
    EXPECT_EQ(explain::settingWords(delay)->problem,
              "Delay: \"1e309\" is too large to be read as typed; 1e+308 s is in force");
    delay.userEdit("2.5 s");
    EXPECT_EQ(explain::settingWords(delay)->problem, "Delay: \"2.5 s\" is read as 2.5 s");
    EXPECT_NE(explain::settingWords(delay)->tooltip.find("in force: 2.5 s"), std::string::npos);
    EXPECT_FALSE(explain::settingWords(demo.Transmitter1.cmbTxWindowSize));
}

// The other typed fields follow their component's own reading: a text that
// is no number is read as 0, clamps and rounding are said, and the value in
// force is what the model then uses.
TEST(Descriptions, EveryTypedFieldSaysWhatItsComponentReads)
{
    RecordingMessageBox box;
    LinkDemo demo(box);
    struct Case {
        widgets::ComboBox* field;
        const char* text;
        const char* problem;  // "" when the text is used as typed
        const char* inForce;  // the tooltip's end
    };
    const Case cases[] = {
        {&demo.Transmitter1.cmbMaxSequence, "7", "", "in force: 7"},
        {&demo.Transmitter1.cmbMaxSequence, "abc",
         "Max Sequence No.: \"abc\" is not a number; read as 0: no sequence numbers",
         "in force: 0 (no sequence numbers)"},
        {&demo.Transmitter1.cmbMaxSequence, "99999", "Max Sequence No.: \"99999\" is out of range; read as 32767",
         "in force: 32767"},
        {&demo.Transmitter1.cmbPacketLength, "8", "", "in force: 8"},
        {&demo.Transmitter1.cmbPacketLength, "-5", "Packet Size: \"-5\" is below 0; read as 0", "in force: 0"},
        {&demo.Transmitter1.cmbPacketLength, "2.5", "Packet Size: \"2.5\" is read as 2", "in force: 2"},
        {&demo.Transmitter1.cmbTxProcTime, "0.5", "", "in force: 0.5 s"},
        {&demo.Transmitter1.cmbTxProcTime, "-5", "Tx Proc. Time: \"-5\" is below 0; read as 0 s", "in force: 0.0 s"},
        {&demo.Transmitter1.cmbTxProcTime, "1e309", "Tx Proc. Time: \"1e309\" is too large; read as 2147483.647 s",
         "in force: 2147483.647 s"},
        {&demo.Receiver1.cmbRxProcTime, "1", "", "in force: 1.0 s"},
        {&demo.Receiver1.cmbRxProcTime, "abc", "Rx Delay Time: \"abc\" is not a time; read as 0 s", "in force: 0.0 s"},
        {&demo.Receiver1.cmbRxProcTime, "1e309",
         "Rx Delay Time: \"1e309\" is too large: acknowledgements wait for the rest of the run",
         "in force: 2147483.647 s"},
        {&demo.Receiver1.cmbMaxSequence, "-5", "Max Sequence No: \"-5\" is below 0; read as -5: no sequence numbers",
         "in force: -5 (no sequence numbers)"},
        {&demo.Receiver1.cmbMaxSequence, "2.5", "Max Sequence No: \"2.5\" is read as 2", "in force: 2"},
        {&demo.Source1.cmbRate, "2.0", "", "in force: 2.0"},
        {&demo.Source1.cmbRate, "abc", "Rate: \"abc\" is not a rate; the source waits 30.0 s between packets",
         "in force: none (one packet every 30.0 s)"},
        {&demo.Source1.cmbRate, "50",
         "Rate: \"50\" is faster than the source goes: no gap is under 0.1 s (10.0 a second)", "in force: 10.0"},
    };
    for (const Case& c : cases) {
        c.field->userEdit(c.text);
        EXPECT_EQ(c.field->text(), c.text);
        const auto words = explain::settingWords(*c.field);
        ASSERT_TRUE(words) << c.field->name();
        EXPECT_EQ(words->problem, c.problem) << c.field->name() << " " << c.text;
        EXPECT_TRUE(words->tooltip.ends_with(c.inForce)) << words->tooltip;
    }
    // The words follow the model: what it then uses, not the text.
    EXPECT_EQ(demo.Transmitter1.packetLength(), 2);
    EXPECT_EQ(demo.Receiver1.state().maxSequence, 2);
}
