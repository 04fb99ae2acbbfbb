#pragma once
// Programs of the project run through the shell, as a script would run them, and the
// folders for the files a test writes.

#include "io/MeshWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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

// A folder of this process, emptied when made and removed with the object.
struct Scratch
{
    const std::filesystem::path dir;
    explicit Scratch(const std::string& name = "scratch")
        : dir(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string file(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return path(name);
    }
    std::string mesh(const std::string& name, const MeshData& data, WriteFormat format) const
    {
        std::string error;
        EXPECT_TRUE(writeMeshFile(path(name), data, format, {}, error)) << error;
        return path(name);
    }
};
