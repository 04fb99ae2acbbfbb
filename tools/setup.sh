#!/usr/bin/env bash
# Shared setup of run.sh and test.sh: installs the Debian packages that are missing, then
# configures and builds (incrementally) in build/.
#   tools/setup.sh viewer   what the programs need; builds them and their man pages only
#   tools/setup.sh test     also GoogleTest and what the window tests need (Xvfb,
#                           xdotool, ImageMagick); builds everything
# Extra CMake arguments can be given in MV_CMAKE_ARGS; they are applied on every run that
# gives them.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-viewer}
build="$root/build"

# A build/ left by an earlier run as root cannot be written now.
if [ -e "$build" ] && [ -n "$(find "$build" -maxdepth 1 ! -writable -print -quit)" ]; then
    echo "build/ belongs to another user (an earlier run as root?); fix with:" \
         "sudo chown -R $(id -un): $build" >&2
    exit 1
fi

packages=(g++ cmake ninja-build freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libx11-dev libpng-dev
          zlib1g-dev help2man libegl-dev libopengl-dev libegl-mesa0 libgl1-mesa-dri)
if [ "$mode" = test ]; then
    packages+=(libgtest-dev xvfb xauth xdotool imagemagick libgl1-mesa-dri x11-utils)
fi

. "$root/tools/packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")

if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages; as root, run:" \
                 "apt-get install -y --no-install-recommends ${missing[*]}" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    install=("${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}")
    echo "Installing missing packages: ${sudo[*]} apt-get update; ${install[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${install[@]}" >/dev/null
fi

# The first run configures; a test run turns the tests and the benchmark on in a tree that
# a viewer run configured without them (and GoogleTest); arguments apply whenever given.
args=()
if [ ! -f "$build/build.ninja" ]; then
    [ "$mode" = test ] || args+=(-DMV_BUILD_TESTS=OFF -DMV_BUILD_BENCH=OFF)
    args+=(-G Ninja)
elif [ "$mode" = test ] && ! grep -q '^MV_BUILD_TESTS:BOOL=ON$' "$build/CMakeCache.txt"; then
    args+=(-DMV_BUILD_TESTS=ON -DMV_BUILD_BENCH=ON)
fi
# shellcheck disable=SC2206
args+=(${MV_CMAKE_ARGS:-})
if [ ! -f "$build/build.ninja" ] || [ ${#args[@]} -gt 0 ]; then
    cmake -S "$root" -B "$build" "${args[@]}" >/dev/null
fi
if [ "$mode" = test ]; then
    cmake --build "$build"
else
    cmake --build "$build" --target programs # with their man pages, for cmake --install
fi
