#pragma once

#include <cstddef>
#include <cstdint>

// Inputs longer than this are skipped: mesh work grows faster than linearly with the valence
// of a vertex, so longer inputs spend the fuzzer's time on slow runs, not new paths.
constexpr std::size_t FUZZ_MAX_INPUT = 64 * 1024;

// Reads the bytes through every reader (OBJ, STL, PLY, OFF) into the half-edge mesh, and as
// an OBJ file into the simple mesh as the viewer does, and runs on them everything the viewer
// and meshinfo run. Output to standard output and error is discarded meanwhile.
void runFuzzPipeline(const std::uint8_t* data, std::size_t size);

// Reads the bytes under every extension twice, as a seekable file and as a pipe that gives
// them in short reads, and aborts unless both answers (kind, message, data) are the same.
void runReadersDifferential(const std::uint8_t* data, std::size_t size);
