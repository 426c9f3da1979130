// SPDX-License-Identifier: MIT
// A wire's time-sequence trace as a figure for slides and lab sheets: the
// lines of its picture area exactly as drawn (display units, the picture's
// own coordinates), its visible sequence labels, a time axis in seconds and
// the wire's name. The SVG writer and the window's PNG export both draw from
// this one description, so the two pictures agree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "palette/palette.h"
#include "widgets/controls.h"

class Wire;

namespace figure {

struct Text {
    enum class Anchor { Start, End };
    double x = 0, y = 0;  // the baseline's start (Start) or end (End)
    double size = 0;      // font size, display units
    bool bold = false;
    std::int64_t colour = 0;  // 0xBBGGRR
    std::string text;
    Anchor anchor = Anchor::Start;
};

struct TraceFigure {
    double width = 0, height = 0;  // the picture area, display units
    std::int64_t backColour = 0xFFFFFF;
    std::string title;                      // the wire's name
    std::vector<widgets::DrawnLine> lines;  // the picture's lines, in drawing order
    std::vector<Text> labels;               // visible sequence labels
    std::vector<widgets::DrawnLine> axis;   // time axis ticks
    std::vector<Text> axisTexts;            // "N s" beside each tick, then the title
    // How the lines are drawn: their width in screen pixels, and which of
    // them are dashed (by index; empty: none).
    double lineWidth = 1;
    std::vector<bool> dashed;
};

// The figure of `wire`'s trace picture as it stands now.
TraceFigure traceFigure(const Wire& wire);

// The figure as drawn in colour profile p: the lines' and labels' colours
// through the colour table, the lines' width and dashes as the profile's
// look asks. Standard leaves the figure as it is.
TraceFigure drawnIn(TraceFigure f, palette::Profile p);

// The figure as a standalone SVG 1.1 document: view box = the picture's size
// in display units, shown at 15 units a pixel. The picture's lines are the
// <line> elements of the group with id "trace", in drawing order.
std::string svg(const TraceFigure& f);

// "#RRGGBB" of a 0xBBGGRR colour.
std::string cssColour(std::int64_t colour);

}  // namespace figure
