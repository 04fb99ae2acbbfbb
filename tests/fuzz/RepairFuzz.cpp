#include "FuzzPipeline.h"
#include "RepairCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size <= FUZZ_MAX_INPUT)
        runRepairCheck(data, size);
    return 0;
}
