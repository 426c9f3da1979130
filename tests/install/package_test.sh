# SPDX-License-Identifier: MIT
# The Debian package: built with CPack into a temporary directory, its
# control fields and contents listed and checked, lintian run on it (no
# error, no warning), then unpacked with dpkg -x and its runner run on the
# first example.
source "$(dirname "$0")/common.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$tmp/linkdemo_${VERSION}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$tmp")"

dpkg-deb -f "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = linkdemo ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version: $(field Version)"
[ "$(field Section)" = education ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# Computed dependencies: the C++ runtime always, Qt with the window.
field Depends | grep -q 'libstdc++6' || fail "Depends lacks libstdc++6: $(field Depends)"
if [ "$WITH_WINDOW" = 1 ]; then
    field Depends | grep -q 'libqt6widgets6' || fail "Depends lacks libqt6widgets6: $(field Depends)"
    field Depends | grep -q 'qt6-qpa-plugins' || fail "Depends lacks qt6-qpa-plugins: $(field Depends)"
fi

dpkg-deb -c "$deb"
command -v lintian >/dev/null || fail "lintian is not installed (scripts/dev.sh setup installs it)"
lintian --fail-on error,warning "$deb" >&2 || fail "lintian finds errors or warnings in $(basename "$deb")"
dpkg-deb -x "$deb" "$tmp/root"
check_files "$tmp/root/usr"
check_runner "$tmp/root/usr"
echo "package $(basename "$deb") complete"
