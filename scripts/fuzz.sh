#!/usr/bin/env bash
# Fuzzes the hive reader and editor for SECONDS seconds in a clang build of its own, with
# AddressSanitizer and UndefinedBehaviorSanitizer. Fails on any crash, leak, hang or wrong edit.
# usage: scripts/fuzz.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 SECONDS" >&2
    exit 2
fi

build=${TESSAPORT_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSAPORT_BUILD_FUZZ=ON -DTESSAPORT_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target hive_fuzzer -j "$(nproc)"

# The corpus grows in the build folder; the seeds in the repository stay as they are.
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"

# An input that runs longer than -timeout counts as a hang; libFuzzer exits non-zero on it as
# on a crash, a leak or running out of memory.
ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "$build/tests/fuzz/hive_fuzzer" "$corpus" tests/fuzz/corpus \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
