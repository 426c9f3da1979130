// SPDX-License-Identifier: MIT
#include "palette/colour.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "widgets/numbers.h"

namespace palette {

namespace {

constexpr double kPi = std::numbers::pi;

double degrees(double radians)
{
    return radians * 180.0 / kPi;
}

double radians(double degrees)
{
    return degrees * kPi / 180.0;
}

// Hue angle in degrees, 0..360; 0 for a grey.
double hue(double b, double a)
{
    if (a == 0 && b == 0) return 0;
    const double h = degrees(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
}

double labF(double t)
{
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0;
}

// Rows of the Machado-Oliveira-Fernandes matrices at severity 1.0.
using Matrix = double[3][3];
constexpr Matrix kProtanopia = {
    {0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}};
constexpr Matrix kDeuteranopia = {
    {0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}};
constexpr Matrix kTritanopia = {
    {1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}};

Linear apply(const Matrix& m, const Linear& c)
{
    auto row = [&](int i) { return std::clamp(m[i][0] * c.r + m[i][1] * c.g + m[i][2] * c.b, 0.0, 1.0); };
    return {row(0), row(1), row(2)};
}

}  // namespace

double toLinear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double fromLinear(double light)
{
    return light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

Linear linear(std::int64_t colour)
{
    return {toLinear(widgets::num::red(colour) / 255.0), toLinear(widgets::num::green(colour) / 255.0),
            toLinear(widgets::num::blue(colour) / 255.0)};
}

std::int64_t fromLinear(const Linear& c)
{
    auto channel = [](double light) {
        return static_cast<int>(std::lround(std::clamp(fromLinear(light), 0.0, 1.0) * 255.0));
    };
    return widgets::num::rgb(channel(c.r), channel(c.g), channel(c.b));
}

double luminance(std::int64_t colour)
{
    const Linear c = linear(colour);
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

double contrast(std::int64_t a, std::int64_t b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Lab toLab(const Linear& c)
{
    // sRGB to XYZ, relative to the D65 white.
    const double x = (0.4124564 * c.r + 0.3575761 * c.g + 0.1804375 * c.b) / 0.95047;
    const double y = 0.2126729 * c.r + 0.7151522 * c.g + 0.0721750 * c.b;
    const double z = (0.0193339 * c.r + 0.1191920 * c.g + 0.9503041 * c.b) / 1.08883;
    const double fx = labF(x), fy = labF(y), fz = labF(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Lab toLab(std::int64_t colour)
{
    return toLab(linear(colour));
}

// CIEDE2000 (Sharma, Wu and Dalal's formulation), with kL = kC = kH = 1.
double deltaE2000(const Lab& x, const Lab& y)
{
    const double c1 = std::hypot(x.a, x.b), c2 = std::hypot(y.a, y.b);
    const double cMean7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * x.a, a2 = (1 + g) * y.a;
    const double cp1 = std::hypot(a1, x.b), cp2 = std::hypot(a2, y.b);
    const double h1 = hue(x.b, a1), h2 = hue(y.b, a2);

    const double dL = y.L - x.L;
    const double dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180) dh -= 360;
        if (dh < -180) dh += 360;
    }
    const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2));

    const double lMean = (x.L + y.L) / 2;
    const double cMean = (cp1 + cp2) / 2;
    double hMean = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::abs(h1 - h2) <= 180) {
            hMean /= 2;
        } else {
            hMean = h1 + h2 < 360 ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
        }
    }
    const double t = 1 - 0.17 * std::cos(radians(hMean - 30)) + 0.24 * std::cos(radians(2 * hMean)) +
                     0.32 * std::cos(radians(3 * hMean + 6)) - 0.20 * std::cos(radians(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double cMeanP7 = std::pow(cMean, 7);
    const double rC = 2 * std::sqrt(cMeanP7 / (cMeanP7 + std::pow(25.0, 7)));
    const double l50 = (lMean - 50) * (lMean - 50);
    const double sL = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sC = 1 + 0.045 * cMean;
    const double sH = 1 + 0.015 * cMean * t;
    const double rT = -std::sin(radians(2 * dTheta)) * rC;
    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

const char* name(Vision v)
{
    switch (v) {
        case Vision::Normal:
            return "normal";
        case Vision::Protanopia:
            return "protanopia";
        case Vision::Deuteranopia:
            return "deuteranopia";
        case Vision::Tritanopia:
            return "tritanopia";
    }
    return "";
}

Linear simulate(Vision v, const Linear& c)
{
    switch (v) {
        case Vision::Normal:
            break;
        case Vision::Protanopia:
            return apply(kProtanopia, c);
        case Vision::Deuteranopia:
            return apply(kDeuteranopia, c);
        case Vision::Tritanopia:
            return apply(kTritanopia, c);
    }
    return c;
}

double deltaE(std::int64_t a, std::int64_t b, Vision v)
{
    return deltaE2000(toLab(simulate(v, linear(a))), toLab(simulate(v, linear(b))));
}

}  // namespace palette
