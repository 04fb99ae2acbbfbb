#!/usr/bin/env bash
# Times meshinfo on the worst shapes in every format it reads, against the dragon in the
# same format: soup and star (bench/make_shapes.sh), pinch (a thousand open fans meeting at
# one vertex) and edge (every triangle on one edge), each written as OBJ, binary and ASCII
# STL, binary and ASCII PLY, ASCII PLY with line feeds as the only separators, and OFF.
# Each file runs three times; the table gives the medians of wall time and peak resident
# memory, and both per triangle over the dragon's per triangle in that format (over 3 in bold).
#   bench/formats.sh [TRIANGLES]   (default 1000000; generated data goes to the build folder)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
n=${1:-1000000}
build="$root/build-bench-formats"
data="$build/data-$n"
formats="obj bin.stl ascii.stl bin.ply ascii.ply lf.ply off"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=OFF -DMV_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$build" -j2 --target meshinfo >/dev/null
meshinfo="$build/meshinfo"

mkdir -p "$data"
dragon=$("$root/bench/make_dragon.sh" "$build/data")
"$root/bench/make_shapes.sh" "$data" "$n" >/dev/null
if [ ! -s "$data/pinch.obj" ]; then
    awk -v n="$n" 'BEGIN {
        k = 1000; m = int(n / k); r = m + 1
        print "v 0 0 0"
        for (j = 0; j < k; j++)
            for (i = 0; i < r; i++) {
                t = 6.283185307 * (j * r + i) / (k * r)
                printf "v %.6f %.6f %d\n", 10 * cos(t), 10 * sin(t), 1 + j % 2
            }
        for (j = 0; j < k; j++)
            for (i = 0; i < m; i++) printf "f 1 %d %d\n", 2 + j * r + i, 3 + j * r + i
    }' > "$data/pinch.obj.tmp"
    mv "$data/pinch.obj.tmp" "$data/pinch.obj"
fi
if [ ! -s "$data/edge.obj" ]; then
    awk -v n="$n" 'BEGIN {
        print "v 0 0 0"; print "v 1 0 0"
        for (i = 0; i < n; i++) {
            t = 6.283185307 * i / n
            printf "v 0.5 %.6f %.6f\n", 10 * cos(t), 10 * sin(t)
        }
        for (i = 0; i < n; i++) printf "f 1 2 %d\n", i + 3
    }' > "$data/edge.obj.tmp"
    mv "$data/edge.obj.tmp" "$data/edge.obj"
fi

# median of three runs: "SECONDS KIB TRIANGLES"
measure() {
    local file=$1 t s k runs=()
    local tri
    tri=$("$meshinfo" --json "$file" 2>/dev/null | grep -o '"faces": *[0-9]*' | head -1 | grep -o '[0-9]*$')
    for _ in 1 2 3; do
        t=$(mktemp)
        if ! /usr/bin/time -f '%e %M' -o "$t" "$meshinfo" --quiet "$file" >/dev/null 2>&1; then
            echo "formats.sh: meshinfo failed on $file" >&2
        fi
        runs+=("$(cat "$t")")
        rm -f "$t"
    done
    s=$(printf '%s\n' "${runs[@]}" | awk '{print $1}' | sort -n | sed -n 2p)
    k=$(printf '%s\n' "${runs[@]}" | awk '{print $2}' | sort -n | sed -n 2p)
    echo "$s $k ${tri:-0}"
}

results="$build/formats-$n.txt"
: > "$results"
for shape in dragon soup star pinch edge; do
    if [ "$shape" = dragon ]; then src=$dragon; else src="$data/$shape.obj"; fi
    stem="$data/conv-$shape"
    python3 "$root/bench/convert_formats.py" "$src" "$stem"
    for f in $formats; do
        if [ "$f" = obj ]; then file=$src; else file="$stem.$f"; fi
        echo "$shape $f $(measure "$file")" | tee -a "$results" >&2
        [ "$f" = obj ] || rm -f "$file" # a million ASCII STL triangles take a quarter of a gigabyte
    done
done

echo "| shape | format | triangles | ms | ms/triangle vs dragon | peak MiB | MiB/triangle vs dragon |"
echo "|---|---|---:|---:|---:|---:|---:|"
awk '
    $1 == "dragon" { ds[$2] = $3 / $5; dk[$2] = $4 / $5 }
    {
        rt = ($3 / $5) / ds[$2]; rk = ($4 / $5) / dk[$2]
        printf "| %s | %s | %d | %.0f | %s | %.1f | %s |\n", $1, $2, $5, $3 * 1000, ratio(rt), $4 / 1024, ratio(rk)
    }
    function ratio(r) { return sprintf(r > 3 ? "**%.2f**" : "%.2f", r) }' "$results"
