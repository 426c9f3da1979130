// SPDX-License-Identifier: MIT
#include "gui/textfit.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QFontMetrics>
#include <QRect>

namespace gui {

namespace {

bool fitsOneLine(const QFontMetrics& fm, const QString& text, const QSize& box)
{
    return fm.horizontalAdvance(text) <= box.width();
}

bool fitsWrapped(const QFontMetrics& fm, const QString& text, const QSize& box)
{
    const QRect r = fm.boundingRect(QRect(0, 0, box.width(), INT_MAX), Qt::TextWordWrap, text);
    return r.width() <= box.width() && r.height() <= box.height();
}

}  // namespace

FittedText fitText(const QFont& base, const QString& text, const QSize& box, bool mayWrap, int floorPixels)
{
    FittedText out{base, text, false};
    if (text.isEmpty() || box.width() <= 0) return out;
    const QFontMetrics baseMetrics(base);
    out.wrap = mayWrap && box.height() >= 2 * baseMetrics.lineSpacing() && text.contains(QLatin1Char(' '));
    auto fits = [&](const QFontMetrics& fm) {
        return out.wrap ? fitsWrapped(fm, text, box) : fitsOneLine(fm, text, box);
    };
    if (fits(baseMetrics)) return out;

    const int start = base.pixelSize() > 0 ? base.pixelSize() : QFontMetrics(base).height();
    const int floor = std::min(start, std::max(1, floorPixels));
    QFont f = base;
    for (int px = start - 1; px >= floor; --px) {
        f.setPixelSize(px);
        if (fits(QFontMetrics(f))) {
            out.font = f;
            return out;
        }
    }
    // Nothing fits: the floor size, on one line, cut short.
    f.setPixelSize(floor);
    out.font = f;
    out.wrap = false;
    out.text = QFontMetrics(f).elidedText(text, Qt::ElideRight, box.width());
    return out;
}

}  // namespace gui
