// SPDX-License-Identifier: MIT
#include "session/lessons.h"

#include <sstream>

namespace lessons {

namespace {

// The text of a comment line, without "#" and the blanks around it.
std::string commentText(const std::string& line)
{
    std::size_t start = line.find_first_not_of(" \t#");
    if (start == std::string::npos) return {};
    std::size_t end = line.find_last_not_of(" \t\r");
    return line.substr(start, end + 1 - start);
}

}  // namespace

Info describe(const std::string& script)
{
    Info info;
    std::istringstream in(script);
    std::string line;
    if (!std::getline(in, line) || line.rfind("#", 0) != 0) return info;
    std::string title = commentText(line);
    const std::string prefix = "Lesson:";
    if (title.rfind(prefix, 0) != 0) return info;
    title.erase(0, title.find_first_not_of(' ', prefix.size()));
    info.title = title;
    if (std::getline(in, line) && line.rfind("#", 0) == 0) info.summary = commentText(line);
    return info;
}

}  // namespace lessons
