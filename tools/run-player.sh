#!/usr/bin/env bash
# Builds the player and runs it under Wine. With a display ($DISPLAY) the window
# shows there; without one it runs on a private Xvfb screen, and a screenshot is
# saved after a few seconds (build/screenshot.png). Arguments go to the player.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
"$root/tools/build.sh"
player="$build/bin/Vizor_Movie.exe"

if [ -n "${DISPLAY:-}" ]; then
    exec wine "$player" "$@"
fi

shot="$build/screenshot.png"
seconds=${SCREENSHOT_AFTER:-8}
"$root/tools/winenv.sh" exec "$build/winenv" bash -c '
    wine "$1" "${@:4}" &
    pid=$!
    sleep "$2"
    import -window root "$3" && echo "Screenshot of the player: $3"
    wineserver -k 2>/dev/null || true
    wait $pid 2>/dev/null || true
' run "$player" "$seconds" "$shot" "$@"
