// SPDX-License-Identifier: MIT
#include "transmitter/transmitter.h"

#include <algorithm>
#include <optional>

#include "packet/packet.h"
#include "widgets/messagebox.h"
#include "widgets/numbers.h"
#include "widgets/scheduler.h"

namespace {

// Long arithmetic for the RTT estimate and timeouts: saturates instead of
// leaving the 32-bit range.
std::int64_t clampLong(std::int64_t v)
{
    return std::clamp(v, widgets::num::kLongMin, widgets::num::kLongMax);
}

double comboValue(const widgets::ComboBox& c)
{
    return widgets::num::textValue(c.text());
}

}  // namespace

// ---- slot states ---------------------------------------------------------

std::int64_t Transmitter::slotColour(SlotState s)
{
    switch (s) {
        case SlotState::New:
            return 0x808080;
        case SlotState::Sending:
            return 0x800000;
        case SlotState::Sent:
            return 0x800080;
        case SlotState::Expired:
            return 0x008000;
        case SlotState::Resending:
            return 0x00C000;
        case SlotState::Resent:
            return 0x8000C0;
        case SlotState::Acknowledged:
            return 0x8080FF;
        case SlotState::Unknown:
            break;
    }
    return 0;
}

Transmitter::SlotState Transmitter::slotStateOf(std::int64_t colour)
{
    for (SlotState s : {SlotState::New, SlotState::Sending, SlotState::Sent, SlotState::Expired, SlotState::Resending,
                        SlotState::Resent, SlotState::Acknowledged}) {
        if (slotColour(s) == colour) return s;
    }
    return SlotState::Unknown;
}

Transmitter::SlotState Transmitter::slotState(int i) const
{
    return slotStateOf(lblTxPacket[i].foreColour());
}

std::int64_t Transmitter::slotNumber(int i) const
{
    return widgets::num::toLong(widgets::num::textValue(lblTxPacket[i].caption()));
}

std::int64_t Transmitter::slotSequenceLabel(int i) const
{
    return widgets::num::toLong(widgets::num::textValue(lblTxSeq[i].caption()));
}

// The sequence label follows the number label into New, Sending, Expired and
// Resending; Sent, Resent and Acknowledged leave it as it was.
bool Transmitter::sequenceTakesColour(SlotState s)
{
    return s == SlotState::New || s == SlotState::Sending || s == SlotState::Expired || s == SlotState::Resending;
}

void Transmitter::setSlotState(int i, SlotState s)
{
    const std::int64_t colour = slotColour(s);
    lblTxPacket[i].setForeColour(colour);
    if (sequenceTakesColour(s)) lblTxSeq[i].setForeColour(colour);
}

bool Transmitter::isOutstanding(SlotState s)
{
    return s == SlotState::Sending || s == SlotState::Sent || s == SlotState::Resending || s == SlotState::Resent;
}

std::string Transmitter::sequenceText(std::int64_t n) const
{
    if (maxSequence < 1) return std::string();
    return widgets::num::blankNumber(widgets::num::seqOf(n, maxSequence));
}

std::string Transmitter::tenthsText(std::int64_t ms)
{
    return widgets::num::blankNumber(widgets::num::toLong(ms / 100.0));
}

void Transmitter::showRTT()
{
    lblRTT.setCaption(widgets::num::blankNumber(rttEstimate / 1000.0));
}

// ---- creation ------------------------------------------------------------

Transmitter::Transmitter(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    buildPanel();
    startUp();
}

Transmitter::~Transmitter() = default;

void Transmitter::startUp()
{
    fill_combos();
    for (int i = 0; i < kSlots; ++i) {
        m_pktTx[static_cast<std::size_t>(i)].Initialise();
        lblTxPacket[i].setCaption("");
        lblTxSeq[i].setCaption("");
        lblRTO[i].setCaption("");
    }
    // A repeated start-up closes the panel with its buttons.
    closePanel();
    txWindow = 1;
    rttEstimate = 20000;
    showRTT();
    retransmitTime = 20000;
    resetRTT = 25000;
    measuringRTT = false;
    Restart();
    lblTxMode.setCaption("Initial");
}

// ---- clock ---------------------------------------------------------------

void Transmitter::tick()
{
    txClock += Timer1.interval();
    serveAckQueue();
    // A measurement only waits for its ACK. The ACK that ends it clears the
    // flag (after the main window's reset), and the rest of this tick runs.
    if (measuringRTT) return;
    sendStep();
    timerStep();
}

// Only the first New or Expired slot is considered: while sending is not
// permitted nothing goes out, retransmissions included.
//
// Acknowledged packets leave the window from anywhere, so after a loss the
// packets in it need not be consecutive. A new packet whose number is a
// window or more beyond the oldest one in the window (slot 0) waits until
// that one has gone: otherwise the numbers in flight would spread over more
// than the sequence space can tell apart, and a late copy of an old packet
// would be taken for a new one with the same sequence number.
void Transmitter::sendStep()
{
    if (txBusy) return;
    for (int i = 0; i < txWindow; ++i) {
        const SlotState s = slotState(i);
        if (s == SlotState::New && !withinSendWindow(i)) continue;
        if (s == SlotState::New || s == SlotState::Expired) {
            if (sendPermitted) TransmitSlot(i);
            return;
        }
    }
}

bool Transmitter::withinSendWindow(int i) const
{
    if (!waitForAck || maxSequence < 1) return true;
    return slotNumber(i) - slotNumber(0) < txWindow;
}

void Transmitter::timerStep()
{
    for (int i = 0; i < txWindow; ++i) {
        const SlotState s = slotState(i);
        const Packet& p = m_pktTx[static_cast<std::size_t>(i)];
        const bool expired =
            (s == SlotState::Sent || s == SlotState::Resent) && p.HopStarted <= txClock && reliable && isTimed(i);
        if (expired) {
            if (individualRetransmit) {
                setSlotState(i, SlotState::Expired);
                lblRTO[i].setCaption("");
            } else {
                // A packet still being put on the wire stays there, but its
                // slot is sent again.
                for (int j = 0; j < txWindow; ++j) {
                    if (isOutstanding(slotState(j))) {
                        setSlotState(j, SlotState::Expired);
                        lblRTO[j].setCaption("");
                    }
                }
            }
            rttEstimate = clampLong(rttEstimate + 10);
            ComputeRetransmitTime();
        } else if ((s == SlotState::Sending || s == SlotState::Sent || s == SlotState::Resent) && retransmitTime >= 1 &&
                   isTimed(i)) {
            lblRTO[i].setCaption(tenthsText(p.HopStarted - txClock));
        }
    }
}

// ---- sending and the window ----------------------------------------------

void Transmitter::TransmitSlot(int i)
{
    if (i < 0 || i >= kSlots) return;
    Packet& p = m_pktTx[static_cast<std::size_t>(i)];
    p.Initialise();
    p.Active = true;
    p.Number = static_cast<std::int32_t>(slotNumber(i));
    if (maxSequence < 1) {
        p.SequenceNumber = 0;
        p.ShowSequenceFlag = false;
    } else {
        p.SequenceNumber = static_cast<std::int32_t>(widgets::num::seqOf(p.Number, maxSequence));
        p.ShowSequenceFlag = true;
    }
    p.TimeStarted = txClock;

    // Deadline. A later slot never expires before slot 0; for slot 0 the
    // record has just been cleared, so the first term applies.
    if (!reliable || !isTimed(i)) {
        p.HopStarted = txClock;
    } else {
        p.HopStarted = std::max(txClock + retransmitTime, m_pktTx[0].HopStarted + i);
    }

    p.Length = packetLength();

    const SlotState s = slotState(i);
    if (s == SlotState::New) {
        p.Colour = PacketColour::kData;
        setSlotState(i, SlotState::Sending);
        lblTxMode.setCaption("Transmit " + widgets::num::blankNumber(static_cast<std::int64_t>(p.Number)));
    } else if (s == SlotState::Expired) {
        p.Colour = PacketColour::kDataResent;
        setSlotState(i, SlotState::Resending);
        lblTxMode.setCaption("Retransmit " + widgets::num::blankNumber(static_cast<std::int64_t>(p.Number)));
    }

    // The wire may free the line from inside the report.
    const auto token = m_epoch.token();
    m_ctx.routing.PacketDone(routingIndex, SendData, p);

    lblRTO[i].setCaption(fullTimeText());
    lblRTO[i].setVisible(reliable && retransmitTime >= 1 && isTimed(i));
    // The line is busy until TxFree, unless that came during the report.
    if (!m_epoch.changedSince(token)) txBusy = true;
}

int Transmitter::packetLength() const
{
    // A typed size below zero would give the wire a negative transmission
    // time; zero is a legal size.
    return std::max(0, widgets::num::toInteger(comboValue(cmbPacketLength)));
}

double Transmitter::processingSeconds() const
{
    return comboValue(cmbTxProcTime);
}

void Transmitter::TxFree()
{
    m_epoch.advance();
    txBusy = false;
    lblTxMode.setCaption("Waiting");
    for (int i = 0; i < txWindow; ++i) {
        const SlotState s = slotState(i);
        if (s == SlotState::Sending) {
            if (waitForAck) {
                setSlotState(i, SlotState::Sent);
            } else {
                GoneMoveUp();
            }
        } else if (s == SlotState::Resending) {
            if (waitForAck) {
                setSlotState(i, SlotState::Resent);
            } else {
                GoneMoveUp();
            }
        }
    }
}

void Transmitter::GoneMoveUp()
{
    int s = 0;
    for (int i = 0; i < txWindow; ++i) {
        if (slotState(i) == SlotState::Acknowledged) {
            s = i;
            break;
        }
    }

    for (int i = s; i < txWindow - 1; ++i) {
        m_pktTx[static_cast<std::size_t>(i + 1)].CopyPacket(m_pktTx[static_cast<std::size_t>(i)]);
        lblTxPacket[i].setCaption(lblTxPacket[i + 1].caption());
        lblTxPacket[i].setForeColour(lblTxPacket[i + 1].foreColour());
        lblTxPacket[i].setVisible(lblTxPacket[i + 1].visible());
        lblTxSeq[i].setCaption(lblTxSeq[i + 1].caption());
        lblTxSeq[i].setForeColour(lblTxSeq[i + 1].foreColour());
        lblTxSeq[i].setVisible(lblTxSeq[i + 1].visible());
        lblRTO[i].setCaption(lblRTO[i + 1].caption());
        lblRTO[i].setForeColour(lblRTO[i + 1].foreColour());
        if (!individualTimers) {
            // The joint timer restarts whenever the window moves up.
            m_pktTx[static_cast<std::size_t>(i)].HopStarted = txClock + retransmitTime;
            lblRTO[i].setCaption(fullTimeText());
        }
        lblRTO[i].setVisible(reliable && isTimed(i));
    }

    const int last = txWindow - 1;
    m_pktTx[static_cast<std::size_t>(last)].Initialise();
    lblTxPacket[last].setCaption(widgets::num::blankNumber(nextPacketNumber));
    setSlotState(last, SlotState::New);
    lblTxPacket[last].setVisible(lblTxPacket[0].visible());
    lblTxSeq[last].setCaption(sequenceText(nextPacketNumber));
    lblTxSeq[last].setForeColour(kGrey);
    lblTxSeq[last].setVisible(lblTxSeq[0].visible());
    lblRTO[last].setCaption(fullTimeText());
    lblRTO[last].setVisible(false);

    ++nextPacketNumber;
}

void Transmitter::ResizeWindow(int n)
{
    if (txWindow < 1) txWindow = 1;
    n = std::clamp(n, 1, kSlots);

    const std::int64_t base = slotNumber(0);
    lblTxPacket[0].setVisible(true);
    shpTxQueue[0].setVisible(true);
    lblTxSeq[0].setCaption(sequenceText(base));
    lblTxSeq[0].setVisible(reliable);

    for (int j = txWindow; j < n; ++j) {
        lblTxPacket[j].setVisible(true);
        lblTxPacket[j].setCaption(widgets::num::blankNumber(base + j));
        setSlotState(j, SlotState::New);
        if (reliable) {
            lblTxSeq[j].setCaption(widgets::num::blankNumber(widgets::num::seqOf(base + j, maxSequence)));
            lblTxSeq[j].setVisible(true);
        } else {
            lblTxSeq[j].setCaption("");
            lblTxSeq[j].setVisible(false);
        }
        lblTxSeq[j].setForeColour(kGrey);
        shpTxQueue[j].setVisible(true);
    }

    // Dropped slots lose their packets, outstanding or not.
    for (int j = n; j < txWindow; ++j) {
        m_pktTx[static_cast<std::size_t>(j)].Initialise();
        lblTxPacket[j].setVisible(false);
        lblTxSeq[j].setVisible(false);
        shpTxQueue[j].setVisible(false);
    }

    txWindow = n;
    nextPacketNumber = slotNumber(n - 1) + 1;
    set_mode();
}

void Transmitter::Restart()
{
    // Ending a measurement here keeps its estimate: the main window's reset
    // arrives from inside ProcessACK, before that clears measuringRTT.
    if (measuringRTT) resetRTT = rttEstimate;
    measuringRTT = false;
    rttEstimate = resetRTT;
    ComputeRetransmitTime();

    for (int i = 0; i < txWindow; ++i) {
        m_pktTx[static_cast<std::size_t>(i)].Initialise();
        lblTxPacket[i].setCaption(widgets::num::blankNumber(static_cast<std::int64_t>(i)));
        setSlotState(i, SlotState::New);
        lblTxSeq[i].setCaption(sequenceText(i));
        lblTxSeq[i].setForeColour(kGrey);
        lblRTO[i].setCaption(fullTimeText());
        lblRTO[i].setForeColour(kGrey);
        lblRTO[i].setVisible(reliable && isTimed(i));
    }

    txBusy = false;
    lblTxMode.setCaption("Waiting");
    nextPacketNumber = txWindow;
    txWindowSizeClick();
    for (Packet& a : m_pktWaiting) a.Initialise();
    sendPermitted = true;
}

// ---- acknowledgements and retransmission ---------------------------------

void Transmitter::Arrive(Packet& pktACK)
{
    lblTxMode.setCaption("Processing ACK");
    for (Packet& a : m_pktWaiting) {
        if (a.Active) continue;
        pktACK.CopyPacket(a);
        a.Active = true;
        // The processing time is typed in seconds; its milliseconds are
        // clamped to the Long range, the clock itself is 64-bit.
        a.TimeStarted = txClock + widgets::num::toLong(comboValue(cmbTxProcTime) * 1000.0);
        return;
    }
    // A full queue drops the ACK silently.
}

// Entries are processed side by side, each when its own end time lies
// strictly before the clock.
void Transmitter::serveAckQueue()
{
    for (int k = 0; k < kAckQueue; ++k) {
        const Packet& a = m_pktWaiting[static_cast<std::size_t>(k)];
        if (a.Active && a.TimeStarted < txClock) {
            ProcessACK(k);
            m_pktWaiting[static_cast<std::size_t>(k)].Active = false;
        }
    }
}

void Transmitter::ProcessACK(int k)
{
    if (k < 0 || k >= kAckQueue) return;
    ++m_totals.acksProcessed;
    const Packet a = m_pktWaiting[static_cast<std::size_t>(k)];

    // A cumulative ACK names the next sequence number expected: every slot
    // before the one carrying it is acknowledged, all of them when none does.
    if (a.CumulativeACKFlag && maxSequence > 0) {
        int match = txWindow;
        for (int s = 0; s < txWindow; ++s) {
            if (m_pktTx[static_cast<std::size_t>(s)].SequenceNumber == a.SequenceNumber) {
                match = s;
                break;
            }
        }
        for (int s = 0; s < match; ++s) AcknowledgeSlot(s);
    }

    if (a.SelectiveACKFlag && maxSequence > 0) {
        for (int s = 0; s < txWindow; ++s) {
            if (slotSequenceLabel(s) == a.TriggerNumber) AcknowledgeSlot(s);
        }
    }

    // An ACK that carries a sequence number but neither flag acknowledges
    // nothing. A space below 1 means no sequence numbers, negative included.
    if (!(a.ShowSequenceFlag && maxSequence > 0)) AcknowledgeSlot(0);

    if (a.Colour == PacketColour::kHold) {
        sendPermitted = false;
    } else if (a.Colour == PacketColour::kReady) {
        sendPermitted = true;
    }

    // The packet that moves into position i is examined again.
    for (int i = 0; i < txWindow; ++i) {
        for (int n = 0; n < txWindow - i + 1 && slotState(i) == SlotState::Acknowledged; ++n) GoneMoveUp();
    }

    if (measuringRTT) {
        resetRTT = rttEstimate;
        ComputeRetransmitTime();
        // The main window resets every component, this one included, before
        // the report returns.
        m_ctx.routing.PacketDone(routingIndex, ResetRequest, m_pktWaiting[0]);
        measuringRTT = false;
    }
}

void Transmitter::AcknowledgeSlot(int s)
{
    if (s < 0 || s >= kSlots) return;
    const SlotState state = slotState(s);
    if (state != SlotState::Sent && state != SlotState::Resent) return;
    if (state == SlotState::Sent) {
        // Only a packet sent exactly once gives an unambiguous round trip.
        ++m_totals.rttSamples;
        rttEstimate = clampLong(txClock - m_pktTx[static_cast<std::size_t>(s)].TimeStarted + 200);
        showRTT();
        ComputeRetransmitTime();
    }
    setSlotState(s, SlotState::Acknowledged);
}

void Transmitter::ComputeRetransmitTime()
{
    const std::optional<RetransmitMode> mode = kRetransmitModes.of(cmbRetransmitMode.text());
    if (mode == RetransmitMode::Wait || mode == RetransmitMode::None) {
        retransmitTime = 0;
    } else if (const std::optional<RetransmitTime> t = kRetransmitTimes.of(cmbRetransmitTime.text())) {
        switch (*t) {
            case RetransmitTime::OneRTT:
                retransmitTime = rttEstimate;
                break;
            case RetransmitTime::TwoRTT:
                retransmitTime = clampLong(2 * rttEstimate);
                break;
            case RetransmitTime::ThreeRTT:
                retransmitTime = clampLong(3 * rttEstimate);
                break;
        }
    } else {
        m_ctx.messageBox.show("Unknown Retransmission Time");
    }
    showRTT();
}

void Transmitter::MeasureRTT()
{
    measuringRTT = true;
    Timer1.setEnabled(true);
    TransmitSlot(0);
}

void Transmitter::txWindowSizeClick()
{
    ResizeWindow(widgets::num::toInteger(comboValue(cmbTxWindowSize)));
    maxSequenceClick();
}

void Transmitter::maxSequenceClick()
{
    // Below 1 means no sequence numbers (and no modulo at all).
    maxSequence = widgets::num::toInteger(comboValue(cmbMaxSequence));
    for (int i = 0; i < txWindow; ++i) {
        if (maxSequence < 1) {
            lblTxSeq[i].setCaption("0");
            lblTxSeq[i].setVisible(false);
        } else {
            lblTxSeq[i].setCaption(widgets::num::blankNumber(widgets::num::seqOf(slotNumber(i), maxSequence)));
            lblTxSeq[i].setVisible(true);
        }
    }
}

void Transmitter::retransmitTimersClick()
{
    if (!kRetransmitTimers.is(cmbRetransmitTimers.text(), RetransmitTimers::Joint)) {
        individualTimers = true;
        for (int i = 0; i < txWindow; ++i) lblRTO[i].setVisible(reliable);
    } else {
        individualTimers = false;
        lblRTO[0].setVisible(reliable);
        for (int i = 1; i < kSlots; ++i) lblRTO[i].setVisible(false);
    }
}

void Transmitter::retransmitModeClick()
{
    // A text that is no item (the list deselected) changes nothing.
    if (const std::optional<RetransmitMode> mode = kRetransmitModes.of(cmbRetransmitMode.text())) {
        reliable = *mode == RetransmitMode::Indiv || *mode == RetransmitMode::Batch;
        individualRetransmit = *mode == RetransmitMode::Indiv;
        waitForAck = *mode != RetransmitMode::None;
    }
    for (int b = 0; b < txWindow; ++b) {
        lblRTO[b].setVisible(false);
        if (reliable && isTimed(b)) {
            lblRTO[b].setVisible(true);
            ComputeRetransmitTime();
            lblRTO[b].setCaption(fullTimeText());
        }
    }
}

// ---- properties and operations of the main window ------------------------

void Transmitter::Pause(bool bPause)
{
    Timer1.setEnabled(!bPause);
}

void Transmitter::Reset(int iLevel, int RELEASE)
{
    if (iLevel == 0) {
        startUp();
    } else if (iLevel == 1) {
        Restart();
    }
    restricted = RELEASE;
}

void Transmitter::SetTxWindow(int iNewValue)
{
    if (iNewValue < 1 || iNewValue > kSlots) return;
    ResizeWindow(iNewValue);
    cmbTxWindowSize.setListIndex(iNewValue - 1);
}

void Transmitter::SetMaxSequence(int iNewValue)
{
    maxSequence = std::clamp(iNewValue, widgets::num::kIntegerMin, widgets::num::kIntegerMax);
    cmbMaxSequence.setText(widgets::num::blankNumber(maxSequence));
}

void Transmitter::SetRetransmitMode(int iNewValue)
{
    if (iNewValue < 0 || iNewValue >= static_cast<int>(cmbRetransmitMode.items().size())) return;
    cmbRetransmitMode.setListIndex(iNewValue);
}

void Transmitter::SetTimerMode(int iNewValue)
{
    if (iNewValue < 0 || iNewValue >= static_cast<int>(cmbRetransmitTimers.items().size())) return;
    cmbRetransmitTimers.setListIndex(iNewValue);
}

void Transmitter::SetReliable(bool bNewValue)
{
    reliable = bNewValue;
}

void Transmitter::SetRTT(std::int64_t lNewValue)
{
    rttEstimate = widgets::num::toLong(static_cast<double>(lNewValue) * 100.0);
    ComputeRetransmitTime();
}

void Transmitter::SetIndex(int iNewValue)
{
    routingIndex = iNewValue;
}

int Transmitter::Index() const
{
    return routingIndex;
}

// ---- state -------------------------------------------------------------------

Transmitter::State Transmitter::state() const
{
    return State{txWindow,       maxSequence,   reliable,     individualTimers, individualRetransmit,
                 waitForAck,     sendPermitted, measuringRTT, txBusy,           txClock,
                 retransmitTime, rttEstimate,   resetRTT,     nextPacketNumber, routingIndex,
                 panelMode,      restricted};
}
