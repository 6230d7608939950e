#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkan::machine {

// The start of a Windows program file: the "MZ" header and the small DOS
// program that prints `message` when the file is started under DOS, padded
// with zeros to 128 bytes.
std::string dosProgramHeader(std::string_view message);

// Bytes that look like the code and data of a program, the same for the same
// seed, to fill the parts of a stand-in shell file that nobody reads.
std::string programFiller(std::size_t size, std::uint32_t seed);

// Writes `value` as a little-endian number at `offset` of `bytes`.
void putLe16(std::string& bytes, std::size_t offset, std::uint16_t value);
void putLe32(std::string& bytes, std::size_t offset, std::uint32_t value);

// The end of a run of `size` bytes at `offset`, rounded up to `alignment`.
constexpr std::size_t roundUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace velkan::machine
