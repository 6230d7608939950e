// One libFuzzer program per harness; the build names the harness.
#include "fuzz/Harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velkan::fuzz::VELKAN_FUZZ_HARNESS(data, size);
    return 0;
}
