#!/usr/bin/env bash
# Builds the fuzz targets with Clang (libFuzzer, ASan, UBSan) in build-fuzz/ and runs it for
# a fixed time in total from the committed seed corpus. New corpus entries go to a scratch folder; a
# crashing or hanging input is written to build-fuzz/findings/ and fails the run.
#   tools/fuzz.sh [SECONDS]     (default 60)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"

# Clang and its libFuzzer runtime, from Debian, if missing.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '#include <cstddef>\n#include <cstdint>\nextern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n' > "$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
    . "$root/tools/packages.sh"
    install_packages tools/fuzz.sh clang libclang-rt-dev
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMV_FUZZ=ON -DMV_BUILD_TESTS=OFF \
          -DMV_BUILD_VIEWER=OFF -DMV_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target ObjIOFuzz ReadersFuzz WriterFuzz RepairFuzz

# The time is shared, so that the whole run takes about SECONDS: two fifths for the readers
# and meshes, a fifth each for reading a file against reading the same bytes from a pipe,
# for the writers' round trip and for the repair's claims.
mkdir -p "$build/findings"
for target in ObjIOFuzz:$((seconds * 2 / 5)) ReadersFuzz:$((seconds / 5)) \
              WriterFuzz:$((seconds / 5)) RepairFuzz:$((seconds - seconds * 2 / 5 - 2 * (seconds / 5))); do
    name=${target%%:*}
    corpus="$probe/corpus-$name"
    mkdir -p "$corpus"
    # The cap matches the targets' own (FUZZ_MAX_INPUT); -timeout flags a hang.
    "$build/$name" -max_total_time="${target##*:}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -dict="$root/tests/fuzz/obj.dict" -artifact_prefix="$build/findings/" \
        -print_final_stats=1 "$corpus" "$root/tests/fuzz/corpus"
done
