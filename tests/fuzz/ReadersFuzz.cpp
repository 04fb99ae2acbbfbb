#include "FuzzPipeline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size <= FUZZ_MAX_INPUT)
        runReadersDifferential(data, size);
    return 0;
}
