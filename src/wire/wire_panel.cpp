// SPDX-License-Identifier: MIT
// The wire's layout: the line and its end markers, the packet buttons, the
// settings panel and its lists, and the trace picture with its bars. The
// rules these controls show and drive are in wire.cpp.
#include "widgets/numbers.h"
#include "widgets/panel.h"
#include "wire/wire.h"

namespace {

constexpr std::int64_t kGreen = 0x008000;
constexpr std::int64_t kBackground = 0xE0E0E0;

// Design geometry, display units.
constexpr double kDesignHeight = 7695;
constexpr double kLineY = 480;
constexpr double kDesignX1 = 120;
constexpr double kDesignX2 = 7080;
constexpr double kForwardTop = 360;
constexpr double kReverseTop = 120;
constexpr double kPacketHeight = 495;
// The trace picture and its bars sit below the panel's rows.
constexpr double kTraceTop = 1200;
// From the right end: the right marker's Left, the bars' Left, and the
// picture's width.
constexpr double kMarkerFromEnd = 120;
constexpr double kBarsFromEnd = 360;
constexpr double kPictureFromEnd = 585;

const char* const kDelayItems[] = {"0.5", "1.0", "2.0", "5.0", "10.0"};
const char* const kBitRateItems[] = {"0.2", "0.5", "1.0", "2.0", "5.0"};

}  // namespace

// ---- building -----------------------------------------------------------------

void Wire::buildPanel()
{
    setBackColour(kBackground);
    setWidth(kDesignX2 + kMarkerFromEnd);
    setHeight(kDesignHeight);
    placeLine();
    placePacketButtons();
    placeSettings();
    placeTrace();
    wireHandlers();
}

void Wire::placeLine()
{
    Line1.setPoints(kDesignX1, kLineY, kDesignX2, kLineY);
    Line1.setColour(kGreen);
    for (int k = 0; k < Shape1.size(); ++k) {
        Shape1[k].setForm(widgets::Shape::Form::Circle);
        Shape1[k].setFilled(true);
        Shape1[k].setFillColour(kGreen);
        Shape1[k].setBorderColour(kGreen);
    }
    Shape1[0].setGeometry(0, 360, 255, 255);
    Shape1[1].setGeometry(kDesignX2 - kMarkerFromEnd, 360, 255, 255);
}

void Wire::placePacketButtons()
{
    for (int i = 0; i < kSlots; ++i) {
        cmdPacket[i].setGeometry(kDesignX1, kForwardTop, 0, kPacketHeight);
        cmdPacket[i].setVisible(false);
        cmdPacket[i].setTabStop(false);
    }
}

// The panel: the edit button, and the bit rate and delay rows it opens.
void Wire::placeSettings()
{
    cmdEdit.setCaption(widgets::panel::kEdit);
    cmdEdit.setGeometry(240, 540, 855, 315);

    lblBitRate.setCaption("Bit Rate");
    lblBitRate.setBackColour(kBackground);
    lblBitRate.setFont(lblBitRate.font().points, true);
    lblBitRate.setGeometry(720, 120, 1155, 255);
    lblBitRate.setVisible(false);
    cmbBitRate.setGeometry(1920, 60, 915, 420);
    cmbBitRate.setVisible(false);

    lblDelay.setCaption("Delay");
    lblDelay.setBackColour(kBackground);
    lblDelay.setFont(lblDelay.font().points, true);
    lblDelay.setGeometry(1140, 540, 735, 315);
    lblDelay.setVisible(false);
    cmbDelay.setGeometry(1920, 480, 915, 420);
    cmbDelay.setVisible(false);
}

// The picture, the start-time bar (VScroll1) above the scale bar (VScroll2),
// and the sequence labels the trace places on the picture.
void Wire::placeTrace()
{
    Picture1.setGeometry(240, kTraceTop, kDesignX2 - kPictureFromEnd, 6375);
    Picture1.setVisible(false);

    VScroll1.setGeometry(kDesignX2 - kBarsFromEnd, kTraceTop, 255, 5175);
    VScroll1.setMin(0);
    VScroll1.setSmallChange(1);
    VScroll1.setVisible(false);
    VScroll2.setGeometry(kDesignX2 - kBarsFromEnd, 6360, 255, 1215);
    VScroll2.setMin(1);
    VScroll2.setMax(100);
    VScroll2.setSmallChange(1);
    VScroll2.setLargeChange(10);
    VScroll2.setValue(75);
    VScroll2.setVisible(false);

    for (int k = 0; k < txtTrace.size(); ++k) {
        txtTrace[k].setText("99");
        txtTrace[k].setFont(txtTrace[k].font().points, true);
        txtTrace[k].setGeometry(0, 0, 375, 285);
        txtTrace[k].setVisible(false);
    }
}

void Wire::wireHandlers()
{
    for (int i = 0; i < kSlots; ++i) cmdPacket[i].onClick = [this, i] { packetClicked(i); };
    cmdEdit.onClick = [this] { showPanel(widgets::panel::toggle(cmdEdit)); };
    cmbBitRate.onChange = [this] { readBitRate(); };
    cmbBitRate.onClick = [this] { readBitRate(); };
    cmbDelay.onChange = [this] { readDelay(); };
    cmbDelay.onClick = [this] { readDelay(); };
    VScroll1.onChange = [this] { ReDrawTrace(); };
    VScroll2.onChange = [this] { ReDrawTrace(); };
}

// Items are added without clearing: a repeated start-up lists them twice.
// Each selection runs the list's handler, which takes the setting.
void Wire::FillWireCombos()
{
    for (const char* s : kDelayItems) cmbDelay.addItem(s);
    cmbDelay.setText("1.0");
    for (const char* s : kBitRateItems) cmbBitRate.addItem(s);
    cmbBitRate.setText("1.0");
}

// ---- the panel ------------------------------------------------------------------

void Wire::showPanel(bool open)
{
    lblBitRate.setVisible(open);
    cmbBitRate.setVisible(open);
    lblDelay.setVisible(open);
    cmbDelay.setVisible(open);
}

// ---- the line's length -------------------------------------------------------------

int Wire::Length() const
{
    return widgets::num::toInteger(x2() - x1());
}

// The right marker, the picture and its bars follow the right end.
void Wire::SetLength(int n)
{
    Line1.setX2(x1() + n);
    Shape1[1].setLeft(x2() - kMarkerFromEnd);
    Picture1.setWidth(x2() - kPictureFromEnd);
    VScroll1.setLeft(x2() - kBarsFromEnd);
    VScroll2.setLeft(x2() - kBarsFromEnd);
}

// ---- packet buttons ----------------------------------------------------------------

void Wire::showPutOn(int i)
{
    const Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    widgets::Button& b = cmdPacket[i];
    b.setVisible(true);
    b.setBackColour(p.Colour);
    b.setLeft(p.ACKFlag ? x2() - kArrivalMark : x1());
    b.setWidth(0);
    showCaption(i);
    b.setTop(p.ACKFlag ? kReverseTop : kForwardTop);
}

// Data: "seq(number)" or "(number)"; an acknowledgement: "seq(trigger)";
// nothing for an unnumbered packet or an acknowledgement without sequence.
void Wire::showCaption(int i)
{
    const Packet& p = m_pktWire[static_cast<std::size_t>(i)];
    std::string caption;
    if (!p.ACKFlag && p.Number >= 0) {
        caption = "(" + widgets::num::blankNumber(p.Number) + ")";
        if (p.ShowSequenceFlag) caption = widgets::num::blankNumber(p.SequenceNumber) + caption;
    } else if (p.ACKFlag && p.ShowSequenceFlag) {
        caption = widgets::num::blankNumber(p.SequenceNumber) + "(" + widgets::num::blankNumber(p.TriggerNumber) + ")";
    }
    cmdPacket[i].setCaption(caption);
}

void Wire::placePacket(int i, double left, double width)
{
    cmdPacket[i].setLeft(left);
    cmdPacket[i].setWidth(width);
}
