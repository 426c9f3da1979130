// SPDX-License-Identifier: MIT
// Conversions between the model's units and Qt's.
//
// The model measures in display units of 1/1440 inch. Widgets are placed in
// device-independent pixels of 1/96 inch, so one pixel is 15 units at 100 %;
// Qt's high-DPI scaling maps those pixels to the screen. Colours are
// 0xBBGGRR.
#pragma once

#include <cmath>
#include <cstdint>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include "widgets/controls.h"

namespace gui {

inline constexpr double kUnitsPerPixel = widgets::kUnitsPerPixel;

// Widget coordinates are integers: a position far beyond any screen (a model
// value gone wild) is held at a million pixels rather than overflowing.
inline qreal clampPixels(qreal px)
{
    return px < -1e6 ? -1e6 : (px > 1e6 ? 1e6 : px);
}

// The zoom of one binding on screen (1.0 = 100 %): every position, size and
// font it and its views draw scales with it. Each binding (ModelWindow) owns
// one and hands it to its views, so that two windows may stand at two zooms.
class Scale {
public:
    Scale() = default;
    explicit Scale(double zoom) { setZoom(zoom); }

    double zoom() const { return m_zoom; }
    void setZoom(double z);  // held to 0.25 .. 8; not finite: 1

    qreal toPixels(double units) const { return std::isfinite(units) ? units / kUnitsPerPixel * m_zoom : 0.0; }
    // A size given in pixels at 100 %, at this zoom, rounded (at least 1).
    int pixels(double atHundred) const;

    // The integer widget rectangle of a model rectangle. Edges are rounded
    // on their own, so two controls that touch in units touch on screen.
    QRect pixelRect(double left, double top, double width, double height) const;

    // The proportional sans-serif face at the model's point size. The size
    // is converted to pixels at 96 per inch so that text keeps its
    // proportion to the control whatever logical DPI the platform reports.
    QFont toQFont(const widgets::Font& font) const;

private:
    double m_zoom = 1.0;
};

// A colour in the model's 0xBBGGRR form; negative values (used for "none")
// and bits above 24 are masked off.
inline QColor toQColor(std::int64_t bgr)
{
    const auto v = static_cast<std::uint32_t>(bgr & 0xFFFFFF);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

QString toQString(const std::string& s);

}  // namespace gui
