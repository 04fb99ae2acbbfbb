#pragma once

#include "Mesh.h"
#include "io/MeshFile.h"
#include "viewer/CurvatureScale.h"
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
    // init in two steps: the window (the slow part: it loads the driver), which may open
    // while the files load, and then the drawing state.
    void createWindow(const std::vector<std::string>& files);
    void initWindow();
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
    // One picture per command-line file, dir/NAME.png, then quit.
    void setScreenshotDir(const std::string& dir) { mScreenshotDir = dir; }
    void setDefects(bool shown) { mShowDefects = shown; }
    // Command-line files as simple meshes coloured by their curvature.
    void setCurvature(bool on) { mCurvatureFiles = on; }
    void setCurvatureRange(float low, float high)
    {
        mFixedRange = true;
        mRange = {low, high};
    }
    void setVerbose(bool on) { mVerbose = on; }
    void setWatch(bool on) { mWatch = on; }
    // Drawing without GLUT, into an off-screen surface of this size that is current.
    void initOffscreen(int width, int height);
    bool wantsPictures() const { return !mScreenshotPath.empty() || !mScreenshotDir.empty(); }

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
    // Command-line files: reading one (its console lines included), rereading.
    struct Loaded;
    bool loadFile(const std::string& file, Loaded& out, std::string& why);
    void reload(bool onlyChanged);
    void placeFiles();
    void applyCurvatureRange();
    // Picking and measuring.
    void pickAt(int x, int row, float depth);
    void boxLines();
    void drawPickMarker();
    // The camera's view into the projection at the window's size (none without a height).
    void applyView();
    // Scene object i is drawn (--screenshot-dir draws one file at a time).
    bool shown(std::size_t i) const { return mScreenshotDir.empty() || i == mShotIndex; }
    // This frame goes to a picture.
    bool picture() const { return wantsPictures() || mShotPending; }
    void homeOn(const Framing::Box& all);
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

    // The command-line files: scene objects 0 .. mFiles.size() - 1.
    struct File
    {
        std::string path;               // as given
        std::string name;               // printable
        std::shared_ptr<MeshData> data; // positions and triangles as read, for picking
        long long mtime = 0, size = -1; // when last read (or last found unreadable)
    };
    std::vector<File> mFiles;
    std::string mCallerDir;
    std::string mScreenshotDir;
    std::vector<std::string> mPictureNames; // of --screenshot-dir, by file
    std::vector<std::string> mPictureFiles; // the files read, as given
    std::size_t mFileCount = 0;             // on the command line
    int mShotFailures = 0;
    std::size_t mShotIndex = 0; // the file --screenshot-dir draws now
    bool mFixedRange = false;
    CurvatureScale::Range mRange;
    bool mVerbose = false;
    bool mWatch = false;
    double mLastWatch = 0.0;
    bool mShowCube = true;
    bool mOffscreen = false;
    // A click: where the button went down, whether it moved since, and a pick waiting for
    // the next frame (x, y in window pixels from the top left).
    int mPressX = 0, mPressY = 0;
    bool mPressed = false, mDragged = false, mPickPending = false;
    int mPickX = 0, mPickY = 0;
    std::vector<std::string> mPickLines; // shown until the next click
    bool mPickShown = false;
    std::size_t mPickFile = 0;
    Vector3<float> mPickVertex; // in the file's coordinates
    bool mHavePick = false;
    bool mShowBoxes = false;
    std::vector<std::string> mBoxLines;
};
