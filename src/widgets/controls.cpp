// SPDX-License-Identifier: MIT
#include "widgets/controls.h"

#include <algorithm>

#include "widgets/scheduler.h"

namespace widgets {

// ---- Control -------------------------------------------------------------

Control::Control(Kind kind, Container* parent, std::string name, int index)
    : m_kind(kind), m_parent(parent), m_name(std::move(name)), m_index(index)
{
    if (m_parent) m_parent->adopt(this);
}

Control::~Control()
{
    if (m_parent) m_parent->release(this);
}

std::string Control::fullName() const
{
    if (m_index < 0) return m_name;
    return m_name + "(" + std::to_string(m_index) + ")";
}

void Control::setLeft(double v)
{
    assign(m_left, v);
}
void Control::setTop(double v)
{
    assign(m_top, v);
}
void Control::setWidth(double v)
{
    if (v < 0) v = 0;
    assign(m_width, v);
}
void Control::setHeight(double v)
{
    if (v < 0) v = 0;
    assign(m_height, v);
}
void Control::setGeometry(double left, double top, double width, double height)
{
    setLeft(left);
    setTop(top);
    setWidth(width);
    setHeight(height);
}

void Control::setVisible(bool v)
{
    assign(m_visible, v);
}

bool Control::reachable() const
{
    for (const Control* c = this; c; c = c->parent()) {
        if (!c->visible()) return false;
    }
    return true;
}

void Control::setTabStop(bool v)
{
    assign(m_tabStop, v);
}

void Control::setFont(double points, bool bold)
{
    assign(m_font, Font{points, bold});
}

// ---- Container -----------------------------------------------------------

Container::Container(Kind kind, Container* parent, std::string name) : Control(kind, parent, std::move(name)) {}

// Children are owned by the derived class and are destroyed before this
// base, each unregistering itself.
Container::~Container() = default;

void Container::adopt(Control* c)
{
    m_children.push_back(c);
    m_stacking.push_back(c);
}

void Container::release(Control* c)
{
    m_children.erase(std::remove(m_children.begin(), m_children.end(), c), m_children.end());
    m_stacking.erase(std::remove(m_stacking.begin(), m_stacking.end(), c), m_stacking.end());
}

void Container::raise(Control& child)
{
    auto it = std::find(m_stacking.begin(), m_stacking.end(), &child);
    if (it == m_stacking.end() || it + 1 == m_stacking.end()) return;
    m_stacking.erase(it);
    m_stacking.push_back(&child);
    ++m_stackingRevision;
}

void Container::setBackColour(std::int64_t c)
{
    assign(m_backColour, c);
}

Control* Container::child(const std::string& fullName) const
{
    for (Control* c : m_children) {
        if (c->fullName() == fullName) return c;
    }
    return nullptr;
}

// ---- Button --------------------------------------------------------------

Button::Button(Container* parent, std::string name, int index) : Control(Kind::Button, parent, std::move(name), index)
{
}

void Button::setCaption(const std::string& s)
{
    assign(m_caption, s);
}

void Button::setBackColour(std::int64_t c)
{
    assign(m_backColour, c);
}

void Button::click()
{
    if (onClick) onClick();
}

// ---- Label ---------------------------------------------------------------

Label::Label(Container* parent, std::string name, int index) : Control(Kind::Label, parent, std::move(name), index) {}

void Label::setCaption(const std::string& s)
{
    assign(m_caption, s);
}

void Label::setForeColour(std::int64_t c)
{
    assign(m_foreColour, c);
}

void Label::setBackColour(std::int64_t c)
{
    assign(m_backColour, c);
}

void Label::setAlignment(Align a)
{
    assign(m_align, a);
}

// ---- ComboBox ------------------------------------------------------------

ComboBox::ComboBox(Container* parent, std::string name, Style style, int index)
    : Control(Kind::Combo, parent, std::move(name), index), m_style(style)
{
}

void ComboBox::addItem(const std::string& s, int at)
{
    if (at < 0 || at > static_cast<int>(m_items.size())) {
        m_items.push_back(s);
    } else {
        m_items.insert(m_items.begin() + at, s);
        if (m_listIndex >= at) ++m_listIndex;
    }
    touch();
}

// Bumps the revision also when the list was already empty: the items are
// never compared (a list is cleared only to be refilled, which changes it).
void ComboBox::clear()
{
    m_items.clear();
    m_listIndex = -1;
    if (m_style == Style::ListOnly) m_text.clear();
    touch();
}

int ComboBox::itemIndex(const std::string& s) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i] == s) return static_cast<int>(i);
    }
    return -1;
}

void ComboBox::setListIndex(int i)
{
    if (i < -1 || i >= static_cast<int>(m_items.size())) return;
    m_listIndex = i;
    if (i >= 0) {
        m_text = m_items[static_cast<std::size_t>(i)];
    } else if (m_style == Style::ListOnly) {
        m_text.clear();
    }
    // Also for the item already selected: a choice is an action (the click
    // handler runs), and a binding mirrors the list again after it whatever
    // the handler made of it.
    touch();
    if (onClick) onClick();
}

void ComboBox::setText(const std::string& s)
{
    if (m_style == Style::ListOnly) {
        int i = itemIndex(s);
        if (i >= 0) setListIndex(i);
        return;
    }
    // The change handler runs on every assignment, also of the text the box
    // already holds: a retyped value or a re-applied setting takes effect.
    if (assign(m_text, s)) m_listIndex = itemIndex(s);
    if (onChange) onChange();
}

std::size_t ComboBox::fittingLength(const std::string& s)
{
    // A character takes at least as many bytes as UTF-16 units.
    if (s.size() <= kMaxLength) return s.size();
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        units += bytes == 4 ? 2 : 1;
        if (units > kMaxLength) break;
        i = std::min(i + bytes, s.size());
    }
    return i;
}

void ComboBox::userEdit(const std::string& s)
{
    const std::size_t fit = fittingLength(s);
    if (fit == s.size()) {
        setText(s);
    } else {
        setText(s.substr(0, fit));
    }
}

// ---- CheckBox ------------------------------------------------------------

CheckBox::CheckBox(Container* parent, std::string name, int index)
    : Control(Kind::Check, parent, std::move(name), index)
{
}

void CheckBox::setCaption(const std::string& s)
{
    assign(m_caption, s);
}

void CheckBox::setValue(int v)
{
    v = v ? 1 : 0;
    assign(m_value, v);
}

void CheckBox::click()
{
    setValue(m_value ? 0 : 1);
    if (onClick) onClick();
}

// ---- Shape ---------------------------------------------------------------

Shape::Shape(Container* parent, std::string name, int index) : Control(Kind::Shape, parent, std::move(name), index) {}

void Shape::setForm(Form f)
{
    assign(m_form, f);
}

void Shape::setFillColour(std::int64_t c)
{
    assign(m_fill, c);
}

void Shape::setFilled(bool f)
{
    assign(m_filled, f);
}

void Shape::setBorderColour(std::int64_t c)
{
    assign(m_border, c);
}

// ---- Line ----------------------------------------------------------------

Line::Line(Container* parent, std::string name, int index) : Control(Kind::Line, parent, std::move(name), index) {}

void Line::setPoints(double x1, double y1, double x2, double y2)
{
    assign(m_ends, Ends{x1, y1, x2, y2});
}

void Line::setX2(double v)
{
    setPoints(m_ends.x1, m_ends.y1, v, m_ends.y2);
}

void Line::setColour(std::int64_t c)
{
    assign(m_colour, c);
}

// ---- Picture -------------------------------------------------------------

Picture::Picture(Container* parent, std::string name, int index)
    : Control(Kind::Picture, parent, std::move(name), index)
{
}

void Picture::setBackColour(std::int64_t c)
{
    assign(m_backColour, c);
}

// Clearing always changes the picture, also an empty one: the clear count
// moves, and with it the binding redraws the image whole.
void Picture::clear()
{
    m_lines.clear();
    ++m_clearCount;
    touch();
}

void Picture::drawLine(double x1, double y1, double x2, double y2)
{
    m_lines.push_back(DrawnLine{x1, y1, x2, y2, m_drawColour});
    touch();
}

// ---- ScrollBar -----------------------------------------------------------

ScrollBar::ScrollBar(Container* parent, std::string name, int index)
    : Control(Kind::ScrollBar, parent, std::move(name), index)
{
}

// The range runs either way (min above max turns the bar over).
int ScrollBar::inRange(int v) const
{
    return std::clamp(v, std::min(m_min, m_max), std::max(m_min, m_max));
}

void ScrollBar::clampValue()
{
    if (assign(m_value, inRange(m_value)) && onChange) onChange();
}

void ScrollBar::setMin(int v)
{
    if (assign(m_min, v)) clampValue();
}

void ScrollBar::setMax(int v)
{
    if (assign(m_max, v)) clampValue();
}

void ScrollBar::setSmallChange(int v)
{
    assign(m_small, v);
}

void ScrollBar::setLargeChange(int v)
{
    assign(m_large, v);
}

void ScrollBar::setValue(int v)
{
    if (assign(m_value, inRange(v)) && onChange) onChange();
}

void ScrollBar::userScroll(int v)
{
    assign(m_value, inRange(v));
    if (onChange) onChange();
}

// ---- TextBox -------------------------------------------------------------

TextBox::TextBox(Container* parent, std::string name, int index)
    : Control(Kind::TextBox, parent, std::move(name), index)
{
}

void TextBox::setText(const std::string& s)
{
    assign(m_text, s);
}

void TextBox::setForeColour(std::int64_t c)
{
    assign(m_foreColour, c);
}

// ---- Timer ---------------------------------------------------------------

Timer::Timer(Container* parent, std::string name, Scheduler& scheduler, int order)
    : Control(Kind::Timer, parent, std::move(name)), m_scheduler(scheduler), m_order(order)
{
    setVisible(false);
    m_scheduler.add(this);
}

Timer::~Timer()
{
    m_scheduler.remove(this);
}

void Timer::setEnabled(bool e)
{
    if (assign(m_enabled, e) && e) m_due = m_scheduler.now() + m_interval;
}

// Also for the interval already set: setting it restarts the countdown, a
// change of the due time, and the revision moves with every change.
void Timer::setInterval(std::int64_t ms)
{
    m_interval = ms;
    m_due = m_scheduler.now() + ms;
    touch();
}

}  // namespace widgets
