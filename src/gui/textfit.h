// SPDX-License-Identifier: MIT
// Fitting a caption into the rectangle the layout gives it.
//
// Captions grow with the run (packet 100, 9999, 99999) and some were laid out
// tight. A text that does not fit at the control's own font is drawn at a
// smaller size, down to a floor that stays legible, and only then cut short
// with an ellipsis. Position, size and the model's text never change.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>

namespace gui {

// About 7 points at 100 %: the smallest size a caption is shrunk to (it
// grows with the zoom: a binding passes Scale::pixels(kFloorPixels)).
inline constexpr int kFloorPixels = 9;

struct FittedText {
    QFont font;
    QString text;  // the caption, or a shortened one when nothing fits
    bool wrap = false;
};

// The largest font not above `base` at which `text` fits `box` (in pixels).
// With `mayWrap`, a box tall enough for two lines at `base` breaks the text
// between words; otherwise the text stays on one line. `floorPixels` is the
// smallest size, in pixels at the zoom of `base`.
FittedText fitText(const QFont& base, const QString& text, const QSize& box, bool mayWrap,
                   int floorPixels = kFloorPixels);

}  // namespace gui
