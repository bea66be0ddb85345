#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb screen.
# Extra arguments go to ctest (for example: -R Log).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
"$root/tools/build.sh"
# Fails in seconds, with one line naming what is missing, when Wine's stream
# cannot decode movies here; otherwise every playback test would time out.
"$root/tools/winenv.sh" exec "$build/winenv" bash -c '
    "$1/tools/self-check.sh" || exit 1
    shift
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 --timeout 600 "$@"' self-check "$root" "$@"
