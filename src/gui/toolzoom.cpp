// SPDX-License-Identifier: MIT
#include "gui/toolzoom.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFont>
#include <QPointer>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include "gui/units.h"

namespace gui {

namespace {

constexpr const char* kBaseFont = "linkdemoBaseFont";
constexpr const char* kScaledAt = "linkdemoScaledAt";

std::vector<QPointer<QWidget>>& followers()
{
    static std::vector<QPointer<QWidget>> list;
    return list;
}

void scale(QWidget* w)
{
    const double z = zoom();
    const double was = w->property(kScaledAt).toDouble();
    if (std::abs(was - z) < 1e-9) return;
    QFont f = w->property(kBaseFont).value<QFont>();
    if (f.pointSizeF() > 0) {
        f.setPointSizeF(f.pointSizeF() * z);
    } else if (f.pixelSize() > 0) {
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pixelSize() * z))));
    }
    w->setFont(f);
    // The window keeps its proportions to what it shows.
    if (was > 0) {
        QSize size = (QSizeF(w->size()) * (z / was)).toSize();
        // Never larger than the screen it is on.
        if (const QScreen* screen = w->screen()) size = size.boundedTo(screen->availableGeometry().size());
        w->resize(size);
    }
    w->setProperty(kScaledAt, z);
}

}  // namespace

void followZoom(QWidget* window)
{
    if (!window) return;
    window->setProperty(kBaseFont, QVariant::fromValue(window->font()));
    window->setProperty(kScaledAt, 1.0);
    auto& list = followers();
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
    list.emplace_back(window);
    scale(window);
}

void rescaleToolWindows()
{
    auto& list = followers();
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
    for (const QPointer<QWidget>& w : list) scale(w);
}

}  // namespace gui
