// SPDX-License-Identifier: MIT
// The scenario table and its set-up calls.
//
// Each scenario is the base set-up (the No Controls link) followed by its own
// calls, in order: later calls see the effects of earlier ones (a window or
// sequence change relabels the panel, a retransmission mode reads the
// retransmission time), so the order is part of the scenario.
#include "shell/linkdemo.h"

namespace {

using S = ScenarioSetting;
using TxMode = Transmitter::RetransmitMode;
using Timers = Transmitter::RetransmitTimers;
using Ack = Receiver::AckMode;
using Policy = Receiver::RxPolicy;
// Each list's item index, checked against its own list's enum.
constexpr auto& kTxModes = Transmitter::kRetransmitModes;
constexpr auto& kTimers = Transmitter::kRetransmitTimers;
constexpr auto& kAcks = Receiver::kAckModes;
constexpr auto& kPolicies = Receiver::kRxPolicies;

}  // namespace

const std::vector<ScenarioSetting> LinkDemo::kBaseSettings = {
    {S::TxMaxSequence, 0},
    {S::TxReliable, 0},
    {S::TxWindow, 1},
    {S::TxRetransmitMode, kTxModes.index(TxMode::None)},
    {S::TxTimerMode, kTimers.index(Timers::Indiv)},
    {S::RxMaxSequence, 0},
    {S::RxWindow, 1},
    {S::RxPolicy, kPolicies.index(Policy::InOrder)},
    {S::RxACKMode, kAcks.index(Ack::None)},
    {S::TxRTT, 250},
};

const std::array<std::vector<ScenarioSetting>, kScenarioNames.size()> LinkDemo::kScenarioSettings = {{
    // No Controls: the base set-up alone.
    {},
    // Stop and Wait
    {{S::TxRetransmitMode, kTxModes.index(TxMode::Wait)},
     {S::TxMaxSequence, 0},
     {S::RxACKMode, kAcks.index(Ack::Single)}},
    // Sliding Window
    {{S::TxMaxSequence, 0},
     {S::TxRetransmitMode, kTxModes.index(TxMode::Wait)},
     {S::RxMaxSequence, 0},
     {S::TxWindow, 3},
     {S::RxWindow, 3},
     {S::RxACKMode, kAcks.index(Ack::Single)},
     {S::RxPolicy, kPolicies.index(Policy::InWindow)}},
    // Stop & Wait ARQ
    {{S::TxMaxSequence, 1},
     {S::RxMaxSequence, 1},
     {S::RxACKMode, kAcks.index(Ack::Single)},
     {S::TxRetransmitMode, kTxModes.index(TxMode::Batch)},
     {S::TxRTT, 150}},
    // Go-back-N ARQ
    {{S::RxMaxSequence, 15},
     {S::RxACKMode, kAcks.index(Ack::Cumulative)},
     {S::RxWindow, 3},
     {S::TxMaxSequence, 15},
     {S::TxWindow, 3},
     {S::TxRetransmitMode, kTxModes.index(TxMode::Batch)},
     {S::TxTimerMode, kTimers.index(Timers::Indiv)}},
    // Selective Repeat ARQ
    {{S::RxMaxSequence, 7},
     {S::RxACKMode, kAcks.index(Ack::Selective)},
     {S::RxWindow, 3},
     {S::TxMaxSequence, 7},
     {S::TxWindow, 3},
     {S::TxTimerMode, kTimers.index(Timers::Indiv)},
     {S::RxPolicy, kPolicies.index(Policy::InWindow)},
     {S::TxRetransmitMode, kTxModes.index(TxMode::Indiv)}},
    // Software Flow
    {{S::TxRetransmitMode, kTxModes.index(TxMode::None)},
     {S::TxMaxSequence, 0},
     {S::TxWindow, 1},
     {S::RxWindow, 6},
     {S::RxACKMode, kAcks.index(Ack::Software)}},
}};

void LinkDemo::applySettings(const std::vector<ScenarioSetting>& settings)
{
    for (const ScenarioSetting& s : settings) {
        switch (s.call) {
            case ScenarioSetting::TxMaxSequence:
                Transmitter1.SetMaxSequence(s.value);
                break;
            case ScenarioSetting::TxReliable:
                Transmitter1.SetReliable(s.value != 0);
                break;
            case ScenarioSetting::TxWindow:
                Transmitter1.SetTxWindow(s.value);
                break;
            case ScenarioSetting::TxRetransmitMode:
                Transmitter1.SetRetransmitMode(s.value);
                break;
            case ScenarioSetting::TxTimerMode:
                Transmitter1.SetTimerMode(s.value);
                break;
            case ScenarioSetting::TxRTT:
                Transmitter1.SetRTT(s.value);
                break;
            case ScenarioSetting::RxMaxSequence:
                Receiver1.SetMaxSequence(s.value);
                break;
            case ScenarioSetting::RxWindow:
                Receiver1.SetRxWindow(s.value);
                break;
            case ScenarioSetting::RxPolicy:
                Receiver1.SetRxPolicy(s.value);
                break;
            case ScenarioSetting::RxACKMode:
                Receiver1.SetACKMode(s.value);
                break;
        }
    }
}
