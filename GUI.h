#pragma once

#include "Mesh.h"
#include "viewer/DrawCache.h"
#include "viewer/FrameBenchmark.h"
#include "viewer/Framing.h"

#include "SupportCode/Camera.h"
#include "SupportCode/Geometry.h"
#include "SupportCode/Stopwatch.h"
#include "SupportCode/ViewerMath.h"

#include <GL/gl.h>

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace Inspect
{
class DefectDrawing;
class CurvatureMesh;
} // namespace Inspect

// The window controller: creates the GLUT window and the OpenGL state, receives every GLUT
// event and draws each frame. It owns the scene list and deletes its objects at exit.
class GUI
{
public:
    GUI(); // makes no OpenGL or GLUT call: it runs before the entry point
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    void init();
    void update();

    // Reads the files of the command line, reports each, and places them side by side with
    // the home view on them. False, after one line on standard error, when a file cannot
    // be read: the caller ends the program.
    bool addCommandLineFiles(const std::vector<std::string>& files);
    void setDrawCache(bool enabled)
    {
        mDrawCache.setEnabled(enabled);
        mDefectCache.setEnabled(enabled);
    }
    // After a second of warm-up, counts frames for this many seconds, prints the rate and
    // ends the program (0: off).
    void setBenchmark(double seconds) { mBenchmark = FrameBenchmark(seconds); }
    // Writes the first frame drawn with the view at the window size there and quits.
    void setScreenshot(const std::string& path) { mScreenshotPath = path; }
    void setDefects(bool shown) { mShowDefects = shown; }
    // Command-line files as simple meshes coloured by their curvature.
    void setCurvature(bool on) { mCurvatureFiles = on; }

    void displayFunc();
    void winReshapeFunc(GLint newWidth, GLint newHeight);
    void mouseFunc(GLint button, GLint action, GLint mouseX, GLint mouseY);
    void mouseActiveMotionFunc(GLint mouseX, GLint mouseY);
    void mousePassiveMotionFunc(GLint mouseX, GLint mouseY);
    void keyboardUpFunc(unsigned char keycode, GLint mouseX, GLint mouseY);
    void keyboardFunc(unsigned char keycode, GLint mouseX, GLint mouseY);
    void specialFunc(GLint keycode, GLint mouseX, GLint mouseY);

private:
    void getMouseScreenCoordinates(int mouseX, int mouseY, float& x, float& y);
    void drawXZplane(int nrOfGridCells, float width, int subGridLines);
    void drawCube(float angle);
    void drawFPS(float fps);
    // Loads an OBJ file into mesh and appends it to the scene, which then owns it. False,
    // and the mesh stays the caller's, when the file cannot be opened.
    bool addObjMesh(const std::string& filename, Mesh* mesh);
    // The two loading keys.
    void loadSimpleMesh();
    void loadHalfEdgeMesh();
    // The loading path of the keys and addObjMesh. openMeshFile reports a file that does
    // not open; readIntoScene reads the stream into mesh, calls prepare, and appends the
    // mesh to the scene, or reports why not and leaves the mesh to the caller.
    static bool openMeshFile(const std::string& filename, std::ifstream& stream);
    bool readIntoScene(const std::string& filename, std::ifstream& stream, Mesh* mesh,
                       const std::function<void(Mesh&)>& prepare);
    void takeMouseSample(GLint mouseX, GLint mouseY);
    // The camera on the whole of the joint box of the scene, in the current direction.
    void frameScene();
    // Overlays and pictures.
    void drawEdges();
    void drawDefects();
    void drawPanels();
    void takeScreenshots();
    Inspect::DefectDrawing* defectsOf(std::size_t index);

    unsigned int mWindowHeight;
    unsigned int mWindowWidth;
    ViewerMath::MousePosition mMousePos;    // latest sample; NO_MOUSE_SAMPLE before the first
    ViewerMath::MousePosition mOldMousePos; // the sample before it
    Camera mCam;
    float mFrameTimestamp;                // frame-clock reading at the start of the previous frame
    Stopwatch mClockArray[256];           // 0: runs for the life of the program; 1: the frame clock
    bool mDrawXZPlane;                    // grid, axes and axis letters shown
    unsigned int mFramecounter;           // frames finished since the last FPS update
    float mTimeSinceLastFPS;              // frame-clock time of the last FPS update
    float mCurrentFPS;                    // the figure on screen
    std::vector<Geometry*> mGeometryList; // the scene, drawn in order; owned

    std::vector<Framing::Box> mModelBoxes; // box of each scene object, before its transform
    DrawCache mDrawCache;
    Camera mHomeCam;             // where x returns to
    Vector3<float> mHomeCentre;  // what it looks at
    Vector3<float> mOrbitCentre; // what the orbit camera turns around and the wheel zooms to
    bool mOrbiting;              // orbit camera (c) rather than the fly camera
    std::string mTitle;
    FrameBenchmark mBenchmark;

    std::string mScreenshotPath;
    bool mShotPending = false; // key i: the next complete frame goes to a file
    int mViewFrames = 0;       // frames since the projection last got the view at this size
    bool mShowEdges = false;
    bool mShowDefects = false;
    bool mShowHelp = false;
    bool mCurvatureFiles = false;
    bool mCurvatureShown = true;
    // By scene index: the file a mesh came from, to analyse on demand, and its defects.
    struct Inspection
    {
        std::string source;
        bool analysed = false;
        std::shared_ptr<Inspect::DefectDrawing> defects;
    };
    std::vector<Inspection> mInspections;
    DrawCache mDefectCache;
    std::vector<Inspect::CurvatureMesh*> mCurvatureMeshes; // in the scene list, which owns them
};
