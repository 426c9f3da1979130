// SPDX-License-Identifier: MIT
// A packet generator with rate, size, priority and arrival distribution. It
// is present in the window but hidden, and nothing takes its packets.
//
// It holds one packet at a time: after offering a packet (code 4) it
// generates nothing until TxFree says the packet has been taken. The gap to
// the next generation tick is 1000 / rate ms ("Uniform") or exponentially
// distributed with that mean ("Poisson"), always held in 100..30000 ms.
#pragma once

#include <cstdint>
#include <string>

#include "packet/routing.h"
#include "widgets/component.h"
#include "widgets/itemlist.h"
#include "widgets/scheduler.h"

class Source : public widgets::Component {
public:
    static constexpr std::int64_t kMinGap = 100;    // ms
    static constexpr std::int64_t kMaxGap = 30000;  // ms

    enum class Distribution { Uniform, Poisson };
    static constexpr widgets::ItemList<Distribution, 2> kDistributions{{"Uniform", "Poisson"}};
    enum class Priority { Data, Voice };
    static constexpr widgets::ItemList<Priority, 2> kPriorities{{"Data", "Voice"}};

    Source(widgets::Container* window, std::string name, const ComponentContext& ctx);
    ~Source() override;

    void TxFree();
    void Arrive(Packet& pktArrive);
    void Pause(bool bPause);
    // 0 repeats the start-up sequence, 1 restarts the numbering; other levels
    // do nothing.
    void Reset(int iLevel);
    void SetIndex(int iNewValue);
    int Index() const;

    // One generation tick: offers a packet when allowed, then sets the gap to
    // the next tick.
    void GenerateTick();
    // The gap to the next tick for the current rate and distribution texts;
    // draws one random number for "Poisson" with a usable rate.
    std::int64_t NextGap();

    // Every variable of the data model, under its own name.
    struct State {
        int routingIndex;
        std::int32_t packetCount;
        int maxSequence;
        bool packetWaiting;
    };
    State state() const;

private:
    ComponentContext m_ctx;

public:
    // Controls, in dump order.
    widgets::ControlArray<widgets::Label> lblTxPacket{this, "lblTxPacket", 1};
    widgets::ControlArray<widgets::Label> lblTxSeq{this, "lblTxSeq", 1};
    widgets::Button cmdStart{this, "cmdStart"};
    widgets::CheckBox chkPause{this, "chkPause"};
    widgets::Button cmdEdit{this, "cmdEdit"};
    widgets::ControlArray<widgets::Label> lblControl{this, "lblControl", 4};
    widgets::ComboBox cmbPacketSize{this, "cmbPacketSize", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbRate{this, "cmbRate", widgets::ComboBox::Style::Editable};
    widgets::ComboBox cmbDistribution{this, "cmbDistribution", widgets::ComboBox::Style::ListOnly};
    widgets::ComboBox cmbPriority{this, "cmbPriority", widgets::ComboBox::Style::ListOnly};
    widgets::Shape Shape2{this, "Shape2"};
    widgets::Timer Timer1{this, "Timer1", m_ctx.scheduler, m_ctx.timerOrder};

    // The packet being offered; reused for every packet, never shown.
    const Packet& pktSource() const { return m_pktSource; }

private:
    // Panel (source_panel.cpp).
    void buildPanel();
    void FillSourceCombos();
    void ShowSourcePanel(bool open);
    void onPauseClick();

    // Rules (source.cpp).
    void startUp();
    void showPacketCount();
    void onStartClick();

    Packet m_pktSource;

    int routingIndex = 0;
    // Counted in 32 bits like the packet numbers it hands out.
    std::int32_t packetCount = 0;
    int maxSequence = 3;
    bool packetWaiting = false;
};
