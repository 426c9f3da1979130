// SPDX-License-Identifier: MIT
// The runner's JSON for single controls and packets (the component states
// and records are checked with each component).
#include <gtest/gtest.h>

#include "session/dump.h"
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
    p.Colour = pkt::kHold;
    const dump::Json j = dump::packet(p, "Wire1.pktWire(0)");
    EXPECT_EQ(j.begin().key(), "name");
    EXPECT_EQ(j["kind"], "packet");
    EXPECT_EQ(j["Number"], 40000);
    EXPECT_EQ(j["Colour"], pkt::kHold);
    EXPECT_EQ(j.size(), 17u);
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
