// SPDX-License-Identifier: MIT
// The window's routing as its observers see it: the routing indices it hands
// out at start-up, the one operation each packet event leads to, and the
// observer interface through which the lab (or a test) watches the routing
// without taking part in it.
#pragma once

#include "packet/routing.h"

// Routing indices the window hands out at start-up.
namespace topology {
inline constexpr int kWire1 = 1;  // Wire1..Wire5 are 1..5
inline constexpr int kQueue1 = 10;
inline constexpr int kQueue2 = 11;
inline constexpr int kSource1 = 12;
inline constexpr int kSource2 = 13;
inline constexpr int kReceiver1 = 14;
inline constexpr int kReceiver2 = 15;
inline constexpr int kTransmitter1 = 16;
inline constexpr int kTransmitter2 = 17;

// The one operation a packet event leads to.
enum class Target {
    Ignored,
    ResetAll,           // the window's Reset
    Wire1PacketArrive,  // PacketArrive on Wire1 at totalTime
    Wire2PacketArrive,  // PacketArrive on Wire2 at totalTime
    Transmitter1TxFree,
    Transmitter1Arrive,
    Receiver1Arriving,
    Receiver1Arrive,
    Receiver1KillArriving,
    Receiver1TxFree,
    Queue1Arriving,
    Queue1Arrive,
    Queue1KillArriving,  // data destroyed on Wire1, or an ACK destroyed on Wire2
    Queue1DepartedACK,   // Departed(true): the router's ACK output is free
    Queue1DepartedData,  // Departed(false): the router's data output is free
};

// The routing table: what event `iType` reported by index `iIndex` leads to
// under `topology` (decoded by decodeTopology: the direct link, the router
// between Wire1 and Wire2, or nothing laid out, where only the transmitter's
// own events are routed).
Target targetFor(int topology, int iIndex, int iType);
}  // namespace topology

// Watches the window's routing without taking part in it.
class LinkDemoObserver {
public:
    virtual ~LinkDemoObserver() = default;
    // Every PacketDone call, before it is routed; `target` is what it leads to.
    virtual void packetDone(int iIndex, int iType, const Packet& pPacket, topology::Target target) = 0;
    // The window's Reset has emptied every component.
    virtual void resetDone() {}
};
