// SPDX-License-Identifier: MIT
#include "session/presenter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "shell/linkdemo.h"

namespace presenter {

void step(LinkDemo& demo)
{
    if (demo.paused) demo.cmdPause.click();
    demo.scheduler().advance(demo.Timer1.interval());
    if (!demo.paused) demo.cmdPause.click();
}

std::int64_t motionTime(const LinkDemo& demo)
{
    if (demo.paused) return demo.totalTime;
    const std::int64_t interval = demo.Timer1.interval();
    const std::int64_t lastTick = demo.Timer1.due() - interval;
    return demo.totalTime + std::clamp<std::int64_t>(demo.scheduler().now() - lastTick, 0, interval);
}

std::string pauseCaption(const LinkDemo& demo, bool scriptPaused)
{
    const std::string& own = demo.cmdPause.caption();
    return scriptPaused && own == "Pause" ? std::string("Cont") : own;
}

std::string clockText(const LinkDemo& demo)
{
    const std::int64_t tenths = demo.totalTime / 100;
    return "t = " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

std::string scenarioText(const LinkDemo& demo)
{
    return demo.cmbScenario.text() + (decodeTopology(demo.topology).router ? " with router" : "");
}

std::vector<PacketRef> packetsInFlight(LinkDemo& demo)
{
    struct Entry {
        std::int64_t started;
        int wire;
        int slot;
        PacketRef ref;
    };
    std::vector<Entry> found;
    const auto all = demo.wires();
    for (std::size_t w = 0; w < all.size(); ++w) {
        Wire& wire = *all[w];
        if (!wire.reachable()) continue;
        for (int i = 0; i < Wire::kSlots; ++i) {
            if (!wire.cmdPacket[i].visible()) continue;
            found.push_back(Entry{wire.pktWire(i).HopStarted, static_cast<int>(w), i, PacketRef{&wire, i}});
        }
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.started, a.wire, a.slot) < std::tie(b.started, b.wire, b.slot);
    });
    std::vector<PacketRef> out;
    for (const Entry& e : found) out.push_back(e.ref);
    return out;
}

bool Selection::stillThere(const Held& h) const
{
    const Wire& w = *h.ref.wire;
    if (!w.reachable() || !w.cmdPacket[h.ref.slot].visible()) return false;
    const Packet& p = w.pktWire(h.ref.slot);
    return p.Number == h.number && p.HopStarted == h.hopStarted && p.ACKFlag == h.ack;
}

std::optional<PacketRef> Selection::current() const
{
    if (!m_ref || !stillThere(*m_ref)) return std::nullopt;
    return m_ref->ref;
}

void Selection::cycle(LinkDemo& demo, int direction)
{
    const std::vector<PacketRef> all = packetsInFlight(demo);
    if (all.empty()) {
        m_ref.reset();
        return;
    }
    std::size_t next = direction > 0 ? 0 : all.size() - 1;
    if (const auto now = current()) {
        const auto at = std::find(all.begin(), all.end(), *now);
        if (at != all.end()) {
            const auto i = static_cast<std::size_t>(at - all.begin());
            next = direction > 0 ? (i + 1) % all.size() : (i + all.size() - 1) % all.size();
        }
    }
    const PacketRef ref = all[next];
    const Packet& p = ref.wire->pktWire(ref.slot);
    m_ref = Held{ref, p.Number, p.HopStarted, p.ACKFlag};
}

bool Selection::choose(LinkDemo& demo, int number, bool ack)
{
    std::optional<Held> best;
    int bestRank = 0;
    for (const PacketRef& ref : packetsInFlight(demo)) {
        const Packet& p = ref.wire->pktWire(ref.slot);
        if (p.Number != number) continue;
        // Oldest first: a later one of the same rank replaces it.
        const int rank = p.ACKFlag == ack ? 2 : 1;
        if (rank >= bestRank) {
            best = Held{ref, p.Number, p.HopStarted, p.ACKFlag};
            bestRank = rank;
        }
    }
    m_ref = best;
    return best.has_value();
}

bool Selection::destroy()
{
    const auto ref = current();
    m_ref.reset();
    if (!ref) return false;
    ref->wire->cmdPacket[ref->slot].click();
    return true;
}

void followPresent(LinkDemo& demo)
{
    for (Wire* w : demo.wires()) {
        if (w->reachable()) w->FollowTime(demo.totalTime);
    }
}

void Pace::setIndex(int i)
{
    m_index = std::clamp(i, 0, static_cast<int>(std::size(kSpeeds)) - 1);
}

std::string Pace::speedText() const
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%g\xC3\x97", speed());
    return buf;
}

std::int64_t Pace::advance(std::int64_t realMs)
{
    if (realMs <= 0) return 0;
    const double exact = static_cast<double>(realMs) * speed() + m_carry;
    const double whole = std::floor(exact);
    m_carry = exact - whole;
    return static_cast<std::int64_t>(whole);
}

}  // namespace presenter
