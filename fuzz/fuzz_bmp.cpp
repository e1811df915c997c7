// fuzz/fuzz_bmp.cpp -- libFuzzer entry for the bmp target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzBmpRead(data, size);
    return 0;
}
