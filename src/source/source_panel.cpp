// SPDX-License-Identifier: MIT
// The source's panel: layout, lists and the panel's own buttons.
#include <vector>

#include "source/source.h"
#include "widgets/panel.h"

namespace {

// Panel rows (display units), one per settings combo, by lblControl index.
struct Row {
    const char* caption;
    double labelLeft;
    double top;
};
constexpr Row kRows[4] = {
    {"Priority", 300, 2400},
    {"Distribution", 60, 1920},
    {"Rate", 540, 1440},
    {"Packet Size", 60, 960},
};
constexpr double kLabelRight = 1500;
constexpr double kComboLeft = 1560, kComboWidth = 1455, kComboHeight = 315;
constexpr double kShapeTop = 15;

}  // namespace

void Source::buildPanel()
{
    setWidth(3225);

    lblTxPacket[0].setGeometry(1260, 120, 915, 255);
    lblTxSeq[0].setGeometry(2235, 120, 735, 255);
    cmdStart.setCaption("Start");
    cmdStart.setGeometry(1260, 480, 915, 375);
    chkPause.setCaption("Pause");
    chkPause.setGeometry(360, 480, 855, 375);
    cmdEdit.setCaption(widgets::panel::kEdit);
    cmdEdit.setGeometry(360, 60, 855, 375);

    widgets::ComboBox* combos[4] = {&cmbPriority, &cmbDistribution, &cmbRate, &cmbPacketSize};
    for (int k = 0; k < 4; ++k) {
        lblControl[k].setCaption(kRows[k].caption);
        lblControl[k].setAlignment(widgets::Label::Align::Right);
        lblControl[k].setGeometry(kRows[k].labelLeft, kRows[k].top, kLabelRight - kRows[k].labelLeft, 255);
        combos[k]->setGeometry(kComboLeft, kRows[k].top, kComboWidth, kComboHeight);
    }

    // The background lies behind the controls it frames.
    for (widgets::Control* c : std::vector<widgets::Control*>(children())) {
        if (c != &Shape2) raise(*c);
    }

    cmdStart.onClick = [this] { onStartClick(); };
    chkPause.onClick = [this] { onPauseClick(); };
    cmdEdit.onClick = [this] { ShowSourcePanel(widgets::panel::toggle(cmdEdit)); };
}

void Source::FillSourceCombos()
{
    // Items are added without clearing: a repeated start-up lists them twice.
    for (const char* s : {"1", "2", "4", "8", "16", "32"}) cmbPacketSize.addItem(s);
    cmbPacketSize.setText("4");
    // Each rate goes on top, so the list reads fastest first.
    for (const char* s : {"0.1", "0.2", "0.5", "1.0", "2.0", "5.0"}) cmbRate.addItem(s, 0);
    cmbRate.setText("1.0");
    kDistributions.fill(cmbDistribution);
    cmbDistribution.setText(kDistributions.text(Distribution::Uniform));
    kPriorities.fill(cmbPriority);
    cmbPriority.setText(kPriorities.text(Priority::Data));
}

void Source::ShowSourcePanel(bool open)
{
    if (open) {
        Shape2.setGeometry(15, kShapeTop, 3195, 2880);
    } else {
        Shape2.setGeometry(315, kShapeTop, 2895, 900);
    }
    // The component follows its background shape.
    setHeight(Shape2.top() + Shape2.height() + 15);
    widgets::ComboBox* combos[4] = {&cmbPriority, &cmbDistribution, &cmbRate, &cmbPacketSize};
    for (int k = 0; k < 4; ++k) {
        lblControl[k].setVisible(open);
        combos[k]->setVisible(open);
    }
}

void Source::onPauseClick()
{
    chkPause.setCaption(chkPause.value() ? "Cont" : "Pause");
}
