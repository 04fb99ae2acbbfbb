#!/usr/bin/env bash
# Sets up, builds and starts the viewer from the project root, where it finds Objs/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/tools/setup.sh" viewer
cd "$root"
exec ./build/MeshViewer "$@"
