// The practical limit for the viewer's drawing: the same triangles, normals, colours and
// lighting, drawn from vertex buffers with one indexed call a frame. Prints the frame rate
// counted over the given seconds, after one second of warm-up.
//   vborender FILE.obj SECONDS

#define GL_GLEXT_PROTOTYPES

#include "ObjIO.h"
#include "SimpleMesh.h"
#include "viewer/DrawState.h"
#include "viewer/FrameBenchmark.h"
#include "viewer/Framing.h"

#include "SupportCode/ColorMap.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace
{
GLsizei gIndexCount = 0;
Vector3<float> gEye, gCentre;
FrameBenchmark gBenchmark;

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 0.05, 100.0);
    gluLookAt(gEye[0], gEye[1], gEye[2], gCentre[0], gCentre[1], gCentre[2], 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat light[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glDrawElements(GL_TRIANGLES, gIndexCount, GL_UNSIGNED_INT, nullptr);
    glutSwapBuffers();
    if (gBenchmark.frameDone())
        std::exit(0);
}
} // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: vborender FILE.obj SECONDS\n");
        return 2;
    }
    gBenchmark = FrameBenchmark(std::atof(argv[2]));
    SimpleMesh mesh;
    std::ifstream in(argv[1], std::ios::binary);
    ObjIO reader;
    reader.setReleaseTriangles(true);
    if (!in || !reader.load(&mesh, in))
        return 1;
    mesh.calculateVertexNormals();

    // Placed and framed as the viewer's home view places and frames one file.
    Framing::Box box;
    for (const Vector3<float>& p : mesh.getVerts())
        box.add(p);
    const Matrix4x4<float> t = Framing::placeSideBySide({box})[0];
    const ColorMap colours;
    std::vector<GLfloat> data; // position, normal, colour per vertex
    data.reserve(mesh.getVerts().size() * 9);
    Framing::Box placed;
    for (std::size_t v = 0; v < mesh.getVerts().size(); ++v)
    {
        const Vector3<float>& p = mesh.getVerts()[v];
        const Vector4<float> q = t * Vector4<float>(p[0], p[1], p[2], 1.0f);
        const Vector3<float>& n = mesh.getNormals()[v];
        const Vector3<float> c = colours.map(n, -1.0f, 1.0f);
        data.insert(data.end(), {q[0], q[1], q[2], n[0], n[1], n[2], c[0], c[1], c[2]});
        placed.add(Vector3<float>(q[0], q[1], q[2]));
    }
    std::vector<GLuint> indices;
    indices.reserve(mesh.getTris().size() * 3);
    for (const SimpleMesh::Face& f : mesh.getTris())
        indices.insert(indices.end(), {f.v1, f.v2, f.v3});
    gIndexCount = static_cast<GLsizei>(indices.size());
    gCentre = placed.centre();
    gEye = gCentre + Framing::HOME_DIRECTION * Framing::viewDistance(placed.radius(), 45.0);

    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("vborender");
    keepFreedMemory();
    setDrawState();

    GLuint buffers[2];
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(GLfloat)),
                 data.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
                 indices.data(), GL_STATIC_DRAW);
    const GLsizei stride = 9 * sizeof(GLfloat);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, nullptr);
    glNormalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(3 * sizeof(GLfloat)));
    glColorPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(6 * sizeof(GLfloat)));

    glutDisplayFunc(display);
    glutIdleFunc(glutPostRedisplay);
    glutMainLoop();
    return 0;
}
