// The sending protocol entity: a saturated sender with a send window of up to
// six slots, sequence numbering, acknowledgement processing, retransmission
// timers, round-trip-time estimation and its settings panel.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"

class Transmitter : public widgets::Component {
public:
    Transmitter(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Transmitter() override;

    void TxFree();
    void Arrive(Packet& pktACK);
    void MeasureRTT();
    void GoneMoveUp();
    void set_mode();
    void fill_combos();
    void Pause(bool bPause);
    void Reset(int iLevel, int RELEASE);
    void SetTxWindow(int iNewValue);
    void SetMaxSequence(int iNewValue);
    void SetRetransmitMode(int iNewValue);
    void SetTimerMode(int iNewValue);
    void SetReliable(bool bNewValue);
    void SetRTT(std::int64_t lNewValue);  // tenths of a second
    void SetIndex(int iNewValue);
    int Index() const;

    widgets::Json state() const override;
    void dumpRecords(std::vector<widgets::Json>& out) const override;

private:
    ComponentContext m_ctx;
    int m_routingIndex = 0;
};
