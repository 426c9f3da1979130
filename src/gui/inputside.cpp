// SPDX-License-Identifier: MIT
#include "gui/inputside.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

#include "gui/keymap.h"
#include "gui/modelwindow.h"
#include "session/bindingrules.h"

namespace gui {

InputSide::InputSide(ModelWindow& window, InputGate& gate) : QObject(nullptr), m_window(window), m_gate(gate)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { m_pressFocus = now; });
}

void InputSide::watch(QWidget* widget)
{
    widget->installEventFilter(this);
}

void InputSide::watchFocus(QWidget* widget, widgets::Component* owner)
{
    if (!owner) return;
    m_focusOwner.insert(widget, owner);
    widget->installEventFilter(this);
}

bool InputSide::eventFilter(QObject* watched, QEvent* event)
{
    const bool mirroring = m_window.syncing();
    // While a script plays, its pause comes before the focused control.
    if (event->type() == QEvent::KeyPress && m_gate.scriptPlaying() && !mirroring) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const keys::Focused focused = focusedKind(watched);
        const std::optional<keys::Key> k = keyOf(*key);
        if (k && keys::focusedTakes(focused, *k) && keyAction(*key, focused)) return true;
    }
    // Whether a list's next choice comes from a pop-up the mouse opened or
    // from keys on the closed box.
    if (qobject_cast<QComboBox*>(watched)) {
        if (event->type() == QEvent::MouseButtonPress) m_popupOpenedBy = watched;
        if (event->type() == QEvent::KeyPress) m_popupOpenedBy = nullptr;
    }
    // A wheel turned over a list the user is not working in scrolls
    // nothing; otherwise it would change the scenario by accident.
    if (event->type() == QEvent::Wheel) {
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (combo && !combo->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    // A press on a control that a click no longer focuses still tells its
    // component, as the focus moving there would have: the component comes
    // to the front.
    if (event->type() == QEvent::MouseButtonPress && !mirroring && !m_gate.busy()) {
        auto* w = qobject_cast<QWidget*>(watched);
        widgets::Component* owner = m_focusOwner.value(watched, nullptr);
        const Qt::FocusPolicy policy = w ? w->focusPolicy() : Qt::NoFocus;
        if (owner && (policy & Qt::TabFocus) && !(policy & Qt::ClickFocus) && w != m_pressFocus) {
            m_pressFocus = w;
            m_gate.focus(*owner);
            m_window.sync();
        }
    }
    if (event->type() == QEvent::FocusIn && !mirroring && !m_gate.busy()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only focus a user moved here: not focus restored on activation or
        // passed on because a widget was hidden.
        const bool byUser = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                            reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
        widgets::Component* owner = m_focusOwner.value(watched, nullptr);
        if (byUser && owner) {
            m_gate.focus(*owner);
            m_window.sync();
        }
    }
    return QObject::eventFilter(watched, event);
}

UserInput InputSide::input(UserInput::Kind kind, const widgets::Control& control)
{
    return UserInput{kind, rules::scriptName(control), {}, 0};
}

void InputSide::act(const widgets::Control& control, const std::function<void()>& action, const UserInput& input)
{
    if (m_window.syncing() || !m_window.mirrors(control)) return;
    const InputGate::Outcome o = m_gate.act(control, input, action);
    // Refused inside a model call (a nested event loop) or on a control out
    // of reach: the widget is restored from the model at the next sync. The
    // widget may also hold a state of its own (a tick, a slider position)
    // that the model did not take: the model is mirrored over it.
    m_window.markStale(control);
    if (o.result == InputGate::Result::Refused) return;
    m_window.sync();
    if (o.focus) m_window.focusControl(*o.focus);
}

void InputSide::pressComponent(widgets::Component* owner)
{
    if (!owner || m_window.syncing() || !m_gate.focus(*owner)) return;
    m_window.sync();
}

bool InputSide::takeChoiceFromPopup(const QObject* list)
{
    const bool fromPopup = m_popupOpenedBy == list;
    m_popupOpenedBy = nullptr;
    return fromPopup;
}

void InputSide::addKey(Qt::Key key, std::function<void()> action)
{
    m_keys.insert(static_cast<int>(key), std::move(action));
}

void InputSide::bindKey(keys::Action which, std::function<void()> action)
{
    m_actions.insert(static_cast<int>(which), std::move(action));
}

bool InputSide::keyAction(const QKeyEvent& event, keys::Focused focused)
{
    const std::optional<keys::Key> key = keyOf(event);
    if (!key) return false;
    const keys::Action a = keys::dispatch(*key, focused, m_gate.scriptPlaying());
    auto it = m_actions.constFind(static_cast<int>(a));
    if (a == keys::Action::None || it == m_actions.constEnd()) return false;
    if (event.isAutoRepeat() || m_gate.busy()) return true;
    const auto action = *it;
    action();
    return true;
}

bool InputSide::keyPress(QKeyEvent& event)
{
    if (keyAction(event, keys::Focused::Nothing)) {
        event.accept();
        return true;
    }
    // Shift is allowed: "+" and "]" need it on some keyboards.
    const bool plain = (event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == Qt::NoModifier;
    auto it = m_keys.constFind(event.key());
    if (!plain || it == m_keys.constEnd()) return false;
    event.accept();
    if (event.isAutoRepeat() || m_gate.busy()) return true;
    const auto action = *it;
    action();
    return true;
}

}  // namespace gui
