#pragma once

// The OpenGL calls the meshes' draw() makes, as X(name, parameters, arguments). The programs
// without a window define them empty (tools/NoGL.cpp) and the tests as a recording
// (tests/RecordingGL.cpp); one list keeps the two from drifting apart.
#define MV_GL_CALLS(X)                                                                             \
    X(glMatrixMode, (GLenum mode), (mode))                                                         \
    X(glPushMatrix, (), ())                                                                        \
    X(glPopMatrix, (), ())                                                                         \
    X(glLoadMatrixf, (const GLfloat* m), (m))                                                      \
    X(glBegin, (GLenum mode), (mode))                                                              \
    X(glEnd, (), ())                                                                               \
    X(glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b))                                     \
    X(glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                    \
    X(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                    \
    X(glPushClientAttrib, (GLbitfield mask), (mask))                                               \
    X(glPopClientAttrib, (), ())                                                                   \
    X(glEnableClientState, (GLenum array), (array))

// Vertex arrays: the tests record what a draw call draws, not the calls themselves.
#define MV_GL_ARRAY_CALLS(X)                                                                       \
    X(glGetIntegerv, (GLenum name, GLint * values), (name, values))                                \
    X(glColorPointer, (GLint size, GLenum type, GLsizei stride, const void* p),                    \
      (size, type, stride, p))                                                                     \
    X(glNormalPointer, (GLenum type, GLsizei stride, const void* p), (type, stride, p))            \
    X(glVertexPointer, (GLint size, GLenum type, GLsizei stride, const void* p),                   \
      (size, type, stride, p))                                                                     \
    X(glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count))
