#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::platform {

// Initialisation files with the rules of GetPrivateProfileString and
// WritePrivateProfileString, for WinInit.ini, Msdos.sys and theme-pack index
// files.
//
// Reading: section and key names compare without regard to case; blanks
// around names and values are ignored; a value in matching double or single
// quotes loses them, and a NUL byte ends it; lines without "=" are ignored,
// while a line starting with ";" is an ordinary line (";c=1" is the key ";c");
// keys before the first section belong to the section ""; only the first
// section of a name counts, and in it the first line of a key. Lines end in
// CR LF, LF or CR; a Ctrl+Z ends the text.
//
// Writing keeps every other line of the file byte for byte (";" lines, blank
// lines, unknown sections, their order and their line ends, whatever follows
// a Ctrl+Z), writes CR LF for the lines it adds, creates the section and the
// file as needed and replaces the file atomically, so a crash never leaves a
// torn file. Names holding a line break, keys holding "=" or starting with
// ";" and sections holding "]" are refused with InvalidParameter, as they
// could not be read back.

// The buffer Windows programs pass; a value is cut to bufferSize - 1 characters.
inline constexpr std::size_t kProfileBufferSize = 1024;

// GetPrivateProfileString with a key: the value, or `defaultValue` (without
// its trailing blanks) when the file, the section or the key is missing;
// either cut to bufferSize - 1 characters (nothing for a buffer of 0).
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize = kProfileBufferSize);

// GetPrivateProfileString with no key: the section's key names, in file order,
// each key line as it stands (a name given twice twice, "=x" as "").
std::vector<std::string> readProfileKeys(const std::filesystem::path& file,
                                         std::string_view section);

// GetPrivateProfileString with no section: the section names, in file order,
// each name once.
std::vector<std::string> readProfileSections(const std::filesystem::path& file);

// GetPrivateProfileInt: leading blanks, an optional sign, then decimal digits
// or "0x" and hexadecimal digits, up to the first other character; a value
// without digits gives 0, a missing key `defaultValue`.
int readProfileInt(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, int defaultValue);

// The stricter rule the theme-pack reader applies to numbers: the whole value
// must be a signed decimal number, or "0x"/"0X" followed by hexadecimal digits
// (more than two characters in all), within the range of int; anything else,
// and a missing key, gives `defaultValue`.
int readProfileIntExact(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, int defaultValue);
bool parseIntExact(std::string_view text, int& out);

// WritePrivateProfileString with a key and a value: replaces the key's line in
// place or adds "key=value" after the last non-blank line of the section, creating the
// section at the end of the file and the file itself as needed. The folder
// must exist (else PathNotFound).
Status writeProfileString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view value);

// Several keys of one section in a single replacement of the file: a crash
// leaves all of them or none. The result equals writing them one by one; a
// key or value that cannot be written fails the whole call, writing nothing.
Status writeProfileStrings(const std::filesystem::path& file, std::string_view section,
                           std::span<const std::pair<std::string_view, std::string_view>> entries);

// WritePrivateProfileString with no value: removes the key's first line from
// the section. A missing file, section or key is not an error.
Status deleteProfileKey(const std::filesystem::path& file, std::string_view section,
                        std::string_view key);

// WritePrivateProfileString with no key: removes the section with all its
// lines (every section of that name).
Status deleteProfileSection(const std::filesystem::path& file, std::string_view section);

// The same on Windows paths of a machine. A path that does not resolve reads
// as a missing file (defaults) and fails to write with the resolution's error.
std::string readProfileString(const Machine& machine, std::string_view winFile,
                              std::string_view section, std::string_view key,
                              std::string_view defaultValue,
                              std::size_t bufferSize = kProfileBufferSize);
int readProfileInt(const Machine& machine, std::string_view winFile, std::string_view section,
                   std::string_view key, int defaultValue);
int readProfileIntExact(const Machine& machine, std::string_view winFile, std::string_view section,
                        std::string_view key, int defaultValue);
std::vector<std::string> readProfileKeys(const Machine& machine, std::string_view winFile,
                                         std::string_view section);
Status writeProfileString(const Machine& machine, std::string_view winFile,
                          std::string_view section, std::string_view key, std::string_view value);
Status writeProfileStrings(const Machine& machine, std::string_view winFile,
                           std::string_view section,
                           std::span<const std::pair<std::string_view, std::string_view>> entries);
Status deleteProfileKey(const Machine& machine, std::string_view winFile, std::string_view section,
                        std::string_view key);
Status deleteProfileSection(const Machine& machine, std::string_view winFile,
                            std::string_view section);

} // namespace velkan::platform
