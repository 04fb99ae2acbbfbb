#include "FuzzPipeline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size <= FUZZ_MAX_INPUT)
        runFuzzPipeline(data, size);
    return 0;
}
