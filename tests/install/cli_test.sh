# SPDX-License-Identifier: MIT
# cli_test.sh KIND EXECUTABLE: the command-line conventions of one
# executable (KIND: runner, window, screenshot, sweep or other).
source "$(dirname "$0")/common.sh"
kind="$1"
exe="$2"
name="$(basename "$exe")"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# The screenshot tool writes where it is told: it runs in an empty folder,
# which an option taken for a file name would not leave empty.
if [ "$kind" = screenshot ]; then mkdir "$tmp/cwd" && cd "$tmp/cwd"; fi

# run ARGS...: runs the executable, leaving stdout, stderr and status in
# $tmp/out, $tmp/err and $status.
run() {
    status=0
    "$exe" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null || status=$?
}
expect() {  # expect STATUS WHAT
    [ "$status" = "$1" ] || fail "$name $2: exit $status, expected $1 (stderr: $(cat "$tmp/err"))"
}

# --help and --version answer on a text console too: no display is needed.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

run --help
expect 0 --help
grep -q "^usage: $name" "$tmp/out" || fail "$name --help prints no usage line on stdout"
[ ! -s "$tmp/err" ] || fail "$name --help wrote to stderr: $(cat "$tmp/err")"
run -h
expect 0 -h

run --version
expect 0 --version
[ "$(head -1 "$tmp/out")" = "$name $VERSION" ] || fail "$name --version printed '$(cat "$tmp/out")'"
grep -q "MIT licence" "$tmp/out" || fail "$name --version names no licence: '$(cat "$tmp/out")'"

# --help wins over a bad option next to it.
run --no-such-option --help
expect 0 "--no-such-option --help"

if [ "$kind" = window ] || [ "$kind" = screenshot ]; then export QT_QPA_PLATFORM=offscreen; fi
run --no-such-option
expect 2 --no-such-option
[ ! -s "$tmp/out" ] || fail "$name wrote an unknown option's message to stdout"
grep -q -- "--no-such-option" "$tmp/err" || fail "$name does not name the unknown option: $(cat "$tmp/err")"

case "$kind" in
window)
    # Qt takes its own options; what it leaves is checked.
    run -platform offscreen -style Fusion -bogus
    expect 2 "-platform offscreen -style Fusion -bogus"
    grep -q -- "'-bogus'" "$tmp/err" || fail "the window does not name -bogus: $(cat "$tmp/err")"
    ! grep -q -- "-style\|-platform" "$tmp/err" || fail "the window rejects a Qt option: $(cat "$tmp/err")"
    run -reverse surplus
    expect 2 "surplus"
    grep -q "surplus" "$tmp/err" || fail "the window does not name a surplus argument"
    run --profile pink
    expect 2 "--profile pink"
    ;;
screenshot)
    run --profile pink out.png
    expect 2 "--profile pink"
    run
    expect 2 "without a file"
    [ -z "$(ls -A)" ] || fail "$name wrote files it was not asked for: $(ls -A)"
    run --profile=colour-vision "$tmp/shot.png"
    expect 0 "--profile=colour-vision"
    [ -s "$tmp/shot.png" ] || fail "$name --profile=colour-vision wrote no picture"
    ;;
runner)
    script="$tmp/script"
    printf 'press LinkDemo.cmdPause\nrun 1100\ndump Wire1.cmdPacket(0)\n' >"$script"
    expected="$("$exe" <"$script")"
    [ "$(echo "$expected" | tail -1)" = '{"dumped": 1, "time": 1100}' ] || fail "the runner printed: $expected"
    [ "$("$exe" - <"$script")" = "$expected" ] || fail "'-' does not read standard input"
    cp "$script" "$tmp/-dash"
    (cd "$tmp" && [ "$("$exe" -- -dash)" = "$expected" ]) || fail "'--' does not end the options"
    run "$script" "$script"
    expect 2 "with two files"
    run "$tmp/no-such-file"
    expect 2 "on a missing file"
    ;;
sweep)
    # A value as "--x V" or "--x=V"; the last one given wins.
    run --scenarios "No Controls" --seconds 5 --jobs=1 --seconds=1
    expect 0 "a one-second run"
    [ "$(wc -l <"$tmp/out")" = 2 ] || fail "$name wrote $(wc -l <"$tmp/out") lines for one run"
    [ "$(tail -1 "$tmp/out" | cut -d, -f9)" = 1 ] || fail "the last --seconds does not win: $(tail -1 "$tmp/out")"
    run --window
    expect 2 "--window without a value"
    grep -q -- "--window needs a value" "$tmp/err" || fail "$name: $(cat "$tmp/err")"
    run --window 9
    expect 2 "--window 9"
    ;;
esac
echo "$name: command line as expected"
