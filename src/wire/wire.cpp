#include "wire/wire.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "widgets/numbers.h"

namespace {

constexpr std::int64_t kGreen = 0x008000;
constexpr std::int64_t kBackground = 0xE0E0E0;

// Design geometry, display units.
constexpr double kLineY = 480;
constexpr double kDesignX1 = 120;
constexpr double kDesignX2 = 7080;
constexpr double kForwardTop = 360;
constexpr double kReverseTop = 120;
constexpr double kPacketHeight = 495;
// The tail of a forward packet must pass X2 - kArrivalMark for it to have
// wholly arrived; a reverse packet is never drawn right of it.
constexpr double kArrivalMark = 120;
// From the right end: the right marker's Left, the bars' Left, and the
// picture's width.
constexpr double kMarkerFromEnd = 120;
constexpr double kBarsFromEnd = 360;
constexpr double kPictureFromEnd = 585;

// A vanishing delay or bit rate makes positions overflow: they are held at the
// largest finite value, so that no position is ever infinite or undefined.
constexpr double kFar = std::numeric_limits<double>::max();

const char* const kDelayItems[] = {"0.5", "1.0", "2.0", "5.0", "10.0"};
const char* const kBitRateItems[] = {"0.2", "0.5", "1.0", "2.0", "5.0"};

// The timing model divides by the delay and the bit rate.
bool usable(double v)
{
    return std::isfinite(v) && v > 0;
}

}  // namespace

Wire::Wire(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    setBackColour(kBackground);
    setWidth(kDesignX2 + kMarkerFromEnd);
    setHeight(7695);

    Line1.setPoints(kDesignX1, kLineY, kDesignX2, kLineY);
    Line1.setColour(kGreen);
    for (int k = 0; k < Shape1.size(); ++k) {
        Shape1[k].setForm(widgets::Shape::Form::Circle);
        Shape1[k].setFilled(true);
        Shape1[k].setFillColour(kGreen);
        Shape1[k].setBorderColour(kGreen);
    }
    Shape1[0].setGeometry(0, 360, 255, 255);
    Shape1[1].setGeometry(kDesignX2 - kMarkerFromEnd, 360, 255, 255);

    for (int i = 0; i < kSlots; ++i) {
        cmdPacket[i].setGeometry(kDesignX1, kForwardTop, 0, kPacketHeight);
        cmdPacket[i].setVisible(false);
        cmdPacket[i].setTabStop(false);
        cmdPacket[i].onClick = [this, i] { packetClicked(i); };
    }

    cmdEdit.setCaption("Edit");
    cmdEdit.setGeometry(240, 540, 855, 315);
    cmdEdit.onClick = [this] { toggleEdit(); };

    lblBitRate.setCaption("Bit Rate");
    lblBitRate.setBackColour(kBackground);
    lblBitRate.setFont(lblBitRate.font().points, true);
    lblBitRate.setGeometry(720, 120, 1155, 255);
    lblBitRate.setVisible(false);
    cmbBitRate.setGeometry(1920, 60, 915, 420);
    cmbBitRate.setVisible(false);
    cmbBitRate.onChange = [this] { readBitRate(); };
    cmbBitRate.onClick = [this] { readBitRate(); };

    lblDelay.setCaption("Delay");
    lblDelay.setBackColour(kBackground);
    lblDelay.setFont(lblDelay.font().points, true);
    lblDelay.setGeometry(1140, 540, 735, 315);
    lblDelay.setVisible(false);
    cmbDelay.setGeometry(1920, 480, 915, 420);
    cmbDelay.setVisible(false);
    cmbDelay.onChange = [this] { readDelay(); };
    cmbDelay.onClick = [this] { readDelay(); };

    Picture1.setGeometry(240, 1200, kDesignX2 - kPictureFromEnd, 6375);
    Picture1.setVisible(false);

    VScroll1.setGeometry(kDesignX2 - kBarsFromEnd, 1200, 255, 5175);
    VScroll1.setMin(0);
    VScroll1.setSmallChange(1);
    VScroll1.setVisible(false);
    VScroll2.setGeometry(kDesignX2 - kBarsFromEnd, 6360, 255, 1215);
    VScroll2.setMin(1);
    VScroll2.setMax(100);
    VScroll2.setSmallChange(1);
    VScroll2.setLargeChange(10);
    VScroll2.setValue(75);
    VScroll2.setVisible(false);
    VScroll1.onChange = [this] { ReDrawTrace(); };
    VScroll2.onChange = [this] { ReDrawTrace(); };

    for (int k = 0; k < txtTrace.size(); ++k) {
        txtTrace[k].setText("99");
        txtTrace[k].setFont(txtTrace[k].font().points, true);
        txtTrace[k].setGeometry(0, 0, 375, 285);
        txtTrace[k].setVisible(false);
    }

    Reset(0);
}

Wire::~Wire() = default;

// ---- Start-up and emptying ----------------------------------------------

void Wire::Reset(int iLevel)
{
    if (iLevel == 0) {
        FillWireCombos();
        VScroll1.setMax(1);
        VScroll1.setLargeChange(1);
        ClearWire();
    } else if (iLevel == 1) {
        ClearWire();
    }
}

void Wire::FillWireCombos()
{
    for (const char* s : kDelayItems) cmbDelay.addItem(s);
    cmbDelay.setText("1.0");
    delay = 1.0;
    for (const char* s : kBitRateItems) cmbBitRate.addItem(s);
    cmbBitRate.setText("1.0");
    bitRate = 1.0;
}

void Wire::ClearWire()
{
    ++m_generation;
    m_trace.clear();
    for (int i = 0; i < kSlots; ++i) {
        pktWire[static_cast<std::size_t>(i)].Initialise();
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

void Wire::toggleEdit()
{
    const bool open = cmdEdit.caption() == "Edit";
    cmdEdit.setCaption(open ? "Done" : "Edit");
    lblBitRate.setVisible(open);
    cmbBitRate.setVisible(open);
    lblDelay.setVisible(open);
    cmbDelay.setVisible(open);
}

// A text without a positive value (empty, "0", "-2", "abc") leaves the last
// good value in force; the combo keeps what was typed.
void Wire::readBitRate()
{
    const double v = num::textValue(cmbBitRate.text());
    if (usable(v)) bitRate = v;
}

void Wire::readDelay()
{
    const double v = num::textValue(cmbDelay.text());
    if (usable(v)) delay = v;
}

void Wire::SetBitRate(double v)
{
    if (usable(v)) bitRate = v;
    cmbBitRate.setText(num::blankNumber(v));
}

void Wire::SetDelay(double v)
{
    if (usable(v)) delay = v;
    cmbDelay.setText(num::blankNumber(v));
}

int Wire::Length() const
{
    return num::toInteger(x2() - x1());
}

void Wire::SetLength(int n)
{
    Line1.setX2(x1() + n);
    Shape1[1].setLeft(x2() - kMarkerFromEnd);
    Picture1.setWidth(x2() - kPictureFromEnd);
    VScroll1.setLeft(x2() - kBarsFromEnd);
    VScroll2.setLeft(x2() - kBarsFromEnd);
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

    Packet& p = pktWire[static_cast<std::size_t>(i)];
    pktIN.CopyPacket(p);
    p.HopStarted = lTime;

    widgets::Button& b = cmdPacket[i];
    b.setVisible(true);
    b.setBackColour(p.Colour);
    if (p.ACKFlag) {
        b.setLeft(x2() - kArrivalMark);
        lastACKSlot = i;
    } else {
        b.setLeft(x1());
        lastDataSlot = i;
    }
    b.setWidth(0);
    showCaption(i);
    b.setTop(p.ACKFlag ? kReverseTop : kForwardTop);

    // A full table leaves the slot's record index as it was.
    if (!m_trace.full()) {
        slotRecord[static_cast<std::size_t>(i)] = m_trace.traceCount();
        m_trace.open(p, lTime);
    }
}

void Wire::showCaption(int i)
{
    const Packet& p = pktWire[static_cast<std::size_t>(i)];
    std::string caption;
    if (!p.ACKFlag && p.Number >= 0) {
        caption = "(" + num::blankNumber(p.Number) + ")";
        if (p.ShowSequenceFlag) caption = num::blankNumber(p.SequenceNumber) + caption;
    } else if (p.ACKFlag && p.ShowSequenceFlag) {
        caption = num::blankNumber(p.SequenceNumber) + "(" + num::blankNumber(p.TriggerNumber) + ")";
    }
    cmdPacket[i].setCaption(caption);
}

// ---- Movement -----------------------------------------------------------

double Wire::along(double fromX, double fraction) const
{
    double d = fraction * (x2() - x1());
    if (std::isnan(d)) d = 0;  // an infinite fraction of a line of length 0
    const double v = fromX + d;
    if (std::isnan(v)) return fromX;  // a held extreme met an infinite length
    return num::roundEven(std::clamp(v, -kFar, kFar));
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
    const Packet& p = pktWire[static_cast<std::size_t>(i)];
    // Not moved yet: where it was put on.
    if (lTime <= p.HopStarted) return Span{cmdPacket[i].left(), cmdPacket[i].width()};
    auto [head, tail] = edgesAt(p, lTime);
    if (p.ACKFlag) {
        tail = std::min(tail, x2());
        head = std::max(std::min(head, x2() - kArrivalMark), x1());
        if (tail < x1()) return std::nullopt;
        return Span{head, tail - head};
    }
    head = std::min(head, x2());
    tail = std::max(tail, x1());
    if (tail > x2() - kArrivalMark) return std::nullopt;
    return Span{tail, head - tail};
}

void Wire::ClearTrace()
{
    std::array<std::optional<TraceRecord>, kSlots> kept;
    for (int i = 0; i < kSlots; ++i) {
        const int r = slotRecord[static_cast<std::size_t>(i)];
        const Packet& p = pktWire[static_cast<std::size_t>(i)];
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
    const std::uint64_t generation = m_generation;
    // A packet put on during the loop into a higher slot is moved in this
    // pass (elapsed time 0), one put into a lower slot at the next.
    for (int i = 0; i < kSlots; ++i) {
        if (!cmdPacket[i].visible()) continue;
        if (pktWire[static_cast<std::size_t>(i)].ACKFlag) {
            moveReverse(i, lTime, generation);
        } else {
            moveForward(i, lTime, generation);
        }
        if (generation != m_generation) return;
    }

    // Reported from copies: a sender told its direction is free may at once
    // lose another packet to a wire that is still full.
    if (m_dataLost) {
        m_dataLost = false;
        Packet lost = m_lostData;
        report(DataLineFree, lost);
        if (generation != m_generation) return;
    }
    if (m_ackLost) {
        m_ackLost = false;
        Packet lost = m_lostACK;
        report(ACKLineFree, lost);
    }
}

// The branches capture the slot's record index and compute positions before
// reporting: a report may put another packet into this slot (after it was
// freed) or empty the wire; `generation` tells the latter.
void Wire::moveForward(int i, std::int64_t lTime, std::uint64_t generation)
{
    Packet& p = pktWire[static_cast<std::size_t>(i)];
    widgets::Button& b = cmdPacket[i];
    const int r = slotRecord[static_cast<std::size_t>(i)];
    auto [head, tail] = edgesAt(p, lTime);
    // A packet shorter than the arrival mark can wholly arrive in the tick
    // before its head would pass the end: it is then seen arriving in that
    // tick, so that whoever takes it has a slot to take it into.
    const bool whollyArrives = std::max(tail, x1()) > x2() - kArrivalMark;

    if (head > x2() || whollyArrives) {
        head = std::min(head, x2());
        if (dataArrivingSlot == -1) {
            dataArrivingSlot = i;
            report(DataHeadArrived, p);
            if (generation != m_generation) return;
        }
    }

    if (tail >= x1()) {
        dataSending = false;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = fractionOf(tail);
        }
        if (i == lastDataSlot) {
            lastDataSlot = -1;
            report(DataLineFree, p);
            if (generation != m_generation) return;
        }
    } else {
        tail = x1();
        dataSending = true;
        if (TraceRecord* rec = writableRecord(r)) rec->sendEndTime = lTime;
    }

    if (tail <= x2() - kArrivalMark) {
        b.setLeft(tail);
        b.setWidth(head - tail);
    } else {
        p.Active = false;
        b.setVisible(false);
        report(DataArrived, p);
        if (generation != m_generation) return;
        // Only the marked packet's own arrival clears the mark: a packet that
        // overtook it (after a rate change, or a zero-length one) must not
        // make the marked packet report that it starts arriving again.
        if (dataArrivingSlot == i) dataArrivingSlot = -1;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = 1.0;
        }
    }

    if (m_trace.traceOn() && r < TimeSequenceTrace::kRecords) m_trace.drawRecord(r);
}

void Wire::moveReverse(int i, std::int64_t lTime, std::uint64_t generation)
{
    Packet& p = pktWire[static_cast<std::size_t>(i)];
    widgets::Button& b = cmdPacket[i];
    const int r = slotRecord[static_cast<std::size_t>(i)];
    auto [head, tail] = edgesAt(p, lTime);

    if (tail <= x2()) {
        ackSending = false;
        if (TraceRecord* rec = writableRecord(r)) {
            rec->lastTime = lTime;
            rec->toPos = fractionOf(tail);
        }
        if (i == lastACKSlot) {
            lastACKSlot = -1;
            report(ACKLineFree, p);
            if (generation != m_generation) return;
        }
    } else {
        tail = x2();
        ackSending = true;
        if (TraceRecord* rec = writableRecord(r)) rec->sendEndTime = lTime;
    }

    if (head > x2() - kArrivalMark) head = x2() - kArrivalMark;
    if (head < x1()) {
        head = x1();
        if (ackArrivingSlot == -1) {
            ackArrivingSlot = i;
            report(ACKHeadArrived, p);
            if (generation != m_generation) return;
        }
    }

    if (tail >= x1()) {
        b.setLeft(head);
        b.setWidth(tail - head);
    } else {
        p.Active = false;
        b.setVisible(false);
        report(ACKArrived, p);
        if (generation != m_generation) return;
        // Only the marked packet's own arrival clears the mark: a packet that
        // overtook it (after a rate change, or a zero-length one) must not
        // make the marked packet report that it starts arriving again.
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
    Packet gone = pktWire[static_cast<std::size_t>(i)];
    const std::uint64_t generation = m_generation;

    if (wasSendingData) {
        dataSending = false;
        lastDataSlot = -1;
        report(DataSendCancelled, gone);
        if (generation != m_generation) return;
    }
    if (wasArrivingData) {
        dataArrivingSlot = -1;
        report(DataArrivalKilled, gone);
        if (generation != m_generation) return;
    }
    if (wasSendingACK) {
        ackSending = false;
        lastACKSlot = -1;
        report(ACKSendCancelled, gone);
        if (generation != m_generation) return;
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
