#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Does nothing when
# they are all there already.
set -euo pipefail

# Every list in tools/packages/ (one Debian package a line, "#" starts a comment).
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$(dirname "$0")"/packages/*.txt | grep -v '^$' | sort -u)

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
