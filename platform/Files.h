#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::platform {

// The kernel32 file operations the product uses, on Windows paths of a machine
// (resolved as WinPath.h describes). Every failure carries the Win32 code
// Windows would give and a message naming the file as the caller spelt it.
// Bytes travel as std::string: files are 8-bit data, never decoded here.

struct FileAttributes {
    bool directory = false;
    bool readOnly = false;  // not writable by us
    std::uint64_t size = 0; // 0 for folders
};

struct FindEntry {
    std::string name; // as it is on the disk; "." and ".." for a folder's own entries
    bool directory = false;
    bool readOnly = false;
    std::uint64_t size = 0;
};

enum class OpenMode {
    Read,      // existing file, reading only
    ReadWrite, // existing file, reading and writing at any offset
    Create,    // new or emptied file, reading and writing
};

// An open file with its own position, read and written byte-wise at offsets.
// Seeking past the end is allowed (a later write fills the gap with zeros); a
// read that cannot deliver every byte asked for fails with HandleEof and leaves
// the position where it was. A write that finds the disk full fails with
// DiskFull. Closing is done by the destructor or by close().
class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    static Result<File> open(const std::filesystem::path& hostPath, OpenMode mode,
                             std::string displayName = {});

    bool isOpen() const { return fd_ >= 0 || image_; }
    std::uint64_t position() const { return position_; }
    Status seek(std::int64_t offset); // from the start; negative fails with NegativeSeek
    Result<std::string> read(std::size_t count);
    Status write(std::string_view bytes);
    Result<std::uint64_t> size() const;
    Status close(); // reports an error the system gives only at close

    struct InImage; // a file inside a drive kept as a disk image

private:
    int fd_ = -1;
    std::unique_ptr<InImage> image_;
    bool writable_ = false;
    std::uint64_t position_ = 0;
    std::string name_;
    std::filesystem::path path_; // on the host, for the fault-injection log
};

// CopyFile: byte-exact; the copy is made beside the target and renamed over
// it, so a crash never leaves a torn target. With failIfExists an existing
// target fails with FileExists and stays untouched.
Status copyFile(const Machine& machine, std::string_view from, std::string_view to,
                bool failIfExists);
Status deleteFile(const Machine& machine, std::string_view path);
Status createDirectory(const Machine& machine, std::string_view path); // AlreadyExists if there
Status removeDirectory(const Machine& machine, std::string_view path); // DirNotEmpty unless empty
Result<FileAttributes> fileAttributes(const Machine& machine, std::string_view path);
bool fileExists(const Machine& machine, std::string_view path);      // a file, not a folder
bool directoryExists(const Machine& machine, std::string_view path); // a folder
Result<File> openFile(const Machine& machine, std::string_view path, OpenMode mode);
Result<std::string> readWholeFile(const Machine& machine, std::string_view path);
// Replaces the file's contents atomically (created when missing).
Status writeWholeFile(const Machine& machine, std::string_view path, std::string_view bytes);

// FindFirstFile/FindNextFile/FindClose in one call: the entries of the folder
// matching the last component of `pattern` ("C:\Program Files\Velkan\*.*").
// Wildcards as Windows has them: "*" any run, "?" one character (or none at
// the end of the name or before a dot), "*.*" everything, also names without
// a dot, "*." names without a dot; always without regard to case. A folder
// other than a drive root also yields "." and ".." when they match, as Windows
// does. Order: ".", "..", then the names in the folder's own order where its
// medium has one (hasMediumOrder), else without regard to case (fileNameLess).
// No match is an empty list; a missing folder fails with PathNotFound. Links
// that lead out of the drive or nowhere are left out.
Result<std::vector<FindEntry>> findFiles(const Machine& machine, std::string_view pattern);

// Whether the folder's listing has an order of its own that Windows would see
// too: the order of the entries in a FAT directory. Other host folders have
// none, and are listed by name.
bool hasMediumOrder(const Machine& machine, std::string_view folder);

// Whether a name matches a Windows wildcard pattern (the rule findFiles uses).
bool matchesWildcard(std::string_view pattern, std::string_view name);

// The same operations on host paths, for tools and for callers that have
// already resolved a path. Messages name the host path.
namespace host {
Status copyFile(const std::filesystem::path& from, const std::filesystem::path& to,
                bool failIfExists);
Status deleteFile(const std::filesystem::path& path);
Status createDirectory(const std::filesystem::path& path);
Status removeDirectory(const std::filesystem::path& path);
// The folder and whichever of its parents are missing.
Status createDirectories(const std::filesystem::path& path);
// MoveFileEx with MOVEFILE_REPLACE_EXISTING, as Windows' start performs its
// [Rename] lines: a file `to` is replaced, and is never missing meanwhile.
Status moveFile(const std::filesystem::path& from, const std::filesystem::path& to);
Result<FileAttributes> fileAttributes(const std::filesystem::path& path);
Result<std::string> readWholeFile(const std::filesystem::path& path);
Status writeWholeFile(const std::filesystem::path& path, std::string_view bytes);
bool hasMediumOrder(const std::filesystem::path& folder);
// Entries of `folder` whose names match `namePattern`; "." and ".." included
// unless `driveRoot` is set.
Result<std::vector<FindEntry>> findFiles(const std::filesystem::path& folder,
                                         std::string_view namePattern, bool driveRoot = false);
} // namespace host

} // namespace velkan::platform
