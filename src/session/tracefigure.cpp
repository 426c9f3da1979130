// SPDX-License-Identifier: MIT
#include "session/tracefigure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "widgets/numbers.h"
#include "packet/packet.h"
#include "wire/trace.h"
#include "wire/wire.h"

namespace figure {

namespace {

constexpr double kUnitsPerPixel = 15;
constexpr std::int64_t kAxisColour = 0x808080;
constexpr double kAxisTextSize = 120;  // display units: 6 points
constexpr double kTickLength = 90;
// Ticks closer than this (display units) are thinned to every 2, 5, 10 ... s.
constexpr double kMinTickSpacing = 300;

std::string number(double v)
{
    if (!std::isfinite(v)) return "0";
    // The shortest form that reads back as the same value (std::to_chars
    // for doubles is missing from some standard libraries).
    char buf[32];
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.0f", v == 0 ? 0.0 : v);
        return buf;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

std::string escaped(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
                    out += ' ';
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// Whole seconds between ticks: 1, 2, 5, 10, 20, 50 ... so that ticks stand
// at least kMinTickSpacing apart.
long tickStep(double unitsPerSecond)
{
    long step = 1;
    for (int k = 0; unitsPerSecond * static_cast<double>(step) < kMinTickSpacing && k < 30; ++k) {
        const long mantissa = step / static_cast<long>(std::pow(10, std::floor(std::log10(step))));
        step = mantissa == 2 ? step / 2 * 5 : step * 2;
    }
    return step;
}

void writeText(std::string& out, const Text& t)
{
    out +=
        "<text x=\"" + number(t.x) + "\" y=\"" + number(t.y) + "\" font-family=\"Liberation Sans, Arial, sans-serif\"";
    out += " font-size=\"" + number(t.size) + "\" fill=\"" + cssColour(t.colour) + "\"";
    if (t.bold) out += " font-weight=\"bold\"";
    if (t.anchor == Text::Anchor::End) out += " text-anchor=\"end\"";
    out += " xml:space=\"preserve\">" + escaped(t.text) + "</text>\n";
}

void writeLine(std::string& out, const widgets::DrawnLine& l, bool dashed = false)
{
    out += "<line x1=\"" + number(l.x1) + "\" y1=\"" + number(l.y1) + "\" x2=\"" + number(l.x2) + "\" y2=\"" +
           number(l.y2) + "\" stroke=\"" + cssColour(l.colour) + "\"";
    // Four pixels drawn, four left out, as the window dashes them.
    if (dashed) out += " stroke-dasharray=\"" + number(4 * kUnitsPerPixel) + "\"";
    out += "/>\n";
}

}  // namespace

std::string cssColour(std::int64_t colour)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", num::red(colour), num::green(colour), num::blue(colour));
    return buf;
}

TraceFigure traceFigure(const Wire& wire)
{
    TraceFigure f;
    const widgets::Picture& pic = wire.Picture1;
    f.width = pic.width();
    f.height = pic.height();
    f.backColour = pic.backColour();
    f.title = wire.name();
    f.lines = pic.lines();

    for (int i = 0; i < wire.txtTrace.size(); ++i) {
        const widgets::TextBox& box = wire.txtTrace[i];
        if (!box.visible()) continue;
        Text t;
        t.size = box.font().points * 20;  // 20 display units a point
        t.bold = box.font().bold;
        t.colour = box.foreColour();
        t.text = box.text();
        t.x = box.left() - pic.left();
        // The label's text sits centred in its box.
        t.y = box.top() - pic.top() + (box.height() + 0.7 * t.size) / 2;
        f.labels.push_back(std::move(t));
    }

    // The trace places second s at (s - first second shown) x (scale + 10) x 5.
    const double first = wire.VScroll1.value();
    const double unitsPerSecond = (wire.VScroll2.value() + 10) * 5.0;
    if (unitsPerSecond > 0) {
        const long step = tickStep(unitsPerSecond);
        const std::int64_t axisColour = kAxisColour;
        for (long s = static_cast<long>(std::ceil(first / static_cast<double>(step))) * step;; s += step) {
            const double y = (static_cast<double>(s) - first) * unitsPerSecond;
            if (y > f.height) break;
            f.axis.push_back({0, y, kTickLength, y, axisColour});
            Text t;
            t.x = kTickLength + 15;
            // Centred on its tick; the first one kept inside the picture.
            t.y = std::max(y + kAxisTextSize * 0.35, kAxisTextSize * 0.9);
            t.size = kAxisTextSize;
            t.colour = axisColour;
            t.text = std::to_string(s) + " s";
            f.axisTexts.push_back(std::move(t));
        }
        Text title;
        title.x = f.width - 30;
        title.y = f.height - 60;
        title.size = kAxisTextSize * 1.5;
        title.bold = true;
        title.colour = axisColour;
        title.text = f.title;
        title.anchor = Text::Anchor::End;
        f.axisTexts.push_back(std::move(title));
    }
    return f;
}

TraceFigure drawnIn(TraceFigure f, palette::Profile p)
{
    const palette::Look look = palette::look(p);
    if (look.wideTraceLines) f.lineWidth = 2;
    if (look.dashedRetransmissions) {
        const std::int64_t resent = TimeSequenceTrace::colourFor(pkt::kDataResent);
        f.dashed.resize(f.lines.size());
        for (std::size_t i = 0; i < f.lines.size(); ++i) f.dashed[i] = f.lines[i].colour == resent;
    }
    for (auto& l : f.lines) l.colour = palette::drawn(p, l.colour, palette::Role::Line);
    for (auto& t : f.labels) t.colour = palette::drawn(p, t.colour, palette::Role::Text);
    return f;
}

std::string svg(const TraceFigure& f)
{
    std::string out;
    out.reserve(200 + f.lines.size() * 90);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + number(f.width / kUnitsPerPixel) +
           "\" height=\"" + number(f.height / kUnitsPerPixel) + "\" viewBox=\"0 0 " + number(f.width) + " " +
           number(f.height) + "\">\n";
    out += "<title>" + escaped(f.title) + "</title>\n";
    out += "<desc>Time-sequence trace of " + escaped(f.title) +
           "; time runs down in seconds; units are 1/1440 inch.</desc>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + number(f.width) + "\" height=\"" + number(f.height) + "\" fill=\"" +
           cssColour(f.backColour) + "\"/>\n";
    // One pixel wide, as the window draws them.
    out += "<g id=\"axis\" stroke-width=\"" + number(kUnitsPerPixel) + "\">\n";
    for (const auto& l : f.axis) writeLine(out, l);
    for (const auto& t : f.axisTexts) writeText(out, t);
    out += "</g>\n";
    out += "<g id=\"trace\" stroke-width=\"" + number(kUnitsPerPixel * f.lineWidth) + "\" stroke-linecap=\"square\">\n";
    for (std::size_t i = 0; i < f.lines.size(); ++i) writeLine(out, f.lines[i], i < f.dashed.size() && f.dashed[i]);
    out += "</g>\n<g id=\"labels\">\n";
    for (const auto& t : f.labels) writeText(out, t);
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace figure
