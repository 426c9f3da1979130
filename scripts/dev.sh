#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Developer entry point: installs what is missing, builds, and runs.
#
#   scripts/dev.sh window      build and start the demonstration window
#   scripts/dev.sh test        build and run every test
#   scripts/dev.sh asan        the tests under AddressSanitizer + UBSan
#   scripts/dev.sh model       the Qt-free model and its tests, warnings as errors,
#                              with CMake's default generator (Unix Makefiles)
#   scripts/dev.sh format      check the C++ formatting (clang-format)
#   scripts/dev.sh bench       build and run the benchmark
#   scripts/dev.sh screenshot  render the window offscreen to docs/screenshot.png
#   scripts/dev.sh package     build the Debian package build/linkdemo_VERSION_ARCH.deb
#   scripts/dev.sh web         build the web edition: build-web/linkdemo.html (one file)
#                              and build-web/site/ (index.html + index.js + index.wasm)
#   scripts/dev.sh figure      draw the lab's figure docs/lab-windows.png (adds gnuplot)
#   scripts/dev.sh fuzz [S]    fuzz the script runner for S seconds (default 120; adds clang)
#   scripts/dev.sh setup       only install the packages
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libgtest-dev libgmock-dev
          nlohmann-json3-dev clang-format xvfb xauth
          librsvg2-bin dpkg-dev desktop-file-utils appstream groff-base lintian
          emscripten chromium firefox-esr nodejs)

setup() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    # npm ships inside some nodejs builds and as its own package in Debian's.
    command -v npm >/dev/null 2>&1 || missing+=(npm)
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null; then
        $sudo apt-get update </dev/null
        $sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
    fi
}

build() {  # build DIR [cmake options...], with Ninja unless $generator names another
    local dir="$1" gen="${generator:-Ninja}"
    shift
    # A folder configured with another generator is configured afresh.
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$gen" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S . -B "$dir" -G "$gen" "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}

# The web edition, built with Debian's emscripten in build-web.
web() {
    # The page bundles uPlot from web/node_modules: installed (as locked)
    # before the first configure, which fails without it.
    node_packages
    # emcc's JavaScript optimiser needs Debian's node modules (acorn).
    export NODE_PATH=/usr/share/nodejs
    if [ ! -f build-web/CMakeCache.txt ]; then
        emcmake cmake -S . -B build-web -G Ninja >/dev/null
    fi
    cmake --build build-web --parallel "$(nproc)"
    ls -l build-web/linkdemo.html
}

# The page's and the browser tests' node packages (uPlot, puppeteer-core), as locked.
node_packages() {
    if [ ! -d web/node_modules ] || [ web/package-lock.json -nt web/node_modules ]; then
        (cd web && npm ci --no-audit --no-fund)
    fi
}

cmd="${1:-window}"
case "$cmd" in
setup)
    setup
    ;;
window)
    setup
    build build
    exec ./build/src/app/linkdemo
    ;;
test)
    setup
    web
    # The browser tests are registered with ctest beside the native ones.
    build build -DLINKDEMO_WEB_PAGE="$root/build-web/linkdemo.html"
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --parallel "$(nproc)"
    ;;
asan)
    setup
    build build-asan -DLINKDEMO_SANITIZE=ON -DLINKDEMO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" QT_QPA_PLATFORM=offscreen \
        ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)"
    ;;
model)
    # The Qt-free model, the runner and their tests alone, warnings as errors:
    # the model must build and pass without Qt. Built with CMake's default
    # generator (Unix Makefiles), as a plain `cmake -S . -B build` is: Ninja,
    # used everywhere else, creates output folders a Makefile rule must make.
    setup
    generator="Unix Makefiles" build build-model -DLINKDEMO_GUI=OFF -DLINKDEMO_WERROR=ON -DLINKDEMO_BENCH=OFF
    ctest --test-dir build-model --output-on-failure --parallel "$(nproc)"
    ;;
format)
    # Fails when a C++ file is not formatted as .clang-format says.
    setup
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    ;;
bench)
    setup
    build build
    QT_QPA_PLATFORM=offscreen ./build/bench/linkdemo-bench
    web
    cmake --build build-web --target linkdemo_page_bench --parallel "$(nproc)"
    node_packages
    node web/bench.mjs
    ;;
web)
    setup
    web
    ;;
screenshot)
    setup
    build build
    QT_QPA_PLATFORM=offscreen ./build/src/app/linkdemo-screenshot docs/screenshot.png
    ;;
package)
    # The web edition's single file goes into the package too.
    setup
    web
    build build -DLINKDEMO_WEB_FILE="$root/build-web/linkdemo.html"
    cpack --config build/CPackConfig.cmake -B build
    ;;
figure)
    # gnuplot draws the figure only: neither the build nor CI needs it.
    setup gnuplot-nox
    build build
    scripts/lab-figure.sh build/src/app/linkdemo-sweep docs/lab-windows.png
    ;;
fuzz)
    # libFuzzer with ASan + UBSan (clang only), in build-fuzz. It works on a
    # copy of the seeds (build-fuzz/corpus) and stops at the first finding,
    # which it writes to build-fuzz/findings/: add that file to
    # tests/fuzz/regressions/ with the fix.
    seconds="${2:-120}"
    setup clang-14 libclang-rt-14-dev
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DLINKDEMO_FUZZ=ON -DLINKDEMO_GUI=OFF \
        -DLINKDEMO_BENCH=OFF >/dev/null
    cmake --build build-fuzz --target linkdemo-fuzz --parallel "$(nproc)"
    mkdir -p build-fuzz/corpus build-fuzz/findings
    for seeds in examples tests/fuzz/corpus tests/fuzz/regressions; do
        if [ -d "$seeds" ]; then find "$seeds" -maxdepth 1 -type f -exec cp -t build-fuzz/corpus {} +; fi
    done
    UBSAN_OPTIONS=print_stacktrace=1 ./build-fuzz/tests/fuzz/linkdemo-fuzz -max_total_time="$seconds" \
        -dict=tests/fuzz/runner.dict -max_len=4096 -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus
    ;;
*)
    echo "usage: scripts/dev.sh [window|test|asan|model|format|bench|screenshot|package|web|figure|fuzz|setup]" >&2
    exit 2
    ;;
esac
