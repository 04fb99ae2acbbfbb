#include "tests/RecordingGL.h"
#include "tests/fuzz/FuzzPipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
std::vector<std::filesystem::path> filesIn(const char* folder)
{
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(folder))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const std::filesystem::path& file)
{
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in.is_open());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_LE(bytes.size(), FUZZ_MAX_INPUT);
    runFuzzPipeline(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    clearGLCalls();
}
} // namespace

// The seed corpus and every input the fuzzer ever crashed or hung on, run through the fuzz
// target's pipeline in every build (the sanitizer build turns a relapse into a failure).
TEST(FuzzRegressions, SeedsAndFindingsRunWithoutFault)
{
    const std::vector<std::filesystem::path> seeds = filesIn("tests/fuzz/corpus");
    EXPECT_GE(seeds.size(), 10u);
    for (const auto& file : seeds)
        replay(file);
    for (const auto& file : filesIn("tests/fuzz/regressions"))
        replay(file);
}
