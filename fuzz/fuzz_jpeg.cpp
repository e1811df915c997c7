// fuzz/fuzz_jpeg.cpp -- libFuzzer entry for the jpeg target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzJpeg(data, size);
    return 0;
}
