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
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=1.5
frames=5000
configs=default,csmt-off
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) seconds=0.4; frames=1000 ;;
        --config) configs=$2; shift ;;
        *) echo "usage: $0 [--quick] [--config default|csmt-off|default,csmt-off]" >&2; exit 2 ;;
    esac
    shift
done

BUILD_DIR=$build "$root/tools/build.sh" >/dev/null
"$root/tools/winenv.sh" exec "$build/winenv-bench" \
    /usr/bin/python3 "$root/tools/bench-stereo-report.py" "$build/bin/bench-stereo.exe" "$seconds" "$frames" "$configs"
