#!/usr/bin/env bash
# Installs BUILD into a scratch prefix and builds the consumer project twice, against that
# prefix and against the source tree; each build must print the bunny's area.
#   tests/consumer/run.sh BUILD
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$1" --prefix "$prefix" >/dev/null
for f in bin/meshinfo include/MeshCore/HalfEdgeMesh.h include/MeshCore/SupportCode/Vector3.h \
         include/MeshCore/io/MeshFile.h lib/libMeshCore.a lib/cmake/MeshCore/MeshCoreConfig.cmake \
         share/meshviewer/Objs/bunnySmall.obj share/meshviewer/Objs/triangle.obj \
         share/man/man1/meshinfo.1.gz; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
if ls "$prefix/include/"*.h >/dev/null 2>&1; then
    echo "headers installed directly into include/"; exit 1
fi
# Consumers get the folder above MeshCore/ on their include path, not MeshCore/ itself.
if grep -q 'include/MeshCore' "$prefix/lib/cmake/MeshCore/MeshCoreTargets.cmake"; then
    echo "include/MeshCore is on the consumers' include path"; exit 1
fi

build() { # NAME CMAKE-ARGS...
    local name=$1 dir="$scratch/$1"
    shift
    cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
    cmake --build "$dir" >/dev/null
    local out
    out=$("$dir/consumer" "$root/Objs/bunnySmall.obj" 2>/dev/null)
    [ "$out" = "area 218.69" ] || { echo "$name: got '$out'"; exit 1; }
    echo "$name: $out"
}
build installed -DCMAKE_PREFIX_PATH="$prefix"
build source-tree -DMESHCORE_SOURCE_DIR="$root"
