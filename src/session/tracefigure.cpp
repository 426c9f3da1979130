// SPDX-License-Identifier: MIT
#include "session/tracefigure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "packet/packet.h"
#include "widgets/numbers.h"
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
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", widgets::num::red(colour), widgets::num::green(colour),
                  widgets::num::blue(colour));
    return buf;
}

std::vector<bool> keptLabels(const std::vector<Box>& boxes)
{
    std::vector<std::size_t> order(boxes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return boxes[a].top != boxes[b].top ? boxes[a].top < boxes[b].top : boxes[a].left < boxes[b].left;
    });
    std::vector<bool> kept(boxes.size(), false);
    std::vector<std::size_t> taken;
    for (std::size_t i : order) {
        const Box& b = boxes[i];
        bool clear = true;
        for (std::size_t k : taken) {
            const Box& o = boxes[k];
            if (b.left < o.left + o.width && o.left < b.left + b.width && b.top < o.top + o.height &&
                o.top < b.top + b.height) {
                clear = false;
                break;
            }
        }
        if (!clear) continue;
        kept[i] = true;
        taken.push_back(i);
    }
    return kept;
}

namespace {

// About how wide a text is in Liberation Sans at `size` (digits, a space and
// "s" are all the axis writes).
double textWidth(const std::string& text, double size)
{
    double em = 0;
    for (char c : text) em += c >= '0' && c <= '9' ? 0.556 : c == ' ' ? 0.278 : c == 's' ? 0.5 : 0.6;
    return em * size;
}

// The time axis of a figure whose top is second `first`, and the margins it
// takes; then the wire's name.
void addAxis(TraceFigure& f, double first, double unitsPerSecond)
{
    if (!(unitsPerSecond > 0)) return;
    const long step = tickStep(unitsPerSecond);
    const std::int64_t axisColour = kAxisColour;
    constexpr double kGap = 30;
    double widest = 0;
    for (long s = static_cast<long>(std::ceil(first / static_cast<double>(step))) * step;; s += step) {
        const double y = (static_cast<double>(s) - first) * unitsPerSecond;
        if (y > f.height || f.axis.size() > 100000) break;
        // Left of the picture, touching its edge; the seconds right-aligned
        // before it, centred on their tick.
        f.axis.push_back({-kTickLength, y, 0, y, axisColour});
        Text t;
        t.x = -kTickLength - kGap;
        t.y = y + kAxisTextSize * 0.35;
        t.size = kAxisTextSize;
        t.colour = axisColour;
        t.text = std::to_string(s) + " s";
        t.anchor = Text::Anchor::End;
        widest = std::max(widest, textWidth(t.text, t.size));
        f.axisTexts.push_back(std::move(t));
    }
    // A tenth more than the estimate, for a viewer's wider font.
    f.marginLeft = std::ceil(widest * 1.1 + kTickLength + 2 * kGap);
    // Half a label above the top and below the bottom.
    f.marginTop = f.marginBottom = kAxisTextSize * 0.6;
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

Text labelText(const widgets::TextBox& box, const std::string& text, std::int64_t colour, double left, double top)
{
    Text t;
    t.size = box.font().points * 20;  // 20 display units a point
    t.bold = box.font().bold;
    t.colour = colour;
    t.text = text;
    t.x = left;
    // The label's text sits centred in its box.
    t.y = top + (box.height() + 0.7 * t.size) / 2;
    return t;
}

// Leaves out the labels that would cover one above them.
void thinLabels(TraceFigure& f, double boxWidth, double boxHeight)
{
    std::vector<Box> boxes;
    for (const Text& t : f.labels) boxes.push_back({t.x, t.y - (boxHeight + 0.7 * t.size) / 2, boxWidth, boxHeight});
    const std::vector<bool> kept = keptLabels(boxes);
    std::vector<Text> labels;
    for (std::size_t i = 0; i < f.labels.size(); ++i)
        if (kept[i]) labels.push_back(std::move(f.labels[i]));
    f.labels = std::move(labels);
}

}  // namespace

TraceFigure traceFigure(const Wire& wire)
{
    TraceFigure f;
    const widgets::Picture& pic = wire.Picture1;
    f.width = pic.width();
    f.height = pic.height();
    f.backColour = pic.backColour();
    f.title = wire.name();
    f.lines = pic.lines();

    double boxWidth = 0, boxHeight = 0;
    for (int i = 0; i < wire.txtTrace.size(); ++i) {
        const widgets::TextBox& box = wire.txtTrace[i];
        if (!box.visible()) continue;
        boxWidth = box.width();
        boxHeight = box.height();
        f.labels.push_back(
            labelText(box, box.text(), box.foreColour(), box.left() - pic.left(), box.top() - pic.top()));
    }
    thinLabels(f, boxWidth, boxHeight);

    // The trace places second s at (s - first second shown) x (scale + 10) x 5.
    addAxis(f, wire.VScroll1.value(), (wire.VScroll2.value() + 10) * 5.0);
    return f;
}

Range wholeRun(const Wire& wire, std::int64_t nowMs)
{
    const TimeSequenceTrace& trace = wire.traceTable();
    std::int64_t first = nowMs;
    for (int r = 0; r < trace.traceCount(); ++r) first = std::min(first, trace.record(r).startTime);
    // A full table takes no more records: its run ends with the last one.
    std::int64_t last = trace.full() ? 0 : nowMs;
    for (int r = 0; r < trace.traceCount(); ++r) last = std::max(last, trace.record(r).lastTime);
    return Range{std::max<std::int64_t>(0, first / 1000 * 1000), std::max((last + 999) / 1000 * 1000, first + 1000)};
}

TraceFigure traceFigure(const Wire& wire, Range range)
{
    TraceFigure f;
    const widgets::Picture& pic = wire.Picture1;
    const TimeSequenceTrace& trace = wire.traceTable();
    TimeSequenceTrace::Frame frame = trace.frame();
    frame.startSeconds = static_cast<double>(range.fromMs) / 1000.0;
    frame.height = std::max(0.0, static_cast<double>(range.toMs - range.fromMs) / 1000.0 * frame.unitsPerSecond);
    f.width = frame.width;
    f.height = frame.height;
    f.backColour = pic.backColour();
    f.title = wire.name();

    const widgets::TextBox& box = wire.txtTrace[0];
    for (int r = 0; r < trace.traceCount(); ++r) {
        const TraceRecord& rec = trace.record(r);
        const auto strokes = TimeSequenceTrace::strokes(rec, frame, 0);
        if (strokes.empty()) continue;
        f.lines.insert(f.lines.end(), strokes.begin(), strokes.end());
        const double yE = frame.yOf(rec.sendEndTime);
        if (rec.seqLabel < 0 || yE < 0 || yE > f.height) continue;
        if (const auto left = TimeSequenceTrace::labelLeft(rec, frame, box.width()))
            f.labels.push_back(labelText(box, widgets::num::blankNumber(rec.seqLabel), rec.traceColour, *left, yE));
    }
    thinLabels(f, box.width(), box.height());
    addAxis(f, frame.startSeconds, frame.unitsPerSecond);
    return f;
}

TraceFigure drawnIn(TraceFigure f, palette::Profile p)
{
    const palette::Look look = palette::look(p);
    if (look.wideTraceLines) f.lineWidth = 2;
    if (look.dashedRetransmissions) {
        const std::int64_t resent = TimeSequenceTrace::colourFor(PacketColour::kDataResent);
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
    const double left = -f.marginLeft, top = -f.marginTop;
    const double width = f.width + f.marginLeft, height = f.height + f.marginTop + f.marginBottom;
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + number(width / kUnitsPerPixel) +
           "\" height=\"" + number(height / kUnitsPerPixel) + "\" viewBox=\"" + number(left) + " " + number(top) + " " +
           number(width) + " " + number(height) + "\">\n";
    out += "<title>" + escaped(f.title) + "</title>\n";
    out += "<desc>Time-sequence trace of " + escaped(f.title) +
           "; time runs down in seconds; units are 1/1440 inch.</desc>\n";
    out += "<rect x=\"" + number(left) + "\" y=\"" + number(top) + "\" width=\"" + number(width) + "\" height=\"" +
           number(height) + "\" fill=\"" + cssColour(f.backColour) + "\"/>\n";
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
