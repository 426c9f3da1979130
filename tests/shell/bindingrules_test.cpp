// SPDX-License-Identifier: MIT
// The rules both bindings apply: stacking, the Tab chain, the see-through
// rule for clicks, the input gate and the key table.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/bindingrules.h"
#include "session/inputgate.h"
#include "session/keys.h"
#include "shell_support.h"

using namespace shelltest;

namespace {

// A window with two components standing at the same left edge, the lower
// one created first, and controls of every layer.
struct Layout {
    widgets::Container window{widgets::Kind::Window, nullptr, "W"};
    widgets::Component lower{&window, "Lower"};
    widgets::Component upper{&window, "Upper"};
    widgets::Button go{&lower, "cmdGo"};
    widgets::Label caption{&lower, "lblCaption"};
    widgets::ComboBox list{&lower, "cmbList", widgets::ComboBox::Style::ListOnly};
    widgets::Shape frame{&lower, "shpFrame"};
    widgets::Label note{&lower, "lblNote"};
    widgets::Button packet{&upper, "cmdPacket", 0};
    widgets::ComboBox field{&upper, "cmbField", widgets::ComboBox::Style::Editable};
    widgets::Button pause{&window, "cmdPause"};
    widgets::Shape line{&window, "shpLine"};

    Layout()
    {
        lower.setGeometry(100, 2000, 1000, 1000);
        upper.setGeometry(100, 0, 1000, 1000);
        caption.setBackColour(0xFFFFFF);  // a settings caption on its own background
        packet.setTabStop(false);
        upper.setBackColour(window.backColour());
        lower.setBackColour(0x00FF00);
    }
};

std::vector<std::string> names(const std::vector<widgets::Control*>& controls)
{
    std::vector<std::string> out;
    for (const widgets::Control* c : controls) out.push_back(rules::scriptName(*c));
    return out;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(BindingRules, ShapesAndPlainLabelsBeneathButtonsAndSettingsAbove)
{
    Layout l;
    EXPECT_EQ(names(rules::drawingOrder(l.lower)),
              (Names{"Lower.shpFrame", "Lower.lblNote", "Lower.cmdGo", "Lower.lblCaption", "Lower.cmbList"}));
    // A raise orders within its layer only: the button stays beneath the
    // settings, the caption above the list now.
    l.lower.raise(l.go);
    l.lower.raise(l.caption);
    EXPECT_EQ(names(rules::drawingOrder(l.lower)),
              (Names{"Lower.shpFrame", "Lower.lblNote", "Lower.cmdGo", "Lower.cmbList", "Lower.lblCaption"}));
    // In the window a list is no setting: it lies with the buttons.
    EXPECT_EQ(rules::layerOf(l.list), 2);
    EXPECT_EQ(rules::layerOf(l.pause), 1);
}

TEST(BindingRules, TabFollowsTheLayoutAndSkipsPacketsAndDrawings)
{
    Layout l;
    // Upper stands level with Lower and above it: first, though created later.
    EXPECT_EQ(names(rules::tabChain(l.window)),
              (Names{"Upper.cmbField", "Lower.cmdGo", "Lower.cmbList", "W.cmdPause"}));
    l.upper.setLeft(5000);
    EXPECT_EQ(names(rules::tabChain(l.window)),
              (Names{"Lower.cmdGo", "Lower.cmbList", "Upper.cmbField", "W.cmdPause"}));
    // Hidden controls keep their place: the toolkit skips them.
    l.go.setVisible(false);
    EXPECT_EQ(rules::tabChain(l.window).size(), 4u);
}

TEST(BindingRules, OnlyWhatDrawsTakesAClick)
{
    Layout l;
    EXPECT_TRUE(rules::seeThrough(l.upper));
    EXPECT_FALSE(rules::seeThrough(l.lower));
    EXPECT_FALSE(rules::seeThrough(l.window));
    EXPECT_EQ(&rules::pressTarget(l.caption), &l.lower);
    EXPECT_EQ(&rules::pressTarget(l.line), &l.window);
    EXPECT_EQ(&rules::pressTarget(l.packet), &l.packet);
    // A click focuses a field only.
    EXPECT_TRUE(rules::clickTakesFocus(l.field));
    EXPECT_FALSE(rules::clickTakesFocus(l.list));
    EXPECT_FALSE(rules::clickTakesFocus(l.go));
}

struct GateTest : ::testing::Test {
    RecordingMessageBox messages;
    LinkDemo demo{messages};
    InputGate gate;
    std::vector<std::string> told;
    int ran = 0;

    void SetUp() override
    {
        gate.setHome(&demo.cmdPause);
        gate.onInput = [this](const UserInput& in) {
            told.push_back(std::to_string(static_cast<int>(in.kind)) + " " + in.name);
        };
    }
    InputGate::Outcome press(const widgets::Control& c)
    {
        return gate.act(c, UserInput{UserInput::Kind::Press, rules::scriptName(c), {}, 0}, [this] { ++ran; });
    }
};

TEST_F(GateTest, TheOwnerIsFocusedAndTheRecorderToldBeforeTheAction)
{
    const std::string focus = std::to_string(static_cast<int>(UserInput::Kind::Focus));
    const std::string pressed = std::to_string(static_cast<int>(UserInput::Kind::Press));
    int focused = 0;
    demo.Wire1.onFocus = [&] {
        EXPECT_EQ(told.size(), 1u);
        ++focused;
    };
    const InputGate::Outcome o = press(demo.Wire1.cmdEdit);
    EXPECT_EQ(o.result, InputGate::Result::Acted);
    EXPECT_EQ(told, (std::vector<std::string>{focus + " Wire1", pressed + " Wire1.cmdEdit"}));
    EXPECT_EQ(focused, 1);
    EXPECT_EQ(ran, 1);
    // A click leaves the keyboard focus where it was; the background sends
    // it home; typing holds it in the field.
    EXPECT_EQ(o.focus, nullptr);
    EXPECT_EQ(gate.act(demo, UserInput{UserInput::Kind::Background, {}, {}, 0}, [] {}).focus, &demo.cmdPause);
    demo.Transmitter1.cmdEdit.click();  // its settings show
    EXPECT_EQ(gate.act(demo.Transmitter1.cmbPacketLength, UserInput{UserInput::Kind::Type, "x", "1", 0}, [] {}).focus,
              &demo.Transmitter1.cmbPacketLength);
}

TEST_F(GateTest, HiddenBusyAndInterceptedInputNeverReachesTheModel)
{
    // Wire2 is hidden without the router: its packets are out of reach.
    EXPECT_EQ(press(demo.Wire2.cmdPacket[0]).result, InputGate::Result::Refused);
    // A nested event loop inside a model call: refused.
    InputGate::Outcome inner{InputGate::Result::Acted, nullptr};
    gate.act(demo.cmdReset, UserInput{}, [&] { inner = press(demo.cmdPause); });
    EXPECT_EQ(inner.result, InputGate::Result::Refused);
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(gate.busy());
    // A played script takes the pause button: nothing is focused or told.
    told.clear();
    gate.intercept = [](const UserInput& in) { return in.name == "LinkDemo.cmdPause"; };
    EXPECT_EQ(press(demo.cmdPause).result, InputGate::Result::Intercepted);
    EXPECT_EQ(press(demo.Transmitter1.cmdEdit).result, InputGate::Result::Acted);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(told.size(), 2u);  // the transmitter's focus and its button
}

TEST(Keys, TheFocusedControlKeepsWhatItTakesButAPlayingScriptTakesSpace)
{
    using keys::Action;
    using keys::Focused;
    const keys::Key space{"Space"}, r{"R"}, escape{"Escape"};
    EXPECT_EQ(keys::dispatch(space, Focused::Nothing, false), Action::PauseButton);
    EXPECT_EQ(keys::dispatch(space, Focused::Button, false), Action::None);
    EXPECT_EQ(keys::dispatch(space, Focused::List, false), Action::None);
    // While a script plays, Space pauses it whatever has the focus, except
    // a field, which keeps it as a character.
    EXPECT_EQ(keys::dispatch(space, Focused::Button, true), Action::PauseButton);
    EXPECT_EQ(keys::dispatch(space, Focused::CheckBox, true), Action::PauseButton);
    EXPECT_EQ(keys::dispatch(space, Focused::Field, true), Action::None);
    // Letters: a list and a field take them, a button or check box does not.
    EXPECT_EQ(keys::dispatch(r, Focused::CheckBox, false), Action::Reset);
    EXPECT_EQ(keys::dispatch(r, Focused::List, false), Action::None);
    EXPECT_EQ(keys::dispatch(keys::Key{"r"}, Focused::Nothing, false), Action::Reset);
    // Escape leaves a field (for the pause button).
    EXPECT_EQ(keys::dispatch(escape, Focused::Field, false), Action::Escape);
    EXPECT_EQ(keys::dispatch(keys::Key{"Delete"}, Focused::Field, false), Action::None);
    // Shift makes another letter key (Shift+S goes back), not another symbol.
    EXPECT_EQ(keys::dispatch(keys::Key{"S", false, true}, Focused::Nothing, false), Action::None);
    EXPECT_EQ(keys::dispatch(keys::Key{"+", false, true}, Focused::Nothing, false), Action::Faster);
    EXPECT_EQ(keys::dispatch(keys::Key{"R", true, false}, Focused::Nothing, false), Action::None);
    // A menu shortcut acts wherever the focus is, but a field keeps text
    // and moving in it.
    EXPECT_EQ(keys::shortcut(keys::Key{"S", false, true}, Focused::List), Action::BackTick);
    EXPECT_EQ(keys::shortcut(keys::Key{"Left", false, true}, Focused::Field), Action::None);
    EXPECT_EQ(keys::shortcut(keys::Key{"F1"}, Focused::Field), Action::GettingStarted);
}
