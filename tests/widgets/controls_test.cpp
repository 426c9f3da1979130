// SPDX-License-Identifier: MIT
#include <string>

#include <gtest/gtest.h>

#include "widgets/controls.h"
#include "widgets/scheduler.h"

using namespace widgets;

namespace {
struct Host {
    Container window{Kind::Window, nullptr, "LinkDemo"};
};
}  // namespace

TEST(ComboBox, SelectingRunsClickAndSettingTextRunsChange)
{
    Host h;
    ComboBox c(&h.window, "cmbDelay", ComboBox::Style::Editable);
    int clicks = 0, changes = 0;
    c.onClick = [&] { ++clicks; };
    c.onChange = [&] { ++changes; };
    for (const char* s : {"0.5", "1.0", "2.0"}) c.addItem(s);
    c.setListIndex(1);
    EXPECT_EQ(c.text(), "1.0");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 0);
    c.setText("7");
    EXPECT_EQ(c.listIndex(), -1);
    EXPECT_EQ(changes, 1);
    c.setText("7");  // the same text runs the handler again
    EXPECT_EQ(changes, 2);
    c.setText("2.0");
    EXPECT_EQ(c.listIndex(), 2);
    c.setListIndex(9);  // out of range: nothing
    EXPECT_EQ(c.listIndex(), 2);
    EXPECT_EQ(clicks, 1);
}

TEST(ComboBox, ListOnlyTakesOnlyItsItems)
{
    Host h;
    ComboBox c(&h.window, "cmbSize", ComboBox::Style::ListOnly);
    int clicks = 0;
    c.onClick = [&] { ++clicks; };
    c.addItem("1");
    c.addItem("2");
    c.setText("5");
    EXPECT_EQ(c.text(), "");
    EXPECT_EQ(clicks, 0);
    c.setText("2");
    EXPECT_EQ(c.listIndex(), 1);
    EXPECT_EQ(clicks, 1);
    c.addItem("0", 0);  // inserted at the top: the selection follows its item
    EXPECT_EQ(c.listIndex(), 2);
    EXPECT_EQ(c.text(), "2");
}

// Counted as a line edit counts: a character beyond U+FFFF takes two of the
// 32,767 places, and a field is never cut inside a character.
TEST(ComboBox, AUserEditHoldsAtMost32767Characters)
{
    const std::string face = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
    std::string faces;
    for (int i = 0; i < 16384; ++i) faces += face;
    EXPECT_EQ(ComboBox::fittingLength(faces), 16383u * 4);
    EXPECT_EQ(ComboBox::fittingLength("a" + faces.substr(4)), 1u + 16383 * 4);  // exactly 32,767
    EXPECT_EQ(ComboBox::fittingLength(std::string(32768, 'x') + "\xC3\xA9"), 32767u);
    std::string accents;
    for (int i = 0; i < 32768; ++i) accents += "\xC3\xA9";
    EXPECT_EQ(ComboBox::fittingLength(accents), 32767u * 2);

    Host h;
    ComboBox c(&h.window, "cmbDelay", ComboBox::Style::Editable);
    c.userEdit(std::string(40000, '7'));
    EXPECT_EQ(c.text(), std::string(32767, '7'));
}

TEST(CheckBox, ClickTogglesBeforeTheHandler)
{
    Host h;
    CheckBox k(&h.window, "chkRxReady");
    int seen = -1;
    k.onClick = [&] { seen = k.value(); };
    k.click();
    EXPECT_EQ(seen, 1);
    k.click();
    EXPECT_EQ(seen, 0);
}

TEST(ScrollBar, ValueStaysInRangeAndMovesFireChange)
{
    Host h;
    ScrollBar s(&h.window, "VScroll1");
    int changes = 0;
    s.onChange = [&] { ++changes; };
    s.setMax(10);
    s.setValue(7);
    EXPECT_EQ(changes, 1);
    s.setValue(70);
    EXPECT_EQ(s.value(), 10);
    EXPECT_EQ(changes, 2);
    s.setMax(3);  // the value follows the shrinking range
    EXPECT_EQ(s.value(), 3);
    EXPECT_EQ(changes, 3);
    s.userScroll(3);  // a user's move always runs the handler
    EXPECT_EQ(changes, 4);
}

TEST(Container, RaiseAndFindChildren)
{
    Host h;
    Button a(&h.window, "cmdPacket", 0), b(&h.window, "cmdPacket", 1);
    EXPECT_EQ(h.window.child("cmdPacket(1)"), &b);
    EXPECT_EQ(h.window.child("cmdPacket"), nullptr);
    h.window.raise(a);
    EXPECT_EQ(h.window.stacking().back(), &a);
    EXPECT_EQ(h.window.children().front(), &a);  // creation order unchanged
}

TEST(Control, RevisionMovesOnlyOnChange)
{
    Host h;
    Label l(&h.window, "lblTxMode");
    auto r = l.revision();
    l.setCaption("");
    EXPECT_EQ(l.revision(), r);
    l.setCaption("Waiting");
    EXPECT_GT(l.revision(), r);
}

// A setter compares after its own rules (a width below 0 is 0, any tick is
// 1); choosing, clearing and re-timing bump the revision even when nothing
// compares different.
TEST(Control, SettersBumpOnlyForANewValueActionsAlways)
{
    Host h;
    Scheduler clock;
    Line line(&h.window, "lnLink");
    CheckBox check(&h.window, "chkReady");
    ComboBox list(&h.window, "cmbSize", ComboBox::Style::ListOnly);
    Picture picture(&h.window, "picTrace");
    Timer timer(&h.window, "Timer1", clock, 0);
    auto bumps = [](const Control& c, const auto& change) {
        const auto before = c.revision();
        change();
        return c.revision() != before;
    };
    line.setPoints(1, 2, 3, 4);
    check.setValue(1);
    list.addItem("1");
    list.setListIndex(0);
    timer.setInterval(100);

    EXPECT_FALSE(bumps(line, [&] { line.setWidth(-5); }));
    EXPECT_FALSE(bumps(line, [&] { line.setFont(8.25, false); }));
    EXPECT_TRUE(bumps(line, [&] { line.setFont(8.25, true); }));
    EXPECT_FALSE(bumps(line, [&] { line.setPoints(1, 2, 3, 4); }));
    EXPECT_TRUE(bumps(line, [&] { line.setX2(5); }));
    EXPECT_FALSE(bumps(check, [&] { check.setValue(7); }));
    EXPECT_TRUE(bumps(list, [&] { list.setListIndex(0); }));
    EXPECT_TRUE(bumps(picture, [&] { picture.clear(); }));
    EXPECT_TRUE(bumps(timer, [&] { timer.setInterval(100); }));
}

TEST(Control, ReachableNeedsEveryParentVisible)
{
    Host h;
    Container comp(Kind::Component, &h.window, "Wire1");
    Button b(&comp, "cmdEdit");
    EXPECT_TRUE(b.reachable());
    comp.setVisible(false);
    EXPECT_FALSE(b.reachable());
}
