#include "GUI.h"

#include <GL/glut.h>

#include <X11/Xlib.h>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace
{
// Constructed before main runs and destroyed at exit, including the exit of the quit key.
GUI mainGUI;

void displayFunc()
{
    mainGUI.displayFunc();
}
void winReshapeFunc(GLint newWidth, GLint newHeight)
{
    mainGUI.winReshapeFunc(newWidth, newHeight);
}
void mouseFunc(GLint button, GLint action, GLint mouseX, GLint mouseY)
{
    mainGUI.mouseFunc(button, action, mouseX, mouseY);
}
void mouseActiveMotionFunc(GLint mouseX, GLint mouseY)
{
    mainGUI.mouseActiveMotionFunc(mouseX, mouseY);
}
void mousePassiveMotionFunc(GLint mouseX, GLint mouseY)
{
    mainGUI.mousePassiveMotionFunc(mouseX, mouseY);
}
void keyboardUpFunc(unsigned char keycode, GLint mouseX, GLint mouseY)
{
    mainGUI.keyboardUpFunc(keycode, mouseX, mouseY);
}
void keyboardFunc(unsigned char keycode, GLint mouseX, GLint mouseY)
{
    mainGUI.keyboardFunc(keycode, mouseX, mouseY);
}
void specialFunc(GLint keycode, GLint mouseX, GLint mouseY)
{
    mainGUI.specialFunc(keycode, mouseX, mouseY);
}
void idleFunc()
{
    mainGUI.update();
}

// glutInit ends the process with a terse message of its own when there is no X server, so
// look first: the display named by GLUT's own "-display" option, or else $DISPLAY. The
// connection is returned open, to be closed once GLUT has its own: a server whose last
// client leaves resets, and GLUT connecting during that reset would fail.
Display* openDisplay(int argc, char** argv)
{
    const char* name = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-display") == 0)
            name = argv[i + 1];
    if (name == nullptr)
    {
        name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
        {
            std::cerr << "Mesh Viewer needs a graphical display (X11); none found (DISPLAY is "
                      << (name == nullptr ? "not set)" : "empty)") << std::endl;
            return nullptr;
        }
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
        std::cerr << "Mesh Viewer needs a graphical display (X11); cannot open display \"" << name
                  << "\"" << std::endl;
    return display;
}
} // namespace

int main(int argc, char** argv)
{
    Display* display = openDisplay(argc, argv);
    if (display == nullptr)
        return EXIT_FAILURE;

    glutInit(&argc, argv);
    XCloseDisplay(display);
    mainGUI.init();

    glutDisplayFunc(displayFunc);
    glutReshapeFunc(winReshapeFunc);
    glutMouseFunc(mouseFunc);
    glutMotionFunc(mouseActiveMotionFunc);
    glutPassiveMotionFunc(mousePassiveMotionFunc);
    glutKeyboardUpFunc(keyboardUpFunc);
    glutKeyboardFunc(keyboardFunc);
    glutSpecialFunc(specialFunc);
    glutIdleFunc(idleFunc);

    glutMainLoop();
    return 0;
}
