#!/usr/bin/env bash
# The built help file holds the user guide: its pages, its table of contents,
# and texts from each page (read back with chmls, as a help viewer would).
set -euo pipefail
chm=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
listing=$(chmls -n list "$chm")
for page in /index.html /page1.html /page2.html /toc.hhc; do
    grep -qx "$page" <<<"$listing" || { echo "$chm: $page missing"; exit 1; }
done
expect() { # page, text
    chmls extract "$chm" "$1" "$work/page" >/dev/null
    grep -qF -- "$2" "$work/page" || { echo "$chm: $1 lacks \"$2\""; exit 1; }
}
expect /index.html "<h2>Using the player</h2>"
expect /index.html "Swap eyes"
expect /index.html "<td>Space</td>"
expect /page1.html "<h2>Settings and movie configuration files</h2>"
expect /page1.html 'id="mcf-files"'
expect /toc.hhc '<param name="Local" value="page1.html#mcf-files">'
expect /page2.html "<h2>The log</h2>"
expect /page2.html "LOCALAPPDATA"
echo "help file: $(grep -c . <<<"$listing") entries"
