// SPDX-License-Identifier: MIT
#include "gui/keymap.h"

#include <utility>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace gui {

namespace {

const std::pair<int, const char*> kNamed[] = {
    {Qt::Key_Space, "Space"},    {Qt::Key_Return, "Return"}, {Qt::Key_Enter, "Return"},
    {Qt::Key_Escape, "Escape"},  {Qt::Key_Delete, "Delete"}, {Qt::Key_Backspace, "Backspace"},
    {Qt::Key_Tab, "Tab"},        {Qt::Key_Left, "Left"},     {Qt::Key_Right, "Right"},
    {Qt::Key_Up, "Up"},          {Qt::Key_Down, "Down"},     {Qt::Key_Home, "Home"},
    {Qt::Key_End, "End"},        {Qt::Key_F1, "F1"},         {Qt::Key_Plus, "+"},
    {Qt::Key_Equal, "="},        {Qt::Key_Minus, "-"},       {Qt::Key_BracketLeft, "["},
    {Qt::Key_BracketRight, "]"},
};

}  // namespace

std::optional<keys::Key> keyOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers m = event.modifiers();
    if (m & (Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const int k = event.key();
    std::string name;
    if (k >= Qt::Key_A && k <= Qt::Key_Z) {
        name = std::string(1, static_cast<char>('A' + (k - Qt::Key_A)));
    } else if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        name = std::string(1, static_cast<char>('0' + (k - Qt::Key_0)));
    } else {
        for (const auto& [key, n] : kNamed) {
            if (key == k) {
                name = n;
                break;
            }
        }
    }
    if (name.empty()) return std::nullopt;
    return keys::Key{name, (m & Qt::ControlModifier) != 0, (m & Qt::ShiftModifier) != 0};
}

int qtKey(const std::string& name)
{
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return Qt::Key_A + (name[0] - 'A');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return Qt::Key_0 + (name[0] - '0');
    for (const auto& [key, n] : kNamed) {
        if (name == n) return key;
    }
    return 0;
}

QList<QKeySequence> sequencesFor(keys::Action action)
{
    QList<QKeySequence> out;
    for (const keys::Key& k : keys::keysOf(action)) {
        const int key = qtKey(k.name);
        if (!key) continue;
        Qt::KeyboardModifiers m;
        if (k.ctrl) m |= Qt::ControlModifier;
        if (k.shift) m |= Qt::ShiftModifier;
        out.push_back(QKeySequence(QKeyCombination(m, static_cast<Qt::Key>(key))));
    }
    return out;
}

keys::Focused focusedKind(const QObject* widget)
{
    if (qobject_cast<const QLineEdit*>(widget)) return keys::Focused::Field;
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable() ? keys::Focused::Field : keys::Focused::List;
    }
    if (qobject_cast<const QCheckBox*>(widget)) return keys::Focused::CheckBox;
    if (qobject_cast<const QAbstractButton*>(widget)) return keys::Focused::Button;
    return keys::Focused::Nothing;
}

}  // namespace gui
