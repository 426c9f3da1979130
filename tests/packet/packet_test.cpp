// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "packet/packet.h"

namespace {
Packet filled()
{
    Packet p;
    p.Number = 40000;
    p.SequenceNumber = 3;
    p.ShowSequenceFlag = true;
    p.TriggerNumber = 2;
    p.TimeStarted = 1234;
    p.HopStarted = 5678;
    p.Errored = true;
    p.ACKFlag = true;
    p.CumulativeACKFlag = true;
    p.SelectiveACKFlag = true;
    p.Active = true;
    p.Length = 32;
    p.Flag = 1;
    p.Congestion = 9;
    p.Colour = PacketColour::kHold;
    return p;
}
}  // namespace

TEST(Packet, InitialiseEmptiesAllButCongestion)
{
    Packet p = filled();
    p.Initialise();
    EXPECT_EQ(p.Number, -1);
    EXPECT_EQ(p.SequenceNumber, -1);
    EXPECT_EQ(p.TriggerNumber, -1);
    EXPECT_EQ(p.Length, 1);
    EXPECT_EQ(p.Colour, 0xFFFFFF);
    EXPECT_FALSE(p.Active || p.ACKFlag || p.Errored || p.ShowSequenceFlag || p.CumulativeACKFlag || p.SelectiveACKFlag);
    EXPECT_EQ(p.TimeStarted, 0);
    EXPECT_EQ(p.HopStarted, 0);
    EXPECT_EQ(p.Flag, 0);
    EXPECT_EQ(p.Congestion, 9);
    EXPECT_EQ(Packet().Congestion, 0);
}

TEST(Packet, CopyOverwritesEveryPropertyIncludingCongestion)
{
    Packet src = filled();
    Packet dst;
    dst.Congestion = 4;
    src.CopyPacket(dst);
    EXPECT_EQ(dst, src);
    Packet empty;
    empty.CopyPacket(dst);
    EXPECT_EQ(dst, Packet());
    src.CopyPacket(src);
    EXPECT_EQ(src, filled());
}
