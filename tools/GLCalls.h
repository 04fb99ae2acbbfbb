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
    X(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
