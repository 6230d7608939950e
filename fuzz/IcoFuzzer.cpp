// libFuzzer target: the Ico reader on arbitrary bytes.
#include "fuzz/Harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velkan::fuzz::fuzzIco(data, size);
    return 0;
}
