#!/usr/bin/env bash
# Runs a Windows program in a Wine prefix of its own, on an X screen of its own,
# for the tests that install Parallaxia: what they install, the RunOnce values
# they leave and the wineboot run that takes those up never reach the prefix and
# the screen the other tests share.
#
#   install-prefix.sh STATE_DIR WINE program [arguments...]
#
# The prefix (STATE_DIR/prefix) is made on first use. Each run starts its own
# Xvfb and ends with that prefix's wineserver and the Xvfb, so nothing of it
# outlives the run. Runs must not overlap (the tests hold one ctest resource lock).
set -euo pipefail
state=$1
wine=$2
shift 2
mkdir -p "$state"
state=$(cd "$state" && pwd)

export WINEPREFIX=$state/prefix
export WINEDEBUG=-all
# SETUP_DLL_SEARCH_LIKE_WINDOWS names DLLs Wine must look for in a program's own
# folder first, as Windows does, instead of taking its built-in ones (the
# attack tests plant such DLLs beside setup.exe). Wine hands WINEDLLOVERRIDES to
# child processes from its own environment only, so it is set here.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=${SETUP_DLL_SEARCH_LIKE_WINDOWS:+;$SETUP_DLL_SEARCH_LIKE_WINDOWS=n,b}"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# A screen of our own: Xvfb picks a free display and writes its number to fd 3
# once it accepts connections.
display_file=$state/display.$$
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$display_file" >"$state/xvfb.log" 2>&1 &
xvfb=$!
display=""
for _ in $(seq 1 200); do
    display=$(tr -dc '0-9' <"$display_file" 2>/dev/null || true)
    [ -n "$display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
done
rm -f "$display_file"
if [ -z "$display" ]; then
    echo "install-prefix: Xvfb did not start (see $state/xvfb.log)" >&2
    kill "$xvfb" 2>/dev/null || true
    exit 1
fi
export DISPLAY=:$display

finish() {
    "$wineserver" -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap finish EXIT

# Made once, under a lock in case two runs start together.
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine_boot=$(dirname "$(command -v "$wine")")/wineboot
        [ -x "$wine_boot" ] || wine_boot=wineboot
        "$wine_boot" -i >"$state/wineboot.log" 2>&1 || true
        "$wineserver" -w || true
    fi
) 9>"$state/prefix.lock"

status=0
"$wine" "$@" || status=$?
exit $status
