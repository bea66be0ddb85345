#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb screen.
# Extra arguments go to ctest (for example: -R Log).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build
"$root/tools/build.sh"
"$root/tools/winenv.sh" exec "$build/winenv" \
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 "$@"
