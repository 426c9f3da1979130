// SPDX-License-Identifier: MIT
// The key table (session/keys.h) in Qt's terms: a key event as a key of the
// table, and the shortcuts of an action.
#pragma once

#include <optional>
#include <string>

#include <QKeySequence>
#include <QList>

#include "session/keys.h"

class QKeyEvent;
class QObject;

namespace gui {

// The table's key for a key event; nothing for a key the table cannot name
// or one held with Alt or Meta.
std::optional<keys::Key> keyOf(const QKeyEvent& event);
// Qt's key for a name of the table; 0 for none.
int qtKey(const std::string& name);
// The shortcuts of an action, from the table.
QList<QKeySequence> sequencesFor(keys::Action action);
// What a widget of the binding is, for the keys it takes itself.
keys::Focused focusedKind(const QObject* widget);

}  // namespace gui
