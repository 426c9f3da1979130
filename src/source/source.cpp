#include "source/source.h"

#include <algorithm>
#include <cmath>

#include "widgets/numbers.h"
#include "widgets/random.h"

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

Source::Source(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    setWidth(3225);

    lblTxPacket[0].setGeometry(1260, 120, 915, 255);
    lblTxSeq[0].setGeometry(2235, 120, 735, 255);
    cmdStart.setCaption("Start");
    cmdStart.setGeometry(1260, 480, 915, 375);
    chkPause.setCaption("Pause");
    chkPause.setGeometry(360, 480, 855, 375);
    cmdEdit.setCaption("Edit");
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
    cmdEdit.onClick = [this] { onEditClick(); };
    Timer1.onTimer = [this] { GenerateTick(); };

    startUp();
}

Source::~Source() = default;

void Source::startUp()
{
    FillSourceCombos();
    pktSource.Initialise();
    lblTxPacket[0].setVisible(false);
    lblTxSeq[0].setVisible(false);
    ShowSourcePanel(false);
    packetCount = 0;
    maxSequence = 3;
    showPacketCount();
    lblTxPacket[0].setVisible(true);
    Timer1.setInterval(1000);
    Timer1.setEnabled(true);
}

void Source::FillSourceCombos()
{
    // Items are added without clearing: a repeated start-up lists them twice.
    for (const char* s : {"1", "2", "4", "8", "16", "32"}) cmbPacketSize.addItem(s);
    cmbPacketSize.setText("4");
    // Each rate goes on top, so the list reads fastest first.
    for (const char* s : {"0.1", "0.2", "0.5", "1.0", "2.0", "5.0"}) cmbRate.addItem(s, 0);
    cmbRate.setText("1.0");
    for (const char* s : {"Uniform", "Poisson"}) cmbDistribution.addItem(s);
    cmbDistribution.setText("Uniform");
    for (const char* s : {"Data", "Voice"}) cmbPriority.addItem(s);
    cmbPriority.setText("Data");
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

void Source::showPacketCount()
{
    lblTxPacket[0].setCaption(num::blankNumber(static_cast<std::int64_t>(packetCount)));
}

// ---- operations ------------------------------------------------------------

void Source::TxFree()
{
    packetWaiting = false;
    showPacketCount();
}

void Source::Arrive(Packet&) {}

void Source::Pause(bool bPause)
{
    Timer1.setEnabled(!bPause);
}

void Source::Reset(int iLevel)
{
    if (iLevel == 0) {
        startUp();
    } else if (iLevel == 1) {
        // The waiting packet and the timer are left as they are.
        pktSource.Initialise();
        lblTxPacket[0].setVisible(false);
        lblTxSeq[0].setVisible(false);
        packetCount = 0;
        showPacketCount();
        lblTxPacket[0].setVisible(true);
    }
}

void Source::SetIndex(int iNewValue)
{
    routingIndex = iNewValue;
}
int Source::Index() const
{
    return routingIndex;
}

// ---- generation ------------------------------------------------------------

void Source::GenerateTick()
{
    if (chkPause.value() == 0 && !packetWaiting) {
        pktSource.Initialise();
        pktSource.Active = true;
        pktSource.Number = packetCount;
        pktSource.SequenceNumber = static_cast<std::int32_t>(num::seqOf(packetCount, maxSequence));
        if (packetCount < INT32_MAX) ++packetCount;
        pktSource.TimeStarted = 0;
        pktSource.Length = num::toInteger(num::textValue(cmbPacketSize.text()));
        pktSource.Colour = pkt::kData;
        // Marked waiting before the report, so that a TxFree from inside it
        // is not undone afterwards.
        packetWaiting = true;
        m_ctx.routing.PacketDone(routingIndex, SendData, pktSource);
    }
    Timer1.setInterval(NextGap());
}

std::int64_t Source::NextGap()
{
    const double r = num::textValue(cmbRate.text());
    const std::string& distribution = cmbDistribution.text();
    std::int64_t g = 0;
    if (distribution == "Uniform" || distribution == "Poisson") {
        if (!(r > 0)) {
            // No usable rate (zero, negative or not a number): the longest gap.
            g = kMaxGap;
        } else if (distribution == "Uniform") {
            g = num::toLong(1000.0 / r);
        } else {
            // A draw of exactly 0 gives an infinite gap, clamped below.
            const float u = static_cast<float>(m_ctx.random.next());
            g = num::toLong(-1000.0 * std::log(static_cast<double>(u)) / r);
        }
    }
    return std::clamp(g, kMinGap, kMaxGap);
}

void Source::onStartClick()
{
    packetCount = 0;
    lblTxPacket[0].setCaption("0");
    if (packetWaiting) {
        packetWaiting = false;
        m_ctx.routing.PacketDone(routingIndex, DataSendCancelled, pktSource);
    }
    if (cmdStart.caption() == "Start") cmdStart.setCaption("Reset");
    Timer1.setEnabled(true);
    GenerateTick();
    // The packet just generated and the next one both carry number 0.
    packetCount = 0;
}

void Source::onPauseClick()
{
    chkPause.setCaption(chkPause.value() ? "Cont" : "Pause");
}

void Source::onEditClick()
{
    if (cmdEdit.caption() == "Edit") {
        cmdEdit.setCaption("Done");
        ShowSourcePanel(true);
    } else {
        cmdEdit.setCaption("Edit");
        ShowSourcePanel(false);
    }
}

// ---- state -------------------------------------------------------------------

Source::State Source::state() const
{
    return State{routingIndex, packetCount, maxSequence, packetWaiting};
}
