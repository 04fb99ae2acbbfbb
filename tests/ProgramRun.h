#pragma once
// A program of the project run through the shell, as a script would run it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

struct ProgramRun
{
    int status; // 124 for a run over its time limit; -1 when the shell did not exit
    std::string out, err;
};

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Runs the shell text command, its output kept in stem.out and stem.err until read.
inline ProgramRun runShell(const std::string& command, const std::string& stem)
{
    const int rc = std::system((command + " >" + stem + ".out 2>" + stem + ".err").c_str());
    ProgramRun run{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(stem + ".out"),
                   slurp(stem + ".err")};
    std::filesystem::remove(stem + ".out");
    std::filesystem::remove(stem + ".err");
    return run;
}
