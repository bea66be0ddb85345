#!/usr/bin/env bash
# Fuzzes the MCF reader and validator natively with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer.
#
#   tools/fuzz-mcf.sh [seconds] [libFuzzer options...]
#
# seconds defaults to 60; 0 only replays the corpus once (a quick regression run).
# The seeds in player/config/fuzz/corpus are read; new inputs go to build/fuzz-mcf/corpus,
# findings to build/fuzz-mcf/artifacts. One process: the build machines have few cores.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
out=${FUZZ_DIR:-$root/build/fuzz-mcf}
src=$root/player/config
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++17 -g -O1 -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Wall -Wextra -I "$root/player" \
    "$src/mcf.cpp" "$src/fuzz/mcf_fuzz.cpp" "$src/fuzz/log_stub.cpp" \
    -o "$out/mcf_fuzz"

options=(-dict="$src/fuzz/mcf.dict" -max_len=8192 -artifact_prefix="$out/artifacts/" -print_final_stats=1)
if [ "$seconds" -eq 0 ]; then
    exec "$out/mcf_fuzz" "${options[@]}" -runs=0 "$out/corpus" "$src/fuzz/corpus" "$@"
fi
exec "$out/mcf_fuzz" "${options[@]}" -max_total_time="$seconds" "$out/corpus" "$src/fuzz/corpus" "$@"
