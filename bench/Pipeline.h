#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// One run of one library's pipeline on one file: the time of each phase, and what the run
// computed, so that the libraries' results can be checked against each other.
class PipelineRun
{
public:
    template <typename Work> void time(const char* phase, Work&& work)
    {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        mPhases.emplace_back(phase, took.count());
    }
    void result(const char* name, double value) { mResults.emplace_back(name, value); }

    const std::vector<std::pair<std::string, double>>& phases() const { return mPhases; }
    const std::vector<std::pair<std::string, double>>& results() const { return mResults; }

private:
    std::vector<std::pair<std::string, double>> mPhases;  // name, milliseconds
    std::vector<std::pair<std::string, double>> mResults; // name, value
};

// A pipeline reads the file and does its work, timing each phase; false if it could not.
using Pipeline = bool (*)(const std::string& file, PipelineRun& run);

// The comparison pipelines, built only when their libraries are installed.
bool runOpenMeshPipeline(const std::string& file, PipelineRun& run);
bool runCgalPipeline(const std::string& file, PipelineRun& run);
