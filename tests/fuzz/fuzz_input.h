// SPDX-License-Identifier: MIT
// One fuzz input through the script runner: the bytes are read as a script
// and run line by line, with the soak's invariant checks after every line
// and within long runs. A bad line is answered as the runner answers it and
// the next line runs; what counts as a finding is a broken invariant, a
// message box, or whatever the sanitizers catch on the way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The simulated time that the "run" lines of one input may take together, so
// that no input runs for long: a run beyond it advances only to the limit.
constexpr std::int64_t kRunLimitMs = 60000;
// Of the lines that only print (dump, lines, svg, stats), the first ones of
// an input run; the rest are skipped, as a thousand full dumps would take a
// minute and show no more.
constexpr int kPrintLines = 16;

struct Finding {
    long line = 0;  // from 1; 0 when every invariant held
    std::string text;
    std::vector<std::string> problems;

    explicit operator bool() const { return line > 0; }
    // The line and what broke, ready to print.
    std::string report() const;
};

// The line as the fuzzer may run it: an "svg" line writes to /dev/null
// instead of a file it names.
std::string harmless(const std::string& line);

Finding runInput(std::string_view bytes);

}  // namespace fuzz
