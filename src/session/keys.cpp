// SPDX-License-Identifier: MIT
#include "session/keys.h"

#include <cctype>

namespace keys {

namespace {

Key plain(const char* name)
{
    return Key{name, false, false};
}

Key shifted(const char* name)
{
    return Key{name, false, true};
}

Key ctrl(const char* name)
{
    return Key{name, true, false};
}

// One printable character: a letter, a digit or a symbol.
bool isCharacter(const std::string& name)
{
    return name.size() == 1;
}

bool isLetter(const std::string& name)
{
    return isCharacter(name) && std::isalpha(static_cast<unsigned char>(name[0]));
}

bool oneOf(const std::string& name, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (name == n) return true;
    }
    return false;
}

}  // namespace

const std::vector<Row>& table()
{
    using A = Action;
    using S = Scope;
    static const std::vector<Row> rows = {
        {"Space",
         "Start, pause or continue the run (the pause button), when the focused control does not take it; while a "
         "script plays, pause or continue the script",
         S::Window,
         {{plain("Space"), A::PauseButton}}},
        {"S", "Step: run 100 ms of simulated time, then pause", S::Window, {{plain("S"), A::Step}}},
        {"Shift+S / Shift+Left",
         "Back one tick / five seconds of the run (also the tool bar's Time slider)",
         S::Shortcut,
         {{shifted("S"), A::BackTick}, {shifted("Left"), A::BackFive}}},
        {"R", "Reset", S::Window, {{plain("R"), A::Reset}}},
        {"+ / \u2212",
         "Run faster / slower",
         S::Window,
         {{plain("+"), A::Faster}, {plain("="), A::Faster}, {plain("-"), A::Slower}}},
        {"F", "Follow the present: keep the traces scrolled to the current time", S::Window, {{plain("F"), A::Follow}}},
        {"] / [",
         "Select the next / previous packet in flight",
         S::Window,
         {{plain("]"), A::NextPacket}, {plain("["), A::PreviousPacket}}},
        {"Delete",
         "Destroy the selected packet, as a click on it would",
         S::Window,
         {{plain("Delete"), A::DestroyPacket}}},
        {"Escape",
         "Clear the packet selection; give the focus back to the pause button",
         S::Window,
         {{plain("Escape"), A::Escape}}},
        {"Ctrl+= / Ctrl+\u2212 / Ctrl+0",
         "Zoom in / out / back to 100 %",
         S::Shortcut,
         {{ctrl("="), A::ZoomIn}, {ctrl("+"), A::ZoomIn}, {ctrl("-"), A::ZoomOut}, {ctrl("0"), A::ZoomActual}}},
        {"L", "Open the Lab window", S::Window, {{plain("L"), A::Lab}}, "Open or close the Lab"},
        {"F1", "Getting started", S::Shortcut, {{plain("F1"), A::GettingStarted}}},
        {"Tab / Shift+Tab", "Move the focus to the next / previous control", S::Toolkit, {}},
        {"Return or Space", "Press the focused button", S::Toolkit, {}},
        {"Space", "Tick or untick the focused check box", S::Toolkit, {}},
        {"Arrow keys", "Choose in the focused list", S::Toolkit, {}},
    };
    return rows;
}

bool matches(const Key& bound, const Key& pressed)
{
    if (bound.ctrl != pressed.ctrl) return false;
    const bool sameName = isLetter(bound.name) && isLetter(pressed.name)
                              ? std::toupper(static_cast<unsigned char>(bound.name[0])) ==
                                    std::toupper(static_cast<unsigned char>(pressed.name[0]))
                              : bound.name == pressed.name;
    if (!sameName) return false;
    const bool shiftCounts = !isCharacter(bound.name) || isLetter(bound.name);
    return !shiftCounts || bound.shift == pressed.shift;
}

bool focusedTakes(Focused focused, const Key& key)
{
    if (key.ctrl) return false;
    const std::string& n = key.name;
    switch (focused) {
        case Focused::Nothing:
            return false;
        case Focused::Button:
            return oneOf(n, {"Space", "Return"});
        case Focused::CheckBox:
            return n == "Space";
        case Focused::List:
            return isCharacter(n) || oneOf(n, {"Space", "Return", "Up", "Down", "Left", "Right", "Home", "End"});
        case Focused::Field:
            return isCharacter(n) || oneOf(n, {"Space", "Delete", "Backspace", "Left", "Right", "Home", "End"});
    }
    return false;
}

Action dispatch(const Key& key, Focused focused, bool scriptPlaying)
{
    for (const Row& row : table()) {
        if (row.scope != Scope::Window) continue;
        for (const Press& p : row.presses) {
            if (!matches(p.key, key)) continue;
            const bool scriptPause = scriptPlaying && p.action == Action::PauseButton && focused != Focused::Field;
            if (focusedTakes(focused, key) && !scriptPause) return Action::None;
            return p.action;
        }
    }
    return Action::None;
}

Action shortcut(const Key& key, Focused focused)
{
    for (const Row& row : table()) {
        if (row.scope != Scope::Shortcut) continue;
        for (const Press& p : row.presses) {
            if (!matches(p.key, key)) continue;
            return focused == Focused::Field && focusedTakes(focused, key) ? Action::None : p.action;
        }
    }
    return Action::None;
}

std::vector<Key> keysOf(Action action)
{
    std::vector<Key> out;
    for (const Row& row : table()) {
        for (const Press& p : row.presses) {
            if (p.action == action) out.push_back(p.key);
        }
    }
    return out;
}

std::string actionName(Action action)
{
    switch (action) {
        case Action::None:
            return "";
        case Action::PauseButton:
            return "pause";
        case Action::Step:
            return "step";
        case Action::BackTick:
            return "backTick";
        case Action::BackFive:
            return "backFive";
        case Action::Reset:
            return "reset";
        case Action::Faster:
            return "faster";
        case Action::Slower:
            return "slower";
        case Action::Follow:
            return "follow";
        case Action::NextPacket:
            return "nextPacket";
        case Action::PreviousPacket:
            return "previousPacket";
        case Action::DestroyPacket:
            return "destroyPacket";
        case Action::Escape:
            return "escape";
        case Action::ZoomIn:
            return "zoomIn";
        case Action::ZoomOut:
            return "zoomOut";
        case Action::ZoomActual:
            return "zoomActual";
        case Action::Lab:
            return "lab";
        case Action::GettingStarted:
            return "gettingStarted";
    }
    return "";
}

}  // namespace keys
