#include "tests/RecordingGL.h"

#include "tools/GLCalls.h"

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <cstring>
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

// Vertex arrays (colours, normals, positions): a draw call is recorded as the Begin,
// attribute and End calls it stands for.
namespace
{
const char* gArrays[3] = {};
GLint gCompiling = 0; // the list glNewList compiles, until glEndList
GLsizei gStrides[3] = {};
} // namespace
void glGetIntegerv(GLenum name, GLint* values)
{
    *values = name == GL_LIST_INDEX ? gCompiling : 0;
}
void glColorPointer(GLint, GLenum, GLsizei stride, const void* p)
{
    gArrays[0] = static_cast<const char*>(p), gStrides[0] = stride;
}
void glNormalPointer(GLenum, GLsizei stride, const void* p)
{
    gArrays[1] = static_cast<const char*>(p), gStrides[1] = stride;
}
void glVertexPointer(GLint, GLenum, GLsizei stride, const void* p)
{
    gArrays[2] = static_cast<const char*>(p), gStrides[2] = stride;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    void (*const calls[3])(GLfloat, GLfloat, GLfloat) = {glColor3f, glNormal3f, glVertex3f};
    glBegin(mode);
    for (GLsizei i = first; i < first + count; ++i)
        for (int a = 0; a < 3; ++a)
        {
            GLfloat v[3];
            std::memcpy(v, gArrays[a] + std::size_t(i) * std::size_t(gStrides[a]), sizeof v);
            calls[a](v[0], v[1], v[2]);
        }
    glEnd();
}

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
    gCompiling = static_cast<GLint>(list);
}
void glEndList()
{
    Recorder{"glEndList"}();
    gCompiling = 0;
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
