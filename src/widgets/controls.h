// SPDX-License-Identifier: MIT
// The model of every on-screen control the components draw through.
//
// Controls hold exactly the state the demonstration reads and writes
// (captions, colours, positions in display units of 1/1440 inch, list
// contents, handlers). They know nothing of any toolkit: the Qt binding polls
// `revision()` and mirrors each control onto a real widget, and feeds user
// actions back through the `user*` / `click` entry points.
//
// Every setter that changes something visible bumps the revision; setters that
// store an unchanged value leave it alone so that the binding has no work.
// Setters store through Control::assign, which does both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace widgets {

class Container;
class Scheduler;

// Display units in a device-independent pixel (1/96 inch) at 100 %: what
// every binding places and draws by.
inline constexpr double kUnitsPerPixel = 15.0;

enum class Kind { Window, Component, Button, Label, Combo, Check, Shape, Line, Picture, ScrollBar, TextBox, Timer };

struct Font {
    double points = 8.25;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

using Handler = std::function<void()>;

class Control {
public:
    Control(Kind kind, Container* parent, std::string name, int index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return m_kind; }
    const std::string& name() const { return m_name; }
    int index() const { return m_index; }
    // "cmdPacket(3)" for an element of a control array, "cmdEdit" otherwise.
    std::string fullName() const;
    Container* parent() const { return m_parent; }

    double left() const { return m_left; }
    double top() const { return m_top; }
    double width() const { return m_width; }
    double height() const { return m_height; }
    void setLeft(double v);
    void setTop(double v);
    void setWidth(double v);
    void setHeight(double v);
    void setGeometry(double left, double top, double width, double height);

    // The control's own visibility property (not whether its parent shows).
    bool visible() const { return m_visible; }
    void setVisible(bool v);
    // Visible and every container above it visible: what a user can reach.
    bool reachable() const;

    const Font& font() const { return m_font; }
    void setFont(double points, bool bold);

    // Whether the keyboard's Tab key stops on the control (a packet on a
    // wire does not: it is chosen by other means).
    bool tabStop() const { return m_tabStop; }
    void setTabStop(bool v);

    std::uint64_t revision() const { return m_revision; }

protected:
    void touch() { ++m_revision; }
    // Stores `value` in `field` and bumps the revision when they differ;
    // returns whether the field changed. An equal value leaves both alone.
    template <class T, class U>
    bool assign(T& field, U&& value)
    {
        if (field == value) return false;
        field = std::forward<U>(value);
        touch();
        return true;
    }

private:
    Kind m_kind;
    Container* m_parent;
    std::string m_name;
    int m_index;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_visible = true;
    bool m_tabStop = true;
    Font m_font;
    std::uint64_t m_revision = 1;
};

// A control that holds other controls: a component, or the main window.
// Children are kept in creation order (the dump order); the stacking order is
// separate and changed by raise().
class Container : public Control {
public:
    Container(Kind kind, Container* parent, std::string name);
    ~Container() override;

    const std::vector<Control*>& children() const { return m_children; }
    // Bottom to top.
    const std::vector<Control*>& stacking() const { return m_stacking; }
    void raise(Control& child);
    std::uint64_t stackingRevision() const { return m_stackingRevision; }

    std::int64_t backColour() const { return m_backColour; }
    void setBackColour(std::int64_t c);

    // Finds a direct child by its full name ("cmdPacket(3)").
    Control* child(const std::string& fullName) const;

private:
    friend class Control;
    void adopt(Control* c);
    void release(Control* c);
    std::vector<Control*> m_children;
    std::vector<Control*> m_stacking;
    std::uint64_t m_stackingRevision = 1;
    std::int64_t m_backColour = 0xE0E0E0;
};

class Button : public Control {
public:
    Button(Container* parent, std::string name, int index = -1);
    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& s);
    std::int64_t backColour() const { return m_backColour; }
    void setBackColour(std::int64_t c);
    Handler onClick;
    // A user's click: runs the click handler.
    void click();

private:
    std::string m_caption;
    std::int64_t m_backColour = 0xE0E0E0;
};

class Label : public Control {
public:
    enum class Align { Left, Centre, Right };
    Label(Container* parent, std::string name, int index = -1);
    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& s);
    std::int64_t foreColour() const { return m_foreColour; }
    void setForeColour(std::int64_t c);
    // Negative: transparent background.
    std::int64_t backColour() const { return m_backColour; }
    void setBackColour(std::int64_t c);
    Align alignment() const { return m_align; }
    void setAlignment(Align a);

private:
    std::string m_caption;
    std::int64_t m_foreColour = 0;
    std::int64_t m_backColour = -1;
    Align m_align = Align::Left;
};

// A combo box: list-only (the text is always an item) or editable (free text
// with a list). Setting the text runs the change handler; selecting an item
// runs the click handler, as the toolkits the demonstration was designed
// against do.
class ComboBox : public Control {
public:
    enum class Style { ListOnly, Editable };
    ComboBox(Container* parent, std::string name, Style style, int index = -1);
    Style style() const { return m_style; }
    bool editable() const { return m_style == Style::Editable; }

    const std::vector<std::string>& items() const { return m_items; }
    // Appends, or inserts before position `at` (0 = top of the list).
    void addItem(const std::string& s, int at = -1);
    void clear();
    int itemIndex(const std::string& s) const;  // -1 when absent

    int listIndex() const { return m_listIndex; }
    // Selects item i (text becomes the item) and runs the click handler.
    // -1 deselects (text unchanged for an editable combo, empty for a list).
    // Out-of-range indices change nothing.
    void setListIndex(int i);

    const std::string& text() const { return m_text; }
    // Editable: the text becomes s (list index follows an exact item match)
    // and the change handler runs, also when the text was already s. List-only: selects the
    // item equal to s (running the click handler); other texts are ignored.
    void setText(const std::string& s);

    Handler onClick;
    Handler onChange;

    // The most characters a user can put into an editable combo, counted as
    // a toolkit's line edit counts them (UTF-16 units: a character beyond
    // U+FFFF counts two).
    static constexpr std::size_t kMaxLength = 32767;
    // The length in bytes of the longest beginning of the UTF-8 text `s`
    // that ends on a character boundary and holds at most kMaxLength
    // characters: all of `s` when it fits.
    static std::size_t fittingLength(const std::string& s);

    // A user's choice of item i: the same as setListIndex.
    void userChoose(int i) { setListIndex(i); }
    // A user's edit of the whole text (one keystroke's result): editable
    // only. A text longer than the field holds is cut at kMaxLength.
    void userEdit(const std::string& s);

private:
    Style m_style;
    std::vector<std::string> m_items;
    int m_listIndex = -1;
    std::string m_text;
};

class CheckBox : public Control {
public:
    CheckBox(Container* parent, std::string name, int index = -1);
    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& s);
    int value() const { return m_value; }
    void setValue(int v);  // no handler
    Handler onClick;
    // A user's click: the tick toggles, then the click handler runs.
    void click();

private:
    std::string m_caption;
    int m_value = 0;
};

class Shape : public Control {
public:
    enum class Form { Rectangle, Circle };
    Shape(Container* parent, std::string name, int index = -1);
    Form form() const { return m_form; }
    void setForm(Form f);
    std::int64_t fillColour() const { return m_fill; }
    void setFillColour(std::int64_t c);
    bool filled() const { return m_filled; }
    void setFilled(bool f);
    std::int64_t borderColour() const { return m_border; }
    void setBorderColour(std::int64_t c);

private:
    Form m_form = Form::Rectangle;
    std::int64_t m_fill = 0xFFFFFF;
    bool m_filled = false;
    std::int64_t m_border = 0;
};

class Line : public Control {
public:
    Line(Container* parent, std::string name, int index = -1);
    double x1() const { return m_ends.x1; }
    double y1() const { return m_ends.y1; }
    double x2() const { return m_ends.x2; }
    double y2() const { return m_ends.y2; }
    void setPoints(double x1, double y1, double x2, double y2);
    void setX2(double v);
    std::int64_t colour() const { return m_colour; }
    void setColour(std::int64_t c);

private:
    struct Ends {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        bool operator==(const Ends&) const = default;
    };
    Ends m_ends;
    std::int64_t m_colour = 0;
};

struct DrawnLine {
    double x1, y1, x2, y2;
    std::int64_t colour;
};

// A drawing area that keeps every line drawn since it was last cleared.
class Picture : public Control {
public:
    Picture(Container* parent, std::string name, int index = -1);
    std::int64_t drawColour() const { return m_drawColour; }
    void setDrawColour(std::int64_t c) { m_drawColour = c; }
    std::int64_t backColour() const { return m_backColour; }
    void setBackColour(std::int64_t c);
    void clear();
    void drawLine(double x1, double y1, double x2, double y2);
    const std::vector<DrawnLine>& lines() const { return m_lines; }
    // Incremented by every clear(): lets a binding tell "cleared and redrawn"
    // from "more lines drawn".
    std::uint64_t clearCount() const { return m_clearCount; }

private:
    std::int64_t m_drawColour = 0;
    std::int64_t m_backColour = 0xFFFFFF;
    std::vector<DrawnLine> m_lines;
    std::uint64_t m_clearCount = 0;
};

class ScrollBar : public Control {
public:
    ScrollBar(Container* parent, std::string name, int index = -1);
    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    int smallChange() const { return m_small; }
    int largeChange() const { return m_large; }
    // A value left outside the new range is brought inside it, and the change
    // handler runs for that move.
    void setMin(int v);
    void setMax(int v);
    void setSmallChange(int v);
    void setLargeChange(int v);
    // Clamped to the range; the change handler runs when the value changed.
    void setValue(int v);
    Handler onChange;
    // A user's move to v (clamped): the change handler runs.
    void userScroll(int v);

private:
    int inRange(int v) const;
    void clampValue();
    int m_min = 0, m_max = 32767, m_value = 0, m_small = 1, m_large = 1;
};

class TextBox : public Control {
public:
    TextBox(Container* parent, std::string name, int index = -1);
    const std::string& text() const { return m_text; }
    void setText(const std::string& s);
    std::int64_t foreColour() const { return m_foreColour; }
    void setForeColour(std::int64_t c);

private:
    std::string m_text;
    std::int64_t m_foreColour = 0;
};

// A periodic timer on the virtual clock (see Scheduler).
class Timer : public Control {
public:
    // `order` fixes the firing order among timers due at the same millisecond
    // (lower first).
    Timer(Container* parent, std::string name, Scheduler& scheduler, int order);
    ~Timer() override;
    bool enabled() const { return m_enabled; }
    // Enabling a disabled timer starts its countdown now; enabling an enabled
    // one changes nothing.
    void setEnabled(bool e);
    std::int64_t interval() const { return m_interval; }
    // Restarts the countdown now. An interval below 1 never fires.
    void setInterval(std::int64_t ms);
    Handler onTimer;

    int order() const { return m_order; }
    std::int64_t due() const { return m_due; }

private:
    friend class Scheduler;
    Scheduler& m_scheduler;
    int m_order;
    bool m_enabled = false;
    std::int64_t m_interval = 0;
    std::int64_t m_due = 0;
};

// An indexed array of controls, owned here, with stable addresses.
template <class T>
class ControlArray {
public:
    template <class... Args>
    ControlArray(Container* parent, const std::string& name, int count, Args&&... args)
    {
        m_items.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) m_items.push_back(make(parent, name, i, args...));
    }
    T& operator[](int i) { return *m_items.at(static_cast<std::size_t>(i)); }
    const T& operator[](int i) const { return *m_items.at(static_cast<std::size_t>(i)); }
    int size() const { return static_cast<int>(m_items.size()); }

private:
    template <class... Args>
    static std::unique_ptr<T> make(Container* parent, const std::string& name, int i, Args&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            return std::make_unique<T>(parent, name, i);
        } else {
            return std::make_unique<T>(parent, name, args..., i);
        }
    }
    std::vector<std::unique_ptr<T>> m_items;
};

}  // namespace widgets
