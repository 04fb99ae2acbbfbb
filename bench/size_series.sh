#!/usr/bin/env bash
# Cost per triangle as the mesh grows: the dragon (871,414 triangles), split into 4 and into
# 16 by bench/subdivide (3.5M and 14M triangles; OBJ and binary STL), each read by meshinfo
# (-j 1 and default), the key-2 pipeline of meshbench, the viewer's off-screen screenshot,
# OpenMesh and CGAL (in meshbench) and admesh -e. Each program runs RUNS times, interleaved
# over programs and sizes; wall time and peak memory (/usr/bin/time) are reported as medians
# per triangle with their ratio to the dragon's, and the peers as paired ratios (ours over
# theirs within one round, median over the rounds).
#   bench/size_series.sh [RUNS]     (default 3; the data stays in build-series/data)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-3}
[[ $runs =~ ^[1-9][0-9]?$ ]] || { echo "size_series.sh: RUNS must be a number from 1 to 99" >&2; exit 2; }
build="$root/build-series"
data="$build/data"
load() { cut -d' ' -f1-3 /proc/loadavg; }
load_start=$(load)

. "$root/tools/packages.sh"
mapfile -t missing < <(missing_packages g++ cmake ninja-build libopenmesh-dev libcgal-dev admesh \
    libegl-dev libegl-mesa0 libgl1-mesa-dri time)
command -v npm >/dev/null || missing+=(npm) # fetches the dragon
[ ${#missing[@]} -eq 0 ] || install_packages bench/size_series.sh "${missing[@]}"

# The files take about 1.7 GB (the 14M OBJ 600 MB, its STL 700 MB); the largest run, CGAL on
# 14M triangles, about 2.6 GB.
mkdir -p "$data"
need_mb=0
for f in dragon.stl:45 dragon4.obj:145 dragon4.stl:175 dragon16.obj:610 dragon16.stl:700; do
    [ -s "$data/${f%%:*}" ] || need_mb=$((need_mb + ${f##*:}))
done
free_mb=$(df -Pm "$data" | awk 'NR == 2 { print $4 }')
if [ "$free_mb" -lt $((need_mb + 500)) ]; then
    echo "size_series.sh: $free_mb MB free in $data; the files need $need_mb MB and 500 MB to spare" >&2
    exit 1
fi
avail_mb=$(awk '/^MemAvailable:/ { print int($2 / 1024) }' /proc/meminfo)
if [ "$avail_mb" -lt 6000 ]; then
    echo "size_series.sh: $avail_mb MB of memory available; the 14M-triangle runs need 6000 MB" >&2
    exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BENCH_COMPARE=ON \
      -DMV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target meshinfo meshbench subdivide MeshViewer >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"; rm -f "$data"/*.partial' EXIT

"$root/bench/make_dragon.sh" "$data" >/dev/null
generate() { # generate OUT LEVELS: from the dragon OBJ, unless OUT is there already
    [ -s "$data/$1" ] || "$build/subdivide" "$data/dragon.obj" "$data/$1" "$2" >/dev/null
}
generate dragon.stl 0
generate dragon4.obj 1
generate dragon4.stl 1
generate dragon16.obj 2
generate dragon16.stl 2

sizes=(dragon dragon4 dragon16)
declare -A tris
for s in "${sizes[@]}"; do
    tris[$s]=$(( ($(stat -c %s "$data/$s.stl") - 84) / 50 ))
done

# name|label|format|command (FILE stands for the input)
programs=(
    "mi1|meshinfo -j 1|obj|$build/meshinfo -j 1 FILE"
    "mi|meshinfo|obj|$build/meshinfo FILE"
    "mis|meshinfo|stl|$build/meshinfo FILE"
    "key2|key-2 pipeline (meshbench HalfEdgeMesh)|obj|$build/meshbench --runs 1 --only HalfEdgeMesh FILE"
    "view|MeshViewer --screenshot|obj|$build/MeshViewer --screenshot $work/shot.png FILE"
    "om|OpenMesh (meshbench)|obj|$build/meshbench --runs 1 --only OpenMesh FILE"
    "cgal|CGAL (meshbench)|obj|$build/meshbench --runs 1 --only CGAL FILE"
    "admesh|admesh -e|stl|admesh -e FILE"
)
# Each of ours beside the peer doing the same work on the same file.
pairs=("key2 om" "key2 cgal" "mis admesh")

# One line per run: round, program, size, nanoseconds, peak KiB (or "failed").
results="$work/results"
: >"$results"
for ((r = 1; r <= runs; r++)); do
    for s in "${sizes[@]}"; do
        for p in "${programs[@]}"; do
            IFS='|' read -r name _ format command <<<"$p"
            read -ra argv <<<"${command//FILE/$data/$s.$format}"
            start=$(date +%s%N)
            # No display: the viewer renders through EGL's surfaceless platform.
            if env -u DISPLAY /usr/bin/time -f %M -o "$work/rss" "${argv[@]}" >/dev/null 2>"$work/err"; then
                echo "$r $name $s $(($(date +%s%N) - start)) $(tail -n 1 "$work/rss")" >>"$results"
            else
                echo "$r $name $s failed" >>"$results"
                echo "size_series.sh: $name failed on $s.$format: $(grep -v '^Command exited' "$work/err" | tail -n 1)" >&2
            fi
            rm -f "$work/shot.png"
        done
    done
done
load_end=$(load)

labels=$(printf '%s\n' "${programs[@]}" | cut -d'|' -f1-3)
sizes_tris=$(for s in "${sizes[@]}"; do echo "$s ${tris[$s]}"; done)
awk -v labels="$labels" -v sizes="$sizes_tris" -v pairs="$(printf '%s\n' "${pairs[@]}")" \
    -v load_start="$load_start" -v load_end="$load_end" -v runs="$runs" '
    function median(list,    n, v, i, j, t) {
        n = split(list, v, " ")
        if (n == 0) return ""
        for (i = 2; i <= n; i++)
            for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function fmt(x, digits) { return x == "" ? "failed" : sprintf("%." digits "f", x) }
    { if ($4 != "failed") { ns[$2, $3] = ns[$2, $3] " " $4; kb[$2, $3] = kb[$2, $3] " " $5
                            t[$1, $2, $3] = $4; m[$1, $2, $3] = $5 } }
    END {
        np = split(labels, lines, "\n")
        ns_ = split(sizes, sl, "\n")
        for (i = 1; i <= ns_; i++) { split(sl[i], f, " "); size[i] = f[1]; count[f[1]] = f[2] }
        split(load_start, a, " "); split(load_end, b, " ")
        # The runs themselves take the load up to 1 or 2 (two threads of meshinfo) by the end.
        idle = a[1] <= 0.5 && b[1] <= 2.0
        printf "Medians of %d runs. Load average at start %s, at end %s: %s.\n\n", runs, load_start,
               load_end, idle ? "an idle run" : "not idle"
        print "| program | file | triangles | ns per triangle | bytes per triangle | time vs dragon | memory vs dragon |"
        print "|---|---|---:|---:|---:|---:|---:|"
        if (!idle)
            printf "| warning: 1-minute load %s at start, %s at end (above 0.5 at the start or 2 at the end): not an idle run, figures indicative only | | | | | | |\n", a[1], b[1]
        for (i = 1; i <= np; i++) {
            split(lines[i], f, "|")
            for (j = 1; j <= ns_; j++) {
                s = size[j]; n = count[s]
                tm = median(ns[f[1], s]); mm = median(kb[f[1], s])
                pt[j] = tm == "" ? "" : tm / n; pm[j] = mm == "" ? "" : mm * 1024 / n
                rt = pt[j] == "" || pt[1] == "" ? "" : pt[j] / pt[1]
                rm = pm[j] == "" || pm[1] == "" ? "" : pm[j] / pm[1]
                printf "| %s | %s.%s | %d | %s | %s | %s | %s |\n", f[2], s, f[3], n, fmt(pt[j], 0),
                       fmt(pm[j], 0), fmt(rt, 2), fmt(rm, 2)
            }
        }
        print "\n| ours / peer, paired (time; memory) | " size[1] " | " size[2] " | " size[3] " |"
        print "|---|---:|---:|---:|"
        npairs = split(pairs, pl, "\n")
        for (i = 1; i <= npairs; i++) {
            split(pl[i], q, " ")
            for (k = 1; k <= np; k++) { split(lines[k], f, "|"); if (f[1] == q[1]) lo = f[2] " (" f[3] ")"; if (f[1] == q[2]) lt = f[2] " (" f[3] ")" }
            row = "| " lo " / " lt
            for (j = 1; j <= ns_; j++) {
                rt = ""; rm = ""
                for (r = 1; r <= runs; r++)
                    if ((r, q[1], size[j]) in t && (r, q[2], size[j]) in t) {
                        rt = rt " " t[r, q[1], size[j]] / t[r, q[2], size[j]]
                        rm = rm " " m[r, q[1], size[j]] / m[r, q[2], size[j]]
                    }
                row = row " | " fmt(median(rt), 2) "; " fmt(median(rm), 2)
            }
            print row " |"
        }
    }' "$results"
