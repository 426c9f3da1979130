// SPDX-License-Identifier: MIT
// What a lesson file says of itself in its first comment lines:
//
//     # Lesson: TITLE
//     # ONE LINE ABOUT IT
#pragma once

#include <string>

namespace lessons {

struct Info {
    std::string title;    // empty when the file does not start as a lesson
    std::string summary;  // the comment line after the title
};

Info describe(const std::string& script);

}  // namespace lessons
