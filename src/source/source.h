// A packet generator with rate, size, priority and arrival distribution. It
// is present in the window but hidden, and nothing takes its packets.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"

class Source : public widgets::Component {
public:
    Source(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Source() override;

    void TxFree();
    void Arrive(Packet& pktArrive);
    void Pause(bool bPause);
    void Reset(int iLevel);
    void SetIndex(int iNewValue);
    int Index() const;

    widgets::Json state() const override;
    void dumpRecords(std::vector<widgets::Json>& out) const override;

private:
    ComponentContext m_ctx;
    int m_routingIndex = 0;
};
