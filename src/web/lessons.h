// SPDX-License-Identifier: MIT
// The lessons built into the web page (the examples' lesson-*.txt, bundled
// at build time), by file name without extension, in file-name order.
#pragma once

#include <string_view>
#include <vector>

namespace web {

struct BundledLesson {
    std::string_view name;  // "lesson-1-no-controls"
    std::string_view text;
};

const std::vector<BundledLesson>& bundledLessons();

}  // namespace web
