// SPDX-License-Identifier: MIT
// What the demonstration's colours and controls mean, in words, for the help
// windows, tooltips and screen-reader names of any binding.
//
// The colours are taken from the functions and constants the components draw
// with, so the legend cannot drift from what the window shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "palette/palette.h"
#include "session/bindingrules.h"
#include "widgets/controls.h"

namespace help {

// Who holds the copyright and the licence the program is granted under (the
// LICENSE file at the root), as --version and the About window state them.
// Lines are broken for a terminal; in HTML the break is a space.
inline constexpr std::string_view kCopyright = "Copyright (c) 2026 The Link Demo developers";
inline constexpr std::string_view kLicence =
    "Licensed under the MIT licence: anyone may use, copy, change and hand it on,\n"
    "keeping the copyright and licence notice with it. There is NO WARRANTY.";

// One line of the colour legend: one or more swatches (0xBBGGRR) with a short
// name and what they mean.
struct ColourEntry {
    std::vector<std::int64_t> swatches;
    std::string name;
    // For a slot's state or mark this ends with what it does to the slot's
    // sequence number, from the component's own rule.
    std::string meaning;
};

struct ColourGroup {
    std::string title;
    std::string note;  // what the swatches are the colour of
    std::vector<ColourEntry> entries;
    // How the colour table draws the swatches' colours (a slot's number is a
    // text, a trace's line a line).
    palette::Role role = palette::Role::Fill;
};

// Every colour that carries meaning, grouped by where it is seen: packets,
// transmitter slots, receiver slots, router slots, trace lines.
std::vector<ColourGroup> colourLegend();
// How each number of a slot in the legend's group `title` reads (the
// transmitter's and the receiver's window); none for the other groups.
std::vector<std::string> slotReading(const std::string& title);

// One key of the window and what it does.
struct KeyEntry {
    std::string keys;  // as printed: "Ctrl+=", "Shift+Tab"
    std::string action;
};

// Every key of the demonstration window, in the order a presenter meets them
// (the key table, keys::table()).
std::vector<KeyEntry> keyboardKeys();

// One section of the Getting started page: a title, its paragraphs, and the
// picture the binding draws beside it from the running program ("" for
// none; see GuidePicture).
enum class GuidePicture { None, Window, Packets, TransmitterSlots, ReceiverSlots, ReadyHold };
struct GuideSection {
    std::string title;
    std::vector<std::string> paragraphs;
    GuidePicture picture = GuidePicture::None;
};

// The Getting started page, for a newcomer to read in three minutes; the
// keys are those of keyboardKeys().
std::vector<GuideSection> gettingStarted();

// The system's name of a control as the script runner writes it:
// "LinkDemo.cmdPause", "Wire1.cmdPacket(3)", "Transmitter1".
inline std::string systemName(const widgets::Control& control)
{
    return rules::scriptName(control);
}

// What the control is for, in one sentence; empty for a control the table
// does not know. Keyed by the control's name within its kind of component.
std::string purpose(const widgets::Control& control);

// The caption that names a list or field on the screen: that of the label
// of the same component standing level with it, to its left (the nearest
// one); empty when no label does.
std::string fieldCaption(const widgets::Control& control);

}  // namespace help
