#!/usr/bin/env bash
# Playback benchmark: plays a generated 720x576, 25 fps movie (SHIFTED_AB, 20 s,
# with sound) under Wine in every output format with both video-memory methods,
# and prints for each the frame rate the player logged, the rate measured from
# outside, and the player process's CPU time per frame.
#
#   tools/bench-playback.sh [--seconds N] [--codings]
#
# --seconds N   movie length (default 20)
# --codings     also every stereo coding for the interlaced and 3D-to-2D outputs
#
# It runs in its own Wine environment (build/winenv-bench-playback), so the
# registry settings of the tests' prefix are never changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=20
codings=0
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift ;;
        --codings) codings=1 ;;
        *) echo "usage: $0 [--seconds N] [--codings]" >&2; exit 2 ;;
    esac
    shift
done

BUILD_DIR=$build "$root/tools/build.sh" >/dev/null
"$root/tools/winenv.sh" exec "$build/winenv-bench-playback" \
    /usr/bin/python3 "$root/tools/bench-playback.py" "$build" "$seconds" "$codings"
