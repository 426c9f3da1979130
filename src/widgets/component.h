// SPDX-License-Identifier: MIT
// Base of every component the main window hosts.
#pragma once

#include <string>

#include "widgets/controls.h"

namespace widgets {

class Component : public Container {
public:
    Component(Container* window, std::string name) : Container(Kind::Component, window, std::move(name)) {}

    // Each component also offers `State state() const`: a plain struct of
    // every variable of its data model under its own name (the script
    // runner's dump turns it into JSON).

    // The component received the keyboard focus (a user pressed something
    // inside it). The main window installs the reaction.
    Handler onFocus;
    void focus()
    {
        if (onFocus) onFocus();
    }
};

}  // namespace widgets
