// SPDX-License-Identifier: MIT
#include "topology/route.h"

#include "topology/scenario.h"

namespace topology {

Target targetFor(int topology, int iIndex, int iType)
{
    const Topology t = decodeTopology(topology);
    const bool direct = t.link && !t.router;
    const bool router = t.router;
    const auto is = [&](int index, int code) { return iIndex == index && iType == code; };

    if (iType == ResetRequest) return Target::ResetAll;
    if (is(kTransmitter1, SendData)) return Target::Wire1PacketArrive;
    if (is(kWire1, DataLineFree) || is(kWire1, DataSendCancelled)) return Target::Transmitter1TxFree;
    if (is(kWire1, ACKArrived)) return Target::Transmitter1Arrive;

    if (direct) {
        if (is(kWire1, DataHeadArrived)) return Target::Receiver1Arriving;
        if (is(kWire1, DataArrived)) return Target::Receiver1Arrive;
        if (is(kWire1, DataArrivalKilled)) return Target::Receiver1KillArriving;
        if (is(kWire1, ACKLineFree) || is(kWire1, ACKSendCancelled)) return Target::Receiver1TxFree;
        if (is(kReceiver1, SendACK)) return Target::Wire1PacketArrive;
    } else if (router) {
        constexpr int kWire2 = 2;
        if (is(kWire1, DataHeadArrived)) return Target::Queue1Arriving;
        if (is(kWire1, DataArrived)) return Target::Queue1Arrive;
        if (is(kWire1, DataArrivalKilled)) return Target::Queue1KillArriving;
        if (is(kWire1, ACKLineFree) || is(kWire1, ACKSendCancelled)) return Target::Queue1DepartedACK;
        if (is(kQueue1, SendACK)) return Target::Wire1PacketArrive;
        if (is(kWire2, DataLineFree) || is(kWire2, DataSendCancelled)) return Target::Queue1DepartedData;
        if (is(kWire2, ACKHeadArrived)) return Target::Queue1Arriving;
        if (is(kWire2, ACKArrived)) return Target::Queue1Arrive;
        if (is(kQueue1, SendData)) return Target::Wire2PacketArrive;
        if (is(kWire2, DataHeadArrived)) return Target::Receiver1Arriving;
        if (is(kWire2, DataArrived)) return Target::Receiver1Arrive;
        if (is(kWire2, DataArrivalKilled)) return Target::Receiver1KillArriving;
        if (is(kWire2, ACKLineFree) || is(kWire2, ACKSendCancelled)) return Target::Receiver1TxFree;
        if (is(kReceiver1, SendACK)) return Target::Wire2PacketArrive;
        // An acknowledgement destroyed while arriving at the router would
        // otherwise stay in its ACK queue for good, and once it is the head
        // nothing more is forwarded: the router discards the entry.
        if (is(kWire2, ACKArrivalKilled)) return Target::Queue1KillArriving;
    }
    return Target::Ignored;
}

}  // namespace topology
