#include "tests/fuzz/FuzzPipeline.h"
#include "tests/fuzz/RepairCheck.h"
#include "tests/fuzz/WriterRoundTrip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The seed corpus and every input the fuzzer ever crashed or hung on, run through the fuzz
// targets' pipelines in every build (the sanitizer build turns a relapse into a failure).
TEST(FuzzRegressions, SeedsAndFindingsRunWithoutFault)
{
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"tests/fuzz/corpus", "tests/fuzz/regressions"})
    {
        std::error_code absent; // there may be no findings yet
        for (const auto& entry : std::filesystem::directory_iterator(folder, absent))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    }
    EXPECT_GE(files.size(), 10u);
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
    {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_TRUE(in.is_open() && bytes.size() <= FUZZ_MAX_INPUT);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        runFuzzPipeline(data, bytes.size());
        runWriterRoundTrip(data, bytes.size());
        runReadersDifferential(data, bytes.size());
        runRepairCheck(data, bytes.size());
    }
}
