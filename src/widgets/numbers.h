// SPDX-License-Identifier: MIT
// Arithmetic and text helpers shared by every component.
//
// The demonstration stores settings and captions as text and reads them back
// as numbers; these helpers are the one place where that conversion, the
// rounding rule and the range limits are defined.
#pragma once

#include <cstdint>
#include <string>

namespace widgets::num {

// Simulated time in milliseconds. Held in 64 bits so that no sum of a clock
// and a typed delay can overflow; values taken from text are clamped to the
// 32-bit range first (see toLong).
using Millis = std::int64_t;

inline constexpr int kIntegerMin = -32768;
inline constexpr int kIntegerMax = 32767;
inline constexpr std::int64_t kLongMin = -2147483648LL;
inline constexpr std::int64_t kLongMax = 2147483647LL;

// Rounds to the nearest whole number, halves to the even neighbour.
// NaN gives 0; infinities are returned unchanged.
double roundEven(double v);

// Rounds half-to-even and clamps into the 16-bit Integer range.
int toInteger(double v);

// Rounds half-to-even and clamps into the 32-bit Long range.
std::int64_t toLong(double v);

// The leading numeric part of a text, 0 when there is none: optional blanks,
// an optional sign, digits with an optional decimal point, an optional
// exponent. Never returns NaN or an infinity (overflow clamps to +-1e308).
double textValue(const std::string& text);

// The leading-blank form: a blank stands for the sign of a non-negative
// number, "-" for a negative one. Fractions keep their digits without
// trailing zeros: 7 -> " 7", -3 -> "-3", 0.25 -> " 0.25", 5.0 -> " 5".
std::string blankNumber(std::int64_t v);
std::string blankNumber(double v);
inline std::string blankNumber(int v)
{
    return blankNumber(static_cast<std::int64_t>(v));
}

// Plain decimal form without the leading blank: 7 -> "7".
std::string plainNumber(std::int64_t v);

// Remainder of n by (maxSequence + 1) that is never negative and never
// divides by zero: a space below 1 gives 0.
std::int64_t seqOf(std::int64_t n, std::int64_t maxSequence);

// Colours are 0xBBGGRR (blue in the high byte).
inline constexpr int red(std::int64_t c)
{
    return static_cast<int>(c & 0xFF);
}
inline constexpr int green(std::int64_t c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int blue(std::int64_t c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}
inline constexpr std::int64_t rgb(int r, int g, int b)
{
    return static_cast<std::int64_t>(r & 0xFF) | (static_cast<std::int64_t>(g & 0xFF) << 8) |
           (static_cast<std::int64_t>(b & 0xFF) << 16);
}

}  // namespace widgets::num
