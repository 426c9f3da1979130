// The router: a store-and-forward buffer between two wires with a data queue
// and an acknowledgement queue of 1..8 slots each, Drop Tail or RED dropping,
// and a small settings panel.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"

class Queue : public widgets::Component {
public:
    Queue(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Queue() override;

    void Arriving(Packet& pktArrival);
    void Arrive(Packet& pktArrival);
    // Data or acknowledgement (by ACKFlag) destroyed while arriving.
    void KillArriving(Packet& pktArrival);
    void Departing(bool bACKFlag);
    void Departed(bool bACKFlag);
    void Initialise(int elements);
    void queue_size(int elements);
    void Reset(int iLevel, int RELEASE);
    void SetIndex(int iNewValue);
    int Index() const;
    int Size() const;
    void SetSize(int iNewValue);

    widgets::Json state() const override;
    void dumpRecords(std::vector<widgets::Json>& out) const override;

private:
    ComponentContext m_ctx;
    int m_routingIndex = 0;
};
