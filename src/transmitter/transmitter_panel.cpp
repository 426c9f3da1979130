// SPDX-License-Identifier: MIT
// The transmitter's panel: layout, lists and the panel's own buttons.
#include <algorithm>

#include "transmitter/transmitter.h"
#include "widgets/panel.h"

namespace {

constexpr std::int64_t kPanelGrey = 0xE0E0E0;
constexpr std::int64_t kEditGreen = 0xC0FFC0;

constexpr double kSmallFont = 12.0;
constexpr double kLargeFont = 13.5;

// The second button's captions: "More" opens the retransmission rows.
constexpr const char* kMore = "More";
constexpr const char* kLess = "Less";

// The frame around the slots, and around the open panel.
constexpr double kFrameTop = 15;
constexpr double kFrameHeight = 1920;
constexpr double kEditFrameHeight = 4020;
constexpr double kMoreFrameHeight = 5640;

}  // namespace

// Design geometry, fonts, colours and handlers; nothing here depends on the
// settings.
void Transmitter::buildPanel()
{
    setBackColour(kPanelGrey);

    lblTxMode.setGeometry(1620, 60, 1515, 285);
    lblTxMode.setFont(kSmallFont, false);
    lblTxMode.setCaption("Initial");

    placeSlots();
    placeButtons();
    placeRows();

    Shape1.setForm(widgets::Shape::Form::Rectangle);
    Shape1.setFilled(false);
    Shape1.setTop(kFrameTop);

    Line2.setPoints(3040, 720, 3280, 720);

    wireHandlers();
}

void Transmitter::placeSlots()
{
    static constexpr double kSeqLeft[kSlots] = {2565, 2085, 1620, 1125, 645, 180};
    static constexpr double kRtoLeft[kSlots] = {2565, 2070, 1590, 1110, 630, 150};
    for (int i = 0; i < kSlots; ++i) {
        widgets::Shape& box = shpTxQueue[i];
        box.setGeometry(2580 - 480 * i, 360, 495, 1095);
        box.setFilled(true);
        box.setFillColour(0xFFFFFF);

        widgets::Label& number = lblTxPacket[i];
        number.setGeometry(2520 - 480 * i, 420, 555, 375);
        number.setFont(kLargeFont, false);
        number.setAlignment(widgets::Label::Align::Centre);
        number.setForeColour(kGrey);

        widgets::Label& seq = lblTxSeq[i];
        seq.setGeometry(kSeqLeft[i], 780, 615, 285);
        seq.setFont(kSmallFont, false);
        seq.setAlignment(widgets::Label::Align::Centre);
        seq.setForeColour(kGrey);

        widgets::Label& rto = lblRTO[i];
        rto.setGeometry(kRtoLeft[i], 1080, i == 0 ? 480 : 495, 285);
        rto.setFont(kSmallFont, false);
        rto.setAlignment(widgets::Label::Align::Centre);
        rto.setForeColour(kGrey);
    }
}

void Transmitter::placeButtons()
{
    cmdMore.setGeometry(1260, 1500, 915, 375);
    cmdMore.setFont(kLargeFont, false);
    cmdMore.setCaption(kMore);

    cmdEdit.setGeometry(2220, 1500, 915, 375);
    cmdEdit.setFont(kLargeFont, false);
    cmdEdit.setCaption(widgets::panel::kEdit);
    cmdEdit.setBackColour(kEditGreen);
}

// The row captions, then the lists beside them, then the RTT estimate.
void Transmitter::placeRows()
{
    struct Caption {
        Row row;
        const char* text;
        double left, top, width;
    };
    static constexpr Caption kCaptions[] = {
        {kRowPacketSize, "Packet Size", 60, 1980, 1815},
        {kRowProcTime, "Tx Proc. Time", 60, 2460, 2055},
        {kRowWindow, "Max Window Size", 60, 2940, 2055},
        {kRowMaxSequence, "Max Sequence No.", 60, 3420, 2055},
        {kRowRetransmitMode, "Retransmit Mode", 120, 3900, 1935},
        {kRowRetransmitTime, "Retransmit Time", 120, 4380, 1755},
        {kRowTimers, "Retransmit Timers", 0, 4860, 1935},
        {kRowRTT, "RTT Estimate", 120, 5280, 1575},
    };
    for (const Caption& c : kCaptions) {
        widgets::Label& l = lblControl[c.row];
        l.setGeometry(c.left, c.top, c.width, 285);
        l.setCaption(c.text);
        l.setFont(kSmallFont, false);
        l.setBackColour(kPanelGrey);
    }

    auto combo = [](widgets::ComboBox& c, double left, double top, double width) {
        c.setGeometry(left, top, width, 315);
        c.setFont(kSmallFont, false);
    };
    combo(cmbPacketLength, 1980, 1920, 1215);
    combo(cmbTxProcTime, 2220, 2400, 975);
    combo(cmbTxWindowSize, 2220, 2880, 975);
    combo(cmbMaxSequence, 2220, 3360, 975);
    combo(cmbRetransmitMode, 1980, 3840, 1215);
    combo(cmbRetransmitTime, 1980, 4320, 1215);
    combo(cmbRetransmitTimers, 1980, 4800, 1215);

    lblRTT.setGeometry(1800, 5280, 1275, 285);
    lblRTT.setFont(kSmallFont, true);
}

// The buttons, the combos and the clock. The clock's tick is part of the
// design: it runs from creation on, and no reset changes it.
void Transmitter::wireHandlers()
{
    cmdMore.onClick = [this] { cmdMoreClick(); };
    cmdEdit.onClick = [this] { showPanel(widgets::panel::toggle(cmdEdit)); };

    // Typed text takes effect as it is typed: every Change runs the Click.
    cmbTxWindowSize.onClick = [this] { txWindowSizeClick(); };
    cmbTxWindowSize.onChange = [this] { txWindowSizeClick(); };
    cmbMaxSequence.onClick = [this] { maxSequenceClick(); };
    cmbMaxSequence.onChange = [this] { maxSequenceClick(); };
    cmbRetransmitMode.onClick = [this] { retransmitModeClick(); };
    cmbRetransmitMode.onChange = [this] { retransmitModeClick(); };
    cmbRetransmitTimers.onClick = [this] { retransmitTimersClick(); };
    cmbRetransmitTimers.onChange = [this] { retransmitTimersClick(); };

    Timer1.onTimer = [this] { tick(); };
    Timer1.setInterval(kTickMs);
    Timer1.setEnabled(true);
}

void Transmitter::fill_combos()
{
    auto refill = [](widgets::ComboBox& c, std::initializer_list<const char*> items) {
        c.clear();
        for (const char* s : items) c.addItem(s);
    };
    refill(cmbTxWindowSize, {"1", "2", "3", "4", "5", "6"});
    refill(cmbMaxSequence, {"0", "1", "3", "5", "7", "15", "31"});
    refill(cmbPacketLength, {"1", "2", "4", "8", "16", "32"});
    refill(cmbTxProcTime, {"0", "1", "2"});
    cmbRetransmitTime.clear();
    kRetransmitTimes.fill(cmbRetransmitTime);
    cmbRetransmitMode.clear();
    kRetransmitModes.fill(cmbRetransmitMode);
    cmbRetransmitTimers.clear();
    kRetransmitTimers.fill(cmbRetransmitTimers);

    // Selecting runs each Click handler as a user's choice would; the
    // Retransmit Time default comes before the Retransmit Mode, whose handler
    // reads it.
    cmbTxWindowSize.setListIndex(0);
    cmbMaxSequence.setListIndex(2);
    cmbPacketLength.setListIndex(2);
    cmbTxProcTime.setListIndex(0);
    cmbRetransmitTime.setListIndex(kRetransmitTimes.index(RetransmitTime::OneRTT));
    cmbRetransmitMode.setListIndex(kRetransmitModes.index(RetransmitMode::Batch));
    cmbRetransmitTimers.setListIndex(kRetransmitTimers.index(RetransmitTimers::Indiv));

    txWindow = 1;
    maxSequence = 3;
    individualRetransmit = false;
    reliable = true;
    individualTimers = true;
}

// ---- opening and closing ---------------------------------------------------

// Opening always starts with the short panel.
void Transmitter::showPanel(bool open)
{
    if (open) {
        cmdMore.setCaption(kMore);
        panelMode = 1;
    } else {
        panelMode = 0;
    }
    set_mode();
}

void Transmitter::closePanel()
{
    cmdEdit.setCaption(widgets::panel::kEdit);
    cmdMore.setCaption(kMore);
    showPanel(false);
}

// "More" only opens the long panel from an open one (the Max Sequence row
// shows then).
void Transmitter::cmdMoreClick()
{
    if (cmdMore.caption() == kLess) {
        cmdMore.setCaption(kMore);
        panelMode = 1;
    } else if (cmbMaxSequence.visible()) {
        cmdMore.setCaption(kLess);
        panelMode = 2;
    } else {
        panelMode = 1;
    }
    set_mode();
}

// ---- set_mode ----------------------------------------------------------------

void Transmitter::set_mode()
{
    fitFrameToWindow();
    hideRowCaptions();
    showWindowSlots();
    hideRowLists();
    showRows();
    followFrame();
}

// A frame just around the slots in use, never narrower than two slots.
void Transmitter::fitFrameToWindow()
{
    Shape1.setHeight(kFrameHeight);
    Shape1.setTop(kFrameTop);
    if (txWindow < 3) {
        Shape1.setLeft(1610);
        Shape1.setWidth(1660);
    } else {
        Shape1.setLeft(3015 - 500 * txWindow);
        Shape1.setWidth(500 * txWindow + 260);
    }
}

void Transmitter::hideRowCaptions()
{
    for (int r = 0; r < lblControl.size(); ++r) lblControl[r].setVisible(false);
}

// A timer label of an untimed slot (joint timers) keeps its visibility.
void Transmitter::showWindowSlots()
{
    for (int i = 0; i < txWindow && i < kSlots; ++i) {
        shpTxQueue[i].setVisible(true);
        lblTxPacket[i].setVisible(true);
        lblTxSeq[i].setVisible(reliable);
        if (isTimed(i)) lblRTO[i].setVisible(reliable);
    }
    for (int i = std::max(txWindow, 0); i < kSlots; ++i) {
        shpTxQueue[i].setVisible(false);
        lblTxPacket[i].setVisible(false);
        lblTxSeq[i].setVisible(false);
        lblRTO[i].setVisible(false);
    }
}

void Transmitter::hideRowLists()
{
    for (widgets::ComboBox* c : {&cmbTxWindowSize, &cmbMaxSequence, &cmbPacketLength, &cmbTxProcTime,
                                 &cmbRetransmitTime, &cmbRetransmitMode, &cmbRetransmitTimers}) {
        c->setVisible(false);
    }
    lblRTT.setVisible(false);
    cmdMore.setVisible(false);
}

widgets::Control& Transmitter::rowList(Row row)
{
    switch (row) {
        case kRowWindow:
            return cmbTxWindowSize;
        case kRowPacketSize:
            return cmbPacketLength;
        case kRowMaxSequence:
            return cmbMaxSequence;
        case kRowProcTime:
            return cmbTxProcTime;
        case kRowRetransmitTime:
            return cmbRetransmitTime;
        case kRowRetransmitMode:
            return cmbRetransmitMode;
        case kRowRTT:
            return lblRTT;
        case kRowTimers:
        case kRows:
            break;
    }
    return cmbRetransmitTimers;
}

void Transmitter::showRow(Row row)
{
    lblControl[row].setVisible(true);
    rowList(row).setVisible(true);
}

// The open panel: four rows, and (unless restricted) four more for the
// retransmission under "More".
void Transmitter::showRows()
{
    if (panelMode > 0) {
        cmdMore.setVisible(restricted == 0);
        showRow(kRowPacketSize);
        showRow(kRowProcTime);
        Shape1.setGeometry(15, kFrameTop, 3200, 3060);
        showRow(kRowWindow);
        showRow(kRowMaxSequence);
        Shape1.setHeight(kEditFrameHeight);
    }
    if (panelMode > 1 && restricted == 0) {
        showRow(kRowRetransmitMode);
        showRow(kRowRetransmitTime);
        showRow(kRowRTT);
        showRow(kRowTimers);
        Shape1.setHeight(kMoreFrameHeight);
    }
}

// The component follows its frame; it always reaches the end of Line2,
// which joins the wire.
void Transmitter::followFrame()
{
    setWidth(std::max(Shape1.left() + Shape1.width(), Line2.x2()));
    setHeight(Shape1.top() + Shape1.height() + 15);
}
