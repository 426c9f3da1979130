// SPDX-License-Identifier: MIT
// Exporting a wire's trace, as the window's dialog and the page offer it:
// which parts of the run there are to choose from (in the dialog's words),
// the range chosen, and how large the PNG of a figure comes out. The SVG is
// figure::svg's; the window and the page only draw and ask.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session/tracefigure.h"

class Wire;

namespace figure {

// What the user chooses from for `wire` at simulated time `nowMs`.
struct ExportChoices {
    std::string title;          // "Export trace of Wire1"
    std::string visibleText;    // "The visible part (0.0 s to 12.0 s)"
    std::string wholeText;      // "The whole run since the last clear (0.0 s to 25.0 s)"
    Range run;                  // the whole run since the last clear
    std::int64_t latestMs = 0;  // a range's ends lie between 0 and this
};
ExportChoices exportChoices(const Wire& wire, std::int64_t nowMs);

// Said when no visible wire has its trace on.
inline constexpr const char* kNoTrace = "No wire shows a trace.";

// Which part of the run: the visible part (no range), the whole run, or
// FROM to TO seconds (rounded to the ms). Sets `why` and returns nothing
// when the range does not end after it starts.
enum class Part { Visible, Whole, Range };
struct Chosen {
    Part part = Part::Visible;
    std::optional<Range> range;
};
std::optional<Chosen> chooseRange(const ExportChoices& c, Part part, double fromSeconds, double toSeconds,
                                  std::string& why);

// The figure of `wire`'s trace for the part chosen, drawn in profile `p`.
TraceFigure exportFigure(const Wire& wire, const Chosen& chosen, palette::Profile p);

// The PNG's size at `scale` pixels per screen pixel (15 display units).
struct PixelSize {
    int width = 0, height = 0;
};
PixelSize pngSize(const TraceFigure& f, double scale);
// The scale's limits and the window's default.
inline constexpr double kMinScale = 0.5, kMaxScale = 16.0, kDefaultScale = 2.0;
// Why a PNG of `f` at `scale` cannot be made (a bad scale, taller than an
// image holds), or "".
std::string pngProblem(const TraceFigure& f, double scale);

}  // namespace figure
