// SPDX-License-Identifier: MIT
// Textbook figures for the settings in force: the cycle of one data packet
// and its acknowledgement, the bottleneck bound, and the classic efficiencies
// of the ARQ protocols under independent random loss.
#pragma once

#include <optional>

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
};

Theory theoryFor(const TheorySettings& s);

}  // namespace lab
