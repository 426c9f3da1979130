// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "widgets/numbers.h"

using namespace widgets::num;

TEST(Numbers, RoundsHalvesToEven)
{
    EXPECT_EQ(roundEven(0.5), 0.0);
    EXPECT_EQ(roundEven(1.5), 2.0);
    EXPECT_EQ(roundEven(2.5), 2.0);
    EXPECT_EQ(roundEven(-0.5), 0.0);
    EXPECT_EQ(roundEven(-1.5), -2.0);
    EXPECT_EQ(roundEven(-2.5), -2.0);
    EXPECT_EQ(roundEven(2.4999), 2.0);
    EXPECT_EQ(roundEven(2.5001), 3.0);
    EXPECT_EQ(roundEven(std::nan("")), 0.0);
}

TEST(Numbers, ClampsToIntegerAndLongRanges)
{
    EXPECT_EQ(toInteger(99999999999.0), 32767);
    EXPECT_EQ(toInteger(-1e300), -32768);
    EXPECT_EQ(toInteger(7.5), 8);
    EXPECT_EQ(toInteger(std::numeric_limits<double>::infinity()), 32767);
    EXPECT_EQ(toLong(std::numeric_limits<double>::infinity()), kLongMax);
    EXPECT_EQ(toLong(-3e12), kLongMin);
    EXPECT_EQ(toLong(2500.5), 2500);
}

TEST(Numbers, TextValueReadsTheLeadingNumber)
{
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {" 3", 3},
        {"7.5", 7.5},
        {"-1", -1},
        {"0", 0},
        {"5.0", 5},
        {" 5", 5},
        {"2*RTT", 2},
        {"12abc", 12},
        {".5", 0.5},
        {"-.25x", -0.25},
        {"1e3", 1000},
        {"1e", 1},
        {"3e+2z", 300},
        {"+4", 4},
        {"-", 0},
        {".", 0},
        {"1e309", 1e308},
        {"-1e309", -1e308},
        {"\xc3\xa9"
         "5",
         0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textValue(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_FALSE(std::isnan(textValue("nan")));
    EXPECT_EQ(textValue(std::string(500, '9')), 1e308);
}

// Plain decimals are read without strtod: every one must read as strtod
// reads it, to the last bit (near 15 digits and 22 decimals above all).
TEST(Numbers, TextValueReadsDecimalsAsStrtodDoes)
{
    std::mt19937_64 random(7);
    const auto digits = [&](int count) {
        std::string s;
        for (int k = 0; k < count; ++k) s += static_cast<char>('0' + random() % 10);
        return s;
    };
    for (int k = 0; k < 20000; ++k) {
        const int whole = static_cast<int>(random() % 17);
        const int fraction = static_cast<int>(random() % 25);
        std::string text = (random() % 4 == 0 ? "-" : "") + digits(whole);
        if (fraction > 0 || whole == 0) text += "." + digits(std::max(1, fraction));
        const double expected = std::strtod(text.c_str(), nullptr);
        const double got = textValue(text);
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text;
    }
}

TEST(Numbers, LeadingBlankForm)
{
    EXPECT_EQ(blankNumber(7), " 7");
    EXPECT_EQ(blankNumber(0), " 0");
    EXPECT_EQ(blankNumber(-3), "-3");
    EXPECT_EQ(blankNumber(40000), " 40000");
    EXPECT_EQ(blankNumber(5.0), " 5");
    EXPECT_EQ(blankNumber(0.25), " 0.25");
    EXPECT_EQ(blankNumber(25.2), " 25.2");
    EXPECT_EQ(blankNumber(-1.5), "-1.5");
    EXPECT_EQ(plainNumber(7), "7");
}

TEST(Numbers, SequenceRemainderNeverDividesByZero)
{
    EXPECT_EQ(seqOf(6, 5), 0);
    EXPECT_EQ(seqOf(7, 1), 1);
    EXPECT_EQ(seqOf(7, 0), 0);
    EXPECT_EQ(seqOf(7, -1), 0);
    EXPECT_EQ(seqOf(7, -5), 0);
    EXPECT_EQ(seqOf(40000, 15), 40000 % 16);
}

TEST(Numbers, ColourComponents)
{
    EXPECT_EQ(red(0xFFC0A0), 0xA0);
    EXPECT_EQ(green(0xFFC0A0), 0xC0);
    EXPECT_EQ(blue(0xFFC0A0), 0xFF);
    EXPECT_EQ(rgb(0xA0, 0xC0, 0xFF), 0xFFC0A0);
}
