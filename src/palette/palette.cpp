// SPDX-License-Identifier: MIT
#include "palette/palette.h"

#include <map>
#include <ostream>
#include <utility>

#include "packet/packet.h"
#include "queue/queue.h"
#include "receiver/receiver.h"
#include "transmitter/transmitter.h"
#include "wire/trace.h"

namespace palette {

namespace {

using State = Transmitter::SlotState;
using Mark = Receiver::SlotMark;

// What the captions stand on: a transmitter slot's box and the trace's
// picture are white, the panels grey.
constexpr std::int64_t kWhite = 0xFFFFFF;
constexpr std::int64_t kPanel = 0xE0E0E0;
constexpr std::int64_t kBlack = 0x000000;

struct Travelling {
    std::int64_t colour;
    const char* meaning;
    char letter;
};
constexpr Travelling kTravelling[] = {
    {PacketColour::kData, "data", 'D'},           {PacketColour::kDataResent, "retransmission", 'R'},
    {PacketColour::kAck, "acknowledgement", 'A'}, {PacketColour::kReady, "ready", 'Y'},
    {PacketColour::kHold, "hold", 'H'},
};

std::vector<Entry> gather()
{
    std::vector<Entry> t;
    for (const Travelling& p : kTravelling)
        t.push_back({"packet", p.meaning, Role::Fill, p.colour, -1, false, p.letter});
    t.push_back({"packet", "empty", Role::Fill, PacketColour::kEmpty});
    // A packet's caption is drawn black on its fill.
    for (const Travelling& p : kTravelling) t.push_back({"packet", p.meaning, Role::Text, kBlack, p.colour});

    const std::pair<State, const char*> states[] = {
        {State::New, "new"},
        {State::Sending, "sending"},
        {State::Sent, "sent"},
        {State::Expired, "expired"},
        {State::Resending, "resending"},
        {State::Resent, "resent"},
        {State::Acknowledged, "acknowledged"},
    };
    for (const auto& [s, meaning] : states)
        t.push_back({"txSlot", meaning, Role::Text, Transmitter::slotColour(s), kWhite});

    const std::pair<Mark, const char*> marks[] = {
        {Mark::Fresh, "fresh"}, {Mark::Idle, "idle"}, {Mark::Incoming, "incoming"}, {Mark::Misnumbered, "misnumbered"}};
    for (const auto& [m, meaning] : marks)
        t.push_back({"rxSlot", meaning, Role::Text, Receiver::slotColour(m, 0), kPanel});
    // An arrived packet's number takes the packet's own colour.
    t.push_back(
        {"rxSlot", "arrived data", Role::Text, Receiver::slotColour(Mark::Arrived, PacketColour::kData), kPanel});
    t.push_back({"rxSlot", "arrived retransmission", Role::Text,
                 Receiver::slotColour(Mark::Arrived, PacketColour::kDataResent), kPanel});
    t.push_back({"rxSlot", "wrong", Role::Text, Receiver::kWrongColour, kPanel, true});

    // A router slot: pale while the packet arrives, its own colour once it
    // has wholly arrived, dark while it is forwarded.
    for (const Travelling& p : kTravelling) {
        const std::string m = p.meaning;
        t.push_back({"router", m + " arriving", Role::Fill, Queue::paleColour(p.colour)});
        t.push_back({"router", m + " waiting", Role::Fill, p.colour});
        t.push_back({"router", m + " forwarded", Role::Fill, Queue::darkColour(p.colour)});
    }

    for (const Travelling& p : kTravelling)
        t.push_back({"trace", p.meaning, Role::Line, TimeSequenceTrace::colourFor(p.colour)});
    // The sequence numbers written beside the lines, in the lines' colours.
    for (const Travelling& p : kTravelling) {
        if (p.colour == PacketColour::kReady || p.colour == PacketColour::kHold) continue;  // they carry no number
        t.push_back({"trace", p.meaning, Role::Text, TimeSequenceTrace::colourFor(p.colour), kWhite});
    }

    // The transmitter's timer numbers share the New slot's grey.
    t.push_back({"text", "timer", Role::Text, Transmitter::slotColour(State::New), kWhite});
    t.push_back({"text", "label", Role::Text, kBlack, kPanel});
    return t;
}

struct Override {
    Role role;
    std::int64_t model;
    std::int64_t drawn;
};

// The projector's colours: packet tints stronger, each kept near its own
// hue (data blue, retransmission violet, acknowledgement red, Ready orange,
// Hold pink) and light enough for the black caption; the captions darker.
std::vector<Override> projector()
{
    auto pale = Queue::paleColour;
    auto dark = Queue::darkColour;
    return {
        {Role::Fill, PacketColour::kData, 0xFFB3A8},
        {Role::Fill, PacketColour::kDataResent, 0xFF89C9},
        {Role::Fill, PacketColour::kAck, 0x767EFF},
        {Role::Fill, PacketColour::kReady, 0x88BAFF},
        {Role::Fill, PacketColour::kHold, 0xB794FF},
        {Role::Fill, pale(PacketColour::kData), 0xFFE1E0},
        {Role::Fill, dark(PacketColour::kData), 0xED7D77},
        {Role::Fill, pale(PacketColour::kDataResent), 0xFFBEF9},
        {Role::Fill, dark(PacketColour::kDataResent), 0xD939FF},
        {Role::Fill, pale(PacketColour::kAck), 0xB6B5BD},
        {Role::Fill, dark(PacketColour::kAck), 0x8B8AB6},
        {Role::Fill, pale(PacketColour::kReady), 0xE1EFFF},
        {Role::Fill, dark(PacketColour::kReady), 0x367BFF},
        {Role::Fill, pale(PacketColour::kHold), 0xDBD3FF},
        {Role::Fill, dark(PacketColour::kHold), 0x8247F0},
        // The grey of New slots, timers and idle receiver slots.
        {Role::Text, Transmitter::slotColour(State::New), 0x626263},
        {Role::Text, Transmitter::slotColour(State::Resending), 0x008253},
        // Acknowledged, and the receiver's warning, share one colour.
        {Role::Text, Transmitter::slotColour(State::Acknowledged), 0x4C43CF},
        {Role::Text, Receiver::slotColour(Mark::Misnumbered, 0), 0x0000C8},
        {Role::Text, Receiver::slotColour(Mark::Arrived, PacketColour::kData), 0x9B5A62},
        {Role::Text, Receiver::slotColour(Mark::Arrived, PacketColour::kDataResent), 0x8839A1},
    };
}

// The colour-vision colours: every two meanings of a group apart for normal
// vision and the three dichromacies, each near its own hue where the others
// leave room.
std::vector<Override> colourVision()
{
    auto pale = Queue::paleColour;
    auto dark = Queue::darkColour;
    return {
        {Role::Fill, PacketColour::kData, 0xFF9D91},
        {Role::Fill, PacketColour::kDataResent, 0xBF89C0},
        {Role::Fill, PacketColour::kAck, 0x6931FF},
        {Role::Fill, PacketColour::kReady, 0x8CB5FE},
        {Role::Fill, PacketColour::kHold, 0x9A74FF},
        {Role::Fill, pale(PacketColour::kData), 0xF4BEBB},
        {Role::Fill, dark(PacketColour::kData), 0xFF7185},
        {Role::Fill, pale(PacketColour::kDataResent), 0xFFE2E5},
        {Role::Fill, dark(PacketColour::kDataResent), 0xBE0DDE},
        {Role::Fill, pale(PacketColour::kAck), 0xF2F0FF},
        {Role::Fill, dark(PacketColour::kAck), 0x4A54B0},
        {Role::Fill, pale(PacketColour::kReady), 0xC4D6F6},
        {Role::Fill, dark(PacketColour::kReady), 0x2B93C7},
        {Role::Fill, pale(PacketColour::kHold), 0xC3AEC9},
        {Role::Fill, dark(PacketColour::kHold), 0x946AB9},
        {Role::Text, Transmitter::slotColour(State::New), 0x616560},
        {Role::Text, Transmitter::slotColour(State::Sending), 0x640000},
        {Role::Text, Transmitter::slotColour(State::Sent), 0x800280},
        {Role::Text, Transmitter::slotColour(State::Expired), 0x006D08},
        {Role::Text, Transmitter::slotColour(State::Resending), 0x468800},
        {Role::Text, Transmitter::slotColour(State::Resent), 0x862EBD},
        {Role::Text, Transmitter::slotColour(State::Acknowledged), 0x3D22E6},
        {Role::Text, Receiver::slotColour(Mark::Incoming, 0), 0x7F4020},
        {Role::Text, Receiver::slotColour(Mark::Misnumbered, 0), 0x0424B9},
        {Role::Text, Receiver::slotColour(Mark::Arrived, PacketColour::kData), 0x855C6E},
        {Role::Text, Receiver::slotColour(Mark::Arrived, PacketColour::kDataResent), 0xBE3793},
        // The retransmission's trace, its line and its number.
        {Role::Line, TimeSequenceTrace::colourFor(PacketColour::kDataResent), 0xC200C3},
        {Role::Text, TimeSequenceTrace::colourFor(PacketColour::kDataResent), 0xC200C3},
    };
}

using Key = std::pair<Role, std::int64_t>;

const std::map<Key, std::int64_t>& overrides(Profile p)
{
    auto index = [](const std::vector<Override>& list) {
        std::map<Key, std::int64_t> m;
        for (const Override& o : list) m[{o.role, o.model}] = o.drawn;
        return m;
    };
    static const std::map<Key, std::int64_t> none;
    static const std::map<Key, std::int64_t> proj = index(projector());
    static const std::map<Key, std::int64_t> cv = index(colourVision());
    switch (p) {
        case Profile::Standard:
            break;
        case Profile::Projector:
            return proj;
        case Profile::ColourVision:
            return cv;
    }
    return none;
}

}  // namespace

const char* name(Profile p)
{
    switch (p) {
        case Profile::Standard:
            break;
        case Profile::Projector:
            return "projector";
        case Profile::ColourVision:
            return "colour-vision";
    }
    return "standard";
}

std::optional<Profile> profileNamed(std::string_view n)
{
    for (Profile p : kProfiles) {
        if (n == name(p)) return p;
    }
    return std::nullopt;
}

const char* name(Role r)
{
    switch (r) {
        case Role::Fill:
            break;
        case Role::Text:
            return "text";
        case Role::Line:
            return "line";
    }
    return "fill";
}

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> t = gather();
    return t;
}

std::int64_t drawn(Profile p, std::int64_t model, Role role)
{
    const auto& m = overrides(p);
    const auto it = m.find({role, model});
    return it == m.end() ? model : it->second;
}

std::int64_t drawnOn(Profile p, const Entry& e)
{
    return e.role == Role::Text ? drawn(p, e.on, Role::Fill) : -1;
}

Look look(Profile p)
{
    Look l;
    l.wideTraceLines = l.largeClock = p == Profile::Projector;
    l.dashedRetransmissions = l.packetLetters = p == Profile::ColourVision;
    return l;
}

char packetLetter(Profile p, std::int64_t model)
{
    if (!look(p).packetLetters) return '\0';
    for (const Entry& e : entries()) {
        if (e.role == Role::Fill && e.letter != '\0' && e.model == model) return e.letter;
    }
    return '\0';
}

void writeTable(std::ostream& out, Profile p)
{
    for (const Entry& e : entries()) {
        out << "{\"colour\": {\"group\": \"" << e.group << "\", \"meaning\": \"" << e.meaning << "\", \"role\": \""
            << name(e.role) << "\", \"model\": " << e.model << ", \"drawn\": " << drawn(p, e.model, e.role)
            << ", \"on\": ";
        if (e.role == Role::Text) {
            out << drawnOn(p, e);
        } else {
            out << "null";
        }
        out << "}}\n";
    }
}

}  // namespace palette
