// SPDX-License-Identifier: MIT
// The router's layout: the two rows of slots, the frame and the settings
// panel with its lists. The rules these controls drive are in queue.cpp.
#include <initializer_list>
#include <vector>

#include "queue/queue.h"
#include "widgets/numbers.h"
#include "widgets/panel.h"

namespace {

// Display units (1/1440 inch), relative to the component.
constexpr double kRowWidth = 2370;  // the width both rows of slots share
constexpr double kRowLeft = 90;
constexpr double kDataTop = 360, kDataHeight = 365;
constexpr double kAckTop = 120, kAckHeight = 225;

// The frame's height with the panel closed, open, and open with "More".
constexpr double kFrameClosed = 1380, kFrameEdit = 1980, kFrameMore = 2880;
constexpr double kComboHeight = 315;

}  // namespace

// ---- building --------------------------------------------------------------

void Queue::buildPanel()
{
    // The component keeps its design place in the window.
    setGeometry(6120, 360, 2595, 3135);
    placeSlots();
    Shape1.setGeometry(15, 60, 2520, kFrameClosed);
    stackControls();
    placeSettings();
    wireHandlers();
}

// All eight slots in equal parts of the row, slot 0 at the right; the slots
// of the current size are laid out again by LayoutQueue.
void Queue::placeSlots()
{
    for (int k = 0; k < kSlots; ++k) {
        const double left = kRowWidth / kSlots * (kSlots - 1 - k) + kRowLeft;
        const double width = kRowWidth / kSlots + 10;
        shpQueue[k].setGeometry(left, kDataTop, width, kDataHeight);
        shpQueueA[k].setGeometry(left, kAckTop, width, kAckHeight);
        lblQPacket[k].setGeometry(left, kDataTop + 45, width, 255);
        lblQPacket[k].setVisible(false);
        lblQSeq[k].setGeometry(left, kAckTop, width, kAckHeight);
        lblQSeq[k].setVisible(false);
    }
}

// The frame lies behind everything it encloses.
void Queue::stackControls()
{
    for (widgets::Control* c : std::vector<widgets::Control*>(children())) {
        if (c != &Shape1) raise(*c);
    }
}

// The buttons below the slots, and the panel's rows: size, policy, threshold.
void Queue::placeSettings()
{
    cmdEdit.setCaption(widgets::panel::kEdit);
    cmdEdit.setGeometry(1560, 1020, 855, 375);
    cmdAdvanced.setCaption("More");
    cmdAdvanced.setGeometry(660, 1020, 795, 375);
    lblSize.setCaption("Length");
    lblSize.setAlignment(widgets::Label::Align::Right);
    lblSize.setGeometry(720, 1500, 855, 375);
    cmbSize.setGeometry(1680, 1440, 735, kComboHeight);
    lblDropPolicy.setCaption("Policy");
    lblDropPolicy.setAlignment(widgets::Label::Align::Right);
    lblDropPolicy.setGeometry(180, 2040, 735, 375);
    cmbDropPolicy.setGeometry(960, 1980, 1455, kComboHeight);
    lblCongestionThreshold.setCaption("Threshold");
    lblCongestionThreshold.setAlignment(widgets::Label::Align::Right);
    lblCongestionThreshold.setGeometry(240, 2520, 1395, 315);
    cmbCongestionThreshold.setGeometry(1680, 2460, 735, kComboHeight);
    for (widgets::Control* c :
         std::initializer_list<widgets::Control*>{&cmdAdvanced, &lblSize, &cmbSize, &lblDropPolicy, &cmbDropPolicy,
                                                  &lblCongestionThreshold, &cmbCongestionThreshold}) {
        c->setVisible(false);
    }
}

void Queue::wireHandlers()
{
    cmdEdit.onClick = [this] { showPanel(widgets::panel::toggle(cmdEdit)); };
    cmdAdvanced.onClick = [this] { onAdvancedClick(); };
    cmbSize.onClick = [this] { onSizeChosen(); };
    cmbSize.onChange = [this] { onSizeChosen(); };
    cmbDropPolicy.onClick = [this] { onDropPolicyChosen(); };
    cmbDropPolicy.onChange = [this] { onDropPolicyChosen(); };
}

void Queue::fillCombos()
{
    // Items are added without clearing: a repeated start-up lists them twice.
    // Each selection runs the list's handler as a user's choice would.
    for (int i = 1; i <= kSlots; ++i) cmbSize.addItem(widgets::num::plainNumber(i));
    cmbSize.setText("3");
    for (int i = 1; i <= kSlots; ++i) cmbCongestionThreshold.addItem(widgets::num::plainNumber(i));
    cmbCongestionThreshold.setText("8");
    kDropPolicies.fill(cmbDropPolicy);
    cmbDropPolicy.setText(kDropPolicies.text(DropPolicy::DropTail));
}

// ---- the panel -------------------------------------------------------------

void Queue::showPanel(bool open)
{
    if (open) {
        // A restricted router offers its size only.
        if (restricted == 0) cmdAdvanced.setVisible(true);
        lblSize.setVisible(true);
        cmbSize.setVisible(true);
        Shape1.setHeight(kFrameEdit);
        return;
    }
    for (widgets::Control* c :
         std::initializer_list<widgets::Control*>{&cmdAdvanced, &lblSize, &cmbSize, &lblDropPolicy,
                                                  &lblCongestionThreshold, &cmbCongestionThreshold, &cmbDropPolicy}) {
        c->setVisible(false);
    }
    Shape1.setHeight(kFrameClosed);
}

void Queue::onAdvancedClick()
{
    lblDropPolicy.setVisible(true);
    if (kDropPolicies.is(cmbDropPolicy.text(), DropPolicy::RED)) {
        lblCongestionThreshold.setVisible(true);
        cmbCongestionThreshold.setVisible(true);
    }
    cmbDropPolicy.setVisible(true);
    Shape1.setHeight(kFrameMore);
}

void Queue::shrinkFrame()
{
    Shape1.setHeight(kFrameClosed);
}

void Queue::showThreshold(bool shown)
{
    cmbCongestionThreshold.setVisible(shown);
    lblCongestionThreshold.setVisible(shown);
}

// ---- the slots -------------------------------------------------------------

void Queue::showSlots()
{
    for (int k = 0; k < kSlots; ++k) {
        shpQueue[k].setVisible(k < queueSize);
        lblQPacket[k].setVisible(false);
        lblQSeq[k].setVisible(false);
    }
    LayoutQueue();
}

// The slots of the current size share the row equally, slot 0 at the right.
void Queue::LayoutQueue()
{
    const double n = queueSize;
    for (int k = 0; k < kSlots; ++k) {
        if (k < queueSize) {
            const double left = kRowWidth / n * (n - 1 - k) + kRowLeft;
            const double width = kRowWidth / n + 10;
            shpQueue[k].setLeft(left);
            shpQueue[k].setWidth(width);
            shpQueueA[k].setLeft(left);
            shpQueueA[k].setWidth(width);
        }
        shpQueue[k].setVisible(k < queueSize);
        shpQueueA[k].setVisible(k < queueSize);
    }
}
