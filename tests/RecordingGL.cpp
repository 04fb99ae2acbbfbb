#include "tests/RecordingGL.h"

#include "tools/GLCalls.h"

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <functional>
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

// Display lists, for the viewer's drawing cache: list numbers count up from 1.
GLuint glGenLists(GLsizei range)
{
    static GLuint next = 1;
    Recorder{"glGenLists"}(range);
    next += static_cast<GLuint>(range);
    return next - static_cast<GLuint>(range);
}
void glNewList(GLuint list, GLenum mode)
{
    Recorder{"glNewList"}(list, mode);
}
void glEndList()
{
    Recorder{"glEndList"}();
}
void glCallList(GLuint list)
{
    Recorder{"glCallList"}(list);
}
void glDeleteLists(GLuint list, GLsizei range)
{
    Recorder{"glDeleteLists"}(list, range);
}
GLenum glGetError()
{
    return GL_NO_ERROR;
}

std::vector<std::string> recordedCalls(const std::function<void()>& run)
{
    gCalls.clear();
    run();
    return gCalls;
}
