#pragma once

#include <cstddef>
#include <cstdint>

// The bodies of the libFuzzer targets, shared with the seed-corpus tests that
// run under any compiler. Each treats the bytes as the file a user picked.
namespace velkan::fuzz {

void fuzzIco(const std::uint8_t* data, std::size_t size);
void fuzzPe(const std::uint8_t* data, std::size_t size);
void fuzzNe(const std::uint8_t* data, std::size_t size);
void fuzzDib(const std::uint8_t* data, std::size_t size);

} // namespace velkan::fuzz
