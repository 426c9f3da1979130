# SPDX-License-Identifier: MIT
# Settings of the WebAssembly build (emcmake cmake -S . -B build-web).

# The script runner reports bad lines by exception: WebAssembly's own
# exception handling (Chromium 95, Firefox 100, Safari 15.2), which costs
# nothing where nothing is thrown. Emscripten's JavaScript-based one calls
# out through JavaScript around every call that may unwind: with it a
# simulated hour took about a tenth longer, and the WebAssembly was a fifth
# larger.
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions)

# nlohmann-json is header-only and lives in /usr/include, which must not
# reach an emscripten compile (its glibc headers clash with the wasm
# sysroot): the build uses a copy of that one library.
find_path(LINKDEMO_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT LINKDEMO_NLOHMANN_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found (install nlohmann-json3-dev)")
endif()
file(COPY ${LINKDEMO_NLOHMANN_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
                      ${CMAKE_BINARY_DIR}/third_party/include)

# emcc's JavaScript optimiser needs Debian's node modules (acorn).
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")
