#!/usr/bin/env bash
# One big file on one thread and on two: meshinfo -j 1 against -j 2 on the dragon as OBJ,
# binary STL and binary PLY, and meshinfo (default -j) against `admesh -e` on the binary STL,
# as whole processes. The two sides of a pair run one right after the other, in alternating
# order, RUNS times; the table gives the median wall time of each side and the median of the
# ratios of the pairs (a drift in the machine's load hits both sides of a pair alike).
#   bench/threads.sh [RUNS]   (default 7; admesh is installed from Debian when missing)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-7}
build="$root/build-bench-formats"

. "$root/tools/packages.sh"
mapfile -t missing < <(missing_packages admesh)
[ ${#missing[@]} -eq 0 ] || install_packages bench/threads.sh "${missing[@]}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=OFF -DMV_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target meshinfo >/dev/null
meshinfo="$build/meshinfo"
dragon=$("$root/bench/make_dragon.sh" "$build/data")
stem="$build/data/conv-dragon"
[ -s "$stem.bin.ply" ] || python3 "$root/bench/convert_formats.py" "$dragon" "$stem"

seconds() { # the wall time of one run of the command, in seconds
    local t
    t=$(mktemp)
    /usr/bin/time -f '%e' -o "$t" "$@" >/dev/null 2>&1 || echo "threads.sh: failed: $*" >&2
    tail -1 "$t"
    rm -f "$t"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# pair LABEL -- A... -- B...: medians of A, of B and of A/B over the pairs
pair() {
    local label=$1 a=() b=() ta tb as=() bs=() rs=()
    shift 2
    while [ "$1" != -- ]; do a+=("$1"); shift; done
    shift
    b=("$@")
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then ta=$(seconds "${a[@]}"); tb=$(seconds "${b[@]}")
        else tb=$(seconds "${b[@]}"); ta=$(seconds "${a[@]}"); fi
        as+=("$ta"); bs+=("$tb"); rs+=("$(awk -v x="$ta" -v y="$tb" 'BEGIN { print x / y }')")
    done
    printf '| %s | %.3f | %.3f | %.2f |\n' "$label" \
        "$(printf '%s\n' "${as[@]}" | median)" "$(printf '%s\n' "${bs[@]}" | median)" \
        "$(printf '%s\n' "${rs[@]}" | median)"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| pair (A vs B) | A s | B s | A/B (median of pairs) |"
echo "|---|---:|---:|---:|"
for f in "$dragon" "$stem.bin.stl" "$stem.bin.ply"; do
    pair "meshinfo -j 2 vs -j 1, ${f##*/}" -- "$meshinfo" -q -j 2 "$f" -- "$meshinfo" -q -j 1 "$f"
done
pair "meshinfo vs admesh -e, ${stem##*/}.bin.stl" -- "$meshinfo" -q "$stem.bin.stl" \
    -- admesh -e "$stem.bin.stl"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
