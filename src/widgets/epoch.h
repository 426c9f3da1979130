// SPDX-License-Identifier: MIT
// One answer to "did the world change while I was inside my report?".
//
// A component reports packet events to the window from inside its own
// operations, and the window may act on a report at once: route it into
// another component that reports back, reset everything, or destroy the very
// packet being moved. When the report returns, the operation that made it may
// be looking at slots, flags and lists that are no longer the ones it
// started with. Each component that can be changed that way keeps one Epoch,
// advances it where such a change happens (a reset, a freed line), takes a
// token before reporting, and stops (or re-reads its state) when the world
// changedSince that token.
#pragma once

#include <cstdint>

namespace widgets {

class Epoch {
public:
    using Token = std::uint64_t;

    void advance() { ++m_count; }
    Token token() const { return m_count; }
    bool changedSince(Token t) const { return m_count != t; }

private:
    Token m_count = 0;
};

}  // namespace widgets
