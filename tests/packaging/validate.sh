#!/usr/bin/env bash
# The installed desktop entry and AppStream file pass their validators and agree with
# each other and with the programs.
#   validate.sh PREFIX APP_ID
set -euo pipefail
prefix=$1 id=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh"
done

desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"

grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=deptrix %F" "$desktop" || fail "the desktop entry does not start deptrix with the files"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "the AppStream file does not launch $id.desktop"
version=$("$prefix/bin/deptrix-batch" --version | cut -d' ' -f2)
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream file has no release $version"
# Every file type the entry opens is one the MIME package or the system defines.
types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
for type in $types; do
    grep -q "type=\"$type\"" "$prefix/share/mime/packages/$id.xml" || fail "no MIME type $type is defined"
done
