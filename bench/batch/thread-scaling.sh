#!/bin/sh
# Thread scaling of deptrix-batch: wall time, CPU (user + system) and peak RSS of
#   --views            8000 x 6000, 48 layers (peak memory must stay under 500 MiB)
#   --interlace        a 20000 x 15000 print (900 MB) of a 4000 x 3000, 12-layer document
# with --threads 1 and --threads 2 in alternating pairs, and a copy of the print with
# cp beside the one-thread print on one core (taskset -c 0). Every line carries the
# load average when it started: on a shared machine only figures taken at a load
# well under the core count mean anything.
#
#   bench/batch/thread-scaling.sh BATCH [MAKE_BENCH_PSD] [FOLDER] [OUTPUT_FOLDER]
#
# BATCH is a deptrix-batch binary (a release build); the documents are made once with
# make_bench_psd into FOLDER (default /tmp/deptrix-bench-batch). Outputs go to
# OUTPUT_FOLDER (default /dev/shm/deptrix-scaling, a RAM disk, so that the disk's
# write-back does not set the pace) and are removed at the end.
set -eu
batch=$1
make=${2:-}
folder=${3:-/tmp/deptrix-bench-batch}
out=${4:-/dev/shm/deptrix-scaling}
pairs=${PAIRS:-3}
mkdir -p "$folder" "$out/views"
make_doc() {
    [ -f "$folder/$1" ] && return
    [ -n "$make" ] || { echo "missing $folder/$1 (give MAKE_BENCH_PSD)" >&2; exit 1; }
    "$make" "$folder/$1" "$2" "$3" "$4" "$5"
}
make_doc s8000.psd 8000 6000 48 rle
make_doc s4000.psd 4000 3000 12 rle

load() { cut -d' ' -f1 /proc/loadavg; }

# label, command...: prints the figures and leaves the wall time in $wall
timed() {
    label=$1
    shift
    before=$(load)
    /usr/bin/time -f "%U %S %e %M" -o "$out/time" "$@" > /dev/null 2> "$out/err" || {
        echo "$label: failed: $(cat "$out/err")"
        exit 1
    }
    read -r user sys wall rss < "$out/time"
    awk -v l="$label" -v u="$user" -v s="$sys" -v w="$wall" -v r="$rss" -v a="$before" \
        'BEGIN { printf "%-30s wall %6.2f s  cpu %6.2f s  peak %7.1f MiB  load %s\n", l, w, u + s, r / 1024, a }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

views() { timed "8000x6000x48 --views -t $1" "$batch" "$folder/s8000.psd" --views "$out/views" --threads "$1"; }
print() {
    # Into a fresh file, as cp writes one: replacing the last print would add the
    # freeing of its 900 MB to the print's time.
    rm -f "$out/print.tif"
    timed "20000x15000 print -t $1${2:+ (one core)}" ${2:+taskset -c 0} "$batch" "$folder/s4000.psd" \
        --interlace "$out/print.tif" --dpi 1440 --width 13.8888889 --hscale 1 --threads "$1"
}

for i in $(seq "$pairs"); do
    views 1; one=$wall
    views 2; two=$wall
    echo "  --views speed-up on two threads: $(ratio "$one" "$two")x"
done
for i in $(seq "$pairs"); do
    print 1; one=$wall
    print 2; two=$wall
    echo "  print speed-up on two threads: $(ratio "$one" "$two")x"
done
for i in $(seq "$pairs"); do
    print 1 pinned; one=$wall
    timed "cp of the print (one core)" taskset -c 0 cp "$out/print.tif" "$out/copy.tif"; copy=$wall
    rm -f "$out/copy.tif"
    echo "  one-core print against cp: $(ratio "$one" "$copy")x"
done
rm -rf "$out"
