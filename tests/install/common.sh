# SPDX-License-Identifier: MIT
# Shared by the install tests. The environment names the trees (SOURCE_DIR,
# BUILD_DIR), the version and what was built (WITH_WINDOW, WITH_SWEEP,
# WEB_FILE).
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every file an installation holds, relative to its prefix, sorted.
expected_files() {
    {
        echo bin/linkdemo-script
        echo share/doc/linkdemo/changelog.gz
        echo share/doc/linkdemo/copyright
        for page in "$SOURCE_DIR"/packaging/man/*.1; do echo "share/man/man1/$(basename "$page").gz"; done
        for example in "$SOURCE_DIR"/examples/*; do echo "share/linkdemo/examples/$(basename "$example")"; done
        if [ "$WITH_WINDOW" = 1 ]; then
            echo bin/linkdemo
            echo share/applications/linkdemo.desktop
            echo "share/metainfo/$APPSTREAM_ID.metainfo.xml"
            echo share/icons/hicolor/scalable/apps/linkdemo.svg
            for size in 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/linkdemo.png"; done
        fi
        [ "$WITH_SWEEP" = 1 ] && echo bin/linkdemo-sweep
        [ -n "$WEB_FILE" ] && echo share/linkdemo/web/linkdemo.html
    } | LC_ALL=C sort
}

# Compares the files under PREFIX with expected_files: none missing, none extra.
check_files() {
    local prefix="$1" actual
    actual="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
    if ! diff -u <(expected_files) <(echo "$actual") >&2; then
        fail "the files under $prefix differ from the expected ones (- missing, + extra)"
    fi
}

# "WIDTHxHEIGHT" of a PNG, read from its header.
png_size() {
    local w h
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is not a PNG"
    w=$((16#$(od -An -tx1 -j16 -N4 "$1" | tr -d ' \n')))
    h=$((16#$(od -An -tx1 -j20 -N4 "$1" | tr -d ' \n')))
    echo "${w}x${h}"
}

check_icons() {
    local prefix="$1" size
    for size in 48 64 128 256; do
        local got
        got="$(png_size "$prefix/share/icons/hicolor/${size}x${size}/apps/linkdemo.png")"
        [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
    done
}

# Runs the installed runner on the first example (the first data packet of
# "No Controls") and compares its output with what the runner must print.
check_runner() {
    local prefix="$1" out
    out="$("$prefix/bin/linkdemo-script" "$prefix/share/linkdemo/examples/first-packet.txt")" ||
        fail "the installed runner failed on the first example"
    local expected='{"name":"Wire1.cmdPacket(0)","kind":"button","caption":"( 0)","backColour":16761024,"visible":true,"left":120,"top":360,"width":3975,"height":495}
{"dumped": 1, "time": 1100}'
    [ "$out" = "$expected" ] || fail "the installed runner printed: $out"
}
