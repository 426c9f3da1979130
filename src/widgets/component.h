// Base of every component the main window hosts.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "widgets/controls.h"

namespace widgets {

using Json = nlohmann::ordered_json;

class Component : public Container {
public:
    Component(Container* window, std::string name) : Container(Kind::Component, window, std::move(name)) {}

    // Every variable of the component's data model, under its own name.
    virtual Json state() const = 0;

    // Appends the component's packet and trace records as dump objects, each
    // with "name" ("Wire1.pktWire(0)") and "kind", in a stable order.
    virtual void dumpRecords(std::vector<Json>& out) const { (void)out; }

    // The component received the keyboard focus (a user pressed something
    // inside it). The main window installs the reaction.
    Handler onFocus;
    void focus()
    {
        if (onFocus) onFocus();
    }
};

}  // namespace widgets
