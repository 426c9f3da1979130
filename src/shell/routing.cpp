// SPDX-License-Identifier: MIT
// The window's routing: every packet event goes to its observers, then to
// the one operation the routing table (topology::targetFor) names.
#include "shell/linkdemo.h"

void LinkDemo::PacketDone(int iIndex, int iType, Packet& pPacket)
{
    if (!m_routingLive) return;
    using topology::Target;
    const Target target = topology::targetFor(topology, iIndex, iType);
    // Index loop: an observer may add another while it is told.
    for (std::size_t k = 0; k < m_observers.size(); ++k) m_observers[k]->packetDone(iIndex, iType, pPacket, target);
    switch (target) {
        case Target::Ignored:
            break;
        case Target::ResetAll:
            Reset();
            break;
        case Target::Wire1PacketArrive:
            Wire1.PacketArrive(pPacket, totalTime);
            break;
        case Target::Wire2PacketArrive:
            Wire2.PacketArrive(pPacket, totalTime);
            break;
        case Target::Transmitter1TxFree:
            Transmitter1.TxFree();
            break;
        case Target::Transmitter1Arrive:
            Transmitter1.Arrive(pPacket);
            break;
        case Target::Receiver1Arriving:
            Receiver1.Arriving(pPacket);
            break;
        case Target::Receiver1Arrive:
            Receiver1.Arrive(pPacket);
            break;
        case Target::Receiver1KillArriving:
            Receiver1.KillArriving(pPacket);
            break;
        case Target::Receiver1TxFree:
            Receiver1.TxFree();
            break;
        case Target::Queue1Arriving:
            Queue1.Arriving(pPacket);
            break;
        case Target::Queue1Arrive:
            Queue1.Arrive(pPacket);
            break;
        case Target::Queue1KillArriving:
            Queue1.KillArriving(pPacket);
            break;
        case Target::Queue1DepartedACK:
            Queue1.Departed(true);
            break;
        case Target::Queue1DepartedData:
            Queue1.Departed(false);
            break;
    }
}
