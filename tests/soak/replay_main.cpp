// SPDX-License-Identifier: MIT
// linkdemo-soak-replay FILE: runs a script (as linkdemo-script does) with the
// model's invariants checked after every line; prints the first line after
// which one is broken, and what is broken. Exit status 0 when all held, 1
// when one broke, 2 when the file cannot be read.
//
// linkdemo-soak-replay --seed N [--minutes M]: prints the script of soak
// session N instead, with its verdict on standard error.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "soak/session.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--seed") {
        soak::SessionOptions options;
        if (args.size() >= 4 && args[2] == "--minutes") options.simulatedMs = std::stol(args[3]) * 60000;
        options.dumpEvery = 25;
        const soak::SessionReport r = soak::runSession(static_cast<std::uint32_t>(std::stoul(args[1])), options);
        for (const std::string& l : r.script) std::cout << l << '\n';
        std::cerr << r.text().substr(0, r.text().find("replay script"));
        return r.ok ? 0 : 1;
    }
    if (args.size() != 1) {
        std::cerr << "usage: linkdemo-soak-replay FILE | --seed N [--minutes M]\n";
        return 2;
    }
    std::ifstream in(args[0]);
    if (!in) {
        std::cerr << "linkdemo-soak-replay: cannot open " << args[0] << '\n';
        return 2;
    }
    std::vector<std::string> script;
    for (std::string l; std::getline(in, l);) script.push_back(l);
    const soak::SessionReport r = soak::replay(script, 1);
    if (r.ok) {
        std::cout << "all invariants held over " << r.script.size() << " lines, " << r.simulatedMs << " ms\n";
        return 0;
    }
    std::cout << "broken after line " << r.script.size() << ": " << r.script.back() << '\n';
    for (const std::string& v : r.violations) std::cout << "  " << v << '\n';
    return 1;
}
