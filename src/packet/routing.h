// SPDX-License-Identifier: MIT
// The contract between the components and the main window's routing.
//
// Components hold no references to one another: each reports what happens to
// a packet with PacketDone(its routing index, an event code, the packet). The
// packet stays the reporter's slot; whoever keeps it copies it. Calls are
// synchronous and may re-enter the reporter before they return.
#pragma once

#include "packet/packet.h"

namespace widgets {
class Scheduler;
class MessageBox;
class Random;
}  // namespace widgets

enum EventCode : int {
    DataHeadArrived = 0,
    ACKHeadArrived = 1,
    DataArrived = 2,
    ACKArrived = 3,
    SendData = 4,
    SendACK = 5,
    DataLineFree = 6,
    ACKLineFree = 7,
    DataArrivalKilled = 8,
    ACKArrivalKilled = 9,
    DataSendCancelled = 10,
    ACKSendCancelled = 11,
    ResetRequest = 99,
};

class Routing {
public:
    virtual ~Routing() = default;
    virtual void PacketDone(int iIndex, int iType, Packet& pPacket) = 0;
};

// What a component receives at creation.
struct ComponentContext {
    widgets::Scheduler& scheduler;
    Routing& routing;
    widgets::MessageBox& messageBox;
    widgets::Random& random;
    // Firing order of the component's own timer among timers due at the same
    // millisecond (the main window's clock is 0).
    int timerOrder = 100;
};
