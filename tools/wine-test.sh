#!/bin/sh
# Runs a test program under Wine for ctest. The program's output goes through
# files of its own: a background program Wine starts on the way (its desktop,
# for one) inherits them instead of ctest's pipe, which it would keep open long
# after the test ended, and ctest would wait for it until the test's timeout.
dir=$(mktemp -d "${TMPDIR:-/tmp}/wine-test.XXXXXX") || exit 1
wine "$@" >"$dir/out" 2>"$dir/err" </dev/null
rc=$?
cat "$dir/out"
cat "$dir/err" >&2
rm -rf "$dir"
exit $rc
