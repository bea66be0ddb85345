#!/usr/bin/env bash
# Playback benchmark: plays a generated 720x576, 25 fps movie (SHIFTED_AB, 20 s,
# with sound) under Wine in every output format with the three video-memory
# methods (the outputs only the processor draws with method 3 alone),
# and prints for each the frame rate the player logged, the rate measured from
# outside, and the player process's CPU time per frame.
#
#   tools/bench-playback.sh [--seconds N] [--fps N] [--codings] [--hd|--hd-large] [--config default|csmt-off|default,csmt-off]
#
# --seconds N   movie length (default 20)
# --fps N       the movie's nominal frame rate (default 25); with a rate above what
#               the player can draw (1000), the figures show the drawing's own cost.
#               The movie is uncompressed: keep seconds x fps to a few hundred frames.
# --codings     also every stereo coding for the interlaced and 3D-to-2D outputs
# --hd          instead, H.264 MP4 movies at 24 fps: 1280x720 half side by side
#               and 1920x1080 half above/below, every output with both methods,
#               and each movie decoded by the stream alone (nothing drawn)
# --hd-large    instead, frames larger than the test screen: 1920x1080 half side
#               by side at 24 and at 60 fps and 3840x1080 full side by side at
#               24 fps (H.264 MP4), every output with both methods, the stream
#               alone, and the drawing's share (the player's CPU time per frame
#               less the stream's alone)
# --config      Wine set-ups to measure (default: both). "csmt-off" turns off
#               Wine's Direct3D command-stream thread, whose busy waiting is
#               most of the CPU time with the default set-up.
#
# It runs in its own Wine environment (build/winenv-bench-playback), so the
# registry settings of the tests' prefix are never changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=20
codings=0
hd=0
configs=default,csmt-off
fps=25
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; shift ;;
        --codings) codings=1 ;;
        --fps) fps=$2; shift ;;
        --hd) hd=1 ;;
        --hd-large) hd=large ;;
        --config) configs=$2; shift ;;
        *) echo "usage: $0 [--seconds N] [--fps N] [--codings] [--hd|--hd-large] [--config default|csmt-off|default,csmt-off]" >&2; exit 2 ;;
    esac
    shift
done

BUILD_DIR=$build "$root/tools/build.sh" >/dev/null
"$root/tools/winenv.sh" exec "$build/winenv-bench-playback" \
    /usr/bin/python3 "$root/tools/bench-playback.py" "$build" "$seconds" "$codings" "$configs" "$hd" "$fps"
