// SPDX-License-Identifier: MIT
// Puts the worst case on every wire of a demonstration: a full trace table
// (1000 records) and 16 packets in flight.
#pragma once

#include "shell/linkdemo.h"

inline void fillTraces(LinkDemo& demo)
{
    const auto wires = demo.wires();
    for (Wire* w : wires) {
        w->Trace(true);
        w->SetPicHeight(8000);
        w->SetDelay(10.0);
        w->SetBitRate(5.0);
    }
    Packet p;
    p.Active = true;
    p.Colour = PacketColour::kData;
    p.ShowSequenceFlag = true;
    p.Length = 4;
    int number = 0;
    for (Wire* w : wires) {
        // Records of destroyed packets stay in the table.
        while (w->state().traceCount < 1000 - Wire::kSlots) {
            for (int i = 0; i < Wire::kSlots; ++i) {
                p.Number = number;
                p.SequenceNumber = number % 16;
                p.ACKFlag = (number % 3) == 0;
                p.Colour = p.ACKFlag ? PacketColour::kAck : PacketColour::kData;
                ++number;
                w->PacketArrive(p, demo.totalTime);
            }
            // Let them travel a little so that their traces have length.
            w->MovePackets(demo.totalTime + 1500);
            for (int i = 0; i < Wire::kSlots; ++i) w->cmdPacket[i].click();
        }
        for (int i = 0; i < Wire::kSlots; ++i) {
            p.Number = number;
            p.SequenceNumber = number % 16;
            p.ACKFlag = (i % 2) == 1;
            p.Colour = p.ACKFlag ? PacketColour::kAck : PacketColour::kData;
            ++number;
            w->PacketArrive(p, demo.totalTime);
        }
    }
}
