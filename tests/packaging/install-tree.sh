#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that the programs, the sample and the
# desktop integration land where the freedesktop.org specifications look for them, and
# nothing else does.
#   install-tree.sh BUILD_DIR PREFIX APP_ID "ICON_SIZES" ICON_SOURCE_DIR
set -euo pipefail
build=$1 prefix=$2 id=$3 sizes=$4 icons=$5
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
    bin/deptrix bin/deptrix-batch
    share/deptrix/sample/scene.psd
    "share/applications/$id.desktop"
    "share/mime/packages/$id.xml"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    share/man/man1/deptrix.1 share/man/man1/deptrix-batch.1
    share/bash-completion/completions/deptrix-batch
)
for size in $sizes; do expected+=("share/icons/hicolor/${size}x$size/apps/$id.png"); done
for file in "${expected[@]}"; do [[ -f $prefix/$file ]] || fail "$file was not installed"; done
for program in deptrix deptrix-batch; do [[ -x $prefix/bin/$program ]] || fail "bin/$program cannot be run"; done
extra=$(cd "$prefix" && find . -type f -printf '%P\n' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[[ -z $extra ]] || fail "installed without being expected: $extra"

# Every PNG is as large as the folder it is in says.
for size in $sizes; do
    png="$prefix/share/icons/hicolor/${size}x$size/apps/$id.png"
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
    [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height, not ${size}x$size"
done
# The PNGs were rendered from the drawing as it is now (render-icons.sh records it).
(cd "$icons" && sha256sum --quiet --check deptrix.svg.sha256) \
    || fail "deptrix.svg changed after the PNGs were rendered: run packaging/icons/render-icons.sh"
echo "installed ${#expected[@]} files into $prefix"
