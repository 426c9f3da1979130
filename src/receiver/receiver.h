// SPDX-License-Identifier: MIT
// The receiving protocol entity: receive window and policy, delivery,
// acknowledgement modes, Ready/Hold flow control and its settings panel.
// The rules live in receiver.cpp, the layout and the panel in
// receiver_panel.cpp.
//
// The window's expected numbers and slot marks live in the slot labels (the
// caption of lblRxPacket(i) is the expected packet number, its text colour
// the slot's mark); the rules read them back through slotNumber(),
// slotSequence() and slotMark() so that what the user sees is what the rules
// act on. The packet records behind the slots and the ACK buffer are never
// shown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/epoch.h"
#include "widgets/itemlist.h"
#include "widgets/numbers.h"

class Receiver : public widgets::Component {
public:
    // A slot's mark, held as the text colour of its packet-number label.
    enum class SlotMark {
        Fresh,        // black: set by a reset
        Idle,         // grey: an empty slot (entered, cleared or relaid out)
        Incoming,     // a packet is arriving into the slot
        Misnumbered,  // arriving, but not the packet the slot expected (red number)
        Arrived,      // the packet's own colour: wholly arrived, not yet delivered
    };
    static constexpr int kSlots = 6;
    static constexpr int kAckEntries = 10;

    // The packet-number label's colour (0xBBGGRR) for a mark; an Arrived slot
    // takes the packet's own colour.
    static std::int64_t slotColour(SlotMark mark, std::int64_t packetColour);
    // The mark a packet-number label's colour shows; any colour that is not
    // one of the fixed marks' is a packet's, so Arrived.
    static SlotMark slotMarkOf(std::int64_t colour);
    // The mark a slot's sequence label takes with `mark` on its number:
    // the same, but never Misnumbered (it stays Incoming); none for Fresh
    // (a reset leaves the sequence label's colour as it was).
    static std::optional<SlotMark> sequenceMark(SlotMark mark);
    // The "Wrong!" warning's text colour: a packet taken under a sequence
    // number that belongs to another packet.
    static constexpr std::int64_t kWrongColour = 0x8080FF;

    // Which arrivals a slot may take (cmbRxPolicy).
    enum class RxPolicy { InOrder, InWindow };
    static constexpr widgets::ItemList<RxPolicy, 2> kRxPolicies{{"In Order", "In Window"}};
    // What an arrival sends back (cmbAckMode).
    enum class AckMode { None, Single, Cumulative, Selective, Delayed, Software };
    static constexpr widgets::ItemList<AckMode, 6> kAckModes{
        {"None", "Single", "Cumulative", "Selective", "Delayed", "Software"}};

    Receiver(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Receiver() override;

    // Packet events routed by the main window (the packet stays the caller's).
    void Arriving(Packet& pktArrival);
    void Arrive(Packet& pktArrival);
    void KillArriving(Packet& pktArrival);
    // The reverse direction of the receiver's wire is free again.
    void TxFree();

    void Pause(bool bPause);
    // iLevel 0 repeats the start-up sequence, 1 empties the receiver; RELEASE
    // non-zero keeps the ACK mode row out of the panel from now on.
    void Reset(int iLevel, int RELEASE);
    // The component's own clock back to 0, as at creation (Reset keeps it):
    // for a model brought back to its start-up state.
    void RestartClock() { rxClock = 0; }
    void SetIndex(int iNewValue);
    int Index() const;
    void SetRxPolicy(int iNewValue);     // index in kRxPolicies
    void SetMaxSequence(int iNewValue);  // 0: no sequence numbers
    void SetRxWindow(int iNewValue);     // 1..6 slots
    void SetACKMode(int iNewValue);      // index in kAckModes
    // Lays out the slots of the window (and renumbers the empty ones).
    void set_queue();
    // Fills the panel's lists and selects the start-up settings.
    void fill_combos();

    // Moves the window up past every wholly arrived packet at its lower edge.
    void DeliverPackets();
    // Queues a Ready (1) or Hold (0) message in the ACK buffer.
    void QueueReadyHold(int v);
    void ResetReceiverState();
    void ShowWrong();

    SlotMark slotMark(int i) const;
    // The expected packet and sequence numbers the slot's labels show.
    std::int64_t slotNumber(int i) const;
    std::int64_t slotSequence(int i) const;
    const Packet& pktRxQueue(int i) const { return m_rxQueue.at(static_cast<std::size_t>(i)); }
    const Packet& pktRxACKBuffer(int i) const { return m_rxACKBuffer.at(static_cast<std::size_t>(i)); }

    // Running totals since the receiver was built, for the lab (never reset,
    // never dumped).
    struct Totals {
        std::uint64_t delivered = 0;  // move-ups of the window
        std::uint64_t ignored = 0;    // arrivals no slot took
        std::uint64_t wrong = 0;      // taken under another packet's number
        // Move-ups that delivered a packet whose number is not the one the
        // window expected there: the arrivals counted in `wrong`, once delivered.
        std::uint64_t deliveredWrong = 0;
    };
    const Totals& totals() const { return m_totals; }
    // The processing time of an arrival, s, as typed.
    double processingSeconds() const { return widgets::num::textValue(cmbRxProcTime.text()); }

    // Every variable of the data model, under its own name.
    struct State {
        int rxWindow;
        std::int32_t rxBase;
        int maxSequence;
        widgets::num::Millis rxClock;
        widgets::num::Millis wrongUntil;
        bool rxReady;
        bool ackLineBusy;
        int routingIndex;
        int restricted;

        bool operator==(const State&) const = default;
    };
    State state() const;

private:
    ComponentContext m_ctx;

    // The panel's rows, by lblControl index; each is a caption and a list.
    enum Row : int { kRowWindowSize, kRowDelayTime, kRowPolicy, kRowAckMode, kRowMaxSequence, kRows };

public:
    // Controls, in creation (dump) order.
    widgets::Label lblRxMode{this, "lblRxMode"};
    widgets::Line Line6{this, "Line6"};
    widgets::ControlArray<widgets::Shape> shpRxQueue{this, "shpRxQueue", kSlots};
    widgets::ControlArray<widgets::Label> lblRxPacket{this, "lblRxPacket", kSlots};
    widgets::ControlArray<widgets::Label> lblRxSeq{this, "lblRxSeq", kSlots};
    widgets::CheckBox chkRxReady{this, "chkRxReady"};
    widgets::Button cmdEdit{this, "cmdEdit"};
    widgets::ControlArray<widgets::Label> lblControl{this, "lblControl", kRows};
    widgets::ComboBox cmbRxWindowSize{this, "cmbRxWindowSize", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbRxProcTime{this, "cmbRxProcTime", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbMaxSequence{this, "cmbMaxSequence", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbRxPolicy{this, "cmbRxPolicy", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbAckMode{this, "cmbAckMode", widgets::ComboBox::Style::ListOnly};
    widgets::Label lblWrong{this, "lblWrong"};
    widgets::Shape Shape2{this, "Shape2"};
    widgets::Timer Timer1;

private:
    // The Ready/Hold box's captions: the state the receiver is in.
    static constexpr const char* kReadyCaption = "Ready";
    static constexpr const char* kHoldCaption = "Hold";

    // ---- receiver_panel.cpp: layout and panel
    void buildPanel();
    void placeSlots();
    void placeRow(Row row, int line, double captionWidth, double listLeft);
    void placeWarning();
    void stackControls();
    void wireHandlers();
    void showPanel(bool open);
    void showRow(Row row, bool shown);
    widgets::ComboBox& rowList(Row row);
    void showWindowSlots();
    // Narrow while the panel is closed and four slots or fewer show.
    void fitPanelWidth();
    // The size of a receiver just started: narrow and closed.
    void restorePanelSize();
    void setPanelWidth(double w);
    void setPanelHeight(double h);

    // ---- receiver.cpp: the rules
    void startUp();
    void clockTick();
    void readyHoldClicked();
    void windowSizeChanged();
    void maxSequenceChanged();

    AckMode ackMode() const;
    bool inWindowPolicy() const;
    // rxClock plus the processing time, in ms: when a new buffer entry may leave.
    widgets::num::Millis readyTime() const;
    int lowestFreeEntry() const;
    void queueAck(const Packet& pktArrival, int f);
    // True when packet n was delivered already or waits in a slot of the window.
    bool holdsPacket(std::int64_t n) const;
    void sendHead();

    bool isArriving(int i) const;
    void setSlotMark(int i, SlotMark mark, std::int64_t packetColour = 0);
    // The slots of the window after a relayout: empty ones renumbered on from
    // slot 0, an arrival into a slot beyond the window lost.
    void renumberIdleSlots();
    void loseArrivalsBeyondWindow();

    std::array<Packet, kSlots> m_rxQueue;
    std::array<Packet, kAckEntries> m_rxACKBuffer;  // entry 0 is the head

    int rxWindow = 1;
    std::int32_t rxBase = 0;  // 32 bits: keeps counting past 32767 deliveries
    int maxSequence = 0;
    widgets::num::Millis rxClock = 0;
    widgets::num::Millis wrongUntil = 0;
    bool rxReady = true;
    bool ackLineBusy = false;
    int routingIndex = 0;
    int restricted = 0;

    // Advanced by every ResetReceiverState.
    widgets::Epoch m_epoch;
    Totals m_totals;
};
