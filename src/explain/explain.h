// SPDX-License-Identifier: MIT
// Explanations in plain words: one sentence for each thing a student should
// notice in a run, with its reason, and the plain-word descriptions of the
// packets and slots that tooltips and screen readers give.
//
// The Explainer watches the window's routing (as the lab and the event log
// do) and compares the transmitter's slots between calls, for what no
// packet event reports: a timer that ran out, an acknowledgement processed,
// an RTT sample. It only reads the components; attached or not, the model
// behaves the same. Outcomes that a component decides while a report is
// routed (a packet taken or ignored, stored or dropped) are read back at the
// next call, once the component has acted.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/linkdemo.h"

namespace explain {

// One sentence: the run's clock (totalTime, ms), the words, and the packet
// number it names, if any, and whether that packet is an acknowledgement.
struct Line {
    std::int64_t time = 0;
    std::string text;
    std::optional<std::int32_t> packet;
    bool acknowledgement = false;

    bool operator==(const Line&) const = default;
};

// {"explain": {"time": T, "text": "…", "packet": N}}, packet null when the
// sentence names none; no line end.
std::string jsonLine(const Line& line);

// What a routed event is explained as.
enum class Topic {
    Silent,            // nothing a student needs to notice, or said elsewhere
    Send,              // the transmitter puts a data packet on its wire
    Forward,           // the router puts a packet on its outgoing wire
    AckSent,           // the receiver sends an acknowledgement, Ready or Hold
    LineFree,          // a packet is wholly on its wire
    Destroyed,         // a packet destroyed on its wire
    ReceiverHead,      // a data packet starts arriving: taken or ignored
    ReceiverArrived,   // a data packet wholly arrived: delivered or kept
    RouterHead,        // a packet reaches the router: stored or dropped
    AckAtTransmitter,  // an acknowledgement reaches the transmitter
    RttMeasured,       // Measure RTT's acknowledgement: the run starts afresh
};
// The topic of event `iType` reported by `iIndex`, routed to `target`.
Topic topicFor(int iIndex, int iType, topology::Target target);

// What destroyed a packet, as the one who destroys it says.
// Chosen: the lab's chosen loss (`set drop`), a deliberate loss of a named
// transmission.
enum class Cause { Click, Key, RandomLoss, Chosen };

class Explainer : public LinkDemoObserver {
public:
    // Starts watching at once; stops when destroyed. Built after the window
    // (and its lab), destroyed before it. It takes the scheduler's onSettled
    // and calls the one it found first (the lab's random loss), so that it
    // sees that millisecond's clicks; it puts that one back when destroyed,
    // in whatever order several explainers come and go.
    explicit Explainer(LinkDemo& demo);
    ~Explainer() override;
    Explainer(const Explainer&) = delete;
    Explainer& operator=(const Explainer&) = delete;

    // Told each sentence as it is written.
    std::function<void(const Line&)> onLine;

    // To be called just before a click, a key or the lab's random or chosen loss
    // destroys the packet in `slot` of `wire` (1 or 2): the sentence names
    // the cause. Destructions nobody announces are explained as "lost" when
    // they are noticed (at the wire's report, or at the next call).
    void destroying(int wire, int slot, Cause cause);
    // Writes what the components have done since the last call; the window
    // calls it after a user's action outside the clock (Step, a click).
    void flush() { flush(true); }

    void packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target) override;
    void resetDone() override;

    // The end of a millisecond of the scheduler (its onSettled).
    void settled();
    struct SettleLink;

private:
    struct TxSnapshot {
        int window = 0;
        std::vector<std::int64_t> numbers;
        std::vector<Transmitter::SlotState> states;
        std::uint64_t acksProcessed = 0;
        std::uint64_t rttSamples = 0;
        std::int64_t retransmitTime = 0;
        bool sendPermitted = true;
        bool full = false;
    };
    TxSnapshot snapshot() const;
    // windowFull false: a window just filled is said at the next call.
    void flush(bool windowFull);
    void compareTransmitter(bool windowFull);
    void compareReceiver();
    void compareWires();
    void markArrived(int iIndex, const Packet& p);
    void say(std::string text, std::optional<std::int32_t> packet = std::nullopt);
    // Names the packet `p` (none for a Ready or Hold message).
    void say(std::string text, const Packet& p);

    void explainSend(const Packet& p);
    void explainForward(int iType, const Packet& p);
    void explainAckSent(const Packet& p);
    void explainLineFree(int iIndex, int iType, const Packet& p);
    void explainDestroyed(int iIndex, const Packet& p);
    void explainReceiverHead(const Packet& p);
    void explainReceiverArrived(const Packet& p);
    void explainRouterHead(const Packet& p);

    LinkDemo& m_demo;
    std::shared_ptr<SettleLink> m_settle;
    TxSnapshot m_tx;
    // What each slot of Wire1 and Wire2 held at the last call.
    struct OnWire {
        bool shown = false;
        Packet packet;
        bool arrived = false;
    };
    std::array<std::array<OnWire, Wire::kSlots>, 2> m_onWire{};
    bool m_rxReady = true;
    std::uint64_t m_rxDelivered = 0;
    // Sentences whose outcome the component decides after the report.
    std::vector<std::function<void()>> m_pending;
    // Acknowledgements handed to the transmitter, oldest first, until it
    // processes them.
    std::deque<Packet> m_acksWaiting;
    // Packets already explained as destroyed: wire, number, direction.
    struct Gone {
        int wire;
        std::int32_t number;
        bool ack;
    };
    std::vector<Gone> m_gone;
};

// ---- plain-word descriptions (tooltips, screen-reader names) --------------

// "Data packet 3, sequence 3, on its way to the receiver (sent at 12.3 s)",
// "Acknowledgement 4 (cumulative) on its way to the transmitter". `towards`
// names the component the packet travels to ("receiver", "router", ...).
std::string packetText(const Packet& p, const std::string& towards);
// The packet in `slot` of `wire` (Wire1 or Wire2) of the window, with where
// it goes under the window's topology; empty for an empty slot.
std::string wirePacketText(const LinkDemo& demo, const Wire& wire, int slot);
// "Packet 3 (sequence 3): sent, waiting for its acknowledgement; 2.4 s left
// on its timer".
std::string transmitterSlotText(const Transmitter& tx, int slot);
// "Expects packet 3 (sequence 3); nothing has arrived" ...
std::string receiverSlotText(const Receiver& rx, int slot);
// The Ready/Hold box: the state it shows and what a click does.
std::string readyHoldText(const Receiver& rx);

// A setting the user types (a wire's Bit Rate and Delay, the transmitter's
// Packet Size, Tx Proc. Time and Max Sequence No., the receiver's Rx Delay
// Time and Max Sequence No, a source's Rate): the field keeps
// its text as typed and the model reads its leading number. `tooltip` gives
// the unit and the value in force ("Delay: 1.0 s of propagation delay; in
// force: 1.0 s"); `problem`, when the text cannot be used as typed, says so
// in one line ("Delay: \"abc\" is not a delay; 1.0 s stays in force"), and
// is empty otherwise. Nothing for a field that is not such a setting.
struct SettingWords {
    std::string tooltip;
    std::string problem;
};
std::optional<SettingWords> settingWords(const widgets::ComboBox& field);
// Every such field of the demonstration, components in creation order.
std::vector<const widgets::ComboBox*> settingFields(const LinkDemo& demo);

}  // namespace explain
