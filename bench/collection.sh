#!/usr/bin/env bash
# Files per second of meshinfo on two collections, at -j 1 and at -j with every core:
# 2,000 small generated meshes (closed tori of 128 to 2,048 triangles) and 20 copies of the
# dragon (links to one OBJ written by make_dragon.sh). Data goes into the build folder only.
#   bench/collection.sh [BUILD]     (default: build-bench; meshinfo is built there in Release)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-"$root/build-bench"}
cores=$(nproc)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=OFF >/dev/null
cmake --build "$build" --target meshinfo >/dev/null
meshinfo="$build/meshinfo"

small="$build/data/small"
if [ ! -f "$small/1999.obj" ]; then
    mkdir -p "$small"
    # Torus i: a grid of n x m quads, each cut into two triangles.
    awk -v dir="$small" 'BEGIN {
        for (i = 0; i < 2000; i++) {
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

run() { # NAME JOBS FILES...
    local name=$1 jobs=$2
    shift 2
    local start end
    start=$(date +%s.%N)
    "$meshinfo" --jsonl --quiet -j "$jobs" "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v n=$# -v s="$start" -v e="$end" -v name="$name" -v j="$jobs" \
        'BEGIN { printf "%-28s -j %-3d %6d files %8.2f s %10.1f files/s\n", name, j, n, e - s, n / (e - s) }'
}

for jobs in 1 "$cores"; do
    run "small tori" "$jobs" "$small"/*.obj
    run "dragon copies" "$jobs" "$dragons"/*.obj
done
