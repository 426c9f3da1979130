// SPDX-License-Identifier: MIT
// The textbook figures against values worked out by hand.
//
// Default link: L = 4, R1 = 1, D1 = 2 s, no processing time, so t_f = 1 s,
// t_a = 0.25 s, T = 1 + 2 + 0.25 + 2 = 5.25 s and A = 5.25. With p1 = 0.1 on
// the direct link, P = 1 - 0.9^2 = 0.19.
#include <gtest/gtest.h>

#include "lab/theory.h"

namespace {

using lab::theoryFor;
using lab::TheorySettings;

TheorySettings link(int scenario, int window = 1, double loss1 = 0)
{
    TheorySettings s;
    s.scenario = scenario;
    s.window = window;
    s.loss1 = loss1;
    return s;
}

struct Case {
    const char* what;
    TheorySettings settings;
    double utilisation;
    double goodput;
};

TEST(Theory, EveryScenarioAgainstHandComputedValues)
{
    TheorySettings slowLink = link(4, 3, 0.1);  // t_f = 5, t_a = 1.25, D = 0.5: T = 7.25, A = 1.45
    slowLink.bitRate1 = 0.2;
    slowLink.delay1 = 0.5;
    TheorySettings slowSR = slowLink;
    slowSR.scenario = 5;
    TheorySettings processing = link(3);
    processing.txProcessing = 0.5;
    processing.rxProcessing = 0.25;  // T = 6, A = 6

    const Case cases[] = {
        {"No Controls keeps the line busy", link(0), 1.0, 1.0},
        {"No Controls delivers what survives", link(0, 1, 0.1), 1.0, 0.9},
        {"Stop and Wait: 1 / A", link(1), 1 / 5.25, 1 / 5.25},
        {"Stop and Wait stalls after a loss", link(1, 1, 0.1), 0.0, 0.0},
        {"Sliding Window: W / A", link(2, 3), 3 / 5.25, 3 / 5.25},
        {"Sliding Window stalls after a loss", link(2, 3, 0.1), 0.0, 0.0},
        {"Stop & Wait ARQ without loss", link(3), 1 / 5.25, 1 / 5.25},
        {"Stop & Wait ARQ: (1 - P) / A", link(3, 1, 0.1), 0.81 / 5.25, 0.81 / 5.25},
        {"Stop & Wait ARQ counts both processing times", processing, 1 / 6.0, 1 / 6.0},
        {"Go-back-N, W < A", link(4, 3, 0.1), 3 * 0.81 / (5.25 * (0.81 + 3 * 0.19)), 3 * 0.81 / (5.25 * 1.38)},
        {"Go-back-N, W >= A", slowLink, 0.81 / (1 + 0.45 * 0.19), 0.81 / 1.0855 / 5},
        {"Go-back-N without loss, W < A", link(4, 3), 3 / 5.25, 3 / 5.25},
        {"Selective Repeat, W < A", link(5, 3, 0.1), 3 * 0.81 / 5.25, 3 * 0.81 / 5.25},
        {"Selective Repeat, W >= A", slowSR, 0.81, 0.81 / 5},
        {"Software Flow ignores loss", link(6, 1, 0.1), 1.0, 0.9},
    };
    for (const Case& c : cases) {
        const lab::Theory t = theoryFor(c.settings);
        ASSERT_TRUE(t.utilisation && t.goodput) << c.what;
        EXPECT_NEAR(*t.utilisation, c.utilisation, 1e-9) << c.what;
        EXPECT_NEAR(*t.goodput, c.goodput, 1e-9) << c.what;
    }
}

TEST(Theory, RouterAddsTheSecondHopAndTheBottleneck)
{
    // R2 = 0.5: t_f2 = 2, t_a2 = 0.5, D2 = 1.
    // T = 1 + 2 + 2 + 1 + 0 + 0.5 + 1 + 0.25 + 2 + 0 = 9.75; B = 1 / 2.
    TheorySettings s = link(0, 1, 0.1);
    s.router = true;
    s.bitRate2 = 0.5;
    s.loss2 = 0.2;
    lab::Theory t = theoryFor(s);
    EXPECT_NEAR(*t.cycle, 9.75, 1e-9);
    EXPECT_NEAR(*t.utilisation, 0.5, 1e-9);
    EXPECT_NEAR(*t.goodput, 0.9 * 0.8 * 0.5, 1e-9);

    // Stop & Wait ARQ: P = 1 - (0.9 * 0.8)^2 = 0.4816; (1 - P) / A, A = 9.75.
    s.scenario = 3;
    t = theoryFor(s);
    EXPECT_NEAR(*t.utilisation, (1 - 0.4816) / 9.75, 1e-9);

    // A loss on Wire2 counts only where Wire2 is routed.
    s.router = false;
    s.loss1 = 0;
    EXPECT_NEAR(*theoryFor(s).utilisation, 1 / 5.25, 1e-9);
}

TEST(Theory, UndefinedForAZeroLength)
{
    TheorySettings s = link(4, 3);
    s.length = 0;
    const lab::Theory t = theoryFor(s);
    EXPECT_FALSE(t.utilisation);
    EXPECT_FALSE(t.goodput);
}

}  // namespace

TEST(Theory, TheFormulaWithTheNumbersInForce)
{
    const TheorySettings stopAndWait = link(1);
    EXPECT_EQ(lab::substituted(stopAndWait, theoryFor(stopAndWait)),
              "t_f = 1 s, T = 5.25 s, A = 5.25, W = 1 \u2192 U = 0.190");
    TheorySettings goBackN = link(4, 3, 0.1);
    goBackN.router = true;
    EXPECT_EQ(lab::substituted(goBackN, theoryFor(goBackN)),
              "t_f = 1 s, T = 7.5 s, A = 7.5, W = 3, P = 0.19, B = 1 \u2192 U = 0.235");
    TheorySettings empty = link(1);
    empty.length = 0;
    EXPECT_EQ(lab::substituted(empty, theoryFor(empty)), "");
}
