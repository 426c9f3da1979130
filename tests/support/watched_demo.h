// SPDX-License-Identifier: MIT
// The whole window model with a record of what the receiver delivers, and
// hooks a test may set to look at every routed event before and after it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/linkdemo.h"

class WatchedDemo : public LinkDemo {
public:
    explicit WatchedDemo(widgets::MessageBox& box) : LinkDemo(box) {}

    // The packet numbers delivered, in delivery order: the slot records at
    // the receiver's lower edge, read just before each event that can move
    // its window up.
    std::vector<std::int64_t> delivered;
    std::function<void(int, int, Packet&)> before;
    std::function<void(int, int, Packet&)> after;
    int depth = 0;  // routed events under way (an event may route others)

    void PacketDone(int iIndex, int iType, Packet& pPacket) override
    {
        if (before) before(iIndex, iType, pPacket);
        ++depth;
        if (topology::targetFor(topology, iIndex, iType) == topology::Target::Receiver1Arrive) {
            watchDeliveries([&] { LinkDemo::PacketDone(iIndex, iType, pPacket); });
        } else {
            LinkDemo::PacketDone(iIndex, iType, pPacket);
        }
        --depth;
        if (after) after(iIndex, iType, pPacket);
    }

    // Hold to Ready delivers too.
    void clickReady()
    {
        watchDeliveries([&] { Receiver1.chkRxReady.click(); });
    }

    // Delivered 0, 1, 2, ...: nothing missing, nothing twice, nothing early.
    ::testing::AssertionResult deliveredInOrder() const
    {
        for (std::size_t i = 0; i < delivered.size(); ++i) {
            if (delivered[i] != static_cast<std::int64_t>(i)) {
                return ::testing::AssertionFailure() << "delivery " << i << " was packet " << delivered[i] << " (after "
                                                     << (i ? std::to_string(delivered[i - 1]) : std::string("none"))
                                                     << ", " << delivered.size() << " delivered)";
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    template <class F>
    void watchDeliveries(F&& action)
    {
        std::array<std::int64_t, Receiver::kSlots> numbers{};
        for (int k = 0; k < Receiver::kSlots; ++k)
            numbers[static_cast<std::size_t>(k)] = Receiver1.pktRxQueue(k).Number;
        const std::int64_t base = Receiver1.state().rxBase;
        action();
        const std::int64_t moved = std::int64_t{Receiver1.state().rxBase} - base;
        for (std::int64_t k = 0; k < moved && k < Receiver::kSlots; ++k) {
            delivered.push_back(numbers[static_cast<std::size_t>(k)]);
        }
    }
};
