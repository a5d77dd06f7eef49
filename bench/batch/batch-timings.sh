#!/bin/sh
# Timed command-line runs of deptrix-batch for the import and view targets: CPU
# (user + system), wall time and peak RSS of each run, on one core (taskset -c 0).
#
#   bench/batch/batch-timings.sh BATCH [MAKE_BENCH_PSD] [FOLDER]
#
# BATCH is a deptrix-batch binary (a release build); the documents are made once
# with make_bench_psd into FOLDER (default /tmp/deptrix-bench-batch):
#   s2048.psd  2048 x 1536, 12 layers, RLE     (--views, and --info for the views part)
#   s8000.psd  8000 x 6000, 48 layers, RLE     (--views: peak memory)
#   z16000.psd 16000 x 16000, ZIP, flat        (--info: a large legal document)
set -eu
batch=$1
make=${2:-}
folder=${3:-/tmp/deptrix-bench-batch}
mkdir -p "$folder"
make_doc() {
    [ -f "$folder/$1" ] && return
    [ -n "$make" ] || { echo "missing $folder/$1 (give MAKE_BENCH_PSD)" >&2; exit 1; }
    "$make" "$folder/$1" "$2" "$3" "$4" "$5" ${6:-}
}
make_doc s2048.psd 2048 1536 12 rle
make_doc s8000.psd 8000 6000 48 rle
make_doc z16000.psd 16000 16000 2 zip flat

run() { # label, arguments...
    label=$1
    shift
    out=$(mktemp -d)
    /usr/bin/time -f "%U %S %e %M" -o "$out/time" taskset -c 0 "$batch" "$@" > /dev/null 2> "$out/err" || {
        echo "$label: failed: $(cat "$out/err")"
        rm -rf "$out"
        return
    }
    read -r user sys wall rss < "$out/time"
    awk -v l="$label" -v u="$user" -v s="$sys" -v w="$wall" -v r="$rss" \
        'BEGIN { printf "%-28s cpu %6.2f s  wall %6.2f s  peak %7.1f MiB\n", l, u + s, w, r / 1024 }'
    rm -rf "$out"
}

views=$(mktemp -d)
for i in 1 2 3; do
    run "2048x1536x12 --info" --info "$folder/s2048.psd"
    run "2048x1536x12 --views" "$folder/s2048.psd" --views "$views"
    run "2048x1536x12 --views --gif" "$folder/s2048.psd" --views "$views" --gif "$views/out.gif"
done
run "8000x6000x48 --views" "$folder/s8000.psd" --views "$views"
run "16000x16000 zip --info" --info "$folder/z16000.psd"
rm -rf "$views"
