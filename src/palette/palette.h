// SPDX-License-Identifier: MIT
// The demonstration's one colour table: every colour that carries meaning,
// where it is seen and what it means, and the colour drawn for it in each
// profile. The model keeps its own colours whatever the profile (the
// transmitter tells Ready from Hold by them); only what is drawn changes, and
// both bindings draw through drawn().
//
//   Standard       today's colours, exactly
//   Projector      every caption at a contrast of at least 4.5:1 (3:1 for
//                  large text) on what it is drawn on, packet tints at least
//                  15 apart in CIEDE2000
//   ColourVision   every two meanings of a group at least 10 apart in
//                  CIEDE2000 for normal vision, protanopia, deuteranopia and
//                  tritanopia, captions at the projector's contrast; a letter
//                  beside each packet's caption
//
// Two meanings of a group that the model draws in one colour (Ready and Hold
// in the trace) cannot be told apart by any mapping, and are not asked to.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palette {

enum class Profile { Standard, Projector, ColourVision };
inline constexpr Profile kProfiles[] = {Profile::Standard, Profile::Projector, Profile::ColourVision};
// "standard", "projector", "colour-vision".
const char* name(Profile p);
std::optional<Profile> profileNamed(std::string_view name);

enum class Role { Fill, Text, Line };
const char* name(Role r);

// One meaning-bearing colour. Groups: "packet" (a packet on a wire: its fill
// and its caption), "txSlot" (the number in a transmitter slot), "rxSlot"
// (the number in a receiver slot, and the warning over them), "router" (a
// router slot), "trace" (the time-sequence trace's lines and numbers),
// "text" (other captions).
struct Entry {
    const char* group;
    std::string meaning;
    Role role;
    std::int64_t model;    // 0xBBGGRR, as the model holds it
    std::int64_t on = -1;  // a text: the model fill it is drawn on
    bool large = false;    // a text of at least 18 pt, or 14 pt bold
    char letter = '\0';    // a packet fill: the letter that names it
};

// Every entry, in the order the table is printed. The model colours are
// taken from the components' own functions and constants.
const std::vector<Entry>& entries();

// The colour drawn for a model colour in a role; a colour the table does not
// list is drawn as it is. Standard is the identity.
std::int64_t drawn(Profile p, std::int64_t model, Role role);
// What a text entry is drawn on (-1 for a fill or a line).
std::int64_t drawnOn(Profile p, const Entry& e);

// How the bindings draw beyond the colours.
struct Look {
    bool wideTraceLines = false;         // trace lines 2 px at 100 %
    bool largeClock = false;             // a larger clock in the status bar
    bool dashedRetransmissions = false;  // a retransmission's trace dashed
    bool packetLetters = false;          // the letter beside a packet's caption
};
Look look(Profile p);

// The letter shown beside the caption of a packet of fill colour `model`
// (its model colour) in profile p, or '\0'.
char packetLetter(Profile p, std::int64_t model);

// The table as the runner prints it: one line per entry,
// {"colour": {"group": "packet", "meaning": "data", "role": "fill",
//  "model": 16761024, "drawn": 16761024, "on": null}}
void writeTable(std::ostream& out, Profile p);

}  // namespace palette
