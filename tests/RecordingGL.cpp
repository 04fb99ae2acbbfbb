#include "tests/RecordingGL.h"

#include "tools/GLCalls.h"

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <sstream>

namespace
{
std::vector<std::string> gCalls;

void append(std::ostringstream& os, const GLfloat* m)
{
    for (int i = 0; i < 16; i++)
        os << " " << m[i];
}
template <class T> void append(std::ostringstream& os, T value)
{
    os << " " << static_cast<float>(value);
}
struct Recorder
{
    const char* name;
    template <class... T> void operator()(T... values) const
    {
        std::ostringstream os;
        os << name + 2;
        (append(os, values), ...);
        gCalls.push_back(os.str());
    }
};
} // namespace

std::vector<std::string> drawnCalls(Geometry& g)
{
    gCalls.clear();
    g.draw();
    return gCalls;
}

// <GL/gl.h> declares these with C linkage, so the definitions replace libGL's.
#define MV_GL_RECORD(name, parameters, arguments)                                                  \
    void name parameters                                                                           \
    {                                                                                              \
        Recorder{#name} arguments;                                                                 \
    }
MV_GL_CALLS(MV_GL_RECORD)
