// The programs without a window (meshinfo, meshbench, the fuzz target) never draw, but the
// meshes' draw() refers to these OpenGL calls. Empty definitions satisfy the references, so
// those programs need no OpenGL library and run where there is no display.

#include <GL/gl.h>

void glMatrixMode(GLenum) {}
void glPushMatrix() {}
void glPopMatrix() {}
void glLoadMatrixf(const GLfloat*) {}
void glBegin(GLenum) {}
void glEnd() {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
