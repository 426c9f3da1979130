// SPDX-License-Identifier: MIT
// The libFuzzer target: every input is a script for the runner (see
// fuzz_input.h). A broken invariant aborts, so libFuzzer keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Finding f = fuzz::runInput(std::string_view(reinterpret_cast<const char*>(data), size));
    if (f) {
        std::fputs(f.report().c_str(), stderr);
        std::abort();
    }
    return 0;
}
