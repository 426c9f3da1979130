// SPDX-License-Identifier: MIT
#include "wire/wire.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "widgets/numbers.h"

namespace {

// A vanishing delay or bit rate makes positions overflow: they are held at the
// largest finite value, so that no position is ever infinite or undefined.
constexpr double kFar = std::numeric_limits<double>::max();

// The timing model divides by the delay and the bit rate.
bool usable(double v)
{
    return std::isfinite(v) && v > 0;
}

}  // namespace

Wire::Wire(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    buildPanel();
    startUp();
}

Wire::~Wire() = default;

// ---- Start-up and emptying ----------------------------------------------

// Filling the lists selects the start-up delay and bit rate: each selection
// runs the list's handler, which reads the setting.
void Wire::startUp()
{
    FillWireCombos();
    VScroll1.setMax(1);
    VScroll1.setLargeChange(1);
    ClearWire();
}

void Wire::Reset(int iLevel)
{
    if (iLevel == 0) {
        startUp();
    } else if (iLevel == 1) {
        ClearWire();
    }
}

void Wire::ClearWire()
{
    m_epoch.advance();
    m_trace.clear();
    for (int i = 0; i < kSlots; ++i) {
        m_pktWire[static_cast<std::size_t>(i)].Initialise();
        cmdPacket[i].setVisible(false);
    }
    dataArrivingSlot = -1;
    ackArrivingSlot = -1;
    lastDataSlot = -1;
    lastACKSlot = -1;
    // A loss reported after an emptying would free a sender that was reset.
    m_dataLost = false;
    m_ackLost = false;
}

// ---- Settings -----------------------------------------------------------

// A text without a positive value (empty, "0", "-2", "abc") leaves the last
// good value in force; the combo keeps what was typed.
void Wire::readBitRate()
{
    const double v = widgets::num::textValue(cmbBitRate.text());
    if (usable(v)) bitRate = v;
}

void Wire::readDelay()
{
    const double v = widgets::num::textValue(cmbDelay.text());
    if (usable(v)) delay = v;
}

void Wire::SetBitRate(double v)
{
    if (usable(v)) bitRate = v;
    cmbBitRate.setText(widgets::num::blankNumber(v));
}

void Wire::SetDelay(double v)
{
    if (usable(v)) delay = v;
    cmbDelay.setText(widgets::num::blankNumber(v));
}

void Wire::SetIndex(int iNewValue)
{
    routingIndex = iNewValue;
}
int Wire::Index() const
{
    return routingIndex;
}
bool Wire::DataBusy() const
{
    return dataSending;
}
bool Wire::ACKBusy() const
{
    return ackSending;
}

// ---- Putting packets on -------------------------------------------------

void Wire::PacketArrive(Packet& pktIN, std::int64_t lTime)
{
    int i = 0;
    while (i < kSlots && cmdPacket[i].visible()) ++i;
    if (i == kSlots) {
        // Lost as if destroyed at once. Its sender is still inside the call
        // that sends it, so the direction is reported free at the next move.
        if (pktIN.ACKFlag) {
            pktIN.CopyPacket(m_lostACK);
            m_ackLost = true;
        } else {
            pktIN.CopyPacket(m_lostData);
            m_dataLost = true;
        }
        return;
    }

    Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    pktIN.CopyPacket(p);
    p.HopStarted = lTime;

    showPutOn(i);
    if (p.ACKFlag) {
        lastACKSlot = i;
    } else {
        lastDataSlot = i;
    }

    // A full table leaves the slot's record index as it was.
    if (!m_trace.full()) {
        slotRecord[static_cast<std::size_t>(i)] = m_trace.traceCount();
        m_trace.open(p, lTime);
    }
}

// ---- Movement -----------------------------------------------------------

double Wire::along(double fromX, double fraction) const
{
    double d = fraction * (x2() - x1());
    if (std::isnan(d)) d = 0;  // an infinite fraction of a line of length 0
    const double v = fromX + d;
    if (std::isnan(v)) return fromX;  // a held extreme met an infinite length
    return widgets::num::roundEven(std::clamp(v, -kFar, kFar));
}

double Wire::fractionOf(double x) const
{
    const double span = x2() - x1();
    if (span == 0) return 0.0;
    return (x - x1()) / span;
}

// Forward packets run from X1, reverse ones from X2; the trailing edge is
// the packet's drawn length behind the leading one.
std::pair<double, double> Wire::edgesAt(const Packet& p, std::int64_t lTime) const
{
    const double elapsed = static_cast<double>(lTime - p.HopStarted);
    const double drawn = static_cast<double>(p.Length) / bitRate / delay / 4;
    if (p.ACKFlag) {
        const double head = along(x2(), -(elapsed / 1000 / delay));
        return {head, along(head, drawn)};
    }
    const double head = along(x1(), elapsed / 1000 / delay);
    return {head, along(head, -drawn)};
}

// The clamps of moveForward and moveReverse, without their reports.
std::optional<Wire::Span> Wire::spanAt(int i, std::int64_t lTime) const
{
    if (i < 0 || i >= kSlots || !cmdPacket[i].visible()) return std::nullopt;
    const Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    // Not moved yet: where it was put on.
    if (lTime <= p.HopStarted) return Span{cmdPacket[i].left(), cmdPacket[i].width()};
    auto [head, tail] = edgesAt(p, lTime);
    const bool reverse = p.ACKFlag;
    const int mark = reverse ? ackArrivingSlot : dataArrivingSlot;
    // Asked only of a packet at the arrival mark.
    const auto mayArrive = [&] { return mark == i || (mark == -1 && firstArriving(reverse, lTime) == i); };
    if (reverse) {
        tail = std::min(tail, x2());
        head = std::max(std::min(head, x2() - kArrivalMark), x1());
        if (tail < x1()) {
            if (mayArrive()) return std::nullopt;
            tail = reverseWaitTail();
        }
        return Span{head, tail - head};
    }
    head = std::min(head, x2());
    tail = std::max(tail, x1());
    if (tail > x2() - kArrivalMark) {
        if (mayArrive()) return std::nullopt;
        tail = std::min(tail, forwardWaitTail());
    }
    return Span{tail, head - tail};
}

bool Wire::headPast(const Packet& p, std::int64_t lTime) const
{
    const auto [head, tail] = edgesAt(p, lTime);
    if (p.ACKFlag) return std::min(head, x2() - kArrivalMark) < x1();
    return head > x2() || std::max(tail, x1()) > x2() - kArrivalMark;
}

int Wire::firstArriving(bool reverse, std::int64_t lTime) const
{
    int first = -1;
    for (int j = 0; j < kSlots; ++j) {
        const Packet& q = m_pktWire[static_cast<std::size_t>(j)];
        if (!cmdPacket[j].visible() || q.ACKFlag != reverse || !headPast(q, lTime)) continue;
        if (first == -1 || q.HopStarted < m_pktWire[static_cast<std::size_t>(first)].HopStarted) first = j;
    }
    return first;
}

double Wire::forwardWaitTail() const
{
    return std::max(x2() - kArrivalMark, x1());
}

double Wire::reverseWaitTail() const
{
    return std::min(x1() + kArrivalMark, x2());
}

void Wire::ClearTrace()
{
    std::array<std::optional<TraceRecord>, kSlots> kept;
    for (int i = 0; i < kSlots; ++i) {
        const int r = slotRecord[static_cast<std::size_t>(i)];
        const Packet& p = m_pktWire[static_cast<std::size_t>(i)];
        // A packet put on while the table was full has no record of its own.
        if (!cmdPacket[i].visible() || r < 0 || r >= m_trace.traceCount()) continue;
        const TraceRecord& rec = m_trace.record(r);
        if (rec.startTime == p.HopStarted && rec.traceColour == TimeSequenceTrace::colourFor(p.Colour)) kept[i] = rec;
    }
    m_trace.clear();
    for (int i = 0; i < kSlots; ++i) {
        slotRecord[static_cast<std::size_t>(i)] = kept[i] ? m_trace.adopt(*kept[i]) : TimeSequenceTrace::kRecords;
    }
    m_trace.redraw();
}

void Wire::FollowTime(std::int64_t lTime)
{
    if (!VScroll1.visible()) return;
    const int start = m_trace.startToFollow(lTime);
    if (start != VScroll1.value()) VScroll1.userScroll(start);
}

TraceRecord* Wire::writableRecord(int r)
{
    if (m_trace.full() || r < 0 || r >= m_trace.traceCount()) return nullptr;
    return &m_trace.record(r);
}

void Wire::report(int code, Packet& p)
{
    m_ctx.routing.PacketDone(routingIndex, code, p);
}

void Wire::MovePackets(std::int64_t lTime)
{
    // A reset from inside a report ends the move.
    const auto token = m_epoch.token();
    // A packet put on during the loop into a higher slot is moved in this
    // pass (elapsed time 0), one put into a lower slot at the next.
    for (int i = 0; i < kSlots; ++i) {
        if (!cmdPacket[i].visible()) continue;
        if (m_pktWire[static_cast<std::size_t>(i)].ACKFlag) {
            moveReverse(i, lTime, token);
        } else {
            moveForward(i, lTime, token);
        }
        if (m_epoch.changedSince(token)) return;
    }

    // Reported from copies: a sender told its direction is free may at once
    // lose another packet to a wire that is still full.
    if (m_dataLost) {
        m_dataLost = false;
        Packet lost = m_lostData;
        report(DataLineFree, lost);
        if (m_epoch.changedSince(token)) return;
    }
    if (m_ackLost) {
        m_ackLost = false;
        Packet lost = m_lostACK;
        report(ACKLineFree, lost);
    }
}

// The branches capture the slot's record index and compute positions before
// reporting: a report may put another packet into this slot (after it was
// freed) or empty the wire; `token` tells the latter.
void Wire::moveForward(int i, std::int64_t lTime, widgets::Epoch::Token token)
{
    Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    const int r = slotRecord[static_cast<std::size_t>(i)];
    auto [head, tail] = edgesAt(p, lTime);
    // A packet shorter than the arrival mark can wholly arrive in the tick
    // before its head would pass the end: it is then seen arriving in that
    // tick, so that whoever takes it has a slot to take it into.
    const bool whollyArrives = std::max(tail, x1()) > x2() - kArrivalMark;

    if (head > x2() || whollyArrives) {
        head = std::min(head, x2());
        if (dataArrivingSlot == -1 && firstArriving(false, lTime) == i) {
            dataArrivingSlot = i;
            report(DataHeadArrived, p);
            if (m_epoch.changedSince(token)) return;
        }
    }
    // Only the marked packet arrives: one that got there while another
    // holds the mark waits at the arrival mark until it can take it.
    const bool waits = whollyArrives && dataArrivingSlot != i;
    if (waits) tail = std::min(tail, forwardWaitTail());

    if (tail >= x1()) {
        dataSending = false;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = fractionOf(tail);
        }
        if (i == lastDataSlot) {
            lastDataSlot = -1;
            report(DataLineFree, p);
            if (m_epoch.changedSince(token)) return;
        }
    } else {
        tail = x1();
        dataSending = true;
        if (TraceRecord* rec = writableRecord(r)) rec->sendEndTime = lTime;
    }

    if (!whollyArrives || waits) {
        placePacket(i, tail, head - tail);
    } else {
        p.Active = false;
        cmdPacket[i].setVisible(false);
        report(DataArrived, p);
        if (m_epoch.changedSince(token)) return;
        // A report may have destroyed the packet and so cleared the mark
        // already, or a packet put on since may hold it.
        if (dataArrivingSlot == i) dataArrivingSlot = -1;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = 1.0;
        }
    }

    if (m_trace.traceOn() && r < TimeSequenceTrace::kRecords) m_trace.drawRecord(r);
}

void Wire::moveReverse(int i, std::int64_t lTime, widgets::Epoch::Token token)
{
    Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    const int r = slotRecord[static_cast<std::size_t>(i)];
    auto [head, tail] = edgesAt(p, lTime);
    // Only the marked packet arrives: one that got there while another
    // holds the mark waits at the arrival mark until it can take it.
    const bool whollyArrives = tail < x1();
    const bool waits =
        whollyArrives && ackArrivingSlot != i && !(ackArrivingSlot == -1 && firstArriving(true, lTime) == i);
    if (waits) tail = reverseWaitTail();

    if (tail <= x2()) {
        ackSending = false;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = fractionOf(tail);
        }
        if (i == lastACKSlot) {
            lastACKSlot = -1;
            report(ACKLineFree, p);
            if (m_epoch.changedSince(token)) return;
        }
    } else {
        tail = x2();
        ackSending = true;
        if (TraceRecord* rec = writableRecord(r)) rec->sendEndTime = lTime;
    }

    if (head > x2() - kArrivalMark) head = x2() - kArrivalMark;
    if (head < x1()) {
        head = x1();
        if (ackArrivingSlot == -1 && firstArriving(true, lTime) == i) {
            ackArrivingSlot = i;
            report(ACKHeadArrived, p);
            if (m_epoch.changedSince(token)) return;
        }
    }

    if (!whollyArrives || ackArrivingSlot != i) {
        if (whollyArrives) tail = reverseWaitTail();
        placePacket(i, head, tail - head);
    } else {
        p.Active = false;
        cmdPacket[i].setVisible(false);
        report(ACKArrived, p);
        if (m_epoch.changedSince(token)) return;
        // A report may have destroyed the packet and so cleared the mark
        // already, or a packet put on since may hold it.
        if (ackArrivingSlot == i) ackArrivingSlot = -1;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = 0.0;
        }
    }

    if (m_trace.traceOn() && r < TimeSequenceTrace::kRecords) m_trace.drawRecord(r);
}

// ---- Destroying ---------------------------------------------------------

void Wire::packetClicked(int i)
{
    if (cmdPacket[i].visible()) ++m_destroyedTotal;
    destroyPacket(i);
}

int Wire::freeSlot() const
{
    for (int i = 0; i < kSlots; ++i) {
        if (!cmdPacket[i].visible()) return i;
    }
    return -1;
}

// The moves in moveForward / moveReverse, solved for the elapsed time: a
// data packet has arrived once its tail passes X2 - kArrivalMark, an
// acknowledgement once its tail passes X1.
double Wire::flightMs(const Packet& p) const
{
    const double span = x2() - x1();
    const double sending = static_cast<double>(p.Length) / (4 * bitRate);
    double s = 0;
    if (p.ACKFlag) {
        s = delay + sending;
    } else {
        s = span > 0 ? delay * (1 - kArrivalMark / span) + sending : sending;
    }
    return std::max(0.0, s * 1000);
}

// A click reports the roles the packet has at that moment. Roles are taken
// before any report, and the reports carry a copy of the packet: a report may
// put a new packet into the slot this click has just freed. A slot reported
// free (10, 11) is forgotten as the one being sent, as after 6 and 7, so that
// a later packet of the other direction in the same slot cannot report it.
void Wire::destroyPacket(int i)
{
    widgets::Button& b = cmdPacket[i];
    if (!b.visible()) return;
    b.setVisible(false);

    const bool wasSendingData = i == lastDataSlot;
    const bool wasArrivingData = i == dataArrivingSlot;
    const bool wasSendingACK = i == lastACKSlot;
    const bool wasArrivingACK = i == ackArrivingSlot;
    Packet gone = m_pktWire[static_cast<std::size_t>(i)];
    // A reset from inside a report ends the click's reports.
    const auto token = m_epoch.token();

    if (wasSendingData) {
        dataSending = false;
        lastDataSlot = -1;
        report(DataSendCancelled, gone);
        if (m_epoch.changedSince(token)) return;
    }
    if (wasArrivingData) {
        dataArrivingSlot = -1;
        report(DataArrivalKilled, gone);
        if (m_epoch.changedSince(token)) return;
    }
    if (wasSendingACK) {
        ackSending = false;
        lastACKSlot = -1;
        report(ACKSendCancelled, gone);
        if (m_epoch.changedSince(token)) return;
    }
    if (wasArrivingACK) {
        ackArrivingSlot = -1;
        report(ACKArrivalKilled, gone);
    }
}

// Cancelling removes the packet being sent exactly as a click on it does, so
// a packet that was also arriving releases its arrival mark too.
void Wire::DataCancel()
{
    if (!dataSending) return;
    dataSending = false;
    if (lastDataSlot >= 0) destroyPacket(lastDataSlot);
}

void Wire::ACKCancel()
{
    if (!ackSending) return;
    ackSending = false;
    if (lastACKSlot >= 0) destroyPacket(lastACKSlot);
}

// ---- Trace --------------------------------------------------------------

void Wire::Trace(bool bOn)
{
    m_trace.setOn(bOn);
}
void Wire::ReDrawTrace()
{
    m_trace.redraw();
}
void Wire::SetPicHeight(std::int64_t lNewValue)
{
    m_trace.setPictureHeight(lNewValue);
}

// ---- state -------------------------------------------------------------------

Wire::State Wire::state() const
{
    return State{routingIndex,
                 delay,
                 bitRate,
                 dataSending,
                 ackSending,
                 lastDataSlot,
                 lastACKSlot,
                 dataArrivingSlot,
                 ackArrivingSlot,
                 m_trace.traceOn(),
                 m_trace.traceCount(),
                 m_trace.labelCount(),
                 x1(),
                 x2()};
}
