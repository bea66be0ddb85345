#!/usr/bin/env bash
# Plays randomly damaged copies of the generated movies through the real player
# under Wine for the given number of minutes (default 30) and keeps every input
# that crashed the player, hung it (no end of the movie, no refusal, no exit
# within the bound) or left its window without an answer for more than 5 s;
# inputs that only played longer than the bound because the stream gave them a
# long duration are kept too, as long-*.
#   tools/fuzz-movies.sh [minutes]
# The mutants come from tools/make-damaged-movies.py (byte flips, cuts, header
# fields, chunk and box sizes, index entries, dropped chunks), each seed its own
# batch, so a finding can be made again with the seed in its name. Findings go
# to build/fuzz-movies/findings/<verdict>-<file> with the player's log and a
# line saying what was changed; each is played once more, and one that does not
# come back is kept as flaky-<verdict>. Counts are printed at the end, every
# result is in build/fuzz-movies/results-all.txt. Leaks are not
# looked for. Runs in its own Wine environment (build/winenv-fuzz-movies).
# FUZZ_SEED sets the first seed (default: from the clock); FUZZ_BOUND the
# seconds one movie may take (default 20).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
build=${BUILD_DIR:-$root/build}
out=${FUZZ_DIR:-$build/fuzz-movies}
bound=${FUZZ_BOUND:-20}
seed=${FUZZ_SEED:-$(date +%s)}
batch=12

export BUILD_DIR=$build
[ -n "${FUZZ_NO_BUILD:-}" ] || "$root/tools/build.sh" >/dev/null
movies=$build/tests/movies
sources=("$movies/sources/damaged_src.avi" "$movies/sources/damaged_src.mp4" "$movies/short_2d.avi"
         "$movies/sab_320.avi" "$movies/mjpeg_480x360.avi")
for f in "${sources[@]}" "$build/bin/fuzz-movies-driver.exe" "$build/bin/Vizor_Movie.exe"; do
    [ -f "$f" ] || { echo "fuzz-movies: $f is missing (build first)" >&2; exit 1; }
done

mkdir -p "$out/findings" "$out/work" "$out/bin"
# A snapshot of the programs: a build during the run does not change what is tried.
cp "$build/bin/fuzz-movies-driver.exe" "$build/bin/Vizor_Movie.exe" "$out/bin/"
state=$build/winenv-fuzz-movies
envfile=$("$root/tools/winenv.sh" up "$state")
trap '"$root/tools/winenv.sh" down "$state"' EXIT
# shellcheck disable=SC1090
. "$envfile"

: >"$out/results-all.txt"
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

declare -A count=()
total=0
deadline=$(( $(date +%s) + minutes * 60 ))
echo "fuzz-movies: $minutes minutes from seed $seed, findings in $out/findings"
while [ "$(date +%s)" -lt "$deadline" ]; do
    rm -rf "$out/work"/*
    if ! "$root/tools/make-damaged-movies.py" fuzz "$out/work" --seed "$seed" --count "$batch" "${sources[@]}" \
        >"$out/work/mutations.txt" 2>"$out/work/mutator-error.txt"; then
        echo "fuzz-movies: the mutator failed on seed $seed: $(tail -1 "$out/work/mutator-error.txt")" >&2
        seed=$((seed + 1))
        continue
    fi
    : >"$out/work/list.txt"
    while IFS=$'\t' read -r name _; do
        { windows_path "$out/work/$name"; printf '\r\n'; } | tee "$out/work/list-$name.txt" >>"$out/work/list.txt"
    done <"$out/work/mutations.txt"
    : >"$out/work/results.txt"
    wine "$out/bin/fuzz-movies-driver.exe" "$(windows_path "$out/work/list.txt")" \
        "$(windows_path "$out/work/results.txt")" "$bound" >/dev/null 2>&1 || true
    while IFS=$'\t' read -r path verdict slowest details; do
        name=${path##*\\}
        total=$((total + 1))
        printf '%s\t%s\t%s\t%s\n' "$name" "$verdict" "$slowest" "$details" >>"$out/results-all.txt"
        case "$verdict" in
            ended|refused) ;;
            *)
                # Played once more with the same method: a finding that does not
                # come back (a loaded machine) is kept apart as flaky.
                method=${details%%;*}; method=${method#method }
                : >"$out/work/again.txt"
                wine "$out/bin/fuzz-movies-driver.exe" "$(windows_path "$out/work/list-$name.txt")" \
                    "$(windows_path "$out/work/again.txt")" "$bound" "$method" </dev/null >/dev/null 2>&1 || true
                again=$(tr -d '\r' <"$out/work/again.txt" | cut -f2)
                if [ "$again" = ended ] || [ "$again" = refused ]; then
                    verdict=flaky-$verdict
                    details="$details; played again: $again"
                fi
                kept="$out/findings/$verdict-$name"
                cp "$out/work/$name" "$kept"
                [ -f "$out/work/$name.log" ] && cp "$out/work/$name.log" "$kept.log"
                { grep -P "^\Q$name\E\t" "$out/work/mutations.txt" || true
                  printf '%s\tslowest answer %s ms\t%s\n' "$verdict" "$slowest" "$details"; } >"$kept.txt"
                echo "fuzz-movies: $verdict: $kept ($details)"
                ;;
        esac
        count[$verdict]=$(( ${count[$verdict]:-0} + 1 ))
    done < <(tr -d '\r' <"$out/work/results.txt")
    seed=$((seed + 1))
done

echo "fuzz-movies: $total movies played in $minutes minutes (seeds up to $((seed - 1)))"
for v in ended refused crash hang frozen long flaky-crash flaky-hang flaky-frozen flaky-long; do
    printf '  %-13s %d\n' "$v" "${count[$v]:-0}"
done
