// SPDX-License-Identifier: MIT
// The receiver's rules: which slot takes an arrival, delivery, the ACK
// buffer and its clock, Ready/Hold. The layout is in receiver_panel.cpp.
#include "receiver/receiver.h"

#include <string>

namespace {

// Slot-mark colours (0xBBGGRR) of the packet-number label.
constexpr std::int64_t kFreshColour = 0x000000;
constexpr std::int64_t kIdleColour = 0x808080;
constexpr std::int64_t kIncomingColour = 0x804020;
constexpr std::int64_t kMisnumberedColour = 0x0000FF;

constexpr widgets::num::Millis kWrongLife = 1000;
constexpr widgets::num::Millis kTickMs = 100;

std::int32_t toNumber(std::int64_t v)
{
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::int64_t Receiver::slotColour(SlotMark mark, std::int64_t packetColour)
{
    switch (mark) {
        case SlotMark::Fresh:
            return kFreshColour;
        case SlotMark::Idle:
            return kIdleColour;
        case SlotMark::Incoming:
            return kIncomingColour;
        case SlotMark::Misnumbered:
            return kMisnumberedColour;
        case SlotMark::Arrived:
            break;
    }
    return packetColour;
}

Receiver::SlotMark Receiver::slotMarkOf(std::int64_t colour)
{
    switch (colour) {
        case kFreshColour:
            return SlotMark::Fresh;
        case kIdleColour:
            return SlotMark::Idle;
        case kIncomingColour:
            return SlotMark::Incoming;
        case kMisnumberedColour:
            return SlotMark::Misnumbered;
        default:
            return SlotMark::Arrived;
    }
}

Receiver::Receiver(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx), Timer1(this, "Timer1", ctx.scheduler, ctx.timerOrder)
{
    buildPanel();
    startUp();
}

Receiver::~Receiver() = default;

// ---- start-up and reset ---------------------------------------------------

void Receiver::startUp()
{
    Timer1.setInterval(kTickMs);
    Timer1.setEnabled(true);
    rxWindow = 1;
    set_queue();
    rxBase = 0;
    fill_combos();
    restorePanelSize();
    ResetReceiverState();
}

void Receiver::Reset(int iLevel, int RELEASE)
{
    if (iLevel == 0) {
        startUp();
    } else if (iLevel == 1) {
        ResetReceiverState();
    }
    restricted = RELEASE;
}

void Receiver::ResetReceiverState()
{
    m_epoch.advance();
    rxClock = 0;
    wrongUntil = 0;
    lblWrong.setVisible(false);
    // The box shows the state: a reset receiver is Ready.
    rxReady = true;
    chkRxReady.setCaption(kReadyCaption);
    chkRxReady.setValue(0);
    ackLineBusy = false;
    rxBase = 0;
    for (Packet& e : m_rxACKBuffer) e.Initialise();
    for (int i = 0; i < kSlots; ++i) {
        Packet& r = m_rxQueue[static_cast<std::size_t>(i)];
        r.Initialise();
        r.Number = i;
        lblRxPacket[i].setCaption(widgets::num::blankNumber(i));
        setSlotMark(i, SlotMark::Fresh);
        if (maxSequence > 0) {
            r.SequenceNumber = toNumber(widgets::num::seqOf(i, maxSequence));
            lblRxSeq[i].setCaption(widgets::num::blankNumber(std::int64_t{r.SequenceNumber}));
        } else {
            r.SequenceNumber = 0;
            lblRxSeq[i].setCaption("");
        }
    }
    lblRxMode.setCaption("Initial");
}

void Receiver::Pause(bool bPause)
{
    Timer1.setEnabled(!bPause);
}

// ---- properties -----------------------------------------------------------

void Receiver::SetIndex(int iNewValue)
{
    routingIndex = iNewValue;
}
int Receiver::Index() const
{
    return routingIndex;
}

void Receiver::SetRxPolicy(int iNewValue)
{
    if (iNewValue < 0 || iNewValue >= static_cast<int>(kRxPolicies.texts.size())) return;
    cmbRxPolicy.setListIndex(iNewValue);
}

void Receiver::SetMaxSequence(int iNewValue)
{
    maxSequence = widgets::num::toInteger(iNewValue);
    cmbMaxSequence.setText(widgets::num::blankNumber(maxSequence));
}

void Receiver::SetRxWindow(int iNewValue)
{
    if (iNewValue < 1 || iNewValue > kSlots) return;
    rxWindow = iNewValue;
    cmbRxWindowSize.setListIndex(iNewValue - 1);
}

void Receiver::SetACKMode(int iNewValue)
{
    if (iNewValue < 0 || iNewValue >= static_cast<int>(kAckModes.texts.size())) return;
    cmbAckMode.setListIndex(iNewValue);
}

// ---- slots ----------------------------------------------------------------

Receiver::SlotMark Receiver::slotMark(int i) const
{
    return slotMarkOf(lblRxPacket[i].foreColour());
}

std::int64_t Receiver::slotNumber(int i) const
{
    return widgets::num::toLong(widgets::num::textValue(lblRxPacket[i].caption()));
}

std::int64_t Receiver::slotSequence(int i) const
{
    return widgets::num::toLong(widgets::num::textValue(lblRxSeq[i].caption()));
}

bool Receiver::isArriving(int i) const
{
    const SlotMark m = slotMark(i);
    return m == SlotMark::Incoming || m == SlotMark::Misnumbered;
}

void Receiver::setSlotMark(int i, SlotMark mark, std::int64_t packetColour)
{
    lblRxPacket[i].setForeColour(slotColour(mark, packetColour));
    if (const auto seqMark = sequenceMark(mark)) lblRxSeq[i].setForeColour(slotColour(*seqMark, packetColour));
}

std::optional<Receiver::SlotMark> Receiver::sequenceMark(SlotMark mark)
{
    if (mark == SlotMark::Fresh) return std::nullopt;  // a reset leaves the sequence label's colour
    // The sequence label never turns red.
    return mark == SlotMark::Misnumbered ? SlotMark::Incoming : mark;
}

bool Receiver::inWindowPolicy() const
{
    return kRxPolicies.is(cmbRxPolicy.text(), RxPolicy::InWindow);
}

void Receiver::renumberIdleSlots()
{
    // Slot 0's labels are the base: the slot records are not changed, and a
    // slot that holds an arrived packet loses its colour (it is still
    // delivered).
    for (int i = 0; i < rxWindow; ++i) {
        if (isArriving(i)) continue;
        setSlotMark(i, SlotMark::Idle);
        lblRxPacket[i].setCaption(widgets::num::blankNumber(slotNumber(0) + i));
        lblRxSeq[i].setCaption(
            maxSequence < 1 ? "" : widgets::num::blankNumber(widgets::num::seqOf(slotSequence(0) + i, maxSequence)));
    }
}

void Receiver::loseArrivalsBeyondWindow()
{
    // A packet arriving into a slot that leaves the window is lost with it:
    // its arrival looks only inside the window and would otherwise leave the
    // mark standing, to be found by a later arrival.
    for (int i = rxWindow; i < kSlots; ++i) {
        if (!isArriving(i)) continue;
        m_rxQueue[static_cast<std::size_t>(i)].Active = false;
        setSlotMark(i, SlotMark::Idle);
    }
}

// ---- reception ------------------------------------------------------------

void Receiver::Arriving(Packet& pktArrival)
{
    const std::int64_t n = pktArrival.Number;
    const std::int64_t s = pktArrival.SequenceNumber;

    // In Order: only the lowest empty slot (the slots below it wait for
    // delivery). In Window: any slot of the window.
    int limit = 0;
    if (inWindowPolicy()) {
        limit = rxWindow - 1;
    } else {
        for (int i = 0; i < rxWindow; ++i) {
            if (!m_rxQueue[static_cast<std::size_t>(i)].Active) {
                limit = i;
                break;
            }
        }
    }
    int k = -1;
    for (int i = 0; i <= limit; ++i) {
        if (m_rxQueue[static_cast<std::size_t>(i)].Active) continue;
        if (maxSequence == 0 || slotSequence(i) == s) {
            k = i;
            break;
        }
    }
    if (k < 0) {
        ++m_totals.ignored;
        lblRxMode.setCaption("Ignoring " + widgets::num::blankNumber(n));
        return;
    }

    Packet& slot = m_rxQueue[static_cast<std::size_t>(k)];
    pktArrival.CopyPacket(slot);
    setSlotMark(k, SlotMark::Incoming);
    lblRxSeq[k].setVisible(maxSequence > 0);
    lblRxSeq[k].setCaption(widgets::num::plainNumber(s));
    lblRxPacket[k].setVisible(true);
    slot.Active = true;
    slot.Colour = kIncomingColour;
    if (slotNumber(k) != n) setSlotMark(k, SlotMark::Misnumbered);
    // Taken under a sequence number that belongs to another packet: the
    // sequence space is too small for the windows in use.
    if (rxBase + k != n) {
        ++m_totals.wrong;
        ShowWrong();
    }

    if (slotNumber(0) != n) {
        lblRxMode.setCaption("Receiving " + widgets::num::blankNumber(n) + " (not " + lblRxPacket[0].caption() + ")");
    } else {
        lblRxMode.setCaption("Receiving " + widgets::num::blankNumber(n));
    }
}

void Receiver::Arrive(Packet& pktArrival)
{
    // The wire brings at most one packet at a time, so the one arriving slot
    // is found by its mark.
    int f = -1;
    for (int i = 0; i < rxWindow; ++i) {
        if (isArriving(i)) {
            f = i;
            break;
        }
    }
    if (f >= 0) {
        setSlotMark(f, SlotMark::Arrived, pktArrival.Colour);
        m_rxQueue[static_cast<std::size_t>(f)].Colour = pktArrival.Colour;
    }
    if (rxReady && f == 0) {
        DeliverPackets();
        lblRxMode.setCaption("Expecting" + lblRxPacket[0].caption());
    }
    queueAck(pktArrival, f);
}

void Receiver::KillArriving(Packet&)
{
    for (int i = 0; i < rxWindow; ++i) {
        if (!isArriving(i)) continue;
        m_rxQueue[static_cast<std::size_t>(i)].Active = false;
        setSlotMark(i, SlotMark::Idle);
        lblRxMode.setCaption("Expecting " + widgets::num::blankNumber(std::int64_t{m_rxQueue[0].Number}));
        return;
    }
}

void Receiver::DeliverPackets()
{
    const int w = rxWindow - 1;
    while (m_rxQueue[0].Active && m_rxQueue[0].Colour != kIncomingColour) {
        // Slot 0 expects packet rxBase: the test of a "Wrong!" arrival, made
        // again now that the packet leaves the window.
        if (m_rxQueue[0].Number != rxBase) ++m_totals.deliveredWrong;
        for (int j = 0; j < w; ++j) {
            m_rxQueue[static_cast<std::size_t>(j) + 1].CopyPacket(m_rxQueue[static_cast<std::size_t>(j)]);
            lblRxPacket[j].setForeColour(lblRxPacket[j + 1].foreColour());
            lblRxSeq[j].setForeColour(lblRxSeq[j + 1].foreColour());
            lblRxPacket[j].setCaption(lblRxPacket[j + 1].caption());
            lblRxSeq[j].setCaption(lblRxSeq[j + 1].caption());
        }
        ++rxBase;
        ++m_totals.delivered;
        // The slot entering at the right; its sequence label keeps its visibility.
        const std::int64_t number = std::int64_t{rxBase} + w;
        const std::int64_t seq = widgets::num::seqOf(number, maxSequence);
        Packet& r = m_rxQueue[static_cast<std::size_t>(w)];
        r.Initialise();
        r.Number = toNumber(number);
        r.SequenceNumber = toNumber(seq);
        lblRxPacket[w].setCaption(widgets::num::blankNumber(number));
        lblRxSeq[w].setCaption(maxSequence < 1 ? "" : widgets::num::blankNumber(seq));
        setSlotMark(w, SlotMark::Idle);
        r.Colour = kIdleColour;
    }
}

void Receiver::ShowWrong()
{
    lblWrong.setVisible(true);
    wrongUntil = rxClock + kWrongLife;
}

// ---- acknowledgements -----------------------------------------------------

Receiver::AckMode Receiver::ackMode() const
{
    return kAckModes.of(cmbAckMode.text()).value_or(AckMode::None);
}

widgets::num::Millis Receiver::readyTime() const
{
    // Seconds as typed; a value beyond the Long range of milliseconds clamps,
    // which keeps the entry waiting for the rest of the run.
    const double seconds = widgets::num::textValue(cmbRxProcTime.text());
    return widgets::num::toLong(static_cast<double>(rxClock) + seconds * 1000.0);
}

int Receiver::lowestFreeEntry() const
{
    for (int i = 0; i < kAckEntries; ++i) {
        if (!m_rxACKBuffer[static_cast<std::size_t>(i)].Active) return i;
    }
    return kAckEntries - 1;  // full: the last entry is overwritten
}

bool Receiver::holdsPacket(std::int64_t n) const
{
    if (n < rxBase) return true;
    for (int i = 0; i < rxWindow; ++i) {
        const Packet& r = m_rxQueue[static_cast<std::size_t>(i)];
        if (r.Active && r.Number == n) return true;
    }
    return false;
}

void Receiver::queueAck(const Packet& pktArrival, int f)
{
    const AckMode mode = ackMode();
    if (mode == AckMode::None || mode == AckMode::Software) return;

    // A "Delayed" ACK for an in-order packet replaces the head and restarts
    // its wait.
    const int entry = mode == AckMode::Delayed && f == 0 ? 0 : lowestFreeEntry();
    Packet& a = m_rxACKBuffer[static_cast<std::size_t>(entry)];
    a.Initialise();
    const std::int64_t n = pktArrival.Number;
    a.Active = true;
    a.ACKFlag = true;
    a.Length = 1;
    a.Colour = PacketColour::kAck;
    if (mode == AckMode::Single) {
        a.Number = toNumber(n + 1);
        a.SequenceNumber = toNumber(widgets::num::seqOf(n + 1, maxSequence));
        a.SelectiveACKFlag = true;
    } else {
        const std::int64_t e = slotNumber(0);
        a.Number = toNumber(e);
        a.SequenceNumber = toNumber(widgets::num::seqOf(e, maxSequence));
        a.CumulativeACKFlag = true;
        // The transmitter takes a selective ACK as acknowledging every slot
        // with the trigger's sequence number; for a packet that was not taken
        // that is only true when the receiver has the packet already.
        // Otherwise the ACK merely repeats the next expected number.
        a.SelectiveACKFlag = mode == AckMode::Selective && (f >= 0 || holdsPacket(n));
    }
    a.TriggerNumber = toNumber(widgets::num::seqOf(n, maxSequence));
    a.ShowSequenceFlag = maxSequence != 0;
    a.TimeStarted = readyTime();
}

void Receiver::QueueReadyHold(int v)
{
    Packet& e = m_rxACKBuffer[static_cast<std::size_t>(lowestFreeEntry())];
    e.Initialise();
    e.TimeStarted = readyTime();
    e.Active = true;
    e.ACKFlag = true;
    e.Length = 1;
    e.Colour = v ? PacketColour::kReady : PacketColour::kHold;
    e.TriggerNumber = v;
    e.SequenceNumber = v;
    e.Number = v;
}

void Receiver::TxFree()
{
    ackLineBusy = false;
}

void Receiver::clockTick()
{
    if (rxClock > wrongUntil) lblWrong.setVisible(false);
    const Packet& h = m_rxACKBuffer[0];
    if (h.TimeStarted < rxClock && h.Active && (ackMode() == AckMode::Software || rxReady) && !ackLineBusy) {
        const auto token = m_epoch.token();
        sendHead();
        // A reset from inside the report has started the receiver afresh.
        if (m_epoch.changedSince(token)) return;
    }
    rxClock += Timer1.interval();
}

void Receiver::sendHead()
{
    // Busy before the report: the line may be freed (TxFree) from inside it.
    ackLineBusy = true;
    const auto token = m_epoch.token();
    m_ctx.routing.PacketDone(routingIndex, SendACK, m_rxACKBuffer[0]);
    if (m_epoch.changedSince(token)) return;  // reset from inside the report
    // The wire has copied the head during the report; the entry is reused.
    for (int i = 0; i + 1 < kAckEntries; ++i) {
        m_rxACKBuffer[static_cast<std::size_t>(i) + 1].CopyPacket(m_rxACKBuffer[static_cast<std::size_t>(i)]);
    }
    m_rxACKBuffer[kAckEntries - 1].Initialise();
}

void Receiver::readyHoldClicked()
{
    const bool software = ackMode() == AckMode::Software;
    if (chkRxReady.caption() == kReadyCaption) {
        chkRxReady.setCaption(kHoldCaption);
        if (software) QueueReadyHold(0);
        rxReady = false;
    } else {
        chkRxReady.setCaption(kReadyCaption);
        if (software) QueueReadyHold(1);
        DeliverPackets();
        rxReady = true;
    }
}

// ---- settings ---------------------------------------------------------------

void Receiver::windowSizeChanged()
{
    const double v = widgets::num::textValue(cmbRxWindowSize.text());
    if (!(v > 0 && v <= kSlots)) return;
    const int w = widgets::num::toInteger(v);
    if (w < 1) return;  // a fraction below one half would round to no window at all
    rxWindow = w;
    set_queue();
}

void Receiver::maxSequenceChanged()
{
    // Free text: clamped to the Integer range; values below 1 switch sequence
    // numbers off (seqOf never divides by zero).
    maxSequence = widgets::num::toInteger(widgets::num::textValue(cmbMaxSequence.text()));
    for (int i = 0; i < rxWindow; ++i) {
        Packet& r = m_rxQueue[static_cast<std::size_t>(i)];
        if (maxSequence >= 1) {
            r.SequenceNumber = toNumber(widgets::num::seqOf(r.Number, maxSequence));
            lblRxSeq[i].setVisible(true);
        } else {
            r.SequenceNumber = 0;
            lblRxSeq[i].setVisible(false);
        }
        lblRxSeq[i].setCaption(widgets::num::plainNumber(r.SequenceNumber));
    }
}

// ---- state -------------------------------------------------------------------

Receiver::State Receiver::state() const
{
    return State{rxWindow, rxBase, maxSequence, rxClock, wrongUntil, rxReady, ackLineBusy, routingIndex, restricted};
}
