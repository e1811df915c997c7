// fuzz/fuzz_group.cpp -- libFuzzer entry for the group target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzGroupLoad(data, size);
    return 0;
}
