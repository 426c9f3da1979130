// SPDX-License-Identifier: MIT
// The record that carries every data packet, acknowledgement and Ready/Hold
// message between the components.
//
// Holders own fixed arrays of packets as slots; packets are never created or
// destroyed while the demonstration runs, only copied from slot to slot with
// CopyPacket and emptied with Initialise. Field names are the system's own.
#pragma once

#include <cstdint>

struct PacketColour {
    // Colours (0xBBGGRR) that carry meaning.
    static constexpr std::int64_t kEmpty = 0xFFFFFF;
    static constexpr std::int64_t kData = 0xFFC0C0;        // first transmission
    static constexpr std::int64_t kDataResent = 0xFFC0FF;  // retransmission
    static constexpr std::int64_t kAck = 0xC0C0FF;
    static constexpr std::int64_t kReady = 0xA0C0FF;
    static constexpr std::int64_t kHold = 0xC0A0FF;
};

class Packet {
public:
    Packet() { Initialise(); }

    // Packet numbers are counted in 32 bits: a long run at a high bit rate
    // passes 32767 packets.
    std::int32_t Number = -1;
    std::int32_t SequenceNumber = -1;
    bool ShowSequenceFlag = false;
    std::int32_t TriggerNumber = -1;
    std::int64_t TimeStarted = 0;  // ms, meaning given by the holder
    std::int64_t HopStarted = 0;   // ms; the transmitter's slots keep their deadline here
    bool Errored = false;
    bool ACKFlag = false;  // true: travels right to left
    bool CumulativeACKFlag = false;
    bool SelectiveACKFlag = false;
    bool Active = false;  // the slot holds a packet
    std::int32_t Length = 1;
    std::int32_t Flag = 0;
    std::int32_t Congestion = 0;  // carried, never interpreted
    std::int64_t Colour = PacketColour::kEmpty;

    // Empties the packet; Congestion is left as it was.
    void Initialise();
    // Copies all fifteen properties into `pktDest` (a copy onto itself is a
    // no-op).
    void CopyPacket(Packet& pktDest) const;

    bool operator==(const Packet&) const = default;
};
