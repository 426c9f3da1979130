// SPDX-License-Identifier: MIT
#include "packet/packet.h"

void Packet::Initialise()
{
    Number = -1;
    SequenceNumber = -1;
    ShowSequenceFlag = false;
    TriggerNumber = -1;
    TimeStarted = 0;
    HopStarted = 0;
    Errored = false;
    ACKFlag = false;
    CumulativeACKFlag = false;
    SelectiveACKFlag = false;
    Active = false;
    Length = 1;
    Flag = 0;
    Colour = PacketColour::kEmpty;
}

void Packet::CopyPacket(Packet& pktDest) const
{
    if (&pktDest == this) return;
    pktDest = *this;
}
