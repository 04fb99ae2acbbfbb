// The programs without a window (meshinfo, meshbench, the fuzz target) never draw, but the
// meshes' draw() refers to these OpenGL calls. Empty definitions satisfy the references, so
// those programs need no OpenGL library and run where there is no display.

#include "tools/GLCalls.h"

#include <GL/gl.h>

namespace
{
template <class... T> void ignore(const T&...) {}
} // namespace

#define MV_GL_IGNORE(name, parameters, arguments)                                                  \
    void name parameters                                                                           \
    {                                                                                              \
        ignore arguments;                                                                          \
    }
MV_GL_CALLS(MV_GL_IGNORE)
