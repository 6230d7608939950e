#include "platform/Files.h"

#include "platform/Text.h"

#include "platform/AtomicFile.h"
#include "platform/FaultInjection.h"
#include "platform/ImageDrive.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <limits>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <optional>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

const char* win32Text(WinError code) {
    switch (code) {
    case WinError::FileNotFound:
        return "The system cannot find the file specified.";
    case WinError::PathNotFound:
        return "The system cannot find the path specified.";
    case WinError::AccessDenied:
        return "Access is denied.";
    case WinError::InvalidHandle:
        return "The handle is invalid.";
    case WinError::NotReady:
        return "The device is not ready.";
    case WinError::WriteFault:
        return "The system cannot write to the specified device.";
    case WinError::ReadFault:
        return "The system cannot read from the specified device.";
    case WinError::HandleEof:
        return "Reached the end of the file.";
    case WinError::FileExists:
        return "The file exists.";
    case WinError::InvalidParameter:
        return "The parameter is incorrect.";
    case WinError::DiskFull:
        return "There is not enough space on the disk.";
    case WinError::NegativeSeek:
        return "An attempt was made to move the file pointer before the beginning of the file.";
    case WinError::DirNotEmpty:
        return "The directory is not empty.";
    case WinError::AlreadyExists:
        return "Cannot create a file when that file already exists.";
    case WinError::CannotMake:
        return "The directory or file cannot be created.";
    case WinError::InvalidName:
        return "The filename, directory name, or volume label syntax is incorrect.";
    default:
        return "The operation failed.";
    }
}

Error fail(WinError code, const std::string& name) {
    return Error::of(code, std::string(win32Text(code)) + " (" + name + ")");
}

bool entryExists(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isFolder(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A pipe would block the open or the read until someone writes to it, and a
// device never ends: a disk from elsewhere may hold either under any name.
Error notRegular(const std::string& name) {
    return Error::of(WinError::AccessDenied,
                     std::string(win32Text(WinError::AccessDenied)) + " (" + name +
                         " is not a regular file)");
}

bool isSpecial(const struct stat& st) {
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// open(2) that never waits on a pipe and keeps no descriptor of anything but
// a regular file or a folder (`special` tells the refusal from an error). The
// file is then read and written blocking, as any other.
int openRegular(const fs::path& path, int flags, bool& special, mode_t mode = 0666) {
    special = false;
    int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        special = errno == ENXIO; // a pipe opened for writing with no reader
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || isSpecial(st)) {
        special = true;
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Windows tells a missing file in an existing folder from a missing folder.
Error fromErrno(int err, const fs::path& path, const std::string& name) {
    if (err == ENOENT) {
        fs::path parent = path.parent_path();
        return fail(parent.empty() || isFolder(parent) ? WinError::FileNotFound
                                                       : WinError::PathNotFound,
                    name);
    }
    if (err == ENOTDIR)
        return fail(WinError::PathNotFound, name);
    if (err == EIO)
        return fail(WinError::WriteFault, name);
    return fail(errorFromErrno(err, name).code, name);
}

std::string nameOr(const std::string& name, const fs::path& path) {
    return name.empty() ? path.string() : name;
}

bool writable(const fs::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

Status writeAll(int fd, std::string_view bytes, const fs::path& path, const std::string& name) {
    if (int err = writeFully(fd, bytes, path))
        return fromErrno(err, path, name);
    return {};
}


// ---- Drive C: in a disk image

using imagedrive::Place;

// The FAT layer's own words where they say what is wrong with the image;
// Windows' words for the everyday failures, so that a message reads the same
// whether drive C: is a folder or an image.
Error fromImage(const Error& error, const std::string& name) {
    switch (error.code) {
    case WinError::DiskCorrupt:
    case WinError::UnrecognizedVolume:
    case WinError::ReadFault:
    case WinError::WriteFault:
    case WinError::NotReady:
        return error;
    default:
        return fail(error.code, name);
    }
}

std::optional<Place> inImage(const fs::path& path, const std::string& name) {
    return imagedrive::locate(path, name);
}

constexpr std::uint8_t kKeptAttributes = fatattr::ReadOnly | fatattr::Hidden | fatattr::System;

FileAttributes attributesOf(const FatEntry& entry, bool imageWritable) {
    FileAttributes attributes;
    attributes.directory = entry.directory();
    attributes.readOnly = !imageWritable || (entry.attributes & fatattr::ReadOnly);
    attributes.size = attributes.directory ? 0 : entry.size;
    return attributes;
}

// The bytes a copy takes, with the date and attributes it passes on.
struct CopySource {
    std::string bytes;
    DosStamp modified;
    std::uint8_t attributes = fatattr::Archive;
};

Result<CopySource> copySource(const fs::path& from, const std::string& fromName) {
    CopySource source;
    if (auto place = inImage(from, fromName)) {
        auto entry = imagedrive::entry(*place);
        if (!entry)
            return fromImage(entry.error(), fromName);
        if (entry->directory())
            return fail(WinError::AccessDenied, fromName);
        auto bytes = imagedrive::readFile(*place);
        if (!bytes)
            return fromImage(bytes.error(), fromName);
        source.bytes = std::move(*bytes);
        source.modified = entry->modified;
        source.attributes = static_cast<std::uint8_t>((entry->attributes & kKeptAttributes) |
                                                      fatattr::Archive);
        return source;
    }
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0 && isSpecial(st))
        return notRegular(fromName);
    if (S_ISDIR(st.st_mode))
        return fail(WinError::AccessDenied, fromName);
    Result<File> file = File::open(from, OpenMode::Read, fromName);
    if (!file)
        return file.error();
    Result<std::uint64_t> size = file->size();
    if (!size)
        return size.error();
    auto bytes = file->read(static_cast<size_t>(*size));
    if (!bytes)
        return bytes.error();
    source.bytes = std::move(*bytes);
    source.modified = DosStamp::fromTime(st.st_mtim.tv_sec);
    if (::access(from.c_str(), W_OK) != 0)
        source.attributes |= fatattr::ReadOnly;
    return source;
}

// CopyFile where either side lies in a disk image.
Status copyThroughImage(const fs::path& from, const fs::path& to, bool failIfExists,
                        const std::string& fromName, const std::string& toName) {
    auto source = copySource(from, fromName);
    if (!source)
        return source.error();
    auto target = inImage(to, toName);
    if (!target) {
        if (entryExists(to) && failIfExists)
            return fail(WinError::FileExists, toName);
        if (isFolder(to) || (entryExists(to) && !writable(to)))
            return fail(WinError::AccessDenied, toName);
        if (Status written = writeFileAtomically(to, source->bytes); !written)
            return fail(written.error().code, toName);
        return {};
    }
    if (auto existing = imagedrive::entry(*target)) {
        if (failIfExists)
            return fail(WinError::FileExists, toName);
        if (existing->directory() || (existing->attributes & fatattr::ReadOnly))
            return fail(WinError::AccessDenied, toName);
    } else if (existing.error().code != WinError::FileNotFound) {
        return fromImage(existing.error(), toName);
    }
    if (Status written = imagedrive::writeFile(*target, source->bytes, source->modified); !written)
        return fromImage(written.error(), toName);
    // A copy carries the source's attributes, as CopyFile does; a new file
    // starts with the archive bit alone.
    if (source->attributes != fatattr::Archive)
        if (Status set = imagedrive::setAttributes(*target, source->attributes); !set)
            return fromImage(set.error(), toName);
    return {};
}

Status copyHost(const fs::path& from, const fs::path& to, bool failIfExists,
                const std::string& fromName, const std::string& toName) {
    if (inImage(from, fromName) || inImage(to, toName))
        return copyThroughImage(from, to, failIfExists, fromName, toName);
    if (struct stat before {}; ::stat(from.c_str(), &before) == 0 && isSpecial(before))
        return notRegular(fromName);
    bool special = false;
    int in = openRegular(from, O_RDONLY, special);
    if (in < 0)
        return special ? notRegular(fromName) : fromErrno(errno, from, fromName);
    struct stat st {};
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        return fail(WinError::AccessDenied, fromName);
    }
    if (struct stat target {}; ::stat(to.c_str(), &target) == 0 && isSpecial(target)) {
        ::close(in);
        return notRegular(toName);
    }
    if (entryExists(to)) {
        if (failIfExists) {
            ::close(in);
            return fail(WinError::FileExists, toName);
        }
        if (isFolder(to) || !writable(to)) {
            ::close(in);
            return fail(WinError::AccessDenied, toName);
        }
    }

    // A backup is made once and never written again, so what a writer
    // killed after its link() left beside it is cleared when it is read.
    removeLeftoverTemporaries(from);
    std::string temp;
    int out = makeTemporaryFile(to, temp);
    if (out < 0) {
        int err = errno;
        ::close(in);
        return fromErrno(err, to, toName);
    }
    Status status;
    std::string buffer(1 << 16, '\0');
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = fail(WinError::ReadFault, fromName);
            break;
        }
        if (n == 0)
            break;
        status = writeAll(out, std::string_view(buffer.data(), static_cast<size_t>(n)), to, toName);
        if (!status)
            break;
    }
    ::close(in);
    // A copy keeps the source's attributes and time of last change, as CopyFile does.
    if (status &&
        faultGuarded(FaultKind::Chmod, to, [&] { return ::fchmod(out, st.st_mode & 07777); }) != 0)
        status = fromErrno(errno, to, toName);
    if (status) {
        timespec times[2] = {st.st_atim, st.st_mtim};
        faultGuarded(FaultKind::Chmod, to, [&] { return ::futimens(out, times); });
    }
    if (status && faultGuarded(FaultKind::Sync, to, [&] { return ::fsync(out); }) != 0)
        status = fromErrno(errno, to, toName);
    if (::close(out) != 0 && status)
        status = fromErrno(errno, to, toName);

    if (status) {
        if (failIfExists) {
            // link() refuses an existing target, so a file that appeared
            // meanwhile is never overwritten.
            if (faultGuarded(FaultKind::Link, to,
                             [&] { return ::link(temp.c_str(), to.c_str()); }) != 0) {
                int err = errno;
                if (err == EEXIST)
                    status = fail(WinError::FileExists, toName);
                else if ((err == EPERM || err == ENOTSUP || err == EXDEV) && !entryExists(to)) {
                    if (faultGuarded(FaultKind::Rename, to,
                                     [&] { return ::rename(temp.c_str(), to.c_str()); }) != 0)
                        status = fromErrno(errno, to, toName);
                } else
                    status = fromErrno(err, to, toName);
            }
        } else if (faultGuarded(FaultKind::Rename, to,
                                [&] { return ::rename(temp.c_str(), to.c_str()); }) != 0) {
            status = fromErrno(errno, to, toName);
        }
    }
    faultGuarded(FaultKind::Unlink, to, [&] { return ::unlink(temp.c_str()); });
    return status;
}

Status deleteHost(const fs::path& path, const std::string& name) {
    if (auto place = inImage(path, name)) {
        if (place->inner.empty())
            return fail(WinError::AccessDenied, name);
        if (Status deleted = imagedrive::deleteFile(*place); !deleted)
            return fromImage(deleted.error(), name);
        return {};
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return fromErrno(errno, path, name);
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !writable(path)))
        return fail(WinError::AccessDenied, name);
    if (faultGuarded(FaultKind::Unlink, path, [&] { return ::unlink(path.c_str()); }) != 0)
        return fromErrno(errno, path, name);
    return {};
}

Status createFolderHost(const fs::path& path, const std::string& name) {
    if (auto place = inImage(path, name)) {
        if (place->inner.empty())
            return fail(WinError::AlreadyExists, name);
        if (Status made = imagedrive::createDirectory(*place); !made)
            return fromImage(made.error(), name);
        return {};
    }
    if (faultGuarded(FaultKind::Mkdir, path, [&] { return ::mkdir(path.c_str(), 0777); }) != 0) {
        if (errno == EEXIST)
            return fail(WinError::AlreadyExists, name);
        if (errno == ENOENT)
            return fail(WinError::PathNotFound, name);
        return fromErrno(errno, path, name);
    }
    return {};
}

Status removeFolderHost(const fs::path& path, const std::string& name) {
    if (auto place = inImage(path, name)) {
        if (place->inner.empty())
            return fail(WinError::AccessDenied, name);
        if (Status removed = imagedrive::removeDirectory(*place); !removed)
            return fromImage(removed.error(), name);
        return {};
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return fromErrno(errno, path, name);
    if (!S_ISDIR(st.st_mode))
        return fail(WinError::PathNotFound, name);
    if (faultGuarded(FaultKind::Rmdir, path, [&] { return ::rmdir(path.c_str()); }) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST)
            return fail(WinError::DirNotEmpty, name);
        return fromErrno(errno, path, name);
    }
    return {};
}

Result<FileAttributes> attributesHost(const fs::path& path, const std::string& name) {
    if (auto place = inImage(path, name)) {
        auto entry = imagedrive::entry(*place);
        if (!entry)
            return fromImage(entry.error(), name);
        return attributesOf(*entry, imagedrive::writable(*place));
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return fromErrno(errno, path, name);
    FileAttributes attributes;
    attributes.directory = S_ISDIR(st.st_mode);
    attributes.readOnly = !writable(path);
    attributes.size = attributes.directory ? 0 : static_cast<std::uint64_t>(st.st_size);
    return attributes;
}

Result<std::string> readAllHost(const fs::path& path, const std::string& name) {
    Result<File> file = File::open(path, OpenMode::Read, name);
    if (!file)
        return file.error();
    Result<std::uint64_t> size = file->size();
    if (!size)
        return size.error();
    return file->read(static_cast<size_t>(*size));
}

Status writeAllHost(const fs::path& path, std::string_view bytes, const std::string& name) {
    if (auto place = inImage(path, name)) {
        if (place->inner.empty())
            return fail(WinError::AccessDenied, name);
        if (auto existing = imagedrive::entry(*place);
            existing && (existing->directory() || (existing->attributes & fatattr::ReadOnly)))
            return fail(WinError::AccessDenied, name);
        if (Status written = imagedrive::writeFile(*place, bytes); !written)
            return fromImage(written.error(), name);
        return {};
    }
    fs::path parent = path.parent_path();
    if (!parent.empty() && !isFolder(parent))
        return fail(WinError::PathNotFound, name);
    if (isFolder(path) || (entryExists(path) && !writable(path)))
        return fail(WinError::AccessDenied, name);
    Status written = writeFileAtomically(path, bytes);
    if (!written)
        return Error::of(written.error().code,
                         std::string(win32Text(written.error().code)) + " (" + name + ")");
    return {};
}

// The DOS wildcard forms Windows turns a search pattern into before matching.
constexpr char kDosStar = '<'; // "*" before a dot: stops short of the last dot
constexpr char kDosQm = '>';   // "?": one character, or none at a dot or the end
constexpr char kDosDot = '"';  // "." before a wildcard or at the end: a dot or the end

std::string dosPattern(std::string_view pattern) {
    if (pattern == "*.*")
        return "*";
    std::string out(pattern);
    for (size_t i = 0; i < pattern.size(); ++i) {
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '?')
            out[i] = kDosQm;
        else if (pattern[i] == '*' && next == '.')
            out[i] = kDosStar;
        else if (pattern[i] == '.' && (next == '?' || next == '*' || next == '\0'))
            out[i] = kDosDot;
    }
    return out;
}

char lower(char c) {
    return asciiLower(c);
}

struct Matcher {
    std::string_view p;
    std::string_view n;
    size_t lastDot;
    std::vector<signed char> memo; // -1 unknown, 0 no, 1 yes

    bool at(size_t pi, size_t ni) {
        signed char& m = memo[pi * (n.size() + 1) + ni];
        if (m < 0)
            m = compute(pi, ni) ? 1 : 0;
        return m == 1;
    }

    bool compute(size_t pi, size_t ni) {
        if (pi == p.size())
            return ni == n.size();
        char c = p[pi];
        switch (c) {
        case '*':
            for (size_t k = ni; k <= n.size(); ++k)
                if (at(pi + 1, k))
                    return true;
            return false;
        case kDosStar:
            for (size_t k = ni; k <= n.size(); ++k) {
                if (at(pi + 1, k))
                    return true;
                if (k == lastDot)
                    break; // may not swallow the last dot
            }
            return false;
        case kDosQm:
            if (ni == n.size() || n[ni] == '.')
                return at(pi + 1, ni);
            return at(pi + 1, ni + 1);
        case kDosDot:
            if (ni == n.size())
                return at(pi + 1, ni);
            return n[ni] == '.' && at(pi + 1, ni + 1);
        default:
            return ni < n.size() && lower(c) == lower(n[ni]) && at(pi + 1, ni + 1);
        }
    }
};

// Lists `folder`; `driveRoot` (when given) confines links to that drive.
Result<std::vector<FindEntry>> listImageFolder(const Place& folder, std::string_view pattern,
                                               const std::string& name) {
    auto listed = imagedrive::list(folder);
    if (!listed) {
        const WinError code = listed.error().code;
        if (code == WinError::FileNotFound || code == WinError::PathNotFound)
            return fail(WinError::PathNotFound, name);
        return fromImage(listed.error(), name);
    }
    const bool canWrite = imagedrive::writable(folder);
    std::vector<FindEntry> entries;
    for (const FatEntry& entry : *listed) {
        const bool dot = entry.name == "." || entry.name == "..";
        if (!matchesWildcard(pattern, entry.name) &&
            (dot || !matchesWildcard(pattern, entry.shortName)))
            continue;
        FindEntry found;
        found.name = entry.name;
        found.directory = entry.directory();
        found.readOnly = !canWrite || (entry.attributes & fatattr::ReadOnly);
        found.size = found.directory ? 0 : entry.size;
        entries.push_back(std::move(found));
    }
    return entries;
}

Result<std::vector<FindEntry>> listFolder(const fs::path& folder, std::string_view pattern,
                                          bool isRoot, const fs::path* driveRoot,
                                          const std::string& name) {
    if (auto place = inImage(folder, name))
        return listImageFolder(*place, pattern, name);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return fail(WinError::PathNotFound, name);
        return fromErrno(err, folder, name);
    }
    std::vector<FindEntry> entries;
    while (const dirent* d = ::readdir(dir)) {
        std::string entryName = d->d_name;
        if (entryName == "." || entryName == ".." || !matchesWildcard(pattern, entryName))
            continue;
        fs::path path = folder / entryName;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            continue; // a link to nowhere
        if (driveRoot && d->d_type != DT_REG && d->d_type != DT_DIR) {
            std::error_code ec;
            fs::path target = fs::canonical(path, ec);
            auto [rootEnd, _] =
                std::mismatch(driveRoot->begin(), driveRoot->end(), target.begin(), target.end());
            if (ec || rootEnd != driveRoot->end())
                continue;
        }
        FindEntry entry;
        entry.name = std::move(entryName);
        entry.directory = S_ISDIR(st.st_mode);
        entry.readOnly = !writable(path);
        entry.size = entry.directory ? 0 : static_cast<std::uint64_t>(st.st_size);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    if (!host::hasMediumOrder(folder))
        std::sort(entries.begin(), entries.end(), [](const FindEntry& a, const FindEntry& b) {
            return fileNameLess(a.name, b.name);
        });
    if (!isRoot) {
        std::vector<FindEntry> dots;
        for (const char* dot : {".", ".."}) {
            if (!matchesWildcard(pattern, dot))
                continue;
            FindEntry entry;
            entry.name = dot;
            entry.directory = true;
            entry.readOnly = !writable(dot[1] ? folder.parent_path() : folder);
            dots.push_back(entry);
        }
        entries.insert(entries.begin(), dots.begin(), dots.end());
    }
    return entries;
}

} // namespace

bool matchesWildcard(std::string_view pattern, std::string_view name) {
    std::string p = dosPattern(pattern);
    size_t lastDot = name.rfind('.');
    Matcher m{p, name, lastDot == std::string_view::npos ? name.size() + 1 : lastDot, {}};
    m.memo.assign((p.size() + 1) * (name.size() + 1), -1);
    return m.at(0, 0);
}

// ---- File

// A file inside a disk image is read whole when it is opened and written
// back whole when it is closed: the FAT layer replaces a file's contents in
// one crash-safe step, so a patch of several fields lands all or not at all.
struct File::InImage {
    Place place;
    std::string bytes;
    bool changed = false;
};

File::File(File&& other) noexcept
    : fd_(other.fd_), image_(std::move(other.image_)), writable_(other.writable_),
      position_(other.position_), name_(std::move(other.name_)), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        image_ = std::move(other.image_);
        writable_ = other.writable_;
        position_ = other.position_;
        name_ = std::move(other.name_);
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

File::~File() {
    close();
}

Result<File> File::open(const fs::path& hostPath, OpenMode mode, std::string displayName) {
    std::string name = nameOr(displayName, hostPath);
    int flags = 0;
    switch (mode) {
    case OpenMode::Read:
        flags |= O_RDONLY;
        break;
    case OpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    case OpenMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    if (auto place = inImage(hostPath, name)) {
        auto image = std::make_unique<InImage>();
        image->place = std::move(*place);
        auto existing = imagedrive::entry(image->place);
        if (existing && existing->directory())
            return fail(WinError::AccessDenied, name);
        if (existing && mode != OpenMode::Read &&
            (!imagedrive::writable(image->place) || (existing->attributes & fatattr::ReadOnly)))
            return fail(WinError::AccessDenied, name);
        if (mode == OpenMode::Create) {
            if (!existing && existing.error().code != WinError::FileNotFound)
                return fromImage(existing.error(), name);
            if (Status made = imagedrive::writeFile(image->place, ""); !made)
                return fromImage(made.error(), name);
        } else {
            if (!existing)
                return fromImage(existing.error(), name);
            auto bytes = imagedrive::readFile(image->place);
            if (!bytes)
                return fromImage(bytes.error(), name);
            image->bytes = std::move(*bytes);
        }
        File file;
        file.image_ = std::move(image);
        file.path_ = hostPath;
        file.writable_ = mode != OpenMode::Read;
        file.name_ = std::move(name);
        return file;
    }
    if (isFolder(hostPath))
        return fail(WinError::AccessDenied, name);
    // Opening some devices does something by itself, so they are not opened
    // at all; the check after the open covers a swap in between.
    if (struct stat st {}; ::stat(hostPath.c_str(), &st) == 0 && isSpecial(st))
        return notRegular(name);
    // Emptying or making a file changes the disk; opening one does not.
    bool special = false;
    int fd = mode == OpenMode::Create
                 ? faultGuarded(FaultKind::Create, hostPath,
                                [&] { return openRegular(hostPath, flags, special); })
                 : openRegular(hostPath, flags, special);
    if (fd < 0)
        return special ? notRegular(name) : fromErrno(errno, hostPath, name);
    File file;
    file.fd_ = fd;
    file.path_ = hostPath;
    file.writable_ = mode != OpenMode::Read;
    file.name_ = std::move(name);
    return file;
}

Status File::seek(std::int64_t offset) {
    if (!isOpen())
        return fail(WinError::InvalidHandle, name_);
    if (offset < 0)
        return fail(WinError::NegativeSeek, name_);
    position_ = static_cast<std::uint64_t>(offset);
    return {};
}

Result<std::string> File::read(std::size_t count) {
    if (!isOpen())
        return fail(WinError::InvalidHandle, name_);
    if (image_) {
        const std::string& all = image_->bytes;
        if (position_ > all.size() || count > all.size() - position_)
            return fail(WinError::HandleEof, name_);
        std::string bytes = all.substr(static_cast<size_t>(position_), count);
        position_ += count;
        return bytes;
    }
    std::string bytes(count, '\0');
    size_t done = 0;
    while (done < count) {
        ssize_t n =
            ::pread(fd_, bytes.data() + done, count - done, static_cast<off_t>(position_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(WinError::ReadFault, name_);
        if (n == 0)
            return fail(WinError::HandleEof, name_);
        done += static_cast<size_t>(n);
    }
    position_ += count;
    return bytes;
}

Status File::write(std::string_view bytes) {
    if (!isOpen())
        return fail(WinError::InvalidHandle, name_);
    if (!writable_)
        return fail(WinError::AccessDenied, name_);
    if (image_) {
        std::string& all = image_->bytes;
        if (position_ > std::numeric_limits<std::uint32_t>::max() ||
            bytes.size() > std::numeric_limits<std::uint32_t>::max() - position_)
            return fail(WinError::DiskFull, name_); // beyond what a FAT file can hold
        const size_t end = static_cast<size_t>(position_) + bytes.size();
        if (all.size() < end)
            all.resize(end, '\0');
        std::copy(bytes.begin(), bytes.end(), all.begin() + static_cast<std::ptrdiff_t>(position_));
        image_->changed = true;
        position_ = end;
        return {};
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = -1;
        if (int err = faultWrite(fd_, bytes.data() + done, bytes.size() - done,
                                 static_cast<off_t>(position_ + done), path_))
            errno = err;
        else
            n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                         static_cast<off_t>(position_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            if (err == ENOSPC || err == EDQUOT || err == EFBIG)
                return fail(WinError::DiskFull, name_);
            return fail(WinError::WriteFault, name_);
        }
        done += static_cast<size_t>(n);
    }
    position_ += bytes.size();
    return {};
}

Result<std::uint64_t> File::size() const {
    if (!isOpen())
        return fail(WinError::InvalidHandle, name_);
    if (image_)
        return static_cast<std::uint64_t>(image_->bytes.size());
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fail(WinError::ReadFault, name_);
    return static_cast<std::uint64_t>(st.st_size);
}

Status File::close() {
    if (image_) {
        std::unique_ptr<InImage> image = std::move(image_);
        if (!image->changed)
            return {};
        if (Status written = imagedrive::writeFile(image->place, image->bytes); !written)
            return fromImage(written.error(), name_);
        return {};
    }
    if (fd_ < 0)
        return {};
    int rc = ::close(fd_);
    int err = errno;
    fd_ = -1;
    if (rc != 0)
        return err == ENOSPC || err == EDQUOT ? fail(WinError::DiskFull, name_)
                                              : fail(WinError::WriteFault, name_);
    return {};
}

// ---- Windows paths

Status copyFile(const Machine& machine, std::string_view from, std::string_view to,
                bool failIfExists) {
    Result<fs::path> source = resolveWinPath(machine, from);
    if (!source)
        return source.error();
    Result<fs::path> target = resolveWinPath(machine, to);
    if (!target)
        return target.error();
    return copyHost(*source, *target, failIfExists, std::string(from), std::string(to));
}

Status deleteFile(const Machine& machine, std::string_view path) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return deleteHost(*host, std::string(path));
}

Status createDirectory(const Machine& machine, std::string_view path) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return createFolderHost(*host, std::string(path));
}

Status removeDirectory(const Machine& machine, std::string_view path) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    std::optional<fs::path> drive = machine.driveRoot(path[0]);
    std::error_code ec;
    if (drive && fs::equivalent(*drive, *host, ec))
        return fail(WinError::AccessDenied, std::string(path));
    return removeFolderHost(*host, std::string(path));
}

Result<FileAttributes> fileAttributes(const Machine& machine, std::string_view path) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return attributesHost(*host, std::string(path));
}

bool fileExists(const Machine& machine, std::string_view path) {
    Result<FileAttributes> attributes = fileAttributes(machine, path);
    return attributes && !attributes->directory;
}

bool directoryExists(const Machine& machine, std::string_view path) {
    Result<FileAttributes> attributes = fileAttributes(machine, path);
    return attributes && attributes->directory;
}

Result<File> openFile(const Machine& machine, std::string_view path, OpenMode mode) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return File::open(*host, mode, std::string(path));
}

Result<std::string> readWholeFile(const Machine& machine, std::string_view path) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return readAllHost(*host, std::string(path));
}

Status writeWholeFile(const Machine& machine, std::string_view path, std::string_view bytes) {
    Result<fs::path> host = resolveWinPath(machine, path);
    if (!host)
        return host.error();
    return writeAllHost(*host, bytes, std::string(path));
}

bool hasMediumOrder(const Machine& machine, std::string_view folder) {
    Result<fs::path> host = resolveWinPath(machine, folder);
    return host && host::hasMediumOrder(*host);
}

Result<std::vector<FindEntry>> findFiles(const Machine& machine, std::string_view pattern) {
    size_t cut = pattern.find_last_of("\\/");
    if (cut == std::string_view::npos)
        return resolveWinPath(machine, pattern).error(); // relative: never resolves
    std::string_view folderPath = pattern.substr(0, cut + 1);
    std::string_view namePattern = pattern.substr(cut + 1);
    Result<fs::path> folder = resolveWinPath(machine, folderPath);
    if (!folder)
        return folder.error();
    std::error_code ec;
    fs::path root = fs::canonical(*machine.driveRoot(pattern[0]), ec);
    if (ec)
        return fail(WinError::NotReady, std::string(pattern));
    if (namePattern.empty())
        return std::vector<FindEntry>{};
    return listFolder(*folder, namePattern, *folder == root, &root, std::string(pattern));
}

// ---- Host paths

namespace host {

Status copyFile(const fs::path& from, const fs::path& to, bool failIfExists) {
    return copyHost(from, to, failIfExists, from.string(), to.string());
}
Status deleteFile(const fs::path& path) {
    return deleteHost(path, path.string());
}
Status createDirectory(const fs::path& path) {
    return createFolderHost(path, path.string());
}
Status removeDirectory(const fs::path& path) {
    return removeFolderHost(path, path.string());
}
Status createDirectories(const fs::path& path) {
    if (!inImage(path, {})) {
        std::error_code ec;
        fs::create_directories(path, ec);
        return ec ? fromErrno(ec.value(), path, path.string()) : Status();
    }
    fs::path prefix;
    for (const fs::path& part : path.lexically_normal()) {
        prefix /= part;
        auto place = inImage(prefix, prefix.string());
        if (!place)
            continue; // above the image
        if (auto found = attributesHost(prefix, prefix.string()); found && found->directory)
            continue;
        if (Status made = createFolderHost(prefix, prefix.string()); !made)
            return made;
    }
    return {};
}

Status moveFile(const fs::path& from, const fs::path& to) {
    const std::string fromName = from.string(), toName = to.string();
    auto source = inImage(from, fromName);
    auto target = inImage(to, toName);
    if (!source && !target) {
        if (faultGuarded(FaultKind::Rename, to,
                         [&] { return ::rename(from.c_str(), to.c_str()); }) != 0)
            return fromErrno(errno, from, fromName);
        return {};
    }
    const bool oneImage = source && target && source->drive == target->drive;
    auto existing = target ? imagedrive::entry(*target) : Result<FatEntry>(FatEntry{});
    const bool itself = oneImage && sameFileName(source->inner, target->inner);
    if (oneImage && (!existing || itself)) {
        if (!existing && existing.error().code != WinError::FileNotFound)
            return fromImage(existing.error(), toName);
        if (Status moved = imagedrive::rename(*source, *target); !moved)
            return fromImage(moved.error(), fromName);
        return {};
    }
    // FAT has no entry that could take over another's clusters in one step,
    // so the target's contents are replaced (old or new, whatever stops us)
    // and the source goes only once its bytes are safe under the new name.
    if (oneImage && existing->directory())
        return fail(WinError::AccessDenied, toName);
    if (Status copied = copyHost(from, to, false, fromName, toName); !copied)
        return copied;
    return deleteHost(from, fromName);
}

Result<FileAttributes> fileAttributes(const fs::path& path) {
    return attributesHost(path, path.string());
}
Result<std::string> readWholeFile(const fs::path& path) {
    return readAllHost(path, path.string());
}
Status writeWholeFile(const fs::path& path, std::string_view bytes) {
    return writeAllHost(path, bytes, path.string());
}
bool hasMediumOrder(const fs::path& folder) {
    if (inImage(folder, {}))
        return true;
    // A FAT directory is a list of entries; Linux reads it in that order,
    // the order Windows' own search gives. Other host file systems order
    // their listings by hash or by age, which Windows would never see.
    struct statfs fsInfo {};
    return ::statfs(folder.c_str(), &fsInfo) == 0 && fsInfo.f_type == MSDOS_SUPER_MAGIC;
}

Result<std::vector<FindEntry>> findFiles(const fs::path& folder, std::string_view namePattern,
                                         bool driveRoot) {
    return listFolder(folder, namePattern, driveRoot, nullptr, folder.string());
}

} // namespace host

} // namespace velkan::platform
