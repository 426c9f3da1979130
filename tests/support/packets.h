// SPDX-License-Identifier: MIT
// Packets for the component tests: an active data packet or acknowledgement,
// with the fields a test cares about set by chained calls, e.g.
//   data(3).seq(3).shown().length(100)      ack().seq(2).shown().selective()
// Every call returns a new packet, so a builder may be bound to a const
// reference or passed where a Packet is taken.
#pragma once

#include <cstdint>

#include "packet/packet.h"

namespace packets {

struct Built : Packet {
    Built number(int n) const
    {
        return with([&](Packet& p) { p.Number = n; });
    }
    Built seq(int s) const
    {
        return with([&](Packet& p) { p.SequenceNumber = s; });
    }
    Built shown() const
    {
        return with([](Packet& p) { p.ShowSequenceFlag = true; });
    }
    Built trigger(int n) const
    {
        return with([&](Packet& p) { p.TriggerNumber = n; });
    }
    Built length(int n) const
    {
        return with([&](Packet& p) { p.Length = n; });
    }
    Built colour(std::int64_t c) const
    {
        return with([&](Packet& p) { p.Colour = c; });
    }
    // Travels right to left, as acknowledgements do.
    Built reverse() const
    {
        return with([](Packet& p) { p.ACKFlag = true; });
    }
    Built cumulative() const
    {
        return with([](Packet& p) { p.CumulativeACKFlag = true; });
    }
    Built selective() const
    {
        return with([](Packet& p) { p.SelectiveACKFlag = true; });
    }

private:
    template <class F>
    Built with(F&& set) const
    {
        Built b = *this;
        set(b);
        return b;
    }
};

// Data packet `number`, four units long (a second on the wire at the design
// bit rate), its sequence number `number` modulo 8, not shown.
inline Built data(int number)
{
    Built p;
    p.Active = true;
    p.Colour = PacketColour::kData;
    p.Number = number;
    p.SequenceNumber = number % 8;
    p.Length = 4;
    return p;
}

// An acknowledgement with every other field at its empty value (number and
// sequence number -1, one unit long).
inline Built ack()
{
    Built p;
    p.Active = true;
    p.Colour = PacketColour::kAck;
    p.ACKFlag = true;
    return p;
}

// The acknowledgements a receiver sends: plain (no sequence space), naming
// the next packet it expects, or naming one packet it holds.
inline Built plainAck()
{
    return ack().seq(0);
}
inline Built cumulativeAck(int expected)
{
    return ack().seq(expected).shown().cumulative();
}
inline Built selectiveAck(int seq)
{
    return ack().seq(seq).shown().selective().trigger(seq);
}
// A Ready/Hold message: it acknowledges nothing by itself.
inline Built flowMessage(std::int64_t colour)
{
    return ack().seq(0).shown().colour(colour);
}

}  // namespace packets
