// The receiving protocol entity: receive window and policy, delivery,
// acknowledgement modes, Ready/Hold flow control and its settings panel.
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
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"
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
    static std::int64_t markColour(SlotMark mark, std::int64_t packetColour);
    // The "Wrong!" warning's text colour: a packet taken under a sequence
    // number that belongs to another packet.
    static constexpr std::int64_t kWrongColour = 0x8080FF;

    Receiver(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Receiver() override;

    // Packet events routed by the main window (the packet stays the caller's).
    void Arriving(Packet& pktArrival);
    void Arrive(Packet& pktArrival);
    void KillArriving(Packet& pktArrival);
    // The reverse direction of the receiver's wire is free again.
    void TxFree();

    void Pause(bool bPause);
    // iLevel 0 repeats the creation sequence, 1 empties the receiver; RELEASE
    // non-zero keeps the ACK mode row out of the panel from now on.
    void Reset(int iLevel, int RELEASE);
    void SetIndex(int iNewValue);
    int Index() const;
    void SetRxPolicy(int iNewValue);     // 0 "In Order", 1 "In Window"
    void SetMaxSequence(int iNewValue);  // 0: no sequence numbers
    void SetRxWindow(int iNewValue);     // 1..6 slots
    void SetACKMode(int iNewValue);      // list index of cmbAckMode
    void set_queue();
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
    const Packet& pktRxACKBuffer(int i) const { return m_ackBuffer.at(static_cast<std::size_t>(i)); }

    // Running totals since the receiver was built, for the lab (never reset,
    // never dumped).
    struct Totals {
        std::uint64_t delivered = 0;  // move-ups of the window
        std::uint64_t ignored = 0;    // arrivals no slot took
        std::uint64_t wrong = 0;      // taken under another packet's number
    };
    const Totals& totals() const { return m_totals; }
    // The processing time of an arrival, s, as typed.
    double processingSeconds() const { return num::textValue(cmbRxProcTime.text()); }

    // Every variable of the data model, under its own name.
    struct State {
        int rxWindow;
        std::int32_t rxBase;
        int maxSequence;
        num::Millis rxClock;
        num::Millis wrongUntil;
        bool rxReady;
        bool ackLineBusy;
        int routingIndex;
        int restricted;
    };
    State state() const;

private:
    ComponentContext m_ctx;

public:
    // Controls, in creation (dump) order.
    widgets::Label lblRxMode{this, "lblRxMode"};
    widgets::Line Line6{this, "Line6"};
    widgets::ControlArray<widgets::Shape> shpRxQueue{this, "shpRxQueue", kSlots};
    widgets::ControlArray<widgets::Label> lblRxPacket{this, "lblRxPacket", kSlots};
    widgets::ControlArray<widgets::Label> lblRxSeq{this, "lblRxSeq", kSlots};
    widgets::CheckBox chkRxReady{this, "chkRxReady"};
    widgets::Button cmdEdit{this, "cmdEdit"};
    // 0 "Rx Window Size", 1 "Rx Delay Time", 2 "Rx Policy", 3 "Ack Mode",
    // 4 "Max Sequence No".
    widgets::ControlArray<widgets::Label> lblControl{this, "lblControl", 5};
    widgets::ComboBox cmbRxWindowSize{this, "cmbRxWindowSize", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbRxProcTime{this, "cmbRxProcTime", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbMaxSequence{this, "cmbMaxSequence", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbRxPolicy{this, "cmbRxPolicy", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbAckMode{this, "cmbAckMode", widgets::ComboBox::Style::ListOnly};
    widgets::Label lblWrong{this, "lblWrong"};
    widgets::Shape Shape2{this, "Shape2"};
    widgets::Timer Timer1;

private:
    enum class AckMode { None, Single, Cumulative, Selective, Delayed, Software };

    void createControls();
    void initialise();
    void clockTick();
    void readyHoldClicked();
    void editClicked();
    void windowSizeChanged();
    void maxSequenceChanged();

    AckMode ackMode() const;
    bool inWindowPolicy() const;
    // rxClock plus the processing time, in ms: when a new buffer entry may leave.
    num::Millis readyTime() const;
    int lowestFreeEntry() const;
    void queueAck(const Packet& pktArrival, int f);
    // True when packet n was delivered already or waits in a slot of the window.
    bool holdsPacket(std::int64_t n) const;
    void sendHead();

    bool isArriving(int i) const;
    void setSlotMark(int i, SlotMark mark, std::int64_t packetColour = 0);
    void setPanelWidth(double w);
    void setPanelHeight(double h);

    std::array<Packet, kSlots> m_rxQueue;
    std::array<Packet, kAckEntries> m_ackBuffer;  // entry 0 is the head

    int rxWindow = 1;
    std::int32_t rxBase = 0;  // 32 bits: keeps counting past 32767 deliveries
    int maxSequence = 0;
    num::Millis rxClock = 0;
    num::Millis wrongUntil = 0;
    bool rxReady = true;
    bool ackLineBusy = false;
    int routingIndex = 0;
    int restricted = 0;

    // Counts ResetReceiverState calls, so that an operation that reported an
    // event can tell whether the receiver was reset from inside the report.
    std::uint64_t m_resets = 0;
    Totals m_totals;
};
