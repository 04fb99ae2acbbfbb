#!/usr/bin/env bash
# Times meshrepair on the dragon as a binary STL beside admesh (Debian) repairing and writing
# the same file, and beside meshinfo reading it: paired runs, medians. Builds meshrepair and
# meshinfo in Release in build-release/, writes the dragon OBJ (bench/make_dragon.sh) and the
# STL made from it into build-release/bench-data/, installs admesh if missing.
#   bench/repair.sh [RUNS]      (default 7)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-7}
build="$root/build-release"
data="$build/bench-data"

if ! command -v admesh >/dev/null; then
    . "$root/tools/packages.sh"
    install_packages bench/repair.sh admesh
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=OFF -DMV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target meshrepair meshinfo >/dev/null

obj=$("$root/bench/make_dragon.sh" "$data")
stl="$data/dragon.stl"
if [ ! -s "$stl" ]; then
    # Binary STL: an 80-byte header, the count, then per triangle a zero normal, three
    # corners as little-endian floats and two zero bytes.
    python3 - "$obj" "$stl" <<'PY'
import struct, sys
positions, faces = [], []
for line in open(sys.argv[1]):
    if line.startswith('v '):
        positions.append(tuple(float(x) for x in line.split()[1:4]))
    elif line.startswith('f '):
        faces.append([int(x.split('/')[0]) - 1 for x in line.split()[1:4]])
with open(sys.argv[2], 'wb') as out:
    out.write(b'\0' * 80 + struct.pack('<I', len(faces)))
    corner = struct.Struct('<12fH').pack
    for a, b, c in faces:
        out.write(corner(0, 0, 0, *positions[a], *positions[b], *positions[c], 0))
PY
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "load before: $(uptime)"
# Time: paired runs, each command in a fresh process (farm-bench when there is one).
pair() {
    local label=$1 b=$2
    shift 2
    echo
    echo "== $label"
    if command -v farm-bench >/dev/null; then
        farm-bench -n "$runs" --timeout 900 --vs "$b" -- "$@"
    else
        for _ in $(seq "$runs"); do
            /usr/bin/time -f "A %e s %M KiB" "$@" >/dev/null
            /usr/bin/time -f "B %e s %M KiB" sh -c "$b" >/dev/null
        done
    fi
}
pair "meshrepair (A) against admesh -e -f -d -v (B), dragon binary STL" \
    "admesh -e -f -d -v -b $out/admesh.stl $stl" \
    "$build/meshrepair" "$stl" "$out/meshrepair.stl"
pair "meshrepair (A) against meshinfo (B)" "$build/meshinfo --quiet $stl" \
    "$build/meshrepair" "$stl" "$out/meshrepair.stl"
echo
echo "load after: $(uptime)"
"$build/meshrepair" --json "$stl" "$out/meshrepair.stl" | grep -E '"(faces|volume|genus)"'
