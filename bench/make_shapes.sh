#!/usr/bin/env bash
# Writes the generated worst shapes as OBJ files, sized by TRIANGLES (one million by default):
#   soup.obj  every triangle on three positions of its own (3,000,000 positions, a million
#             components, every edge a boundary edge)
#   star.obj  every triangle shares one hub and has two rim positions of its own (one
#             component, the hub a non-manifold vertex with a million fans)
#   random.obj TRIANGLES triangles on corners drawn at random from 5,000 positions (every
#             vertex a hub of about 600 triangles, every edge looked up in the overflowing
#             edge table, most edges boundary edges, many non-manifold)
#   random300k.obj the same over 300,000 positions (about 20 triangles a vertex, so that
#             nearly every weld, edge lookup and visit is a cache miss)
#   random3m.obj the same over 3,000,000 positions, as many as a soup's (about 1.9 million
#             of them used, most by one or two triangles, in no order)
#   quads.obj one quad repeated three times TRIANGLES times (30 MB, six million triangles on
#             four positions): every triangle after the first quad takes over the half-edges
#             of an earlier one; the most triangles per byte of file, so the worst case for
#             peak memory against the file's size
# Coordinates come from a fixed seed, so every run writes the same files.
#   bench/make_shapes.sh [OUTDIR] [TRIANGLES]   (default build/bench-data, 1000000)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-"$root/build/bench-data"}
n=${2:-1000000}
mkdir -p "$out"

if [ ! -s "$out/soup.obj" ]; then
    awk -v n="$n" 'BEGIN {
        srand(1)
        for (i = 0; i < 3 * n; i++) printf "v %.6f %.6f %.6f\n", rand() * 100, rand() * 100, rand() * 100
        for (i = 0; i < n; i++) printf "f %d %d %d\n", 3 * i + 1, 3 * i + 2, 3 * i + 3
    }' > "$out/soup.obj.tmp"
    mv "$out/soup.obj.tmp" "$out/soup.obj"
fi
if [ ! -s "$out/star.obj" ]; then
    awk -v n="$n" 'BEGIN {
        srand(2)
        print "v 0 0 0"
        for (i = 0; i < 2 * n; i++) {
            a = rand() * 6.283185307; h = rand() * 2 - 1
            printf "v %.6f %.6f %.6f\n", 10 * cos(a), h, 10 * sin(a)
        }
        for (i = 0; i < n; i++) printf "f 1 %d %d\n", 2 * i + 2, 2 * i + 3
    }' > "$out/star.obj.tmp"
    mv "$out/star.obj.tmp" "$out/star.obj"
fi
random_shape() { # NAME POSITIONS SEED
    [ -s "$out/$1" ] && return
    awk -v n="$n" -v m="$2" -v seed="$3" 'BEGIN {
        srand(seed)
        for (i = 0; i < m; i++) printf "v %.6f %.6f %.6f\n", rand(), rand(), rand()
        for (i = 0; i < n; i++) printf "f %d %d %d\n", 1 + int(rand() * m), 1 + int(rand() * m), 1 + int(rand() * m)
    }' > "$out/$1.tmp"
    mv "$out/$1.tmp" "$out/$1"
}
random_shape random.obj 5000 3
random_shape random300k.obj 300000 4
random_shape random3m.obj 3000000 5
if [ ! -s "$out/quads.obj" ]; then
    awk -v n="$n" 'BEGIN {
        print "v 0 0 0"; print "v 1 0 0"; print "v 1 1 0"; print "v 0 1 0"
        for (i = 0; i < 3 * n; i++) print "f 1 2 3 4"
    }' > "$out/quads.obj.tmp"
    mv "$out/quads.obj.tmp" "$out/quads.obj"
fi
echo "$out/soup.obj"
echo "$out/star.obj"
echo "$out/random.obj"
echo "$out/random300k.obj"
echo "$out/random3m.obj"
echo "$out/quads.obj"
