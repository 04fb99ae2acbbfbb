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
for tool in Xvfb npm; do
    command -v "$tool" >/dev/null || { echo "render.sh: $tool is needed (tools/setup.sh test installs Xvfb; apt-get install npm)" >&2; exit 1; }
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

fps() { "$@" 2>/dev/null | grep ' fps ' | tail -n 1; }
a=$(fps "$build/MeshViewer" --no-cache --benchmark "$seconds" "$dragon")
b=$(fps "$build/MeshViewer" --benchmark "$seconds" "$dragon")
c=$(fps "$build/vborender" "$dragon" "$seconds")
echo "renderer: $(DISPLAY=$DISPLAY glxinfo -B 2>/dev/null | grep -m1 'renderer string' | cut -d: -f2- || echo unknown)"
echo "(a) viewer, drawing cache off: $a"
echo "(b) viewer, drawing cache on:  $b"
echo "(c) vertex-buffer program:     $c"
awk -v a="${a%% *}" -v b="${b%% *}" -v c="${c%% *}" \
    'BEGIN { printf "(b)/(a) = %.2f (target 3), (b)/(c) = %.2f (target 0.8)\n", b / a, b / c }'
