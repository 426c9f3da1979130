// SPDX-License-Identifier: MIT
// The one way a user's input reaches the model, in every binding: refused
// while the model is busy (a modal box's nested event loop inside a model
// call) or when the control cannot be reached (hidden, or inside a hidden
// container); offered to a played script first (its pause takes the pause
// button); then the owning component receives the focus, the recorder is
// told, and the action runs. The gate also says where the keyboard focus
// goes afterwards: a click never moves it (only typing in a field holds
// it there), a click on the background sends it home to the pause button.
#pragma once

#include <functional>

#include "session/recorder.h"
#include "widgets/controls.h"

class InputGate {
public:
    // Told of every user action just before it reaches the model, under the
    // script runner's names (a session recorder's feed). A component's focus
    // comes as its own action before the action inside it.
    std::function<void(const UserInput&)> onInput;
    // Asked first: true takes the action away from the model (a played
    // script turns the pause button into its own pause).
    std::function<bool(const UserInput&)> intercept;

    // Where the focus goes home: the pause button.
    void setHome(const widgets::Control* home) { m_home = home; }
    const widgets::Control* home() const { return m_home; }

    // Whether a script is playing: Space is then the script's pause,
    // whatever has the focus (keys::dispatch).
    bool scriptPlaying() const { return m_playing; }
    void setScriptPlaying(bool on) { m_playing = on; }

    // True while the model runs a user action or a clock advance.
    bool busy() const { return m_busy > 0; }
    // Marks the model busy for its lifetime (also when left by an exception).
    class BusyScope {
    public:
        explicit BusyScope(InputGate& gate) : m_gate(gate) { ++m_gate.m_busy; }
        ~BusyScope() { --m_gate.m_busy; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        InputGate& m_gate;
    };

    enum class Result { Acted, Refused, Intercepted };
    struct Outcome {
        Result result;
        // Where the keyboard focus goes now; nullptr leaves it where it is.
        const widgets::Control* focus;
    };

    // Runs `action` as the user's `input` on `control` (the window itself
    // for a click on the background).
    Outcome act(const widgets::Control& control, const UserInput& input, const std::function<void()>& action);
    // The user moved the focus into `control` (by Tab or a click) or pressed
    // an empty part of its component: the owning component receives the
    // focus. False when refused or there is no owner.
    bool focus(const widgets::Control& control);

private:
    void focusOwner(const widgets::Control& control);

    const widgets::Control* m_home = nullptr;
    bool m_playing = false;
    int m_busy = 0;
};
