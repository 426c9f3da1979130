// SPDX-License-Identifier: MIT
// The process-wide uniform generator in [0, 1).
//
// It is never seeded from the clock, so every launch draws the same sequence
// and a run's random drops repeat. Tests replace it with a fixed sequence.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace widgets {

class Random {
public:
    virtual ~Random() = default;
    // The next number, uniform in [0, 1).
    virtual double next() = 0;
};

// Mersenne twister with its standard default seed.
class DefaultRandom : public Random {
public:
    explicit DefaultRandom(std::uint32_t seed = 5489u) : m_engine(seed) {}
    double next() override;

private:
    std::mt19937 m_engine;
};

// Replays the given values in turn, cycling; for tests.
class SequenceRandom : public Random {
public:
    explicit SequenceRandom(std::vector<double> values) : m_values(std::move(values)) {}
    double next() override;

private:
    std::vector<double> m_values;
    std::size_t m_pos = 0;
};

}  // namespace widgets
