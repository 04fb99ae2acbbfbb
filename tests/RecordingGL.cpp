#include "tests/RecordingGL.h"

#include "SupportCode/Geometry.h"

#include <GL/gl.h>

#include <sstream>

namespace
{
std::vector<GLCall> gCalls;

void record(const char* name, std::vector<float> args = {})
{
    gCalls.push_back(GLCall{name, std::move(args)});
}
} // namespace

std::vector<GLCall>& recordedGLCalls()
{
    return gCalls;
}

void clearGLCalls()
{
    gCalls.clear();
}

std::vector<std::string> recordedGLNames()
{
    std::vector<std::string> names;
    names.reserve(gCalls.size());
    for (const GLCall& c : gCalls)
        names.push_back(c.name);
    return names;
}

std::vector<std::string> drawnCalls(Geometry& g)
{
    clearGLCalls();
    g.draw();
    std::vector<std::string> out;
    for (const GLCall& c : gCalls)
    {
        std::ostringstream os;
        os << c.name.substr(2);
        for (float a : c.args)
            os << " " << a;
        out.push_back(os.str());
    }
    return out;
}

// <GL/gl.h> declares these with C linkage, so the definitions below replace libGL's.
void glMatrixMode(GLenum mode)
{
    record("glMatrixMode", {static_cast<float>(mode)});
}
void glPushMatrix()
{
    record("glPushMatrix");
}
void glPopMatrix()
{
    record("glPopMatrix");
}
void glLoadMatrixf(const GLfloat* m)
{
    record("glLoadMatrixf", std::vector<float>(m, m + 16));
}
void glBegin(GLenum mode)
{
    record("glBegin", {static_cast<float>(mode)});
}
void glEnd()
{
    record("glEnd");
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    record("glColor3f", {r, g, b});
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glNormal3f", {x, y, z});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", {x, y, z});
}
