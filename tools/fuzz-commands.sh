#!/usr/bin/env bash
# Builds the fuzzer of the installer engine step's texts natively (clang,
# libFuzzer, AddressSanitizer) and runs it for the given number of seconds
# (default 60) on one core.
#   tools/fuzz-commands.sh [seconds [libFuzzer options...]]
# New inputs collect in build/fuzz-commands/corpus; a finding is written to
# build/fuzz-commands/ as crash-*, leak-* or timeout-*.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
out=${FUZZ_DIR:-$root/build/fuzz-commands}
"$root/tools/install-deps.sh"
mkdir -p "$out/corpus"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/setup" \
    "$root/setup/fuzz/commands_fuzz.cpp" "$root/setup/engine_commands.cpp" \
    -o "$out/commands_fuzz"
cd "$out"
exec ./commands_fuzz -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=4096 -print_final_stats=1 \
    "${@:2}" corpus
