#!/usr/bin/env bash
# Frames per second of the viewer drawing the Stanford dragon (871,414 triangles, from the
# command line) under Xvfb with Mesa's software renderer: (a) drawn directly every frame,
# (b) replayed from the compiled drawing, (c) the vertex-buffer program bench/VboRender.cpp
# with the same triangles and lighting, all in one run.
#   bench/render.sh [SECONDS]     (default 5 seconds counted per case)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-5}
build="$root/build-bench"
for tool in Xvfb; do
    command -v "$tool" >/dev/null || { echo "render.sh: $tool is needed (tools/setup.sh test installs it)" >&2; exit 1; }
done

dragon=$("$root/bench/make_dragon.sh" "$build/data")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target MeshViewer vborender

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")" LIBGL_ALWAYS_SOFTWARE=1

# Each program prints its frame rate with the processor time a frame took in all its threads
# (the rasteriser's included; the X server's copy of each frame is not) and in the thread
# that draws, and the renderer.
# The machine's load is printed before and after, since a loaded machine lowers the rates.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
run() { "$@" 2>/dev/null | grep -E ' fps |^renderer:' || true; }
outa=$(run "$build/MeshViewer" --no-cache --benchmark "$seconds" "$dragon")
outb=$(run "$build/MeshViewer" --benchmark "$seconds" "$dragon")
outc=$(run "$build/vborender" "$dragon" "$seconds")
a=$(grep ' fps ' <<<"$outa" || echo "0 fps (failed)")
b=$(grep ' fps ' <<<"$outb" || echo "0 fps (failed)")
c=$(grep ' fps ' <<<"$outc" || echo "0 fps (failed)")
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$(grep -m1 '^renderer:' < <(printf '%s\n' "$outb" "$outa" "$outc") || echo 'renderer: unknown')"
echo "(a) viewer, drawing cache off: $a"
echo "(b) viewer, drawing cache on:  $b"
echo "(c) vertex-buffer program:     $c"
ms() { sed -n 's/.*frame: \([0-9.]*\) ms.*/\1/p' <<<"$1"; }
awk -v a="${a%% *}" -v b="${b%% *}" -v c="${c%% *}" -v pa="$(ms "$a")" -v pb="$(ms "$b")" -v pc="$(ms "$c")" '
    function ratio(x, y) { return y > 0 ? sprintf("%.2f", x / y) : "n/a" }
    BEGIN {
        printf "frames per second: (b)/(a) = %s (target 3), (b)/(c) = %s (target 0.8)\n", ratio(b, a), ratio(b, c)
        printf "processor time a frame: (a)/(b) = %s, (c)/(b) = %s\n", ratio(pa, pb), ratio(pc, pb)
    }'
