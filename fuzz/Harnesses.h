#pragma once

#include <cstddef>
#include <cstdint>

// The bodies of the libFuzzer targets, shared with the seed-corpus tests that
// run under any compiler. Each treats the bytes as a file that came from
// outside: one a user picked, a theme pack from a stranger, or a machine's own
// start-up files. A harness aborts when a reader breaks one of its promises.
namespace velkan::fuzz {

// Icon readers: an .ico file, PE and NE modules, one DIB icon image.
void fuzzIco(const std::uint8_t* data, std::size_t size);
void fuzzPe(const std::uint8_t* data, std::size_t size);
void fuzzNe(const std::uint8_t* data, std::size_t size);
void fuzzDib(const std::uint8_t* data, std::size_t size);

// A PNG icon image, alone and inside an .ico file.
void fuzzPng(const std::uint8_t* data, std::size_t size);

// A logo bitmap: the logo loader into a shell working copy, and the pack
// saver's decoder with its writer.
void fuzzBmp(const std::uint8_t* data, std::size_t size);

// A theme pack's "index.vkr", through the pack index and the preview.
void fuzzPackIndex(const std::uint8_t* data, std::size_t size);

// Any initialisation file (WinInit.ini among them) read, written and edited
// with the profile-string rules.
void fuzzProfile(const std::uint8_t* data, std::size_t size);

// WinInit.ini's [Rename] lines, previewed and performed on a machine.
void fuzzWinInit(const std::uint8_t* data, std::size_t size);

// C:\MSDOS.SYS: the Windows folder found from it, then a Windows start.
void fuzzMsdosSys(const std::uint8_t* data, std::size_t size);

// A machine's registry.reg, parsed and written back.
void fuzzRegistry(const std::uint8_t* data, std::size_t size);

// A machine's SYSTEM.DAT or USER.DAT, parsed and written back.
void fuzzCreg(const std::uint8_t* data, std::size_t size);

// A drive C: kept as a disk image: the partition table or VHD footer, the FAT
// volume's boot sector, FAT and folders, read through and written once.
void fuzzFatImage(const std::uint8_t* data, std::size_t size);

} // namespace velkan::fuzz
