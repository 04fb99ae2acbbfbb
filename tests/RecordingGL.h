#pragma once

// Recording stand-ins for the OpenGL calls the drawing code makes. The test program links
// these instead of libGL, so draw() runs without a context and tests read the sequence.

#include <string>
#include <vector>

struct GLCall
{
    std::string name;        // "glBegin", "glColor3f", ...
    std::vector<float> args; // numeric arguments in order (enums as their values)
};

// Every call since the last clearGLCalls(), in order.
std::vector<GLCall>& recordedGLCalls();
void clearGLCalls();
// The names only, for asserting a sequence at a glance.
std::vector<std::string> recordedGLNames();

class Geometry;
// Clears the record, draws g and returns its calls as text without the "gl" prefix, each
// name followed by its arguments ("Vertex3f 1 0 0").
std::vector<std::string> drawnCalls(Geometry& g);
