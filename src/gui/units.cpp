// SPDX-License-Identifier: MIT
#include "gui/units.h"

#include <algorithm>

namespace gui {

void Scale::setZoom(double z)
{
    m_zoom = std::isfinite(z) ? std::clamp(z, 0.25, 8.0) : 1.0;
}

int Scale::pixels(double atHundred) const
{
    return std::max(1, static_cast<int>(std::lround(atHundred * m_zoom)));
}

QRect Scale::pixelRect(double left, double top, double width, double height) const
{
    auto px = [this](double units) { return static_cast<int>(std::lround(clampPixels(toPixels(units)))); };
    const int l = px(left);
    const int t = px(top);
    const int r = px(left + std::max(0.0, width));
    const int b = px(top + std::max(0.0, height));
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

QFont Scale::toQFont(const widgets::Font& font) const
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    const double points = std::isfinite(font.points) ? std::clamp(font.points, 1.0, 400.0) : 8.25;
    f.setPixelSize(pixels(points * 96.0 / 72.0));
    f.setBold(font.bold);
    return f;
}

QString toQString(const std::string& s)
{
    return QString::fromStdString(s);
}

}  // namespace gui
