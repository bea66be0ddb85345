#!/usr/bin/env bash
# Stereo benchmark, one command: builds, then times every stereo routine under
# Wine (a 720x576 frame into 720x576 and 1024x768 system-memory destinations)
# and FFmpeg's stereo3d filter on the matching conversions, and prints the
# table with the ratios ours/FFmpeg and a memory-copy reference.
#
#   tools/bench-stereo.sh [--quick] [--config default|csmt-off|default,csmt-off]
#
# It runs in its own Wine environment (build/winenv-bench), so the test prefix
# is never changed. "csmt-off" turns off Wine's Direct3D command-stream thread
# for the second run, to show how much of the time is that hand-over.
#
# Then the processor compositor (built natively: it makes no platform call, and
# its machine code runs the same under Wine) for every input coding and output
# at 720x576 into 720x576 and 1024x768, next to FFmpeg's stereo3d on the matching
# conversions (and stereo3d followed by a bilinear scale to 1024x768), with the
# ratios; the tables and a bar chart go to build/bench-compositor.txt and .png.
#
#   tools/bench-stereo.sh --compositor-only [--quick]    only that part
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=1.5
frames=5000
configs=default,csmt-off
routines=1
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) seconds=0.4; frames=1000 ;;
        --config) configs=$2; shift ;;
        --compositor-only) routines=0 ;;
        *) echo "usage: $0 [--quick] [--compositor-only] [--config default|csmt-off|default,csmt-off]" >&2; exit 2 ;;
    esac
    shift
done

if [ "$routines" -eq 1 ]; then
    BUILD_DIR=$build "$root/tools/build.sh" >/dev/null
    "$root/tools/winenv.sh" exec "$build/winenv-bench" \
        /usr/bin/python3 "$root/tools/bench-stereo-report.py" "$build/bin/bench-stereo.exe" "$seconds" "$frames" "$configs"
    echo
fi

# The compositor, natively, optimised as the player is; only its AVX2 file for AVX2.
native=$build/native-bench
mkdir -p "$native"
stereo=$root/player/stereo
g++ -std=c++17 -O2 -I "$root/player" -mavx2 -c "$stereo/compositor_avx2.cpp" -o "$native/compositor_avx2.o"
g++ -std=c++17 -O2 -I "$root/player" "$stereo/compositor.cpp" "$stereo/compositor_sse2.cpp" \
    "$native/compositor_avx2.o" "$root/tools/bench-compositor.cpp" -o "$native/bench-compositor"
case_seconds=0.2
ffmpeg_frames=500
if [ "$seconds" = 0.4 ]; then case_seconds=0.05; ffmpeg_frames=200; fi
/usr/bin/python3 "$root/tools/bench-compositor-report.py" "$native/bench-compositor" "$case_seconds" \
    "$ffmpeg_frames" "$build"
