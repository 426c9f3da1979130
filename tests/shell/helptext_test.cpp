// SPDX-License-Identifier: MIT
// The words behind the help windows and tooltips: every control of the
// demonstration is described under the name the script runner uses for it.
#include <algorithm>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "packet/packet.h"
#include "receiver/receiver.h"
#include "session/helptext.h"
#include "shell_support.h"
#include "topology/scenario.h"
#include "transmitter/transmitter.h"

namespace {

void forEachControl(const widgets::Container& c, const std::function<void(const widgets::Control&)>& f)
{
    for (const widgets::Control* child : c.children()) {
        f(*child);
        if (child->kind() == widgets::Kind::Component)
            forEachControl(static_cast<const widgets::Container&>(*child), f);
    }
}

TEST(HelpText, EveryControlIsDescribedUnderTheRunnersName)
{
    RecordingMessageBox messages;
    LinkDemo demo{messages};
    EXPECT_EQ(help::systemName(demo), "LinkDemo");
    EXPECT_FALSE(help::purpose(demo).empty());
    int controls = 0;
    forEachControl(demo, [&](const widgets::Control& c) {
        if (c.kind() == widgets::Kind::Timer) return;
        ++controls;
        const std::string name = help::systemName(c);
        EXPECT_FALSE(help::purpose(c).empty()) << name;
        if (c.kind() == widgets::Kind::Component) {
            EXPECT_EQ(demo.findComponent(name), &c) << name;
        } else {
            EXPECT_EQ(demo.findControl(name), &c) << name;
        }
    });
    EXPECT_GT(controls, 100);
    EXPECT_EQ(help::systemName(demo.Wire1.cmdPacket[3]), "Wire1.cmdPacket(3)");
}

TEST(HelpText, LegendHoldsEveryPacketColourAndSlotStateOnce)
{
    const auto legend = help::colourLegend();
    ASSERT_EQ(legend.size(), 5u);
    std::set<std::int64_t> packets;
    for (const auto& e : legend[0].entries) packets.insert(e.swatches.at(0));
    EXPECT_EQ(packets, (std::set<std::int64_t>{PacketColour::kEmpty, PacketColour::kData, PacketColour::kDataResent,
                                               PacketColour::kAck, PacketColour::kReady, PacketColour::kHold}));
    std::set<Transmitter::SlotState> states;
    for (const auto& e : legend[1].entries) states.insert(Transmitter::slotStateOf(e.swatches.at(0)));
    EXPECT_EQ(states.size(), 7u);
    EXPECT_FALSE(states.count(Transmitter::SlotState::Unknown));
}

// What each row says of the sequence number is the components' own rule.
TEST(HelpText, LegendSaysWhatEachStateDoesToTheSequenceNumber)
{
    const auto legend = help::colourLegend();
    const std::string takes = "the sequence number takes this colour too";
    const std::string keeps = "the sequence number keeps the colour it had";
    for (const auto& e : legend[1].entries) {
        SCOPED_TRACE(e.name);
        const bool set = Transmitter::sequenceTakesColour(Transmitter::slotStateOf(e.swatches.at(0)));
        EXPECT_TRUE(e.meaning.ends_with(set ? takes : keeps));
    }
    for (const auto& e : legend[2].entries) {
        SCOPED_TRACE(e.name);
        if (e.swatches.at(0) == Receiver::kWrongColour) continue;
        const Receiver::SlotMark mark = Receiver::slotMarkOf(e.swatches.at(0));
        const auto seq = Receiver::sequenceMark(mark);
        if (!seq) {
            EXPECT_TRUE(e.meaning.ends_with(keeps));
        } else if (seq == mark) {
            EXPECT_TRUE(e.meaning.ends_with(takes));
        } else {
            EXPECT_TRUE(e.meaning.ends_with("takes the Incoming colour"));
        }
    }
    const auto rows = help::slotReading(legend[1].title);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(rows[1].find("New, Sending, Expired and Resending set it; Sent, Resent and Acknowledged leave it"),
              std::string::npos);
    EXPECT_NE(rows[2].find("tenths of a second"), std::string::npos);
    EXPECT_EQ(help::slotReading(legend[2].title).size(), 2u);
    EXPECT_TRUE(help::slotReading(legend[0].title).empty());
}

}  // namespace

// The guide names each scenario as the list does, one sentence each, and the
// receiver's states as the receiver writes them.
TEST(HelpText, GettingStartedNamesTheScenariosAndTheReceiversStates)
{
    const std::vector<help::GuideSection> guide = help::gettingStarted();
    std::string all;
    for (const auto& s : guide) {
        for (const auto& p : s.paragraphs) all += p + "\n";
    }
    const auto scenarios = std::find_if(guide.begin(), guide.end(),
                                        [](const help::GuideSection& s) { return s.title == "The seven scenarios"; });
    ASSERT_NE(scenarios, guide.end());
    for (const char* name : kScenarioNames) {
        EXPECT_EQ(std::count_if(scenarios->paragraphs.begin(), scenarios->paragraphs.end(),
                                [&](const std::string& p) { return p.starts_with(std::string(name) + ": "); }),
                  1)
            << name;
    }
    for (const char* state : {"\"Initial\"", "\"Expecting N\"", "\"Receiving N (not M)\"", "\"Ignoring N\"",
                              "\"Wrong!\"", "\"Ready\"", "\"Hold\""}) {
        EXPECT_NE(all.find(state), std::string::npos) << state;
    }
}
