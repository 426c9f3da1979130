// SPDX-License-Identifier: MIT
// Colour science for the palettes: sRGB and its linear light, WCAG contrast,
// CIE L*a*b* (D65), the CIEDE2000 colour difference and simulated colour
// vision deficiencies. Colours are the model's 0xBBGGRR integers.
#pragma once

#include <cstdint>

namespace palette {

// Linear-light sRGB, each channel 0..1.
struct Linear {
    double r = 0, g = 0, b = 0;
};

struct Lab {
    double L = 0, a = 0, b = 0;
};

// One sRGB channel (0..1) to linear light and back.
double toLinear(double channel);
double fromLinear(double light);

Linear linear(std::int64_t colour);
// Rounded to the nearest 8-bit channel, held in 0..1.
std::int64_t fromLinear(const Linear& c);

// WCAG 2 relative luminance and contrast ratio (1 to 21).
double luminance(std::int64_t colour);
double contrast(std::int64_t a, std::int64_t b);

Lab toLab(const Linear& c);
Lab toLab(std::int64_t colour);
double deltaE2000(const Lab& x, const Lab& y);

// Full (severity 1.0) dichromacies, simulated with the Machado-Oliveira-
// Fernandes (2009) matrices on linear sRGB; None leaves the colour as it is.
enum class Vision { Normal, Protanopia, Deuteranopia, Tritanopia };
inline constexpr Vision kVisions[] = {Vision::Normal, Vision::Protanopia, Vision::Deuteranopia, Vision::Tritanopia};
const char* name(Vision v);

Linear simulate(Vision v, const Linear& c);
// The CIEDE2000 difference between two colours as seen with vision `v`.
double deltaE(std::int64_t a, std::int64_t b, Vision v = Vision::Normal);

}  // namespace palette
