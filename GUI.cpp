#include "GUI.h"

#include "Console.h"
#include "HalfEdgeMesh.h"
#include "MeshAnalysis.h"
#include "ObjIO.h"
#include "SimpleMesh.h"
#include "viewer/DrawState.h"
#include "viewer/Inspect.h"
#include "viewer/MeshLoad.h"
#include "viewer/OutputPath.h"
#include "viewer/Pick.h"
#include "viewer/SamplePath.h"
#include "viewer/Screenshot.h"
#include "viewer/Summary.h"
#include "viewer/Text.h"

#include "SupportCode/Matrix4x4.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <sys/stat.h>

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

void setPerspective(float aspect)
{
    gluPerspective(FIELD_OF_VIEW, aspect, NEAR_PLANE, FAR_PLANE);
}

// Wheel buttons as GLUT reports them.
const GLint WHEEL_UP = 3;
const GLint WHEEL_DOWN = 4;
// A drag across the window turns the orbit camera by half a turn (the fly camera by a
// whole one).
const float ORBIT_DRAG = 0.25f;
const float FLY_DRAG = 0.5f;
// Pixels the pointer may move between press and release of a click.
const int CLICK_SLACK = 2;

// Nanoseconds of the last change and the size, or false when the file cannot be seen.
bool fileStamp(const std::string& path, long long& mtime, long long& size)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    mtime = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    size = static_cast<long long>(st.st_size);
    return true;
}

std::string number(double x)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", x);
    return buffer;
}
} // namespace

GUI::GUI()
    : mWindowHeight(WINDOW_HEIGHT), mWindowWidth(WINDOW_WIDTH),
      mMousePos(ViewerMath::NO_MOUSE_SAMPLE), mOldMousePos{0, 0}, mCam(Camera::home()),
      mFrameTimestamp(0.0f), mDrawXZPlane(true), mFramecounter(0), mTimeSinceLastFPS(0.0f),
      mCurrentFPS(0.0f), mHomeCam(Camera::home()), mHomeCentre(0.0f, 0.0f, 0.0f),
      mOrbitCentre(0.0f, 0.0f, 0.0f), mOrbiting(false), mTitle("Mesh Viewer"),
      mCallerDir(OutputPath::callerDir())
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

namespace
{
std::string titleFor(const std::vector<std::string>& files)
{
    if (files.empty())
        return "Mesh Viewer";
    const std::size_t slash = files[0].find_last_of('/');
    return files.size() == 1
               ? "Mesh Viewer - " +
                     printable(slash == std::string::npos ? files[0] : files[0].substr(slash + 1))
               : "Mesh Viewer - " + std::to_string(files.size()) + " files";
}
} // namespace

void GUI::init()
{
    createWindow({});
    initWindow();
}

void GUI::createWindow(const std::vector<std::string>& files)
{
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(WINDOW_X, WINDOW_Y);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    // The files' title, which addCommandLineFiles also sets, from the names alone.
    glutCreateWindow(files.empty() ? mTitle.c_str() : titleFor(files).c_str());
    glutSetCursor(GLUT_CURSOR_CROSSHAIR);
}

void GUI::initWindow()
{
    keepFreedMemory();
    setDrawState();
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setPerspective(4.0f / 3.0f);
    glMatrixMode(GL_MODELVIEW);

    glutPositionWindow(WINDOW_X, WINDOW_Y);
}

void GUI::initOffscreen(int width, int height)
{
    mOffscreen = true;
    Text::useBuiltInFont(true);
    keepFreedMemory();
    setDrawState();
    winReshapeFunc(width, height);
    applyView(); // no window event comes between: the first frame is the picture
}

void GUI::update()
{
    const double now = mClockArray[0].read();
    if (mWatch && now - mLastWatch >= 1.0)
    {
        mLastWatch = now;
        reload(true);
    }
    glutPostRedisplay();
}

void GUI::displayFunc()
{
    Stopwatch& frameClock = mClockArray[1];
    const float timestamp = static_cast<float>(frameClock.read());
    const float dt = timestamp - mFrameTimestamp;
    mFrameTimestamp = timestamp;
    ViewerMath::updateFPS(timestamp, mTimeSinceLastFPS, mFramecounter, mCurrentFPS);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A click waits for this frame: the files' meshes alone, at the view the user saw, and
    // the depth under the pointer read back.
    if (mPickPending && mViewFrames > 0 && mWindowHeight > 0)
    {
        mPickPending = false;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (std::size_t i = 0; i < mFiles.size(); ++i)
            mDrawCache.draw(i, *mGeometryList[i]);
        GLfloat depth = 1.0f; // as far as the background: nothing there
        const GLint row = static_cast<GLint>(mWindowHeight) - 1 - mPickY;
        glReadBuffer(GL_BACK);
        if (mPickX >= 0 && mPickX < static_cast<GLint>(mWindowWidth) && row >= 0)
            glReadPixels(mPickX, row, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        pickAt(mPickX, row, depth);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

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
    if (mShowCube)
        drawCube(angle);

    glColor3f(0.0f, 0.0f, 0.7f); // inherited by scene objects that set no colour
    // Lines over the surface: the filled triangles go a little back, so no line drawn at
    // their depth fights with them.
    const bool linesOver = mShowEdges || mShowDefects;
    if (linesOver)
    {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 2.0f);
    }
    for (std::size_t i = 0; i < mGeometryList.size(); ++i)
        if (shown(i))
            mDrawCache.draw(i, *mGeometryList[i]);
    if (linesOver)
        glDisable(GL_POLYGON_OFFSET_FILL);
    if (mShowEdges)
        drawEdges();
    if (mShowDefects)
        drawDefects();
    drawPickMarker();

    // Pictures leave out the frame counter and the help hint.
    glDisable(GL_LIGHTING);
    if (!picture())
        drawFPS(mCurrentFPS);
    glEnable(GL_LIGHTING);
    drawPanels();
    takeScreenshots();

    // The view goes into the projection matrix, so the model-view carries only what the
    // objects apply themselves; this frame's objects were drawn with the previous view.
    glViewport(0, 0, static_cast<GLsizei>(mWindowWidth), static_cast<GLsizei>(mWindowHeight));
    mCam.advect(dt);
    // A window without height has no aspect ratio; the projection then stays as it was
    // (the view is not added again either) until the window has a height again.
    applyView();

    ++mFramecounter;
    glFlush();
    if (!mOffscreen)
        glutSwapBuffers();

    if (mBenchmark.frameDone())
        std::exit(0);
}

void GUI::applyView()
{
    if (mWindowHeight != 0)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        setPerspective(static_cast<float>(mWindowWidth) / static_cast<float>(mWindowHeight));
        const Vector3<float> eye = mCam.getPosition();
        const Vector3<float> centre = mCam.getLookAtPoint();
        gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], 0.0, 1.0, 0.0);
        ++mViewFrames;
    }
    glMatrixMode(GL_MODELVIEW);
}

void GUI::winReshapeFunc(GLint newWidth, GLint newHeight)
{
    mWindowWidth = static_cast<unsigned int>(newWidth > 0 ? newWidth : 0);
    mWindowHeight = static_cast<unsigned int>(newHeight > 0 ? newHeight : 0);
    glViewport(0, 0, static_cast<GLsizei>(mWindowWidth), static_cast<GLsizei>(mWindowHeight));
    mViewFrames = 0; // the projection below has no view
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

void GUI::mouseFunc(GLint button, GLint action, GLint mouseX, GLint mouseY)
{
    takeMouseSample(mouseX, mouseY);
    // A click is a press and release of the left button without a drag between.
    if (button == GLUT_LEFT_BUTTON && action == GLUT_DOWN)
    {
        mPressed = true;
        mDragged = false;
        mPressX = mouseX;
        mPressY = mouseY;
    }
    else if (button == GLUT_LEFT_BUTTON && action == GLUT_UP && mPressed)
    {
        mPressed = false;
        if (!mDragged && !mFiles.empty()) // only the files' meshes are picked
        {
            mPickPending = true;
            mPickX = mouseX;
            mPickY = mouseY;
        }
    }
    if (action == GLUT_DOWN && (button == WHEEL_UP || button == WHEEL_DOWN))
        mCam.zoom(mOrbitCentre, button == WHEEL_UP ? 1 : -1, mOrbiting);
    glutPostRedisplay();
}

void GUI::mouseActiveMotionFunc(GLint mouseX, GLint mouseY)
{
    takeMouseSample(mouseX, mouseY);
    if (std::abs(mouseX - mPressX) > CLICK_SLACK || std::abs(mouseY - mPressY) > CLICK_SLACK)
        mDragged = true;
    float oldX, oldY, newX, newY;
    getMouseScreenCoordinates(mOldMousePos[0], mOldMousePos[1], oldX, oldY);
    getMouseScreenCoordinates(mMousePos[0], mMousePos[1], newX, newY);
    // Dragging right turns the view right, dragging up tilts it up; orbiting, the scene
    // turns with the pointer.
    if (mOrbiting)
        mCam.orbit(mOrbitCentre, (oldX - newX) * ORBIT_DRAG, (oldY - newY) * ORBIT_DRAG);
    else
        mCam.rotateXY((oldX - newX) * FLY_DRAG, (oldY - newY) * FLY_DRAG);
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
    // The orbit camera stays at rest: the keys that push the fly camera do nothing.
    if (mOrbiting && std::strchr("wsWSAaDd", keycode) != nullptr && keycode != '\0')
        keycode = 0;
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
        mOrbitCentre = Vector3<float>(0.0f, 0.0f, 0.0f);
        break;
    case 'C':
    case 'c':
        mOrbiting = !mOrbiting;
        if (mOrbiting)
        {
            mCam.stop();
            mCam.lookAt(mOrbitCentre);
        }
        break;
    case 'F':
    case 'f':
        frameScene();
        break;
    case 'P':
    case 'p':
        mDrawXZPlane = !mDrawXZPlane;
        break;
    case 'E':
    case 'e':
        mShowEdges = !mShowEdges;
        break;
    case 'B':
    case 'b':
        mShowDefects = !mShowDefects;
        break;
    case 'H':
    case 'h':
        mShowHelp = !mShowHelp;
        break;
    case 'I':
    case 'i':
        mShotPending = true;
        break;
    case 'G':
    case 'g':
        mShowCube = !mShowCube;
        break;
    case 'R':
    case 'r':
        reload(false);
        break;
    case 'L':
    case 'l':
        mShowBoxes = !mShowBoxes;
        if (mShowBoxes)
            boxLines();
        break;
    case 'K':
    case 'k':
        mCurvatureShown = !mCurvatureShown;
        for (Inspect::CurvatureMesh* m : mCurvatureMeshes)
            m->showCurvature(mCurvatureShown);
        break;
    case 'Q':
    case 'q':
        std::exit(0);
    case 'X':
    case 'x':
        mCam = mHomeCam;
        mOrbitCentre = mHomeCentre;
        break;
    default:
        break;
    }
    glutPostRedisplay();
}

void GUI::specialFunc(GLint /*keycode*/, GLint /*mouseX*/, GLint /*mouseY*/) {}

// Loading.

bool GUI::openMeshFile(const std::string& filename, std::ifstream& stream)
{
    if (MeshLoad::open(filename, stream))
        return true;
    reportUnopenedFile(filename);
    return false;
}

bool GUI::readIntoScene(const std::string& filename, std::ifstream& stream, Mesh* mesh,
                        const std::function<void(Mesh&)>& prepare)
{
    MeshLoad::Result r = MeshLoad::readObj(stream, *mesh);
    MeshLoad::prepareLoaded(r, *mesh, prepare);
    if (!r.why.empty())
        std::cerr << r.why << "\n"; // the reader's own line
    switch (r.outcome)
    {
    case MeshLoad::Outcome::LOADED:
        mGeometryList.push_back(mesh);
        mModelBoxes.push_back(r.box);
        return true;
    case MeshLoad::Outcome::NO_TRIANGLES:
        std::cerr << "no triangles in " << printable(filename) << std::endl;
        break;
    case MeshLoad::Outcome::OUT_OF_MEMORY:
        std::cerr << "out of memory reading " << printable(filename) << "; nothing was added"
                  << std::endl;
        break;
    default: // the reader has said why
        break;
    }
    return false;
}

bool GUI::addObjMesh(const std::string& filename, Mesh* mesh)
{
    std::ifstream stream;
    if (!openMeshFile(filename, stream))
        return false;
    Stopwatch total;
    total.start();
    std::printf("Loading mesh...\n\n\n");
    std::fflush(stdout);
    float normalCalcTime = 0.0f;
    const auto prepare = [&normalCalcTime](Mesh&)
    {
        std::cerr << "\n\n\ncalculating normals...\n";
        Stopwatch normals;
        normals.start();
        normalCalcTime = static_cast<float>(normals.read());
    };
    if (!readIntoScene(filename, stream, mesh, prepare))
        return false;

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
    const std::string filename = SamplePath::resolve("Objs/triangle.obj");
    std::ifstream stream;
    if (!openMeshFile(filename, stream))
        return;
    std::unique_ptr<SimpleMesh> mesh(new SimpleMesh());
    if (!readIntoScene(filename, stream, mesh.get(), [](Mesh& m) { m.calculateVertexNormals(); }))
        return;
    mesh.release(); // the scene owns it
    // A tenth of the size, turned by 0.15 pi about y, beside the origin towards -z.
    const Matrix4x4<float> t = Matrix4x4<float>::translation(0.5f, 0.0f, -0.5f) *
                               Matrix4x4<float>::rotationXYZ(0.0f, -0.4712389f, 0.0f) *
                               Matrix4x4<float>::scale(0.1f);
    mGeometryList.back()->setTransform(t);
}

void GUI::loadHalfEdgeMesh()
{
    std::cerr << "Loading half edge mesh...\n";
    const std::string filename = SamplePath::resolve("Objs/bunnySmall.obj");
    std::ifstream stream;
    if (!openMeshFile(filename, stream))
        return;
    std::unique_ptr<HalfEdgeMesh> mesh(new HalfEdgeMesh());
    const auto prepare = [](Mesh& m)
    {
        HalfEdgeMesh& h = static_cast<HalfEdgeMesh&>(m);
        h.mergeAllBoundaries();
        h.validate();
        h.calculateFaceNormals();
        h.calculateVertexNormals();
    };
    if (!readIntoScene(filename, stream, mesh.get(), prepare))
        return;
    HalfEdgeMesh* added = mesh.release(); // the scene owns it
    mInspections.resize(mGeometryList.size());
    mInspections.back().source = filename;
    std::cout << "The area of the mesh is: " << added->area() << std::endl;
    std::cout << "The genus of the mesh is: " << added->genus() << std::endl;
    // A tenth of the size, turned by 0.15 pi about y, beside the origin towards +z.
    const Matrix4x4<float> t = Matrix4x4<float>::translation(0.5f, 0.0f, 0.5f) *
                               Matrix4x4<float>::scale(0.1f) *
                               Matrix4x4<float>::rotationXYZ(0.0f, -0.4712389f, 0.0f);
    mGeometryList.back()->setTransform(t);
}

struct GUI::Loaded
{
    std::unique_ptr<Mesh> mesh;
    Inspect::CurvatureMesh* curved = nullptr;
    Framing::Box box;
    std::shared_ptr<Inspect::DefectDrawing> defects;
    std::shared_ptr<MeshData> data;
};

// Read as key 2 reads, but nothing is said before the reader has accepted the file, so a
// bad file gives its one line only (why, for the caller to print). The analysis runs beside
// the build, or before it for a large file; its line comes last either way.
bool GUI::loadFile(const std::string& file, Loaded& out, std::string& why)
{
    const std::string name = printable(file);
    const std::string path = file == "-" ? file : OutputPath::resolve(file, mCallerDir);
    Inspect::CurvatureMesh* curved = nullptr;
    if (mCurvatureFiles)
        out.mesh.reset(curved = new Inspect::CurvatureMesh());
    else
        out.mesh.reset(new HalfEdgeMesh());
    out.data = std::make_shared<MeshData>();
    const MeshData& data = *out.data;
    // A terminal sees the phases of a large file, as meshinfo shows them.
    struct stat st;
    const Progress progress(mFileCount == 1 ? "MeshViewer" : "MeshViewer: " + name,
                            stat(path.c_str(), &st) == 0 ? st.st_size : -1);
    progress.phase("reading");
    const MeshLoad::Result r = MeshLoad::readFile(path, *out.data);
    if (r.outcome == MeshLoad::Outcome::OUT_OF_MEMORY)
        why = "out of memory";
    else if (r.outcome != MeshLoad::Outcome::LOADED)
        why = r.why;
    if (!why.empty())
        return false;
    std::cout << "File: " << name << std::endl;
    const bool beside = MeshLoad::analyseBeside(data.tris.size(), data.verts.size());
    if (!beside)
        progress.phase("analysing");
    // Equal positions are found once, on all cores, for the mesh and the analysis.
    std::optional<PositionWeld> weld;
    try
    {
        if (curved == nullptr)
            weld.emplace(data, r.format, false, MeshLoad::threads());
    }
    catch (const std::bad_alloc&)
    {
        why = "out of memory";
        return false;
    }
    std::future<MeshLoad::Analysis> analysis =
        MeshLoad::startAnalysis(data, beside, weld ? &*weld : nullptr);
    std::optional<long long> genus;
    try
    {
        if (curved != nullptr)
        {
            std::cerr << "Loading mesh...\n";
            feedMesh(data, *curved);
            progress.phase("computing normals and curvature");
            curved->computeCurvature();
        }
        else
        {
            std::cerr << "Loading half edge mesh...\n";
            HalfEdgeMesh& h = static_cast<HalfEdgeMesh&>(*out.mesh);
            progress.phase("building");
            weld->feed(data, h);
            progress.phase("merging boundaries");
            h.mergeAllBoundaries();
            progress.phase("validating");
            h.validate();
            progress.phase("computing normals");
            h.calculateFaceNormals();
            h.calculateVertexNormals();
            h.closeForAdding(); // nothing is added to a file's mesh: room for the drawing
        }
    }
    catch (const std::bad_alloc&)
    {
        why = "out of memory";
        return false; // the analysis' end is awaited as it goes
    }
    if (curved != nullptr)
    {
        std::cout << "Curvature: min " << curved->minimum << ", max " << curved->maximum << ", "
                  << curved->withoutValue << " of " << curved->getVerts().size()
                  << " vertices without a value" << std::endl;
        if (mVerbose)
            std::cerr << curved->messages << std::flush;
    }
    else
    {
        std::cout << "The area of the mesh is: " << out.mesh->area() << std::endl;
        genus = out.mesh->genus();
        std::cout << "The genus of the mesh is: " << *genus << std::endl;
    }
    if (beside)
        progress.phase("analysing");
    MeshLoad::Analysis a;
    try
    {
        a = analysis.get();
    }
    catch (const std::bad_alloc&)
    {
        why = "out of memory";
        return false;
    }
    if (!a.done)
    {
        why = "internal error: a triangle indexes beyond the positions";
        return false;
    }
    std::cout << Summary::line(a.report, genus) << std::endl;
    out.curved = curved;
    out.box = r.box;
    out.defects = std::make_shared<Inspect::DefectDrawing>(std::move(a.defects));
    return true;
}

bool GUI::addCommandLineFiles(const std::vector<std::string>& files)
{
    mFileCount = files.size();
    for (const std::string& file : files)
    {
        Loaded loaded;
        std::string why;
        File f;
        f.path = file;
        f.name = printable(file);
        fileStamp(file == "-" ? file : OutputPath::resolve(file, mCallerDir), f.mtime, f.size);
        if (!loadFile(file, loaded, why))
        {
            std::cerr << "MeshViewer: " << f.name << ": " << why << std::endl;
            // Pictures of a collection go on past a bad file; the status says there was one.
            if (mScreenshotDir.empty())
                return false;
            ++mShotFailures;
            continue;
        }
        f.data = loaded.data;
        mFiles.push_back(f);
        mPictureFiles.push_back(file);
        mGeometryList.push_back(loaded.mesh.release());
        mModelBoxes.push_back(loaded.box);
        if (loaded.curved != nullptr)
            mCurvatureMeshes.push_back(loaded.curved);
        mInspections.resize(mGeometryList.size());
        mInspections.back().analysed = true;
        mInspections.back().defects = loaded.defects;
    }
    if (files.empty())
        return true;
    if (mFiles.empty())
        return false;
    mShowCube = false; // it would stand inside the meshes
    mPictureNames = OutputPath::pictureNames(mPictureFiles);
    applyCurvatureRange();
    placeFiles();
    if (mScreenshotDir.empty())
    {
        Framing::Box all;
        for (std::size_t i = 0; i < mFiles.size(); ++i)
            all.add(Framing::transformed(mModelBoxes[i], mGeometryList[i]->getTransform()));
        homeOn(all);
    }
    else
        homeOn(Framing::transformed(mModelBoxes[0], mGeometryList[0]->getTransform()));

    mTitle = titleFor(files);
    return true;
}

// Home: from the front (+z) and above, so that the row runs across the window, far enough
// to see it whole.
void GUI::homeOn(const Framing::Box& all)
{
    const Framing::View home = Framing::homeView(all, FIELD_OF_VIEW);
    mHomeCentre = home.centre;
    mHomeCam = Camera::home();
    mHomeCam.placeAt(home.eye);
    mHomeCam.lookAt(mHomeCentre);
    mCam = mHomeCam;
    mOrbitCentre = mHomeCentre;
}

// Side by side; for --screenshot-dir each alone, as if it were the only file.
void GUI::placeFiles()
{
    std::vector<Framing::Box> boxes(
        mModelBoxes.begin(), mModelBoxes.begin() + static_cast<std::ptrdiff_t>(mFiles.size()));
    for (std::size_t i = 0; i < boxes.size(); ++i)
        mGeometryList[i]->setTransform(mScreenshotDir.empty()
                                           ? Framing::placeSideBySide(boxes)[i]
                                           : Framing::placeSideBySide({boxes[i]})[0]);
}

void GUI::applyCurvatureRange()
{
    if (mCurvatureMeshes.empty())
        return;
    if (!mFixedRange)
    {
        std::vector<float> all;
        for (const Inspect::CurvatureMesh* m : mCurvatureMeshes)
            all.insert(all.end(), m->values.begin(), m->values.end());
        mRange = CurvatureScale::fromData(all);
    }
    for (Inspect::CurvatureMesh* m : mCurvatureMeshes)
    {
        m->setColourRange(mRange);
        m->showCurvature(mCurvatureShown);
    }
    std::cout << "Curvature colours: red at " << mRange.low << ", black at "
              << mRange.low * 0.5f + mRange.high * 0.5f << ", blue at " << mRange.high
              << (mFixedRange ? " (--curvature-range)" : " (the 98th percentile of |H|)")
              << std::endl;
}

// Every file again, or those whose time or size changed since they were last read. A file
// that cannot be read now keeps its mesh on screen and is reported once; the camera stays.
void GUI::reload(bool onlyChanged)
{
    bool any = false;
    for (std::size_t i = 0; i < mFiles.size(); ++i)
    {
        File& f = mFiles[i];
        long long mtime = 0, size = -1;
        const std::string path = f.path == "-" ? f.path : OutputPath::resolve(f.path, mCallerDir);
        if (f.path == "-" || (!fileStamp(path, mtime, size) && onlyChanged && f.size == -1))
            continue;
        if (onlyChanged && mtime == f.mtime && size == f.size)
            continue;
        f.mtime = mtime;
        f.size = size;
        Loaded loaded;
        std::string why;
        if (!loadFile(f.path, loaded, why))
        {
            std::cerr << "MeshViewer: " << f.name << ": " << why << "; the mesh shown stays"
                      << std::endl;
            continue;
        }
        delete mGeometryList[i];
        mGeometryList[i] = loaded.mesh.release();
        mModelBoxes[i] = loaded.box;
        if (mCurvatureFiles)
            mCurvatureMeshes[i] = loaded.curved;
        mInspections[i] = Inspection();
        mInspections[i].analysed = true;
        mInspections[i].defects = loaded.defects;
        f.data = loaded.data;
        mDrawCache.forget(i);
        mDefectCache.forget(i);
        any = true;
    }
    if (!any)
        return;
    applyCurvatureRange();
    placeFiles();
    mHavePick = mPickShown = false; // their numbers may mean other points now
    if (mShowBoxes)
        boxLines();
}

// The surface point under pixel (x, row from the bottom) at this depth, and the nearest
// triangle of the files' meshes to it.
void GUI::pickAt(int x, int row, float depth)
{
    mPickShown = false;
    if (!(depth < 1.0f))
    {
        std::cout << "Pick: no mesh of the command line under the pointer" << std::endl;
        return;
    }
    GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, static_cast<GLint>(mWindowWidth),
                               static_cast<GLint>(mWindowHeight)};
    GLdouble wx = 0, wy = 0, wz = 0;
    if (gluUnProject(x + 0.5, row + 0.5, depth, model, projection, viewport, &wx, &wy, &wz) !=
        GL_TRUE)
        return;
    const Vector4<float> world(static_cast<float>(wx), static_cast<float>(wy),
                               static_cast<float>(wz), 1.0f);
    Pick::Hit best;
    std::size_t bestFile = 0;
    double bestDistance = 0.0;
    for (std::size_t i = 0; i < mFiles.size(); ++i)
    {
        const Matrix4x4<float>& t = mGeometryList[i]->getTransform();
        const Vector4<float> m = t.inverse() * world;
        const Pick::Hit hit = Pick::nearest(mFiles[i].data->verts, mFiles[i].data->tris,
                                            Vector3<float>(m[0], m[1], m[2]));
        // Placed meshes are scaled uniformly: distances compare in the scene's units.
        const Vector4<float> unit = t * Vector4<float>(1.0f, 0.0f, 0.0f, 0.0f);
        const double scale = std::sqrt(double(unit[0]) * unit[0] + double(unit[1]) * unit[1] +
                                       double(unit[2]) * unit[2]);
        const double d = std::sqrt(hit.distanceSquared) * scale;
        if (hit.found && (!best.found || d < bestDistance))
        {
            best = hit;
            bestFile = i;
            bestDistance = d;
        }
    }
    if (!best.found)
        return;
    const Vector3<float> vertex = mFiles[bestFile].data->verts[best.vertex];
    const std::string line =
        Pick::describe(mFiles[bestFile].name, best, vertex, mHavePick ? &mPickVertex : nullptr);
    std::cout << line << std::endl;
    mPickLines = {line};
    mPickShown = mHavePick = true;
    mPickFile = bestFile;
    mPickVertex = vertex;
}

void GUI::drawPickMarker()
{
    if (!mPickShown || mPickFile >= mFiles.size() || !shown(mPickFile))
        return;
    const Vector4<float> p = mGeometryList[mPickFile]->getTransform() *
                             Vector4<float>(mPickVertex[0], mPickVertex[1], mPickVertex[2], 1.0f);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPointSize(9.0f);
    glColor3f(1.0f, 1.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex3f(p[0], p[1], p[2]);
    glEnd();
    glPopAttrib();
}

// The size of each mesh's box in its file's units, printed and shown.
void GUI::boxLines()
{
    mBoxLines.clear();
    for (std::size_t i = 0; i < mGeometryList.size(); ++i)
    {
        const Framing::Box& b = mModelBoxes[i];
        const std::string name = i < mFiles.size() ? mFiles[i].name
                                 : !mInspections[i].source.empty()
                                     ? mInspections[i].source
                                     : "mesh " + std::to_string(i + 1);
        double size[3];
        for (int k = 0; k < 3; ++k)
            size[k] = b.empty ? 0.0 : double(b.max[k]) - double(b.min[k]);
        const std::string line = "Box: " + name + ": " + number(size[0]) + " x " + number(size[1]) +
                                 " x " + number(size[2]);
        std::cout << line << std::endl;
        mBoxLines.push_back(line);
    }
    if (mBoxLines.empty())
        std::cout << "Box: no mesh" << std::endl;
}

void GUI::frameScene()
{
    std::vector<Matrix4x4<float>> transforms;
    for (const Geometry* g : mGeometryList)
        transforms.push_back(g->getTransform());
    const std::optional<Framing::View> view = Framing::frameAlong(
        Framing::sceneBox(mModelBoxes, transforms), mCam.getLookAtVector(), FIELD_OF_VIEW);
    if (!view)
        return;
    mCam.placeAt(view->eye);
    mCam.lookAt(view->centre);
    mOrbitCentre = view->centre;
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
    Text::drawLarge('X');
    glColor3f(0.0f, 1.0f, 0.0f);
    glRasterPos3f(0.0f, 0.1f, 0.0f);
    Text::drawLarge('Y');
    glColor3f(0.0f, 0.0f, 1.0f);
    glRasterPos3f(0.0f, 0.0f, 0.1f);
    Text::drawLarge('Z');
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

// Overlays, panels and pictures.

void GUI::drawEdges()
{
    // The meshes' own drawings again, as outlines in black: blending with zero factors
    // keeps the shape and drops every colour the drawing sets.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT | GL_LINE_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glLineWidth(1.0f);
    for (std::size_t i = 0; i < mGeometryList.size(); ++i)
        if (shown(i))
            mDrawCache.draw(i, *mGeometryList[i]);
    glPopAttrib();
}

// The defect lists of a scene object: from the analysis of a command-line file, or for a
// half-edge mesh of key 2 from its file read again, the first time they are wanted.
Inspect::DefectDrawing* GUI::defectsOf(std::size_t index)
{
    mInspections.resize(mGeometryList.size());
    Inspection& in = mInspections[index];
    if (!in.analysed && !in.source.empty())
    {
        in.analysed = true;
        MeshData data;
        MeshReadOptions options;
        MeshReadStats stats;
        ReadError why;
        MeshAnalysis::Report report;
        MeshAnalysis::Defects defects;
        try
        {
            if (readMeshFile(in.source, data, options, stats, why) &&
                MeshAnalysis::analyse(data.verts, data.tris, report, &defects))
                in.defects = std::make_shared<Inspect::DefectDrawing>(std::move(defects));
            else if (why.kind == ReadFailure::OUT_OF_MEMORY)
                std::cerr << "out of memory checking " << printable(in.source) << std::endl;
            else
                std::cerr << "cannot check " << printable(in.source) << ": " << why.message
                          << std::endl;
        }
        catch (const std::bad_alloc&)
        {
            std::cerr << "out of memory checking " << printable(in.source) << std::endl;
        }
    }
    return in.defects.get();
}

void GUI::drawDefects()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glLineWidth(3.0f);
    glPointSize(10.0f);
    for (std::size_t i = 0; i < mGeometryList.size(); ++i)
    {
        Inspect::DefectDrawing* d = shown(i) ? defectsOf(i) : nullptr;
        if (d == nullptr)
            continue;
        // The lists are in the mesh's coordinates; the compiled drawing holds them alone,
        // so it stays valid when the mesh moves.
        float m[16];
        mGeometryList[i]->getTransform().toGLMatrix(m);
        glPushMatrix();
        glLoadMatrixf(m);
        mDefectCache.draw(i, *d);
        glPopMatrix();
    }
    glPopAttrib();
}

void GUI::drawPanels()
{
    const int w = static_cast<int>(mWindowWidth), h = static_cast<int>(mWindowHeight);
    if (mShowDefects)
    {
        Inspect::DefectCounts counts;
        for (std::size_t i = 0; i < mGeometryList.size(); ++i)
            if (const Inspect::DefectDrawing* d = shown(i) ? defectsOf(i) : nullptr)
                counts.add(d->defects());
        Inspect::drawDefectLegend(counts, w, h);
    }
    if (!mCurvatureMeshes.empty() && mCurvatureShown)
    {
        float lo = mCurvatureMeshes[0]->minimum, hi = mCurvatureMeshes[0]->maximum;
        for (const Inspect::CurvatureMesh* m : mCurvatureMeshes)
        {
            lo = std::min(lo, m->minimum);
            hi = std::max(hi, m->maximum);
        }
        Inspect::drawColourBar(mRange, lo, hi, w, h);
    }
    std::vector<std::string> info;
    if (mPickShown)
        info = mPickLines;
    if (mShowBoxes)
        info.insert(info.end(), mBoxLines.begin(), mBoxLines.end());
    Inspect::drawInfoPanel(info, w, h);
    if (mShowHelp)
        Inspect::drawHelpPanel(w, h);
    else if (!picture())
        Inspect::drawHelpHint(w, h);
}

// A picture is taken of a frame drawn with the view at the window's size: neither the
// first frame (drawn before any view) nor one right after the window changed size.
void GUI::takeScreenshots()
{
    if ((!wantsPictures() && !mShotPending) || mViewFrames == 0 || mWindowWidth == 0 ||
        mWindowHeight == 0)
        return;
    const int w = static_cast<int>(mWindowWidth), h = static_cast<int>(mWindowHeight);
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> pixels = Screenshot::readPixels(w, h);
    std::string why;
    if (!mScreenshotDir.empty())
    {
        const std::string path = OutputPath::resolve(mPictureNames[mShotIndex], mScreenshotDir);
        if (Screenshot::writePng(path, w, h, pixels, why))
            std::cout << "Saved " << path << std::endl;
        else
        {
            std::cerr << "MeshViewer: " << printable(path) << ": " << why << std::endl;
            ++mShotFailures;
        }
        if (++mShotIndex == mFiles.size())
            std::exit(mShotFailures == 0 ? 0 : 1);
        homeOn(Framing::transformed(mModelBoxes[mShotIndex],
                                    mGeometryList[mShotIndex]->getTransform()));
        return;
    }
    if (!mScreenshotPath.empty())
    {
        if (!Screenshot::writePng(mScreenshotPath, w, h, pixels, why))
        {
            std::cerr << "MeshViewer: " << printable(mScreenshotPath) << ": " << why << std::endl;
            std::exit(1);
        }
        std::exit(0);
    }
    mShotPending = false;
    const std::string name = Screenshot::nextFreeName(mCallerDir);
    if (Screenshot::writePng(name, w, h, pixels, why))
        std::cout << "Saved " << name << std::endl;
    else
        std::cerr << "cannot save " << name << ": " << why << std::endl;
}
