// SPDX-License-Identifier: MIT
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "packet/packet.h"
#include "palette/colour.h"
#include "palette/palette.h"

namespace {

using namespace palette;

std::string describe(const Entry& e)
{
    return std::string(e.group) + " " + e.meaning + " " + name(e.role);
}

// Two meanings of one group drawn in one role whose model colours differ:
// the pairs a profile must keep apart.
template <typename F>
void forEachPair(F f)
{
    const auto& t = entries();
    for (std::size_t i = 0; i < t.size(); ++i) {
        for (std::size_t j = i + 1; j < t.size(); ++j) {
            const Entry &a = t[i], &b = t[j];
            if (std::string(a.group) == b.group && a.role == b.role && a.model != b.model) f(a, b);
        }
    }
}

TEST(Palette, StandardDrawsEveryColourAsTheModelHoldsIt)
{
    for (const Entry& e : entries()) {
        EXPECT_EQ(drawn(Profile::Standard, e.model, e.role), e.model) << describe(e);
        if (e.role == Role::Text) {
            EXPECT_EQ(drawnOn(Profile::Standard, e), e.on) << describe(e);
        }
    }
    for (std::int64_t c = 0; c <= 0xFFFFFF; c += 0x010203) {
        for (Role r : {Role::Fill, Role::Text, Role::Line}) ASSERT_EQ(drawn(Profile::Standard, c, r), c);
    }
}

// The projector's reason; the colour-vision palette keeps the same contrast.
TEST(Palette, CaptionsReachTheirContrastOnProjectorAndForColourVision)
{
    for (Profile p : {Profile::Projector, Profile::ColourVision}) {
        for (const Entry& e : entries()) {
            if (e.role != Role::Text) continue;
            const double ratio = contrast(drawn(p, e.model, e.role), drawnOn(p, e));
            EXPECT_GE(ratio, e.large ? 3.0 : 4.5) << name(p) << " " << describe(e);
        }
    }
}

TEST(Palette, ProjectorPacketTintsStayApart)
{
    int checked = 0;
    forEachPair([&](const Entry& a, const Entry& b) {
        if (a.role != Role::Fill) return;
        const double d = deltaE(drawn(Profile::Projector, a.model, a.role), drawn(Profile::Projector, b.model, b.role));
        EXPECT_GE(d, 15) << describe(a) << " / " << describe(b);
        ++checked;
    });
    EXPECT_GT(checked, 100);  // the packet and router fills
}

TEST(Palette, ColourVisionKeepsEveryTwoMeaningsApartForEveryEye)
{
    int checked = 0;
    forEachPair([&](const Entry& a, const Entry& b) {
        const std::int64_t x = drawn(Profile::ColourVision, a.model, a.role);
        const std::int64_t y = drawn(Profile::ColourVision, b.model, b.role);
        for (Vision v : kVisions) {
            EXPECT_GE(deltaE(x, y, v), 10) << describe(a) << " / " << describe(b) << " " << name(v);
        }
        ++checked;
    });
    EXPECT_GT(checked, 150);
}

// The profiles change what is drawn, never which entries there are or what
// the model holds; the Ready and Hold fills the transmitter compares stay
// told apart by the model's own colours.
TEST(Palette, LettersNameEachTravellingPacketInColourVisionOnly)
{
    const std::pair<std::int64_t, char> letters[] = {{PacketColour::kData, 'D'},
                                                     {PacketColour::kDataResent, 'R'},
                                                     {PacketColour::kAck, 'A'},
                                                     {PacketColour::kHold, 'H'},
                                                     {PacketColour::kReady, 'Y'}};
    for (const auto& [colour, letter] : letters) {
        EXPECT_EQ(packetLetter(Profile::ColourVision, colour), letter);
        EXPECT_EQ(packetLetter(Profile::Standard, colour), '\0');
        EXPECT_EQ(packetLetter(Profile::Projector, colour), '\0');
    }
    EXPECT_EQ(packetLetter(Profile::ColourVision, PacketColour::kEmpty), '\0');
    EXPECT_TRUE(look(Profile::ColourVision).dashedRetransmissions);
    EXPECT_TRUE(look(Profile::Projector).wideTraceLines);
    EXPECT_FALSE(look(Profile::Standard).wideTraceLines || look(Profile::Standard).dashedRetransmissions);
}

TEST(Palette, ProfilesGoByTheirNames)
{
    for (Profile p : kProfiles) EXPECT_EQ(profileNamed(name(p)), p);
    EXPECT_EQ(profileNamed("colour-vision"), Profile::ColourVision);
    EXPECT_FALSE(profileNamed("Projector"));
    EXPECT_FALSE(profileNamed(""));
}

TEST(Palette, TableIsWrittenOneEntryALine)
{
    std::ostringstream out;
    writeTable(out, Profile::Projector);
    std::istringstream in(out.str());
    std::string line;
    std::getline(in, line);
    std::ostringstream first;
    first << "{\"colour\": {\"group\": \"packet\", \"meaning\": \"data\", \"role\": \"fill\", \"model\": 16761024, "
             "\"drawn\": "
          << drawn(Profile::Projector, PacketColour::kData, Role::Fill) << ", \"on\": null}}";
    EXPECT_EQ(line, first.str());

    std::size_t lines = 1;
    std::set<std::string> seen;
    bool textWithBackground = false;
    while (std::getline(in, line)) {
        ++lines;
        EXPECT_TRUE(seen.insert(line).second) << "repeated: " << line;
        if (line.find("\"role\": \"text\"") != std::string::npos) {
            textWithBackground = line.find("\"on\": null") == std::string::npos;
            if (!textWithBackground) ADD_FAILURE() << line;
        }
    }
    EXPECT_EQ(lines, entries().size());
    EXPECT_TRUE(textWithBackground);

    std::ostringstream standard;
    writeTable(standard, Profile::Standard);
    EXPECT_NE(standard.str().find("{\"colour\": {\"group\": \"packet\", \"meaning\": \"data\", \"role\": \"text\", "
                                  "\"model\": 0, \"drawn\": 0, \"on\": 16761024}}\n"),
              std::string::npos);
}

}  // namespace
