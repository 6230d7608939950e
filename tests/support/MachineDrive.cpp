#include "tests/support/MachineDrive.h"

#include "platform/DiskImage.h"
#include "platform/Files.h"
#include "platform/ImageDrive.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

namespace velkan::test {

namespace fs = std::filesystem;

bool imageMachines() {
    const char* drive = std::getenv("VELKAN_TEST_DRIVE");
    return drive && std::string(drive) == "image";
}

::testing::AssertionResult volumeClean(const fs::path& machineRoot) {
    const fs::path drive = machineRoot / "drive_c";
    if (!platform::imagedrive::isImage(drive))
        return ::testing::AssertionSuccess();
    auto image = platform::ImageFile::open(fs::canonical(drive), false);
    if (!image)
        return ::testing::AssertionFailure() << image.error().message;
    auto range = platform::locateVolume(*image);
    if (!range)
        return ::testing::AssertionFailure() << range.error().message;
    // fsck.fat reads whole devices only, so the partition is checked from a copy.
    TempDir scratch;
    const fs::path volume = scratch / "volume";
    std::string bytes(range->size, '\0');
    if (auto read = image->read(range->offset, bytes.data(), bytes.size()); !read)
        return ::testing::AssertionFailure() << read.error().message;
    writeFile(volume, bytes);
    const auto fsck = runProcess("fsck.fat", {"-n", volume.string()});
    std::istringstream lines(fsck.out);
    for (std::string line; std::getline(lines, line);) {
        const bool usual =
            line.empty() || line.rfind("fsck.fat ", 0) == 0 || line.rfind(volume.string(), 0) == 0;
        if (!usual || fsck.exitCode != 0)
            return ::testing::AssertionFailure() << "fsck.fat -n:\n" << fsck.out << fsck.err;
    }
    return ::testing::AssertionSuccess();
}

fs::path hostCopy(const fs::path& file, const fs::path& scratchFolder) {
    if (!platform::imagedrive::locate(file))
        return file;
    const fs::path copy = scratchFolder / file.filename();
    writeFile(copy, readFile(file));
    return copy;
}

} // namespace velkan::test

namespace velkan::test {

namespace {

bool inImage(const fs::path& path) {
    return platform::imagedrive::locate(path).has_value();
}

} // namespace

bool exists(const fs::path& path) {
    if (!inImage(path)) {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    }
    return platform::host::fileAttributes(path).ok();
}

void removeAll(const fs::path& path) {
    if (!inImage(path)) {
        fs::remove_all(path);
        return;
    }
    auto found = platform::host::fileAttributes(path);
    if (!found)
        return;
    if (!found->directory) {
        // Windows' own read-only files (MSDOS.SYS) go as well.
        if (auto place = platform::imagedrive::locate(path))
            (void)platform::imagedrive::setAttributes(*place, platform::fatattr::Archive);
        if (auto s = platform::host::deleteFile(path); !s)
            throw std::runtime_error(s.error().message);
        return;
    }
    auto entries = platform::host::findFiles(path, "*.*", true);
    if (entries)
        for (const auto& entry : *entries)
            if (entry.name != "." && entry.name != "..")
                removeAll(path / entry.name);
    if (auto s = platform::host::removeDirectory(path); !s)
        throw std::runtime_error(s.error().message);
}

void makeFolders(const fs::path& folder) {
    if (!inImage(folder)) {
        fs::create_directories(folder);
        return;
    }
    if (auto s = platform::host::createDirectories(folder); !s)
        throw std::runtime_error(s.error().message);
}

void resizeFile(const fs::path& file, std::uint64_t size) {
    if (!inImage(file)) {
        fs::resize_file(file, size);
        return;
    }
    std::string bytes = readFile(file);
    bytes.resize(static_cast<std::size_t>(size), '\0');
    writeFile(file, bytes);
}

void copyTree(const fs::path& from, const fs::path& to) {
    if (!inImage(from) && !inImage(to)) {
        fs::copy(from, to, fs::copy_options::recursive);
        return;
    }
    auto found = platform::host::fileAttributes(from);
    if (!found)
        throw std::runtime_error("cannot copy " + from.string());
    if (!found->directory) {
        writeFile(to, readFile(from));
        return;
    }
    makeFolders(to);
    auto entries = platform::host::findFiles(from, "*.*", true);
    if (entries)
        for (const auto& entry : *entries)
            if (entry.name != "." && entry.name != "..")
                copyTree(from / entry.name, to / entry.name);
}

} // namespace velkan::test
