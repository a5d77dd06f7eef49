#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its control fields and
# contents.
#   debian-package.sh BUILD_DIR OUTPUT_DIR VERSION APP_ID
set -euo pipefail
build=$1 out=$2 version=$3 id=$4
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh"
done

rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log"
    fail "cpack could not build the package"
}
packages=("$out"/deptrix_"$version"_*.deb)
[[ ${#packages[@]} == 1 && -f ${packages[0]} ]] || fail "no deptrix_${version}_*.deb in $out"
deb=${packages[0]}

field() { dpkg-deb --field "$deb" "$1"; }
dpkg-deb --info "$deb"
[[ $(field Package) == deptrix ]] || fail "package name '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "version '$(field Version)', expected $version"
[[ $(field Section) == graphics ]] || fail "section '$(field Section)'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@]+@[^\>]+\>$ ]] || fail "maintainer '$(field Maintainer)' is not 'Name <address>'"
[[ -n $(field Description) ]] || fail "no description"
depends=$(field Depends)
# From the libraries the programs link, as dpkg-shlibdeps finds them, and the plugin.
for library in libqt6widgets6 libqt6gui6 libqt6core6 libtiff6 libgif7 libjpeg62-turbo zlib1g libc6 qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
for file in ./usr/bin/deptrix ./usr/bin/deptrix-batch ./usr/share/deptrix/sample/scene.psd \
    ./usr/share/applications/$id.desktop ./usr/share/man/man1/deptrix-batch.1 \
    ./usr/share/icons/hicolor/scalable/apps/$id.svg; do
    grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done
outside=$(grep -v '^\./usr/' <<<"$contents" | grep -vx './' || true)
[[ -z $outside ]] || fail "the package installs outside /usr: $outside"
rm -rf "$out/_CPack_Packages"
