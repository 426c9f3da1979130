// SPDX-License-Identifier: MIT
// The Qt binding: a top-level window that mirrors a model window (a
// widgets::Container of kind Window) with one real widget per model control,
// and feeds the user's clicks, choices, typing and scrolling back into the
// model controls' own entry points.
//
// The binding only mirrors. It polls each control's revision and updates
// only the widgets whose control changed (sync), never writes a model change
// back into the model, and keeps no rule of the demonstration. The tree of
// controls is walked once, at construction: the model creates every control
// up front and never adds one later.
//
// Time: startClock() runs the one wall-clock timer (ClockDriver), which
// advances the model's scheduler to the elapsed real time; the window then
// syncs. Tests leave it off, advance the scheduler themselves and call
// sync().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QHash>

#include "gui/clockdriver.h"
#include "gui/inputside.h"
#include "gui/units.h"
#include "gui/views.h"
#include "session/inputgate.h"
#include "session/keys.h"
#include "session/presenter.h"
#include "session/recorder.h"
#include "widgets/component.h"
#include "widgets/controls.h"
#include "widgets/scheduler.h"

class QCheckBox;
class QComboBox;
class QScrollBar;

namespace gui {

class ModelWindow : public PanelView {
    Q_OBJECT
public:
    // The window takes the model window's size (fixed) and background colour.
    explicit ModelWindow(widgets::Container& root, QWidget* parent = nullptr);
    ~ModelWindow() override;

    widgets::Container& root() const { return m_root; }

    // Updates every widget whose control changed since the previous sync, and
    // the stacking of every container that was re-stacked. Returns the number
    // of controls updated.
    int sync();

    // The widget standing for a control; nullptr for timers and unknown ones.
    QWidget* widgetFor(const widgets::Control& control) const;
    PictureView* pictureFor(const widgets::Picture& picture) const;
    // Redraws every picture area whole and repaints it at once.
    void repaintAll();

    // Asked first of every user action: true takes it away from the model
    // (a played script turns the pause button into its own pause). A query:
    // the gate needs its answer before it goes on.
    std::function<bool(const UserInput&)> interceptInput;
    // The script runner's name of a control: "Wire1.cmdPacket(3)".
    std::string scriptName(const widgets::Control& control) const;

    // The gate every user action passes (session/inputgate): its home is
    // where the focus goes after a click on the background, and while it
    // says a script plays, Space is the script's pause whatever has the
    // focus (but a field).
    InputGate& gate() { return m_gate; }

    // Runs `action` for the keys of the key table (session/keys) that run
    // `which`, under the rule of addKey below; while a script plays, the
    // script's pause is taken before the focused control.
    void bindKey(keys::Action which, std::function<void()> action);

    // The caption shown on a button instead of the model's own, while set
    // (a played script's pause shows "Cont"); nullptr shows the model's. A
    // query: the mirror draws what it returns.
    std::function<std::string(const widgets::Button&)> captionFor;
    // Mirrors one control again at once (after captionFor changed its mind).
    void remirror(const widgets::Control& control);

    // A key (without modifiers) that presses `button`, as a user's click
    // would, when the key reaches the window: the control with the focus
    // did not take it (a button or check box takes Space, a list its
    // letters and arrows, a text field its text) and the button can be
    // reached.
    void addKey(Qt::Key key, widgets::Button& button);
    // Presses `button` as a user's click would, if it can be reached (what
    // such a key does; the tool bar's buttons do it too).
    void pressAsUser(widgets::Button& button);
    // A key that runs `action` under the same rule.
    void addKey(Qt::Key key, std::function<void()> action);

    // Runs `action` on the model as a user action on `control` (its
    // component takes the focus first), then syncs.
    // `input` is what a session recorder is told (by default: an action the
    // script language has no line for).
    void act(const widgets::Control& control, const std::function<void()>& action,
             const UserInput& input = UserInput{UserInput::Kind::Other, {}, {}, 0});

    // Places the widget of a control at a rectangle other than the model's
    // (in display units, relative to its container) until the control next
    // changes: the packets' smooth motion between two ticks.
    void placeAt(const widgets::Control& control, double left, double top, double width, double height);
    // Brings the click masks up to date after placeAt calls.
    void finishPlacing();
    // Mirrors every control again from scratch (after a change of profile).
    void resyncAll();

    // The zoom the window and its views draw at (1.0 = 100 %), its own:
    // another binding in the process may stand at another.
    const Scale& scale() const { return m_scale; }
    double zoom() const { return m_scale.zoom(); }
    // Changes the zoom (held to 0.25 .. 8), tells zoomChanged, then mirrors
    // and redraws everything at it.
    void setZoom(double z);

    // The binding that mirrors `root` (the latest made, while several do);
    // nullptr when none is alive. The tool windows of a model follow its
    // zoom.
    static ModelWindow* bindingOf(const widgets::Container& root);

    // Gives the keyboard focus to the control's widget.
    void focusControl(const widgets::Control& control);
    // The frame around the focused control.
    const FocusFrame& focusFrame() const { return *m_focusFrame; }

    // The wall clock (ClockDriver): the window's QTimer waking the core's
    // clock, which advances the scheduler; after an advance the window
    // syncs.
    ClockDriver& clock() { return m_clock; }
    void startClock(widgets::Scheduler& scheduler, int intervalMs = 10, std::int64_t maxCatchUpMs = 1000)
    {
        m_clock.start(scheduler, intervalMs, maxCatchUpMs);
    }
    void stopClock() { m_clock.stop(); }
    void tick() { m_clock.tick(); }
    presenter::Pace& pace() { return m_clock.pace(); }
    void setTimeSource(std::function<std::int64_t()> source) { m_clock.setTimeSource(std::move(source)); }
    // Called when a modal message box closes, so that the time it stood open
    // is not caught up.
    void rebaseClock() { m_clock.rebase(); }
    // Asked at each wake-up: the scheduler time the clock must not pass now
    // (the end of a played script's `run`); empty lets it run. Real time
    // spent at the limit is not caught up afterwards. A query: the clock
    // stops at the time it returns.
    std::function<std::optional<std::int64_t>()> clockLimit;

    // True while the model is running a user action or a clock advance; a
    // modal message box opened from inside it runs a nested event loop, in
    // which the wall clock and user input must not re-enter the model.
    bool busy() const { return m_gate.busy(); }

    // True while the window mirrors the model (a sync, or on the way out):
    // what its widgets signal then is no user's doing.
    bool syncing() const { return m_syncing; }
    // Whether the window has a widget (or is the widget) of `control`.
    bool mirrors(const widgets::Control& control) const;
    // Mirrors `control` again at the next sync, whatever its revision.
    void markStale(const widgets::Control& control);

signals:
    // The zoom changed, before the controls are mirrored at it.
    void zoomChanged(double zoom);
    // A click on the window's own background, told as a user action (inside
    // the input gate, the focus then going home). Without a receiver the
    // click is no action at all.
    void backgroundClicked();
    // Every user action just before it reaches the model, under the script
    // runner's names (a session recorder's feed). A component's focus comes
    // as its own action before the action inside it.
    void userInput(const UserInput& input);
    // After every wake-up of the clock, advanced or not (and synced).
    void ticked();

protected:
    // After every advance of the clock, while the model is still held busy,
    // before the sync.
    virtual void clockAdvanced() {}
    // After every sync (not the first, made while the window is built).
    virtual void synced() {}
    // After a user's choice from a list (combo box), with whether it was
    // made in the list's pop-up (by the mouse) rather than by keys on the
    // closed box.
    virtual void listChosen(widgets::ComboBox& /*list*/, bool /*fromPopup*/) {}

private:
    struct Entry {
        widgets::Control* control;
        QWidget* widget;
        widgets::Component* owner;  // nearest component above, or nullptr
        std::uint64_t revision;     // last revision mirrored; 0 forces an update
        std::size_t stack;          // the Stack of the container the widget lies in
    };
    struct Stack {
        widgets::Container* container;
        QWidget* widget;
        std::uint64_t revision;
        bool shapeChanged;  // a child moved, showed or hid: its mask is stale
    };

    void keyPressEvent(QKeyEvent* event) override;
    void build(widgets::Container& container, QWidget* host, widgets::Component* owner, std::size_t stack);

    // The widget of each kind of control: createWidget and update dispatch
    // on the kind to one create and one update of that kind. A create makes
    // the widget in `host` and connects the user's actions on it to the
    // control through the input side; an update mirrors the control onto
    // its widget. Kinds whose widget takes no
    // action are created in the dispatch itself; timers have no widget.
    QWidget* createWidget(widgets::Control& control, QWidget* host, widgets::Component* owner);
    void update(const Entry& e);
    void updateRoot();
    PanelView* createPanel(QWidget* host, widgets::Component* owner);
    static void updatePanel(const widgets::Container& model, PanelView& view, const Scale& scale);
    ButtonView* createButton(widgets::Button& model, QWidget* host, widgets::Component* owner);
    static void updateButton(const widgets::Button& model, ButtonView& view, const Scale& scale);
    static void updateLabel(const widgets::Label& model, LabelView& view, const Scale& scale);
    static void updateTextBox(const widgets::TextBox& model, LabelView& view, const Scale& scale);
    QComboBox* createCombo(widgets::ComboBox& model, QWidget* host, widgets::Component* owner);
    static void updateCombo(const widgets::ComboBox& model, QComboBox& view, const Scale& scale);
    QCheckBox* createCheck(widgets::CheckBox& model, QWidget* host, widgets::Component* owner);
    static void updateCheck(const widgets::CheckBox& model, QCheckBox& view, const Scale& scale);
    static void updateShape(const widgets::Shape& model, ShapeView& view, const Scale& scale);
    static void updateLine(const widgets::Line& model, LineView& view, const Scale& scale);
    static void updatePicture(const widgets::Picture& model, PictureView& view, const Scale& scale);
    QScrollBar* createScrollBar(widgets::ScrollBar& model, QWidget* host, widgets::Component* owner);
    static void updateScrollBar(const widgets::ScrollBar& model, QScrollBar& view, const Scale& scale);

    void restack(const Stack& s);
    void reshape(Stack& s);
    void orderTabs();

    widgets::Container& m_root;
    // Before the views, which hold on to it.
    Scale m_scale;
    std::vector<Entry> m_entries;
    std::vector<Stack> m_stacks;
    QHash<const widgets::Control*, std::size_t> m_index;
    InputGate m_gate;
    InputSide m_input{*this, m_gate};
    FocusFrame* m_focusFrame = nullptr;
    std::vector<const widgets::Control*> m_tabOrder;
    bool m_syncing = false;

    ClockDriver m_clock;
};

}  // namespace gui
