// SPDX-License-Identifier: MIT
// The scenario vocabulary: the scenario list and how the window's `topology`
// number reads (a scenario's list index, plus 10 while the router is added).
#pragma once

#include <array>

// The scenario list, in its order: a scenario's number is its list index.
enum class Scenario { NoControls, StopAndWait, SlidingWindow, StopAndWaitARQ, GoBackN, SelectiveRepeat, SoftwareFlow };
inline constexpr std::array<const char*, 7> kScenarioNames = {
    "No Controls",   "Stop and Wait",        "Sliding Window", "Stop & Wait ARQ",
    "Go-back-N ARQ", "Selective Repeat ARQ", "Software Flow"};

// The window's `topology` decoded: below 10 the direct link, 10..19 the
// router between Wire1 and Wire2; from 20 on nothing is laid out, and only
// the transmitter's own events are routed.
struct Topology {
    int scenario = 0;     // topology % 10: the scenario list's index
    bool router = false;  // 10..19
    bool link = true;     // below 20: the transmitter, the wires and the receiver are laid out and routed
};

constexpr Topology decodeTopology(int topology)
{
    return Topology{topology % 10, topology >= 10 && topology < 20, topology < 20};
}

// Scenarios whose transmitter and receiver have a window of their own.
constexpr bool scenarioHasWindow(int scenario)
{
    return scenario == static_cast<int>(Scenario::SlidingWindow) || scenario == static_cast<int>(Scenario::GoBackN) ||
           scenario == static_cast<int>(Scenario::SelectiveRepeat);
}

// Scenarios that offer "Measure RTT".
constexpr bool scenarioOffersMeasureRTT(int scenario)
{
    return scenario >= static_cast<int>(Scenario::StopAndWaitARQ) &&
           scenario <= static_cast<int>(Scenario::SelectiveRepeat);
}
