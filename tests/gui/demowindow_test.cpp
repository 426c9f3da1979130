// SPDX-License-Identifier: MIT
// The real demonstration window, offscreen: its controls stand where the
// layout puts them, a run shows packets and traces, and the window's own
// inputs (a packet click, the background, the keys) reach the model.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/demowindow.h"
#include "gui/units.h"
#include "shell/linkdemo.h"

namespace {

class NoMessages : public widgets::MessageBox {
public:
    std::vector<std::string> shown;
    void show(const std::string& text) override { shown.push_back(text); }
};

struct DemoFixture : ::testing::Test {
    NoMessages messages;
    LinkDemo demo{messages};
    gui::DemoWindow window{demo};

    void SetUp() override
    {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }

    // Go-back-N ARQ with the router, 25 simulated seconds after "Start".
    void runDefaultScene()
    {
        demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
        demo.cmdRouter.click();
        demo.cmdPause.click();
        demo.scheduler().advance(25000);
        window.sync();
    }

    // Where a control of a component stands in the window, in pixels.
    static QPointF layoutPosition(const widgets::Control& c)
    {
        const widgets::Control* parent = c.parent();
        return QPointF(gui::Scale().toPixels(parent->left() + c.left()),
                       gui::Scale().toPixels(parent->top() + c.top()));
    }
};

TEST_F(DemoFixture, StartsAsTheWindowIsDesigned)
{
    EXPECT_EQ(window.windowTitle(), QString("Brelk's Vorn Demo"));
    EXPECT_EQ(window.size(), QSize(993, 741));
    auto* pause = qobject_cast<gui::ButtonView*>(window.widgetFor(demo.cmdPause));
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->caption(), QString("Start"));
    EXPECT_EQ(pause->geometry(), QRect(8, 460, 85, 33));
    auto* scenario = qobject_cast<QComboBox*>(window.widgetFor(demo.cmbScenario));
    ASSERT_NE(scenario, nullptr);
    EXPECT_EQ(scenario->currentText(), QString("No Controls"));
    EXPECT_EQ(scenario->count(), 7);
    EXPECT_EQ(window.widgetFor(demo.cmdRTT)->isVisible(), demo.cmdRTT.reachable());
    EXPECT_TRUE(window.widgetFor(demo.Wire1)->isVisible());
    EXPECT_FALSE(window.widgetFor(demo.Wire3)->isVisible());
}

TEST_F(DemoFixture, WireControlsStandWhereTheLayoutPutsThem)
{
    runDefaultScene();
    int checked = 0;
    for (widgets::Control* c : demo.Wire1.children()) {
        QWidget* w = window.widgetFor(*c);
        if (c->kind() == widgets::Kind::Timer) continue;
        ASSERT_NE(w, nullptr) << c->fullName();
        EXPECT_EQ(w->isVisible(), c->reachable()) << c->fullName();
        if (!c->reachable() || c->kind() == widgets::Kind::Line) continue;
        const QPointF expected = layoutPosition(*c);
        const QPoint actual = w->mapTo(&window, QPoint(0, 0));
        EXPECT_LE(std::abs(actual.x() - expected.x()), 1.0) << c->fullName();
        EXPECT_LE(std::abs(actual.y() - expected.y()), 1.0) << c->fullName();
        EXPECT_LE(std::abs(w->width() - gui::Scale().toPixels(c->width())), 1.0) << c->fullName();
        EXPECT_LE(std::abs(w->height() - gui::Scale().toPixels(c->height())), 1.0) << c->fullName();
        ++checked;
    }
    EXPECT_GT(checked, 8);
    // The link line runs between the two end markers.
    auto* line = dynamic_cast<gui::LineView*>(window.widgetFor(demo.Wire1.Line1));
    ASSERT_NE(line, nullptr);
    const QLineF onScreen = line->line().translated(line->mapTo(&window, QPoint(0, 0)));
    EXPECT_NEAR(onScreen.x1(), gui::Scale().toPixels(demo.Wire1.left() + demo.Wire1.Line1.x1()), 1.0);
    EXPECT_NEAR(onScreen.x2(), gui::Scale().toPixels(demo.Wire1.left() + demo.Wire1.Line1.x2()), 1.0);
}

TEST_F(DemoFixture, RenderedRunShowsPacketsAndTraces)
{
    runDefaultScene();
    int packets = 0;
    for (int w = 0; w < 2; ++w) {
        Wire& wire = w == 0 ? demo.Wire1 : demo.Wire2;
        for (int i = 0; i < wire.cmdPacket.size(); ++i) {
            if (!wire.cmdPacket[i].visible()) continue;
            auto* b = qobject_cast<gui::ButtonView*>(window.widgetFor(wire.cmdPacket[i]));
            ASSERT_NE(b, nullptr);
            EXPECT_TRUE(b->isVisible());
            EXPECT_EQ(b->caption(), QString::fromStdString(wire.cmdPacket[i].caption()));
            EXPECT_EQ(b->backColour(), gui::toQColor(wire.cmdPacket[i].backColour()));
            ++packets;
        }
    }
    EXPECT_GT(packets, 0);

    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor background = gui::toQColor(demo.backColour());
    const QColor dataTrace = gui::toQColor(0xC00000);
    long differing = 0;
    long traced = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c != background) ++differing;
            if (c == dataTrace) ++traced;
        }
    }
    EXPECT_GT(differing, shot.width() * shot.height() / 10) << "the window is not blank";
    EXPECT_GT(traced, 500) << "data traces are drawn";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DemoFixture, ClickOnAPacketDestroysIt)
{
    runDefaultScene();
    int slot = -1;
    for (int i = 0; i < demo.Wire1.cmdPacket.size() && slot < 0; ++i) {
        if (demo.Wire1.cmdPacket[i].visible() && demo.Wire1.cmdPacket[i].width() > 150) slot = i;
    }
    ASSERT_GE(slot, 0) << "a packet on Wire1";
    QWidget* b = window.widgetFor(demo.Wire1.cmdPacket[slot]);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
    EXPECT_FALSE(demo.Wire1.cmdPacket[slot].visible());
    EXPECT_FALSE(b->isVisible());
}

TEST_F(DemoFixture, BackgroundClickAndKeysActAsTheirButtons)
{
    runDefaultScene();
    const std::uint64_t clears = demo.Wire1.Picture1.clearCount();
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(900, 725));
    EXPECT_GT(demo.Wire1.Picture1.clearCount(), clears) << "the traces are repainted";
    EXPECT_GT(demo.Wire1.Picture1.lines().size(), 0u);

    ASSERT_EQ(demo.cmdPause.caption(), "Pause");
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
    EXPECT_TRUE(demo.paused);
    QTest::keyClick(&window, Qt::Key_R);
    EXPECT_EQ(demo.cmdPause.caption(), "Start");
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(qobject_cast<gui::ButtonView*>(window.widgetFor(demo.cmdPause))->caption(), QString("Start"));
}

// Real mouse events at window positions: the platform finds the widget under
// the pointer, as on a screen.
void clickAt(QWidget& window, QWidget* target)
{
    const QPoint at = target->mapTo(&window, target->rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
}

TEST_F(DemoFixture, ARaisedWireTakesNoClicksOnItsEmptyParts)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Software Flow"));
    demo.Wire1.focus();  // raised above the receiver, as any click on it does
    window.sync();
    clickAt(window, window.widgetFor(demo.Receiver1.chkRxReady));
    EXPECT_EQ(demo.Receiver1.chkRxReady.caption(), "Hold");
    clickAt(window, window.widgetFor(demo.Receiver1.cmdEdit));
    EXPECT_EQ(demo.Receiver1.cmdEdit.caption(), "Done");

    demo.cmdRouter.click();
    demo.cmdPause.click();
    demo.scheduler().advance(9000);
    demo.Wire1.focus();
    window.sync();
    clickAt(window, window.widgetFor(demo.Queue1.cmdEdit));
    EXPECT_EQ(demo.Queue1.cmdEdit.caption(), "Done");
    demo.Wire1.focus();
    window.sync();
    clickAt(window, window.widgetFor(demo.Wire2.cmdEdit));
    EXPECT_EQ(demo.Wire2.cmdEdit.caption(), "Done");
    demo.Wire2.cmdEdit.click();  // its open panel would lie over its packets
    demo.Wire1.focus();
    window.sync();
    int slot = -1;
    for (int i = 0; i < demo.Wire2.cmdPacket.size() && slot < 0; ++i) {
        if (demo.Wire2.cmdPacket[i].visible() && demo.Wire2.cmdPacket[i].width() > 150) slot = i;
    }
    ASSERT_GE(slot, 0) << "a packet on Wire2";
    clickAt(window, window.widgetFor(demo.Wire2.cmdPacket[slot]));
    EXPECT_FALSE(demo.Wire2.cmdPacket[slot].visible());
    // An empty part of the raised wire lets a click through to the window.
    const std::uint64_t clears = demo.Wire1.Picture1.clearCount();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(900, 725));
    EXPECT_GT(demo.Wire1.Picture1.clearCount(), clears);
}

TEST_F(DemoFixture, ThePauseButtonHasTheFocusAtStartAndAfterAPick)
{
    QWidget* pause = window.widgetFor(demo.cmdPause);
    EXPECT_EQ(QApplication::focusWidget(), pause);
    EXPECT_TRUE(window.focusFrame().isVisible());
    EXPECT_TRUE(window.focusFrame().geometry().contains(pause->geometry()));
    QTest::keyClick(pause, Qt::Key_Return);
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");

    auto* list = qobject_cast<QComboBox*>(window.widgetFor(demo.cmbScenario));
    // Arrow keys on the closed list choose and keep the focus there.
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(demo.cmbScenario.text(), "Stop and Wait");
    EXPECT_EQ(QApplication::focusWidget(), list);
    // A pick in the pop-up the mouse opened hands the focus back to the pause
    // button.
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* popup = list->view();
    ASSERT_TRUE(popup->isVisible());
    popup->setCurrentIndex(popup->model()->index(4, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(demo.cmbScenario.text(), "Go-back-N ARQ");
    EXPECT_EQ(QApplication::focusWidget(), pause);
}

// A click presses a button or ticks a box without taking the keyboard
// focus (Space would press it again); its component still comes to the
// front. Escape in a field and a click on the background give the focus
// back to the pause button.
TEST_F(DemoFixture, AClickLeavesTheKeyboardFocusWhereItWas)
{
    QWidget* pause = window.widgetFor(demo.cmdPause);
    clickAt(window, window.widgetFor(demo.cmdRouter));
    EXPECT_EQ(demo.cmdRouter.caption(), "Remove Router");
    EXPECT_EQ(QApplication::focusWidget(), pause);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_EQ(demo.cmdRouter.caption(), "Remove Router");

    clickAt(window, window.widgetFor(demo.Wire1.cmdEdit));
    window.sync();
    EXPECT_EQ(demo.stacking().back(), &demo.Wire1);
    clickAt(window, window.widgetFor(demo.Receiver1.chkRxReady));
    EXPECT_EQ(demo.stacking().back(), &demo.Receiver1);
    EXPECT_EQ(QApplication::focusWidget(), pause);

    auto* field = qobject_cast<QComboBox*>(window.widgetFor(demo.Wire1.cmbDelay));
    clickAt(window, field);
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), pause);
    field->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(900, 725));
    EXPECT_EQ(QApplication::focusWidget(), pause);
}

// After Clear trace the trace shows the present, where the new one starts.
TEST_F(DemoFixture, ACleanTraceShowsThePresent)
{
    runDefaultScene();
    demo.scheduler().advance(60000);
    window.sync();
    ASSERT_EQ(demo.Wire1.VScroll1.value(), 0);
    window.clearTrace(demo.Wire1);
    const int start = demo.Wire1.VScroll1.value();
    EXPECT_GT(start, 60);
    demo.scheduler().advance(3000);
    window.sync();
    EXPECT_FALSE(demo.Wire1.Picture1.lines().empty()) << "the new trace is in view";
}

// Once the present passes the last second a trace shows, "Follow (F)" offers
// to follow it; following or scrolling answers it, and it comes again only
// after the present was in view again.
TEST_F(DemoFixture, AFollowNoticeOffersThePresentOnceItIsOutOfView)
{
    QWidget* notice = window.followNotice(demo.Wire1);
    ASSERT_NE(notice, nullptr);
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    demo.scheduler().advance(10000);
    window.sync();
    EXPECT_TRUE(notice->isHidden()) << "the present is in view";
    demo.scheduler().advance(15000);
    window.sync();
    ASSERT_FALSE(notice->isHidden());
    QTest::mouseClick(static_cast<QPushButton*>(notice), Qt::LeftButton);
    EXPECT_TRUE(window.followPresent());
    EXPECT_TRUE(notice->isHidden());

    window.setFollowPresent(false);
    demo.scheduler().advance(30000);
    window.sync();
    ASSERT_FALSE(notice->isHidden());
    demo.Wire1.VScroll1.userScroll(demo.Wire1.VScroll1.value() + 1);
    window.sync();
    EXPECT_TRUE(notice->isHidden());
    demo.scheduler().advance(5000);
    window.sync();
    EXPECT_TRUE(notice->isHidden()) << "answered until the present is in view again";
}

// Sequence labels that the model piles up (bit rate 4) are thinned on
// screen: no two shown labels overlap, and the model keeps them all.
TEST_F(DemoFixture, OverlappingSequenceLabelsAreThinnedOnScreen)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.Wire1.cmdEdit.click();
    demo.Wire1.cmbBitRate.userEdit("4");
    demo.cmdPause.click();
    demo.scheduler().advance(30000);
    window.sync();
    std::vector<QRect> shown;
    int inModel = 0;
    for (int i = 0; i < demo.Wire1.txtTrace.size(); ++i) {
        inModel += demo.Wire1.txtTrace[i].visible();
        QWidget* w = window.widgetFor(demo.Wire1.txtTrace[i]);
        if (w && !w->isHidden()) shown.push_back(w->geometry());
    }
    ASSERT_GT(shown.size(), 3u);
    EXPECT_LT(static_cast<int>(shown.size()), inModel);
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) EXPECT_FALSE(shown[i].intersects(shown[j])) << i << " " << j;
}

TEST_F(DemoFixture, TabFollowsTheLayoutAndSkipsPackets)
{
    runDefaultScene();
    QWidget* start = window.widgetFor(demo.Transmitter1.cmdEdit);
    start->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> owners{"Transmitter1"};
    for (int n = 0; n < 60; ++n) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        if (f == start) break;
        std::string owner = "LinkDemo";
        for (widgets::Component* c :
             {static_cast<widgets::Component*>(&demo.Transmitter1), static_cast<widgets::Component*>(&demo.Wire1),
              static_cast<widgets::Component*>(&demo.Queue1), static_cast<widgets::Component*>(&demo.Wire2),
              static_cast<widgets::Component*>(&demo.Receiver1)}) {
            if (window.widgetFor(*c)->isAncestorOf(f)) owner = c->name();
        }
        EXPECT_FALSE(qobject_cast<gui::ButtonView*>(f) && f->parentWidget() == window.widgetFor(demo.Wire1) &&
                     f != window.widgetFor(demo.Wire1.cmdEdit))
            << "a packet takes the focus";
        if (owners.empty() || owners.back() != owner) owners.push_back(owner);
    }
    EXPECT_EQ(QApplication::focusWidget(), start) << "the chain comes round";
    EXPECT_EQ(owners, (std::vector<std::string>{"Transmitter1", "Wire1", "Queue1", "Wire2", "Receiver1", "LinkDemo"}));
}

TEST_F(DemoFixture, CaptionsFitTheirBoxesWholeForLongRuns)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Selective Repeat ARQ"));
    demo.Transmitter1.cmdEdit.click();
    demo.Receiver1.cmdEdit.click();
    std::vector<widgets::Label*> labels;
    for (int n : {0, 99, 100, 9999, 99999}) {
        const std::string number = " " + std::to_string(n);
        demo.Transmitter1.lblTxMode.setCaption("Retransmit " + number);
        demo.Receiver1.lblRxMode.setCaption("Expecting " + number);
        for (int i = 0; i < 6; ++i) {
            demo.Transmitter1.lblTxPacket[i].setCaption(number);
            demo.Transmitter1.lblRTO[i].setCaption("234");
            demo.Receiver1.lblRxPacket[i].setCaption(number);
            // Below the Max Sequence No.: four digits cover every listed choice.
            demo.Receiver1.lblRxSeq[i].setCaption(std::to_string(std::min(n, 9999)));
        }
        window.sync();
        for (widgets::Component* c : {static_cast<widgets::Component*>(&demo.Transmitter1),
                                      static_cast<widgets::Component*>(&demo.Receiver1)}) {
            for (widgets::Control* control : c->children()) {
                if (control->kind() != widgets::Kind::Label || !control->reachable()) continue;
                auto* view = qobject_cast<gui::LabelView*>(window.widgetFor(*control));
                ASSERT_NE(view, nullptr);
                const auto& caption = static_cast<widgets::Label*>(control)->caption();
                EXPECT_EQ(view->text().toStdString(), caption) << control->fullName() << " at " << n;
                if (!view->wordWrap()) {
                    EXPECT_LE(QFontMetrics(view->font()).horizontalAdvance(view->text()), view->width())
                        << c->name() << "." << control->fullName() << " '" << caption << "'";
                }
            }
        }
    }
}

TEST_F(DemoFixture, AnOpenPanelLiesAbovePassingPackets)
{
    runDefaultScene();
    demo.Wire1.cmdEdit.click();
    window.sync();
    QWidget* wire = window.widgetFor(demo.Wire1);
    const auto order = [&](const widgets::Control& c) { return wire->children().indexOf(window.widgetFor(c)); };
    for (int i = 0; i < demo.Wire1.cmdPacket.size(); ++i) {
        EXPECT_LT(order(demo.Wire1.cmdPacket[i]), order(demo.Wire1.lblBitRate));
        EXPECT_LT(order(demo.Wire1.cmdPacket[i]), order(demo.Wire1.cmbDelay));
    }
}

}  // namespace
