// SPDX-License-Identifier: MIT
#include "widgets/numbers.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace widgets::num {

double roundEven(double v)
{
    if (std::isnan(v)) return 0.0;
    if (std::isinf(v)) return v;
    // nearbyint follows the current rounding mode, which is round-to-nearest-
    // even unless somebody changed it; compute it explicitly to be independent.
    double fl = std::floor(v);
    double diff = v - fl;
    if (diff > 0.5) return fl + 1.0;
    if (diff < 0.5) return fl;
    // fl is whole: it is even where its half is whole too (exact, and
    // cheaper than fmod).
    const double half = fl / 2.0;
    return std::floor(half) == half ? fl : fl + 1.0;
}

int toInteger(double v)
{
    double r = roundEven(v);
    if (r < kIntegerMin) return kIntegerMin;
    if (r > kIntegerMax) return kIntegerMax;
    return static_cast<int>(r);
}

std::int64_t toLong(double v)
{
    double r = roundEven(v);
    if (r < static_cast<double>(kLongMin)) return kLongMin;
    if (r > static_cast<double>(kLongMax)) return kLongMax;
    return static_cast<std::int64_t>(r);
}

namespace {

// [sign] digits [. digits] with at most 15 significant digits and 22
// after the point, read without strtod: such a value and ten to the power
// of its decimals are exact doubles, so that one division rounds as strtod
// rounds the whole. The fields of a run hold such numbers, and they are
// read again at every packet (strtod is slow where long double is software,
// as in WebAssembly).
std::optional<double> plainDecimal(std::string_view s)
{
    static constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) ++i;
    std::int64_t mantissa = 0;
    int significant = 0;
    int decimals = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;  // an exponent
        if (mantissa != 0 || c != '0') ++significant;
        if (significant > 15) return std::nullopt;
        mantissa = mantissa * 10 + (c - '0');
        if (point && ++decimals > 22) return std::nullopt;
    }
    const double v = static_cast<double>(mantissa) / kTens[decimals];
    return negative ? -v : v;
}

}  // namespace

double textValue(const std::string& text)
{
    const std::size_t n = text.size();
    const auto digit = [&](std::size_t k) { return k < n && std::isdigit(static_cast<unsigned char>(text[k])); };
    std::size_t i = 0;
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    // The numeric part is one run of the text: [sign] digits [. digits]
    // [e [sign] digits]. It is handed to strtod in one piece.
    const std::size_t begin = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (digit(i)) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (digit(i)) {
            ++i;
            digits = true;
        }
    }
    if (!digits) return 0.0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
        if (digit(j)) {
            while (digit(j)) ++j;
            i = j;
        }
    }
    if (const auto exact = plainDecimal(std::string_view(text).substr(begin, i - begin))) return *exact;
    const std::string num = text.substr(begin, i - begin);
    double v = std::strtod(num.c_str(), nullptr);
    if (std::isnan(v)) return 0.0;
    if (v > 1e308) return 1e308;
    if (v < -1e308) return -1e308;
    return v;
}

std::string plainNumber(std::int64_t v)
{
    return std::to_string(v);
}

std::string blankNumber(std::int64_t v)
{
    if (v < 0) return std::to_string(v);
    return " " + std::to_string(v);
}

std::string blankNumber(double v)
{
    if (std::isnan(v)) v = 0.0;
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        return blankNumber(static_cast<std::int64_t>(v));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    if (v >= 0) s = " " + s;
    return s;
}

std::int64_t seqOf(std::int64_t n, std::int64_t maxSequence)
{
    if (maxSequence < 1) return 0;
    std::int64_t m = maxSequence + 1;
    std::int64_t r = n % m;
    return r < 0 ? r + m : r;
}

}  // namespace widgets::num
