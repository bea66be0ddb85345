#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Does nothing when
# they are all there already.
set -euo pipefail

packages=(
    cmake make python3 g++
    g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth x11-apps x11-utils
    pulseaudio pulseaudio-utils
    googletest
    python3-pil imagemagick
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
