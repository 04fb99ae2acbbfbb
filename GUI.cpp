#include "GUI.h"

#include "HalfEdgeMesh.h"
#include "ObjIO.h"
#include "SimpleMesh.h"

#include "SupportCode/Matrix4x4.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

namespace
{
const int WINDOW_WIDTH = 1024;
const int WINDOW_HEIGHT = 768;
const int WINDOW_X = 100;
const int WINDOW_Y = 100;
const GLdouble FIELD_OF_VIEW = 45.0;
const GLdouble NEAR_PLANE = 0.05f; // the single-precision value, widened
const GLdouble FAR_PLANE = 100.0;
const double PI = 3.14159265358979323846;

// 0.7 and 0.3 grey for the grid lines, a darker one every subGridLines.
const GLfloat LIGHT_GREY = 0.7f;
const GLfloat DARK_GREY = 0.3f;

// Flushed at once: standard output may be a pipe, and the user should see it while the
// viewer runs on.
void reportUnopenedFile(const std::string& filename)
{
    std::printf("Could not open file [%s]\n", filename.c_str());
    std::fflush(stdout);
}

// The viewer never looks at the parsed triangles again, so the reader may let them go as
// the mesh takes them in.
void loadInto(Mesh* mesh, std::istream& stream)
{
    ObjIO reader;
    reader.setReleaseTriangles(true);
    reader.load(mesh, stream);
}

void setPerspective(float aspect)
{
    gluPerspective(FIELD_OF_VIEW, aspect, NEAR_PLANE, FAR_PLANE);
}
} // namespace

GUI::GUI()
    : mWindowHeight(WINDOW_HEIGHT), mWindowWidth(WINDOW_WIDTH),
      mMousePos(ViewerMath::NO_MOUSE_SAMPLE), mOldMousePos{0, 0}, mCam(Camera::home()),
      mFrameTimestamp(0.0f), mDrawXZPlane(true), mFramecounter(0), mTimeSinceLastFPS(0.0f),
      mCurrentFPS(0.0f)
{
    mClockArray[0].start();
    mClockArray[1].highPrecision(true);
    mClockArray[1].start();
    mFrameTimestamp = static_cast<float>(mClockArray[1].read());
}

GUI::~GUI()
{
    for (Geometry* g : mGeometryList)
        delete g;
    mGeometryList.clear();
}

void GUI::init()
{
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(WINDOW_X, WINDOW_Y);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    glutCreateWindow("Mesh Viewer");
    glutSetCursor(GLUT_CURSOR_CROSSHAIR);

    glClearColor(0.53515625f, 0.75390625f, 0.9609375f, 0.0f);
    glEnable(GL_NORMALIZE);
    const GLfloat specular[] = {0.5f, 0.5f, 0.5f, 0.5f};
    const GLfloat shininess[] = {10.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setPerspective(4.0f / 3.0f);
    glMatrixMode(GL_MODELVIEW);

    glutPositionWindow(WINDOW_X, WINDOW_Y);
}

void GUI::update()
{
    glutPostRedisplay();
}

void GUI::displayFunc()
{
    Stopwatch& frameClock = mClockArray[1];
    const float timestamp = static_cast<float>(frameClock.read());
    const float dt = timestamp - mFrameTimestamp;
    mFrameTimestamp = timestamp;
    ViewerMath::updateFPS(timestamp, mTimeSinceLastFPS, mFramecounter, mCurrentFPS);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Set under the identity model-view and before the view enters the projection, so the
    // light stays at this world position.
    const GLfloat lightPosition[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_LIGHT0);

    glDisable(GL_LIGHTING);
    if (mDrawXZPlane)
        drawXZplane(200, 2.0f, 10);
    glEnable(GL_LIGHTING);

    // Degrees: about 31.4 per second.
    const float angle = static_cast<float>(10.0 * PI * frameClock.read());
    drawCube(angle);

    glColor3f(0.0f, 0.0f, 0.7f); // inherited by scene objects that set no colour
    for (Geometry* g : mGeometryList)
        g->draw();

    glDisable(GL_LIGHTING);
    drawFPS(mCurrentFPS);
    glEnable(GL_LIGHTING);

    // The view goes into the projection matrix, so the model-view carries only what the
    // objects apply themselves; this frame's objects were drawn with the previous view.
    glViewport(0, 0, static_cast<GLsizei>(mWindowWidth), static_cast<GLsizei>(mWindowHeight));
    mCam.advect(dt);
    // A window without height has no aspect ratio; the projection then stays as it was
    // (the view is not added again either) until the window has a height again.
    if (mWindowHeight != 0)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        setPerspective(static_cast<float>(mWindowWidth) / static_cast<float>(mWindowHeight));
        const Vector3<float> eye = mCam.getPosition();
        const Vector3<float> centre = mCam.getLookAtPoint();
        gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], 0.0, 1.0, 0.0);
    }
    glMatrixMode(GL_MODELVIEW);

    ++mFramecounter;
    glFlush();
    glutSwapBuffers();
}

void GUI::winReshapeFunc(GLint newWidth, GLint newHeight)
{
    mWindowWidth = static_cast<unsigned int>(newWidth > 0 ? newWidth : 0);
    mWindowHeight = static_cast<unsigned int>(newHeight > 0 ? newHeight : 0);
    glViewport(0, 0, static_cast<GLsizei>(mWindowWidth), static_cast<GLsizei>(mWindowHeight));
    if (mWindowHeight == 0)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setPerspective(static_cast<float>(mWindowWidth) / static_cast<float>(mWindowHeight));
    glMatrixMode(GL_MODELVIEW);
}

// Mouse: any drag turns the view; the camera's position never changes.

void GUI::takeMouseSample(GLint mouseX, GLint mouseY)
{
    ViewerMath::takeMouseSample(mouseX, mouseY, mWindowHeight, mMousePos, mOldMousePos);
}

void GUI::getMouseScreenCoordinates(int mouseX, int mouseY, float& x, float& y)
{
    ViewerMath::mouseScreenCoordinates(mouseX, mouseY, mWindowWidth, mWindowHeight, x, y);
}

void GUI::mouseFunc(GLint /*button*/, GLint /*action*/, GLint mouseX, GLint mouseY)
{
    takeMouseSample(mouseX, mouseY);
    glutPostRedisplay();
}

void GUI::mouseActiveMotionFunc(GLint mouseX, GLint mouseY)
{
    takeMouseSample(mouseX, mouseY);
    float oldX, oldY, newX, newY;
    getMouseScreenCoordinates(mOldMousePos[0], mOldMousePos[1], oldX, oldY);
    getMouseScreenCoordinates(mMousePos[0], mMousePos[1], newX, newY);
    // Dragging right turns the view right, dragging up tilts it up.
    mCam.rotateXY((oldX - newX) * 0.5f, (oldY - newY) * 0.5f);
    glutPostRedisplay();
}

void GUI::mousePassiveMotionFunc(GLint mouseX, GLint mouseY)
{
    takeMouseSample(mouseX, mouseY);
    glutPostRedisplay();
}

// Keyboard.

void GUI::keyboardUpFunc(unsigned char /*keycode*/, GLint /*mouseX*/, GLint /*mouseY*/)
{
    // Any release ends every push, even one whose key is still held.
    mCam.stopAcc();
}

void GUI::keyboardFunc(unsigned char keycode, GLint /*mouseX*/, GLint /*mouseY*/)
{
    switch (keycode)
    {
    case ' ':
        mCam.stop();
        break;
    case ',':
        mCam.dolly(-0.1f);
        break;
    case '.':
        mCam.dolly(0.1f);
        break;
    case '1':
        loadSimpleMesh();
        break;
    case '2':
        loadHalfEdgeMesh();
        break;
    case 'w':
        mCam.accForward();
        break;
    case 's':
        mCam.accBackward();
        break;
    case 'W':
        mCam.accUp();
        break;
    case 'S':
        mCam.accDown();
        break;
    case 'A':
    case 'a':
        mCam.accLeft();
        break;
    case 'D':
    case 'd':
        mCam.accRight();
        break;
    case 'M':
    case 'm':
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        break;
    case 'N':
    case 'n':
        glEnable(GL_LIGHTING);
        glEnable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        break;
    case 'O':
    case 'o':
        mCam.lookAtOrigo();
        break;
    case 'P':
    case 'p':
        mDrawXZPlane = !mDrawXZPlane;
        break;
    case 'Q':
    case 'q':
        std::exit(0);
    case 'X':
    case 'x':
        mCam.reset();
        break;
    default:
        break;
    }
    glutPostRedisplay();
}

void GUI::specialFunc(GLint /*keycode*/, GLint /*mouseX*/, GLint /*mouseY*/) {}

// Loading.

bool GUI::addObjMesh(const std::string& filename, Mesh* mesh)
{
    std::ifstream stream(filename.c_str());
    if (!stream)
    {
        reportUnopenedFile(filename);
        return false;
    }
    Stopwatch total;
    total.start();
    std::printf("Loading mesh...\n\n\n");
    loadInto(mesh, stream);

    std::cerr << "\n\n\ncalculating normals...\n";
    Stopwatch normals;
    normals.start();
    const float normalCalcTime = static_cast<float>(normals.read());
    mGeometryList.push_back(mesh);

    const float time = static_cast<float>(total.read());
    // A load quicker than the clock's resolution reads as 0 seconds: report a 0 % share.
    const float share = time > 0.0f ? normalCalcTime / time * 100.0f : 0.0f;
    std::printf("Finished loading mesh in %.1f seconds. %.1f seconds (%.1f %%) was spent "
                "calculating normals\n",
                static_cast<double>(time), static_cast<double>(normalCalcTime),
                static_cast<double>(share));
    return true;
}

// The reader would be handed a stream that never reaches its end, so a file that does not
// open is reported the way addObjMesh reports it, and nothing is added.
void GUI::loadSimpleMesh()
{
    std::cerr << "Loading mesh...\n";
    const std::string filename = "Objs/triangle.obj";
    std::ifstream stream(filename.c_str());
    if (!stream)
    {
        reportUnopenedFile(filename);
        return;
    }
    std::unique_ptr<SimpleMesh> mesh(new SimpleMesh());
    loadInto(mesh.get(), stream);
    mGeometryList.push_back(mesh.get());
    SimpleMesh* added = mesh.release();
    added->calculateVertexNormals();
    // A tenth of the size, turned by 0.15 pi about y, beside the origin towards -z.
    const Matrix4x4<float> t = Matrix4x4<float>::translation(0.5f, 0.0f, -0.5f) *
                               Matrix4x4<float>::rotationXYZ(0.0f, -0.4712389f, 0.0f) *
                               Matrix4x4<float>::scale(0.1f);
    mGeometryList.back()->setTransform(t);
}

void GUI::loadHalfEdgeMesh()
{
    std::cerr << "Loading half edge mesh...\n";
    const std::string filename = "Objs/bunnySmall.obj";
    std::ifstream stream(filename.c_str());
    if (!stream)
    {
        reportUnopenedFile(filename);
        return;
    }
    std::unique_ptr<HalfEdgeMesh> mesh(new HalfEdgeMesh());
    loadInto(mesh.get(), stream);
    mesh->mergeAllBoundaries();
    mesh->validate();
    mGeometryList.push_back(mesh.get());
    HalfEdgeMesh* added = mesh.release();
    added->calculateFaceNormals();
    added->calculateVertexNormals();
    std::cout << "The area of the mesh is: " << added->area() << std::endl;
    std::cout << "The genus of the mesh is: " << added->genus() << std::endl;
    // A tenth of the size, turned by 0.15 pi about y, beside the origin towards +z.
    const Matrix4x4<float> t = Matrix4x4<float>::translation(0.5f, 0.0f, 0.5f) *
                               Matrix4x4<float>::scale(0.1f) *
                               Matrix4x4<float>::rotationXYZ(0.0f, -0.4712389f, 0.0f);
    mGeometryList.back()->setTransform(t);
}

// Grid, cube and FPS text.

void GUI::drawXZplane(int nrOfGridCells, float width, int subGridLines)
{
    const float half = width * 0.5f;
    glBegin(GL_LINES);
    glColor3f(LIGHT_GREY, LIGHT_GREY, LIGHT_GREY);
    // The caller passes at least one cell. The walk is also bounded by the cell count, so
    // a step too small to move x (or a negative one) cannot make it endless.
    if (nrOfGridCells >= 1)
    {
        const float spacing = width / static_cast<float>(nrOfGridCells);
        const double end = static_cast<double>(width) * 0.5;
        const long maxLines = static_cast<long>(nrOfGridCells) + 2;
        for (int direction = 0; direction < 2; ++direction)
        {
            int counter = 0;
            long lines = 0;
            for (float t = -half; static_cast<double>(t) < end && lines < maxLines;
                 t += spacing, ++lines)
            {
                if (counter < subGridLines)
                {
                    glColor3f(LIGHT_GREY, LIGHT_GREY, LIGHT_GREY);
                    ++counter;
                }
                else
                {
                    glColor3f(DARK_GREY, DARK_GREY, DARK_GREY);
                    counter = 1;
                }
                if (direction == 0)
                {
                    glVertex3f(t, 0.0f, -half);
                    glVertex3f(t, 0.0f, half);
                }
                else
                {
                    glVertex3f(-half, 0.0f, t);
                    glVertex3f(half, 0.0f, t);
                }
            }
        }
    }
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(half, 0.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, half, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, half);
    glEnd();

    // The raster colour is taken when the raster position is set.
    glColor3f(1.0f, 0.0f, 0.0f);
    glRasterPos3f(0.1f, 0.0f, 0.0f);
    glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, 'X');
    glColor3f(0.0f, 1.0f, 0.0f);
    glRasterPos3f(0.0f, 0.1f, 0.0f);
    glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, 'Y');
    glColor3f(0.0f, 0.0f, 1.0f);
    glRasterPos3f(0.0f, 0.0f, 0.1f);
    glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, 'Z');
}

void GUI::drawCube(float angle)
{
    static const GLfloat corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                          {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    static const GLfloat colours[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                          {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    static const int faces[6][4] = {{0, 3, 2, 1}, {2, 3, 7, 6}, {0, 4, 7, 3},
                                    {1, 2, 6, 5}, {4, 5, 6, 7}, {0, 1, 5, 4}};
    glPushMatrix();
    glScalef(0.1f, 0.1f, 0.1f);
    glTranslatef(0.0f, 5.0f, 0.0f);
    glRotatef(angle, 0.0f, 1.0f, 0.0f);
    glRotatef(angle, 1.0f, 1.0f, 1.0f);
    for (const int* face : faces)
    {
        glBegin(GL_POLYGON);
        for (int k = 0; k < 4; ++k)
        {
            const int i = face[k];
            glColor3fv(colours[i]);
            glNormal3fv(corners[i]); // GL_NORMALIZE makes them unit length
            glVertex3fv(corners[i]);
        }
        glEnd();
    }
    glPopMatrix();
}

void GUI::drawFPS(float fps)
{
    // Nothing shows in a window without height, and 1 / 0 has no raster position.
    if (mWindowHeight == 0)
        return;
    const float pixelsizeH = static_cast<float>(1.0 / static_cast<double>(mWindowHeight));

    GLfloat modelview[16];
    GLfloat projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();

    const std::string text = ViewerMath::fpsText(fps);
    const Vector3<float> colour = ViewerMath::fpsColour(fps);
    glColor3f(colour[0], colour[1], colour[2]);
    // The left edge, 24 pixels below the top edge at any window height.
    glRasterPos2f(-1.0f, 1.0f - 48.0f * pixelsizeH);
    for (char c : text)
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, c);

    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview);
}
