#!/usr/bin/env bash
# Builds the player and runs it under Wine. Without arguments it plays the
# start-up movie and then the stereo demo movie (build/bin/Demo_3D.avi) with the
# settings in the registry (on a fresh prefix: interlaced output of SHIFTED_AB);
# arguments go to the player instead (a movie or MCF name).
#
# With a display ($DISPLAY) the window shows there. Without one the player runs
# on a private Xvfb screen with its own Wine prefix (build/winenv-player, kept
# apart from the tests' prefix so their settings do not leak into it); once the
# movie named on the command line has played a few seconds, a screenshot is
# saved (build/screenshot.png) and the player is ended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
"$root/tools/build.sh"
player="$build/bin/Vizor_Movie.exe"

if [ -n "${DISPLAY:-}" ]; then
    if [ $# -eq 0 ]; then
        exec wine "$player" "$(winepath -w "$build/bin/Demo_3D.avi")"
    fi
    exec wine "$player" "$@"
fi

shot="$build/screenshot.png"
seconds=${SCREENSHOT_AFTER:-3}
"$root/tools/winenv.sh" exec "$build/winenv-player" bash -c '
    player=$1 seconds=$2 shot=$3 log=$4 root=$5
    shift 5
    "$root/tools/self-check.sh" || exit 1
    [ $# -gt 0 ] || set -- "$(winepath -w "$(dirname "$player")/Demo_3D.avi")"
    rm -f "$log"
    (VIZOR_LOG=$(winepath -w "$log") wine "$player" "$@"; exit 0) 2>/dev/null &
    pid=$!
    # The command-line movie is the second one opened when the start-up movie
    # is there, the first otherwise; wait (at most a minute) until it runs.
    opens=1
    [ -f "$(dirname "$player")/Vizor_Initial.avi" ] && opens=2
    for _ in $(seq 1 600); do
        n=$(grep -c "^Window resized to\|^Warning: We can not fit" "$log" 2>/dev/null || true)
        [ "${n:-0}" -ge "$opens" ] && break
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    sleep "$seconds"
    import -window root "$shot" && echo "Screenshot of the player: $shot"
    wineserver -k 2>/dev/null || true
    wait $pid 2>/dev/null || true
' run "$player" "$seconds" "$shot" "$build/run-player.log" "$root" "$@"
