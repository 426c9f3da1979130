#include "transmitter/transmitter.h"

#include <algorithm>

#include "packet/packet.h"
#include "widgets/messagebox.h"
#include "widgets/numbers.h"
#include "widgets/scheduler.h"

namespace {

constexpr std::int64_t kGrey = 0x808080;
constexpr std::int64_t kPanelGrey = 0xE0E0E0;
constexpr std::int64_t kEditGreen = 0xC0FFC0;

constexpr double kSmallFont = 12.0;
constexpr double kLargeFont = 13.5;

// Row captions, by lblControl index.
constexpr int kRowWindow = 0;
constexpr int kRowPacketSize = 1;
constexpr int kRowMaxSequence = 2;
constexpr int kRowProcTime = 3;
constexpr int kRowRetransmitTime = 4;
constexpr int kRowRetransmitMode = 5;
constexpr int kRowRTT = 6;
constexpr int kRowTimers = 7;

// Long arithmetic for the RTT estimate and timeouts: saturates instead of
// leaving the 32-bit range.
std::int64_t clampLong(std::int64_t v)
{
    return std::clamp(v, num::kLongMin, num::kLongMax);
}

double comboValue(const widgets::ComboBox& c)
{
    return num::textValue(c.text());
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
    return num::toLong(num::textValue(lblTxPacket[i].caption()));
}

std::int64_t Transmitter::slotSequenceLabel(int i) const
{
    return num::toLong(num::textValue(lblTxSeq[i].caption()));
}

// The sequence label follows the number label into New, Sending, Expired and
// Resending; Sent, Resent and Acknowledged leave it as it was.
void Transmitter::setSlotState(int i, SlotState s)
{
    const std::int64_t colour = slotColour(s);
    lblTxPacket[i].setForeColour(colour);
    if (s == SlotState::New || s == SlotState::Sending || s == SlotState::Expired || s == SlotState::Resending) {
        lblTxSeq[i].setForeColour(colour);
    }
}

bool Transmitter::isOutstanding(SlotState s)
{
    return s == SlotState::Sending || s == SlotState::Sent || s == SlotState::Resending || s == SlotState::Resent;
}

std::string Transmitter::sequenceText(std::int64_t n) const
{
    if (maxSequence < 1) return std::string();
    return num::blankNumber(num::seqOf(n, maxSequence));
}

std::string Transmitter::tenthsText(std::int64_t ms)
{
    return num::blankNumber(num::toLong(ms / 100.0));
}

void Transmitter::showRTT()
{
    lblRTT.setCaption(num::blankNumber(rttEstimate / 1000.0));
}

// ---- creation ------------------------------------------------------------

Transmitter::Transmitter(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    buildPanel();
    Timer1.onTimer = [this] { tick(); };
    Timer1.setInterval(kTickMs);
    Timer1.setEnabled(true);
    startUp();
}

Transmitter::~Transmitter() = default;

// Design geometry, fonts, colours and handlers; nothing here depends on the
// settings.
void Transmitter::buildPanel()
{
    setBackColour(kPanelGrey);

    lblTxMode.setGeometry(1620, 60, 1515, 285);
    lblTxMode.setFont(kSmallFont, false);
    lblTxMode.setCaption("Initial");

    static constexpr double kSeqLeft[kSlots] = {2565, 2085, 1620, 1125, 645, 180};
    static constexpr double kRtoLeft[kSlots] = {2565, 2070, 1590, 1110, 630, 150};
    for (int i = 0; i < kSlots; ++i) {
        widgets::Shape& box = shpTxQueue[i];
        box.setGeometry(2580 - 480 * i, 360, 495, 1095);
        box.setFilled(true);
        box.setFillColour(0xFFFFFF);

        widgets::Label& number = lblTxPacket[i];
        number.setGeometry(2520 - 480 * i, 420, 555, 375);
        number.setFont(kLargeFont, false);
        number.setAlignment(widgets::Label::Align::Centre);
        number.setForeColour(kGrey);

        widgets::Label& seq = lblTxSeq[i];
        seq.setGeometry(kSeqLeft[i], 780, 615, 285);
        seq.setFont(kSmallFont, false);
        seq.setAlignment(widgets::Label::Align::Centre);
        seq.setForeColour(kGrey);

        widgets::Label& rto = lblRTO[i];
        rto.setGeometry(kRtoLeft[i], 1080, i == 0 ? 480 : 495, 285);
        rto.setFont(kSmallFont, false);
        rto.setAlignment(widgets::Label::Align::Centre);
        rto.setForeColour(kGrey);
    }

    cmdMore.setGeometry(1260, 1500, 915, 375);
    cmdMore.setFont(kLargeFont, false);
    cmdMore.setCaption("More");
    cmdMore.onClick = [this] { cmdMoreClick(); };

    cmdEdit.setGeometry(2220, 1500, 915, 375);
    cmdEdit.setFont(kLargeFont, false);
    cmdEdit.setCaption("Edit");
    cmdEdit.setBackColour(kEditGreen);
    cmdEdit.onClick = [this] { cmdEditClick(); };

    struct Row {
        int caption;
        const char* text;
        double left, top, width;
    };
    static constexpr Row kRows[] = {
        {kRowPacketSize, "Packet Size", 60, 1980, 1815},
        {kRowProcTime, "Tx Proc. Time", 60, 2460, 2055},
        {kRowWindow, "Max Window Size", 60, 2940, 2055},
        {kRowMaxSequence, "Max Sequence No.", 60, 3420, 2055},
        {kRowRetransmitMode, "Retransmit Mode", 120, 3900, 1935},
        {kRowRetransmitTime, "Retransmit Time", 120, 4380, 1755},
        {kRowTimers, "Retransmit Timers", 0, 4860, 1935},
        {kRowRTT, "RTT Estimate", 120, 5280, 1575},
    };
    for (const Row& r : kRows) {
        widgets::Label& l = lblControl[r.caption];
        l.setGeometry(r.left, r.top, r.width, 285);
        l.setCaption(r.text);
        l.setFont(kSmallFont, false);
        l.setBackColour(kPanelGrey);
    }

    auto combo = [](widgets::ComboBox& c, double left, double top, double width) {
        c.setGeometry(left, top, width, 315);
        c.setFont(kSmallFont, false);
    };
    combo(cmbPacketLength, 1980, 1920, 1215);
    combo(cmbTxProcTime, 2220, 2400, 975);
    combo(cmbTxWindowSize, 2220, 2880, 975);
    combo(cmbMaxSequence, 2220, 3360, 975);
    combo(cmbRetransmitMode, 1980, 3840, 1215);
    combo(cmbRetransmitTime, 1980, 4320, 1215);
    combo(cmbRetransmitTimers, 1980, 4800, 1215);

    // Typed text takes effect as it is typed: every Change runs the Click.
    cmbTxWindowSize.onClick = [this] { txWindowSizeClick(); };
    cmbTxWindowSize.onChange = [this] { txWindowSizeClick(); };
    cmbMaxSequence.onClick = [this] { maxSequenceClick(); };
    cmbMaxSequence.onChange = [this] { maxSequenceClick(); };
    cmbRetransmitMode.onClick = [this] { retransmitModeClick(); };
    cmbRetransmitMode.onChange = [this] { retransmitModeClick(); };
    cmbRetransmitTimers.onClick = [this] { retransmitTimersClick(); };
    cmbRetransmitTimers.onChange = [this] { retransmitTimersClick(); };

    lblRTT.setGeometry(1800, 5280, 1275, 285);
    lblRTT.setFont(kSmallFont, true);

    Shape1.setForm(widgets::Shape::Form::Rectangle);
    Shape1.setFilled(false);
    Shape1.setTop(15);

    Line2.setPoints(3040, 720, 3280, 720);
}

void Transmitter::startUp()
{
    fill_combos();
    for (int i = 0; i < kSlots; ++i) {
        pktTx[static_cast<std::size_t>(i)].Initialise();
        lblTxPacket[i].setCaption("");
        lblTxSeq[i].setCaption("");
        lblRTO[i].setCaption("");
    }
    // A repeated start-up closes the panel with its buttons.
    cmdEdit.setCaption("Edit");
    cmdMore.setCaption("More");
    panelMode = 0;
    set_mode();
    txWindow = 1;
    rttEstimate = 20000;
    showRTT();
    retransmitTime = 20000;
    resetRTT = 25000;
    measuringRTT = false;
    Restart();
    lblTxMode.setCaption("Initial");
}

void Transmitter::fill_combos()
{
    auto fill = [](widgets::ComboBox& c, std::initializer_list<const char*> items) {
        c.clear();
        for (const char* s : items) c.addItem(s);
    };
    fill(cmbTxWindowSize, {"1", "2", "3", "4", "5", "6"});
    fill(cmbMaxSequence, {"0", "1", "3", "5", "7", "15", "31"});
    fill(cmbPacketLength, {"1", "2", "4", "8", "16", "32"});
    fill(cmbTxProcTime, {"0", "1", "2"});
    fill(cmbRetransmitTime, {"RTT", "2*RTT", "3*RTT"});
    fill(cmbRetransmitMode, {"None", "Indiv.", "Batch", "Wait"});
    fill(cmbRetransmitTimers, {"Joint", "Indiv."});

    // Selecting runs each Click handler as a user's choice would; the
    // Retransmit Time default comes before the Retransmit Mode, whose handler
    // reads it.
    cmbTxWindowSize.setListIndex(0);
    cmbMaxSequence.setListIndex(2);
    cmbPacketLength.setListIndex(2);
    cmbTxProcTime.setListIndex(0);
    cmbRetransmitTime.setListIndex(0);
    cmbRetransmitMode.setListIndex(2);
    cmbRetransmitTimers.setListIndex(1);

    txWindow = 1;
    maxSequence = 3;
    individualRetransmit = false;
    reliable = true;
    individualTimers = true;
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
        const Packet& p = pktTx[static_cast<std::size_t>(i)];
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
    Packet& p = pktTx[static_cast<std::size_t>(i)];
    p.Initialise();
    p.Active = true;
    p.Number = static_cast<std::int32_t>(slotNumber(i));
    if (maxSequence < 1) {
        p.SequenceNumber = 0;
        p.ShowSequenceFlag = false;
    } else {
        p.SequenceNumber = static_cast<std::int32_t>(num::seqOf(p.Number, maxSequence));
        p.ShowSequenceFlag = true;
    }
    p.TimeStarted = txClock;

    // Deadline. A later slot never expires before slot 0; for slot 0 the
    // record has just been cleared, so the first term applies.
    if (!reliable || !isTimed(i)) {
        p.HopStarted = txClock;
    } else {
        p.HopStarted = std::max(txClock + retransmitTime, pktTx[0].HopStarted + i);
    }

    p.Length = packetLength();

    const SlotState s = slotState(i);
    if (s == SlotState::New) {
        p.Colour = pkt::kData;
        setSlotState(i, SlotState::Sending);
        lblTxMode.setCaption("Transmit " + num::blankNumber(static_cast<std::int64_t>(p.Number)));
    } else if (s == SlotState::Expired) {
        p.Colour = pkt::kDataResent;
        setSlotState(i, SlotState::Resending);
        lblTxMode.setCaption("Retransmit " + num::blankNumber(static_cast<std::int64_t>(p.Number)));
    }

    const std::uint64_t freesBefore = m_txFreeCount;
    m_ctx.routing.PacketDone(routingIndex, SendData, p);

    lblRTO[i].setCaption(fullTimeText());
    lblRTO[i].setVisible(reliable && retransmitTime >= 1 && isTimed(i));
    // The line is busy until TxFree, unless the wire already freed it from
    // inside the report.
    if (m_txFreeCount == freesBefore) txBusy = true;
}

int Transmitter::packetLength() const
{
    // A typed size below zero would give the wire a negative transmission
    // time; zero is a legal size.
    return std::max(0, num::toInteger(comboValue(cmbPacketLength)));
}

double Transmitter::processingSeconds() const
{
    return comboValue(cmbTxProcTime);
}

void Transmitter::TxFree()
{
    ++m_txFreeCount;
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
        pktTx[static_cast<std::size_t>(i + 1)].CopyPacket(pktTx[static_cast<std::size_t>(i)]);
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
            pktTx[static_cast<std::size_t>(i)].HopStarted = txClock + retransmitTime;
            lblRTO[i].setCaption(fullTimeText());
        }
        lblRTO[i].setVisible(reliable && isTimed(i));
    }

    const int last = txWindow - 1;
    pktTx[static_cast<std::size_t>(last)].Initialise();
    lblTxPacket[last].setCaption(num::blankNumber(nextPacketNumber));
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
        lblTxPacket[j].setCaption(num::blankNumber(base + j));
        setSlotState(j, SlotState::New);
        if (reliable) {
            lblTxSeq[j].setCaption(num::blankNumber(num::seqOf(base + j, maxSequence)));
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
        pktTx[static_cast<std::size_t>(j)].Initialise();
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
        pktTx[static_cast<std::size_t>(i)].Initialise();
        lblTxPacket[i].setCaption(num::blankNumber(static_cast<std::int64_t>(i)));
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
    for (Packet& a : pktWaiting) a.Initialise();
    sendPermitted = true;
}

// ---- acknowledgements and retransmission ---------------------------------

void Transmitter::Arrive(Packet& pktACK)
{
    lblTxMode.setCaption("Processing ACK");
    for (Packet& a : pktWaiting) {
        if (a.Active) continue;
        pktACK.CopyPacket(a);
        a.Active = true;
        // The processing time is typed in seconds; its milliseconds are
        // clamped to the Long range, the clock itself is 64-bit.
        a.TimeStarted = txClock + num::toLong(comboValue(cmbTxProcTime) * 1000.0);
        return;
    }
    // A full queue drops the ACK silently.
}

// Entries are processed side by side, each when its own end time lies
// strictly before the clock.
void Transmitter::serveAckQueue()
{
    for (int k = 0; k < kAckQueue; ++k) {
        const Packet& a = pktWaiting[static_cast<std::size_t>(k)];
        if (a.Active && a.TimeStarted < txClock) {
            ProcessACK(k);
            pktWaiting[static_cast<std::size_t>(k)].Active = false;
        }
    }
}

void Transmitter::ProcessACK(int k)
{
    if (k < 0 || k >= kAckQueue) return;
    ++m_totals.acksProcessed;
    const Packet a = pktWaiting[static_cast<std::size_t>(k)];

    // A cumulative ACK names the next sequence number expected: every slot
    // before the one carrying it is acknowledged, all of them when none does.
    if (a.CumulativeACKFlag && maxSequence > 0) {
        int match = txWindow;
        for (int s = 0; s < txWindow; ++s) {
            if (pktTx[static_cast<std::size_t>(s)].SequenceNumber == a.SequenceNumber) {
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

    if (a.Colour == pkt::kHold) {
        sendPermitted = false;
    } else if (a.Colour == pkt::kReady) {
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
        m_ctx.routing.PacketDone(routingIndex, ResetRequest, pktWaiting[0]);
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
        rttEstimate = clampLong(txClock - pktTx[static_cast<std::size_t>(s)].TimeStarted + 200);
        showRTT();
        ComputeRetransmitTime();
    }
    setSlotState(s, SlotState::Acknowledged);
}

void Transmitter::ComputeRetransmitTime()
{
    const std::string& mode = cmbRetransmitMode.text();
    if (mode == "Wait" || mode == "None") {
        retransmitTime = 0;
    } else {
        const std::string& t = cmbRetransmitTime.text();
        if (t == "RTT") {
            retransmitTime = rttEstimate;
        } else if (t == "2*RTT") {
            retransmitTime = clampLong(2 * rttEstimate);
        } else if (t == "3*RTT") {
            retransmitTime = clampLong(3 * rttEstimate);
        } else {
            m_ctx.messageBox.show("Unknown Retransmission Time");
        }
    }
    showRTT();
}

void Transmitter::MeasureRTT()
{
    measuringRTT = true;
    Timer1.setEnabled(true);
    TransmitSlot(0);
}

// ---- panel ---------------------------------------------------------------

void Transmitter::set_mode()
{
    Shape1.setHeight(1920);
    Shape1.setTop(15);
    if (txWindow < 3) {
        Shape1.setLeft(1610);
        Shape1.setWidth(1660);
    } else {
        Shape1.setLeft(3015 - 500 * txWindow);
        Shape1.setWidth(500 * txWindow + 260);
    }

    for (int r = 0; r < lblControl.size(); ++r) lblControl[r].setVisible(false);

    for (int i = 0; i < txWindow && i < kSlots; ++i) {
        shpTxQueue[i].setVisible(true);
        lblTxPacket[i].setVisible(true);
        lblTxSeq[i].setVisible(reliable);
        if (isTimed(i)) lblRTO[i].setVisible(reliable);
    }
    for (int i = std::max(txWindow, 0); i < kSlots; ++i) {
        shpTxQueue[i].setVisible(false);
        lblTxPacket[i].setVisible(false);
        lblTxSeq[i].setVisible(false);
        lblRTO[i].setVisible(false);
    }

    for (widgets::ComboBox* c : {&cmbTxWindowSize, &cmbMaxSequence, &cmbPacketLength, &cmbTxProcTime,
                                 &cmbRetransmitTime, &cmbRetransmitMode, &cmbRetransmitTimers}) {
        c->setVisible(false);
    }
    lblRTT.setVisible(false);
    cmdMore.setVisible(false);

    if (panelMode > 0) {
        cmdMore.setVisible(restricted == 0);
        lblControl[kRowPacketSize].setVisible(true);
        cmbPacketLength.setVisible(true);
        lblControl[kRowProcTime].setVisible(true);
        cmbTxProcTime.setVisible(true);
        Shape1.setGeometry(15, 15, 3200, 3060);
        lblControl[kRowWindow].setVisible(true);
        cmbTxWindowSize.setVisible(true);
        lblControl[kRowMaxSequence].setVisible(true);
        cmbMaxSequence.setVisible(true);
        Shape1.setHeight(4020);
    }
    if (panelMode > 1 && restricted == 0) {
        lblControl[kRowRetransmitMode].setVisible(true);
        cmbRetransmitMode.setVisible(true);
        lblControl[kRowRetransmitTime].setVisible(true);
        cmbRetransmitTime.setVisible(true);
        lblControl[kRowRTT].setVisible(true);
        lblRTT.setVisible(true);
        lblControl[kRowTimers].setVisible(true);
        cmbRetransmitTimers.setVisible(true);
        Shape1.setHeight(5640);
    }

    // The component follows its frame; it always reaches the end of Line2,
    // which joins the wire.
    setWidth(std::max(Shape1.left() + Shape1.width(), Line2.x2()));
    setHeight(Shape1.top() + Shape1.height() + 15);
}

void Transmitter::cmdEditClick()
{
    if (cmdEdit.caption() == "Edit") {
        cmdEdit.setCaption("Done");
        cmdMore.setCaption("More");
        panelMode = 1;
    } else {
        cmdEdit.setCaption("Edit");
        panelMode = 0;
    }
    set_mode();
}

void Transmitter::cmdMoreClick()
{
    if (cmdMore.caption() == "Less") {
        cmdMore.setCaption("More");
        panelMode = 1;
    } else if (cmbMaxSequence.visible()) {
        cmdMore.setCaption("Less");
        panelMode = 2;
    } else {
        panelMode = 1;
    }
    set_mode();
}

void Transmitter::txWindowSizeClick()
{
    ResizeWindow(num::toInteger(comboValue(cmbTxWindowSize)));
    maxSequenceClick();
}

void Transmitter::maxSequenceClick()
{
    // Below 1 means no sequence numbers (and no modulo at all).
    maxSequence = num::toInteger(comboValue(cmbMaxSequence));
    for (int i = 0; i < txWindow; ++i) {
        if (maxSequence < 1) {
            lblTxSeq[i].setCaption("0");
            lblTxSeq[i].setVisible(false);
        } else {
            lblTxSeq[i].setCaption(num::blankNumber(num::seqOf(slotNumber(i), maxSequence)));
            lblTxSeq[i].setVisible(true);
        }
    }
}

void Transmitter::retransmitTimersClick()
{
    if (cmbRetransmitTimers.text() != "Joint") {
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
    const std::string& mode = cmbRetransmitMode.text();
    if (mode == "None") {
        reliable = false;
        individualRetransmit = false;
        waitForAck = false;
    } else if (mode == "Indiv.") {
        reliable = true;
        individualRetransmit = true;
        waitForAck = true;
    } else if (mode == "Batch") {
        reliable = true;
        individualRetransmit = false;
        waitForAck = true;
    } else if (mode == "Wait") {
        reliable = false;
        individualRetransmit = false;
        waitForAck = true;
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
    maxSequence = std::clamp(iNewValue, num::kIntegerMin, num::kIntegerMax);
    cmbMaxSequence.setText(num::blankNumber(maxSequence));
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
    rttEstimate = num::toLong(static_cast<double>(lNewValue) * 100.0);
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
