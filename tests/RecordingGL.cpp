#include "tests/RecordingGL.h"

#include "tools/GLCalls.h"

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <functional>
#include <sstream>
#include <utility>

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

// Client state is recorded; a draw call as the Begin, attribute and End calls it stands for.
namespace
{
struct Array
{
    bool on = false;
    const GLfloat* data = nullptr;
    GLsizei stride = 0;
};
Array gColours, gNormals, gVertices;
Array& arrayOf(GLenum which)
{
    return which == GL_COLOR_ARRAY ? gColours : which == GL_NORMAL_ARRAY ? gNormals : gVertices;
}
void point(Array& a, GLsizei stride, const void* p)
{
    a.data = static_cast<const GLfloat*>(p);
    a.stride = stride == 0 ? GLsizei(3 * sizeof(GLfloat)) : stride;
}
} // namespace
void glPushClientAttrib(GLbitfield mask)
{
    Recorder{"glPushClientAttrib"}(mask);
}
void glPopClientAttrib()
{
    Recorder{"glPopClientAttrib"}();
    gColours = gNormals = gVertices = Array();
}
void glEnableClientState(GLenum array)
{
    Recorder{"glEnableClientState"}(array);
    arrayOf(array).on = true;
}
void glColorPointer(GLint, GLenum, GLsizei stride, const void* p)
{
    point(gColours, stride, p);
}
void glNormalPointer(GLenum, GLsizei stride, const void* p)
{
    point(gNormals, stride, p);
}
void glVertexPointer(GLint, GLenum, GLsizei stride, const void* p)
{
    point(gVertices, stride, p);
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    glBegin(mode);
    const std::pair<Array*, void (*)(GLfloat, GLfloat, GLfloat)> arrays[] = {
        {&gColours, glColor3f}, {&gNormals, glNormal3f}, {&gVertices, glVertex3f}};
    for (GLsizei i = first; i < first + count; ++i)
        for (const auto& [a, call] : arrays)
            if (a->on)
            {
                const GLfloat* v = reinterpret_cast<const GLfloat*>(
                    reinterpret_cast<const char*>(a->data) + std::size_t(i) * a->stride);
                call(v[0], v[1], v[2]);
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
