#!/usr/bin/env bash
# Time and peak memory of meshinfo on two collections at -j 1 and -j 2, and at -j 2 with a
# memory limit that lets one dragon run at a time: 1,000 small generated meshes (closed tori
# of 128 to 2,048 triangles) and 20 copies of the dragon (links to one OBJ written by
# make_dragon.sh). Prints a Markdown table and the load average. Data goes into the build
# folder only.
#   bench/collection.sh [BUILD]     (default: build-bench; meshinfo is built there in Release)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-"$root/build-bench"}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=OFF >/dev/null
cmake --build "$build" --target meshinfo >/dev/null
meshinfo="$build/meshinfo"

small="$build/data/small"
if [ ! -f "$small/999.obj" ]; then
    mkdir -p "$small"
    # Torus i: a grid of n x m quads, each cut into two triangles.
    awk -v dir="$small" 'BEGIN {
        for (i = 0; i < 1000; i++) {
            n = 8 + i % 25; m = 8 + int(i / 25) % 25; f = sprintf("%s/%d.obj", dir, i)
            for (a = 0; a < n; a++) for (b = 0; b < m; b++) {
                u = 6.283185307 * a / n; v = 6.283185307 * b / m
                printf "v %.6f %.6f %.6f\n", (3 + cos(v)) * cos(u), (3 + cos(v)) * sin(u), sin(v) > f
            }
            for (a = 0; a < n; a++) for (b = 0; b < m; b++) {
                p = a * m + b + 1; q = ((a + 1) % n) * m + b + 1
                r = ((a + 1) % n) * m + (b + 1) % m + 1; s = a * m + (b + 1) % m + 1
                printf "f %d %d %d %d\n", p, q, r, s > f
            }
            close(f)
        }
    }'
fi

dragon=$("$root/bench/make_dragon.sh" "$build/data")
dragons="$build/data/dragons"
mkdir -p "$dragons"
for i in $(seq 1 20); do ln -sf "$dragon" "$dragons/dragon$i.obj"; done

# "SECONDS PEAK_MIB" of one run over the files.
measure() { # JOBS OPTIONS FILES...
    local jobs=$1 options=$2
    shift 2
    # shellcheck disable=SC2086
    /usr/bin/time -f '%e %M' -o "$build/time.txt" "$meshinfo" --jsonl --quiet -j "$jobs" \
        $options "$@" >/dev/null
    awk '{ printf "%.2f s, %.0f MiB", $1, $2 / 1024 }' "$build/time.txt"
}
row() { # NAME FILES...
    local name=$1
    shift
    local one two limited
    one=$(measure 1 "" "$@")
    two=$(measure 2 "" "$@")
    limited=$(measure 2 "--memory-limit 150M" "$@")
    echo "| $name | $one | $two | $limited |"
}

echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| collection | \`-j 1\` | \`-j 2\` | \`-j 2 --memory-limit 150M\` |"
echo "|---|---|---|---|"
row "1,000 small tori" "$small"/*.obj
row "20 dragons" "$dragons"/*.obj
echo
echo "Load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
