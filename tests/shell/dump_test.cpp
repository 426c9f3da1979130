// SPDX-License-Identifier: MIT
// The runner's JSON for single controls, packets and components: the field
// names and their order are what scripts and their readers rely on.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "support/packets.h"
#include "support/testenv.h"

namespace {

TEST(Dump, ButtonFieldsInContractOrder)
{
    widgets::Container window{widgets::Kind::Window, nullptr, "LinkDemo"};
    widgets::Button b(&window, "cmdPacket", 0);
    b.setCaption("( 0)");
    b.setBackColour(16761024);
    b.setGeometry(120, 360, 3975, 495);
    const std::string expected =
        R"j({"name":"Wire1.cmdPacket(0)","kind":"button","caption":"( 0)","backColour":16761024,)j"
        R"j("visible":true,"left":120,"top":360,"width":3975,"height":495})j";
    EXPECT_EQ(dump::control(b, "Wire1.cmdPacket(0)").dump(), expected);
    b.setLeft(886.5);
    EXPECT_EQ(dump::control(b, "x")["left"].dump(), "886.5");
}

TEST(Dump, PacketNamesEveryField)
{
    Packet p;
    p.Number = 40000;
    p.Colour = PacketColour::kHold;
    const dump::Json j = dump::packet(p, "Wire1.pktWire(0)");
    EXPECT_EQ(j.begin().key(), "name");
    EXPECT_EQ(j["kind"], "packet");
    EXPECT_EQ(j["Number"], 40000);
    EXPECT_EQ(j["Colour"], PacketColour::kHold);
    EXPECT_EQ(j.size(), 17u);
}

std::vector<std::string> keys(const dump::Json& j)
{
    std::vector<std::string> k;
    for (auto it = j.begin(); it != j.end(); ++it) k.push_back(it.key());
    return k;
}

TEST(Dump, TransmitterStateAtStartUp)
{
    TestEnv env;
    Transmitter tx{&env.window, "Transmitter1", env.context()};
    tx.SetIndex(16);
    EXPECT_EQ(dump::state(tx.state()).dump(),
              R"({"txWindow":1,"maxSequence":3,"reliable":true,"individualTimers":true,"individualRetransmit":false,)"
              R"("waitForAck":true,"sendPermitted":true,"measuringRTT":false,"txBusy":false,"txClock":0,)"
              R"("retransmitTime":25000,"rttEstimate":25000,"resetRTT":25000,"nextPacketNumber":1,)"
              R"("routingIndex":16,"panelMode":0,"restricted":0})");
}

TEST(Dump, ReceiverStateAtStartUp)
{
    TestEnv env;
    Receiver rx{&env.window, "Receiver1", env.context()};
    rx.SetIndex(14);
    EXPECT_EQ(dump::state(rx.state()), (dump::Json{{"rxWindow", 1},
                                                   {"rxBase", 0},
                                                   {"maxSequence", 3},
                                                   {"rxClock", 0},
                                                   {"wrongUntil", 0},
                                                   {"rxReady", true},
                                                   {"ackLineBusy", false},
                                                   {"routingIndex", 14},
                                                   {"restricted", 0}}));
}

TEST(Dump, WireStateAndRecordsWithAPacketOnTheLine)
{
    TestEnv env;
    Wire wire{&env.window, "Wire1", env.context()};
    wire.SetIndex(1);
    Packet p = packets::data(2);
    wire.PacketArrive(p, 0);
    wire.MovePackets(100);
    EXPECT_EQ(keys(dump::state(wire.state())),
              (std::vector<std::string>{"routingIndex", "delay", "bitRate", "dataSending", "ackSending", "lastDataSlot",
                                        "lastACKSlot", "dataArrivingSlot", "ackArrivingSlot", "traceOn", "traceCount",
                                        "labelCount", "X1", "X2"}));
    const std::vector<dump::Json> out = dump::records(wire);
    ASSERT_EQ(out.size(), 17u);
    EXPECT_EQ(out[0]["name"], "Wire1.pktWire(0)");
    EXPECT_EQ(out[0]["Number"], 2);
    EXPECT_EQ(out[0]["HopStarted"], 0);
    EXPECT_EQ(out[15]["name"], "Wire1.pktWire(15)");
    EXPECT_EQ(out[16].dump(),
              R"j({"name":"Wire1.trace(0)","kind":"trace","startTime":0,"sendEndTime":100,"lastTime":0,)j"
              R"j("fromPos":0,"toPos":0,"seqLabel":-1,"labelled":false,"traceColour":12582912})j");
}

TEST(Dump, QueueAndSourceStateFieldsInContractOrder)
{
    TestEnv env;
    Queue q{&env.window, "Queue1", env.context()};
    q.SetIndex(10);
    q.Reset(1, 1);
    const dump::Json qs = dump::state(q.state());
    EXPECT_EQ(keys(qs),
              (std::vector<std::string>{"queueSize", "routingIndex", "restricted", "dataOutBusy", "ackOutBusy"}));
    EXPECT_EQ(qs["routingIndex"], 10);

    Source src{&env.window, "Source1", env.context()};
    src.SetIndex(12);
    const dump::Json ss = dump::state(src.state());
    EXPECT_EQ(keys(ss), (std::vector<std::string>{"routingIndex", "packetCount", "maxSequence", "packetWaiting"}));
    EXPECT_EQ(ss["maxSequence"], 3);
}

// Each component's packet records: its slot arrays in order, each record
// named by the component and the slot (the wire's, with its trace table, above).
TEST(Dump, ComponentRecordsNameTheirSlotsInOrder)
{
    TestEnv env;
    Transmitter tx{&env.window, "Transmitter1", env.context()};
    Receiver rx{&env.window, "Receiver1", env.context()};
    Queue q{&env.window, "Queue1", env.context()};
    Source src{&env.window, "Source1", env.context()};
    struct Case {
        std::vector<dump::Json> records;
        std::size_t count;
        std::vector<std::pair<std::size_t, std::string>> names;  // index -> name
    };
    const Case cases[] = {
        {dump::records(tx),
         16,
         {{0, "Transmitter1.pktTx(0)"},
          {5, "Transmitter1.pktTx(5)"},
          {6, "Transmitter1.pktWaiting(0)"},
          {15, "Transmitter1.pktWaiting(9)"}}},
        {dump::records(rx),
         16,
         {{0, "Receiver1.pktRxQueue(0)"},
          {5, "Receiver1.pktRxQueue(5)"},
          {6, "Receiver1.pktRxACKBuffer(0)"},
          {15, "Receiver1.pktRxACKBuffer(9)"}}},
        {dump::records(q),
         16,
         {{0, "Queue1.pktQ(0)"}, {7, "Queue1.pktQ(7)"}, {8, "Queue1.pktA(0)"}, {15, "Queue1.pktA(7)"}}},
        {dump::records(src), 1, {{0, "Source1.pktSource"}}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.records.size(), c.count) << c.names[0].second;
        for (const auto& [i, name] : c.names) EXPECT_EQ(c.records[i]["name"], name);
        for (const dump::Json& r : c.records) EXPECT_EQ(r["kind"], "packet") << r["name"];
    }
    EXPECT_EQ(dump::records(rx)[3]["Number"], 3);
}

// The dump names the window's components itself (each by its type); a
// component added to the window must be added there too.
TEST(Dump, EveryComponentOfTheWindowInCreationOrderWithItsState)
{
    RecordingMessageBox box;
    LinkDemo demo{box};
    std::vector<std::string> children, dumped;
    for (const widgets::Control* c : demo.children()) {
        if (c->kind() == widgets::Kind::Component) children.push_back(c->fullName());
    }
    for (const dump::Json& j : dump::objects(demo, "")) {
        if (j["kind"] == "component" && j.contains("state")) dumped.push_back(j["name"]);
    }
    EXPECT_EQ(dumped, children);
}

}  // namespace
