#!/usr/bin/env bash
# Builds the container fuzzer natively (clang, libFuzzer, AddressSanitizer) and
# runs it for the given number of seconds (default 60) on one core.
#   tools/fuzz-container.sh [seconds [libFuzzer options...]]
# New inputs collect in build/fuzz-container/corpus; the starting corpus is
# setup/fuzz/corpus. A finding is written to build/fuzz-container/ as crash-*,
# leak-* or timeout-*; run the
# fuzzer binary on that file to reproduce it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
out=${FUZZ_DIR:-$root/build/fuzz-container}
"$root/tools/install-deps.sh"
mkdir -p "$out/corpus"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/setup" \
    "$root/setup/fuzz/container_fuzz.cpp" "$root/setup/container.cpp" "$root/setup/paths.cpp" "$root/setup/sha256.cpp" \
    -o "$out/container_fuzz"
cd "$out"
exec ./container_fuzz -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 \
    -print_final_stats=1 "${@:2}" corpus "$root/setup/fuzz/corpus"
