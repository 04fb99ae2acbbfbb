#include "viewer/CommandLine.h"

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
    return c;
}

void printUsage(std::ostream& out)
{
    out << "usage: MeshViewer [OPTIONS] [FILE.obj ...]\n";
}

void printHelp(std::ostream& out)
{
    printUsage(out);
    out << "\nShows triangle meshes read from OBJ files, placed side by side and framed.\n"
           "Without files the scene starts empty; keys 1 and 2 load the sample meshes.\n"
           "\nOptions:\n"
           "  -h, --help        this text\n"
           "  --version         the version\n"
           "  --no-cache        draw every frame directly instead of replaying a compiled\n"
           "                    drawing (as does MV_NO_DRAW_CACHE=1 in the environment)\n"
           "  --benchmark SECS  count frames for SECS seconds (after one of warm-up), print\n"
           "                    the frame rate and quit\n"
           "  -display DISPLAY  the X display (and GLUT's other options: -geometry WxH+X+Y,\n"
           "                    -direct, -indirect, -iconic, -gldebug, -sync)\n"
           "  --                the arguments that follow are files\n"
           "\nKeys:\n"
           "  w s a d           push the fly camera forward, back, left, right\n"
           "  W S               push it up, down; any key release ends the push\n"
           "  space             stop the camera\n"
           "  , .               jump back, forward\n"
           "  c                 switch between the fly and the orbit camera\n"
           "  f                 frame everything loaded\n"
           "  x                 home view;  o  look at the origin\n"
           "  1 2               load Objs/triangle.obj, Objs/bunnySmall.obj\n"
           "  m n               outlines, filled\n"
           "  p                 grid and axes on or off\n"
           "  q                 quit\n"
           "\nMouse: a drag turns the view (orbit camera: turns around the framed centre);\n"
           "the wheel zooms towards the centre.\n";
}
