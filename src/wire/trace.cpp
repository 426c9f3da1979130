// SPDX-License-Identifier: MIT
#include "wire/trace.h"

#include <algorithm>
#include <cmath>

#include "widgets/numbers.h"

namespace {

// Offsets in display units that make each stroke look thick: the bar's foot
// below the send-end height, its second stroke to the right, and the second
// slanted line below the first (further at its start than at its end).
constexpr double kFoot = 30;
constexpr double kSecondBar = 20;
constexpr double kSecondSlantStart = 45;
constexpr double kSecondSlantEnd = 15;
// A label is not placed this close to the picture's bottom.
constexpr double kLabelClearance = 360;

}  // namespace

TimeSequenceTrace::TimeSequenceTrace(widgets::Picture& picture, widgets::ScrollBar& startBar,
                                     widgets::ScrollBar& scaleBar, widgets::ControlArray<widgets::TextBox>& labels)
    : m_picture(picture), m_startBar(startBar), m_scaleBar(scaleBar), m_labels(labels)
{
}

std::int64_t TimeSequenceTrace::colourFor(std::int64_t packetColour)
{
    switch (packetColour) {
        case PacketColour::kData:
            return 0xC00000;
        case PacketColour::kDataResent:
            return 0xC000C0;
        case PacketColour::kAck:
            return 0x0000C0;
        default:
            return 0x000000;
    }
}

int TimeSequenceTrace::open(const Packet& p, std::int64_t lTime)
{
    if (full()) return -1;
    const int r = m_traceCount;
    TraceRecord& rec = m_records[static_cast<std::size_t>(r)];
    rec.startTime = lTime;
    rec.sendEndTime = lTime;
    rec.lastTime = lTime;
    rec.fromPos = p.ACKFlag ? 1.0 : 0.0;
    rec.toPos = rec.fromPos;
    rec.seqLabel = p.ShowSequenceFlag ? p.SequenceNumber : -1;
    rec.traceColour = colourFor(p.Colour);
    ++m_traceCount;
    m_records[static_cast<std::size_t>(m_traceCount)].labelled = false;
    // The bar is a 16-bit control: a start time past 32767 s leaves it at its
    // end. Pulling the value into the new range repaints (change handler).
    m_startBar.setMax(widgets::num::toInteger(static_cast<double>(lTime) / 1000.0));
    return r;
}

void TimeSequenceTrace::clear()
{
    m_picture.clear();
    m_traceCount = 0;
    m_labelCount = 0;
    for (int i = 0; i < m_labels.size(); ++i) m_labels[i].setVisible(false);
    m_records.fill(TraceRecord{});
}

int TimeSequenceTrace::adopt(const TraceRecord& rec)
{
    if (full()) return kRecords;
    const int r = m_traceCount;
    m_records[static_cast<std::size_t>(r)] = rec;
    m_records[static_cast<std::size_t>(r)].labelled = false;
    ++m_traceCount;
    m_records[static_cast<std::size_t>(m_traceCount)].labelled = false;
    return r;
}

namespace {
double unitsPerSecond(int scale)
{
    return (scale + 10) * 5.0;
}
}  // namespace

int TimeSequenceTrace::startToFollow(std::int64_t t) const
{
    const double h = m_picture.height();
    const double y = yOf(t);
    if (y >= h / 10 && y <= h * 4 / 5) return m_startBar.value();
    const double perSecond = unitsPerSecond(m_scaleBar.value());
    const double seconds = static_cast<double>(t) / 1000.0 - (h * 2 / 5) / perSecond;
    const int lo = std::min(m_startBar.min(), m_startBar.max());
    const int hi = std::max(m_startBar.min(), m_startBar.max());
    return std::clamp(static_cast<int>(std::floor(seconds)), lo, hi);
}

std::vector<TimeSequenceTrace::AxisMark> TimeSequenceTrace::timeAxis(double minGap) const
{
    std::vector<AxisMark> marks;
    const double perSecond = unitsPerSecond(m_scaleBar.value());
    if (!(perSecond > 0)) return marks;
    std::int64_t every = 1;
    for (std::int64_t e : {1, 5, 10, 30, 60}) {
        every = e;
        if (perSecond * static_cast<double>(e) >= minGap) break;
    }
    const double h = m_picture.height();
    const std::int64_t first = m_startBar.value();
    for (std::int64_t s = (first + every - 1) / every * every;; s += every) {
        const double y = yOf(s * 1000);
        if (y > h || marks.size() > 1000) break;
        if (y >= 0) marks.push_back(AxisMark{y, s});
    }
    return marks;
}

void TimeSequenceTrace::setOn(bool bOn)
{
    m_picture.setVisible(bOn);
    m_startBar.setVisible(bOn);
    m_scaleBar.setVisible(bOn);
    m_traceOn = bOn;
    if (!bOn) {
        for (int i = 0; i < m_labels.size(); ++i) m_labels[i].setVisible(false);
        for (TraceRecord& rec : m_records) rec.labelled = false;
    }
}

TimeSequenceTrace::Frame TimeSequenceTrace::frame() const
{
    return Frame{static_cast<double>(m_startBar.value()), unitsPerSecond(m_scaleBar.value()), m_picture.width(),
                 m_picture.height()};
}

double TimeSequenceTrace::Frame::yOf(std::int64_t t) const
{
    const double secondsShown = static_cast<double>(t) / 1000.0 - startSeconds;
    // As (scale + 10) x 5, in that order, as the trace always computed it.
    return widgets::num::roundEven(secondsShown * (unitsPerSecond / 5) * 5);
}

double TimeSequenceTrace::Frame::xOf(double p) const
{
    return ((p - 0.5) * 0.9 + 0.5) * width;
}

double TimeSequenceTrace::yOf(std::int64_t t) const
{
    return frame().yOf(t);
}

double TimeSequenceTrace::xOf(double p) const
{
    return frame().xOf(p);
}

std::vector<widgets::DrawnLine> TimeSequenceTrace::strokes(const TraceRecord& rec, const Frame& frame, double fromTop)
{
    const double x1 = frame.xOf(rec.fromPos);
    const double x2 = frame.xOf(rec.toPos);
    const double yS = frame.yOf(rec.startTime);
    const double yE = frame.yOf(rec.sendEndTime);
    const double yL = frame.yOf(rec.lastTime);
    // Wholly below the picture, or ended before the first second shown.
    if (!(frame.height > yS && yL >= fromTop)) return {};
    const std::int64_t c = rec.traceColour;
    return {{x1, yS, x1, yE + kFoot, c},
            {x1 + kSecondBar, yS, x1 + kSecondBar, yE + kFoot, c},
            {x1, yE + kFoot, x2, yL, c},
            {x1, yE + kSecondSlantStart, x2, yL + kSecondSlantEnd, c}};
}

std::optional<double> TimeSequenceTrace::labelLeft(const TraceRecord& rec, const Frame& frame, double labelWidth)
{
    const double w = frame.width;
    const double x1 = frame.xOf(rec.fromPos);
    const double x2 = frame.xOf(rec.toPos);
    // A forward trace that has crossed a tenth of the width: right of the
    // sending-end bar.
    if (0.5 * w > x1 && x1 + 0.1 * w < x2) return 0.2 * w;
    // The same for a reverse trace: left of the receiving-end bar.
    if (0.5 * w < x1 && x1 - 0.1 * w > x2) return 0.8 * w - labelWidth;
    return std::nullopt;
}

void TimeSequenceTrace::drawRecord(int r)
{
    TraceRecord& rec = m_records.at(static_cast<std::size_t>(r));
    const Frame f = frame();
    const double h = f.height;
    const double yE = f.yOf(rec.sendEndTime);

    m_picture.setDrawColour(rec.traceColour);
    const auto lines = strokes(rec, f);
    if (lines.empty()) return;
    for (const auto& l : lines) m_picture.drawLine(l.x1, l.y1, l.x2, l.y2);

    if (!(h - kLabelClearance > yE) || rec.labelled || m_labelCount >= kLabels || !(yE >= 1)) return;
    widgets::TextBox& label = m_labels[m_labelCount];
    label.setText(widgets::num::blankNumber(rec.seqLabel));
    if (rec.seqLabel < 0) return;
    label.setTop(m_picture.top() + yE);
    label.setForeColour(m_picture.drawColour());
    const auto left = labelLeft(rec, f, label.width());
    // Not far enough across yet; a later draw may place it.
    if (!left) return;
    label.setLeft(m_picture.left() + *left);
    rec.labelled = true;
    label.setVisible(true);
    ++m_labelCount;
}

void TimeSequenceTrace::redraw()
{
    m_picture.clear();
    for (int i = 0; i < m_labels.size(); ++i) m_labels[i].setVisible(false);
    for (TraceRecord& rec : m_records) rec.labelled = false;
    m_labelCount = 0;
    for (int r = 0; r < kEntries; ++r) drawRecord(r);
}

void TimeSequenceTrace::setPictureHeight(std::int64_t h)
{
    const double height = static_cast<double>(h);
    m_picture.setHeight(height);
    m_startBar.setHeight(height * 4 / 5);
    m_scaleBar.setTop(m_startBar.top() + m_startBar.height());
    m_scaleBar.setHeight(height / 5);
}
