# SPDX-License-Identifier: MIT
# Writes OUT, a C++ source holding the text of every examples/lesson-*.txt
# (in EXAMPLES) by file name, for the web page, which has no folder to read
# them from. Run as a build step: a lesson edited is bundled again.
file(GLOB lesson_files ${EXAMPLES}/lesson-*.txt)
list(SORT lesson_files)
set(arrays "")
set(entries "")
set(n 0)
foreach(f ${lesson_files})
  get_filename_component(name ${f} NAME_WE)
  file(READ ${f} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const char lesson${n}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", std::string_view(lesson${n}, sizeof lesson${n} - 1)},\n")
  math(EXPR n "${n} + 1")
endforeach()
set(text "// Generated from examples/lesson-*.txt by cmake/bundle_lessons.cmake.
#include \"web/lessons.h\"

namespace web {

namespace {

${arrays}
}  // namespace

const std::vector<BundledLesson>& bundledLessons()
{
    static const std::vector<BundledLesson> all{
${entries}    };
    return all;
}

}  // namespace web
")
# Rewritten only on a change, so that nothing is compiled again for nothing.
if(EXISTS ${OUT})
  file(READ ${OUT} old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUT} "${text}")
endif()
