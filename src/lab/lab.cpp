// SPDX-License-Identifier: MIT
#include "lab/lab.h"

#include <algorithm>
#include <cmath>

#include "topology/scenario.h"

namespace lab {

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

void Lab::packetDone(int iIndex, int iType, const Packet& pPacket, route::Target target)
{
    using route::Target;
    if (iIndex == route::kTransmitter1 && iType == SendData) {
        if (pPacket.Colour == pkt::kDataResent) {
            ++m_retransmissions;
        } else {
            ++m_dataSent;
        }
    } else if (iIndex == route::kReceiver1 && iType == SendACK) {
        ++m_acksSent;
    } else if (iIndex == route::kWire1 && (iType == DataLineFree || iType == DataSendCancelled)) {
        if (m_sending > 0 && --m_sending == 0) m_busyMs += m_link.totalTime - m_busySince;
    }

    if (target == Target::Wire1PacketArrive) {
        if (!pPacket.ACKFlag && m_sending++ == 0) m_busySince = m_link.totalTime;
        if (m_loss[0] > 0) doom(m_link.wire1, m_loss[0], pPacket);
    } else if (target == Target::Wire2PacketArrive) {
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

// After every timer of a millisecond: click each doomed packet whose moment
// has come and that is still on its wire.
void Lab::settle()
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
        const Packet& now = d.wire->pktWire(d.slot);
        const bool stillThere = b.visible() && now.Number == d.packet.Number && now.ACKFlag == d.packet.ACKFlag &&
                                now.HopStarted == d.packet.HopStarted && now.Colour == d.packet.Colour &&
                                now.SequenceNumber == d.packet.SequenceNumber;
        if (!stillThere) continue;
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
