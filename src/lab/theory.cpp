// SPDX-License-Identifier: MIT
#include "lab/theory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "topology/scenario.h"

namespace lab {

namespace {

bool positive(double v)
{
    return std::isfinite(v) && v > 0;
}

}  // namespace

Theory theoryFor(const TheorySettings& s)
{
    Theory out;
    const bool router = s.router;
    if (!positive(s.bitRate1) || !positive(s.length) || (router && !positive(s.bitRate2))) return out;

    // Transmission times: a data packet of length L and an acknowledgement
    // (length 1) take L / (4 R) seconds.
    const double tf1 = s.length / (4 * s.bitRate1);
    const double ta1 = 1 / (4 * s.bitRate1);
    double cycle = tf1 + s.delay1 + s.rxProcessing + ta1 + s.delay1 + s.txProcessing;
    double bound = 1;
    double p2 = 0;
    if (router) {
        const double tf2 = s.length / (4 * s.bitRate2);
        const double ta2 = 1 / (4 * s.bitRate2);
        cycle += tf2 + s.delay2 + ta2 + s.delay2;
        bound = tf1 / std::max(tf1, tf2);
        p2 = s.loss2;
    }
    out.cycle = cycle;
    out.frameTime = tf1;
    out.bound = bound;

    const double p1 = s.loss1;
    const double survive = (1 - p1) * (1 - p2);
    const double P = 1 - survive * survive;  // a packet or its acknowledgement is lost
    const double A = cycle / tf1;            // the textbook's 1 + 2a
    const double W = std::max(1, s.window);
    out.cycleFactor = A;
    out.lossBoth = P;
    out.window = static_cast<int>(W);

    double u = 0;
    const auto scenario = static_cast<Scenario>(s.scenario);
    switch (scenario) {
        case Scenario::NoControls:
        case Scenario::SoftwareFlow:
            // No window and no reaction to loss: the sender keeps the line busy.
            u = 1;
            break;
        case Scenario::StopAndWait:
            u = P > 0 ? 0 : 1 / A;
            break;
        case Scenario::SlidingWindow:
            u = P > 0 ? 0 : W / A;
            break;
        case Scenario::StopAndWaitARQ:
            u = (1 - P) / A;
            break;
        case Scenario::GoBackN:
            u = W >= A ? (1 - P) / (1 + (A - 1) * P) : W * (1 - P) / (A * (1 - P + W * P));
            break;
        case Scenario::SelectiveRepeat:
            u = W >= A ? 1 - P : W * (1 - P) / A;
            break;
        default:
            return out;
    }
    u = std::min({1.0, u, bound});
    out.utilisation = u;
    if (scenario == Scenario::NoControls || scenario == Scenario::SoftwareFlow) {
        out.goodput = survive * bound / tf1;
    } else {
        out.goodput = u / tf1;
    }
    return out;
}

bool operator==(const TheorySettings& a, const TheorySettings& b)
{
    const auto key = [](const TheorySettings& s) {
        return std::tie(s.scenario, s.router, s.bitRate1, s.delay1, s.bitRate2, s.delay2, s.length, s.txProcessing,
                        s.rxProcessing, s.window, s.loss1, s.loss2);
    };
    return key(a) == key(b);
}

namespace {

// Up to `decimals` places, without trailing zeros: 1, 5.25, 0.19.
std::string shortNumber(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

}  // namespace

std::string substituted(const TheorySettings& s, const Theory& t)
{
    if (!t.utilisation || !t.frameTime || !t.cycle) return {};
    std::string line = "t_f = " + shortNumber(*t.frameTime, 3) + " s, T = " + shortNumber(*t.cycle, 3) +
                       " s, A = " + shortNumber(t.cycleFactor, 3);
    const auto scenario = static_cast<Scenario>(s.scenario);
    const bool windowed =
        scenario == Scenario::SlidingWindow || scenario == Scenario::GoBackN || scenario == Scenario::SelectiveRepeat;
    const bool stopAndWait = scenario == Scenario::StopAndWait || scenario == Scenario::StopAndWaitARQ;
    if (windowed || stopAndWait) line += ", W = " + std::to_string(stopAndWait ? 1 : t.window);
    if (t.lossBoth > 0) line += ", P = " + shortNumber(t.lossBoth, 3);
    if (s.router) line += ", B = " + shortNumber(t.bound, 3);
    char u[32];
    std::snprintf(u, sizeof u, "%.3f", *t.utilisation);
    return line + " \u2192 U = " + u;
}

}  // namespace lab
