// The main window's model: it owns the simulated clock, every component, the
// routing of packet events between them and the scenario set-up. The window
// (Qt) and the script runner both build exactly this object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "packet/routing.h"
#include "queue/queue.h"
#include "receiver/receiver.h"
#include "source/source.h"
#include "transmitter/transmitter.h"
#include "widgets/component.h"
#include "widgets/messagebox.h"
#include "widgets/random.h"
#include "widgets/scheduler.h"
#include "wire/wire.h"

class LinkDemo : public widgets::Container, public Routing {
public:
    // Builds every component and performs the window's start-up sequence at
    // virtual time 0. `messageBox` answers the modal message box; `random`
    // (optional) replaces the process-wide generator.
    explicit LinkDemo(widgets::MessageBox& messageBox, widgets::Random* random = nullptr);
    ~LinkDemo() override;

    void PacketDone(int iIndex, int iType, Packet& pPacket) override;

    widgets::Scheduler& scheduler() { return m_scheduler; }

private:
    widgets::Scheduler m_scheduler;
};
