// SPDX-License-Identifier: MIT
// Helpers for driving the whole window model in tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/dump.h"
#include "session/script.h"
#include "shell/linkdemo.h"
#include "support/testenv.h"

namespace shelltest {

inline widgets::Control& control(LinkDemo& demo, const std::string& name)
{
    widgets::Control* c = demo.findControl(name);
    if (!c) {
        ADD_FAILURE() << "no control " << name;
        static widgets::Container none{widgets::Kind::Window, nullptr, "none"};
        return none;
    }
    return *c;
}

inline widgets::Button& button(LinkDemo& demo, const std::string& name)
{
    return static_cast<widgets::Button&>(control(demo, name));
}

inline widgets::ComboBox& combo(LinkDemo& demo, const std::string& name)
{
    return static_cast<widgets::ComboBox&>(control(demo, name));
}

inline std::string comboText(LinkDemo& demo, const std::string& name)
{
    return combo(demo, name).text();
}

// The one dump object named `name`; null when there is none.
inline dump::Json object(const LinkDemo& demo, const std::string& name)
{
    for (auto& j : dump::objects(demo, name)) {
        if (j["name"] == name) return j;
    }
    return nullptr;
}

// A component's "state" object as the runner dumps it (for loops over
// component names; a single component's typed state() is preferred).
inline dump::Json state(const LinkDemo& demo, const std::string& component)
{
    const dump::Json j = object(demo, component);
    if (j.is_null()) {
        ADD_FAILURE() << "no component " << component;
        return dump::Json::object();
    }
    return j["state"];
}

// The packet buttons of a wire; a visible one is a packet in flight.
inline std::vector<widgets::Button*> packetButtons(LinkDemo& demo, const std::string& wire)
{
    std::vector<widgets::Button*> v;
    for (int i = 0; i < 16; ++i) v.push_back(&button(demo, wire + ".cmdPacket(" + std::to_string(i) + ")"));
    return v;
}

struct InFlight {
    int forward = 0;
    int reverse = 0;
};
inline InFlight inFlight(const std::vector<widgets::Button*>& buttons)
{
    InFlight f;
    for (const widgets::Button* b : buttons) {
        if (!b->visible()) continue;
        // Reverse packets travel in the upper lane.
        if (b->top() < 360) {
            ++f.reverse;
        } else {
            ++f.forward;
        }
    }
    return f;
}
inline InFlight inFlight(LinkDemo& demo, const std::string& wire)
{
    return inFlight(packetButtons(demo, wire));
}

// Advances simulated time in main-clock steps, calling `each` after every step.
template <class F>
void runSteps(LinkDemo& demo, std::int64_t ms, F&& each)
{
    for (std::int64_t t = 0; t < ms; t += 100) {
        demo.scheduler().advance(100);
        each();
    }
}

inline void run(LinkDemo& demo, std::int64_t ms)
{
    demo.scheduler().advance(ms);
}

// What the script runner prints for a whole script, and its status.
struct Result {
    int status;
    std::string out;
    std::string err;
};

inline Result runScript(const std::string& script)
{
    std::ostringstream out, err;
    ScriptRunner runner(out, err);
    std::istringstream in(script);
    const int status = runner.run(in);
    return Result{status, out.str(), err.str()};
}

}  // namespace shelltest
