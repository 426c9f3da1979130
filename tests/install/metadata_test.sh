# SPDX-License-Identifier: MIT
# The desktop entry, the AppStream data and the manual pages pass their
# validators, and the changelog and the AppStream release name the
# project's version.
source "$(dirname "$0")/common.sh"
pkg="$SOURCE_DIR/packaging"

# Any message counts, hints included: the validator exits 0 on a hint.
messages="$(desktop-file-validate "$pkg/linkdemo.desktop" 2>&1)" || fail "desktop-file-validate: $messages"
[ -z "$messages" ] || fail "desktop-file-validate: $messages"
appstreamcli validate --no-net "$pkg/$APPSTREAM_ID.metainfo.xml" || fail "appstreamcli validate"

for page in "$pkg"/man/*.1; do
    warnings="$(groff -man -ww -z -Tutf8 "$page" 2>&1)"
    [ -z "$warnings" ] || fail "$page: $warnings"
done

changelog="$(dpkg-parsechangelog -l "$pkg/changelog" -S Version)"
[ "$changelog" = "$VERSION" ] || fail "the changelog's newest entry is $changelog, the project is $VERSION"
release="$(grep -o '<release version="[^"]*"' "$pkg/$APPSTREAM_ID.metainfo.xml" | head -1 | cut -d'"' -f2)"
[ "$release" = "$VERSION" ] || fail "the AppStream newest release is $release, the project is $VERSION"
echo "metadata valid, version $VERSION"
