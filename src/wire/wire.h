// SPDX-License-Identifier: MIT
// The link: a wire with bit rate and propagation delay that carries packets
// in both directions, reports their progress, lets the user destroy them and
// keeps a time-sequence trace of everything that crossed it.
//
// The forward direction (data) runs from the line's left end X1 to its right
// end X2, the reverse direction (acknowledgements, ACKFlag true) from X2 to
// X1. The wire has no clock: it moves when the main window calls MovePackets
// with the current simulated time, and reports through the routing with the
// event codes DataHeadArrived ... ACKSendCancelled, always passing its own
// copy of the packet. Reports are synchronous and may re-enter the wire
// (PacketArrive from inside MovePackets or from inside a click).
//
// The rules live in wire.cpp, the layout, the packet buttons' drawing and the
// settings panel in wire_panel.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/epoch.h"
#include "wire/trace.h"

class Wire : public widgets::Component {
public:
    static constexpr int kSlots = 16;

    Wire(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Wire() override;

    // Puts a copy of the packet on the wire at time lTime (ms). A packet that
    // finds all slots in use is lost; its direction is reported free on the
    // next MovePackets.
    void PacketArrive(Packet& pktIN, std::int64_t lTime);
    // Advances every packet to time lTime (ms) and reports what happened.
    void MovePackets(std::int64_t lTime);
    bool DataBusy() const;
    bool ACKBusy() const;
    // X2 - X1 in display units; writing moves the right end.
    int Length() const;
    void SetLength(int n);
    void Trace(bool bOn);
    void DataCancel();
    void ACKCancel();
    void ReDrawTrace();
    // 0: the start-up sequence again; 1: empty the wire; other levels: nothing.
    void Reset(int iLevel);
    void SetPicHeight(std::int64_t lNewValue);
    // Seconds for an edge to cross the whole line; the combo shows it.
    void SetDelay(double v);
    // Transmission time in seconds = Length / (4 x bit rate); the combo shows it.
    void SetBitRate(double v);
    void SetIndex(int iNewValue);
    int Index() const;

    // Every variable of the data model, under its own name, with the trace
    // table's counts and the line ends X1, X2.
    struct State {
        int routingIndex;
        double delay;
        double bitRate;
        bool dataSending;
        bool ackSending;
        int lastDataSlot;
        int lastACKSlot;
        int dataArrivingSlot;
        int ackArrivingSlot;
        bool traceOn;
        int traceCount;
        int labelCount;
        double X1;
        double X2;
    };
    State state() const;

    double currentBitRate() const { return bitRate; }
    double currentDelay() const { return delay; }  // s
    // Simulated ms from the moment `p` is put on this wire until it has
    // wholly arrived, at the settings in force (a side-effect-free query).
    double flightMs(const Packet& p) const;
    // How far the head of `p`, put on this wire, has come at lTime at the
    // settings in force, as a fraction of the line: 0 put on, 1 at the far
    // end (beyond 1 once it has passed it).
    double headFraction(const Packet& p, std::int64_t lTime) const
    {
        return static_cast<double>(lTime - p.HopStarted) / 1000 / delay;
    }
    // The slot the next packet put on will take; -1 when the wire is full.
    int freeSlot() const;
    // Whether a data packet (an acknowledgement) was lost to the full wire
    // since its last move: its sender hears the direction free at the next.
    bool dataLostWhileFull() const { return m_dataLost; }
    bool ackLostWhileFull() const { return m_ackLost; }
    // Packets destroyed by a click on their button since the wire was built
    // (a running total, never reset).
    std::uint64_t destroyedTotal() const { return m_destroyedTotal; }

    // The wire's own copy of the packet in slot i (slot i belongs to
    // cmdPacket(i)); never shown.
    const Packet& pktWire(int i) const { return m_pktWire.at(static_cast<std::size_t>(i)); }

    const TimeSequenceTrace& traceTable() const { return m_trace; }
    TimeSequenceTrace& traceTable() { return m_trace; }

    // ---- Presenter's queries and actions (beyond the wire's own rules) ----

    // Where slot i's packet button would stand (left, width in display units)
    // if the wire were moved to lTime now; nothing when the slot is empty or
    // the packet would have arrived. Changes nothing: at the time of a move
    // it gives exactly the place the move gives the button.
    struct Span {
        double left;
        double width;
    };
    std::optional<Span> spanAt(int i, std::int64_t lTime) const;
    // Starts the trace table and picture afresh, the run going on: packets
    // in flight keep tracing into new records.
    void ClearTrace();
    // Moves the start-time bar, as a user would, so that time lTime stands in
    // the lower part of the visible trace; nothing while it does already.
    void FollowTime(std::int64_t lTime);

    // Controls, in creation (dump) order.
    widgets::Line Line1{this, "Line1"};
    widgets::ControlArray<widgets::Shape> Shape1{this, "Shape1", 2};
    // A slot is in use exactly while its button is visible.
    widgets::ControlArray<widgets::Button> cmdPacket{this, "cmdPacket", kSlots};
    widgets::Button cmdEdit{this, "cmdEdit"};
    widgets::Label lblBitRate{this, "lblBitRate"};
    widgets::ComboBox cmbBitRate{this, "cmbBitRate", widgets::ComboBox::Style::Editable};
    widgets::Label lblDelay{this, "lblDelay"};
    widgets::ComboBox cmbDelay{this, "cmbDelay", widgets::ComboBox::Style::Editable};
    widgets::Picture Picture1{this, "Picture1"};
    widgets::ScrollBar VScroll1{this, "VScroll1"};  // first second shown
    widgets::ScrollBar VScroll2{this, "VScroll2"};  // vertical scale
    widgets::ControlArray<widgets::TextBox> txtTrace{this, "txtTrace", TimeSequenceTrace::kLabels};

private:
    // The tail of a forward packet must pass X2 - kArrivalMark for it to have
    // wholly arrived; a reverse packet is put on, and never drawn right of,
    // X2 - kArrivalMark.
    static constexpr double kArrivalMark = 120;

    // ---- wire_panel.cpp: layout, packet buttons and the panel
    void buildPanel();
    void placeLine();
    void placePacketButtons();
    void placeSettings();
    void placeTrace();
    void wireHandlers();
    void FillWireCombos();
    void showPanel(bool open);
    // Shows slot i's button at the sending end of its direction, empty.
    void showPutOn(int i);
    void showCaption(int i);
    void placePacket(int i, double left, double width);

    // ---- wire.cpp: the rules
    void startUp();
    void ClearWire();
    void destroyPacket(int i);
    void packetClicked(int i);
    void readBitRate();
    void readDelay();
    // The unclamped leading and trailing edges of slot i's packet at lTime.
    std::pair<double, double> edgesAt(const Packet& p, std::int64_t lTime) const;
    void moveForward(int i, std::int64_t lTime, widgets::Epoch::Token token);
    void moveReverse(int i, std::int64_t lTime, widgets::Epoch::Token token);
    // The head of the packet has passed the far end of its direction at
    // lTime (or, for a short forward packet, its tail the arrival mark).
    bool headPast(const Packet& p, std::int64_t lTime) const;
    // The packet of that direction whose head passed the far end first (put
    // on first, then the lower slot): the one the free arrival mark goes to;
    // -1 when none has got there.
    int firstArriving(bool reverse, std::int64_t lTime) const;
    // Where the tail of a packet waiting for the arrival mark is held.
    double forwardWaitTail() const;
    double reverseWaitTail() const;
    // Writes into record r only while the table has room for more records.
    TraceRecord* writableRecord(int r);
    void report(int code, Packet& p);

    double x1() const { return Line1.x1(); }
    double x2() const { return Line1.x2(); }
    // Where a fraction of the line lies, rounded; finite for any input.
    double along(double fromX, double fraction) const;
    // A position as a fraction of the line (0.0 at X1, 1.0 at X2).
    double fractionOf(double x) const;

    ComponentContext m_ctx;

    // The packets on the wire, slot i behind cmdPacket(i).
    std::array<Packet, kSlots> m_pktWire{};

    // Data model, under the system's own names.
    int routingIndex = 0;
    double delay = 1.0;    // s, always > 0
    double bitRate = 1.0;  // always > 0
    bool dataSending = false;
    bool ackSending = false;
    int lastDataSlot = -1;
    int lastACKSlot = -1;
    int dataArrivingSlot = -1;
    int ackArrivingSlot = -1;
    std::array<int, kSlots> slotRecord{};

    TimeSequenceTrace m_trace{Picture1, VScroll1, VScroll2, txtTrace};

    // A packet that found the wire full: lost, its direction to be reported
    // free at the next move (its sender is still inside the call that lost it).
    bool m_dataLost = false;
    bool m_ackLost = false;
    Packet m_lostData;
    Packet m_lostACK;
    // Advanced by every emptying: a move or click interrupted by a reset from
    // inside a report stops instead of writing into the emptied table.
    widgets::Epoch m_epoch;
    std::uint64_t m_destroyedTotal = 0;
};
