#pragma once

#include "platform/Machine.h"

#include <filesystem>
#include <string>
#include <string_view>

// Harnesses that need files on a machine work in one folder per process, on a
// memory-backed file system where there is one, removed when the process ends.
namespace velkan::fuzz {

// A fresh machine folder named `name` inside the process's scratch folder:
// whatever an earlier input left there is gone, drive C: exists and is empty.
platform::Machine freshMachine(std::string_view name);

// Writes a file on the host, making its folders; aborts when it cannot,
// since a harness that cannot set up its machine tests nothing.
void put(const std::filesystem::path& file, std::string_view bytes);

// The whole file into `out`; false when it is not there.
bool slurp(const std::filesystem::path& file, std::string& out);

std::string_view asText(const std::uint8_t* data, std::size_t size);

// Aborts with a message: the reader broke a promise.
[[noreturn]] void fail(const char* what);

} // namespace velkan::fuzz
