#!/usr/bin/env bash
# With the installed MIME package and desktop entry in a user's data folder, projects,
# settings and large PSD documents are recognised and open with Deptrix.
#   file-types.sh PREFIX APP_ID
set -euo pipefail
prefix=$1 id=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in update-mime-database update-desktop-database xdg-mime mimetype; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh"
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/data/mime/packages" "$home/data/applications" "$home/config" "$home/files"
cp "$prefix/share/mime/packages/$id.xml" "$home/data/mime/packages/"
cp "$prefix/share/applications/$id.desktop" "$home/data/applications/"
update-mime-database "$home/data/mime"
update-desktop-database "$home/data/applications"

printf 'C:\\work\\scene.psd\r\n42.4775 7 2 1.0\r\n' >"$home/files/scene.tw3d2"
cp "$home/files/scene.tw3d2" "$home/files/scene.tw3d"
printf '8BPS\0\2\0\0\0\0\0\0' >"$home/files/large.psb"

# The generic desktop, as on a machine without GNOME or KDE: xdg-mime asks mimetype.
query() {
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
        XDG_DATA_HOME="$home/data" XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_HOME="$home/config" \
        xdg-mime query "$@"
}
expect() {
    local got
    got=$(query "$1" "$2")
    [[ $got == "$3" ]] || fail "xdg-mime query $1 $(basename "$2"): '$got', expected '$3'"
}
expect filetype "$home/files/scene.tw3d2" application/x-deptrix-project
expect filetype "$home/files/scene.tw3d" application/x-deptrix-settings
expect filetype "$home/files/large.psb" image/vnd.adobe.photoshop
expect default application/x-deptrix-project "$id.desktop"
expect default application/x-deptrix-settings "$id.desktop"
