#!/usr/bin/env bash
# Pictures of the installation wizard's pages, for the README: runs the wizard
# tests of setup_install_e2e_test in the installing tests' Wine prefix; they
# stop on each page (WIZARD_PAGE_FILE) while this script takes a picture of the
# screen around the wizard, one PNG per page, named after its heading. The first
# picture of a heading is kept.
#
#   tools/wizard-screenshots.sh [OUTPUT_DIR]     (default: docs/installation)
#
# Build first (tools/build.sh). Needs ImageMagick (import) and x11-utils (xwininfo).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

if [ "${WIZARD_SHOTS_INSIDE:-}" = 1 ]; then
    # Run by install-prefix.sh in place of wine, with its DISPLAY: watch the page
    # file while the test runs.
    page_file=$WIZARD_SHOTS_PAGE
    out=$WIZARD_SHOTS_OUT
    shot() {
        local name=$1 box="" ids id info x y w h x2=0 y2=0 x1=100000 y1=100000
        ids=$(xwininfo -root -tree | awk '/"Parallaxia Setup"/ {print $1}')
        for id in $ids; do
            info=$(xwininfo -id "$id")
            grep -q "IsViewable" <<<"$info" || continue
            x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
            y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
            w=$(awk '/Width:/ {print $NF}' <<<"$info")
            h=$(awk '/Height:/ {print $NF}' <<<"$info")
            [ "$x" -lt "$x1" ] && x1=$x
            [ "$y" -lt "$y1" ] && y1=$y
            [ $((x + w)) -gt "$x2" ] && x2=$((x + w))
            [ $((y + h)) -gt "$y2" ] && y2=$((y + h))
        done
        [ "$x2" -gt 0 ] && box="-crop $((x2 - x1))x$((y2 - y1))+$x1+$y1"
        # shellcheck disable=SC2086
        import -window root $box +repage -colors 32 "png8:$out/$name.png"
    }
    (
        while :; do
            if [ -f "$page_file" ]; then
                heading=$(tr -d '\r' <"$page_file" | head -n 1)
                name=$(tr 'A-Z' 'a-z' <<<"$heading" | tr -cs 'a-z0-9' '-' | sed 's/^-*//; s/-*$//' | cut -c1-60)
                if [ -n "$name" ] && [ ! -f "$out/$name.png" ]; then
                    sleep 0.5
                    shot "$name" || true
                    echo "wizard-screenshots: $name.png"
                fi
                rm -f "$page_file"
            fi
            sleep 0.1
        done
    ) &
    watcher=$!
    status=0
    wine "$@" || status=$?
    kill "$watcher" 2>/dev/null || true
    exit $status
fi

out=$(mkdir -p "${1:-$root/docs/installation}" && cd "${1:-$root/docs/installation}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WIZARD_SHOTS_INSIDE=1 WIZARD_SHOTS_OUT=$out WIZARD_SHOTS_PAGE=$work/page
export WIZARD_PAGE_FILE="Z:${work//\//\\}\\page"
"$root/setup/e2e/install-prefix.sh" "$build/winenv-install" "$root/tools/wizard-screenshots.sh" \
    "$build/bin/setup_install_e2e_test.exe" \
    --gtest_filter='InstallFixture.Wizard*:InstallFixture.Cancel*:InstallFixture.RunningAgain*'
ls -l "$out"
