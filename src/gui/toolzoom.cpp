// SPDX-License-Identifier: MIT
#include "gui/toolzoom.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include "gui/modelwindow.h"

namespace gui {

namespace {

constexpr const char* kBaseFont = "linkdemoBaseFont";
constexpr const char* kScaledAt = "linkdemoScaledAt";

void scale(QWidget* w, double z)
{
    const double was = w->property(kScaledAt).toDouble();
    if (std::abs(was - z) < 1e-9) return;
    // Before the font: the window's FontChange reads it.
    w->setProperty(kScaledAt, z);
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
}

}  // namespace

void followZoom(QWidget* window, ModelWindow* binding)
{
    if (!window) return;
    window->setProperty(kBaseFont, QVariant::fromValue(window->font()));
    window->setProperty(kScaledAt, 1.0);
    if (!binding) return;
    QObject::connect(binding, &ModelWindow::zoomChanged, window, [window](double z) { scale(window, z); });
    scale(window, binding->zoom());
}

void followZoom(QWidget* window, const widgets::Container& model)
{
    followZoom(window, ModelWindow::bindingOf(model));
}

double toolZoom(const QWidget& window)
{
    const QVariant z = window.property(kScaledAt);
    return z.isValid() ? z.toDouble() : 1.0;
}

}  // namespace gui
