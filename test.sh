#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/tools/setup.sh" test
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)" "$@"
