#!/usr/bin/env bash
# Fuzzes the processor compositor natively with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer: any coding, output, sampling, frame and area size
# and screen position; nothing may be read outside the frame or written outside
# the area, and the C, SSE2 and AVX2 kernels must give the same bytes.
#
#   tools/fuzz-compositor.sh [seconds] [libFuzzer options...]
#
# seconds defaults to 60; 0 only replays the corpus once (a quick regression run).
# The seeds in player/stereo/native/compositor_corpus are read; new inputs go to
# build/fuzz-compositor/corpus, findings to build/fuzz-compositor/artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
out=${FUZZ_DIR:-$root/build/fuzz-compositor}
src=$root/player/stereo
mkdir -p "$out/corpus" "$out/artifacts"

flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -I "$root/player")
clang++ "${flags[@]}" -c "$src/compositor_avx2.cpp" -mavx2 -o "$out/compositor_avx2.o"
clang++ "${flags[@]}" "$src/compositor.cpp" "$src/compositor_sse2.cpp" "$out/compositor_avx2.o" \
    "$src/native/compositor_fuzz.cpp" -o "$out/compositor_fuzz"

options=(-max_len=64 -artifact_prefix="$out/artifacts/" -print_final_stats=1)
if [ "$seconds" -eq 0 ]; then
    exec "$out/compositor_fuzz" "${options[@]}" -runs=0 "$out/corpus" "$src/native/compositor_corpus" "$@"
fi
exec "$out/compositor_fuzz" "${options[@]}" -max_total_time="$seconds" "$out/corpus" \
    "$src/native/compositor_corpus" "$@"
