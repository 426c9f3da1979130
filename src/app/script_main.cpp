// linkdemo-script [FILE]: runs a script of user actions against the
// demonstration's model, from FILE or from standard input.
#include <fstream>
#include <iostream>
#include <string>

#include "shell/script.h"

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::cerr << "usage: linkdemo-script [FILE]\n";
        return ScriptRunner::kScriptError;
    }
    if (argc == 2 && std::string(argv[1]) != "-") {
        std::ifstream file(argv[1]);
        if (!file) {
            std::cerr << "linkdemo-script: cannot open " << argv[1] << '\n';
            return ScriptRunner::kScriptError;
        }
        ScriptRunner runner(std::cout, std::cerr);
        return runner.run(file);
    }
    ScriptRunner runner(std::cout, std::cerr);
    return runner.run(std::cin);
}
