#!/usr/bin/env bash
# Sets up, builds and starts the viewer from the project root, where keys 1 and 2 find Objs/.
#   ./run.sh [OPTIONS] [FILE ...]
# Files and output names are taken relative to the directory this is run in: the viewer
# gets it in MV_CALLER_DIR. Options pass through unchanged.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/tools/setup.sh" viewer
export MV_CALLER_DIR="$PWD"
cd "$root"
exec ./build/MeshViewer "$@"
