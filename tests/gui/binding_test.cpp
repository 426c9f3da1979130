// SPDX-License-Identifier: MIT
// The Qt binding on a small hand-built model window: what the model holds is
// what the widgets show after a sync, and each user action reaches the model
// exactly once, with no echo of the model's own changes.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "gui/modelwindow.h"
#include "gui/toolzoom.h"
#include "gui/units.h"
#include "widgets/component.h"
#include "widgets/scheduler.h"

namespace {

using widgets::ComboBox;

class Panel : public widgets::Component {
public:
    using widgets::Component::Component;

    widgets::Button cmdGo{this, "cmdGo"};
    widgets::Label lblInfo{this, "lblInfo"};
    // Created after the button, as a panel frame often is: still beneath it.
    widgets::Shape shpFrame{this, "shpFrame"};
    widgets::ControlArray<widgets::Button> cmdSlot{this, "cmdSlot", 3};
};

// A window with one control of each kind and a component.
struct Scene {
    widgets::Scheduler scheduler;
    widgets::Container window{widgets::Kind::Window, nullptr, "Main"};
    widgets::Button cmdPause{&window, "cmdPause"};
    ComboBox cmbList{&window, "cmbList", ComboBox::Style::ListOnly};
    ComboBox cmbEdit{&window, "cmbEdit", ComboBox::Style::Editable};
    widgets::CheckBox chkReady{&window, "chkReady"};
    widgets::ScrollBar vsStart{&window, "vsStart"};
    widgets::Picture picTrace{&window, "picTrace"};
    widgets::TextBox txtLabel{&window, "txtLabel"};
    widgets::Line lnLink{&window, "lnLink"};
    widgets::Timer Timer1{&window, "Timer1", scheduler, 0};
    Panel panel{&window, "Panel1"};

    std::vector<std::string> events;

    Scene()
    {
        window.setGeometry(0, 0, 14895, 11115);
        cmdPause.setGeometry(120, 6900, 1275, 495);
        cmdPause.setCaption("Start");
        cmdPause.onClick = [this] { events.push_back("pause"); };
        cmbList.setGeometry(120, 6300, 3315, 315);
        for (const char* s : {"No Controls", "Stop and Wait", "Stop & Wait ARQ"}) cmbList.addItem(s);
        cmbList.onClick = [this] { events.push_back("list click " + cmbList.text()); };
        cmbList.onChange = [this] { events.push_back("list change"); };
        cmbEdit.setGeometry(120, 8900, 1500, 315);
        for (const char* s : {"1", "2", "5"}) cmbEdit.addItem(s);
        cmbEdit.onClick = [this] { events.push_back("edit click " + cmbEdit.text()); };
        cmbEdit.onChange = [this] { events.push_back("edit change " + cmbEdit.text()); };
        chkReady.setGeometry(120, 9400, 1500, 315);
        chkReady.setCaption("Ready");
        chkReady.onClick = [this] { events.push_back("check " + std::to_string(chkReady.value())); };
        vsStart.setGeometry(13000, 600, 255, 3000);
        vsStart.setMax(10);
        vsStart.onChange = [this] { events.push_back("scroll " + std::to_string(vsStart.value())); };
        picTrace.setGeometry(4500, 6000, 6000, 4500);
        txtLabel.setGeometry(4800, 6300, 450, 255);
        txtLabel.setText("99");
        lnLink.setPoints(3000, 300, 9000, 300);
        lnLink.setColour(0x008000);
        panel.setGeometry(3240, 480, 7000, 3000);
        panel.setBackColour(0xC0C0C0);
        panel.cmdGo.setGeometry(120, 360, 1500, 495);
        panel.cmdGo.setCaption("Go");
        panel.cmdGo.onClick = [this] { events.push_back("go"); };
        panel.shpFrame.setGeometry(0, 0, 3000, 1500);
        panel.shpFrame.setFilled(true);
        panel.shpFrame.setFillColour(0xFFFFFF);
        panel.lblInfo.setGeometry(2000, 120, 1500, 255);
        panel.onFocus = [this] {
            events.push_back("focus");
            window.raise(panel);
        };
        Timer1.setInterval(100);
        Timer1.setEnabled(true);
        Timer1.onTimer = [this] { events.push_back("tick " + std::to_string(scheduler.now())); };
    }
};

template <class W>
W* view(const gui::ModelWindow& w, const widgets::Control& c)
{
    auto* widget = qobject_cast<W*>(w.widgetFor(c));
    EXPECT_NE(widget, nullptr) << c.fullName();
    return widget;
}

// Shown and active, so that focus, shortcuts and painting behave as on a
// screen.
void showActive(gui::ModelWindow& w)
{
    w.show();
    w.activateWindow();
    QApplication::setActiveWindow(&w);
}

TEST(Binding, WidgetsFollowTheModelAtEachSyncAndOnlyChangedOnes)
{
    Scene s;
    gui::ModelWindow w(s.window);
    auto* pause = view<gui::ButtonView>(w, s.cmdPause);
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->caption(), QString("Start"));

    s.cmdPause.setCaption("Pause");
    s.cmdPause.setBackColour(0xFFC0C0);  // light blue in 0xBBGGRR
    EXPECT_EQ(pause->caption(), QString("Start")) << "the binding mirrors at sync, not before";
    EXPECT_EQ(w.sync(), 1);
    EXPECT_EQ(pause->caption(), QString("Pause"));
    EXPECT_EQ(pause->backColour(), QColor(0xC0, 0xC0, 0xFF));
    EXPECT_EQ(w.sync(), 0);

    s.panel.lblInfo.setCaption("Waiting & ready");
    s.panel.lblInfo.setForeColour(0x0000FF);
    s.txtLabel.setText(" 7");
    s.panel.cmdSlot[2].setCaption("( 2)");
    s.panel.cmdSlot[2].setVisible(false);
    EXPECT_EQ(w.sync(), 3);
    auto* info = view<QLabel>(w, s.panel.lblInfo);
    EXPECT_EQ(info->text(), QString("Waiting & ready"));
    EXPECT_EQ(info->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
    EXPECT_EQ(view<QLabel>(w, s.txtLabel)->text(), QString(" 7"));
    EXPECT_TRUE(view<gui::ButtonView>(w, s.panel.cmdSlot[2])->isHidden());
    EXPECT_EQ(view<gui::ButtonView>(w, s.panel.cmdSlot[2])->caption(), QString("( 2)"));

    s.cmdPause.setCaption("Stop & Go");
    w.sync();
    EXPECT_EQ(pause->caption(), QString("Stop & Go"));
    EXPECT_EQ(pause->text(), QString("Stop && Go")) << "an ampersand makes no mnemonic";
    EXPECT_EQ(w.widgetFor(s.Timer1), nullptr);
}

TEST(Binding, GeometryIsFifteenUnitsPerPixel)
{
    Scene s;
    gui::ModelWindow w(s.window);
    EXPECT_EQ(w.size(), QSize(993, 741));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed size";
    EXPECT_EQ(w.widgetFor(s.cmdPause)->geometry(), QRect(8, 460, 85, 33));
    // Inside a component: relative to the component, which sits at 216, 32.
    EXPECT_EQ(w.widgetFor(s.panel)->geometry(), QRect(216, 32, 467, 200));
    EXPECT_EQ(w.widgetFor(s.panel.cmdGo)->geometry(), QRect(8, 24, 100, 33));
    EXPECT_EQ(w.widgetFor(s.panel.cmdGo)->mapTo(&w, QPoint(0, 0)), QPoint(224, 56));

    // Fractional positions: edges round on their own, so neighbours touch.
    s.panel.cmdSlot[0].setGeometry(100, 0, 107, 495);
    s.panel.cmdSlot[1].setGeometry(207, 0, 100, 495);
    w.sync();
    const QRect a = w.widgetFor(s.panel.cmdSlot[0])->geometry();
    const QRect b = w.widgetFor(s.panel.cmdSlot[1])->geometry();
    EXPECT_EQ(a.left(), 7);
    EXPECT_EQ(a.right() + 1, b.left());

    auto* line = dynamic_cast<gui::LineView*>(w.widgetFor(s.lnLink));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->line().translated(line->pos()), QLineF(200, 20, 600, 20));

    // A negative size or an impossible coordinate never reaches Qt as such.
    EXPECT_EQ(gui::Scale().pixelRect(std::numeric_limits<double>::quiet_NaN(), 0, -30, 15), QRect(0, 0, 0, 1));
    EXPECT_EQ(gui::Scale().pixelRect(1e300, -1e300, 1e300, 15).topLeft(), QPoint(1000000, -1000000));
    s.lnLink.setPoints(0, 0, 1e200, 1e200);
    w.sync();
    EXPECT_LE(line->width(), 1000003);
}

// The zoom belongs to a binding: a second window at another zoom in the same
// process keeps its own sizes, fonts and caption fitting, and a tool window
// follows only the binding of its own model.
TEST(Binding, TwoBindingsKeepTheirOwnZoom)
{
    Scene one;
    Scene two;
    gui::ModelWindow a(one.window);
    gui::ModelWindow b(two.window);
    QWidget tool;
    tool.setFont(QFont(QStringLiteral("Sans"), 10));
    gui::followZoom(&tool, one.window);
    const QFont font = b.widgetFor(two.panel.cmdGo)->font();
    a.setZoom(2.0);
    EXPECT_EQ(a.size(), QSize(1986, 1482));
    EXPECT_EQ(a.widgetFor(one.panel.cmdGo)->mapTo(&a, QPoint(0, 0)), QPoint(448, 112));
    EXPECT_EQ(b.size(), QSize(993, 741));
    EXPECT_EQ(b.widgetFor(two.panel.cmdGo)->geometry(), QRect(8, 24, 100, 33));
    EXPECT_EQ(b.widgetFor(two.panel.cmdGo)->font(), font);
    EXPECT_DOUBLE_EQ(tool.font().pointSizeF(), 20.0);
    EXPECT_DOUBLE_EQ(gui::toolZoom(tool), 2.0);
    b.setZoom(0.5);
    EXPECT_DOUBLE_EQ(tool.font().pointSizeF(), 20.0) << "the other model's binding";
    EXPECT_EQ(a.size(), QSize(1986, 1482));
}

TEST(Binding, ButtonClickReachesTheModelOnceAfterItsComponentTakesFocus)
{
    Scene s;
    gui::ModelWindow w(s.window);
    showActive(w);
    QTest::mouseClick(w.widgetFor(s.panel.cmdGo), Qt::LeftButton);
    ASSERT_FALSE(s.events.empty());
    EXPECT_EQ(s.events.front(), "focus");
    EXPECT_EQ(std::count(s.events.begin(), s.events.end(), "go"), 1);
    EXPECT_EQ(s.events.back(), "go");

    s.events.clear();
    QTest::mouseClick(w.widgetFor(s.cmdPause), Qt::LeftButton);
    EXPECT_EQ(s.events, std::vector<std::string>{"pause"}) << "a window's own button has no component to focus";
}

TEST(Binding, ComboChoiceAndTypingReachTheModelOnceEachWithoutEcho)
{
    Scene s;
    gui::ModelWindow w(s.window);
    showActive(w);
    auto* list = view<QComboBox>(w, s.cmbList);
    auto* edit = view<QComboBox>(w, s.cmbEdit);
    ASSERT_TRUE(list && edit);
    EXPECT_FALSE(list->isEditable());
    EXPECT_TRUE(edit->isEditable());
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(2), QString("Stop & Wait ARQ"));

    // The model selects: the widget follows, no handler runs again.
    s.cmbList.setListIndex(0);
    s.events.clear();
    w.sync();
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(s.events.empty());

    // The wheel over a list the user is not working in changes nothing.
    QWheelEvent wheel(QPointF(10, 10), list->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(s.events.empty());

    // A user's choice by arrow key: one click, no change.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(s.events, std::vector<std::string>{"list click Stop and Wait"});
    EXPECT_EQ(s.cmbList.listIndex(), 1);
    w.sync();
    EXPECT_EQ(s.events.size(), 1u);

    // Typing: one change per keystroke, the text as typed, no click.
    s.events.clear();
    edit->setFocus();
    edit->lineEdit()->clear();
    QTest::keyClicks(edit, "12");
    EXPECT_EQ(s.events, (std::vector<std::string>{"edit change 1", "edit change 12"}));
    EXPECT_EQ(s.cmbEdit.text(), "12");
    EXPECT_EQ(s.cmbEdit.listIndex(), -1);
    // Return neither adds an item nor reports a choice.
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->count(), 3);
    EXPECT_EQ(s.events.size(), 2u);
    EXPECT_EQ(edit->currentText(), QString("12"));

    // A paste longer than the model's combo holds: the field takes what
    // the model holds, in one change.
    s.events.clear();
    edit->lineEdit()->selectAll();
    QApplication::clipboard()->setText(QString(40000, QChar('7')));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.cmbEdit.text(), std::string(widgets::ComboBox::kMaxLength, '7'));

    // The model sets the text: the widget shows it; nothing comes back.
    s.cmbEdit.setText("2");
    s.events.clear();
    w.sync();
    EXPECT_EQ(edit->currentText(), QString("2"));
    EXPECT_EQ(edit->currentIndex(), 1);
    EXPECT_TRUE(s.events.empty());

    // The model fills a list anew: the widget's items follow.
    s.cmbEdit.clear();
    s.cmbEdit.addItem("0.5");
    w.sync();
    EXPECT_EQ(edit->count(), 1);
    EXPECT_EQ(edit->currentText(), QString("2")) << "an editable combo keeps its text";
    EXPECT_TRUE(s.events.empty());
}

TEST(Binding, CheckBoxAndScrollBarForwardUserMovesAndMirrorModelMoves)
{
    Scene s;
    gui::ModelWindow w(s.window);
    showActive(w);
    auto* check = view<QCheckBox>(w, s.chkReady);
    auto* bar = view<QScrollBar>(w, s.vsStart);
    ASSERT_TRUE(check && bar);
    EXPECT_EQ(check->text(), QString("Ready"));

    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(s.events, std::vector<std::string>{"check 1"});
    EXPECT_TRUE(check->isChecked());
    s.chkReady.setValue(0);
    w.sync();
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(s.events.size(), 1u);

    s.events.clear();
    EXPECT_EQ(bar->maximum(), 10);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.events, std::vector<std::string>{"scroll 1"});
    EXPECT_EQ(s.vsStart.value(), 1);
    s.vsStart.setValue(7);  // runs the model's handler once, by itself
    s.events.clear();
    w.sync();
    EXPECT_EQ(bar->value(), 7);
    EXPECT_TRUE(s.events.empty()) << "the binding's own move is not a user's";
    // The model pulls the value into a smaller range.
    s.vsStart.setMax(3);
    s.events.clear();
    w.sync();
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 3);
    EXPECT_TRUE(s.events.empty());
}

TEST(Binding, BackgroundClickAndComponentFocus)
{
    Scene s;
    gui::ModelWindow w(s.window);
    int background = 0;
    QObject::connect(&w, &gui::ModelWindow::backgroundClicked, [&] { ++background; });
    showActive(w);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(900, 700));
    EXPECT_EQ(background, 1);
    // The component's background is not the window's; it takes the focus.
    QTest::mouseClick(w.widgetFor(s.panel), Qt::LeftButton, {}, QPoint(300, 150));
    EXPECT_EQ(background, 1);
    EXPECT_EQ(s.events, std::vector<std::string>{"focus"});
    // A line lets the click through to the window beneath it.
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(400, 20));
    EXPECT_EQ(background, 2);
    // Where a hidden component would be, the window's background is hit.
    s.panel.setVisible(false);
    w.sync();
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(300, 150));
    EXPECT_EQ(background, 3);
    EXPECT_EQ(s.events.size(), 1u);
}

TEST(Binding, StackingFollowsTheModelWithShapesAndLabelsBeneath)
{
    Scene s;
    // A second component overlapping the first.
    Panel other(&s.window, "Panel2");
    other.setGeometry(3240, 480, 7000, 3000);
    gui::ModelWindow w(s.window);
    auto order = [&](QWidget* parent, QWidget* child) { return parent->children().indexOf(child); };
    QWidget* panel = w.widgetFor(s.panel);
    EXPECT_LT(order(panel, w.widgetFor(s.panel.shpFrame)), order(panel, w.widgetFor(s.panel.cmdGo)));
    EXPECT_LT(order(panel, w.widgetFor(s.panel.lblInfo)), order(panel, w.widgetFor(s.panel.cmdGo)));
    EXPECT_LT(order(&w, panel), order(&w, w.widgetFor(other)));

    s.window.raise(s.panel);
    w.sync();
    EXPECT_GT(order(&w, panel), order(&w, w.widgetFor(other)));
    // Text boxes stay in front of a picture created before them.
    EXPECT_GT(order(&w, w.widgetFor(s.txtLabel)), order(&w, w.widgetFor(s.picTrace)));
}

TEST(Binding, WindowKeysActOnlyWhereTheFocusedControlDoesNotTakeThem)
{
    Scene s;
    gui::ModelWindow w(s.window);
    w.addKey(Qt::Key_Space, s.cmdPause);
    showActive(w);
    auto press = [&](const widgets::Control& c, Qt::Key key) {
        QWidget* target = w.widgetFor(c);
        if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->lineEdit()) target = combo->lineEdit();
        target->setFocus(Qt::OtherFocusReason);
        s.events.clear();
        QTest::keyClick(target, key);
        return s.events;
    };
    using Events = std::vector<std::string>;
    // A focused button takes Space and Return; a check box takes Space.
    EXPECT_EQ(press(s.panel.cmdGo, Qt::Key_Space), (Events{"focus", "go"}));
    EXPECT_EQ(press(s.panel.cmdGo, Qt::Key_Return), (Events{"focus", "go"}));
    EXPECT_EQ(press(s.chkReady, Qt::Key_Space), (Events{"check 1"}));
    // Typed into an editable combo, the key is text.
    EXPECT_EQ(press(s.cmbEdit, Qt::Key_Space), (Events{"edit change  "}));
    // A scroll bar does not take it: the window's key presses its button.
    EXPECT_EQ(press(s.vsStart, Qt::Key_Space), (Events{"pause"}));
    // Not while the button cannot be reached.
    s.cmdPause.setVisible(false);
    w.sync();
    EXPECT_EQ(press(s.vsStart, Qt::Key_Space), Events{});
}

TEST(Picture, DrawsOnlyNewLinesAndRedrawsWholeAfterAClear)
{
    Scene s;
    gui::ModelWindow w(s.window);
    showActive(w);
    auto* pic = w.pictureFor(s.picTrace);
    ASSERT_NE(pic, nullptr);

    s.picTrace.setDrawColour(0x0000C0);  // dark red
    s.picTrace.drawLine(150, 150, 150, 1500);
    s.picTrace.drawLine(300, 150, 3000, 1500);
    w.sync();
    EXPECT_EQ(pic->drawnLines(), 2u);
    const std::uint64_t initial = pic->fullRedraws();
    s.picTrace.drawLine(1500, 3000, 3000, 3000);
    w.sync();
    EXPECT_EQ(pic->drawnLines(), 3u);
    EXPECT_EQ(pic->fullRedraws(), initial) << "appending lines draws only them";

    const QImage& img = pic->image();
    const qreal dpr = img.devicePixelRatio();
    auto at = [&](double ux, double uy) {
        return img.pixelColor(static_cast<int>(ux / 15 * dpr), static_cast<int>(uy / 15 * dpr));
    };
    EXPECT_EQ(at(150, 750), QColor(0xC0, 0, 0));
    EXPECT_EQ(at(2250, 3000), QColor(0xC0, 0, 0));
    EXPECT_EQ(at(2250, 2250), QColor(Qt::white));

    // Covered and uncovered: a paint copies the image, nothing is redrawn.
    (void)w.grab();
    (void)w.grab();
    EXPECT_EQ(pic->fullRedraws(), initial);

    s.picTrace.clear();
    s.picTrace.drawLine(600, 600, 600, 900);
    w.sync();
    EXPECT_EQ(pic->fullRedraws(), initial + 1);
    EXPECT_EQ(at(150, 750), QColor(Qt::white));
    EXPECT_EQ(at(600, 750), QColor(0xC0, 0, 0));

    pic->repaintAll();
    EXPECT_EQ(pic->fullRedraws(), initial + 2);
    EXPECT_EQ(at(600, 750), QColor(0xC0, 0, 0));
}

TEST(Picture, FarOffAndNonFiniteCoordinatesAreClippedAway)
{
    Scene s;
    gui::ModelWindow w(s.window);
    showActive(w);
    auto* pic = w.pictureFor(s.picTrace);
    const double inf = std::numeric_limits<double>::infinity();
    s.picTrace.drawLine(3000, -1e12, 3000, 1e12);  // crosses the whole height
    s.picTrace.drawLine(0, 1e15, 6000, 1e15 + 15);
    s.picTrace.drawLine(std::nan(""), 0, 10, 10);
    s.picTrace.drawLine(0, 0, inf, 10);
    w.sync();
    EXPECT_EQ(pic->drawnLines(), 4u);
    const QImage& img = pic->image();
    const qreal dpr = img.devicePixelRatio();
    EXPECT_EQ(img.pixelColor(static_cast<int>(200 * dpr), static_cast<int>(150 * dpr)), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(static_cast<int>(100 * dpr), static_cast<int>(150 * dpr)), QColor(Qt::white));
}

TEST(Picture, HiddenPictureDrawsWhenShown)
{
    Scene s;
    s.picTrace.setVisible(false);
    gui::ModelWindow w(s.window);
    showActive(w);
    auto* pic = w.pictureFor(s.picTrace);
    const std::uint64_t before = pic->fullRedraws();
    for (int i = 0; i < 100; ++i) {
        s.picTrace.drawLine(150, 150 + i * 15, 600, 150 + i * 15);
        w.sync();
    }
    EXPECT_EQ(pic->fullRedraws(), before) << "nothing drawn while hidden";
    s.picTrace.setVisible(true);
    w.sync();
    (void)w.grab();
    EXPECT_EQ(pic->drawnLines(), 100u);
    EXPECT_EQ(pic->fullRedraws(), before + 1);
}

TEST(Clock, AdvancesToRealTimeAndCapsACatchUp)
{
    Scene s;
    gui::ModelWindow w(s.window);
    std::int64_t real = 0;
    w.setTimeSource([&] { return real; });
    w.startClock(s.scheduler, 0, 1000);
    real = 250;
    w.tick();
    EXPECT_EQ(s.scheduler.now(), 250);
    EXPECT_EQ(s.events, (std::vector<std::string>{"tick 100", "tick 200"}));

    // A stall of 10 s: one catch-up of 1 s, then real time again.
    real = 10250;
    w.tick();
    EXPECT_EQ(s.scheduler.now(), 1250);
    real = 10300;
    w.tick();
    EXPECT_EQ(s.scheduler.now(), 1300);

    // Time that passed with the clock rebased (a modal box) is not caught up.
    real = 60000;
    w.rebaseClock();
    w.tick();
    EXPECT_EQ(s.scheduler.now(), 1300);
    real = 60050;
    w.tick();
    EXPECT_EQ(s.scheduler.now(), 1350);
}

TEST(Clock, DoesNothingFromInsideAModelCall)
{
    Scene s;
    gui::ModelWindow w(s.window);
    std::int64_t real = 0;
    w.setTimeSource([&] { return real; });
    w.startClock(s.scheduler, 0, 1000);
    // A timer handler that spins the clock again, as a modal box's nested
    // event loop would.
    int nested = 0;
    s.Timer1.onTimer = [&] {
        EXPECT_TRUE(w.busy());
        real += 500;
        w.tick();
        ++nested;
    };
    real = 100;
    w.tick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(s.scheduler.now(), 100);
    EXPECT_FALSE(w.busy());
    // A user's click inside a model call is dropped, and its widget is put
    // back from the model.
    s.Timer1.onTimer = [&] { QTest::mouseClick(w.widgetFor(s.chkReady), Qt::LeftButton); };
    s.events.clear();
    real += 100;
    w.tick();
    EXPECT_TRUE(s.events.empty());
    EXPECT_EQ(s.chkReady.value(), 0);
    EXPECT_FALSE(view<QCheckBox>(w, s.chkReady)->isChecked());
}

}  // namespace
