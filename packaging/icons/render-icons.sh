#!/usr/bin/env bash
# Renders the program icon's PNG sizes from deptrix.svg (needs rsvg-convert, Debian
# package librsvg2-bin) and records the drawing they came from in deptrix.svg.sha256,
# which a test compares with the drawing: run this after every change of deptrix.svg.
set -euo pipefail
cd "$(dirname "$0")"

for size in 16 22 24 32 48 64 128 256 512; do
    rsvg-convert --width "$size" --height "$size" deptrix.svg --output "deptrix-$size.png"
done
sha256sum deptrix.svg > deptrix.svg.sha256
