# SPDX-License-Identifier: MIT
# cmake --install into a temporary prefix: every file in its place and no
# other, icons at their sizes, the AppStream data consistent with the
# desktop entry and icons, and the installed runner running every example.
source "$(dirname "$0")/common.sh"

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
cmake --install "$BUILD_DIR" --prefix "$root/usr" >/dev/null

check_files "$root/usr"
check_runner "$root/usr"
for example in "$root"/usr/share/linkdemo/examples/*; do
    "$root/usr/bin/linkdemo-script" "$example" >/dev/null || fail "the example $(basename "$example") does not run"
done
if [ "$WITH_WINDOW" = 1 ]; then
    check_icons "$root/usr"
    appstreamcli validate-tree --no-net "$root" >&2 || fail "appstreamcli validate-tree"
fi
for page in "$root"/usr/share/man/man1/*.gz; do
    gzip -t "$page" || fail "$page is not gzipped"
done
gzip -t "$root/usr/share/doc/linkdemo/changelog.gz" || fail "the changelog is not gzipped"
echo "install tree complete: $(expected_files | wc -l) files"
