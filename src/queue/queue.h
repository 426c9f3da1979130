// SPDX-License-Identifier: MIT
// The router: a store-and-forward buffer between two wires with a data queue
// and an acknowledgement queue of 1..8 slots each, Drop Tail or RED dropping,
// and a small settings panel. The rules live in queue.cpp, the layout and the
// panel in queue_panel.cpp.
//
// The two queues are mirror images. Data enters at the lowest free slot and
// leaves from slot 0; acknowledgements enter at the highest free slot and
// leave from slot queueSize - 1. A packet is taken in when its leading edge
// reaches the router (Arriving), may be forwarded once it has wholly arrived
// (Arrive sets its Flag to 1), and its slot is freed when the outgoing wire
// reports that it has been wholly put on the wire (Departed).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/itemlist.h"

class Queue : public widgets::Component {
public:
    static constexpr int kSlots = 8;

    // What happens to data arriving at a busy router (cmbDropPolicy): dropped
    // only when the queue is full, or also at random once the queue holds the
    // congestion threshold.
    enum class DropPolicy { DropTail, RED };
    static constexpr widgets::ItemList<DropPolicy, 2> kDropPolicies{{"Drop Tail", "RED"}};

    Queue(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Queue() override;

    // Leading edge of a data packet (from Wire1) or an acknowledgement (from
    // Wire2) has reached the router: store it, or drop it silently.
    void Arriving(Packet& pktArrival);
    // The packet has wholly arrived: its slot may now be forwarded.
    void Arrive(Packet& pktArrival);
    // Data or acknowledgement (by ACKFlag) destroyed while arriving.
    void KillArriving(Packet& pktArrival);
    // Forwards the head of the data queue (false) or the acknowledgement queue
    // (true) when it has wholly arrived and its outgoing direction is free.
    void Departing(bool bACKFlag);
    // The outgoing direction is free again: the head leaves its queue.
    void Departed(bool bACKFlag);
    void Initialise(int elements);
    void queue_size(int elements);
    // iLevel 0 repeats the start-up sequence, 1 empties both queues; RELEASE
    // nonzero keeps the "More" button out of the panel.
    void Reset(int iLevel, int RELEASE);
    void SetIndex(int iNewValue);
    int Index() const;
    int Size() const;
    // Accepts 1..6 and selects it in the size combo; other values are ignored.
    void SetSize(int iNewValue);

    void LayoutQueue();
    void ClearQueue();

    // The fill of a slot whose packet is still arriving, and of the head while
    // it is being forwarded; v and the results are 0xBBGGRR.
    static std::int64_t paleColour(std::int64_t v);
    static std::int64_t darkColour(std::int64_t v);

    // Data packets dropped (Drop Tail or RED) since the router was built, for
    // the lab (never reset, never dumped).
    std::uint64_t dataDropsTotal() const { return m_dataDropsTotal; }

    // Every variable of the data model, under its own name.
    struct State {
        int queueSize;
        int routingIndex;
        int restricted;
        bool dataOutBusy;
        bool ackOutBusy;
    };
    State state() const;

    // Controls, in dump order.
    widgets::ControlArray<widgets::Shape> shpQueue{this, "shpQueue", kSlots};
    widgets::ControlArray<widgets::Shape> shpQueueA{this, "shpQueueA", kSlots};
    widgets::ControlArray<widgets::Label> lblQPacket{this, "lblQPacket", kSlots};
    widgets::ControlArray<widgets::Label> lblQSeq{this, "lblQSeq", kSlots};
    widgets::Shape Shape1{this, "Shape1"};
    widgets::Button cmdEdit{this, "cmdEdit"};
    widgets::Button cmdAdvanced{this, "cmdAdvanced"};
    widgets::Label lblSize{this, "lblSize"};
    widgets::ComboBox cmbSize{this, "cmbSize", widgets::ComboBox::Style::ListOnly};
    widgets::Label lblDropPolicy{this, "lblDropPolicy"};
    widgets::ComboBox cmbDropPolicy{this, "cmbDropPolicy", widgets::ComboBox::Style::ListOnly};
    widgets::Label lblCongestionThreshold{this, "lblCongestionThreshold"};
    widgets::ComboBox cmbCongestionThreshold{this, "cmbCongestionThreshold", widgets::ComboBox::Style::ListOnly};

    // Slot records: data queue (head at 0) and acknowledgement queue (head at
    // queueSize - 1). Never shown.
    const Packet& pktQ(int i) const { return m_pktQ.at(static_cast<std::size_t>(i)); }
    const Packet& pktA(int i) const { return m_pktA.at(static_cast<std::size_t>(i)); }

    // Only for the invariant checker's own tests, which corrupt a data slot
    // on purpose to see the checker notice; the router never hands out its
    // records otherwise.
    Packet& dataSlotForTest(int i) { return m_pktQ.at(static_cast<std::size_t>(i)); }

private:
    // ---- queue_panel.cpp: layout and panel
    void buildPanel();
    void placeSlots();
    void placeSettings();
    void stackControls();
    void wireHandlers();
    void fillCombos();
    void showPanel(bool open);
    void onAdvancedClick();
    // The frame at its closed height; the panel's controls keep their state.
    void shrinkFrame();
    void showThreshold(bool shown);
    // The slot shapes of the current size shown, laid out, and their labels
    // hidden.
    void showSlots();

    // ---- queue.cpp: the rules
    void startUp();
    void onSizeChosen();
    void onDropPolicyChosen();
    void drawEmpty(widgets::Shape& s) { s.setFilled(false); }
    static void copyShape(const widgets::Shape& from, widgets::Shape& to);

    ComponentContext m_ctx;

    std::array<Packet, kSlots> m_pktQ;
    std::array<Packet, kSlots> m_pktA;

    int queueSize = 3;
    int routingIndex = 0;
    int restricted = 0;
    bool dataOutBusy = false;
    bool ackOutBusy = false;

    // The head slot holds the packet that was handed to the outgoing wire.
    // False when the queues were emptied (size change) while that packet was
    // still being sent: its Departed then frees the output but must not
    // remove the packet that has since taken the head slot. One per
    // direction, so not an Epoch: the question is which packet a departure
    // belongs to, not whether anything changed during a report.
    bool m_dataHeadOnWire = false;
    bool m_ackHeadOnWire = false;
    std::uint64_t m_dataDropsTotal = 0;
};
