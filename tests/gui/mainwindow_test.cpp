// SPDX-License-Identifier: MIT
// The presenter's window offscreen: the pace changes only how fast the wall
// clock runs, a step is one tick, zoom scales every place, the wheel scrolls a
// trace, a packet chosen from the keyboard dies as a click kills it, a
// colour profile changes what is drawn and never the model; the
// explanations panel, the component names and Getting started.
#include <functional>
#include <sstream>
#include <string>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "gui/componentnames.h"
#include "gui/eventlogwindow.h"
#include "gui/explainpanel.h"
#include "gui/guide.h"
#include "gui/helpwindows.h"
#include "gui/labwindow.h"
#include "gui/lecture.h"
#include "gui/mainwindow.h"
#include "gui/profile.h"
#include "gui/units.h"
#include "packet/packet.h"
#include "session/dump.h"
#include "session/script.h"
#include "shell/linkdemo.h"

namespace {

class NoMessages : public widgets::MessageBox {
public:
    void show(const std::string&) override {}
};

std::string fullDump(const LinkDemo& demo)
{
    std::string s;
    for (const auto& j : dump::objects(demo, "")) s += j.dump() + "\n";
    return s;
}

std::string runnerDump(const std::string& script)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(script);
    EXPECT_EQ(runner.run(in), 0) << err.str();
    return fullDump(runner.demo());
}

struct MainFixture : ::testing::Test {
    NoMessages messages;
    LinkDemo demo{messages};
    gui::MainWindow window{demo};
    gui::DemoWindow& view = window.demoWindow();
    std::int64_t real = 0;

    void SetUp() override
    {
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        view.setTimeSource([this] { return real; });
        view.startClock(demo.scheduler(), 0, 1000);
    }
    void TearDown() override { gui::setProfile(palette::Profile::Standard); }

    // Real time passes in frames of 10 ms.
    void wall(std::int64_t ms)
    {
        for (std::int64_t t = 0; t < ms; t += 10) {
            real += 10;
            view.tick();
        }
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
};

TEST_F(MainFixture, AnySpeedReachesTheRunnersStates)
{
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdRouter.click();
    demo.cmdPause.click();
    view.pace().setIndex(7);  // 20x
    wall(1500);
    EXPECT_EQ(demo.scheduler().now(), 30000);
    const std::string start =
        "choose LinkDemo.cmbScenario Go-back-N ARQ\npress LinkDemo.cmdRouter\npress LinkDemo.cmdPause\n";
    EXPECT_TRUE(fullDump(demo) == runnerDump(start + "run 30000\n"));
    view.pace().setIndex(0);  // 0.1x
    wall(20000);
    EXPECT_EQ(demo.scheduler().now(), 32000);
    EXPECT_TRUE(fullDump(demo) == runnerDump(start + "run 32000\n"));
}

TEST_F(MainFixture, TheStepKeyGivesOneTickAndCont)
{
    key(Qt::Key_S);
    EXPECT_EQ(demo.totalTime, 100);
    EXPECT_EQ(demo.cmdPause.caption(), "Cont");
    key(Qt::Key_Plus);
    EXPECT_EQ(view.pace().speed(), 2.0);
    key(Qt::Key_Minus);
    key(Qt::Key_Minus);
    EXPECT_EQ(view.pace().speed(), 0.5);
}

// The tool bar's Start/Pause and Reset are the demonstration's buttons: the
// same caption, the same effect, recorded as the same press.
TEST_F(MainFixture, TheToolBarPressesThePauseButtonAndReset)
{
    QAction* pause = window.findChild<QAction*>(QStringLiteral("toolPause"));
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->text(), "Start");
    pause->trigger();
    EXPECT_EQ(demo.cmdPause.caption(), "Pause");
    EXPECT_EQ(pause->text(), "Pause");
    wall(1000);
    pause->trigger();
    EXPECT_EQ(pause->text(), "Cont");
    window.findChild<QAction*>(QStringLiteral("toolReset"))->trigger();
    EXPECT_EQ(demo.totalTime, 0);
    EXPECT_EQ(pause->text(), "Start");
}

// Back: Shift+Left goes five seconds back, Shift+S one tick, to the state a
// fresh runner reaches with the session cut there; the time slider covers
// the run so far.
TEST_F(MainFixture, BackGoesToTheStateOfTheCutSession)
{
    key(Qt::Key_Space);
    wall(12000);
    key(Qt::Key_Space);  // paused for a minute: no running time
    wall(60000);
    const auto* timeline = window.findChild<QSlider*>(QStringLiteral("timeline"));
    ASSERT_NE(timeline, nullptr);
    EXPECT_EQ(timeline->maximum(), 120);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ShiftModifier);
    EXPECT_EQ(demo.scheduler().now(), 6900);
    EXPECT_EQ(demo.totalTime, 6900);
    // Paused before, paused at the moment gone back to.
    EXPECT_TRUE(fullDump(demo) == runnerDump("press LinkDemo.cmdPause\nrun 6900\npress LinkDemo.cmdPause\n"));
    EXPECT_EQ(timeline->maximum(), 69);
}

// A narrow window: the status bar's fields give up room, cut short, and
// never run into each other.
TEST_F(MainFixture, StatusFieldsNeverOverlap)
{
    window.statusBar()->clearMessage();
    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Selective Repeat ARQ"));
    demo.cmdRouter.click();
    view.sync();
    window.lecture().playText("run 100\n", QStringLiteral("a script with a long enough name.txt"));
    window.resize(380, window.height());
    QApplication::processEvents();
    std::vector<QRect> fields;
    for (const QLabel* field : window.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (field->isVisible() && !field->text().isEmpty()) fields.push_back(field->geometry());
    }
    ASSERT_GE(fields.size(), 3u) << window.width();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_TRUE(window.statusBar()->rect().contains(fields[i])) << i;
        for (std::size_t j = i + 1; j < fields.size(); ++j) EXPECT_FALSE(fields[i].intersects(fields[j])) << i << j;
    }
}

TEST_F(MainFixture, ZoomScalesEveryPlace)
{
    std::vector<std::pair<QWidget*, QRect>> before;
    std::function<void(const widgets::Container&)> collect = [&](const widgets::Container& c) {
        for (widgets::Control* child : c.children()) {
            if (child->kind() == widgets::Kind::Line || !child->reachable()) continue;
            if (QWidget* w = view.widgetFor(*child)) before.emplace_back(w, w->geometry());
            if (auto* sub = dynamic_cast<widgets::Container*>(child)) collect(*sub);
        }
    };
    collect(demo);
    ASSERT_GT(before.size(), 20u);
    const QSize size = view.size();
    const QSize windowSize = window.size();
    window.setZoomPercent(200);
    EXPECT_EQ(view.size(), size * 2);
    EXPECT_EQ(window.size(), windowSize) << "zoom scales inside the window the user sized";
    for (const auto& [w, r] : before) {
        EXPECT_NEAR(w->x(), 2 * r.x(), 1);
        EXPECT_NEAR(w->y(), 2 * r.y(), 1);
        EXPECT_NEAR(w->width(), 2 * r.width(), 2);
        EXPECT_NEAR(w->height(), 2 * r.height(), 2);
    }
    window.setZoomPercent(100);
    EXPECT_EQ(view.size(), size);
}

// The Lab, the event log and the help windows scale their fonts with the
// demonstration's zoom.
TEST_F(MainFixture, ToolWindowsFollowTheZoom)
{
    gui::EventLogWindow log(demo);
    QWidget* colours = gui::showColours(&window);
    const double logPoints = log.font().pointSizeF();
    const double helpPoints = colours->font().pointSizeF();
    window.setZoomPercent(200);
    EXPECT_DOUBLE_EQ(log.font().pointSizeF(), 2 * logPoints);
    EXPECT_DOUBLE_EQ(colours->font().pointSizeF(), 2 * helpPoints);
    gui::LabWindow lab(demo);
    EXPECT_DOUBLE_EQ(lab.font().pointSizeF(), 2 * helpPoints) << "made at 200 %";
    window.setZoomPercent(100);
    EXPECT_DOUBLE_EQ(log.font().pointSizeF(), logPoints);
    EXPECT_DOUBLE_EQ(lab.font().pointSizeF(), helpPoints);
}

// A typed setting keeps its text; its tooltip gives the value in force, and
// a text that cannot be used as typed is said in the status bar.
TEST_F(MainFixture, ATypedSettingSaysWhatIsInForce)
{
    demo.Wire1.cmdEdit.click();
    demo.Wire1.cmbDelay.userEdit("1.0");
    view.sync();
    QWidget* field = view.widgetFor(demo.Wire1.cmbDelay);
    EXPECT_NE(field->toolTip().indexOf(QStringLiteral("in force: 1.0 s")), -1) << field->toolTip().toStdString();
    EXPECT_TRUE(window.settingProblem().isEmpty());
    demo.Wire1.cmbDelay.userEdit("abc");
    view.sync();
    const QString said = QStringLiteral("Delay: \"abc\" is not a delay; 1.0 s stays in force");
    EXPECT_EQ(window.settingProblem(), said);
    EXPECT_EQ(window.statusBar()->currentMessage(), said);
    demo.Wire1.cmbDelay.userEdit("2");
    view.sync();
    EXPECT_TRUE(window.statusBar()->currentMessage().isEmpty());
    EXPECT_NE(field->toolTip().indexOf(QStringLiteral("in force: 2.0 s")), -1);
}

TEST_F(MainFixture, ATransmitterFieldsTooltipShowsTheValueInForce)
{
    demo.Transmitter1.cmdEdit.click();
    demo.Transmitter1.cmbPacketLength.userEdit("-5");
    view.sync();
    QWidget* field = view.widgetFor(demo.Transmitter1.cmbPacketLength);
    EXPECT_TRUE(field->toolTip().endsWith(QStringLiteral("in force: 0"))) << field->toolTip().toStdString();
    EXPECT_EQ(window.statusBar()->currentMessage(), QStringLiteral("Packet Size: \"-5\" is below 0; read as 0"));
}

// Fit follows every resize, below 100 % too, and the whole demonstration
// shows: a laptop's 1366×768 and a projector's 1920×1080.
TEST_F(MainFixture, FitShowsTheWholeDemonstrationAtEverySize)
{
    const QSize designed = view.size();
    window.setZoomPercent(0);
    for (const QSize screen : {QSize(1366, 700), QSize(1920, 1040), QSize(1000, 600)}) {
        window.resize(screen);
        QApplication::processEvents();
        const auto* area = view.parentWidget();
        EXPECT_LE(view.width(), area->width()) << screen.width();
        EXPECT_LE(view.height(), area->height()) << screen.width();
        const double z = view.zoom();
        EXPECT_TRUE(std::abs(view.width() - area->width()) <= 2 || std::abs(view.height() - area->height()) <= 2 ||
                    z == 2.0)
            << "fills the window at " << screen.width() << ": " << z;
        EXPECT_EQ(window.size(), screen);
    }
    EXPECT_LT(view.zoom(), 1.0);  // 1000×600 is smaller than the designed window
    EXPECT_GT(designed.height(), 600);
}

TEST(MainWindowOnASmallScreen, StartsFittedIntoTheScreen)
{
    NoMessages messages;
    LinkDemo demo{messages};
    gui::MainWindow window{demo};
    window.show();
    const QRect room = window.screen()->availableGeometry();  // offscreen: 800×600
    ASSERT_GT(window.height(), room.height());
    window.fitToScreen();
    EXPECT_LE(window.frameGeometry().height(), room.height());
    EXPECT_LE(window.frameGeometry().width(), room.width());
    EXPECT_EQ(window.zoomPercent(), 0);
    EXPECT_LT(window.demoWindow().zoom(), 1.0);
}

TEST_F(MainFixture, TheWheelOverATraceMovesItsStartTime)
{
    demo.cmdPause.click();
    demo.scheduler().advance(20000);
    view.sync();
    QWidget* picture = view.widgetFor(demo.Wire1.Picture1);
    const QPointF at(picture->width() / 2.0, picture->height() / 2.0);
    auto turn = [&](int notches) {
        QWheelEvent e(at, picture->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture, &e);
    };
    turn(-3);  // towards the user: later
    EXPECT_EQ(demo.Wire1.VScroll1.value(), 3);
    turn(1);
    EXPECT_EQ(demo.Wire1.VScroll1.value(), 2);
}

TEST_F(MainFixture, DeleteKillsTheChosenPacketAsAClickWould)
{
    const std::string start = "press LinkDemo.cmdPause\nrun 2500\n";
    demo.cmdPause.click();
    demo.scheduler().advance(2500);
    view.sync();
    key(Qt::Key_BracketRight);
    const auto chosen = view.selection().current();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_TRUE(qobject_cast<gui::ButtonView*>(view.widgetFor(chosen->wire->cmdPacket[chosen->slot]))->selected());
    key(Qt::Key_Delete);
    EXPECT_FALSE(chosen->wire->cmdPacket[chosen->slot].visible());
    EXPECT_TRUE(fullDump(demo) == runnerDump(start + "press " + chosen->wire->name() + ".cmdPacket(" +
                                             std::to_string(chosen->slot) + ")\n"));
}

TEST_F(MainFixture, SmoothMotionDrawsPacketsBetweenTicksWhereTheyCanBeClicked)
{
    demo.cmdPause.click();
    wall(2000);
    view.setSmoothMotion(true);
    wall(50);  // half-way to the next tick
    const std::int64_t t = presenter::motionTime(demo);
    ASSERT_EQ(t, demo.totalTime + 50);
    int placed = 0;
    QWidget* panel = view.widgetFor(demo.Wire1);
    for (int i = 0; i < Wire::kSlots; ++i) {
        if (!demo.Wire1.cmdPacket[i].visible()) continue;
        const auto span = demo.Wire1.spanAt(i, t);
        ASSERT_TRUE(span.has_value());
        QWidget* w = view.widgetFor(demo.Wire1.cmdPacket[i]);
        EXPECT_EQ(w->geometry(), view.scale().pixelRect(span->left, demo.Wire1.cmdPacket[i].top(), span->width,
                                                        demo.Wire1.cmdPacket[i].height()));
        if (w->width() > 2) {
            EXPECT_TRUE(panel->mask().contains(w->geometry().center()));
        }
        ++placed;
    }
    EXPECT_GT(placed, 0);
}

TEST_F(MainFixture, AProfileChangesTheDrawnColoursAndNeverTheModel)
{
    demo.cmdPause.click();
    wall(1100);
    const widgets::Button& packet = demo.Wire1.cmdPacket[0];
    ASSERT_TRUE(packet.visible());
    ASSERT_EQ(packet.backColour(), PacketColour::kData);
    auto* button = qobject_cast<gui::ButtonView*>(view.widgetFor(packet));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->backColour(), gui::toQColor(PacketColour::kData));
    EXPECT_TRUE(button->letter().isNull());

    window.setProfile(palette::Profile::Projector);
    EXPECT_EQ(button->backColour(),
              gui::toQColor(palette::drawn(palette::Profile::Projector, PacketColour::kData, palette::Role::Fill)));
    EXPECT_NE(button->backColour(), gui::toQColor(PacketColour::kData));
    window.setProfile(palette::Profile::ColourVision);
    EXPECT_EQ(button->letter(), QLatin1Char('D'));

    // The run goes on in the model's colours: the runner, which draws
    // nothing, ends in the same state.
    wall(6000);
    EXPECT_TRUE(fullDump(demo) == runnerDump("press LinkDemo.cmdPause\nrun 7100\n"));

    window.setProfile(palette::Profile::Standard);
    for (int i = 0; i < Wire::kSlots; ++i) {
        const widgets::Button& b = demo.Wire1.cmdPacket[i];
        if (!b.visible()) continue;
        EXPECT_EQ(qobject_cast<gui::ButtonView*>(view.widgetFor(b))->backColour(), gui::toQColor(b.backColour()));
    }
}

}  // namespace

// The panel watches only while shown; its lines come newest first, a click
// on one chooses the packet it names, a Step while paused adds what the tick
// did, and Delete is said as a key.
TEST_F(MainFixture, TheExplanationsPanelSaysWhatHappensAndChoosesTheNamedPacket)
{
    gui::ExplainPanel& panel = window.explainPanel();
    EXPECT_FALSE(window.explanationsAction()->isChecked());
    EXPECT_EQ(panel.explainer(), nullptr);
    window.explanationsAction()->trigger();
    ASSERT_NE(panel.explainer(), nullptr);

    demo.cmbScenario.userChoose(demo.cmbScenario.itemIndex("Go-back-N ARQ"));
    demo.cmdPause.click();
    wall(2500);
    QListWidget* list = panel.list();
    ASSERT_GT(list->count(), 2);
    EXPECT_TRUE(
        list->item(list->count() - 1)->text().startsWith(QStringLiteral("0.1 s  Transmitter sends data packet 0")))
        << list->item(list->count() - 1)->text().toStdString();
    EXPECT_EQ(panel.accessibleDescription(), list->item(0)->text().section(QStringLiteral("  "), 1));

    // The newest line naming a packet still in flight.
    QListWidgetItem* named = nullptr;
    for (int i = 0; i < list->count() && !named; ++i) {
        if (list->item(i)->text().contains(QStringLiteral("Transmitter sends data packet 2"))) named = list->item(i);
    }
    ASSERT_NE(named, nullptr);
    list->scrollToItem(named);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(named).center());
    const auto chosen = view.selection().current();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->wire->pktWire(chosen->slot).Number, 2);
    EXPECT_FALSE(chosen->wire->pktWire(chosen->slot).ACKFlag);
    EXPECT_TRUE(qobject_cast<gui::ButtonView*>(view.widgetFor(chosen->wire->cmdPacket[chosen->slot]))->selected());

    view.setFocus();
    key(Qt::Key_Delete);
    EXPECT_EQ(list->item(0)->text().toStdString(), "2.5 s  Data packet 2 is destroyed on Wire 1 by a key");

    demo.cmdPause.click();  // paused
    view.sync();
    const int before = list->count();
    wall(1000);
    EXPECT_EQ(list->count(), before);
    // Packet 0 arrives at 3.1 s.
    for (int i = 0; i < 8; ++i) view.step();
    EXPECT_GT(list->count(), before);
    EXPECT_FALSE(list->findItems(QStringLiteral("3.1 s  Packet 0 arrives as expected"), Qt::MatchStartsWith).isEmpty());

    window.explanationsAction()->trigger();
    EXPECT_EQ(panel.explainer(), nullptr);
}

TEST_F(MainFixture, ComponentNamesAreOffByDefaultAndFollowTheRouter)
{
    const auto shown = [&] {
        QStringList names;
        for (QLabel* l : window.componentNames().labels()) {
            if (!l->isHidden()) names << l->text();
        }
        return names.join(QLatin1Char(','));
    };
    EXPECT_FALSE(window.componentNamesAction()->isChecked());
    EXPECT_EQ(shown(), QString());
    window.componentNamesAction()->trigger();
    EXPECT_EQ(shown(), QStringLiteral("Transmitter,Wire,Receiver"));
    demo.cmdRouter.click();
    view.sync();
    EXPECT_EQ(shown(), QStringLiteral("Transmitter,Wire 1,Router,Wire 2,Receiver"));
    // Beside the component, at every zoom.
    window.setZoomPercent(200);
    QLabel* tx = window.componentNames().labels().front();
    QWidget* frame = view.widgetFor(demo.Transmitter1.Shape1);
    const QPoint corner = frame->mapTo(&view, QPoint(0, 0));
    EXPECT_EQ(tx->x(), corner.x());
    EXPECT_EQ(tx->y() + tx->height() + 2, corner.y());
    window.componentNamesAction()->trigger();
    EXPECT_EQ(shown(), QString());
}

TEST_F(MainFixture, F1OpensGettingStartedWithItsPictures)
{
    EXPECT_EQ(window.statusBar()->currentMessage(), QStringLiteral("New here? Press F1"));
    for (const QLabel* field : window.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(field->isVisible()) << "under the message: " << field->text().toStdString();
    key(Qt::Key_F1);
    auto* guide = window.findChild<gui::GettingStartedWindow*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    int pictures = 0;
    for (QLabel* l : guide->findChildren<QLabel*>()) {
        if (l->objectName().startsWith(QStringLiteral("picture:")) && !l->pixmap().isNull()) ++pictures;
    }
    EXPECT_EQ(pictures, 5);
}
