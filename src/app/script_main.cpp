// SPDX-License-Identifier: MIT
// linkdemo-script [FILE]: runs a script of user actions against the
// demonstration's model, from FILE or from standard input ("-" or none).
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "shell/script.h"

namespace {

constexpr cli::Program kProgram{
    "linkdemo-script",
    "linkdemo-script [FILE]",
    "Run a script of user actions against the Link Demo model with no display,\n"
    "advancing simulated time and printing the state of the controls as JSON lines.\n"
    "The script is read from FILE, or from standard input when FILE is '-' or absent.\n"
    "\n"
    "Commands, one a line ('#' starts a comment line):\n"
    "  run MS              advance simulated time by MS milliseconds\n"
    "  press NAME          click a button or check box\n"
    "  choose NAME ITEM    pick ITEM from the list of combo box NAME\n"
    "  type NAME TEXT      type TEXT into the editable combo box NAME\n"
    "  scroll NAME VALUE   move scroll bar NAME to VALUE\n"
    "  focus NAME          give component NAME the keyboard focus\n"
    "  background          click the window background\n"
    "  dump [PREFIX]       print every object whose name starts with PREFIX\n"
    "  lines NAME          print the lines drawn on picture area NAME\n"
    "  svg NAME FILE       write the trace picture NAME (Wire1.Picture1) as SVG\n"
    "  log on | log off    print every routed packet event as a JSON line, or stop\n"
    "  say TEXT            narration: print {\"say\": TEXT} (the window shows it)\n"
    "\n"
    "Options:\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "Exit status: 0 when the whole script ran; 2 on a bad line (the message names\n"
    "it), on a file that cannot be opened, or on a bad command line.\n"
    "See linkdemo-script(1) for names, fields and examples.\n",
    1,
};

}  // namespace

int main(int argc, char** argv)
{
    const cli::Parsed parsed = cli::parse(std::vector<std::string>(argv + 1, argv + argc), kProgram);
    if (parsed.action != cli::Parsed::Action::Run) return cli::report(parsed, kProgram, std::cout, std::cerr);

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
