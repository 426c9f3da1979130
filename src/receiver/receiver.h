// The receiving protocol entity: receive window and policy, delivery,
// acknowledgement modes, Ready/Hold flow control and its settings panel.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"

class Receiver : public widgets::Component {
public:
    Receiver(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Receiver() override;

    void Arriving(Packet& pktArrival);
    void Arrive(Packet& pktArrival);
    void KillArriving(Packet& pktArrival);
    void TxFree();
    void Pause(bool bPause);
    void Reset(int iLevel, int RELEASE);
    void SetIndex(int iNewValue);
    int Index() const;
    void SetRxPolicy(int iNewValue);
    void SetMaxSequence(int iNewValue);
    void SetRxWindow(int iNewValue);
    void SetACKMode(int iNewValue);
    void set_queue();
    void fill_combos();

    widgets::Json state() const override;
    void dumpRecords(std::vector<widgets::Json>& out) const override;

private:
    ComponentContext m_ctx;
    int m_routingIndex = 0;
};
