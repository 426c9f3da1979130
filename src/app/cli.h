// SPDX-License-Identifier: MIT
// The command-line conventions every executable follows: --help (or -h)
// prints the help to standard output and exits 0, --version prints
// "NAME VERSION" with the copyright and the licence, an unknown option or a
// surplus argument is reported on standard error with exit status 2. A lone
// "-" is an operand (standard input), and "--" ends the options.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr int kUsageError = 2;

struct Program {
    std::string_view name;   // as printed by --version and in messages
    std::string_view usage;  // the synopsis line, without "usage: "
    std::string_view help;   // everything --help prints after the synopsis
    std::size_t maxOperands = 0;
};

struct Parsed {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::vector<std::string> operands;
    std::string error;  // for Action::Error
};

// Reads args (without the program name). --help and --version win over any
// error elsewhere on the line, so that "--help" always answers.
Parsed parse(const std::vector<std::string>& args, const Program& program);

// Takes "OPTION VALUE" or "OPTION=VALUE" (before any "--") out of `args`
// and sets `value`; `value` stays as it is when the option is absent. False
// when the option is given without a value.
bool takeOption(std::vector<std::string>& args, std::string_view option, std::string& value);

// Prints what a Help, Version or Error result asks for and returns the exit
// status: 0 for Help and Version, kUsageError for Error. Not for Run.
int report(const Parsed& parsed, const Program& program, std::ostream& out, std::ostream& err);

// What --version prints: "NAME VERSION" (the project's version), then the
// copyright and the licence, each line ending in a newline.
std::string versionText(std::string_view name);

}  // namespace app
