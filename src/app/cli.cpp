// SPDX-License-Identifier: MIT
#include "app/cli.h"

#include <ostream>

#include "linkdemo_version.h"
#include "session/helptext.h"

namespace app {

Parsed parse(const std::vector<std::string>& args, const Program& program)
{
    Parsed parsed;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (option && arg == "--") {
            optionsEnded = true;
        } else if (option && (arg == "--help" || arg == "-h")) {
            parsed.action = Parsed::Action::Help;
            return parsed;
        } else if (option && arg == "--version") {
            if (parsed.action != Parsed::Action::Help) parsed.action = Parsed::Action::Version;
        } else if (option) {
            if (parsed.error.empty()) parsed.error = "unknown option '" + arg + "'";
        } else if (parsed.operands.size() < program.maxOperands) {
            parsed.operands.push_back(arg);
        } else if (parsed.error.empty()) {
            parsed.error = "unexpected argument '" + arg + "'";
        }
    }
    if (parsed.action == Parsed::Action::Run && !parsed.error.empty()) parsed.action = Parsed::Action::Error;
    return parsed;
}

bool takeOption(std::vector<std::string>& args, std::string_view option, std::string& value)
{
    const std::string joined = std::string(option) + "=";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") break;
        const auto at = args.begin() + static_cast<std::ptrdiff_t>(i);
        if (args[i].starts_with(joined)) {
            value = args[i].substr(joined.size());
            args.erase(at);
            return !value.empty();
        }
        if (args[i] == option) {
            if (i + 1 >= args.size()) return false;
            value = args[i + 1];
            args.erase(at, at + 2);
            return true;
        }
    }
    return true;
}

int report(const Parsed& parsed, const Program& program, std::ostream& out, std::ostream& err)
{
    switch (parsed.action) {
        case Parsed::Action::Help:
            out << "usage: " << program.usage << '\n' << program.help;
            return 0;
        case Parsed::Action::Version:
            out << versionText(program.name);
            return 0;
        default:
            err << program.name << ": " << parsed.error << '\n'
                << "usage: " << program.usage << '\n'
                << "Try '" << program.name << " --help' for more information.\n";
            return kUsageError;
    }
}

std::string versionText(std::string_view name)
{
    return std::string(name) + " " + LINKDEMO_VERSION + "\n" + std::string(help::kCopyright) + "\n" +
           std::string(help::kLicence) + "\n";
}

}  // namespace app
