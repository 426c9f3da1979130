// SPDX-License-Identifier: MIT
#include "explain/explain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <nlohmann/json.hpp>

#include "widgets/numbers.h"

namespace explain {

namespace {

using SlotState = Transmitter::SlotState;
using topology::Target;

std::string str(std::int64_t n)
{
    return std::to_string(n);
}

// Seconds with one decimal: "5.6 s".
std::string seconds(std::int64_t ms)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.1f s", static_cast<double>(ms) / 1000.0);
    return buf;
}

// "3", "3 and 4", "3, 4 and 5".
std::string listOf(const std::vector<std::int64_t>& v)
{
    std::string s;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) s += i + 1 == v.size() ? " and " : ", ";
        s += str(v[i]);
    }
    return s;
}

std::string wireName(int iIndex)
{
    return "Wire " + str(iIndex);
}

bool isOutstanding(SlotState s)
{
    return s == SlotState::Sending || s == SlotState::Sent || s == SlotState::Resending || s == SlotState::Resent;
}

// "Data packet 3", "Acknowledgement 4", "Ready message", "Hold message".
std::string packetName(const Packet& p)
{
    if (p.Colour == PacketColour::kReady) return "Ready message";
    if (p.Colour == PacketColour::kHold) return "Hold message";
    if (p.ACKFlag) return "Acknowledgement " + str(p.Number);
    return "Data packet " + str(p.Number);
}

std::string lowerFirst(std::string s)
{
    if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
    return s;
}

// "single", "cumulative", "selective"; empty for a Ready or Hold message.
std::string ackKind(const Packet& p)
{
    if (p.Colour == PacketColour::kReady || p.Colour == PacketColour::kHold) return "";
    if (p.CumulativeACKFlag) return p.SelectiveACKFlag ? "selective" : "cumulative";
    return "single";
}

std::optional<std::int32_t> numberOf(const Packet& p)
{
    if (p.Colour == PacketColour::kReady || p.Colour == PacketColour::kHold) return std::nullopt;
    return p.Number;
}

bool isArriving(Receiver::SlotMark m)
{
    return m == Receiver::SlotMark::Incoming || m == Receiver::SlotMark::Misnumbered;
}

}  // namespace

std::string jsonLine(const Line& line)
{
    nlohmann::ordered_json j;
    j["time"] = line.time;
    j["text"] = line.text;
    j["packet"] = line.packet ? nlohmann::ordered_json(*line.packet) : nlohmann::ordered_json(nullptr);
    return "{\"explain\": " + j.dump() + "}";
}

Topic topicFor(int iIndex, int iType, Target target)
{
    const bool onWire = iIndex == topology::kWire1 || iIndex == topology::kWire1 + 1;
    if (iType == ResetRequest) return iIndex == topology::kTransmitter1 ? Topic::RttMeasured : Topic::Silent;
    // A destruction is worth a sentence even where nobody is told of it.
    if (onWire && (iType == DataSendCancelled || iType == DataArrivalKilled || iType == ACKSendCancelled ||
                   iType == ACKArrivalKilled)) {
        return Topic::Destroyed;
    }
    if (target == Target::Ignored) return Topic::Silent;
    if (iIndex == topology::kTransmitter1 && iType == SendData) return Topic::Send;
    if (iIndex == topology::kQueue1 && (iType == SendData || iType == SendACK)) return Topic::Forward;
    if (iIndex == topology::kReceiver1 && iType == SendACK) return Topic::AckSent;
    if (!onWire) return Topic::Silent;
    switch (iType) {
        case DataLineFree:
        case ACKLineFree:
            return Topic::LineFree;
        case DataHeadArrived:
            return target == Target::Receiver1Arriving ? Topic::ReceiverHead : Topic::RouterHead;
        case ACKHeadArrived:
            return Topic::RouterHead;
        case DataArrived:
            // At the router the packet waits for its output: Forward says it.
            return target == Target::Receiver1Arrive ? Topic::ReceiverArrived : Topic::Silent;
        case ACKArrived:
            return target == Target::Transmitter1Arrive ? Topic::AckAtTransmitter : Topic::Silent;
        default:
            return Topic::Silent;
    }
}

// ---- the explainer ---------------------------------------------------------

// The explainer's link in the scheduler's onSettled: what ran there before
// it, then the explainer while it lives.
struct Explainer::SettleLink {
    Explainer* explainer;
    std::function<void()> before;
};

namespace {

struct SettleHook {
    std::shared_ptr<Explainer::SettleLink> link;
    void operator()() const;
};

}  // namespace

void SettleHook::operator()() const
{
    // Kept alive by the hook: the explainer may go while it runs.
    const std::shared_ptr<Explainer::SettleLink> keep = link;
    if (keep->before) keep->before();
    if (keep->explainer) keep->explainer->settled();
}

Explainer::Explainer(LinkDemo& demo) : m_demo(demo)
{
    resetDone();
    // After whatever runs at the end of each millisecond already (the lab's
    // random loss), so that its clicks are seen in the same call.
    m_settle = std::make_shared<SettleLink>(SettleLink{this, m_demo.scheduler().onSettled});
    m_demo.scheduler().onSettled = SettleHook{m_settle};
    m_demo.addObserver(this);
}

Explainer::~Explainer()
{
    m_demo.removeObserver(this);
    // Still the last link: taken out. Another explainer chained after it
    // (a played script's and the window's, ended in the other order): the
    // link stays, passing through to what ran before.
    std::function<void()>& settled = m_demo.scheduler().onSettled;
    const SettleHook* last = settled.target<SettleHook>();
    m_settle->explainer = nullptr;
    if (last != nullptr && last->link == m_settle) settled = m_settle->before;
}

void Explainer::say(std::string text, std::optional<std::int32_t> packet)
{
    if (onLine) onLine(Line{m_demo.totalTime, std::move(text), packet, false});
}

void Explainer::say(std::string text, const Packet& p)
{
    if (onLine) onLine(Line{m_demo.totalTime, std::move(text), numberOf(p), p.ACKFlag && numberOf(p).has_value()});
}

void Explainer::settled()
{
    flush();
    m_gone.clear();
}

void Explainer::flush(bool windowFull)
{
    std::vector<std::function<void()>> pending;
    pending.swap(m_pending);
    for (auto& f : pending) f();
    compareWires();
    compareReceiver();
    compareTransmitter(windowFull);
}

// A packet gone from its wire without having arrived was destroyed: a
// packet in the middle of the wire goes without a report.
void Explainer::compareWires()
{
    for (int w = 0; w < 2; ++w) {
        const Wire& wire = w == 0 ? m_demo.Wire1 : m_demo.Wire2;
        for (int i = 0; i < Wire::kSlots; ++i) {
            OnWire& was = m_onWire[static_cast<std::size_t>(w)][static_cast<std::size_t>(i)];
            const bool shown = wire.cmdPacket[i].visible();
            const Packet& p = wire.pktWire(i);
            const bool same = shown && was.shown && p.Number == was.packet.Number && p.ACKFlag == was.packet.ACKFlag;
            if (was.shown && !same && !was.arrived) explainDestroyed(w + 1, was.packet);
            if (!same) was = OnWire{shown, shown ? p : Packet{}, false};
        }
    }
}

void Explainer::markArrived(int iIndex, const Packet& p)
{
    if (iIndex != 1 && iIndex != 2) return;
    // Of two copies of one packet on a wire, the one put on first arrives.
    OnWire* first = nullptr;
    for (OnWire& o : m_onWire[static_cast<std::size_t>(iIndex - 1)]) {
        if (!o.shown || o.arrived || o.packet.Number != p.Number || o.packet.ACKFlag != p.ACKFlag) continue;
        if (!first || o.packet.HopStarted < first->packet.HopStarted) first = &o;
    }
    if (first) first->arrived = true;
}

// The Ready/Hold box, and deliveries no arrival made (a click on Ready
// delivers the packets that waited).
void Explainer::compareReceiver()
{
    const Receiver& rx = m_demo.Receiver1;
    const bool ready = rx.state().rxReady;
    if (ready != m_rxReady) {
        say(ready ? "The receiver is Ready again: it delivers what waits and takes new packets"
                  : "The receiver is on Hold: it delivers nothing until Ready");
        m_rxReady = ready;
    }
    const std::uint64_t delivered = rx.totals().delivered;
    if (delivered > m_rxDelivered) {
        const std::uint64_t d = delivered - m_rxDelivered;
        say("The receiver delivers " + str(static_cast<std::int64_t>(d)) +
            (d == 1 ? " packet that waited" : " packets that waited") + " in its window; it now expects " +
            str(rx.slotNumber(0)));
    }
    m_rxDelivered = delivered;
}

void Explainer::resetDone()
{
    m_pending.clear();
    m_acksWaiting.clear();
    m_gone.clear();
    m_tx = snapshot();
    m_rxReady = m_demo.Receiver1.state().rxReady;
    m_rxDelivered = m_demo.Receiver1.totals().delivered;
    for (int w = 0; w < 2; ++w) {
        const Wire& wire = w == 0 ? m_demo.Wire1 : m_demo.Wire2;
        for (int i = 0; i < Wire::kSlots; ++i) {
            const bool shown = wire.cmdPacket[i].visible();
            m_onWire[static_cast<std::size_t>(w)][static_cast<std::size_t>(i)] =
                OnWire{shown, shown ? wire.pktWire(i) : Packet{}, false};
        }
    }
}

Explainer::TxSnapshot Explainer::snapshot() const
{
    const Transmitter& tx = m_demo.Transmitter1;
    const Transmitter::State st = tx.state();
    TxSnapshot s;
    s.window = tx.window();
    s.acksProcessed = tx.totals().acksProcessed;
    s.rttSamples = tx.totals().rttSamples;
    s.retransmitTime = tx.retransmitTimeMs();
    s.sendPermitted = st.sendPermitted;
    bool sendable = false;
    bool outstanding = false;
    for (int i = 0; i < s.window; ++i) {
        s.numbers.push_back(tx.slotNumber(i));
        s.states.push_back(tx.slotState(i));
        const SlotState state = s.states.back();
        const bool within = !st.waitForAck || st.maxSequence < 1 || s.numbers.back() - s.numbers.front() < s.window;
        if ((state == SlotState::New && within) || state == SlotState::Expired) sendable = true;
        if (isOutstanding(state)) outstanding = true;
    }
    s.full = st.waitForAck && outstanding && !sendable;
    return s;
}

void Explainer::compareTransmitter(bool windowFull)
{
    const TxSnapshot now = snapshot();
    const TxSnapshot before = std::exchange(m_tx, now);
    // A window filled by the packet being sent is said after it, at the
    // next call: until then it counts as not full, as it was for the send.
    if (!windowFull) m_tx.full = false;
    // A new window size relabels every slot: nothing to explain.
    if (now.window != before.window) return;
    const Transmitter& tx = m_demo.Transmitter1;
    const auto stateBefore = [&](std::int64_t number) -> std::optional<SlotState> {
        for (std::size_t i = 0; i < before.numbers.size(); ++i) {
            if (before.numbers[i] == number) return before.states[i];
        }
        return std::nullopt;
    };

    if (now.acksProcessed > before.acksProcessed) {
        std::optional<Packet> ack;
        for (std::uint64_t k = before.acksProcessed; k < now.acksProcessed && !m_acksWaiting.empty(); ++k) {
            ack = m_acksWaiting.front();
            m_acksWaiting.pop_front();
        }
        if (ack && ack->Colour != PacketColour::kReady && ack->Colour != PacketColour::kHold) {
            std::vector<std::int64_t> acked;
            for (std::size_t i = 0; i < before.numbers.size(); ++i) {
                if (before.states[i] == SlotState::Acknowledged) continue;
                const auto it = std::find(now.numbers.begin(), now.numbers.end(), before.numbers[i]);
                const bool left = it == now.numbers.end();
                if (left || now.states[static_cast<std::size_t>(it - now.numbers.begin())] == SlotState::Acknowledged) {
                    acked.push_back(before.numbers[i]);
                }
            }
            std::string text = "Transmitter processes acknowledgement " + str(ack->Number) + ": ";
            if (acked.empty()) {
                text += "it acknowledges nothing new";
            } else {
                text += (acked.size() == 1 ? "packet " : "packets ") + listOf(acked) + " acknowledged; ";
                if (now.numbers.front() != before.numbers.front()) {
                    text += "the window slides on to " + str(now.numbers.front());
                    if (now.window > 1) text += "-" + str(now.numbers.back());
                } else {
                    text += "the window waits for packet " + str(now.numbers.front());
                }
            }
            say(text, *ack);
        }
    }
    if (now.rttSamples > before.rttSamples) {
        if (tx.retransmitTimeMs() >= 1) {
            say("RTT sample: " + seconds(tx.rttEstimateMs()) + "; the retransmission time is now " +
                seconds(tx.retransmitTimeMs()));
        } else {
            say("RTT sample: " + seconds(tx.rttEstimateMs()) + " (no retransmission timer here)");
        }
    }
    if (before.sendPermitted && !now.sendPermitted) say("Transmitter processes Hold: it sends nothing until Ready");
    if (!before.sendPermitted && now.sendPermitted) say("Transmitter processes Ready: it may send again");

    // Timers that ran out: outstanding before, Expired now.
    std::vector<std::int64_t> expired;
    int first = -1;
    for (int i = 0; i < now.window; ++i) {
        if (now.states[static_cast<std::size_t>(i)] != SlotState::Expired) continue;
        const auto was = stateBefore(now.numbers[static_cast<std::size_t>(i)]);
        if (!was || !isOutstanding(*was)) continue;
        if (first < 0) first = i;
        expired.push_back(now.numbers[static_cast<std::size_t>(i)]);
    }
    if (!expired.empty()) {
        const Transmitter::State st = tx.state();
        const auto ranFor = [&](int slot) { return seconds(st.txClock - tx.pktTx(slot).TimeStarted); };
        if (st.individualRetransmit) {
            for (int i = 0; i < now.window; ++i) {
                const std::int64_t n = now.numbers[static_cast<std::size_t>(i)];
                if (std::find(expired.begin(), expired.end(), n) == expired.end()) continue;
                say("The timer of packet " + str(n) + " ran out after " + ranFor(i) + ": Selective Repeat sends " +
                        str(n) + " again",
                    static_cast<std::int32_t>(n));
            }
        } else {
            const std::string who = now.window > 1 ? "Go-back-N" : "Stop & Wait ARQ";
            say("The timer of packet " + str(expired.front()) + " ran out after " + ranFor(first) + ": " + who +
                    " sends " + listOf(expired) + " again",
                static_cast<std::int32_t>(expired.front()));
        }
    }

    if (windowFull && now.full && !before.full) {
        int waiting = 0;
        std::vector<std::int64_t> blocked;
        for (std::size_t i = 0; i < now.states.size(); ++i) {
            waiting += isOutstanding(now.states[i]) ? 1 : 0;
            if (now.states[i] == SlotState::New) blocked.push_back(now.numbers[i]);
        }
        std::string text = "Window full (" + str(waiting) + (waiting == 1 ? " packet" : " packets") + " unacknowledged";
        if (blocked.empty()) {
            say(text + "): the transmitter waits");
        } else {
            // Acknowledged packets left from behind the oldest: the new ones
            // would be a window or more beyond it.
            const std::int64_t oldest = now.numbers.front();
            say(text + "; " + listOf(blocked) + (blocked.size() == 1 ? " is" : " are") +
                    " a window or more beyond packet " + str(oldest) + "): the transmitter waits for packet " +
                    str(oldest),
                static_cast<std::int32_t>(oldest));
        }
    }
}

void Explainer::destroying(int wire, int slot, Cause cause)
{
    flush();
    const Wire& w = wire == 2 ? m_demo.Wire2 : m_demo.Wire1;
    if (slot < 0 || slot >= Wire::kSlots || !w.cmdPacket[slot].visible()) return;
    const Packet& p = w.pktWire(slot);
    m_gone.push_back(Gone{wire, p.Number, p.ACKFlag});
    std::string how;
    switch (cause) {
        case Cause::Click:
            how = " is destroyed on " + wireName(wire) + " by a click";
            break;
        case Cause::Key:
            how = " is destroyed on " + wireName(wire) + " by a key";
            break;
        case Cause::RandomLoss:
            how = " is lost on " + wireName(wire) + " (random loss)";
            break;
        case Cause::Chosen:
            how = " is lost on " + wireName(wire) + " (a chosen loss)";
            break;
    }
    say(packetName(p) + how, p);
}

void Explainer::packetDone(int iIndex, int iType, const Packet& pPacket, Target target)
{
    const Topic topic = topicFor(iIndex, iType, target);
    // Wholly arrived: its leaving the wire is no loss.
    if (iType == DataArrived || iType == ACKArrived) markArrived(iIndex, pPacket);
    flush(topic != Topic::Send);
    switch (topic) {
        case Topic::Silent:
            break;
        case Topic::Send:
            explainSend(pPacket);
            break;
        case Topic::Forward:
            explainForward(iType, pPacket);
            break;
        case Topic::AckSent:
            explainAckSent(pPacket);
            break;
        case Topic::LineFree:
            explainLineFree(iIndex, iType, pPacket);
            break;
        case Topic::Destroyed:
            explainDestroyed(iIndex, pPacket);
            break;
        case Topic::ReceiverHead:
            explainReceiverHead(pPacket);
            break;
        case Topic::ReceiverArrived:
            explainReceiverArrived(pPacket);
            break;
        case Topic::RouterHead:
            explainRouterHead(pPacket);
            break;
        case Topic::AckAtTransmitter:
            m_acksWaiting.push_back(pPacket);
            say(packetName(pPacket) + " reaches the transmitter", pPacket);
            break;
        case Topic::RttMeasured:
            say("Measure RTT: the round trip gives an RTT of " + seconds(m_demo.Transmitter1.rttEstimateMs()) +
                " and a retransmission time of " + seconds(m_demo.Transmitter1.retransmitTimeMs()) +
                "; everything starts afresh");
            break;
    }
}

void Explainer::explainSend(const Packet& p)
{
    std::string text = "Transmitter sends data packet " + str(p.Number);
    if (p.ShowSequenceFlag) text += " (sequence " + str(p.SequenceNumber) + ")";
    if (p.Colour == PacketColour::kDataResent) text += " again";
    say(text, p.Number);
}

void Explainer::explainForward(int iType, const Packet& p)
{
    const bool ack = iType == SendACK;
    say("Router forwards " + lowerFirst(packetName(p)) + " onto " + wireName(ack ? 1 : 2), p);
}

void Explainer::explainAckSent(const Packet& p)
{
    if (p.Colour == PacketColour::kReady) {
        say("Receiver sends Ready: the transmitter may send again");
        return;
    }
    if (p.Colour == PacketColour::kHold) {
        say("Receiver sends Hold: the transmitter must stop sending");
        return;
    }
    const std::string kind = ackKind(p);
    std::string text = "Receiver sends acknowledgement " + str(p.Number) + " (" + kind + "): ";
    if (kind == "single") {
        text += "packet " + str(p.Number - 1) + " has arrived";
    } else if (kind == "cumulative") {
        text += p.Number > 0 ? "every packet before " + str(p.Number) + " has arrived"
                             : "no packet has arrived in order yet; the receiver still expects 0";
    } else {
        text += "the packet with sequence " + str(p.TriggerNumber) + " has arrived";
        text += p.Number > 0 ? ", and every packet before " + str(p.Number)
                             : ", but none in order yet; the receiver still expects 0";
    }
    say(text, p);
}

void Explainer::explainLineFree(int iIndex, int iType, const Packet& p)
{
    const bool router = m_demo.topology >= 10 && m_demo.topology < 20;
    std::string sender;
    if (iType == DataLineFree) {
        sender = iIndex == topology::kWire1 ? "the transmitter" : "the router";
    } else {
        sender = router && iIndex == topology::kWire1 ? "the router" : "the receiver";
    }
    say(packetName(p) + " has been sent: it is wholly on " + wireName(iIndex) + ", and " + sender +
            " may send the next",
        p);
}

void Explainer::explainDestroyed(int iIndex, const Packet& p)
{
    for (const Gone& g : m_gone) {
        if (g.wire == iIndex && g.number == p.Number && g.ack == p.ACKFlag) return;
    }
    m_gone.push_back(Gone{iIndex, p.Number, p.ACKFlag});
    say(packetName(p) + " is lost on " + wireName(iIndex), p);
}

void Explainer::explainReceiverHead(const Packet& p)
{
    const Receiver& rx = m_demo.Receiver1;
    const Receiver::State st = rx.state();
    const Receiver::Totals totals = rx.totals();
    const bool inWindow = Receiver::kRxPolicies.is(rx.cmbRxPolicy.text(), Receiver::RxPolicy::InWindow);
    const std::int64_t n = p.Number;
    bool held = n < st.rxBase;
    int lowestEmpty = -1;
    for (int i = 0; i < st.rxWindow; ++i) {
        const Packet& r = rx.pktRxQueue(i);
        if (r.Active && r.Number == n) held = true;
        if (!r.Active && lowestEmpty < 0) lowestEmpty = i;
    }
    const std::int64_t expected = rx.slotNumber(lowestEmpty < 0 ? 0 : lowestEmpty);
    const std::int64_t first = rx.slotNumber(0);
    const std::int64_t last = rx.slotNumber(st.rxWindow - 1);
    const bool full = lowestEmpty < 0;
    m_pending.push_back([this, n, seq = p.SequenceNumber, st, totals, inWindow, held, expected, first, last, full] {
        const Receiver& r = m_demo.Receiver1;
        const auto number = static_cast<std::int32_t>(n);
        if (r.totals().ignored > totals.ignored) {
            std::string why;
            if (held) {
                why = "Packet " + str(n) + " arrives again, but the receiver has it already: ignored";
            } else if (full) {
                why = "Packet " + str(n) + " arrives while every place in the receiver's window is taken: ignored";
            } else if (!inWindow) {
                why = "Packet " + str(n) + " arrives while the receiver expects " + str(expected) +
                      ": ignored (In Order)";
            } else {
                why = "Packet " + str(n) + " is beyond the window (" + str(first) + " to " + str(last) +
                      "): ignored (In Window)";
            }
            say(why, number);
            return;
        }
        int k = -1;
        for (int i = 0; i < st.rxWindow; ++i) {
            if (isArriving(r.slotMark(i)) && r.pktRxQueue(i).Number == n) {
                k = i;
                break;
            }
        }
        if (k < 0) return;
        if (r.totals().wrong > totals.wrong) {
            const std::int64_t owner = std::int64_t{st.rxBase} + k;
            if (st.maxSequence > 0) {
                say("Wrong! Packet " + str(n) + " has sequence " + str(seq) + ", which also belongs to packet " +
                        str(owner) + " inside the window: the sequence numbers are too few for these windows",
                    number);
            } else {
                say("Wrong! Packet " + str(n) + " is taken in the place of packet " + str(owner) +
                        ": without sequence numbers the receiver cannot tell packets apart",
                    number);
            }
        } else if (k > 0) {
            say("Packet " + str(n) +
                    " arrives out of order and is kept in the window (In Window); the receiver "
                    "still expects " +
                    str(r.slotNumber(0)),
                number);
        }
    });
}

void Explainer::explainReceiverArrived(const Packet& p)
{
    const Receiver& rx = m_demo.Receiver1;
    const Receiver::State st = rx.state();
    int f = -1;
    for (int i = 0; i < st.rxWindow; ++i) {
        if (isArriving(rx.slotMark(i))) {
            f = i;
            break;
        }
    }
    if (f < 0) return;  // ignored when its head arrived: said then
    const std::uint64_t delivered = rx.totals().delivered;
    const std::int64_t owner = std::int64_t{st.rxBase} + f;
    m_pending.push_back([this, n = p.Number, f, delivered, owner, ready = st.rxReady] {
        const Receiver& r = m_demo.Receiver1;
        const std::uint64_t d = r.totals().delivered - delivered;
        m_rxDelivered = r.totals().delivered;
        const std::string next = str(r.slotNumber(0));
        if (d > 0 && f == 0 && owner != n) {
            say("Packet " + str(n) + " arrives and is delivered as packet " + str(owner) +
                    " (Wrong!); the receiver now expects " + next,
                n);
        } else if (d == 1) {
            say("Packet " + str(n) + " arrives as expected and is delivered; the receiver now expects " + next, n);
        } else if (d > 1) {
            say("Packet " + str(n) + " arrives and is delivered with the " + str(static_cast<std::int64_t>(d - 1)) +
                    (d == 2 ? " packet" : " packets") + " waiting behind it; the receiver now expects " + next,
                n);
        } else if (f == 0 && !ready) {
            say("Packet " + str(n) + " has arrived, but the receiver is on Hold: it waits in the window until Ready",
                n);
        } else {
            say("Packet " + str(n) + " has arrived and waits in the window for packet " + next, n);
        }
    });
}

void Explainer::explainRouterHead(const Packet& p)
{
    const Queue& q = m_demo.Queue1;
    const int size = q.Size();
    const std::string name = lowerFirst(packetName(p));
    if (p.ACKFlag) {
        bool room = false;
        for (int d = 0; d < size; ++d) room = room || !q.pktA(d).Active;
        say(room ? "Router stores " + name
                 : "Router drops " + name + ": its acknowledgement queue is full (" + str(size) + " places)",
            p);
        return;
    }
    int count = 0;
    for (int m = 0; m < size; ++m) count += q.pktQ(m).Active ? 1 : 0;
    const bool red = Queue::kDropPolicies.is(q.cmbDropPolicy.text(), Queue::DropPolicy::RED);
    const double threshold = widgets::num::textValue(q.cmbCongestionThreshold.text());
    const std::uint64_t drops = q.dataDropsTotal();
    m_pending.push_back([this, name, number = p.Number, count, size, red, threshold, drops] {
        if (m_demo.Queue1.dataDropsTotal() == drops) {
            say("Router stores " + name + " (" + str(count + 1) + " of " + str(size) + " places taken)", number);
        } else if (red && count >= threshold && count < size) {
            say("Router drops " + name + " (RED): its queue holds " + str(count) +
                    (count == 1 ? " packet" : " packets") + ", at or above the congestion threshold of " +
                    str(static_cast<std::int64_t>(threshold)) +
                    ": there RED drops an arriving packet with probability one half",
                number);
        } else {
            say("Router drops " + name + " (Drop Tail): its queue is full (" + str(size) +
                    (size == 1 ? " place)" : " places)"),
                number);
        }
    });
}

// ---- plain-word descriptions ------------------------------------------------

std::string packetText(const Packet& p, const std::string& towards)
{
    if (p.Colour == PacketColour::kReady) return "Ready message on its way to the " + towards + ": sending may go on";
    if (p.Colour == PacketColour::kHold) return "Hold message on its way to the " + towards + ": sending must stop";
    if (p.ACKFlag) {
        return "Acknowledgement " + str(p.Number) + " (" + ackKind(p) + ") on its way to the " + towards;
    }
    std::string s = "Data packet " + str(p.Number);
    if (p.Colour == PacketColour::kDataResent) s += " (sent again)";
    if (p.ShowSequenceFlag) s += ", sequence " + str(p.SequenceNumber);
    s += ", on its way to the " + towards + " (sent at " + seconds(p.HopStarted) + ")";
    return s;
}

std::string wirePacketText(const LinkDemo& demo, const Wire& wire, int slot)
{
    if (slot < 0 || slot >= Wire::kSlots || !wire.cmdPacket[slot].visible()) return "";
    const Packet& p = wire.pktWire(slot);
    const bool router = demo.topology >= 10 && demo.topology < 20;
    std::string towards;
    if (p.ACKFlag) {
        towards = router && &wire == &demo.Wire2 ? "router" : "transmitter";
    } else {
        towards = router && &wire == &demo.Wire1 ? "router" : "receiver";
    }
    return packetText(p, towards);
}

std::string transmitterSlotText(const Transmitter& tx, int slot)
{
    if (slot < 0 || slot >= tx.window()) return "";
    const Transmitter::State st = tx.state();
    std::string s = "Packet " + str(tx.slotNumber(slot));
    if (st.maxSequence > 0) s += " (sequence " + str(tx.slotSequenceLabel(slot)) + ")";
    const SlotState state = tx.slotState(slot);
    switch (state) {
        case SlotState::New:
            s += ": not sent yet";
            break;
        case SlotState::Sending:
            s += ": being put on the wire";
            break;
        case SlotState::Sent:
            s += st.waitForAck ? ": sent, waiting for its acknowledgement" : ": sent";
            break;
        case SlotState::Expired:
            s += ": its timer ran out; it is sent again as soon as the line is free";
            break;
        case SlotState::Resending:
            s += ": being put on the wire again";
            break;
        case SlotState::Resent:
            s += ": sent again, waiting for its acknowledgement";
            break;
        case SlotState::Acknowledged:
            s += ": acknowledged; it leaves the window once the packets before it have";
            break;
        case SlotState::Unknown:
            break;
    }
    const bool timed = slot == 0 || st.individualTimers;
    if (isOutstanding(state) && st.reliable && timed && st.retransmitTime >= 1) {
        s += "; " + seconds(std::max<std::int64_t>(0, tx.pktTx(slot).HopStarted - st.txClock)) + " left on its timer";
    }
    return s;
}

std::string receiverSlotText(const Receiver& rx, int slot)
{
    const Receiver::State st = rx.state();
    if (slot < 0 || slot >= st.rxWindow) return "";
    const std::int64_t expected = rx.slotNumber(slot);
    std::string s = "Expects packet " + str(expected);
    if (st.maxSequence > 0) s += " (sequence " + str(rx.slotSequence(slot)) + ")";
    const Packet& r = rx.pktRxQueue(slot);
    switch (rx.slotMark(slot)) {
        case Receiver::SlotMark::Fresh:
        case Receiver::SlotMark::Idle:
            return s + "; nothing has arrived";
        case Receiver::SlotMark::Incoming:
            return s + "; it is arriving";
        case Receiver::SlotMark::Misnumbered:
            return s + "; packet " + str(r.Number) + " is arriving in its place";
        case Receiver::SlotMark::Arrived:
            break;
    }
    s = "Packet " + str(r.Number) + " has arrived";
    if (slot > 0) return s + "; it waits for the packets before it";
    return s + (st.rxReady ? "" : "; it waits until the receiver is Ready");
}

std::string readyHoldText(const Receiver& rx)
{
    const bool software = Receiver::kAckModes.is(rx.cmbAckMode.text(), Receiver::AckMode::Software);
    if (rx.state().rxReady) {
        return std::string("The receiver is Ready: a click puts it on Hold, and it delivers nothing more") +
               (software ? " and sends Hold to the transmitter" : "");
    }
    return std::string("The receiver is on Hold: a click makes it Ready, and it delivers the packets that wait") +
           (software ? " and sends Ready to the transmitter" : "");
}

namespace {

// "1.0", "0.25", "12.5": at least one decimal, at most three; "1e+308"
// from a million on.
std::string settingNumber(double v)
{
    char buf[64];
    if (std::fabs(v) >= 1e6) {
        std::snprintf(buf, sizeof buf, "%.6g", v);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string t = buf;
    while (t.size() > 1 && t.back() == '0' && t[t.size() - 2] != '.') t.pop_back();
    return t;
}

// The leading number of a text as the model reads it (widgets::num::textValue), and
// whether the text is that number alone (blanks around it aside).
struct Reading {
    bool number = false;  // a number leads the text
    bool whole = false;   // nothing but the number
    bool overflow = false;
    double value = 0;
};

Reading readSetting(const std::string& text)
{
    Reading r;
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return r;
    // The same run widgets::num::textValue takes: sign, digits, point, exponent.
    const char* p = begin;
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    while (*p >= '0' && *p <= '9') ++p, digits = true;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p, digits = true;
    }
    if (!digits) return r;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') ++q;
            p = q;
        }
    }
    r.number = true;
    const std::string run(begin, p);
    const double v = std::strtod(run.c_str(), nullptr);
    r.overflow = !std::isfinite(v);
    r.value = widgets::num::textValue(text);
    while (*p == ' ' || *p == '\t') ++p;
    r.whole = *p == '\0';
    return r;
}

struct Setting {
    const char* label;  // "Delay"
    const char* noun;   // "a delay"
    const char* about;  // what the number is, after it
    const char* unit;   // " s", or "" for a plain number
};

SettingWords wordsFor(const Setting& s, const std::string& text, double inForce)
{
    const std::string force = settingNumber(inForce) + s.unit;
    SettingWords w;
    w.tooltip = std::string(s.label) + ": " + s.about + "; in force: " + force;
    const Reading r = readSetting(text);
    const std::string quoted = "\"" + text + "\"";
    const std::string label = std::string(s.label) + ": ";
    if (!r.number) {
        w.problem = label + quoted + " is not " + s.noun + "; " + force + " stays in force";
    } else if (r.overflow) {
        // Read as the largest number the model holds, which is then in force.
        w.problem = label + quoted + " is too large to be read as typed; " + force + " is in force";
    } else if (!(r.value > 0)) {
        w.problem = label + quoted + " is not " + s.noun + " (it must be more than 0); " + force + " stays in force";
    } else if (!r.whole) {
        w.problem = label + quoted + " is read as " + settingNumber(r.value) + s.unit;
    }
    return w;
}

// The fields below are read again as soon as they change (or when they are
// next needed), so the text itself is always what is in force: a text that
// is no number is read as 0, and the words say what 0 then means.

std::string quotedLabel(const char* label, const std::string& text)
{
    return std::string(label) + ": \"" + text + "\"";
}

std::string wholeNumber(std::int64_t v)
{
    return std::to_string(v);
}

// Milliseconds as seconds, exactly: "0.0 s", "0.5 s", "2147483.647 s".
std::string secondsText(std::int64_t ms)
{
    const std::int64_t whole = ms / 1000;
    std::int64_t part = std::abs(ms % 1000);
    std::string t = (ms < 0 && whole == 0 ? "-" : "") + std::to_string(whole) + ".";
    if (part == 0) return t + "0 s";
    std::string digits = std::to_string(part + 1000).substr(1);
    while (digits.back() == '0') digits.pop_back();
    return t + digits + " s";
}

// A whole number read with widgets::num::toInteger: rounded half to even, clamped to
// the Integer range.
struct WholeReading {
    Reading r;
    int value = 0;
    bool clamped = false;  // past the Integer range
    bool rounded = false;  // a fraction, or text after the number
};

WholeReading readWhole(const std::string& text)
{
    WholeReading w;
    w.r = readSetting(text);
    w.value = widgets::num::toInteger(w.r.value);
    const double rounded = widgets::num::roundEven(w.r.value);
    w.clamped = w.r.overflow || rounded > widgets::num::kIntegerMax || rounded < widgets::num::kIntegerMin;
    w.rounded = w.r.number && (!w.r.whole || rounded != w.r.value);
    return w;
}

// Max Sequence, the transmitter's or the receiver's: numbers count from 0 to
// it and wrap; below 1 there are no sequence numbers at all.
SettingWords maxSequenceWords(const char* label, const std::string& text, int inForce)
{
    SettingWords w;
    w.tooltip = std::string(label) +
                ": the highest sequence number (numbers count from 0 to it, then wrap; below 1, no sequence "
                "numbers); in force: " +
                (inForce < 1 ? wholeNumber(inForce) + " (no sequence numbers)" : wholeNumber(inForce));
    const WholeReading n = readWhole(text);
    const std::string head = quotedLabel(label, text);
    if (!n.r.number) {
        w.problem = head + " is not a number; read as 0: no sequence numbers";
    } else if (n.clamped) {
        w.problem =
            head + " is out of range; read as " + wholeNumber(n.value) + (n.value < 1 ? ": no sequence numbers" : "");
    } else if (n.value < 0) {
        w.problem = head + " is below 0; read as " + wholeNumber(n.value) + ": no sequence numbers";
    } else if (n.rounded) {
        w.problem = head + " is read as " + wholeNumber(n.value) + (n.value < 1 ? ": no sequence numbers" : "");
    }
    return w;
}

// The transmitter's Packet Size: whole, 0 or more (0 is a legal size).
SettingWords packetLengthWords(const std::string& text, int inForce)
{
    const char* label = "Packet Size";
    SettingWords w;
    w.tooltip = std::string(label) +
                ": the size L of each data packet (it takes L / (4 x rate) s to put on the wire); in force: " +
                wholeNumber(inForce);
    const WholeReading n = readWhole(text);
    const std::string head = quotedLabel(label, text);
    if (!n.r.number) {
        w.problem = head + " is not a length; read as 0";
    } else if (n.value < 0) {
        w.problem = head + " is below 0; read as 0";
    } else if (n.clamped) {
        w.problem = head + " is too large; read as " + wholeNumber(n.value);
    } else if (n.rounded) {
        w.problem = head + " is read as " + wholeNumber(n.value);
    }
    return w;
}

// The transmitter's Tx Proc. Time: seconds, taken to the millisecond and
// clamped to the Long range of milliseconds. An ACK waits until its end time
// lies before the clock, so a time below 0 acts as 0.
SettingWords txProcessingWords(const std::string& text)
{
    const char* label = "Tx Proc. Time";
    const Reading r = readSetting(text);
    const std::int64_t ms = widgets::num::toLong(r.value * 1000.0);
    const std::int64_t used = std::max<std::int64_t>(0, ms);
    const std::string force = secondsText(used);
    SettingWords w;
    w.tooltip =
        std::string(label) + ": seconds the transmitter takes to process each acknowledgement; in force: " + force;
    const std::string head = quotedLabel(label, text);
    if (!r.number) {
        w.problem = head + " is not a time; read as 0 s";
    } else if (r.value < 0) {
        w.problem = head + " is below 0; read as 0 s";
    } else if (r.overflow || ms == widgets::num::kLongMax) {
        w.problem = head + " is too large; read as " + force;
    } else if (!r.whole || std::fabs(static_cast<double>(used) - r.value * 1000.0) > 1e-6) {
        w.problem = head + " is read as " + force;
    }
    return w;
}

// The receiver's Rx Delay Time (its processing time): seconds added to the receiver's clock, the
// sum taken to the millisecond and clamped to the Long range, so a very long
// time keeps the acknowledgement waiting for the rest of the run.
SettingWords rxProcessingWords(const std::string& text, std::int64_t rxClock)
{
    const char* label = "Rx Delay Time";
    const Reading r = readSetting(text);
    const std::int64_t ready = widgets::num::toLong(static_cast<double>(rxClock) + r.value * 1000.0);
    const std::int64_t used = ready - rxClock;
    SettingWords w;
    w.tooltip = std::string(label) +
                ": seconds the receiver takes before it sends each acknowledgement; in force: " + secondsText(used);
    const std::string head = quotedLabel(label, text);
    if (!r.number) {
        w.problem = head + " is not a time; read as 0 s";
    } else if (r.value < 0) {
        w.problem = head + " is below 0: acknowledgements go without waiting";
    } else if (r.overflow || ready == widgets::num::kLongMax) {
        w.problem = head + " is too large: acknowledgements wait for the rest of the run";
    } else if (!r.whole || std::fabs(static_cast<double>(used) - r.value * 1000.0) > 1e-6) {
        w.problem = head + " is read as " + secondsText(used);
    }
    return w;
}

// A source's Rate: packets a second. The gap to the next packet, 1000 / rate
// ms (on average, for Poisson), stays between kMinGap and kMaxGap; a rate
// that is not more than 0 gives the longest gap.
SettingWords sourceRateWords(const std::string& text)
{
    const char* label = "Rate";
    const double fastest = 1000.0 / static_cast<double>(Source::kMinGap);
    const double slowest = 1000.0 / static_cast<double>(Source::kMaxGap);
    const std::string longest = settingNumber(static_cast<double>(Source::kMaxGap) / 1000.0) + " s";
    const std::string shortest = settingNumber(static_cast<double>(Source::kMinGap) / 1000.0) + " s";
    const Reading r = readSetting(text);
    SettingWords w;
    std::string force;
    if (!(r.value > 0)) {
        force = "none (one packet every " + longest + ")";
    } else {
        force = settingNumber(std::clamp(r.value, slowest, fastest));
    }
    w.tooltip = std::string(label) + ": packets generated a second (a gap of 1 / rate s between them, kept between " +
                shortest + " and " + longest + "); in force: " + force;
    const std::string head = quotedLabel(label, text);
    if (!r.number) {
        w.problem = head + " is not a rate; the source waits " + longest + " between packets";
    } else if (!(r.value > 0)) {
        w.problem = head + " is not a rate (it must be more than 0); the source waits " + longest + " between packets";
    } else if (r.value > fastest) {
        w.problem = head + " is faster than the source goes: no gap is under " + shortest + " (" +
                    settingNumber(fastest) + " a second)";
    } else if (r.value < slowest) {
        w.problem = head + " is slower than the source goes: no gap is over " + longest + " (" +
                    settingNumber(slowest) + " a second)";
    } else if (!r.whole) {
        w.problem = head + " is read as " + settingNumber(r.value);
    }
    return w;
}

}  // namespace

std::optional<SettingWords> settingWords(const widgets::ComboBox& field)
{
    if (const auto* tx = dynamic_cast<const Transmitter*>(field.parent())) {
        if (&field == &tx->cmbMaxSequence)
            return maxSequenceWords("Max Sequence No.", field.text(), tx->state().maxSequence);
        if (&field == &tx->cmbPacketLength) return packetLengthWords(field.text(), tx->packetLength());
        if (&field == &tx->cmbTxProcTime) return txProcessingWords(field.text());
        return std::nullopt;
    }
    if (const auto* rx = dynamic_cast<const Receiver*>(field.parent())) {
        if (&field == &rx->cmbMaxSequence)
            return maxSequenceWords("Max Sequence No", field.text(), rx->state().maxSequence);
        if (&field == &rx->cmbRxProcTime) return rxProcessingWords(field.text(), rx->state().rxClock);
        return std::nullopt;
    }
    if (const auto* source = dynamic_cast<const Source*>(field.parent())) {
        if (&field == &source->cmbRate) return sourceRateWords(field.text());
        return std::nullopt;
    }
    const auto* wire = dynamic_cast<const Wire*>(field.parent());
    if (!wire) return std::nullopt;
    if (&field == &wire->cmbDelay) {
        return wordsFor({"Delay", "a delay", "seconds of propagation delay (the time to cross the wire)", " s"},
                        field.text(), wire->currentDelay());
    }
    if (&field == &wire->cmbBitRate) {
        return wordsFor({"Bit Rate", "a bit rate",
                         "how fast packets are put on the wire (a packet of size L takes L / (4 x rate) s)", ""},
                        field.text(), wire->currentBitRate());
    }
    return std::nullopt;
}

std::vector<const widgets::ComboBox*> settingFields(const LinkDemo& demo)
{
    std::vector<const widgets::ComboBox*> fields;
    for (const Transmitter* tx : {&demo.Transmitter1, &demo.Transmitter2}) {
        fields.insert(fields.end(), {&tx->cmbMaxSequence, &tx->cmbPacketLength, &tx->cmbTxProcTime});
    }
    for (const Wire* wire : demo.wires()) fields.insert(fields.end(), {&wire->cmbBitRate, &wire->cmbDelay});
    for (const Source* source : {&demo.Source1, &demo.Source2}) fields.push_back(&source->cmbRate);
    for (const Receiver* rx : {&demo.Receiver1, &demo.Receiver2}) {
        fields.insert(fields.end(), {&rx->cmbRxProcTime, &rx->cmbMaxSequence});
    }
    return fields;
}

}  // namespace explain
