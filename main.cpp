#include "GUI.h"
#include "viewer/CommandLine.h"
#include "viewer/Offscreen.h"
#include "viewer/OutputPath.h"

#include <GL/glut.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace
{
// init() opens the window at its fixed size and place; GLUT's -geometry, when the user gives
// it, is applied afterwards so that it wins. Negative offsets (from the right or bottom edge)
// are not supported and leave the place as it is.
void applyGeometry(const std::vector<std::string>& glutArguments)
{
    for (std::size_t i = 0; i + 1 < glutArguments.size(); ++i)
    {
        if (glutArguments[i] != "-geometry")
            continue;
        int x = 0;
        int y = 0;
        unsigned int width = 0;
        unsigned int height = 0;
        const int given = XParseGeometry(glutArguments[i + 1].c_str(), &x, &y, &width, &height);
        if ((given & WidthValue) != 0 && (given & HeightValue) != 0 && width > 0 && height > 0)
            glutReshapeWindow(static_cast<int>(width), static_cast<int>(height));
        if ((given & XValue) != 0 && (given & YValue) != 0 &&
            (given & (XNegative | YNegative)) == 0)
            glutPositionWindow(x, y);
    }
}

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
Display* openDisplay(int argc, char** argv, bool quiet)
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
            if (quiet)
                return nullptr;
            std::cerr << "Mesh Viewer needs a graphical display (X11); none found (DISPLAY is "
                      << (name == nullptr ? "not set)" : "empty)") << std::endl;
            return nullptr;
        }
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr && !quiet)
        std::cerr << "Mesh Viewer needs a graphical display (X11); cannot open display \"" << name
                  << "\"" << std::endl;
    return display;
}
// Files small enough in all (a pipe counts as large) that the drawing surface may be opened
// while they load: the driver it loads (some 0.2 s and 80 MiB) then adds to the load's peak.
bool loadBesideSurface(const std::vector<std::string>& files, const std::string& callerDir)
{
    const long long LIMIT = 64LL << 20;
    long long total = 0;
    for (const std::string& f : files)
    {
        struct stat st;
        if (f == "-" || stat(OutputPath::resolve(f, callerDir).c_str(), &st) != 0)
            return false;
        total += S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : LIMIT;
        if (total > LIMIT)
            return false;
    }
    return true;
}

// The window's size (1024 x 768, or -geometry's), drawn until the pictures are taken. The
// files load first, or while the surface opens; a file that cannot be read ends the program
// with the status the window would give.
int drawOffscreen(const std::vector<std::string>& glutArguments,
                  const std::vector<std::string>& files, const std::string& callerDir)
{
    unsigned int width = 1024, height = 768;
    for (std::size_t i = 0; i + 1 < glutArguments.size(); ++i)
    {
        int x = 0, y = 0;
        unsigned int w = 0, h = 0;
        const int given = XParseGeometry(glutArguments[i + 1].c_str(), &x, &y, &w, &h);
        if (glutArguments[i] == "-geometry" && (given & WidthValue) != 0 &&
            (given & HeightValue) != 0 && w > 0 && h > 0 && w <= 16384 && h <= 16384)
        {
            width = w;
            height = h;
        }
    }
    std::string why;
    bool loaded = false, opened = false;
    const auto open = [&] { return Offscreen::open(int(width), int(height), why); };
    std::thread load;
    if (loadBesideSurface(files, callerDir))
    {
        try
        {
            load = std::thread([&loaded, &files] { loaded = mainGUI.addCommandLineFiles(files); });
        }
        catch (const std::system_error&) // no thread: one after the other
        {
        }
    }
    if (load.joinable())
    {
        opened = open();
        load.join();
    }
    else if ((loaded = mainGUI.addCommandLineFiles(files)))
        opened = open();
    if (!loaded)
        return 1;
    if (!opened)
    {
        std::cerr << "MeshViewer: no X display, and no drawing without one: " << why << std::endl;
        return EXIT_FAILURE;
    }
    mainGUI.initOffscreen(static_cast<int>(width), static_cast<int>(height));
    for (;;)
        mainGUI.displayFunc(); // ends the program once the pictures are written
}
} // namespace

int main(int argc, char** argv)
{
    const CommandLine command = CommandLine::parse(argc, argv);
    if (!command.error.empty())
    {
        std::cerr << "MeshViewer: " << command.error << "\n";
        printUsage(std::cerr);
        return 2;
    }
    if (command.help)
    {
        printHelp(std::cout);
        return 0;
    }
    if (command.version)
    {
        std::cout << "MeshViewer " << MV_VERSION << std::endl;
        return 0;
    }
    // Before the window opens: a file that cannot be read ends the program without one.
    // A picture draws each mesh once: compiling a drawing to replay would only cost.
    mainGUI.setDrawCache(command.drawCache && command.screenshot.empty() &&
                         command.screenshotDir.empty());
    mainGUI.setBenchmark(command.benchmarkSeconds);
    const std::string caller = OutputPath::callerDir();
    mainGUI.setScreenshot(OutputPath::resolve(command.screenshot, caller));
    mainGUI.setScreenshotDir(OutputPath::resolve(command.screenshotDir, caller));
    if (!command.screenshotDir.empty())
        mkdir(OutputPath::resolve(command.screenshotDir, caller).c_str(), 0777); // may exist
    mainGUI.setDefects(command.defects);
    mainGUI.setCurvature(command.curvature);
    if (command.curvatureRangeGiven)
        mainGUI.setCurvatureRange(command.curvatureLow, command.curvatureHigh);
    mainGUI.setVerbose(command.verbose);
    mainGUI.setWatch(command.watch);

    // GLUT sees its own options only.
    std::vector<char*> glutArgv;
    for (const std::string& a : command.glutArguments)
        glutArgv.push_back(const_cast<char*>(a.c_str()));
    int glutArgc = static_cast<int>(glutArgv.size());
    glutArgv.push_back(nullptr);

    // Pictures need no display: without one they are drawn off screen.
    const bool pictures = mainGUI.wantsPictures();
    Display* display = pictures ? openDisplay(glutArgc, glutArgv.data(), true) : nullptr;
    if (display == nullptr && pictures)
        return drawOffscreen(command.glutArguments, command.files, caller);
    // One picture of small files: the window opens while they load, as off screen. A file
    // that cannot be read then ends the program after the window has shown for a moment.
    std::thread load;
    bool loaded = false;
    if (pictures && command.screenshotDir.empty() && !command.files.empty() &&
        loadBesideSurface(command.files, caller))
    {
        try
        {
            load = std::thread([&loaded, &command]
                               { loaded = mainGUI.addCommandLineFiles(command.files); });
        }
        catch (const std::system_error&) // no thread: one after the other
        {
        }
    }
    if (!load.joinable() && !mainGUI.addCommandLineFiles(command.files))
        return 1;
    if (!pictures)
        display = openDisplay(glutArgc, glutArgv.data(), false);
    if (display == nullptr)
        return EXIT_FAILURE;

    glutInit(&glutArgc, glutArgv.data());
    XCloseDisplay(display);
    if (load.joinable())
    {
        mainGUI.createWindow(command.files);
        load.join();
        if (!loaded)
            return 1;
    }
    else
        mainGUI.createWindow({});
    mainGUI.initWindow();
    applyGeometry(command.glutArguments);

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
