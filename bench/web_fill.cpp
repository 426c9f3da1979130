// SPDX-License-Identifier: MIT
// Linked into the benchmark's build of the page only (build-web/bench/):
// Module.fillForBenchmark(model) puts the benchmark's worst case on the live
// model, a full trace table and 16 packets in flight on every wire, and
// starts the run. The shipped page has no such function.
#include <emscripten/bind.h>

#include "bench/fill.h"
#include "web/webdemo.h"

namespace {

void fillForBenchmark(web::WebDemo& d)
{
    fillTraces(d.demo());
    if (d.demo().paused) d.demo().cmdPause.click();
}

}  // namespace

EMSCRIPTEN_BINDINGS(linkdemo_bench)
{
    emscripten::function("fillForBenchmark", &fillForBenchmark);
}
