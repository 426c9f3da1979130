// SPDX-License-Identifier: MIT
// linkdemo-script [FILE]: runs a script of user actions against the
// demonstration's model, from FILE or from standard input ("-" or none).
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "session/script.h"

namespace {

// The help: its list of commands is the runner's own table.
const std::string kHelp =
    "Run a script of user actions against the Link Demo model with no display,\n"
    "advancing simulated time and printing the state of the controls as JSON lines.\n"
    "The script is read from FILE, or from standard input when FILE is '-' or absent.\n"
    "\n"
    "Commands, one a line ('#' starts a comment line):\n" +
    ScriptRunner::commandHelp() +
    "\n"
    "Options:\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "Exit status: 0 when the whole script ran; 2 on a bad line (the message names\n"
    "it), on a file that cannot be opened, or on a bad command line; 3 when the\n"
    "script ran but an expect did not hold.\n"
    "See linkdemo-script(1) for names, fields and examples.\n";

const app::Program kProgram{"linkdemo-script", "linkdemo-script [FILE]", kHelp, 1};

}  // namespace

int main(int argc, char** argv)
{
    const app::Parsed parsed = app::parse(std::vector<std::string>(argv + 1, argv + argc), kProgram);
    if (parsed.action != app::Parsed::Action::Run) return app::report(parsed, kProgram, std::cout, std::cerr);

    if (!parsed.operands.empty() && parsed.operands[0] != "-") {
        std::ifstream file(parsed.operands[0]);
        if (!file) {
            std::cerr << "linkdemo-script: cannot open " << parsed.operands[0] << '\n';
            return ScriptRunner::kScriptError;
        }
        ScriptRunner runner(std::cout, std::cerr);
        return runner.run(file);
    }
    ScriptRunner runner(std::cout, std::cerr);
    return runner.run(std::cin);
}
