// SPDX-License-Identifier: MIT
// The script runner's JSON: the dump objects of the window, its controls,
// every component's state and its packet and trace records, drawn lines and
// the lab's figures. The model itself knows nothing of JSON; everything that
// turns it into text for the runner, the web page and the tests is here.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lab/lab.h"
#include "shell/linkdemo.h"

namespace dump {

using Json = nlohmann::ordered_json;

// A geometry or other model number: whole numbers print without a fraction.
Json number(double v);

// The dump object of a control, named `fullName` ("Wire1.cmdPacket(0)").
// Containers give only their kind-independent fields; components and the
// window are described by their owners.
Json control(const widgets::Control& c, const std::string& fullName);

// The line objects of `lines NAME`.
Json line(const widgets::DrawnLine& l);

// The dump object of a packet record named `name`.
Json packet(const Packet& p, const std::string& name);

// A component's "state" object: its data-model variables in a fixed order.
Json state(const Transmitter::State& s);
Json state(const Receiver::State& s);
Json state(const Wire::State& s);
Json state(const Queue::State& s);
Json state(const Source::State& s);

// A component's packet and trace records, each with "name" and "kind", in
// the dump's order.
std::vector<Json> records(const Transmitter& t);
std::vector<Json> records(const Receiver& r);
std::vector<Json> records(const Wire& w);
std::vector<Json> records(const Queue& q);
std::vector<Json> records(const Source& s);

// The figures as the script runner's `stats` prints them, in that order;
// theory that does not apply is null.
Json figures(const lab::Figures& f);

// Every object of the script runner's dump whose name starts with `prefix`:
// the window, its controls and MainPacket, then each component followed by
// its controls and its packet and trace records.
std::vector<Json> objects(const LinkDemo& demo, const std::string& prefix);

}  // namespace dump
