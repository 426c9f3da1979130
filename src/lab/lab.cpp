// SPDX-License-Identifier: MIT
#include "lab/lab.h"

#include <algorithm>
#include <cmath>

#include "topology/scenario.h"

namespace lab {

PacketKind kindOf(const Packet& p)
{
    switch (p.Colour) {
        case PacketColour::kData:
        case PacketColour::kDataResent:
            return PacketKind::Data;
        case PacketColour::kAck:
            return PacketKind::Ack;
        case PacketColour::kReady:
            return PacketKind::Ready;
        case PacketColour::kHold:
            return PacketKind::Hold;
        default:
            return PacketKind::Other;
    }
}

std::optional<PacketKind> kindNamed(const std::string& word)
{
    if (word == "data") return PacketKind::Data;
    if (word == "ack") return PacketKind::Ack;
    if (word == "ready") return PacketKind::Ready;
    if (word == "hold") return PacketKind::Hold;
    return std::nullopt;
}

Lab::Lab(const LinkView& link) : m_link(link)
{
    m_link.scheduler.onSettled = [this] { settle(); };
    resetDone();
}

Lab::~Lab()
{
    m_link.scheduler.onSettled = nullptr;
}

bool Lab::setLoss(int wire, double p)
{
    if (wire < 1 || wire > 2 || !(p >= 0 && p <= kMaxLoss)) return false;
    m_loss[wire - 1] = p;
    return true;
}

double Lab::loss(int wire) const
{
    return wire >= 1 && wire <= 2 ? m_loss[wire - 1] : 0.0;
}

const char* kindName(PacketKind kind)
{
    switch (kind) {
        case PacketKind::Data:
            return "data";
        case PacketKind::Ack:
            return "ack";
        case PacketKind::Ready:
            return "ready";
        case PacketKind::Hold:
            return "hold";
        case PacketKind::Other:
            break;
    }
    return "other";
}

std::string dropsText(const std::vector<Drop>& drops, int wire)
{
    std::string out;
    for (PacketKind kind : {PacketKind::Data, PacketKind::Ack, PacketKind::Ready, PacketKind::Hold}) {
        std::string numbers;
        for (const Drop& d : drops) {
            if (d.wire != wire || d.kind != kind) continue;
            if (!numbers.empty()) numbers += ", ";
            numbers += std::to_string(d.number);
            if (d.transmission != 1) numbers += ":" + std::to_string(d.transmission);
        }
        if (numbers.empty()) continue;
        if (!out.empty()) out += "; ";
        out += std::string(kindName(kind)) + " " + numbers;
    }
    return out;
}

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> splitAt(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = s.find(sep, start);
        parts.push_back(trimmed(s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

// A whole number of at most nine digits (so that it fits an int).
std::optional<int> smallWhole(const std::string& s)
{
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoi(s);
}

}  // namespace

std::optional<std::vector<Drop>> dropsFrom(const std::string& text, int wire)
{
    std::vector<Drop> drops;
    if (trimmed(text).empty()) return drops;
    for (const std::string& group : splitAt(text, ';')) {
        const auto blank = group.find_first_of(" \t");
        if (blank == std::string::npos) return std::nullopt;
        const auto kind = kindNamed(group.substr(0, blank));
        if (!kind) return std::nullopt;
        for (const std::string& item : splitAt(group.substr(blank + 1), ',')) {
            const auto colon = item.find(':');
            const auto number = smallWhole(trimmed(item.substr(0, colon)));
            const auto k =
                colon == std::string::npos ? std::optional<int>(1) : smallWhole(trimmed(item.substr(colon + 1)));
            if (!number || !k || *k < 1) return std::nullopt;
            drops.push_back(Drop{wire, *kind, *number, *k});
        }
    }
    return drops;
}

bool Lab::addDrop(const Drop& d)
{
    if (d.wire < 1 || d.wire > 2 || d.transmission < 1 || d.kind == PacketKind::Other) return false;
    if (std::find(m_drops.begin(), m_drops.end(), d) == m_drops.end()) m_drops.push_back(d);
    return true;
}

void Lab::clearDrops(int wire)
{
    m_drops.erase(std::remove_if(m_drops.begin(), m_drops.end(), [wire](const Drop& d) { return d.wire == wire; }),
                  m_drops.end());
    m_chosen.erase(
        std::remove_if(m_chosen.begin(), m_chosen.end(),
                       [&](const Chosen& c) { return c.wire == (wire == 1 ? &m_link.wire1 : &m_link.wire2); }),
        m_chosen.end());
}

void Lab::setSeed(std::uint64_t seed)
{
    m_seed = seed;
    m_engine.seed(seed);
}

double Lab::draw()
{
    // 53 random bits: uniform in [0, 1).
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}

std::uint64_t Lab::destroyedTotal() const
{
    return m_link.wire1.destroyedTotal() + m_link.wire2.destroyedTotal();
}

void Lab::resetDone()
{
    ++m_resets;
    m_engine.seed(m_seed);
    m_doomed.clear();
    m_chosen.clear();
    m_transmissions.clear();
    m_sending = 0;
    startCounts();
}

void Lab::restartCounts()
{
    startCounts();
}

void Lab::startCounts()
{
    m_dataSent = m_retransmissions = m_acksSent = m_lost = 0;
    m_busyMs = 0;
    m_busySince = m_link.totalTime;  // a send under way counts from now
    m_since = m_seenAt = m_link.totalTime;
    m_settings = theorySettings();
    m_changedAt.reset();
    m_txBase = m_link.transmitter.totals();
    m_rxBase = m_link.receiver.totals();
    m_dropsBase = m_link.router.dataDropsTotal();
    m_destroyedBase = destroyedTotal();
}

void Lab::packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target)
{
    using topology::Target;
    if (iIndex == topology::kTransmitter1 && iType == SendData) {
        if (pPacket.Colour == PacketColour::kDataResent) {
            ++m_retransmissions;
        } else {
            ++m_dataSent;
        }
    } else if (iIndex == topology::kReceiver1 && iType == SendACK) {
        ++m_acksSent;
    } else if (iIndex == topology::kWire1 && (iType == DataLineFree || iType == DataSendCancelled)) {
        if (m_sending > 0 && --m_sending == 0) m_busyMs += m_link.totalTime - m_busySince;
    }

    if (target == Target::Wire1PacketArrive) {
        if (!pPacket.ACKFlag && m_sending++ == 0) m_busySince = m_link.totalTime;
        choose(m_link.wire1, 1, pPacket);
        if (m_loss[0] > 0) doom(m_link.wire1, m_loss[0], pPacket);
    } else if (target == Target::Wire2PacketArrive) {
        choose(m_link.wire2, 2, pPacket);
        if (m_loss[1] > 0) doom(m_link.wire2, m_loss[1], pPacket);
    }
}

// Called before the wire takes the packet: the slot it will take is the
// wire's free slot now, and its flight starts at the wire's clock now.
void Lab::doom(Wire& wire, double p, const Packet& pPacket)
{
    if (draw() >= p) return;
    const double moment = draw() * wire.flightMs(pPacket);
    const int slot = wire.freeSlot();
    if (slot < 0) return;  // the wire is full: the packet is lost anyway
    Packet expected = pPacket;
    expected.HopStarted = m_link.totalTime;
    // The wire moves only on the main clock's ticks: a click at `moment`
    // finds the packet where the last tick at or before it left it. A flight
    // that outlasts the clock (a delay of 1e30 s typed in) is never cut short.
    const std::int64_t tick = std::max<std::int64_t>(1, m_link.clock.interval());
    const double wait = std::floor(moment / static_cast<double>(tick)) * static_cast<double>(tick);
    const std::int64_t latest = widgets::Scheduler::kLatest;
    const std::int64_t due = wait < static_cast<double>(latest - m_link.totalTime)
                                 ? m_link.totalTime + static_cast<std::int64_t>(wait)
                                 : latest;
    m_doomed.push_back(Doomed{&wire, slot, expected, due});
}

// Called before the wire takes the packet, as doom: counts the transmission
// and marks it when a chosen loss names it.
void Lab::choose(Wire& wire, int index, const Packet& pPacket)
{
    const PacketKind kind = kindOf(pPacket);
    if (kind == PacketKind::Other) return;
    const int n = ++m_transmissions[{index, kind, pPacket.Number}];
    const Drop d{index, kind, pPacket.Number, n};
    if (std::find(m_drops.begin(), m_drops.end(), d) == m_drops.end()) return;
    const int slot = wire.freeSlot();
    if (slot < 0) return;  // the wire is full: the packet is lost anyway
    Packet expected = pPacket;
    expected.HopStarted = m_link.totalTime;
    m_chosen.push_back(Chosen{&wire, slot, expected});
}

namespace {

bool stillOn(const Wire& wire, int slot, const Packet& expected)
{
    const Packet& now = wire.pktWire(slot);
    return wire.cmdPacket[slot].visible() && now.Number == expected.Number && now.ACKFlag == expected.ACKFlag &&
           now.HopStarted == expected.HopStarted && now.Colour == expected.Colour &&
           now.SequenceNumber == expected.SequenceNumber;
}

}  // namespace

void Lab::settle()
{
    const std::uint64_t resets = m_resets;
    settleChosen();
    if (resets == m_resets) settleRandom();
}

// After every timer of a millisecond: click each chosen packet that is still
// on its wire once the wire's last move has taken its head half-way across.
void Lab::settleChosen()
{
    if (m_chosen.empty()) return;
    const std::uint64_t resets = m_resets;
    std::size_t k = 0;
    while (k < m_chosen.size()) {
        const Chosen c = m_chosen[k];
        if (!stillOn(*c.wire, c.slot, c.packet)) {
            m_chosen.erase(m_chosen.begin() + static_cast<std::ptrdiff_t>(k));
            continue;
        }
        if (c.wire->headFraction(c.packet, m_link.totalTime) < 0.5) {
            ++k;
            continue;
        }
        m_chosen.erase(m_chosen.begin() + static_cast<std::ptrdiff_t>(k));
        if (onDrop) onDrop(*c.wire, c.slot);
        // The click may put new packets on or reset the window, as below.
        c.wire->cmdPacket[c.slot].click();
        if (resets != m_resets) return;
    }
}

// After every timer of a millisecond: click each doomed packet whose moment
// has come and that is still on its wire.
void Lab::settleRandom()
{
    watchSettings();
    if (m_doomed.empty()) return;
    const std::uint64_t resets = m_resets;
    std::size_t k = 0;
    while (k < m_doomed.size()) {
        const Doomed d = m_doomed[k];
        if (d.due > m_link.totalTime) {
            ++k;
            continue;
        }
        m_doomed.erase(m_doomed.begin() + static_cast<std::ptrdiff_t>(k));
        widgets::Button& b = d.wire->cmdPacket[d.slot];
        if (!stillOn(*d.wire, d.slot, d.packet)) continue;
        ++m_lost;
        if (onLoss) onLoss(*d.wire, d.slot);
        // The click may put new packets on (appended, looked at in turn) or
        // reset the window (which empties the list).
        b.click();
        if (resets != m_resets) return;
    }
}

void Lab::watchSettings()
{
    if (m_changedAt) return;
    if (m_link.totalTime == m_since) {
        m_settings = theorySettings();
    } else if (theorySettings() != m_settings) {
        // Changed since the last look, when the clock showed m_seenAt.
        m_changedAt = m_seenAt;
        return;
    }
    m_seenAt = m_link.totalTime;
}

std::optional<std::int64_t> Lab::settingsChangedAt() const
{
    if (m_changedAt) return m_changedAt;
    if (m_link.totalTime != m_since && theorySettings() != m_settings) return m_seenAt;
    return std::nullopt;
}

TheorySettings Lab::theorySettings() const
{
    TheorySettings s;
    const Topology topology = decodeTopology(m_link.topology);
    s.scenario = topology.scenario;
    s.router = topology.router;
    s.bitRate1 = m_link.wire1.currentBitRate();
    s.delay1 = m_link.wire1.currentDelay();
    s.bitRate2 = m_link.wire2.currentBitRate();
    s.delay2 = m_link.wire2.currentDelay();
    s.length = m_link.transmitter.packetLength();
    s.txProcessing = std::max(0.0, m_link.transmitter.processingSeconds());
    s.rxProcessing = std::max(0.0, m_link.receiver.processingSeconds());
    s.window = m_link.transmitter.window();
    s.loss1 = m_loss[0];
    s.loss2 = m_loss[1];
    return s;
}

Figures Lab::figures() const
{
    Figures f;
    f.elapsed = m_link.totalTime - m_since;
    f.dataSent = m_dataSent;
    f.retransmissions = m_retransmissions;
    const Receiver::Totals& rx = m_link.receiver.totals();
    f.delivered = rx.delivered - m_rxBase.delivered;
    f.ignored = rx.ignored - m_rxBase.ignored;
    f.wrong = rx.wrong - m_rxBase.wrong;
    f.deliveredWrong = rx.deliveredWrong - m_rxBase.deliveredWrong;
    f.destroyed = destroyedTotal() - m_destroyedBase;
    f.lost = m_lost;
    f.routerDrops = m_link.router.dataDropsTotal() - m_dropsBase;
    f.acksSent = m_acksSent;
    const Transmitter::Totals& tx = m_link.transmitter.totals();
    f.acksProcessed = tx.acksProcessed - m_txBase.acksProcessed;
    f.rttSamples = tx.rttSamples - m_txBase.rttSamples;
    f.rttEstimate = m_link.transmitter.rttEstimateMs();
    f.retransmitTime = m_link.transmitter.retransmitTimeMs();
    if (f.elapsed > 0) {
        const double seconds = static_cast<double>(f.elapsed) / 1000.0;
        f.goodput = static_cast<double>(f.delivered - f.deliveredWrong) / seconds;
        std::int64_t busy = m_busyMs;
        if (m_sending > 0) busy += m_link.totalTime - m_busySince;
        f.utilisation = std::clamp(static_cast<double>(busy) / static_cast<double>(f.elapsed), 0.0, 1.0);
    }
    const Theory t = theoryFor(theorySettings());
    f.theoryUtilisation = t.utilisation;
    f.theoryGoodput = t.goodput;
    return f;
}

}  // namespace lab
