#!/usr/bin/env bash
# Shared setup of run.sh and test.sh: installs the Debian packages that are missing, then
# configures (once) and builds (incrementally) in build/.
#   tools/setup.sh viewer   packages to build and run the viewer
#   tools/setup.sh test     those plus what the window tests need (Xvfb, xdotool, ImageMagick)
# Extra CMake arguments can be given in MV_CMAKE_ARGS; they are applied on every run that gives them.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-viewer}

packages=(g++ cmake ninja-build freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libx11-dev libgtest-dev)
if [ "$mode" = test ]; then
    packages+=(xvfb xauth xdotool imagemagick libgl1-mesa-dri x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "Missing packages: ${missing[*]}" >&2
        echo "Install them with:  sudo apt-get install -y ${missing[*]}" >&2
        echo "or run this script through sudo." >&2
        exit 1
    fi
fi

build="$root/build"
# Configure on the first run, and on every run that gives arguments, so that they apply to a
# build tree made earlier without them.
if [ ! -f "$build/build.ninja" ] || [ -n "${MV_CMAKE_ARGS:-}" ]; then
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$build" -G Ninja ${MV_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build"
