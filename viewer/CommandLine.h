#pragma once

#include <ostream>
#include <string>
#include <vector>

// The viewer's command line: its own options, GLUT's (passed on to glutInit) and files.
struct CommandLine
{
    std::vector<std::string> files;
    std::vector<std::string> glutArguments; // the program name and GLUT's options
    bool help = false;
    bool version = false;
    bool drawCache = true;
    double benchmarkSeconds = 0.0;
    std::string screenshot; // write the first complete frame there and quit, when not empty
    bool defects = false;   // start with the defects overlay
    bool curvature = false; // files as simple meshes coloured by their mean curvature
    bool curvatureRangeGiven = false;
    float curvatureLow = 0.0f, curvatureHigh = 0.0f; // --curvature-range
    bool verbose = false;
    bool watch = false;        // reread a file when it changes on disk
    std::string screenshotDir; // one picture per file there, when not empty
    std::string error;         // a usage error, when not empty

    static CommandLine parse(int argc, const char* const* argv);
};

// The keys, for --help and the help panel alike.
struct KeyHelp
{
    const char* keys;
    const char* what;
};
const std::vector<KeyHelp>& keyTable();

void printUsage(std::ostream& out);
void printHelp(std::ostream& out);
