// The link: a wire with bit rate and propagation delay that carries packets
// in both directions, reports their progress, lets the user destroy them and
// keeps a time-sequence trace of everything that crossed it.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"

class Wire : public widgets::Component {
public:
    Wire(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Wire() override;

    void PacketArrive(Packet& pktIN, std::int64_t lTime);
    void MovePackets(std::int64_t lTime);
    bool DataBusy() const;
    bool ACKBusy() const;
    int Length() const;
    void SetLength(int n);
    void Trace(bool bOn);
    void DataCancel();
    void ACKCancel();
    void ReDrawTrace();
    void Reset(int iLevel);
    void SetPicHeight(std::int64_t lNewValue);
    void SetDelay(double v);
    void SetBitRate(double v);
    void SetIndex(int iNewValue);
    int Index() const;

    widgets::Json state() const override;
    void dumpRecords(std::vector<widgets::Json>& out) const override;

private:
    ComponentContext m_ctx;
    int m_routingIndex = 0;
};
