// SPDX-License-Identifier: MIT
// Textbook figures for the settings in force: the cycle of one data packet
// and its acknowledgement, the bottleneck bound, and the classic efficiencies
// of the ARQ protocols under independent random loss.
#pragma once

#include <optional>
#include <string>

namespace lab {

// What the formulas need, in seconds and packets.
struct TheorySettings {
    int scenario = 0;  // 0..6: the scenario list's index
    bool router = false;
    double bitRate1 = 1, delay1 = 2;            // Wire1
    double bitRate2 = 5, delay2 = 1;            // Wire2, with the router only
    double length = 4;                          // data packet length
    double txProcessing = 0, rxProcessing = 0;  // s
    int window = 1;                             // the transmitter's window
    double loss1 = 0, loss2 = 0;
};

struct Theory {
    // Fraction of the time Wire1's forward direction sends; packets per s.
    // Empty where a rate or length of 0 leaves it undefined.
    std::optional<double> utilisation;
    std::optional<double> goodput;
    // The cycle T and the data transmission time t_f, s (for the help).
    std::optional<double> cycle;
    std::optional<double> frameTime;
    // A = T / t_f, the bottleneck bound B, the chance P that a packet or its
    // acknowledgement is lost, and the window W the formula used.
    double cycleFactor = 0;
    double bound = 1;
    double lossBoth = 0;
    int window = 1;
};

Theory theoryFor(const TheorySettings& s);

bool operator==(const TheorySettings& a, const TheorySettings& b);
inline bool operator!=(const TheorySettings& a, const TheorySettings& b)
{
    return !(a == b);
}

// The formula of the scenario in force with the numbers substituted, as one
// line: "t_f = 1 s, T = 5.25 s, A = 5.25, W = 1 → U = 0.190". Empty where
// the theory is undefined.
std::string substituted(const TheorySettings& s, const Theory& t);

}  // namespace lab
