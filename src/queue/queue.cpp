// SPDX-License-Identifier: MIT
#include "queue/queue.h"

#include <algorithm>

#include "widgets/numbers.h"
#include "widgets/random.h"

namespace {

// A colour channel after a shade formula: nearest integer, halves to even,
// held in 0..255.
int channel(double x)
{
    return static_cast<int>(std::clamp(widgets::num::roundEven(x), 0.0, 255.0));
}

}  // namespace

Queue::Queue(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    buildPanel();
    startUp();
}

Queue::~Queue() = default;

// The start-up sequence; Reset(0) repeats it. Filling the lists runs their
// handlers, which size the queues and pick the threshold.
void Queue::startUp()
{
    fillCombos();
    shrinkFrame();
    LayoutQueue();
    queueSize = 3;
    ClearQueue();
}

// ---- colours ---------------------------------------------------------------

std::int64_t Queue::paleColour(std::int64_t v)
{
    auto pale = [](int x) { return channel(x / 2.0 + 128.0); };
    return widgets::num::rgb(pale(widgets::num::red(v)), pale(widgets::num::green(v)), pale(widgets::num::blue(v)));
}

std::int64_t Queue::darkColour(std::int64_t v)
{
    // Below 0 only for colours darker than any packet colour in use.
    auto dark = [](int x) { return channel(1.5 * x - 128.0); };
    return widgets::num::rgb(dark(widgets::num::red(v)), dark(widgets::num::green(v)), dark(widgets::num::blue(v)));
}

void Queue::copyShape(const widgets::Shape& from, widgets::Shape& to)
{
    to.setFillColour(from.fillColour());
    to.setFilled(from.filled());
}

// ---- packet events ---------------------------------------------------------

void Queue::Arriving(Packet& pktArrival)
{
    int count = 0;
    for (int m = 0; m < queueSize; ++m) {
        if (m_pktQ[m].Active) ++count;
    }

    if (pktArrival.ACKFlag) {
        for (int d = queueSize - 1; d >= 0; --d) {
            if (m_pktA[d].Active) continue;
            pktArrival.CopyPacket(m_pktA[d]);
            m_pktA[d].Active = true;
            m_pktA[d].Flag = 0;
            shpQueueA[d].setFillColour(paleColour(m_pktA[d].Colour));
            shpQueueA[d].setFilled(true);
            return;
        }
        return;  // acknowledgement queue full: dropped without a report
    }

    const double threshold = widgets::num::textValue(cmbCongestionThreshold.text());
    const bool red = kDropPolicies.is(cmbDropPolicy.text(), DropPolicy::RED);
    // Drawn for every arriving data packet, whatever the policy, so that the
    // sequence of draws does not depend on the settings.
    const float r = static_cast<float>(m_ctx.random.next());
    if (red && count >= threshold && r > 0.5f) {
        ++m_dataDropsTotal;
        return;
    }

    for (int m = 0; m < queueSize; ++m) {
        if (m_pktQ[m].Active) continue;
        pktArrival.CopyPacket(m_pktQ[m]);
        m_pktQ[m].Active = true;
        m_pktQ[m].Flag = 0;
        shpQueue[m].setFillColour(paleColour(m_pktQ[m].Colour));
        shpQueue[m].setFilled(true);
        return;
    }
    // Data queue full: Drop Tail, without a report.
    ++m_dataDropsTotal;
}

void Queue::Arrive(Packet& pktArrival)
{
    // Searched from the end opposite the head: the most recently stored
    // packet with this number is the one arriving.
    if (pktArrival.ACKFlag) {
        for (int i = 0; i < queueSize; ++i) {
            if (m_pktA[i].Number != pktArrival.Number) continue;
            shpQueueA[i].setFillColour(pktArrival.Colour);
            m_pktA[i].Flag = 1;
            break;
        }
        Departing(true);
        return;
    }
    for (int m = queueSize - 1; m >= 0; --m) {
        if (m_pktQ[m].Number != pktArrival.Number) continue;
        shpQueue[m].setFillColour(pktArrival.Colour);
        m_pktQ[m].Flag = 1;
        break;
    }
    Departing(false);
}

void Queue::KillArriving(Packet& pktArrival)
{
    if (!pktArrival.ACKFlag) {
        // The other slots keep their places.
        for (int m = queueSize - 1; m >= 0; --m) {
            if (m_pktQ[m].Number != pktArrival.Number) continue;
            m_pktQ[m].Initialise();
            drawEmpty(shpQueue[m]);
            return;
        }
        return;
    }

    // An acknowledgement destroyed while arriving never completes: its entry
    // is removed, and the younger entries close the gap towards the head so
    // that the queue keeps forwarding.
    const int head = queueSize - 1;
    for (int k = 0; k < queueSize; ++k) {
        if (m_pktA[k].Number != pktArrival.Number) continue;
        if (k == head && m_ackHeadOnWire) {
            // Already handed to the wire; its Departed frees the slot.
            m_pktA[k].Initialise();
            drawEmpty(shpQueueA[k]);
        } else {
            for (int d = k - 1; d >= 0; --d) {
                m_pktA[d].CopyPacket(m_pktA[d + 1]);
                copyShape(shpQueueA[d], shpQueueA[d + 1]);
            }
            m_pktA[0].Initialise();
            drawEmpty(shpQueueA[0]);
        }
        Departing(true);
        return;
    }
}

void Queue::Departing(bool bACKFlag)
{
    // The busy flag and the dark fill are set before the report: the wire may
    // report the output free again from inside it, and that Departed must
    // find the output busy and the head marked as sent.
    if (!bACKFlag) {
        Packet& head = m_pktQ[0];
        if (head.Flag > 0 && head.Active && !dataOutBusy) {
            dataOutBusy = true;
            m_dataHeadOnWire = true;
            shpQueue[0].setFillColour(darkColour(head.Colour));
            m_ctx.routing.PacketDone(routingIndex, SendData, head);
        }
        return;
    }
    const int h = queueSize - 1;
    Packet& head = m_pktA[h];
    if (head.Flag > 0 && head.Active && !ackOutBusy) {
        ackOutBusy = true;
        m_ackHeadOnWire = true;
        shpQueueA[h].setFillColour(darkColour(head.Colour));
        m_ctx.routing.PacketDone(routingIndex, SendACK, head);
    }
}

void Queue::Departed(bool bACKFlag)
{
    const int last = queueSize - 1;
    if (!bACKFlag) {
        if (m_dataHeadOnWire) {
            m_pktQ[0].Initialise();
            for (int i = 0; i < last; ++i) {
                m_pktQ[i + 1].CopyPacket(m_pktQ[i]);
                copyShape(shpQueue[i + 1], shpQueue[i]);
            }
            m_pktQ[last].Initialise();
            drawEmpty(shpQueue[last]);
        }
        m_dataHeadOnWire = false;
        dataOutBusy = false;
        Departing(false);
        return;
    }
    if (m_ackHeadOnWire) {
        m_pktA[last].Initialise();
        for (int d = last - 1; d >= 0; --d) {
            m_pktA[d].CopyPacket(m_pktA[d + 1]);
            copyShape(shpQueueA[d], shpQueueA[d + 1]);
        }
        m_pktA[0].Initialise();
        drawEmpty(shpQueueA[0]);
    }
    m_ackHeadOnWire = false;
    ackOutBusy = false;
    Departing(true);
}

// ---- size, reset -----------------------------------------------------------

void Queue::Initialise(int elements)
{
    queue_size(elements);
    for (auto& p : m_pktQ) p.Initialise();
    for (auto& p : m_pktA) p.Initialise();
    m_dataHeadOnWire = false;
    m_ackHeadOnWire = false;
    LayoutQueue();
}

void Queue::queue_size(int elements)
{
    // A size outside the slot arrays is not taken.
    if (elements >= 1 && elements <= kSlots) queueSize = elements;
    showSlots();
}

void Queue::ClearQueue()
{
    Initialise(queueSize);
    dataOutBusy = false;
    ackOutBusy = false;
    for (int k = 0; k < kSlots; ++k) {
        m_pktQ[k].Initialise();
        m_pktA[k].Initialise();
        drawEmpty(shpQueue[k]);
        drawEmpty(shpQueueA[k]);
    }
}

void Queue::Reset(int iLevel, int RELEASE)
{
    if (iLevel == 0) {
        startUp();
    } else if (iLevel == 1) {
        ClearQueue();
    }
    restricted = RELEASE;
}

void Queue::SetIndex(int iNewValue)
{
    routingIndex = iNewValue;
}
int Queue::Index() const
{
    return routingIndex;
}
int Queue::Size() const
{
    return queueSize;
}

void Queue::SetSize(int iNewValue)
{
    if (iNewValue < 1 || iNewValue > 6) return;
    // Selecting the item runs the size handler, which reads the combo's text.
    cmbSize.setListIndex(cmbSize.itemIndex(widgets::num::plainNumber(iNewValue)));
}

// ---- the panel's lists -----------------------------------------------------

void Queue::onSizeChosen()
{
    const int s = widgets::num::toInteger(widgets::num::textValue(cmbSize.text()));
    if (s >= 1 && s <= kSlots) {
        queueSize = s;
        // Every held packet is discarded; the busy flags stay, so a packet
        // still being put on a wire finishes normally.
        Initialise(queueSize);
        for (int k = 0; k < kSlots; ++k) {
            drawEmpty(shpQueue[k]);
            drawEmpty(shpQueueA[k]);
        }
    }
    onDropPolicyChosen();
}

void Queue::onDropPolicyChosen()
{
    const int s = widgets::num::toInteger(widgets::num::textValue(cmbSize.text()));
    const double t = widgets::num::textValue(cmbCongestionThreshold.text());
    const bool red = kDropPolicies.is(cmbDropPolicy.text(), DropPolicy::RED);
    // The threshold offered is one below the size under RED (index s - 2,
    // none for size 1), the size itself otherwise (index s - 1).
    if (red && s <= t) {
        cmbCongestionThreshold.setListIndex(std::max(s - 2, -1));
        showThreshold(true);
    } else if (cmbCongestionThreshold.items().size() < 2) {
        return;  // only during creation, before the threshold list is filled
    } else if (!red) {
        cmbCongestionThreshold.setListIndex(s - 1);
        showThreshold(false);
    } else {
        cmbCongestionThreshold.setListIndex(s - 2);
        showThreshold(true);
    }
}

// ---- state -----------------------------------------------------------------

Queue::State Queue::state() const
{
    return State{queueSize, routingIndex, restricted, dataOutBusy, ackOutBusy};
}
