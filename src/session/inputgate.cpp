// SPDX-License-Identifier: MIT
#include "session/inputgate.h"

#include "session/bindingrules.h"

void InputGate::focusOwner(const widgets::Control& control)
{
    widgets::Component* owner = rules::ownerOf(control);
    if (!owner) return;
    if (onInput) onInput(UserInput{UserInput::Kind::Focus, rules::scriptName(*owner), {}, 0});
    BusyScope scope(*this);
    owner->focus();
}

InputGate::Outcome InputGate::act(const widgets::Control& control, const UserInput& input,
                                  const std::function<void()>& action)
{
    if (busy() || !control.reachable()) return {Result::Refused, nullptr};
    if (intercept && intercept(input)) return {Result::Intercepted, nullptr};
    focusOwner(control);
    {
        if (onInput) onInput(input);
        BusyScope scope(*this);
        action();
    }
    if (input.kind == UserInput::Kind::Background) return {Result::Acted, m_home};
    if (rules::clickTakesFocus(control)) return {Result::Acted, &control};
    return {Result::Acted, nullptr};
}

bool InputGate::focus(const widgets::Control& control)
{
    if (busy() || !rules::ownerOf(control)) return false;
    focusOwner(control);
    return true;
}
