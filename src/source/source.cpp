// SPDX-License-Identifier: MIT
#include "source/source.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "widgets/numbers.h"
#include "widgets/random.h"

Source::Source(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    buildPanel();
    Timer1.onTimer = [this] { GenerateTick(); };
    startUp();
}

Source::~Source() = default;

void Source::startUp()
{
    FillSourceCombos();
    m_pktSource.Initialise();
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

void Source::showPacketCount()
{
    lblTxPacket[0].setCaption(widgets::num::blankNumber(static_cast<std::int64_t>(packetCount)));
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
        m_pktSource.Initialise();
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
        m_pktSource.Initialise();
        m_pktSource.Active = true;
        m_pktSource.Number = packetCount;
        m_pktSource.SequenceNumber = static_cast<std::int32_t>(widgets::num::seqOf(packetCount, maxSequence));
        if (packetCount < INT32_MAX) ++packetCount;
        m_pktSource.TimeStarted = 0;
        m_pktSource.Length = widgets::num::toInteger(widgets::num::textValue(cmbPacketSize.text()));
        m_pktSource.Colour = PacketColour::kData;
        // Marked waiting before the report, so that a TxFree from inside it
        // is not undone afterwards.
        packetWaiting = true;
        m_ctx.routing.PacketDone(routingIndex, SendData, m_pktSource);
    }
    Timer1.setInterval(NextGap());
}

std::int64_t Source::NextGap()
{
    const double r = widgets::num::textValue(cmbRate.text());
    const std::optional<Distribution> distribution = kDistributions.of(cmbDistribution.text());
    std::int64_t g = 0;
    if (distribution) {
        if (!(r > 0)) {
            // No usable rate (zero, negative or not a number): the longest gap.
            g = kMaxGap;
        } else if (*distribution == Distribution::Uniform) {
            g = widgets::num::toLong(1000.0 / r);
        } else {
            // A draw of exactly 0 gives an infinite gap, clamped below.
            const float u = static_cast<float>(m_ctx.random.next());
            g = widgets::num::toLong(-1000.0 * std::log(static_cast<double>(u)) / r);
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
        m_ctx.routing.PacketDone(routingIndex, DataSendCancelled, m_pktSource);
    }
    if (cmdStart.caption() == "Start") cmdStart.setCaption("Reset");
    Timer1.setEnabled(true);
    GenerateTick();
    // The packet just generated and the next one both carry number 0.
    packetCount = 0;
}

// ---- state -------------------------------------------------------------------

Source::State Source::state() const
{
    return State{routingIndex, packetCount, maxSequence, packetWaiting};
}
