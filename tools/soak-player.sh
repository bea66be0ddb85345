#!/usr/bin/env bash
# Soak run of the player: one running Vizor_Movie opens generated movies 500
# times (AVI and MP4 in turn, a damaged file now and then, the stereo settings
# switched between openings), then plays one long movie of 50 500 frames. Its
# handle count, GDI and USER object counts and private bytes are read after
# every 10 openings and every 5000 frames, and printed as a table with the
# growth figures, followed by the same figures of the same movies opened by a
# program that only opens, plays and releases Wine's multimedia stream (Wine's
# own share). Exits non-zero when a target is missed by the player:
#   after the first ten openings, less than 1 handle and less than 1 MB of
#   private bytes of growth per 100 openings; no growth during the long playback.
#
#   tools/soak-player.sh [soak-player arguments...]   e.g. --openings 100 to try it out
# BUILD_DIR as for tools/build.sh; SOAK_WINENV names another test environment
# (default: BUILD_DIR/winenv). The movies of this run, the player's log and
# Wine's messages go to BUILD_DIR/soak.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
soak=$build/soak
mkdir -p "$soak"
"$root/tools/build.sh" >"$soak/build.log" 2>&1 || { tail -30 "$soak/build.log"; exit 2; }

movies=$build/tests/movies
# Damaged movies: one cut in half, one empty.
half=$soak/cut_in_half.avi
if [ ! -s "$half" ] || [ "$movies/xvid_640x480.avi" -nt "$half" ]; then
    size=$(stat -c %s "$movies/xvid_640x480.avi")
    head -c $((size / 2)) "$movies/xvid_640x480.avi" >"$half"
fi
: >"$soak/empty.avi"
# The long movie: small frames at 500 frames a second, so 50 500 frames take
# under two minutes; H.264 keeps the file near a megabyte.
long=$soak/long_50500.mp4
if [ ! -s "$long" ]; then
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=64x48:rate=500" -frames:v 50500 \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 500 "$long"
fi

"$root/tools/winenv.sh" exec "${SOAK_WINENV:-$build/winenv}" bash -c '
    w() { winepath -w "$1"; }
    movies=$1 soak=$2 long=$3 driver=$4
    shift 4
    list=("$(w "$movies/sab_320.avi")" "$(w "$movies/fab_640x720.mp4")" "$(w "$movies/xvid_640x480.avi")"
          "$(w "$movies/halfwidth_1280x720.mp4")" "$(w "$soak/cut_in_half.avi")" "$(w "$movies/mjpeg_480x360.avi")"
          "$(w "$movies/plr_320.avi")" "$(w "$soak/empty.avi")")
    wine "$driver" --long "$(w "$long")" --log-copy "$(w "$soak/player.log")" "${list[@]}" "$@" 2>"$soak/wine.log"
    status=$?
    # The driver says why it stopped on its error output, among Wine'"'"'s.
    [ $status -ne 2 ] || { grep "^soak-player:" "$soak/wine.log" >&2; exit 2; }
    # The same movies opened and closed by a program of a few calls: what of
    # the growth is Wine'"'"'s own.
    wine "$driver" --stream-churn 3 "${list[@]}" 2>>"$soak/wine.log"
    exit $status
' soak "$movies" "$soak" "$long" "$build/bin/soak-player.exe" "$@"
