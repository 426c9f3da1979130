// SPDX-License-Identifier: MIT
#include "soak/invariants.h"

#include <cctype>
#include <cmath>
#include <functional>

#include "session/dump.h"
#include "widgets/numbers.h"

namespace soak {

namespace {

using dump::Json;

bool allDigits(const std::string& s, std::size_t from, std::size_t to)
{
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    }
    return true;
}

// Digits without a superfluous leading zero.
bool wholeDigits(const std::string& s, std::size_t from, std::size_t to)
{
    if (!allDigits(s, from, to)) return false;
    return s[from] != '0' || to - from == 1;
}

bool signOk(const std::string& s, std::size_t end)
{
    if (s.size() < 2 || (s[0] != ' ' && s[0] != '-')) return false;
    // "-0" is written " 0".
    return !(s[0] == '-' && end == 2 && s[1] == '0');
}

std::string q(const std::string& s)
{
    return "\"" + s + "\"";
}

std::string slotName(const std::string& component, const char* control, int i)
{
    return component + "." + control + "(" + std::to_string(i) + ")";
}

bool finite(double v)
{
    return std::isfinite(v);
}

// Every number held in a JSON value is finite. The path is built only for a
// value that fails.
void scanNumbers(const Json& j, const std::string& where, std::vector<std::string>& out)
{
    if (j.is_number_float()) {
        if (!std::isfinite(j.get<double>())) out.push_back(where + ": a number is not finite");
    } else if (j.is_null()) {
        out.push_back(where + ": null value");
    } else if (j.is_object()) {
        for (auto it = j.begin(); it != j.end(); ++it) {
            const Json& v = it.value();
            if (v.is_structured() || v.is_null() || (v.is_number_float() && !std::isfinite(v.get<double>()))) {
                scanNumbers(v, where + "." + it.key(), out);
            }
        }
    } else if (j.is_array()) {
        for (const Json& v : j) scanNumbers(v, where, out);
    }
}

bool isFlowColour(std::int64_t c)
{
    return c == PacketColour::kAck || c == PacketColour::kReady || c == PacketColour::kHold;
}

bool startsWith(const std::string& s, const std::string& p)
{
    return s.compare(0, p.size(), p) == 0;
}

}  // namespace

bool isBlankInteger(const std::string& s)
{
    return signOk(s, s.size()) && wholeDigits(s, 1, s.size());
}

bool isBlankNumber(const std::string& s)
{
    const std::size_t dot = s.find('.');
    if (dot == std::string::npos) return isBlankInteger(s);
    if (!signOk(s, dot) || !wholeDigits(s, 1, dot)) return false;
    // Fraction digits without trailing zeros.
    return allDigits(s, dot + 1, s.size()) && s.back() != '0';
}

bool isPlainCount(const std::string& s)
{
    return wholeDigits(s, 0, s.size());
}

std::string wireCaption(const Packet& p)
{
    if (!p.ACKFlag && p.Number >= 0) {
        std::string c = "(" + widgets::num::blankNumber(std::int64_t{p.Number}) + ")";
        if (p.ShowSequenceFlag) c = widgets::num::blankNumber(std::int64_t{p.SequenceNumber}) + c;
        return c;
    }
    if (p.ACKFlag && p.ShowSequenceFlag) {
        return widgets::num::blankNumber(std::int64_t{p.SequenceNumber}) + "(" +
               widgets::num::blankNumber(std::int64_t{p.TriggerNumber}) + ")";
    }
    return "";
}

void ArrivalWatch::packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target)
{
    if (iIndex < topology::kWire1 || iIndex > topology::kWire1 + 4) return;
    const bool reverse = iType == ACKHeadArrived || iType == ACKArrived || iType == ACKArrivalKilled;
    const std::string who = "Wire" + std::to_string(iIndex) + ": " + (reverse ? "reverse" : "forward") + " packet " +
                            std::to_string(pPacket.Number);
    const auto key = std::make_pair(iIndex, reverse);
    const auto open = m_open.find(key);
    const bool own =
        open != m_open.end() && open->second.number == pPacket.Number && open->second.hopStarted == pPacket.HopStarted;
    switch (iType) {
        case DataHeadArrived:
        case ACKHeadArrived:
            if (open != m_open.end()) {
                m_found.push_back(who + " announced arriving while packet " + std::to_string(open->second.number) +
                                  " still is");
            }
            m_open[key] = Open{pPacket.Number, pPacket.HopStarted};
            break;
        case DataArrived:
        case ACKArrived:
            if (!own) m_found.push_back(who + " wholly arrived without having been announced arriving");
            if (own) m_open.erase(open);
            break;
        case DataArrivalKilled:
        case ACKArrivalKilled:
            if (!own) m_found.push_back(who + " destroyed while arriving without having been announced");
            if (own) m_open.erase(open);
            break;
        default:
            break;
    }
}

std::vector<std::string> ArrivalWatch::take()
{
    std::vector<std::string> found;
    found.swap(m_found);
    return found;
}

std::vector<std::string> ModelChecker::check()
{
    m_found = m_arrivals.take();

    checkWindow();
    checkWire(m_demo.Wire1, 1);
    checkWire(m_demo.Wire2, 2);
    checkTransmitter(m_demo.Transmitter1);
    checkReceiver(m_demo.Receiver1);
    checkQueue(m_demo.Queue1, m_demo.topology >= 10);
    // The components no scenario shows only run their clocks or lie idle:
    // they are checked at every eighth call.
    if (m_checks++ % 8 == 0) {
        checkWire(m_demo.Wire3, 3);
        checkWire(m_demo.Wire4, 4);
        checkWire(m_demo.Wire5, 5);
        checkTransmitter(m_demo.Transmitter2);
        checkReceiver(m_demo.Receiver2);
        checkQueue(m_demo.Queue2, false);
        checkSource(m_demo.Source1);
        checkSource(m_demo.Source2);
    }
    checkBusyFlags();
    checkGeometry(m_demo);
    return m_found;
}

// ---- the window -------------------------------------------------------------

void ModelChecker::checkWindow()
{
    LinkDemo& d = m_demo;
    const int scenario = d.topology % 10;
    if (d.topology < 0 || d.topology > 16 || scenario > 6) {
        fail("LinkDemo: topology " + std::to_string(d.topology) + " is no scenario");
        return;
    }
    const bool router = d.topology >= 10;
    if (d.cmbScenario.listIndex() != scenario) fail("LinkDemo.cmbScenario: list index does not show the scenario");
    if (d.cmdRouter.caption() != (router ? "Remove Router" : "Add Router")) {
        fail("LinkDemo.cmdRouter: caption " + q(d.cmdRouter.caption()) + " with topology " +
             std::to_string(d.topology));
    }
    const std::string& pause = d.cmdPause.caption();
    if (pause != "Start" && pause != "Pause" && pause != "Cont") fail("LinkDemo.cmdPause: caption " + q(pause));
    if (d.paused != (pause != "Pause")) fail("LinkDemo: paused does not match cmdPause " + q(pause));
    if (pause == "Start" && d.totalTime != 0) fail("LinkDemo: reads Start at totalTime " + std::to_string(d.totalTime));
    if (d.totalTime < 0 || d.totalTime % 100 != 0) fail("LinkDemo: totalTime " + std::to_string(d.totalTime));
    if (d.cmdRTT.visible() != (scenario >= 3 && scenario <= 5)) fail("LinkDemo.cmdRTT: visibility for the scenario");
    if (!d.Timer1.enabled() || d.Timer1.interval() != 100) fail("LinkDemo.Timer1: not the running 100 ms clock");

    // The components' own clocks follow the pause state.
    const std::pair<const widgets::Timer*, const char*> clocks[] = {
        {&d.Transmitter1.Timer1, "Transmitter1"}, {&d.Transmitter2.Timer1, "Transmitter2"},
        {&d.Receiver1.Timer1, "Receiver1"},       {&d.Receiver2.Timer1, "Receiver2"},
        {&d.Source1.Timer1, "Source1"},           {&d.Source2.Timer1, "Source2"}};
    for (const auto& [timer, name] : clocks) {
        if (timer->enabled() == d.paused) {
            fail(std::string(name) + ".Timer1: enabled " + (timer->enabled() ? "true" : "false") +
                 " while the window is " + (d.paused ? "paused" : "running"));
        }
    }

    // Which components show.
    const std::pair<const widgets::Component*, bool> shown[] = {
        {&d.Transmitter1, true}, {&d.Transmitter2, false}, {&d.Wire1, true},    {&d.Wire2, router},
        {&d.Wire3, false},       {&d.Wire4, false},        {&d.Wire5, false},   {&d.Queue1, router},
        {&d.Queue2, false},      {&d.Source1, false},      {&d.Source2, false}, {&d.Receiver1, true},
        {&d.Receiver2, false}};
    for (const auto& [c, visible] : shown) {
        if (c->visible() != visible) fail(c->name() + ": visibility " + (c->visible() ? "shown" : "hidden"));
    }
    if (d.Wire1.Length() != (router ? 2760 : 7950)) fail("Wire1: Length " + std::to_string(d.Wire1.Length()));
    if (router && d.Wire2.Length() != 2700) fail("Wire2: Length " + std::to_string(d.Wire2.Length()));
}

// ---- wires ------------------------------------------------------------------

void ModelChecker::checkWire(const Wire& w, int index)
{
    const std::string n = w.name();
    const Wire::State st = w.state();
    if (!std::isfinite(st.X1) || !std::isfinite(st.X2)) fail(n + ": a line end is not finite");

    const auto slotOk = [&](const char* key, int s, bool ack) {
        if (s < -1 || s >= Wire::kSlots) {
            fail(n + ": " + key + " " + std::to_string(s) + " out of range");
            return;
        }
        if (s < 0) return;
        if (!w.cmdPacket[s].visible()) fail(n + ": " + key + " " + std::to_string(s) + " names a free slot");
        if (w.pktWire(s).ACKFlag != ack) {
            fail(n + ": " + key + " " + std::to_string(s) + " holds a packet of the other direction");
        }
    };
    slotOk("lastDataSlot", st.lastDataSlot, false);
    slotOk("dataArrivingSlot", st.dataArrivingSlot, false);
    slotOk("lastACKSlot", st.lastACKSlot, true);
    slotOk("ackArrivingSlot", st.ackArrivingSlot, true);

    if (!(st.delay > 0)) fail(n + ": delay " + std::to_string(st.delay));
    if (!(st.bitRate > 0)) fail(n + ": bitRate " + std::to_string(st.bitRate));

    const double x1 = w.Line1.x1();
    const double x2 = w.Line1.x2();
    for (int i = 0; i < Wire::kSlots; ++i) {
        const widgets::Button& b = w.cmdPacket[i];
        if (!b.visible()) continue;
        const Packet& p = w.pktWire(i);
        const auto bn = [&] { return slotName(n, "cmdPacket", i); };
        if (!p.Active) fail(bn() + ": shown for an inactive record");
        if (b.backColour() != p.Colour) fail(bn() + ": colour differs from its record");
        const std::string caption = wireCaption(p);
        if (b.caption() != caption) fail(bn() + ": caption " + q(b.caption()) + ", record gives " + q(caption));
        if (b.top() != (p.ACKFlag ? 120 : 360)) fail(bn() + ": not in its direction's lane");
        if (b.height() != 495) fail(bn() + ": height " + std::to_string(b.height()));
        const double left = b.left(), width = b.width();
        if (!finite(left) || !finite(width) || width < 0 || left < x1 || left > x2 - 120 || left + width > x2) {
            fail(bn() + ": extent " + std::to_string(left) + " + " + std::to_string(width) + " leaves the line " +
                 std::to_string(x1) + ".." + std::to_string(x2));
        }
    }

    const TimeSequenceTrace& t = w.traceTable();
    if (t.traceCount() < 0 || t.traceCount() > TimeSequenceTrace::kRecords) fail(n + ": traceCount out of range");
    if (t.labelCount() < 0 || t.labelCount() > TimeSequenceTrace::kLabels) fail(n + ": labelCount out of range");
    for (int r = 0; r < t.traceCount() && r < TimeSequenceTrace::kRecords; ++r) {
        const TraceRecord& rec = t.record(r);
        const std::string rn = n + ".trace(" + std::to_string(r) + ")";
        if (rec.fromPos != 0.0 && rec.fromPos != 1.0) fail(rn + ": fromPos " + std::to_string(rec.fromPos));
        if (!(rec.toPos >= 0.0 && rec.toPos <= 1.0)) fail(rn + ": toPos " + std::to_string(rec.toPos));
        if (rec.sendEndTime < rec.startTime || rec.lastTime < rec.startTime || rec.startTime < 0 ||
            rec.sendEndTime > m_demo.totalTime || rec.lastTime > m_demo.totalTime) {
            fail(rn + ": times out of order");
        }
        if (rec.seqLabel < -1) fail(rn + ": seqLabel " + std::to_string(rec.seqLabel));
        if (rec.traceColour != 0xC00000 && rec.traceColour != 0xC000C0 && rec.traceColour != 0x0000C0 &&
            rec.traceColour != 0) {
            fail(rn + ": traceColour " + std::to_string(rec.traceColour));
        }
    }
    for (int k = 0; k < w.txtTrace.size(); ++k) {
        const std::string& s = w.txtTrace[k].text();
        if (s != "99" && !isBlankInteger(s)) fail(slotName(n, "txtTrace", k) + ": text " + q(s));
    }
    (void)index;
}

// ---- transmitters -----------------------------------------------------------

void ModelChecker::checkTransmitter(const Transmitter& t)
{
    using S = Transmitter::SlotState;
    const std::string n = t.name();
    const Transmitter::State st = t.state();

    const int window = st.txWindow;
    if (window < 1 || window > Transmitter::kSlots) {
        fail(n + ": txWindow " + std::to_string(window));
        return;
    }
    if (window != widgets::num::toInteger(widgets::num::textValue(t.cmbTxWindowSize.text())))
        fail(n + ": txWindow differs from combo");
    const int maxSequence = st.maxSequence;
    if (maxSequence != widgets::num::toInteger(widgets::num::textValue(t.cmbMaxSequence.text()))) {
        fail(n + ": maxSequence " + std::to_string(maxSequence) + " differs from combo " + q(t.cmbMaxSequence.text()));
    }
    const int panelMode = st.panelMode;
    if (panelMode < 0 || panelMode > 2) fail(n + ": panelMode " + std::to_string(panelMode));

    int onTheLine = 0;
    for (int i = 0; i < window; ++i) {
        const std::string& cap = t.lblTxPacket[i].caption();
        if (!isBlankInteger(cap) || cap[0] == '-') {
            fail(slotName(n, "lblTxPacket", i) + ": caption " + q(cap));
            continue;
        }
        const S s = t.slotState(i);
        if (s == S::Unknown) fail(slotName(n, "lblTxPacket", i) + ": colour is no slot state");
        if (s == S::Acknowledged) fail(slotName(n, "lblTxPacket", i) + ": Acknowledged after ACK processing");
        if (s == S::Sending || s == S::Resending) ++onTheLine;
        if (s == S::Sending || s == S::Sent || s == S::Resending || s == S::Resent || s == S::Expired) {
            const Packet& p = t.pktTx(i);
            if (!p.Active || p.Number != t.slotNumber(i)) {
                fail(slotName(n, "pktTx", i) + ": record does not hold the slot's packet " + cap);
            }
        }
        const std::string& seq = t.lblTxSeq[i].caption();
        if (maxSequence >= 1) {
            const std::string want = widgets::num::blankNumber(widgets::num::seqOf(t.slotNumber(i), maxSequence));
            if (seq != want) fail(slotName(n, "lblTxSeq", i) + ": caption " + q(seq) + ", packet gives " + q(want));
        } else if (seq != "" && seq != "0") {
            fail(slotName(n, "lblTxSeq", i) + ": caption " + q(seq) + " without sequence numbers");
        }
    }
    if (onTheLine > 1) fail(n + ": " + std::to_string(onTheLine) + " slots being put on the wire at once");
    if (onTheLine > 0 && !st.txBusy) fail(n + ": a slot is being sent while txBusy is false");
    if (st.nextPacketNumber != t.slotNumber(window - 1) + 1) {
        fail(n + ": nextPacketNumber " + std::to_string(st.nextPacketNumber) + " after last slot " +
             t.lblTxPacket[window - 1].caption());
    }

    for (int i = 0; i < Transmitter::kSlots; ++i) {
        const std::string& s = t.lblRTO[i].caption();
        if (!s.empty() && !isBlankInteger(s)) fail(slotName(n, "lblRTO", i) + ": caption " + q(s));
    }
    const std::int64_t rtt = st.rttEstimate;
    const std::string rttText = widgets::num::blankNumber(static_cast<double>(rtt) / 1000.0);
    if (t.lblRTT.caption() != rttText || !isBlankNumber(rttText)) {
        fail(n + ".lblRTT: caption " + q(t.lblRTT.caption()) + " for rttEstimate " + std::to_string(rtt));
    }
    const std::string& mode = t.lblTxMode.caption();
    const bool modeOk = mode == "Initial" || mode == "Waiting" || mode == "Processing ACK" ||
                        (startsWith(mode, "Transmit ") && isBlankInteger(mode.substr(9))) ||
                        (startsWith(mode, "Retransmit ") && isBlankInteger(mode.substr(11)));
    if (!modeOk) fail(n + ".lblTxMode: caption " + q(mode));

    for (int k = 0; k < Transmitter::kAckQueue; ++k) {
        const Packet& a = t.pktWaiting(k);
        if (a.Active && (!a.ACKFlag || !isFlowColour(a.Colour))) fail(slotName(n, "pktWaiting", k) + ": not an ACK");
    }

    // The retransmission flags and time follow the (scenario-set) mode.
    const std::string& m = t.cmbRetransmitMode.text();
    const bool reliable = st.reliable;
    const bool waits = st.waitForAck;
    const bool individual = st.individualRetransmit;
    const std::int64_t rto = st.retransmitTime;
    struct Flags {
        const char* mode;
        bool reliable, individual, waits;
    };
    const Flags table[] = {{"None", false, false, false},
                           {"Indiv.", true, true, true},
                           {"Batch", true, false, true},
                           {"Wait", false, false, true}};
    for (const Flags& f : table) {
        if (m != f.mode) continue;
        if (reliable != f.reliable || individual != f.individual || waits != f.waits) {
            fail(n + ": flags do not follow Retransmit Mode " + q(m));
        }
    }
    if (st.individualTimers != (t.cmbRetransmitTimers.text() != "Joint")) {
        fail(n + ": individualTimers does not follow " + q(t.cmbRetransmitTimers.text()));
    }
    if (m == "None" || m == "Wait") {
        if (rto != 0) fail(n + ": retransmitTime " + std::to_string(rto) + " in mode " + q(m));
    } else {
        const std::string& f = t.cmbRetransmitTime.text();
        const std::int64_t factor = f == "RTT" ? 1 : f == "2*RTT" ? 2 : 3;
        const std::int64_t want = std::min<std::int64_t>(factor * rtt, widgets::num::kLongMax);
        if (rto != want) {
            fail(n + ": retransmitTime " + std::to_string(rto) + " for " + f + " of " + std::to_string(rtt));
        }
    }
    if (rtt < 0) fail(n + ": rttEstimate " + std::to_string(rtt));
}

// ---- receivers --------------------------------------------------------------

void ModelChecker::checkReceiver(const Receiver& r)
{
    using M = Receiver::SlotMark;
    const std::string n = r.name();
    const Receiver::State st = r.state();

    const int window = st.rxWindow;
    if (window < 1 || window > Receiver::kSlots) {
        fail(n + ": rxWindow " + std::to_string(window));
        return;
    }
    if (window != widgets::num::toInteger(widgets::num::textValue(r.cmbRxWindowSize.text())))
        fail(n + ": rxWindow differs from combo");
    const int maxSequence = st.maxSequence;
    if (maxSequence != widgets::num::toInteger(widgets::num::textValue(r.cmbMaxSequence.text()))) {
        fail(n + ": maxSequence " + std::to_string(maxSequence) + " differs from combo " + q(r.cmbMaxSequence.text()));
    }
    const std::int64_t base = st.rxBase;
    if (base < 0) fail(n + ": rxBase " + std::to_string(base));

    int arriving = 0;
    for (int i = 0; i < window; ++i) {
        const std::string& cap = r.lblRxPacket[i].caption();
        if (!isBlankInteger(cap)) fail(slotName(n, "lblRxPacket", i) + ": caption " + q(cap));
        if (r.slotNumber(i) != base + i) {
            fail(slotName(n, "lblRxPacket", i) + ": caption " + q(cap) + " with rxBase " + std::to_string(base));
        }
        const std::string& seq = r.lblRxSeq[i].caption();
        if (!seq.empty() && !isBlankInteger(seq) && !isPlainCount(seq)) {
            fail(slotName(n, "lblRxSeq", i) + ": caption " + q(seq));
        }
        const Packet& p = r.pktRxQueue(i);
        const M mark = r.slotMark(i);
        const bool incomingRecord = p.Active && p.Colour == 0x804020;
        if (mark == M::Incoming || mark == M::Misnumbered) {
            ++arriving;
            if (!incomingRecord) fail(slotName(n, "pktRxQueue", i) + ": marked arriving, record is not");
        } else if (incomingRecord) {
            fail(slotName(n, "pktRxQueue", i) + ": record arriving, slot not marked so");
        }
        if (mark == M::Arrived && (!p.Active || p.Colour != r.lblRxPacket[i].foreColour())) {
            fail(slotName(n, "pktRxQueue", i) + ": marked arrived without its packet");
        }
    }
    if (arriving > 1) fail(n + ": " + std::to_string(arriving) + " slots arriving at once");

    bool free = false;
    for (int k = 0; k < Receiver::kAckEntries; ++k) {
        const Packet& a = r.pktRxACKBuffer(k);
        const std::string an = slotName(n, "pktRxACKBuffer", k);
        if (!a.Active) {
            free = true;
            continue;
        }
        if (free) fail(an + ": in use after a free entry (the run from entry 0 is broken)");
        if (!a.ACKFlag || a.Length != 1 || !isFlowColour(a.Colour)) fail(an + ": not an ACK or Ready/Hold message");
    }

    const std::string& s = r.lblRxMode.caption();
    bool statusOk = s == "Initial";
    if (startsWith(s, "Receiving ")) {
        const std::string rest = s.substr(10);
        const std::size_t notAt = rest.find(" (not ");
        if (notAt == std::string::npos) {
            statusOk = isBlankInteger(rest);
        } else {
            statusOk = isBlankInteger(rest.substr(0, notAt)) && rest.back() == ')' &&
                       isBlankInteger(rest.substr(notAt + 6, rest.size() - notAt - 7));
        }
    } else if (startsWith(s, "Ignoring ")) {
        statusOk = isBlankInteger(s.substr(9));
    } else if (startsWith(s, "Expecting")) {
        // "Expecting" then slot 0's caption (after a delivery), or
        // "Expecting " then a leading-blank number (after a loss).
        const std::string rest = s.substr(9);
        statusOk = isBlankInteger(rest) || (!rest.empty() && rest[0] == ' ' && isBlankInteger(rest.substr(1)));
    }
    if (!statusOk) fail(n + ".lblRxMode: caption " + q(s));

    const std::string& box = r.chkRxReady.caption();
    if (box != "Ready" && box != "Hold") fail(n + ".chkRxReady: caption " + q(box));
    if (r.chkRxReady.value() != (box == "Hold" ? 1 : 0)) fail(n + ".chkRxReady: tick does not follow caption");
}

// ---- router queues ----------------------------------------------------------

void ModelChecker::checkQueue(const Queue& q, bool routed)
{
    const std::string n = q.name();
    const Queue::State st = q.state();
    const int size = st.queueSize;
    if (size < 1 || size > Queue::kSlots) {
        fail(n + ": queueSize " + std::to_string(size));
        return;
    }
    if (size != widgets::num::toInteger(widgets::num::textValue(q.cmbSize.text())))
        fail(n + ": queueSize differs from cmbSize");
    const bool dataBusy = st.dataOutBusy;
    const bool ackBusy = st.ackOutBusy;

    bool anyActive = false;
    for (int k = 0; k < Queue::kSlots; ++k) {
        const Packet& d = q.pktQ(k);
        const Packet& a = q.pktA(k);
        anyActive = anyActive || d.Active || a.Active;
        if (k >= size) {
            if (d.Active || a.Active) fail(n + ": slot " + std::to_string(k) + " in use beyond queueSize");
            continue;
        }
        if (d.Active && d.ACKFlag) fail(slotName(n, "pktQ", k) + ": an ACK in the data queue");
        if (a.Active && !a.ACKFlag) fail(slotName(n, "pktA", k) + ": data in the ACK queue");
        if (d.Flag != 0 && d.Flag != 1) fail(slotName(n, "pktQ", k) + ": Flag " + std::to_string(d.Flag));
        if (a.Flag != 0 && a.Flag != 1) fail(slotName(n, "pktA", k) + ": Flag " + std::to_string(a.Flag));
        if (q.shpQueue[k].filled() != d.Active) fail(slotName(n, "shpQueue", k) + ": fill does not show the slot");
        if (q.shpQueueA[k].filled() != a.Active) fail(slotName(n, "shpQueueA", k) + ": fill does not show the slot");
        if (!q.shpQueue[k].visible() || !q.shpQueueA[k].visible()) fail(n + ": slot shape of a slot in use hidden");
    }

    // Data: a run from the head, slot 0. The head may be empty while its
    // packet is still being put on Wire2 (it was destroyed by number).
    {
        int k = 0;
        if (!q.pktQ(0).Active && dataBusy) k = 1;
        while (k < size && q.pktQ(k).Active) ++k;
        bool gap = false;
        for (int j = k; j < size; ++j) gap = gap || q.pktQ(j).Active;
        if (!gap) {
            if (routed) m_dataHoleAllowed = false;
        } else if (!(routed && m_dataHoleAllowed)) {
            fail(n + ": data queue in use is not a run from slot 0");
        }
    }
    // Acknowledgements: a run ending at the head, slot queueSize - 1, whose
    // head may likewise be empty while being forwarded.
    {
        int k = size - 1;
        if (!q.pktA(k).Active && ackBusy) --k;
        while (k >= 0 && q.pktA(k).Active) --k;
        for (int j = k; j >= 0; --j) {
            if (q.pktA(j).Active) {
                fail(n + ": ACK queue in use is not a run ending at the head");
                break;
            }
        }
    }

    if (!routed && (anyActive || dataBusy || ackBusy)) fail(n + ": holds packets or is busy without being routed");
}

void ModelChecker::checkSource(const Source& s)
{
    const std::string& c = s.lblTxPacket[0].caption();
    if (c != "0" && !isBlankInteger(c)) fail(s.name() + ".lblTxPacket(0): caption " + q(c));
}

// ---- senders against their wires --------------------------------------------

// A sender is busy exactly while the packet it handed over is still being put
// on the wire (the wire's last...Slot names it), or, when the wire lost that
// packet because all its slots were in use, until the wire's next move
// reports the direction free.
void ModelChecker::checkBusyFlags()
{
    LinkDemo& d = m_demo;
    const bool router = d.topology >= 10;
    const Wire::State w1 = d.Wire1.state();
    const Wire::State w2 = d.Wire2.state();
    const auto pair = [&](const char* sender, bool busy, int wireIndex, int slot, const char* slotKey, bool lost) {
        const bool sending = slot >= 0;
        if (sending && !busy)
            fail(std::string(sender) + ": not busy while Wire" + std::to_string(wireIndex) +
                 " is still sending its packet (" + slotKey + ")");
        if (busy && !sending && !lost) {
            fail(std::string(sender) + ": busy with nothing being sent on Wire" + std::to_string(wireIndex));
        }
    };
    pair("Transmitter1.txBusy", d.Transmitter1.state().txBusy, 1, w1.lastDataSlot, "lastDataSlot",
         d.Wire1.dataLostWhileFull());
    const bool rxBusy = d.Receiver1.state().ackLineBusy;
    if (!router) {
        pair("Receiver1.ackLineBusy", rxBusy, 1, w1.lastACKSlot, "lastACKSlot", d.Wire1.ackLostWhileFull());
        for (int i = 0; i < Wire::kSlots; ++i) {
            if (d.Wire2.cmdPacket[i].visible()) fail("Wire2: carries a packet on the direct link");
        }
    } else {
        const Queue::State qs = d.Queue1.state();
        pair("Queue1.ackOutBusy", qs.ackOutBusy, 1, w1.lastACKSlot, "lastACKSlot", d.Wire1.ackLostWhileFull());
        pair("Queue1.dataOutBusy", qs.dataOutBusy, 2, w2.lastDataSlot, "lastDataSlot", d.Wire2.dataLostWhileFull());
        pair("Receiver1.ackLineBusy", rxBusy, 2, w2.lastACKSlot, "lastACKSlot", d.Wire2.ackLostWhileFull());
    }
}

// ---- numbers in every control -----------------------------------------------

namespace {

// The script runner's name of a control, built only when a check fails.
std::string nameOf(const widgets::Control& c)
{
    const widgets::Control* parent = c.parent();
    if (!parent) return c.name();
    if (parent->kind() == widgets::Kind::Window) {
        return c.kind() == widgets::Kind::Component ? c.fullName() : parent->name() + "." + c.fullName();
    }
    return nameOf(*parent) + "." + c.fullName();
}

}  // namespace

void ModelChecker::checkGeometry(const widgets::Control& c)
{
    if (!finite(c.left()) || !finite(c.top()) || !finite(c.width()) || !finite(c.height())) {
        fail(nameOf(c) + ": geometry not finite");
    }
    switch (c.kind()) {
        case widgets::Kind::Line: {
            const auto& l = static_cast<const widgets::Line&>(c);
            if (!finite(l.x1()) || !finite(l.y1()) || !finite(l.x2()) || !finite(l.y2())) {
                fail(nameOf(c) + ": end points not finite");
            }
            break;
        }
        case widgets::Kind::Picture: {
            // Only the lines drawn since the last check: a picture keeps every
            // line since its last clear.
            const auto& p = static_cast<const widgets::Picture&>(c);
            auto& [clears, seen] = m_linesSeen[&p];
            if (clears != p.clearCount() || seen > p.lines().size()) seen = 0;
            clears = p.clearCount();
            for (; seen < p.lines().size(); ++seen) {
                const widgets::DrawnLine& l = p.lines()[seen];
                if (!finite(l.x1) || !finite(l.y1) || !finite(l.x2) || !finite(l.y2)) {
                    fail(nameOf(c) + ": a drawn line is not finite");
                }
            }
            break;
        }
        case widgets::Kind::Window:
        case widgets::Kind::Component:
            for (const widgets::Control* child : static_cast<const widgets::Container&>(c).children()) {
                checkGeometry(*child);
            }
            break;
        default:
            break;
    }
}

std::vector<std::string> ModelChecker::checkDump() const
{
    std::vector<std::string> out;
    for (const Json& j : dump::objects(m_demo, "")) {
        const std::string name = j.contains("name") && j["name"].is_string() ? j["name"].get<std::string>() : "?";
        scanNumbers(j, name, out);
        try {
            (void)j.dump();
        } catch (const std::exception& e) {
            out.push_back(name + ": cannot be written: " + e.what());
        }
    }
    return out;
}

}  // namespace soak
