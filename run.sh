#!/usr/bin/env bash
# Sets up, builds and starts the viewer from the project root, where keys 1 and 2 find Objs/.
#   ./run.sh [OPTIONS] [FILE ...]
# Files are named relative to the directory this is run in; options pass through unchanged.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
args=()
for a in "$@"; do
    if [[ "$a" != -* && "$a" != /* && -e "$a" ]]; then
        a="$PWD/$a"
    fi
    args+=("$a")
done
"$root/tools/setup.sh" viewer
cd "$root"
exec ./build/MeshViewer "${args[@]}"
