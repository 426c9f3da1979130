// SPDX-License-Identifier: MIT
// The demonstration's keys: one table of the key, the action it runs and the
// words the Keyboard help prints. The window binds its keys and menu
// shortcuts from it, the page dispatches its keys by it, and the help
// windows print it.
//
// A key of the window acts when the focused control does not take it
// itself (a button or check box takes Space, a list its letters and arrows,
// a field its text). While a script plays, Space pauses and continues the
// script whatever has the focus; only a field keeps it as a character.
#pragma once

#include <string>
#include <vector>

namespace keys {

enum class Action {
    None,
    PauseButton,  // the pause button, as a click would press it
    Step,
    BackTick,
    BackFive,
    Reset,
    Faster,
    Slower,
    Follow,
    NextPacket,
    PreviousPacket,
    DestroyPacket,
    Escape,  // forget the chosen packet; the focus goes home (the pause button)
    ZoomIn,
    ZoomOut,
    ZoomActual,
    Lab,
    GettingStarted,
};

// Where a key is caught: by the demonstration when the focused control does
// not take it, as a menu shortcut anywhere in the main window, or by the
// toolkit itself (listed in the help only).
enum class Scope { Window, Shortcut, Toolkit };

// A key by its name: a capital letter or digit, the character of a symbol
// key ("+", "=", "-", "[", "]"), or "Space", "Return", "Escape", "Delete",
// "Backspace", "Tab", "Left", "Right", "Up", "Down", "Home", "End", "F1".
struct Key {
    std::string name;
    bool ctrl = false;
    bool shift = false;
};

struct Press {
    Key key;
    Action action;
};

// One line of the Keyboard help and the presses it stands for.
struct Row {
    std::string keys;  // as printed: "Ctrl+= / Ctrl+\u2212 / Ctrl+0"
    std::string words;
    Scope scope;
    std::vector<Press> presses;
    std::string pageWords = {};  // the web page's, where they differ (its Lab is a panel)
};

// Every key, in the order a presenter meets them.
const std::vector<Row>& table();

// Whether `pressed` is the key `bound`. Shift counts for letters and named
// keys (Shift+S is not S); on a symbol key it is how some keyboards reach
// the symbol ("+", "]"), and is ignored.
bool matches(const Key& bound, const Key& pressed);

// What has the keyboard focus, as far as keys go.
enum class Focused { Nothing, Button, CheckBox, List, Field };
// Whether the focused control takes the key itself.
bool focusedTakes(Focused focused, const Key& key);

// The demonstration's action for a key pressed while `focused` has the
// focus: None when the key is no key of the demonstration (Scope::Window)
// or the focused control takes it. While a script plays, Space is the
// script's pause whatever has the focus but a field.
Action dispatch(const Key& key, Focused focused, bool scriptPlaying);

// The action of a menu shortcut (Scope::Shortcut: Shift+S, Ctrl+=, F1)
// pressed while `focused` has the focus: it acts wherever the focus is,
// except where a field takes the key as text or to move in it (as a
// toolkit's line edit overrides a shortcut). None for any other key.
Action shortcut(const Key& key, Focused focused);

// The keys of the table that run `action`.
std::vector<Key> keysOf(Action action);

// A short name of the action, for the page ("pause", "reset", "escape").
std::string actionName(Action action);

}  // namespace keys
