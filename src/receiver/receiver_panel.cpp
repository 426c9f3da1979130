// SPDX-License-Identifier: MIT
// The receiver's layout: the slots of the receive window, the warning, the
// settings panel and its lists. The rules these controls drive are in
// receiver.cpp.
#include "receiver/receiver.h"
#include "widgets/panel.h"

namespace {

// Panel sizes in display units.
constexpr double kNarrowWidth = 2600;
constexpr double kWideWidth = 3200;
constexpr double kClosedHeight = 1695;
constexpr double kOpenHeight = 4215;

constexpr std::int64_t kPanelFill = 0xE0E0E0;
constexpr std::int64_t kPanelBorder = 0x808080;

// The panel's rows start below the Ready box, one every kRowPitch; their
// lists end at kListRight.
constexpr double kFirstRowTop = 1800;
constexpr double kRowPitch = 480;
constexpr double kListRight = 2955;

const char* const kWindowSizes[] = {"1", "2", "3", "4", "5", "6"};
const char* const kProcTimes[] = {"0", "1", "2"};
const char* const kMaxSequences[] = {"0", "1", "3", "5", "7", "15", "31"};

}  // namespace

// ---- building -----------------------------------------------------------------

void Receiver::buildPanel()
{
    lblRxMode.setGeometry(60, 60, 2595, 375);
    lblRxMode.setCaption("Initial");
    Line6.setPoints(240, 720, 0, 720);
    placeSlots();
    chkRxReady.setGeometry(240, 1260, 975, 375);
    chkRxReady.setCaption(kReadyCaption);
    cmdEdit.setGeometry(1260, 1260, 855, 375);
    cmdEdit.setCaption(widgets::panel::kEdit);

    lblControl[kRowWindowSize].setCaption("Rx Window Size");
    lblControl[kRowDelayTime].setCaption("Rx Delay Time");
    lblControl[kRowPolicy].setCaption("Rx Policy");
    lblControl[kRowAckMode].setCaption("Ack Mode");
    lblControl[kRowMaxSequence].setCaption("Max Sequence No");
    placeRow(kRowPolicy, 0, 975, 1320);
    placeRow(kRowWindowSize, 1, 1755, 2040);
    placeRow(kRowMaxSequence, 2, 1995, 2280);
    placeRow(kRowDelayTime, 3, 1575, 1920);
    placeRow(kRowAckMode, 4, 1155, 1440);
    for (int r = 0; r < kRows; ++r) showRow(static_cast<Row>(r), false);

    placeWarning();

    Shape2.setGeometry(0, 0, kNarrowWidth, kClosedHeight);
    Shape2.setFilled(true);
    Shape2.setFillColour(kPanelFill);
    Shape2.setBorderColour(kPanelBorder);

    stackControls();
    wireHandlers();
}

void Receiver::placeSlots()
{
    for (int i = 0; i < kSlots; ++i) {
        shpRxQueue[i].setGeometry(240 + 480 * i, 360, 495, 855);
        lblRxPacket[i].setGeometry(180 + 480 * i, 420, 555, 375);
        lblRxPacket[i].setFont(12, false);
        lblRxPacket[i].setAlignment(widgets::Label::Align::Centre);
        lblRxSeq[i].setGeometry(300 + 480 * i, 840, 375, 375);
        lblRxSeq[i].setAlignment(widgets::Label::Align::Centre);
    }
}

// Row `line` from the top: the caption at the left edge, its list ending at
// the panel's right.
void Receiver::placeRow(Row row, int line, double captionWidth, double listLeft)
{
    const double top = kFirstRowTop + kRowPitch * line;
    lblControl[row].setGeometry(240, top + 60, captionWidth, 375);
    rowList(row).setGeometry(listLeft, top, kListRight - listLeft, 420);
}

void Receiver::placeWarning()
{
    lblWrong.setGeometry(-120, 210, 3495, 1215);
    lblWrong.setCaption("Wrong!");
    lblWrong.setFont(36, true);
    lblWrong.setForeColour(kWrongColour);
    lblWrong.setAlignment(widgets::Label::Align::Centre);
    lblWrong.setVisible(false);
}

// Shape2 is the background: everything else stacks above it, and the warning
// above the slots.
void Receiver::stackControls()
{
    for (widgets::Control* c : children()) {
        if (c != &Shape2) raise(*c);
    }
    raise(lblWrong);
}

void Receiver::wireHandlers()
{
    chkRxReady.onClick = [this] { readyHoldClicked(); };
    cmdEdit.onClick = [this] { showPanel(widgets::panel::toggle(cmdEdit)); };
    cmbRxWindowSize.onClick = [this] { windowSizeChanged(); };
    cmbRxWindowSize.onChange = [this] { windowSizeChanged(); };
    cmbMaxSequence.onClick = [this] { maxSequenceChanged(); };
    cmbMaxSequence.onChange = [this] { maxSequenceChanged(); };
    Timer1.onTimer = [this] { clockTick(); };
}

void Receiver::fill_combos()
{
    // A repeated fill (Reset level 0) starts from empty lists rather than
    // appending a second copy of every item. Each selection runs the list's
    // handler as a user's choice would.
    cmbRxWindowSize.clear();
    for (const char* s : kWindowSizes) cmbRxWindowSize.addItem(s);
    cmbRxWindowSize.setListIndex(0);
    cmbRxProcTime.clear();
    for (const char* s : kProcTimes) cmbRxProcTime.addItem(s);
    cmbRxProcTime.setText("0");
    cmbMaxSequence.clear();
    for (const char* s : kMaxSequences) cmbMaxSequence.addItem(s);
    cmbMaxSequence.setText("3");
    cmbRxPolicy.clear();
    kRxPolicies.fill(cmbRxPolicy);
    cmbRxPolicy.setListIndex(kRxPolicies.index(RxPolicy::InOrder));
    cmbAckMode.clear();
    kAckModes.fill(cmbAckMode);
    cmbAckMode.setListIndex(kAckModes.index(AckMode::Single));
}

// ---- the panel ------------------------------------------------------------------

void Receiver::showPanel(bool open)
{
    if (open) {
        for (Row r : {kRowDelayTime, kRowPolicy, kRowMaxSequence, kRowWindowSize}) showRow(r, true);
        setPanelHeight(kOpenHeight);
        fitPanelWidth();
        // After the main window's first reset the ACK mode is the scenario's.
        if (restricted == 0) showRow(kRowAckMode, true);
    } else {
        fitPanelWidth();
        setPanelHeight(kClosedHeight);
        for (int r = 0; r < kRows; ++r) showRow(static_cast<Row>(r), false);
    }
}

void Receiver::showRow(Row row, bool shown)
{
    lblControl[row].setVisible(shown);
    rowList(row).setVisible(shown);
}

widgets::ComboBox& Receiver::rowList(Row row)
{
    switch (row) {
        case kRowWindowSize:
            return cmbRxWindowSize;
        case kRowDelayTime:
            return cmbRxProcTime;
        case kRowPolicy:
            return cmbRxPolicy;
        case kRowAckMode:
            return cmbAckMode;
        case kRowMaxSequence:
        case kRows:
            break;
    }
    return cmbMaxSequence;
}

// ---- the window's slots -------------------------------------------------------------

void Receiver::set_queue()
{
    showWindowSlots();
    renumberIdleSlots();
    loseArrivalsBeyondWindow();
    fitPanelWidth();
}

void Receiver::showWindowSlots()
{
    for (int i = 0; i < kSlots; ++i) {
        const bool inWindow = i < rxWindow;
        lblRxSeq[i].setVisible(inWindow && maxSequence != 0);
        lblRxPacket[i].setVisible(inWindow);
        shpRxQueue[i].setVisible(inWindow);
    }
}

// ---- sizes --------------------------------------------------------------------------

void Receiver::fitPanelWidth()
{
    setPanelWidth(!widgets::panel::isOpen(cmdEdit) && rxWindow < 5 ? kNarrowWidth : kWideWidth);
}

void Receiver::restorePanelSize()
{
    setPanelWidth(kNarrowWidth);
    setPanelHeight(kClosedHeight);
}

void Receiver::setPanelWidth(double w)
{
    Shape2.setWidth(w);
    setWidth(w);
}

void Receiver::setPanelHeight(double h)
{
    Shape2.setHeight(h);
    setHeight(h);
}
