// SPDX-License-Identifier: MIT
// Pictures for slides and lab sheets: a wire's trace as SVG or PNG (drawn
// from the same figure the runner's `svg` writes), and the whole client area
// of the window as PNG.
#pragma once

#include <optional>

#include <QImage>
#include <QString>

#include "session/tracefigure.h"

class QWidget;
class Wire;

namespace gui {

// The figure drawn at `scale` pixels per screen pixel (15 display units);
// lines are `scale` pixels wide, as the window draws them one pixel wide.
QImage renderFigure(const figure::TraceFigure& f, double scale);

// Writes `wire`'s trace to `file`: SVG when the name ends in .svg, PNG
// otherwise (at `scale`); its visible part, or `range` of the run. Returns an
// empty string, or why it failed.
QString exportTrace(const Wire& wire, const QString& file, double scale = 2.0,
                    std::optional<figure::Range> range = std::nullopt);

// The widget as it is drawn now, at the screen's pixel ratio, to PNG.
QString exportWidgetPng(QWidget& widget, const QString& file);

// Asks for a file, then which part of the run (the visible part, the whole
// run since the trace was last cleared up to `nowMs`, or a range of
// seconds) and, for PNG, a scale, and exports the trace; messages go to a
// box over `parent`. Returns whether a file was written.
bool exportTraceDialog(QWidget* parent, const Wire& wire, std::int64_t nowMs);
// Asks for a file and saves `widget` as PNG.
bool exportWidgetDialog(QWidget* parent, QWidget& widget);

}  // namespace gui
