// JSON descriptions of controls for the script runner's dump.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "widgets/controls.h"

namespace widgets {

// A geometry or other model number: whole numbers print without a fraction.
nlohmann::ordered_json jsonNumber(double v);

// The dump object of a control, named `fullName` ("Wire1.cmdPacket(0)").
// Containers give only their kind-independent fields; components and the
// window are described by their owners.
nlohmann::ordered_json controlJson(const Control& c, const std::string& fullName);

// The line objects of `lines NAME`.
nlohmann::ordered_json lineJson(const DrawnLine& l);

}  // namespace widgets
