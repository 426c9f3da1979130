// SPDX-License-Identifier: MIT
// The input side of the Qt binding: what the user does to the window's
// widgets, turned into calls on the model through the core's input gate
// (session/inputgate). It holds the event filter on the binding's widgets
// (the focus moving into a component, a press on a control that a click does
// not focus, where a list's choice came from, a wheel over a list not in
// use), the window's keys from the key table (session/keys) and the one path
// of every user action: the gate, then a sync of the mirror, then the focus
// where the gate sends it. The mirror itself is ModelWindow's.
#pragma once

#include <functional>

#include <QHash>
#include <QObject>

#include "session/inputgate.h"
#include "session/keys.h"
#include "session/recorder.h"
#include "widgets/component.h"
#include "widgets/controls.h"

class QKeyEvent;
class QWidget;

namespace gui {

class ModelWindow;

class InputSide : public QObject {
    Q_OBJECT
public:
    InputSide(ModelWindow& window, InputGate& gate);

    // Watches a widget of the binding; with `owner`, the focus moving into
    // it (or a press on it) focuses that component.
    void watch(QWidget* widget);
    void watchFocus(QWidget* widget, widgets::Component* owner);

    // Runs `action` on the model as the user's `input` on `control`: the
    // gate decides (refused while the model is busy, or out of reach; a
    // played script may take it), the mirror syncs, and the focus goes where
    // the gate says. While refused the control's widget is restored from the
    // model at the next sync. Ignored for a control the binding does not
    // mirror, and while the binding is mirroring (its own changes).
    void act(const widgets::Control& control, const std::function<void()>& action, const UserInput& input);
    // What a session recorder is told of `kind` on `control`.
    static UserInput input(UserInput::Kind kind, const widgets::Control& control);
    // A press on an empty part of `owner`'s panel focuses the component.
    void pressComponent(widgets::Component* owner);
    // Whether the choice just made in `list` came from the pop-up the mouse
    // opened (rather than keys on the closed box); asked once per choice.
    bool takeChoiceFromPopup(const QObject* list);

    // See ModelWindow::addKey and bindKey.
    void addKey(Qt::Key key, std::function<void()> action);
    void bindKey(keys::Action which, std::function<void()> action);
    // A key the focused control did not take: true when the window's keys
    // took it.
    bool keyPress(QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the key table's action for a key event; false when the key has
    // none here.
    bool keyAction(const QKeyEvent& event, keys::Focused focused);

    ModelWindow& m_window;
    InputGate& m_gate;
    QHash<const QObject*, widgets::Component*> m_focusOwner;
    QHash<int, std::function<void()>> m_keys;
    QHash<int, std::function<void()>> m_actions;  // by keys::Action
    const QObject* m_popupOpenedBy = nullptr;     // the list whose pop-up the mouse opened
    // The control last pressed or focused: a second press on it is no news
    // to its component.
    const QWidget* m_pressFocus = nullptr;
};

}  // namespace gui
