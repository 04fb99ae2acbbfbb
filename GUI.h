#pragma once

#include "Mesh.h"

#include "SupportCode/Camera.h"
#include "SupportCode/Geometry.h"
#include "SupportCode/Stopwatch.h"
#include "SupportCode/ViewerMath.h"

#include <GL/gl.h>

#include <string>
#include <vector>

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
    void takeMouseSample(GLint mouseX, GLint mouseY);

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
};
