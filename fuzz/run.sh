#!/bin/sh
# Builds the fuzz targets with the "fuzz" preset and runs each for the given number
# of seconds (default 600), one after the other. Findings land in build/fuzz/findings.
#
#   fuzz/run.sh [seconds]
set -eu
seconds=${1:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
fixtures=${DEPTRIX_FIXTURES_DIR:-$root/../shared/fixtures/psd}

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build "$build" --target psd_fuzzer bmp_fuzzer setup_fuzzer depth_map_fuzzer make_fuzz_seeds -j"${FUZZ_BUILD_JOBS:-2}"

corpus="$build/corpus"
mkdir -p "$corpus/psd" "$corpus/bmp" "$corpus/setup" "$corpus/depth-map" "$corpus/fixture-seeds" "$build/findings"
"$build/bin/make_fuzz_seeds" "$corpus/psd-seeds" "$corpus/bmp-seeds" "$corpus/setup-seeds"
# Small real files make good seeds; they are copied into the build folder only.
if [ -d "$fixtures" ]; then
    find "$fixtures" -type f \( -name '*.psd' -o -name '*.psb' \) -size -64k -exec cp {} "$corpus/fixture-seeds/" \;
fi

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run() {
    name=$1
    shift
    echo "== $name for $seconds s"
    "$build/bin/$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$name-" "$@" 2>&1 | tail -n 25
}
run psd_fuzzer "$corpus/psd" "$corpus/psd-seeds" "$corpus/fixture-seeds"
run bmp_fuzzer "$corpus/bmp" "$corpus/bmp-seeds"
run setup_fuzzer "$corpus/setup" "$corpus/setup-seeds"
# The PSD and BMP seeds serve the depth map reader too.
run depth_map_fuzzer "$corpus/depth-map" "$corpus/psd-seeds" "$corpus/bmp-seeds"
