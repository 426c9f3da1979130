#include "queue/queue.h"

#include <algorithm>

#include "widgets/numbers.h"
#include "widgets/random.h"

namespace {

// Display units (1/1440 inch), relative to the component.
constexpr double kRowWidth = 2370;  // the width both rows of slots share
constexpr double kRowLeft = 90;
constexpr double kDataTop = 360, kDataHeight = 365;
constexpr double kAckTop = 120, kAckHeight = 225;

constexpr double kFrameClosed = 1380, kFrameEdit = 1980, kFrameMore = 2880;
constexpr double kComboHeight = 315;

// A colour channel after a shade formula: nearest integer, halves to even,
// held in 0..255.
int channel(double x)
{
    return static_cast<int>(std::clamp(num::roundEven(x), 0.0, 255.0));
}

}  // namespace

Queue::Queue(widgets::Container* window, std::string name, const ComponentContext& ctx)
    : widgets::Component(window, std::move(name)), m_ctx(ctx)
{
    // The component keeps its design place in the window.
    setGeometry(6120, 360, 2595, 3135);

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

    // The frame lies behind everything it encloses.
    Shape1.setGeometry(15, 60, 2520, kFrameClosed);
    for (widgets::Control* c : std::vector<widgets::Control*>(children())) {
        if (c != &Shape1) raise(*c);
    }

    cmdEdit.setCaption("Edit");
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

    cmdEdit.onClick = [this] { onEditClick(); };
    cmdAdvanced.onClick = [this] { onAdvancedClick(); };
    cmbSize.onClick = [this] { onSizeChosen(); };
    cmbSize.onChange = [this] { onSizeChosen(); };
    cmbDropPolicy.onClick = [this] { onDropPolicyChosen(); };
    cmbDropPolicy.onChange = [this] { onDropPolicyChosen(); };

    creationSequence();
}

Queue::~Queue() = default;

void Queue::creationSequence()
{
    for (int i = 1; i <= kSlots; ++i) cmbSize.addItem(num::plainNumber(i));
    cmbSize.setText("3");
    for (int i = 1; i <= kSlots; ++i) cmbCongestionThreshold.addItem(num::plainNumber(i));
    cmbCongestionThreshold.setText("8");
    cmbDropPolicy.addItem("Drop Tail");
    cmbDropPolicy.addItem("RED");
    cmbDropPolicy.setText("Drop Tail");
    Shape1.setHeight(kFrameClosed);
    LayoutQueue();
    queueSize = 3;
    ClearQueue();
}

// ---- colours ---------------------------------------------------------------

std::int64_t Queue::paleColour(std::int64_t v)
{
    auto pale = [](int x) { return channel(x / 2.0 + 128.0); };
    return num::rgb(pale(num::red(v)), pale(num::green(v)), pale(num::blue(v)));
}

std::int64_t Queue::darkColour(std::int64_t v)
{
    // Below 0 only for colours darker than any packet colour in use.
    auto dark = [](int x) { return channel(1.5 * x - 128.0); };
    return num::rgb(dark(num::red(v)), dark(num::green(v)), dark(num::blue(v)));
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
        if (pktQ[m].Active) ++count;
    }

    if (pktArrival.ACKFlag) {
        for (int d = queueSize - 1; d >= 0; --d) {
            if (pktA[d].Active) continue;
            pktArrival.CopyPacket(pktA[d]);
            pktA[d].Active = true;
            pktA[d].Flag = 0;
            shpQueueA[d].setFillColour(paleColour(pktA[d].Colour));
            shpQueueA[d].setFilled(true);
            return;
        }
        return;  // acknowledgement queue full: dropped without a report
    }

    const double threshold = num::textValue(cmbCongestionThreshold.text());
    const std::string& policy = cmbDropPolicy.text();
    // Drawn for every arriving data packet, whatever the policy, so that the
    // sequence of draws does not depend on the settings.
    const float r = static_cast<float>(m_ctx.random.next());
    if (policy == "RED" && count >= threshold && r > 0.5f) {
        ++m_dataDropsTotal;
        return;
    }

    for (int m = 0; m < queueSize; ++m) {
        if (pktQ[m].Active) continue;
        pktArrival.CopyPacket(pktQ[m]);
        pktQ[m].Active = true;
        pktQ[m].Flag = 0;
        shpQueue[m].setFillColour(paleColour(pktQ[m].Colour));
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
            if (pktA[i].Number != pktArrival.Number) continue;
            shpQueueA[i].setFillColour(pktArrival.Colour);
            pktA[i].Flag = 1;
            break;
        }
        Departing(true);
        return;
    }
    for (int m = queueSize - 1; m >= 0; --m) {
        if (pktQ[m].Number != pktArrival.Number) continue;
        shpQueue[m].setFillColour(pktArrival.Colour);
        pktQ[m].Flag = 1;
        break;
    }
    Departing(false);
}

void Queue::KillArriving(Packet& pktArrival)
{
    if (!pktArrival.ACKFlag) {
        // The other slots keep their places.
        for (int m = queueSize - 1; m >= 0; --m) {
            if (pktQ[m].Number != pktArrival.Number) continue;
            pktQ[m].Initialise();
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
        if (pktA[k].Number != pktArrival.Number) continue;
        if (k == head && m_ackHeadOnWire) {
            // Already handed to the wire; its Departed frees the slot.
            pktA[k].Initialise();
            drawEmpty(shpQueueA[k]);
        } else {
            for (int d = k - 1; d >= 0; --d) {
                pktA[d].CopyPacket(pktA[d + 1]);
                copyShape(shpQueueA[d], shpQueueA[d + 1]);
            }
            pktA[0].Initialise();
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
        Packet& head = pktQ[0];
        if (head.Flag > 0 && head.Active && !dataOutBusy) {
            dataOutBusy = true;
            m_dataHeadOnWire = true;
            shpQueue[0].setFillColour(darkColour(head.Colour));
            m_ctx.routing.PacketDone(routingIndex, SendData, head);
        }
        return;
    }
    const int h = queueSize - 1;
    Packet& head = pktA[h];
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
            pktQ[0].Initialise();
            for (int i = 0; i < last; ++i) {
                pktQ[i + 1].CopyPacket(pktQ[i]);
                copyShape(shpQueue[i + 1], shpQueue[i]);
            }
            pktQ[last].Initialise();
            drawEmpty(shpQueue[last]);
        }
        m_dataHeadOnWire = false;
        dataOutBusy = false;
        Departing(false);
        return;
    }
    if (m_ackHeadOnWire) {
        pktA[last].Initialise();
        for (int d = last - 1; d >= 0; --d) {
            pktA[d].CopyPacket(pktA[d + 1]);
            copyShape(shpQueueA[d], shpQueueA[d + 1]);
        }
        pktA[0].Initialise();
        drawEmpty(shpQueueA[0]);
    }
    m_ackHeadOnWire = false;
    ackOutBusy = false;
    Departing(true);
}

// ---- size, layout, reset ---------------------------------------------------

void Queue::Initialise(int elements)
{
    queue_size(elements);
    for (auto& p : pktQ) p.Initialise();
    for (auto& p : pktA) p.Initialise();
    m_dataHeadOnWire = false;
    m_ackHeadOnWire = false;
    LayoutQueue();
}

void Queue::queue_size(int elements)
{
    // A size outside the slot arrays is not taken.
    if (elements >= 1 && elements <= kSlots) queueSize = elements;
    for (int k = 0; k < kSlots; ++k) {
        shpQueue[k].setVisible(k < queueSize);
        lblQPacket[k].setVisible(false);
        lblQSeq[k].setVisible(false);
    }
    LayoutQueue();
}

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

void Queue::ClearQueue()
{
    Initialise(queueSize);
    dataOutBusy = false;
    ackOutBusy = false;
    for (int k = 0; k < kSlots; ++k) {
        pktQ[k].Initialise();
        pktA[k].Initialise();
        drawEmpty(shpQueue[k]);
        drawEmpty(shpQueueA[k]);
    }
}

void Queue::Reset(int iLevel, int RELEASE)
{
    if (iLevel == 0) {
        creationSequence();
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
    cmbSize.setListIndex(cmbSize.itemIndex(num::plainNumber(iNewValue)));
}

// ---- panel -----------------------------------------------------------------

void Queue::onEditClick()
{
    if (cmdEdit.caption() == "Edit") {
        cmdEdit.setCaption("Done");
        if (restricted == 0) cmdAdvanced.setVisible(true);
        lblSize.setVisible(true);
        cmbSize.setVisible(true);
        Shape1.setHeight(kFrameEdit);
        return;
    }
    cmdEdit.setCaption("Edit");
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
    if (cmbDropPolicy.text() == "RED") {
        lblCongestionThreshold.setVisible(true);
        cmbCongestionThreshold.setVisible(true);
    }
    cmbDropPolicy.setVisible(true);
    Shape1.setHeight(kFrameMore);
}

void Queue::onSizeChosen()
{
    const int s = num::toInteger(num::textValue(cmbSize.text()));
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
    const int s = num::toInteger(num::textValue(cmbSize.text()));
    const double t = num::textValue(cmbCongestionThreshold.text());
    const bool red = cmbDropPolicy.text() == "RED";
    auto showThreshold = [this](bool on) {
        cmbCongestionThreshold.setVisible(on);
        lblCongestionThreshold.setVisible(on);
    };
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

// ---- state -------------------------------------------------------------------

Queue::State Queue::state() const
{
    return State{queueSize, routingIndex, restricted, dataOutBusy, ackOutBusy};
}
