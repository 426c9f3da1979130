// SPDX-License-Identifier: MIT
#include "fuzz/fuzz_input.h"

#include "soak/session.h"

namespace fuzz {

namespace {

// Blanks as the runner splits words.
const char* const kBlanks = " \t";

// The line's first word.
std::string command(const std::string& line)
{
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start == std::string::npos) return {};
    return line.substr(start, line.find_first_of(kBlanks, start) - start);
}

bool onlyPrints(const std::string& command)
{
    return command == "dump" || command == "lines" || command == "svg" || command == "stats";
}

}  // namespace

std::string Finding::report() const
{
    std::string s = "broken after line " + std::to_string(line) + ": " + text + "\n";
    for (const std::string& p : problems) s += "  " + p + "\n";
    return s;
}

std::string harmless(const std::string& line)
{
    if (command(line) != "svg") return line;
    // The file is the rest of the line after the picture's name and one blank.
    const std::size_t name = line.find_first_not_of(kBlanks, line.find("svg") + 3);
    if (name == std::string::npos) return line;
    const std::size_t afterName = line.find_first_of(kBlanks, name);
    if (afterName == std::string::npos || afterName + 1 >= line.size()) return line;
    return line.substr(0, afterName + 1) + "/dev/null";
}

Finding runInput(std::string_view bytes)
{
    soak::Driver driver;
    driver.acceptScriptErrors();
    driver.limitRunTime(kRunLimitMs);
    Finding f;
    long number = 0;
    int printing = 0;
    for (std::size_t at = 0; at <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        const std::string line(bytes.substr(at, end - at));
        at = end + 1;
        ++number;
        if (onlyPrints(command(line)) && ++printing > kPrintLines) continue;
        std::vector<std::string> problems = driver.execute(harmless(line));
        if (!problems.empty()) {
            f.line = number;
            f.text = line;
            f.problems = std::move(problems);
            return f;
        }
    }
    return f;
}

}  // namespace fuzz
