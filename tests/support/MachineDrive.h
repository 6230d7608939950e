#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>

// The flow tests run twice: on a machine whose drive C: is a folder, and with
// VELKAN_TEST_DRIVE=image on the same machine kept as a FAT16 disk image. The
// helpers of the tests reach files inside an image through the product's own
// file layer; fsck.fat judges the volume once a test is done with it.
namespace velkan::test {

bool imageMachines();

// fsck.fat -n on the volume of the machine's drive C: when it is an image;
// nothing to check for a folder.
::testing::AssertionResult volumeClean(const std::filesystem::path& machineRoot);

// A copy of a file inside an image as a host file of its own, for outside
// tools that read files (cregexport, icotool); the file itself otherwise.
std::filesystem::path hostCopy(const std::filesystem::path& file,
                               const std::filesystem::path& scratchFolder);

} // namespace velkan::test

namespace velkan::test {

// What tests do to a machine's files behind the product's back, on a folder
// or inside an image alike.
bool exists(const std::filesystem::path& path);
void removeAll(const std::filesystem::path& path); // a file, or a folder with its contents
void makeFolders(const std::filesystem::path& folder);
void resizeFile(const std::filesystem::path& file, std::uint64_t size);
void copyTree(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace velkan::test
