// SPDX-License-Identifier: MIT
// The Help windows and the controls' descriptions, offscreen: the colour
// legend shows the colours the components draw with, and every control of
// the demonstration can be read by a screen reader and has a tooltip.
#include <functional>
#include <string>
#include <vector>

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QToolTip>

#include <gtest/gtest.h>

#include "explain/explain.h"
#include "gui/demowindow.h"
#include "gui/helpwindows.h"
#include "gui/profile.h"
#include "gui/tooltips.h"
#include "gui/units.h"
#include "packet/packet.h"
#include "queue/queue.h"
#include "receiver/receiver.h"
#include "shell/linkdemo.h"
#include "transmitter/transmitter.h"
#include "wire/trace.h"

namespace {

class NoMessages : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

// The swatch's middle pixel as drawn on screen.
QRgb drawnColour(QWidget& window, const QString& swatch)
{
    auto* w = window.findChild<QWidget*>(QStringLiteral("swatch:") + swatch);
    if (w == nullptr) {
        ADD_FAILURE() << "no swatch " << swatch.toStdString();
        return 0;
    }
    const QImage image = w->grab().toImage();
    return image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFF;
}

TEST(HelpWindows, ColourSwatchesShowTheComponentsColours)
{
    using S = Transmitter::SlotState;
    using M = Receiver::SlotMark;
    struct Case {
        const char* swatch;
        std::int64_t bgr;
    };
    const std::vector<Case> cases = {
        {"Packets/Data/0", PacketColour::kData},
        {"Packets/Resent data/0", PacketColour::kDataResent},
        {"Packets/Acknowledgement/0", PacketColour::kAck},
        {"Packets/Ready/0", PacketColour::kReady},
        {"Packets/Hold/0", PacketColour::kHold},
        {"Packets/Empty/0", PacketColour::kEmpty},
        {"Transmitter window/New/0", Transmitter::slotColour(S::New)},
        {"Transmitter window/Sending/0", Transmitter::slotColour(S::Sending)},
        {"Transmitter window/Sent/0", Transmitter::slotColour(S::Sent)},
        {"Transmitter window/Expired/0", Transmitter::slotColour(S::Expired)},
        {"Transmitter window/Resending/0", Transmitter::slotColour(S::Resending)},
        {"Transmitter window/Resent/0", Transmitter::slotColour(S::Resent)},
        {"Transmitter window/Acknowledged/0", Transmitter::slotColour(S::Acknowledged)},
        {"Receiver window/Fresh/0", Receiver::slotColour(M::Fresh, 0)},
        {"Receiver window/Idle/0", Receiver::slotColour(M::Idle, 0)},
        {"Receiver window/Incoming/0", Receiver::slotColour(M::Incoming, 0)},
        {"Receiver window/Misnumbered/0", Receiver::slotColour(M::Misnumbered, 0)},
        {"Receiver window/Wrong!/0", Receiver::kWrongColour},
        {"Router buffer/Data packet/0", Queue::paleColour(PacketColour::kData)},
        {"Router buffer/Data packet/1", PacketColour::kData},
        {"Router buffer/Data packet/2", Queue::darkColour(PacketColour::kData)},
        {"Router buffer/Hold message/2", Queue::darkColour(PacketColour::kHold)},
        {"Time-sequence trace/Data packet/0", TimeSequenceTrace::colourFor(PacketColour::kData)},
        {"Time-sequence trace/Resent data packet/0", TimeSequenceTrace::colourFor(PacketColour::kDataResent)},
        {"Time-sequence trace/Acknowledgement/0", TimeSequenceTrace::colourFor(PacketColour::kAck)},
        {"Time-sequence trace/Ready or Hold message/0", TimeSequenceTrace::colourFor(PacketColour::kHold)},
    };
    gui::ColoursWindow window;
    window.show();
    for (const Case& c : cases) {
        // 0xBBGGRR in the model, 0xRRGGBB on screen.
        const QRgb expected = qRgb(c.bgr & 0xFF, (c.bgr >> 8) & 0xFF, (c.bgr >> 16) & 0xFF) & 0xFFFFFF;
        EXPECT_EQ(drawnColour(window, QString::fromLatin1(c.swatch)), expected) << c.swatch;
    }
}

// The legend shows what the window draws: in the projector's colours once
// that profile is in force, a slot's number as its drawn text colour.
TEST(HelpWindows, TheLegendDrawsInTheProfileInForce)
{
    using P = palette::Profile;
    gui::setProfile(P::Projector);
    gui::ColoursWindow window;
    window.show();
    auto drawn = [](std::int64_t model, palette::Role role) {
        return gui::toQColor(palette::drawn(P::Projector, model, role)).rgb() & 0xFFFFFF;
    };
    EXPECT_EQ(drawnColour(window, "Packets/Data/0"), drawn(PacketColour::kData, palette::Role::Fill));
    EXPECT_EQ(drawnColour(window, "Transmitter window/New/0"),
              drawn(Transmitter::slotColour(Transmitter::SlotState::New), palette::Role::Text));
    EXPECT_NE(drawn(PacketColour::kData, palette::Role::Fill), gui::toQColor(PacketColour::kData).rgb() & 0xFFFFFF);
    gui::setProfile(P::Standard);
}

TEST(HelpWindows, EveryVisibleControlHasATooltipAndAScreenReaderName)
{
    NoMessages messages;
    LinkDemo demo{messages};
    gui::DemoWindow window{demo};
    gui::describeControls(window);
    // The router scene with every panel open shows the most controls.
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdRouter.click();
    for (widgets::Button* edit :
         {&demo.Transmitter1.cmdEdit, &demo.Wire1.cmdEdit, &demo.Queue1.cmdEdit, &demo.Receiver1.cmdEdit}) {
        edit->click();
    }
    demo.cmdPause.click();
    demo.scheduler().advance(6000);
    window.sync();
    window.show();

    int checked = 0;
    std::function<void(const widgets::Container&)> walk = [&](const widgets::Container& c) {
        for (const widgets::Control* child : c.children()) {
            if (!child->reachable()) continue;
            if (child->kind() == widgets::Kind::Component) walk(static_cast<const widgets::Container&>(*child));
            QWidget* w = window.widgetFor(*child);
            if (w == nullptr) continue;
            ++checked;
            const std::string name = child->kind() == widgets::Kind::Component
                                         ? child->fullName()
                                         : child->parent()->name() + "." + child->fullName();
            EXPECT_TRUE(w->toolTip().startsWith(QString::fromStdString(name + ": "))) << name;
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(reader, nullptr) << name;
            // A combo box's name is its text (on Linux); its description says the rest.
            const QString said = reader->text(QAccessible::Name) + reader->text(QAccessible::Description);
            EXPECT_FALSE(reader->text(QAccessible::Name).isEmpty()) << name;
            EXPECT_TRUE(said.contains(QString::fromStdString(name))) << name;
        }
    };
    walk(demo);
    EXPECT_GT(checked, 50);

    // The pause button's name follows its caption.
    QAccessibleInterface* pause = QAccessible::queryAccessibleInterface(window.widgetFor(demo.cmdPause));
    EXPECT_TRUE(pause->text(QAccessible::Name).startsWith(QStringLiteral("Pause")))
        << pause->text(QAccessible::Name).toStdString();
    demo.cmdPause.click();
    window.sync();
    EXPECT_TRUE(pause->text(QAccessible::Name).startsWith(QStringLiteral("Cont")));
    EXPECT_TRUE(pause->text(QAccessible::Name).contains(QStringLiteral("LinkDemo.cmdPause")));
}

// The controls that show the run's state say it in the explainer's words;
// the system name follows the words in the description.
TEST(HelpWindows, PacketsSlotsAndTheReadyBoxSayTheirStateInWords)
{
    NoMessages messages;
    LinkDemo demo{messages};
    gui::DemoWindow window{demo};
    gui::describeControls(window);
    gui::LiveDescriptions live{window};
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    demo.scheduler().advance(6000);
    window.sync();
    live.refresh();

    int packets = 0;
    for (int i = 0; i < Wire::kSlots; ++i) {
        if (!demo.Wire1.cmdPacket[i].visible()) continue;
        ++packets;
        QWidget* w = window.widgetFor(demo.Wire1.cmdPacket[i]);
        const QString words = QString::fromStdString(explain::wirePacketText(demo, demo.Wire1, i));
        EXPECT_EQ(w->toolTip(), words + QStringLiteral(". Click to destroy it."));
        const QString description = w->accessibleDescription();
        const QString name = QStringLiteral("Wire1.cmdPacket(%1)").arg(i);
        EXPECT_TRUE(description.startsWith(words) && description.indexOf(name) > words.size())
            << description.toStdString();
    }
    EXPECT_GT(packets, 1);
    const QString slot = QString::fromStdString(explain::transmitterSlotText(demo.Transmitter1, 0));
    EXPECT_TRUE(slot.contains(QStringLiteral("left on its timer"))) << slot.toStdString();
    EXPECT_EQ(window.widgetFor(demo.Transmitter1.lblRTO[0])->toolTip(), slot);
    // The slot's numbers let the mouse through: over the slot its
    // component shows the slot's words.
    window.show();
    QWidget* tx = window.widgetFor(demo.Transmitter1);
    QWidget* shape = window.widgetFor(demo.Transmitter1.shpTxQueue[0]);
    const QPoint at = shape->mapTo(tx, shape->rect().center());
    QHelpEvent hover(QEvent::ToolTip, at, tx->mapToGlobal(at));
    QApplication::sendEvent(tx, &hover);
    EXPECT_EQ(QToolTip::text(), slot);
    EXPECT_EQ(window.widgetFor(demo.Receiver1.lblRxPacket[0])->toolTip(),
              QString::fromStdString(explain::receiverSlotText(demo.Receiver1, 0)));
    QWidget* box = window.widgetFor(demo.Receiver1.chkRxReady);
    const QString ready = box->toolTip();
    EXPECT_EQ(ready, QString::fromStdString(explain::readyHoldText(demo.Receiver1)));
    // A click changes what the box says it will do.
    demo.Receiver1.chkRxReady.click();
    window.sync();
    live.refresh();
    EXPECT_NE(box->toolTip(), ready);
    EXPECT_EQ(box->toolTip(), QString::fromStdString(explain::readyHoldText(demo.Receiver1)));
}

}  // namespace
