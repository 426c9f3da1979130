// SPDX-License-Identifier: MIT
#include "session/helptext.h"

#include <cctype>
#include <map>
#include <utility>

#include "packet/packet.h"
#include "queue/queue.h"
#include "receiver/receiver.h"
#include "session/keys.h"
#include "transmitter/transmitter.h"
#include "wire/trace.h"

namespace help {

namespace {

using State = Transmitter::SlotState;
using Mark = Receiver::SlotMark;

// The packet colours that travel, with the words the router and trace groups
// use for them.
struct Travelling {
    std::int64_t colour;
    const char* name;
};
constexpr Travelling kTravelling[] = {
    {PacketColour::kData, "Data packet"},    {PacketColour::kDataResent, "Resent data packet"},
    {PacketColour::kAck, "Acknowledgement"}, {PacketColour::kReady, "Ready message"},
    {PacketColour::kHold, "Hold message"},
};

ColourGroup packets()
{
    return {"Packets",
            "the fill of a packet on a wire",
            {
                {{PacketColour::kData}, "Data", "a data packet on its first transmission"},
                {{PacketColour::kDataResent}, "Resent data", "a data packet sent again after its timer ran out"},
                {{PacketColour::kAck}, "Acknowledgement", "the receiver confirms what it has received"},
                {{PacketColour::kReady}, "Ready", "flow control: the receiver lets the transmitter send again"},
                {{PacketColour::kHold}, "Hold", "flow control: the receiver tells the transmitter to stop sending"},
                {{PacketColour::kEmpty}, "Empty", "an unused packet slot (never on a wire)"},
            }};
}

// "A, B and C".
std::string listed(const std::vector<std::string>& names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

ColourGroup transmitterSlots()
{
    auto e = [](State s, const char* name, const char* meaning) {
        return ColourEntry{{Transmitter::slotColour(s)},
                           name,
                           std::string(meaning) + (Transmitter::sequenceTakesColour(s)
                                                       ? "; the sequence number takes this colour too"
                                                       : "; the sequence number keeps the colour it had")};
    };
    ColourGroup g{"Transmitter window",
                  "the packet number in a transmitter slot",
                  {
                      e(State::New, "New", "waiting to be sent for the first time"),
                      e(State::Sending, "Sending", "being put on the wire for the first time"),
                      e(State::Sent, "Sent", "sent once, waiting for its acknowledgement"),
                      e(State::Expired, "Expired", "its timer ran out: waiting to be sent again"),
                      e(State::Resending, "Resending", "being put on the wire again"),
                      e(State::Resent, "Resent", "sent again, waiting for its acknowledgement"),
                      e(State::Acknowledged, "Acknowledged", "acknowledged: about to leave the window"),
                  },
                  palette::Role::Text};
    return g;
}

ColourGroup receiverSlots()
{
    auto markName = [](Mark m) {
        switch (m) {
            case Mark::Fresh:
                return "Fresh";
            case Mark::Idle:
                return "Idle";
            case Mark::Incoming:
                return "Incoming";
            case Mark::Misnumbered:
                return "Misnumbered";
            case Mark::Arrived:
                break;
        }
        return "Arrived";
    };
    auto e = [&](Mark m, const char* name, const char* meaning) {
        const auto seq = Receiver::sequenceMark(m);
        const std::string sequence = !seq ? std::string("; the sequence number keeps the colour it had")
                                     : *seq == m
                                         ? std::string("; the sequence number takes this colour too")
                                         : std::string("; the sequence number takes the ") + markName(*seq) + " colour";
        return ColourEntry{{Receiver::slotColour(m, PacketColour::kData)}, name, meaning + sequence};
    };
    ColourGroup g{
        "Receiver window",
        "the packet number in a receiver slot",
        {
            e(Mark::Fresh, "Fresh", "expected packet number just after a reset"),
            e(Mark::Idle, "Idle", "empty slot, expecting the number shown"),
            e(Mark::Incoming, "Incoming", "a packet is arriving into the slot"),
            e(Mark::Misnumbered, "Misnumbered", "a packet other than the expected one is arriving"),
            e(Mark::Arrived, "Arrived", "the packet's own colour: wholly arrived, waiting to be delivered in order"),
        },
        palette::Role::Text};
    g.entries.push_back({{Receiver::kWrongColour},
                         "Wrong!",
                         "the warning over the receiver: a packet was taken under a sequence number that belongs to "
                         "another packet, so the sequence "
                         "numbers are too few for the windows"});
    return g;
}

ColourGroup routerSlots()
{
    ColourGroup g{"Router buffer",
                  "a router slot: pale while the packet arrives, its own colour once it has wholly arrived, dark "
                  "while it is forwarded",
                  {}};
    for (const Travelling& t : kTravelling) {
        g.entries.push_back({{Queue::paleColour(t.colour), t.colour, Queue::darkColour(t.colour)},
                             t.name,
                             "arriving, waiting, forwarded"});
    }
    return g;
}

ColourGroup traceLines()
{
    auto e = [](std::int64_t packet, const char* name, const char* meaning) {
        return ColourEntry{{TimeSequenceTrace::colourFor(packet)}, name, meaning};
    };
    return {"Time-sequence trace",
            "a packet's bar at the sending end, its path across the wire and its sequence number",
            {
                e(PacketColour::kData, "Data packet", "first transmission"),
                e(PacketColour::kDataResent, "Resent data packet", "retransmission"),
                e(PacketColour::kAck, "Acknowledgement", "from the receiver"),
                e(PacketColour::kReady, "Ready or Hold message", "flow control (no colour of its own)"),
            },
            palette::Role::Line};
}

// The kind of component a name belongs to: "Wire3" -> "Wire".
std::string kindOf(const std::string& name)
{
    std::size_t end = name.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1]))) --end;
    return name.substr(0, end);
}

using Table = std::map<std::string, const char*>;

const std::map<std::string, Table>& purposes()
{
    static const std::map<std::string, Table> t = {
        {"LinkDemo",
         {
             {"", "The demonstration: a transmitter, a wire and a receiver, optionally with a router"},
             {"cmbScenario", "Chooses the scenario; choosing one resets the run"},
             {"cmdPause", "Starts, pauses and continues the run"},
             {"cmdReset", "Stops the run and empties every component; time goes back to 0"},
             {"cmdRTT", "Resets, sends one probe packet to measure the round-trip time, and starts the run"},
             {"cmdRouter", "Adds a router between two wires, or removes it; resets the run"},
         }},
        {"Transmitter",
         {
             {"", "The transmitter: its send window of up to six slots and its settings"},
             {"lblTxMode", "What the transmitter is doing now"},
             {"shpTxQueue", "A slot of the send window"},
             {"lblTxPacket", "The packet number in a send-window slot; its colour is the slot's state"},
             {"lblTxSeq", "The sequence number the slot's packet carries"},
             {"lblRTO", "Time left on the slot's retransmission timer"},
             {"cmdMore", "Shows more of the transmitter's settings"},
             {"cmdEdit", "Opens or closes the transmitter's settings"},
             {"lblControl", "The name of a transmitter setting"},
             {"cmbTxWindowSize", "Sets how many packets may be outstanding at once (send window)"},
             {"cmbMaxSequence", "Sets the largest sequence number; 0: packets carry no sequence number"},
             {"cmbPacketLength", "Sets the size of the data packets"},
             {"cmbTxProcTime", "Sets the transmitter's processing time in seconds"},
             {"cmbRetransmitTime", "Sets the retransmission timeout as a multiple of the round-trip time"},
             {"cmbRetransmitMode",
              "Sets what is resent when a timer runs out: nothing, that packet, every outstanding one, or "
              "wait for each acknowledgement"},
             {"cmbRetransmitTimers", "Sets one timer for the whole window or one per packet"},
             {"lblRTT", "The current round-trip-time estimate"},
             {"Shape1", "The transmitter's frame"},
             {"Line2", "The transmitter's connection to the wire"},
         }},
        {"Wire",
         {
             {"", "A wire: packets travel along it, and its time-sequence trace is drawn below it"},
             {"Line1", "The transmission line"},
             {"Shape1", "An end of the transmission line"},
             {"cmdPacket", "A packet on the wire: click to destroy it"},
             {"cmdEdit", "Opens or closes the wire's settings"},
             {"lblBitRate", "The name of the bit-rate setting"},
             {"cmbBitRate", "Sets the bit rate: how fast packets are put on the wire"},
             {"lblDelay", "The name of the delay setting"},
             {"cmbDelay", "Sets the propagation delay: seconds to cross the wire"},
             {"Picture1", "The time-sequence trace: time runs downwards, one line per packet"},
             {"VScroll1", "Chooses the first second shown in the trace"},
             {"VScroll2", "Chooses the trace's time scale"},
             {"txtTrace", "A sequence number written beside its packet's trace"},
         }},
        {"Queue",
         {
             {"", "The router: a buffer for data packets and one for acknowledgements"},
             {"shpQueue", "A slot of the router's data buffer"},
             {"shpQueueA", "A slot of the router's acknowledgement buffer"},
             {"lblQPacket", "A label of a router data slot (kept hidden)"},
             {"lblQSeq", "A label of a router acknowledgement slot (kept hidden)"},
             {"Shape1", "The router's frame"},
             {"cmdEdit", "Opens or closes the router's settings"},
             {"cmdAdvanced", "Shows the router's drop policy and threshold"},
             {"lblSize", "The name of the buffer-size setting"},
             {"cmbSize", "Sets how many packets each of the router's buffers holds"},
             {"lblDropPolicy", "The name of the drop-policy setting"},
             {"cmbDropPolicy", "Sets what the router drops: arrivals when full, or at random once busy (RED)"},
             {"lblCongestionThreshold", "The name of the threshold setting"},
             {"cmbCongestionThreshold", "Sets the buffer fill from which random dropping starts"},
         }},
        {"Source",
         {
             {"", "A traffic source"},
             {"lblTxPacket", "The number of the next packet the source generates"},
             {"lblTxSeq", "The sequence number of the source's packet"},
             {"cmdStart", "Starts the source, or resets it"},
             {"chkPause", "Pauses and continues the source"},
             {"cmdEdit", "Opens or closes the source's settings"},
             {"lblControl", "The name of a source setting"},
             {"cmbPacketSize", "Sets the size of the generated packets"},
             {"cmbRate", "Sets how many packets per second the source generates"},
             {"cmbDistribution", "Sets whether packets come at even intervals or at random"},
             {"cmbPriority", "Sets the traffic class (shown only)"},
             {"Shape2", "The source's frame"},
         }},
        {"Receiver",
         {
             {"", "The receiver: its receive window of up to six slots and its settings"},
             {"lblRxMode", "What the receiver is doing now"},
             {"Line6", "The receiver's connection to the wire"},
             {"shpRxQueue", "A slot of the receive window"},
             {"lblRxPacket", "The packet number a receive-window slot expects; its colour is the slot's mark"},
             {"lblRxSeq", "The sequence number a receive-window slot expects"},
             {"chkRxReady", "Sends a Hold or Ready message to stop or restart the transmitter"},
             {"cmdEdit", "Opens or closes the receiver's settings"},
             {"lblControl", "The name of a receiver setting"},
             {"cmbRxWindowSize", "Sets how many packets the receiver can hold (receive window)"},
             {"cmbRxProcTime", "Sets the receiver's processing time in seconds before it answers"},
             {"cmbMaxSequence", "Sets the largest sequence number; 0: sequence numbers are not used"},
             {"cmbRxPolicy", "Sets whether only the next packet in order or any packet in the window is taken"},
             {"cmbAckMode",
              "Sets how the receiver acknowledges: none, single, cumulative, selective, delayed, "
              "or Ready/Hold flow control"},
             {"lblWrong", "Warning: a packet was taken under another packet's sequence number"},
             {"Shape2", "The receiver's frame"},
         }},
    };
    return t;
}

}  // namespace

std::vector<ColourGroup> colourLegend()
{
    return {packets(), transmitterSlots(), receiverSlots(), routerSlots(), traceLines()};
}

std::vector<std::string> slotReading(const std::string& title)
{
    if (title == transmitterSlots().title) {
        std::vector<std::string> sets, keeps;
        for (const ColourEntry& e : transmitterSlots().entries) {
            const bool takes = Transmitter::sequenceTakesColour(Transmitter::slotStateOf(e.swatches.front()));
            (takes ? sets : keeps).push_back(e.name);
        }
        return {
            "The packet number: in the colour of the slot's state (below).",
            "The sequence number the packet carries: in the colour of the slot's last send or expiry. " + listed(sets) +
                " set it; " + listed(keeps) + " leave it as it is.",
            "The grey number: the time left on the slot's retransmission timer, in tenths of a second (where "
            "the scenario times its packets).",
        };
    }
    if (title == receiverSlots().title) {
        return {
            "The packet number: the packet the slot expects (or holds), in the colour of its mark (below).",
            "The sequence number that packet carries: in the colour of the same mark, except that a packet other "
            "than the expected one leaves it in the Incoming colour and a reset leaves it as it is.",
        };
    }
    return {};
}

std::vector<KeyEntry> keyboardKeys()
{
    std::vector<KeyEntry> out;
    for (const keys::Row& row : keys::table()) out.push_back(KeyEntry{row.keys, row.words});
    return out;
}

std::vector<GuideSection> gettingStarted()
{
    using P = GuidePicture;
    return {
        {"What you see",
         {"A transmitter (left) sends data packets along a wire to a receiver (right); the receiver answers "
          "with acknowledgements on the same wire. Time runs in simulated seconds: press Start (or Space) "
          "and watch the packets move. Below each wire its time-sequence trace draws every packet as a line, "
          "time running downwards.",
          "Click a packet on a wire to destroy it, and watch how the chosen scenario recovers (or does not). "
          "The keys ] and [ choose a packet and Delete destroys it."},
         P::Window},
        {"The seven scenarios",
         {"No Controls: no flow or error control; the transmitter sends one packet after another and waits for "
          "nothing, and the receiver acknowledges nothing.",
          "Stop and Wait: the transmitter sends one packet and waits for its acknowledgement; there is no "
          "timer, so a lost packet or acknowledgement stops everything.",
          "Sliding Window: up to three packets may wait for their acknowledgements at once; still no timer.",
          "Stop & Wait ARQ: Stop and Wait with sequence numbers 0 and 1 and a retransmission timer: when a "
          "packet or its acknowledgement is lost, the timer runs out and the packet is sent again (the timer "
          "is the difference from Stop and Wait).",
          "Go-back-N ARQ: a window of three, sequence numbers 0 to 15, cumulative acknowledgements; when a "
          "timer runs out the packet and every one after it are sent again.",
          "Selective Repeat ARQ: a window of three, sequence numbers 0 to 7, selective acknowledgements; "
          "only the packet whose timer ran out is sent again, and the receiver keeps packets that come out "
          "of order.",
          "Software Flow: no retransmission; the receiver tells the transmitter to stop (Hold) and to go on "
          "(Ready).",
          "The Router button puts a router with a buffer between two wires, in any scenario."}},
        {"A packet's caption",
         {"A data packet reads \"sequence(number)\": \"2( 18)\" is packet 18 carrying sequence number 2; "
          "without sequence numbers it reads \"( 18)\". Help \u2192 Colours and States tells the colours apart.",
          "An acknowledgement reads \"sequence(trigger)\": the sequence number of the packet the receiver "
          "expects next, and in brackets the sequence number of the packet that made it send this one.",
          "Ready and Hold messages (Software Flow) carry no caption. Hover over a packet to read it in words."},
         P::Packets},
        {"The transmitter's slots",
         {"Each slot of the send window shows three numbers: the packet number (its colour is the slot's "
          "state: not sent, being sent, sent, timer ran out, acknowledged), the sequence number the packet "
          "carries, and the time left on its retransmission timer in tenths of a second."},
         P::TransmitterSlots},
        {"The receiver",
         {"Each slot of the receive window shows the packet number it expects and that number's sequence "
          "number. The line above the slots says what the receiver does:",
          "\"Initial\": nothing has arrived since the reset. \"Expecting N\": waiting for packet N. "
          "\"Receiving N\": packet N is arriving; \"Receiving N (not M)\": packet N arrives while M is "
          "expected first (kept in the window when the receiver accepts In Window). \"Ignoring N\": packet N "
          "is thrown away (a copy, out of order for In Order, or beyond the window). \"Wrong!\": a packet was "
          "taken under a sequence number that belongs to another packet: the sequence numbers are too few "
          "for these windows."},
         P::ReceiverSlots},
        {"Ready and Hold",
         {"The receiver's box labelled \"Ready\" is a switch: ticking it puts the receiver on Hold (the box "
          "then reads \"Hold\"), and it delivers nothing more; unticking it makes it Ready again. Under "
          "Software Flow the receiver also sends Hold or Ready to the transmitter."},
         P::ReadyHold},
        {"Explanations, the Lab and the lessons",
         {"View \u2192 Explanations opens a panel that says in words what happens and why, newest line on "
          "top; click a line to choose the packet it names. View \u2192 Component names writes the "
          "components' names beside them.",
          "Window \u2192 Lab (or L) measures the link and sets random loss. File \u2192 Play script\u2026 "
          "plays a lesson: the examples folder holds lesson-go-back-n.txt, lesson-selective-repeat.txt and "
          "lesson-software-flow.txt, narrated step by step."}},
        {"Keys", {}},
    };
}

std::string purpose(const widgets::Control& control)
{
    const bool container = control.kind() == widgets::Kind::Window || control.kind() == widgets::Kind::Component;
    const widgets::Control* owner = container ? &control : control.parent();
    if (owner == nullptr) return {};
    const auto table = purposes().find(kindOf(owner->name()));
    if (table == purposes().end()) return {};
    const auto entry = table->second.find(container ? std::string() : control.name());
    return entry == table->second.end() ? std::string() : std::string(entry->second);
}

std::string fieldCaption(const widgets::Control& control)
{
    const widgets::Container* parent = control.parent();
    if (parent == nullptr) return {};
    // A caption may reach a little under the list it names.
    constexpr double kOverlap = 60;
    const widgets::Label* best = nullptr;
    for (const widgets::Control* c : parent->children()) {
        if (c->kind() != widgets::Kind::Label) continue;
        const auto* label = static_cast<const widgets::Label*>(c);
        const double middle = label->top() + label->height() / 2;
        const double right = label->left() + label->width();
        if (label->caption().empty() || middle < control.top() || middle > control.top() + control.height() ||
            right > control.left() + kOverlap) {
            continue;
        }
        if (best == nullptr || right > best->left() + best->width()) best = label;
    }
    return best ? best->caption() : std::string();
}

}  // namespace help
