// SPDX-License-Identifier: MIT
#include <cmath>

#include <gtest/gtest.h>

#include "palette/colour.h"

namespace {

using namespace palette;

double twoPlaces(double x)
{
    return std::round(x * 100) / 100;
}

TEST(Colour, ContrastMatchesWcagFigures)
{
    EXPECT_DOUBLE_EQ(contrast(0xFFFFFF, 0x000000), 21.0);
    EXPECT_DOUBLE_EQ(contrast(0x000000, 0xFFFFFF), 21.0);
    EXPECT_DOUBLE_EQ(contrast(0x123456, 0x123456), 1.0);
    EXPECT_EQ(twoPlaces(contrast(0x808080, 0xFFFFFF)), 3.95);
    EXPECT_EQ(twoPlaces(contrast(0x808080, 0xE0E0E0)), 2.99);
    // 0xBBGGRR: light blue, which the channels' order would turn into pink.
    EXPECT_EQ(twoPlaces(contrast(0xFFC0C0, 0xE0E0E0)), 1.30);
    EXPECT_NEAR(luminance(0x0000FF), 0.2126, 1e-12);  // red
    EXPECT_NEAR(luminance(0xFF0000), 0.0722, 1e-12);  // blue
}

TEST(Colour, LinearRoundTripsEveryChannel)
{
    for (int v = 0; v < 256; ++v) {
        const std::int64_t grey = v * 0x010101;
        EXPECT_EQ(fromLinear(linear(grey)), grey);
    }
    EXPECT_EQ(fromLinear(linear(0x2080FF)), 0x2080FF);
}

TEST(Colour, LabOfReferenceColours)
{
    const Lab white = toLab(0xFFFFFF);
    EXPECT_NEAR(white.L, 100, 1e-3);
    EXPECT_NEAR(white.a, 0, 1e-3);
    EXPECT_NEAR(white.b, 0, 1e-3);
    const Lab red = toLab(0x0000FF);
    EXPECT_NEAR(red.L, 53.24, 0.01);
    EXPECT_NEAR(red.a, 80.09, 0.01);
    EXPECT_NEAR(red.b, 67.20, 0.01);
    const Lab blue = toLab(0xFF0000);
    EXPECT_NEAR(blue.L, 32.30, 0.01);
    EXPECT_NEAR(blue.a, 79.19, 0.01);
    EXPECT_NEAR(blue.b, -107.86, 0.01);
}

// Pairs from Sharma, Wu and Dalal's CIEDE2000 test data, chosen to cover the
// hue-angle branches (13-16 straddle the mean-hue wrap) and dark colours.
TEST(Colour, Ciede2000MatchesSharmaTestData)
{
    struct Case {
        Lab x, y;
        double dE;
    };
    const Case cases[] = {
        {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
        {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
        {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
        {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
        {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
        {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
        {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(deltaE2000(c.x, c.y), c.dE, 5e-5) << c.x.L << " " << c.x.a << " " << c.x.b;
        EXPECT_NEAR(deltaE2000(c.y, c.x), c.dE, 5e-5);
    }
}

// Greys pass through every simulation; red and green, far apart to normal
// eyes and to a tritanope, come close for the red-green dichromacies, while
// a blue and a teal stay apart for them and come close for a tritanope.
TEST(Colour, SimulatedDeficienciesConfuseTheirOwnAxes)
{
    for (Vision v : kVisions) {
        for (std::int64_t grey : {0x000000, 0x808080, 0xFFFFFF}) {
            EXPECT_EQ(fromLinear(simulate(v, linear(grey))), grey) << name(v);
        }
    }
    // A brownish red and a green (0xBBGGRR).
    const std::int64_t red = 0x0060C0, green = 0x008060;
    EXPECT_GT(deltaE(red, green), 35);
    EXPECT_GT(deltaE(red, green, Vision::Tritanopia), 35);
    EXPECT_LT(deltaE(red, green, Vision::Protanopia), 8);
    EXPECT_LT(deltaE(red, green, Vision::Deuteranopia), 8);
    // A blue and a teal.
    const std::int64_t blue = 0xC08000, teal = 0x808000;
    for (Vision v : {Vision::Normal, Vision::Protanopia, Vision::Deuteranopia}) {
        EXPECT_GT(deltaE(blue, teal, v), 14) << name(v);
    }
    EXPECT_LT(deltaE(blue, teal, Vision::Tritanopia), 8);
}

}  // namespace
