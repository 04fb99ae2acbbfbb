#!/usr/bin/env bash
# Time to a first picture, each as a whole process: MeshViewer --screenshot against
# Debian's f3d --output on the Stanford dragon at the same size (1024 x 768), side by side
# in one virtual X server, the two runs alternating; the viewer also without any X server
# (off screen through EGL). Then thumbnails of many small meshes with --screenshot-dir.
#   bench/first_picture.sh [RUNS] [THUMBNAILS]     (defaults 5 and 1000)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-5}
thumbs=${2:-1000}
build="$root/build-bench"
for tool in Xvfb f3d; do
    command -v "$tool" >/dev/null || { echo "first_picture.sh: $tool is needed (apt-get install xvfb f3d)" >&2; exit 1; }
done

dragon=$("$root/bench/make_dragon.sh" "$build/data")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF \
      -DMV_BUILD_VIEWER=ON >/dev/null # the build folder may be bench/collection.sh's, without it
cmake --build "$build" --target MeshViewer >/dev/null

work=$(mktemp -d)
xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n 1 "$work/display")"

# seconds COMMAND...: "wall-clock processor" seconds of one run (processor time in all its
# threads: less disturbed by a loaded machine), which must write its picture.
seconds() {
    rm -f "$work/shot.png"
    /usr/bin/time -o "$work/time" -f '%e %U %S' "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    [ -s "$work/shot.png" ] || { echo "no picture: $*" >&2; exit 1; }
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}
# median COLUMN <FILE
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/viewer" && : >"$work/f3d" && : >"$work/offscreen"
for _ in $(seq "$runs"); do
    seconds env DISPLAY="$display" "$build/MeshViewer" --screenshot "$work/shot.png" "$dragon" >>"$work/viewer"
    seconds env DISPLAY="$display" f3d --resolution=1024,768 --output="$work/shot.png" "$dragon" >>"$work/f3d"
    seconds env -u DISPLAY "$build/MeshViewer" --screenshot "$work/shot.png" "$dragon" >>"$work/offscreen"
done
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
for c in 1 2; do
    v=$(median $c <"$work/viewer") f=$(median $c <"$work/f3d") o=$(median $c <"$work/offscreen")
    printf 'dragon, median of %d runs, %s: MeshViewer --screenshot %.2f s (off screen %.2f s), f3d --output %.2f s: %.2f (%.2f) of f3d'"'"'s\n' \
        "$runs" "$([ $c = 1 ] && echo wall clock || echo processor time)" "$v" "$o" "$f" "$(echo "$v / $f" | bc -l)" "$(echo "$o / $f" | bc -l)"
done

# Thumbnails: small generated meshes (an 8 x 16 sphere each, moved a little), one process.
mkdir -p "$work/small" "$work/thumbs"
for i in $(seq "$thumbs"); do
    awk -v s="$i" 'BEGIN { pi = atan2(0, -1); n = 16; m = 8; print "v 0 1 0"
        for (i = 1; i < m; i++) for (j = 0; j < n; j++)
            printf "v %.6f %.6f %.6f\n", sin(pi*i/m)*cos(2*pi*j/n) + s, cos(pi*i/m), sin(pi*i/m)*sin(2*pi*j/n)
        print "v 0 -1 0"; t = (m - 1) * n + 2
        for (j = 0; j < n; j++) { k = (j + 1) % n; printf "f 1 %d %d\nf %d %d %d\n", 2 + k, 2 + j, t, t - n + j, t - n + k }
        for (i = 1; i < m - 1; i++) for (j = 0; j < n; j++) { k = (j + 1) % n; a = 2 + (i-1)*n + j; b = 2 + (i-1)*n + k
            printf "f %d %d %d\nf %d %d %d\n", a, b, a + n, b, b + n, a + n } }' >"$work/small/m$i.obj"
done
/usr/bin/time -o "$work/time" -f '%e %U %S' env -u DISPLAY "$build/MeshViewer" -geometry 256x256 \
    --screenshot-dir "$work/thumbs" "$work"/small/*.obj >/dev/null 2>&1 || true
made=$(find "$work/thumbs" -name '*.png' | wc -l)
read -r wall user sys <"$work/time"
printf '%d thumbnails of 256 x 256 (off screen) in %.2f s: %.0f per second, %.0f per second of processor time\n' \
    "$made" "$wall" "$(echo "$made / $wall" | bc -l)" "$(echo "$made / ($user + $sys)" | bc -l)"
