// SPDX-License-Identifier: MIT
// The sending protocol entity: a saturated sender with a send window of up to
// six slots, sequence numbering, acknowledgement processing, retransmission
// timers, round-trip-time estimation and its settings panel. The rules live
// in transmitter.cpp, the layout and the panel in transmitter_panel.cpp.
//
// The slot state lives where the user sees it: a slot's packet number is the
// caption of its number label and its state is that label's text colour. The
// helpers slotState / slotNumber read them back; SlotState and its colours are
// mapped in one place (slotColour / slotStateOf).
//
// All times are milliseconds on the component's own clock `txClock`, which
// advances only while Timer1 runs and is never set back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/epoch.h"
#include "widgets/itemlist.h"

class Transmitter : public widgets::Component {
public:
    enum class SlotState { New, Sending, Sent, Expired, Resending, Resent, Acknowledged, Unknown };

    static constexpr int kSlots = 6;
    static constexpr int kAckQueue = 10;
    static constexpr std::int64_t kTickMs = 100;

    // How lost packets are sent again (cmbRetransmitMode): never, each on its
    // own timeout, the whole window on any timeout, or never but still
    // waiting for acknowledgements.
    enum class RetransmitMode { None, Indiv, Batch, Wait };
    static constexpr widgets::ItemList<RetransmitMode, 4> kRetransmitModes{{"None", "Indiv.", "Batch", "Wait"}};
    // One timer for the oldest slot, or one per slot (cmbRetransmitTimers).
    enum class RetransmitTimers { Joint, Indiv };
    static constexpr widgets::ItemList<RetransmitTimers, 2> kRetransmitTimers{{"Joint", "Indiv."}};
    // The timeout as a multiple of the RTT estimate (cmbRetransmitTime).
    enum class RetransmitTime { OneRTT, TwoRTT, ThreeRTT };
    static constexpr widgets::ItemList<RetransmitTime, 3> kRetransmitTimes{{"RTT", "2*RTT", "3*RTT"}};

    // Number-label colours (0xBBGGRR); Unknown has no colour of its own.
    static std::int64_t slotColour(SlotState s);
    static SlotState slotStateOf(std::int64_t colour);
    // Whether a slot entering state s gives its sequence label the state's
    // colour (the label keeps the colour of the last send or expiry).
    static bool sequenceTakesColour(SlotState s);
    // The colour of idle labels: a New slot's, and every timer label's.
    static constexpr std::int64_t kGrey = 0x808080;

    Transmitter(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Transmitter() override;

    // Called when the forward direction of the outgoing wire is free again
    // (the packet was wholly put on it, or destroyed while being sent).
    void TxFree();
    // An acknowledgement or Ready/Hold message has wholly arrived. It is
    // copied into the ACK queue; the caller keeps its packet.
    void Arrive(Packet& pktACK);
    // Sends slot 0 at once and ends, with the first ACK processed, by asking
    // the main window for a reset (event 99).
    void MeasureRTT();
    // Removes the first Acknowledged packet (slot 0 when none is) and refills
    // the last slot with the next packet number.
    void GoneMoveUp();
    // Lays the panel out for panelMode, txWindow, reliable, individualTimers
    // and restricted.
    void set_mode();
    void fill_combos();
    void Pause(bool bPause);
    // 0: the start-up sequence again; 1: Restart; other levels reset nothing.
    // `restricted` takes RELEASE in every case.
    void Reset(int iLevel, int RELEASE);
    // The component's own clock back to 0, as at creation (Reset keeps it):
    // for a model brought back to its start-up state.
    void RestartClock() { txClock = 0; }
    void SetTxWindow(int iNewValue);
    void SetMaxSequence(int iNewValue);
    // List indices (kRetransmitModes, kRetransmitTimers); values outside the
    // lists are ignored.
    void SetRetransmitMode(int iNewValue);
    void SetTimerMode(int iNewValue);
    void SetReliable(bool bNewValue);
    void SetRTT(std::int64_t lNewValue);  // tenths of a second
    void SetIndex(int iNewValue);
    int Index() const;

    // The steps of the protocol, public so that tests can drive them alone.
    void TransmitSlot(int i);
    void ResizeWindow(int n);
    void Restart();
    void ProcessACK(int k);
    void AcknowledgeSlot(int s);
    void ComputeRetransmitTime();

    SlotState slotState(int i) const;
    std::int64_t slotNumber(int i) const;
    // The sequence number as the slot's sequence label shows it.
    std::int64_t slotSequenceLabel(int i) const;

    // The slot records and the ACK queue.
    const Packet& pktTx(int i) const { return m_pktTx.at(static_cast<std::size_t>(i)); }
    const Packet& pktWaiting(int k) const { return m_pktWaiting.at(static_cast<std::size_t>(k)); }

    // Running totals since the transmitter was built, for the lab (never
    // reset, never dumped).
    struct Totals {
        std::uint64_t acksProcessed = 0;  // ProcessACK calls
        std::uint64_t rttSamples = 0;     // packets sent once and then acknowledged
    };
    const Totals& totals() const { return m_totals; }
    int window() const { return txWindow; }
    std::int64_t rttEstimateMs() const { return rttEstimate; }
    std::int64_t retransmitTimeMs() const { return retransmitTime; }
    // The data packet length the next transmission gets.
    int packetLength() const;
    // The processing time of an acknowledgement, s, as typed.
    double processingSeconds() const;

    // Every variable of the data model, under its own name.
    struct State {
        int txWindow;
        int maxSequence;
        bool reliable;
        bool individualTimers;
        bool individualRetransmit;
        bool waitForAck;
        bool sendPermitted;
        bool measuringRTT;
        bool txBusy;
        std::int64_t txClock;
        std::int64_t retransmitTime;
        std::int64_t rttEstimate;
        std::int64_t resetRTT;
        std::int64_t nextPacketNumber;
        int routingIndex;
        int panelMode;
        int restricted;

        bool operator==(const State&) const = default;
    };
    State state() const;

private:
    ComponentContext m_ctx;

    // The panel's rows, by lblControl index: a caption and its list.
    enum Row : int {
        kRowWindow,
        kRowPacketSize,
        kRowMaxSequence,
        kRowProcTime,
        kRowRetransmitTime,
        kRowRetransmitMode,
        kRowRTT,
        kRowTimers,
        kRows
    };

public:
    // Controls, in creation (dump) order.
    widgets::Label lblTxMode{this, "lblTxMode"};
    widgets::ControlArray<widgets::Shape> shpTxQueue{this, "shpTxQueue", kSlots};
    widgets::ControlArray<widgets::Label> lblTxPacket{this, "lblTxPacket", kSlots};
    widgets::ControlArray<widgets::Label> lblTxSeq{this, "lblTxSeq", kSlots};
    widgets::ControlArray<widgets::Label> lblRTO{this, "lblRTO", kSlots};
    widgets::Button cmdMore{this, "cmdMore"};
    widgets::Button cmdEdit{this, "cmdEdit"};
    widgets::ControlArray<widgets::Label> lblControl{this, "lblControl", kRows};
    widgets::ComboBox cmbTxWindowSize{this, "cmbTxWindowSize", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbMaxSequence{this, "cmbMaxSequence", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbPacketLength{this, "cmbPacketLength", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbTxProcTime{this, "cmbTxProcTime", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbRetransmitTime{this, "cmbRetransmitTime", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbRetransmitMode{this, "cmbRetransmitMode", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbRetransmitTimers{this, "cmbRetransmitTimers", widgets::ComboBox::Style::ListOnly};
    widgets::Label lblRTT{this, "lblRTT"};
    widgets::Shape Shape1{this, "Shape1"};
    widgets::Line Line2{this, "Line2"};
    widgets::Timer Timer1{this, "Timer1", m_ctx.scheduler, m_ctx.timerOrder};

private:
    // ---- transmitter_panel.cpp: layout and panel
    void buildPanel();
    void placeSlots();
    void placeButtons();
    void placeRows();
    void wireHandlers();
    void showPanel(bool open);
    // Back to the closed panel, both buttons' captions included.
    void closePanel();
    void cmdMoreClick();
    // The steps of set_mode.
    void fitFrameToWindow();
    void hideRowCaptions();
    void showWindowSlots();
    void hideRowLists();
    widgets::Control& rowList(Row row);
    void showRow(Row row);
    void showRows();
    void followFrame();

    // ---- transmitter.cpp: the rules
    void startUp();
    void tick();
    void serveAckQueue();
    void sendStep();
    // A New slot may be sent: its number is less than a window beyond slot 0's.
    bool withinSendWindow(int i) const;
    void timerStep();

    void setSlotState(int i, SlotState s);
    bool isTimed(int i) const { return i == 0 || individualTimers; }
    static bool isOutstanding(SlotState s);
    // The slot's sequence-label text for packet number n.
    std::string sequenceText(std::int64_t n) const;
    // A time in ms as the timer labels show it: tenths of a second.
    static std::string tenthsText(std::int64_t ms);
    std::string fullTimeText() const { return tenthsText(retransmitTime); }
    void showRTT();

    // Combo handlers: each Change runs the Click.
    void txWindowSizeClick();
    void maxSequenceClick();
    void retransmitTimersClick();
    void retransmitModeClick();

    std::array<Packet, kSlots> m_pktTx{};
    std::array<Packet, kAckQueue> m_pktWaiting{};

    // Component state, under the system's own names.
    int txWindow = 1;
    int maxSequence = 3;
    bool reliable = true;
    bool individualTimers = true;
    bool individualRetransmit = false;
    bool waitForAck = true;
    bool sendPermitted = true;
    bool measuringRTT = false;
    bool txBusy = false;
    std::int64_t txClock = 0;
    std::int64_t retransmitTime = 25000;
    std::int64_t rttEstimate = 25000;
    std::int64_t resetRTT = 25000;
    // Wider than the 16-bit Integer: long runs number past 32767.
    std::int64_t nextPacketNumber = 1;
    int routingIndex = 0;
    int panelMode = 0;
    int restricted = 0;

    // Advanced by every TxFree.
    widgets::Epoch m_epoch;
    Totals m_totals;
};
