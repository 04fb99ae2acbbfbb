#pragma once

// Recording stand-ins for the OpenGL calls the drawing code makes (tools/GLCalls.h). The
// test program links these instead of libGL, so draw() runs without a context.

#include <functional>
#include <string>
#include <vector>

class Geometry;
// Draws g and returns the calls it made, as text without the "gl" prefix, each name
// followed by its arguments ("Vertex3f 1 0 0"; enums as numbers, a matrix as 16).
std::vector<std::string> drawnCalls(Geometry& g);
// Runs run() and returns the calls it made, in the same form.
std::vector<std::string> recordedCalls(const std::function<void()>& run);
