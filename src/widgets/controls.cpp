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
    if (v != m_left) {
        m_left = v;
        touch();
    }
}
void Control::setTop(double v)
{
    if (v != m_top) {
        m_top = v;
        touch();
    }
}
void Control::setWidth(double v)
{
    if (v < 0) v = 0;
    if (v != m_width) {
        m_width = v;
        touch();
    }
}
void Control::setHeight(double v)
{
    if (v < 0) v = 0;
    if (v != m_height) {
        m_height = v;
        touch();
    }
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
    if (v != m_visible) {
        m_visible = v;
        touch();
    }
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
    if (v != m_tabStop) {
        m_tabStop = v;
        touch();
    }
}

void Control::setFont(double points, bool bold)
{
    if (points != m_font.points || bold != m_font.bold) {
        m_font = Font{points, bold};
        touch();
    }
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
    if (c != m_backColour) {
        m_backColour = c;
        touch();
    }
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
    if (s != m_caption) {
        m_caption = s;
        touch();
    }
}

void Button::setBackColour(std::int64_t c)
{
    if (c != m_backColour) {
        m_backColour = c;
        touch();
    }
}

void Button::click()
{
    if (onClick) onClick();
}

// ---- Label ---------------------------------------------------------------

Label::Label(Container* parent, std::string name, int index) : Control(Kind::Label, parent, std::move(name), index) {}

void Label::setCaption(const std::string& s)
{
    if (s != m_caption) {
        m_caption = s;
        touch();
    }
}

void Label::setForeColour(std::int64_t c)
{
    if (c != m_foreColour) {
        m_foreColour = c;
        touch();
    }
}

void Label::setBackColour(std::int64_t c)
{
    if (c != m_backColour) {
        m_backColour = c;
        touch();
    }
}

void Label::setAlignment(Align a)
{
    if (a != m_align) {
        m_align = a;
        touch();
    }
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
    if (s != m_text) {
        m_text = s;
        m_listIndex = itemIndex(s);
        touch();
    }
    if (onChange) onChange();
}

// ---- CheckBox ------------------------------------------------------------

CheckBox::CheckBox(Container* parent, std::string name, int index)
    : Control(Kind::Check, parent, std::move(name), index)
{
}

void CheckBox::setCaption(const std::string& s)
{
    if (s != m_caption) {
        m_caption = s;
        touch();
    }
}

void CheckBox::setValue(int v)
{
    v = v ? 1 : 0;
    if (v != m_value) {
        m_value = v;
        touch();
    }
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
    if (f != m_form) {
        m_form = f;
        touch();
    }
}

void Shape::setFillColour(std::int64_t c)
{
    if (c != m_fill) {
        m_fill = c;
        touch();
    }
}

void Shape::setFilled(bool f)
{
    if (f != m_filled) {
        m_filled = f;
        touch();
    }
}

void Shape::setBorderColour(std::int64_t c)
{
    if (c != m_border) {
        m_border = c;
        touch();
    }
}

// ---- Line ----------------------------------------------------------------

Line::Line(Container* parent, std::string name, int index) : Control(Kind::Line, parent, std::move(name), index) {}

void Line::setPoints(double x1, double y1, double x2, double y2)
{
    if (x1 != m_x1 || y1 != m_y1 || x2 != m_x2 || y2 != m_y2) {
        m_x1 = x1;
        m_y1 = y1;
        m_x2 = x2;
        m_y2 = y2;
        touch();
    }
}

void Line::setX2(double v)
{
    setPoints(m_x1, m_y1, v, m_y2);
}

void Line::setColour(std::int64_t c)
{
    if (c != m_colour) {
        m_colour = c;
        touch();
    }
}

// ---- Picture -------------------------------------------------------------

Picture::Picture(Container* parent, std::string name, int index)
    : Control(Kind::Picture, parent, std::move(name), index)
{
}

void Picture::setBackColour(std::int64_t c)
{
    if (c != m_backColour) {
        m_backColour = c;
        touch();
    }
}

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

void ScrollBar::clampValue()
{
    int lo = std::min(m_min, m_max);
    int hi = std::max(m_min, m_max);
    int v = std::clamp(m_value, lo, hi);
    if (v != m_value) {
        m_value = v;
        touch();
        if (onChange) onChange();
    }
}

void ScrollBar::setMin(int v)
{
    if (v != m_min) {
        m_min = v;
        touch();
        clampValue();
    }
}

void ScrollBar::setMax(int v)
{
    if (v != m_max) {
        m_max = v;
        touch();
        clampValue();
    }
}

void ScrollBar::setSmallChange(int v)
{
    if (v != m_small) {
        m_small = v;
        touch();
    }
}

void ScrollBar::setLargeChange(int v)
{
    if (v != m_large) {
        m_large = v;
        touch();
    }
}

void ScrollBar::setValue(int v)
{
    int lo = std::min(m_min, m_max);
    int hi = std::max(m_min, m_max);
    v = std::clamp(v, lo, hi);
    if (v == m_value) return;
    m_value = v;
    touch();
    if (onChange) onChange();
}

void ScrollBar::userScroll(int v)
{
    int lo = std::min(m_min, m_max);
    int hi = std::max(m_min, m_max);
    v = std::clamp(v, lo, hi);
    if (v != m_value) {
        m_value = v;
        touch();
    }
    if (onChange) onChange();
}

// ---- TextBox -------------------------------------------------------------

TextBox::TextBox(Container* parent, std::string name, int index)
    : Control(Kind::TextBox, parent, std::move(name), index)
{
}

void TextBox::setText(const std::string& s)
{
    if (s != m_text) {
        m_text = s;
        touch();
    }
}

void TextBox::setForeColour(std::int64_t c)
{
    if (c != m_foreColour) {
        m_foreColour = c;
        touch();
    }
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
    if (e == m_enabled) return;
    m_enabled = e;
    if (e) m_due = m_scheduler.now() + m_interval;
    touch();
}

void Timer::setInterval(std::int64_t ms)
{
    m_interval = ms;
    m_due = m_scheduler.now() + ms;
    touch();
}

}  // namespace widgets
