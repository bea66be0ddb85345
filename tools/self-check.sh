#!/usr/bin/env bash
# Can Wine's multimedia stream open and decode a movie here? Run inside the
# headless environment (tools/winenv.sh exec ...): it opens the bundled demo
# movie (uncompressed) and, once the tests' movies are built, their MPEG-4 part 2
# AVI and one of their H.264 MP4s with build/bin/stream-probe.exe, and reads the
# first frame of each. On failure it
# prints one line that names what is missing and exits non-zero, so that a
# broken machine is told in seconds instead of by every playback test timing out.
#
#   tools/self-check.sh [movie...]   (default: the demo movie beside the player, and
#                                     build/tests/movies/xvid_640x480.avi and
#                                     fab_640x720.mp4 when they are there)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ $# -gt 0 ]; then
    movies=("$@")
else
    movies=("$build/bin/Demo_3D.avi")
    for built in xvid_640x480.avi fab_640x720.mp4; do
        [ -f "$build/tests/movies/$built" ] && movies+=("$build/tests/movies/$built")
    done
fi
probe=$build/bin/stream-probe.exe

# The Debian packages movies are decoded with, as tools/packages/movies.txt lists them.
missing_packages() {
    local p
    sed -e 's/#.*//' -e 's/[[:space:]]//g' "$root/tools/packages/movies.txt" | grep -v '^$' | while read -r p; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || printf '%s ' "$p"
    done
}

code=0
for movie in "${movies[@]}"; do
    timeout 60 wine "$probe" "$(winepath -w "$movie")" >/dev/null 2>&1
    code=$?
    [ $code -eq 0 ] || break
done
[ $code -eq 0 ] && exit 0

case $code in
    2) what="Wine cannot create its multimedia stream or DirectDraw" ;;
    3) what="Wine's stream does not open $(basename "$movie") (\"File format not supported.\")" ;;
    4) what="Wine's stream opens $(basename "$movie") but decodes no picture" ;;
    124) what="Wine's stream hung for 60 s opening $(basename "$movie")" ;;
    *) what="the stream probe failed with exit code $code on $(basename "$movie")" ;;
esac
missing=$(missing_packages)
if [ -n "$missing" ]; then
    echo "self-check: $what; GStreamer plugin packages missing: ${missing% } (tools/install-deps.sh installs them)" >&2
else
    echo "self-check: $what, although every GStreamer plugin set in tools/packages/movies.txt is installed (WINEDEBUG=+winegstreamer shows why)" >&2
fi
exit 1
