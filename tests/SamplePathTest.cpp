#include "viewer/SamplePath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// Keys 1 and 2 read Objs/ of the working directory, else the installed copy, else name the
// working directory's path in their message.
TEST(SamplePath, WorkingDirectoryFirstThenTheInstalledCopy)
{
    char pattern[] = "/tmp/samplepathXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string data = pattern;
    ASSERT_EQ(system(("mkdir -p " + data + "/Objs").c_str()), 0);
    std::ofstream(data + "/Objs/only-installed.obj") << "v 0 0 0\n";

    // The tests run in the project root, which has Objs/.
    EXPECT_EQ(SamplePath::resolve("Objs/triangle.obj", data), "Objs/triangle.obj");
    EXPECT_EQ(SamplePath::resolve("Objs/only-installed.obj", data),
              data + "/Objs/only-installed.obj");
    EXPECT_EQ(SamplePath::resolve("Objs/nowhere.obj", data), "Objs/nowhere.obj");
    EXPECT_EQ(SamplePath::resolve("Objs/only-installed.obj", ""), "Objs/only-installed.obj");
    EXPECT_EQ(SamplePath::resolve("Objs", data), "Objs"); // a folder is no mesh

    // This program lives in BUILD/, so its data folder is BUILD/../share/meshviewer.
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string prefix(exe, static_cast<std::size_t>(n));
    prefix.erase(prefix.find_last_of('/'));
    prefix.erase(prefix.find_last_of('/'));
    EXPECT_EQ(SamplePath::installedDataDir(), prefix + "/share/meshviewer");
    EXPECT_EQ(system(("rm -rf " + data).c_str()), 0);
}
