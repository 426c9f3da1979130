// SPDX-License-Identifier: MIT
// The time-sequence trace of a wire: one record per packet put on the wire,
// drawn below the line as a thick vertical bar at the sending end (as long as
// the transmission lasted) followed by a thick slanted line that follows the
// packet's trailing edge across to the other end.
//
// The table and its drawing rules live here; the controls it draws on belong
// to the wire (they are the wire's children, named as the wire's controls) and
// are handed in by reference.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "packet/packet.h"
#include "widgets/controls.h"

// One packet's trace. Times are simulated milliseconds; positions are
// fractions of the line (0.0 at the sending end of the forward direction,
// 1.0 at the receiving end).
struct TraceRecord {
    std::int64_t startTime = 0;    // put on the wire
    std::int64_t sendEndTime = 0;  // latest tick with the tail still at the sending end
    std::int64_t lastTime = 0;     // latest tick at which it moved; frozen once it is gone
    double fromPos = 0.0;
    double toPos = 0.0;     // where its tail was at lastTime
    int seqLabel = 0;       // -1: no label
    bool labelled = false;  // its label has been placed since the last repaint
    std::int64_t traceColour = 0;

    bool operator==(const TraceRecord&) const = default;
};

class TimeSequenceTrace {
public:
    // Records opened per clearing; the table has one entry more, whose only
    // use is the `labelled` flag cleared when the last record is opened.
    static constexpr int kRecords = 1000;
    static constexpr int kEntries = kRecords + 1;
    static constexpr int kLabels = 64;

    TimeSequenceTrace(widgets::Picture& picture, widgets::ScrollBar& startBar, widgets::ScrollBar& scaleBar,
                      widgets::ControlArray<widgets::TextBox>& labels);

    int traceCount() const { return m_traceCount; }
    int labelCount() const { return m_labelCount; }
    bool full() const { return m_traceCount >= kRecords; }
    bool traceOn() const { return m_traceOn; }

    // Entry r, 0 <= r < kEntries.
    const TraceRecord& record(int r) const { return m_records.at(static_cast<std::size_t>(r)); }
    TraceRecord& record(int r) { return m_records.at(static_cast<std::size_t>(r)); }

    // Opens the record of a packet put on the wire at lTime and returns its
    // index; -1 (nothing opened) when the table is full. Moves the start-time
    // bar's maximum to lTime in whole seconds, which may repaint through the
    // bar's change handler.
    int open(const Packet& p, std::int64_t lTime);

    // Empties the table: picture cleared, every label hidden, all entries
    // zeroed.
    void clear();
    // Appends a copy of a record (a packet still in flight after the table
    // was cleared) and returns its index; kRecords when the table is full.
    int adopt(const TraceRecord& rec);

    // The start-time bar's value (whole seconds) that shows time t in the
    // lower part of the picture: the present one while t already stands
    // between a tenth and four fifths of the height, otherwise one that puts
    // t at two fifths. Held to the bar's range.
    int startToFollow(std::int64_t t) const;

    // Whole seconds to mark on a time axis beside the picture, with their
    // heights: every second, or every 5, 10, 30 or 60 when they would stand
    // closer than `minGap` display units.
    struct AxisMark {
        double y;
        std::int64_t seconds;
    };
    std::vector<AxisMark> timeAxis(double minGap = 300) const;

    // Shows or hides the drawing area and its bars. Hiding also hides the
    // labels and forgets which records were labelled; the label count stays.
    void setOn(bool bOn);

    // Draws record r (DrawTraceRecord) and places its label if the rules allow.
    void drawRecord(int r);

    // Repaints the whole table from scratch, labels handed out again from the
    // oldest visible record. Independent of traceOn.
    void redraw();

    // Height of the drawing area; the two bars share it four fifths to one
    // fifth.
    void setPictureHeight(std::int64_t h);

    // The trace colour of a packet colour.
    static std::int64_t colourFor(std::int64_t packetColour);

    // Where a record is drawn: the first time shown (seconds), display units
    // a second, and the picture's size. The bars give the window's frame; an
    // export may draw the records in another (the whole run, a range).
    struct Frame {
        double startSeconds = 0;
        double unitsPerSecond = 0;
        double width = 0;
        double height = 0;
        double yOf(std::int64_t t) const;
        double xOf(double p) const;
    };
    Frame frame() const;
    // The four strokes of record `rec` in `frame` (DrawTraceRecord's lines,
    // in drawing order); none when it lies wholly below the frame or ended
    // before its top. `fromTop` is the least end height that is drawn (the
    // window's picture draws nothing that ended above 1).
    static std::vector<widgets::DrawnLine> strokes(const TraceRecord& rec, const Frame& frame, double fromTop = 1);
    // Height of a record's label (its end of sending) and the label's left
    // edge for a box `labelWidth` wide; nullopt while the trace has not come
    // far enough across for a label.
    static std::optional<double> labelLeft(const TraceRecord& rec, const Frame& frame, double labelWidth);

    // Time (ms) to height and line fraction to width in the picture, at the
    // bars' current values and the picture's current size.
    double yOf(std::int64_t t) const;
    double xOf(double p) const;

private:
    widgets::Picture& m_picture;
    widgets::ScrollBar& m_startBar;
    widgets::ScrollBar& m_scaleBar;
    widgets::ControlArray<widgets::TextBox>& m_labels;
    std::array<TraceRecord, kEntries> m_records{};
    int m_traceCount = 0;
    int m_labelCount = 0;
    bool m_traceOn = false;
};
