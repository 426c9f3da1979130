// SPDX-License-Identifier: MIT
// Brings a live model back to the state a freshly built one has at start-up,
// so that a script played in the window reaches exactly what the runner
// reaches: every setting a user can change (bit rates, delays, windows,
// policies, the trace switches and scroll bars), the scenario and the
// router, the traces and the clock, the lab's loss settings and the
// window's random generator.
//
// The settings are put back as a user would put them back, through the
// controls' own handlers, taking the values from a fresh model built for
// the purpose; the scenario list's choice then resets the run, and the
// clock starts again at 0.
#pragma once

#include <string>
#include <vector>

class LinkDemo;

namespace startstate {

// Restores `demo` to its start-up state. Returns the names of the objects
// whose dump still differs from a fresh model's (empty when exact).
std::vector<std::string> restore(LinkDemo& demo);

// The objects whose dump differs between `a` and `b`: each name, with the
// first field that differs.
std::vector<std::string> differences(const LinkDemo& a, const LinkDemo& b);

// What a fresh runner reaches playing `script` from start-up, against
// `live`: the objects that differ (empty when the replay ends exactly where
// `live` is: a recording that replays as the window shows it).
std::vector<std::string> replayDifferences(const LinkDemo& live, const std::string& script);

}  // namespace startstate
