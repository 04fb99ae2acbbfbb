#include "viewer/CommandLine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
// GLUT's own options; the first two take a value.
const char* const GLUT_WITH_VALUE[] = {"-display", "-geometry"};
const char* const GLUT_FLAGS[] = {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"};

bool oneOf(const std::string& arg, const char* const* begin, const char* const* end)
{
    for (const char* const* p = begin; p != end; ++p)
        if (arg == *p)
            return true;
    return false;
}
} // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv)
{
    CommandLine c;
    c.glutArguments.push_back(argc > 0 ? argv[0] : "MeshViewer");
    const char* noCache = std::getenv("MV_NO_DRAW_CACHE");
    c.drawCache = noCache == nullptr || *noCache == '\0' || std::strcmp(noCache, "0") == 0;
    bool options = true;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (!options || arg.empty() || arg[0] != '-' || arg == "-")
            c.files.push_back(arg);
        else if (arg == "--")
            options = false;
        else if (arg == "--help" || arg == "-h")
            c.help = true;
        else if (arg == "--version")
            c.version = true;
        else if (arg == "--no-cache")
            c.drawCache = false;
        else if (arg == "--defects")
            c.defects = true;
        else if (arg == "--curvature")
            c.curvature = true;
        else if (arg == "--verbose")
            c.verbose = true;
        else if (arg == "--watch")
            c.watch = true;
        else if (arg == "--curvature-range")
        {
            float v[2] = {0.0f, 0.0f};
            bool good = i + 2 < argc;
            for (int k = 0; k < 2 && good; ++k)
            {
                char* end = nullptr;
                v[k] = std::strtof(argv[++i], &end);
                good = end != argv[i] && *end == '\0' && std::isfinite(v[k]);
            }
            if (!good || !(v[0] < v[1]))
            {
                c.error = "--curvature-range needs two numbers, the first below the second";
                break;
            }
            c.curvature = c.curvatureRangeGiven = true;
            c.curvatureLow = v[0];
            c.curvatureHigh = v[1];
        }
        else if (arg == "--screenshot-dir")
        {
            if (i + 1 == argc || argv[i + 1][0] == '\0')
            {
                c.error = "--screenshot-dir needs a directory";
                break;
            }
            c.screenshotDir = argv[++i];
        }
        else if (arg == "--screenshot")
        {
            if (i + 1 == argc || argv[i + 1][0] == '\0')
            {
                c.error = "--screenshot needs a file name";
                break;
            }
            c.screenshot = argv[++i];
        }
        else if (arg == "--benchmark")
        {
            char* end = nullptr;
            c.benchmarkSeconds = i + 1 < argc ? std::strtod(argv[++i], &end) : 0.0;
            if (end == nullptr || *end != '\0' || !(c.benchmarkSeconds > 0.0) ||
                c.benchmarkSeconds > 1e6)
            {
                c.error = "--benchmark needs a number of seconds";
                break;
            }
        }
        else if (oneOf(arg, std::begin(GLUT_FLAGS), std::end(GLUT_FLAGS)))
            c.glutArguments.push_back(arg);
        else if (oneOf(arg, std::begin(GLUT_WITH_VALUE), std::end(GLUT_WITH_VALUE)))
        {
            if (i + 1 == argc)
            {
                c.error = "option " + arg + " needs a value";
                break;
            }
            c.glutArguments.push_back(arg);
            c.glutArguments.push_back(argv[++i]);
        }
        else
        {
            c.error = "unknown option " + arg;
            break;
        }
    }
    if (c.error.empty() && !c.screenshot.empty() && !c.screenshotDir.empty())
        c.error = "--screenshot and --screenshot-dir exclude each other";
    else if (c.error.empty() && !c.screenshotDir.empty() && c.files.empty())
        c.error = "--screenshot-dir needs files";
    return c;
}

const std::vector<KeyHelp>& keyTable()
{
    static const std::vector<KeyHelp> keys = {
        {"w s a d", "push the fly camera forward, back, left, right"},
        {"W S", "push it up, down; any key release ends the push"},
        {"space", "stop the camera"},
        {", .", "jump back, forward"},
        {"c", "switch between the fly and the orbit camera"},
        {"f", "frame everything loaded"},
        {"x", "home view;  o  look at the origin"},
        {"1 2", "load Objs/triangle.obj, Objs/bunnySmall.obj"},
        {"m n", "outlines, filled"},
        {"e", "triangle edges over the surface"},
        {"b", "defects: open, non-manifold and flipped edges, vertices, degenerate triangles"},
        {"k", "curvature or normal colours (files read with --curvature)"},
        {"i", "save the window as meshviewer-NNN.png (where the command was run)"},
        {"l", "bounding box sizes of the meshes, in file units"},
        {"r", "reread every file of the command line"},
        {"g", "the spinning cube on or off (at the start shown only without files)"},
        {"h", "this list in the window"},
        {"p", "grid and axes on or off"},
        {"q", "quit"},
        {"drag", "turn the view (a mouse button held)"},
        {"wheel", "zoom towards the centre"},
        {"click", "pick a vertex and triangle; the next click adds the distance"},
    };
    return keys;
}

void printUsage(std::ostream& out)
{
    out << "usage: MeshViewer [OPTIONS] [FILE.obj|.stl|.ply|.off ...]\n";
}

void printHelp(std::ostream& out)
{
    printUsage(out);
    out << "\nShows triangle meshes read from OBJ, STL (binary or ASCII), PLY and OFF files,\n"
           "placed side by side and framed. Without files the scene starts empty with a\n"
           "spinning cube; keys 1 and 2 load the sample meshes. File and picture names are\n"
           "taken relative to the directory the command was run in (run.sh passes it in\n"
           "MV_CALLER_DIR).\n"
           "\nOptions:\n"
           "  -h, --help        this text\n"
           "  --version         the version\n"
           "  --no-cache        draw every frame directly instead of replaying a compiled\n"
           "                    drawing (as does MV_NO_DRAW_CACHE=1 in the environment)\n"
           "  --defects         start with the defects overlay (key b)\n"
           "  --curvature       read the files as simple meshes coloured by their mean\n"
           "                    curvature (key k), from red through black to blue, the\n"
           "                    range symmetric about 0 at the 98th percentile of |H|\n"
           "  --curvature-range MIN MAX  the curvature colours from MIN to MAX instead\n"
           "  --verbose         also the library's line for each vertex without a curvature\n"
           "  --watch           reread a file when it changes on disk (checked each second)\n"
           "  --screenshot FILE.png  draw the first complete frame, write it as PNG and\n"
           "                    quit, without the frame counter and the help hint; with no\n"
           "                    X display it renders off screen (EGL), text in a built-in\n"
           "                    font\n"
           "  --screenshot-dir DIR  the same, one picture per file: DIR/NAME.png\n"
           "  --benchmark SECS  count frames for SECS seconds (after one of warm-up), print\n"
           "                    the frame rate, the processor time a frame took and the\n"
           "                    OpenGL renderer, and quit\n"
           "  -display DISPLAY  the X display (and GLUT's other options: -geometry WxH+X+Y,\n"
           "                    -direct, -indirect, -iconic, -gldebug, -sync)\n"
           "  --                the arguments that follow are files\n"
           "\nKeys and mouse:\n";
    for (const KeyHelp& k : keyTable())
    {
        const std::string keys = k.keys;
        out << "  " << keys << std::string(keys.size() < 18 ? 18 - keys.size() : 1, ' ') << k.what
            << "\n";
    }
    out << "\nMouse: a drag turns the view (orbit camera: turns around the framed centre);\n"
           "the wheel zooms towards the centre. A click without a drag on a mesh of the\n"
           "command line prints and shows the file, the nearest vertex (index from 0 and\n"
           "position, in the file's coordinates) and the triangle (index from 0); the next\n"
           "click adds its distance from the vertex picked before.\n";
}
