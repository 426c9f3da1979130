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
    // Room around the picture for the time axis, display units: its ticks
    // and seconds stand left of the picture, clear of every line and label,
    // the top and bottom ones whole. The picture keeps its own coordinates.
    double marginLeft = 0, marginTop = 0, marginBottom = 0;
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

// A span of the run, simulated ms.
struct Range {
    std::int64_t fromMs = 0, toMs = 0;
};
// The whole run since the trace was last cleared, up to `nowMs`: from the
// whole second before its first record (or before now, when it has none).
Range wholeRun(const Wire& wire, std::int64_t nowMs);
// The trace over `range` at the trace's scale, as the picture would show it
// were it as tall as the range: every record that crosses it, each with its
// sequence label. The picture's lines and labels are left as they are.
TraceFigure traceFigure(const Wire& wire, Range range);

// Which of some label boxes are drawn, so that none covers another: taken
// from the top down (left to right at one height), a box that would overlap
// one already kept is left out.
struct Box {
    double left = 0, top = 0, width = 0, height = 0;
};
std::vector<bool> keptLabels(const std::vector<Box>& boxes);

// The figure as drawn in colour profile p: the lines' and labels' colours
// through the colour table, the lines' width and dashes as the profile's
// look asks. Standard leaves the figure as it is.
TraceFigure drawnIn(TraceFigure f, palette::Profile p);

// The figure as a standalone SVG 1.1 document: view box = the picture's area
// in display units (origin at its top left) and the axis margins around it,
// shown at 15 units a pixel. The picture's lines are the
// <line> elements of the group with id "trace", in drawing order.
std::string svg(const TraceFigure& f);

// "#RRGGBB" of a 0xBBGGRR colour.
std::string cssColour(std::int64_t colour);

}  // namespace figure
