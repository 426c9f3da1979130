// SPDX-License-Identifier: MIT
#include "session/figureexport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "wire/wire.h"

namespace figure {

namespace {

constexpr double kUnitsPerPixel = 15;
// Beyond what an image (and most viewers) can hold.
constexpr double kTallest = 32000;

std::string seconds(double s)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.1f", s);
    return buf;
}

}  // namespace

ExportChoices exportChoices(const Wire& wire, std::int64_t nowMs)
{
    ExportChoices c;
    c.title = "Export trace of " + wire.name();
    c.run = wholeRun(wire, nowMs);
    c.latestMs = std::max(nowMs, c.run.toMs);
    const TimeSequenceTrace::Frame shown = wire.traceTable().frame();
    const double from = shown.startSeconds;
    const double to = from + (shown.unitsPerSecond > 0 ? shown.height / shown.unitsPerSecond : 0);
    c.visibleText = "The visible part (" + seconds(from) + " s to " + seconds(to) + " s)";
    c.wholeText = "The whole run since the last clear (" + seconds(static_cast<double>(c.run.fromMs) / 1000.0) +
                  " s to " + seconds(static_cast<double>(c.run.toMs) / 1000.0) + " s)";
    return c;
}

std::optional<Chosen> chooseRange(const ExportChoices& c, Part part, double fromSeconds, double toSeconds,
                                  std::string& why)
{
    Chosen chosen{part, std::nullopt};
    if (part == Part::Whole) chosen.range = c.run;
    if (part == Part::Range) {
        const auto ms = [](double s) {
            return std::isfinite(s) ? static_cast<std::int64_t>(std::llround(s * 1000)) : 0;
        };
        const std::int64_t a = ms(fromSeconds), b = ms(toSeconds);
        if (b <= a) {
            why = "The range must end after it starts.";
            return std::nullopt;
        }
        chosen.range = Range{a, b};
    }
    return chosen;
}

TraceFigure exportFigure(const Wire& wire, const Chosen& chosen, palette::Profile p)
{
    return drawnIn(chosen.range ? traceFigure(wire, *chosen.range) : traceFigure(wire), p);
}

PixelSize pngSize(const TraceFigure& f, double scale)
{
    const double k = scale / kUnitsPerPixel;
    return {std::max(1, static_cast<int>(std::ceil((f.width + f.marginLeft) * k))),
            std::max(1, static_cast<int>(std::ceil((f.height + f.marginTop + f.marginBottom) * k)))};
}

std::string pngProblem(const TraceFigure& f, double scale)
{
    if (!(scale > 0) || scale > kMaxScale) return "the scale must lie between 0 and 16";
    const double tall = std::ceil((f.height + f.marginTop + f.marginBottom) * scale / kUnitsPerPixel);
    if (tall > kTallest) {
        char buf[160];
        std::snprintf(buf, sizeof buf,
                      "the picture would be %.0f pixels tall (at most %.0f): choose a smaller scale or a shorter "
                      "range, or SVG",
                      tall, kTallest);
        return buf;
    }
    return {};
}

}  // namespace figure
