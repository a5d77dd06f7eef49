#!/usr/bin/env bash
# Installs the Debian 12 packages Deptrix needs to build, test and run.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    zlib1g-dev libjpeg-dev libgif-dev libtiff-dev libpng-dev libdeflate-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-noto-cjk fonts-dejavu-core
    locales
    # The desktop integration's checks and the Debian package: validators, the MIME
    # database, xdg-mime and the mimetype program it asks, manual pages, dpkg-shlibdeps.
    desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
    man-db groff-base dpkg-dev file
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run again under a comma-decimal locale; generate it where it is missing.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
