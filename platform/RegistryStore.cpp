#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/CregFile.h"
#include "platform/FaultInjection.h"
#include "platform/ImageDrive.h"
#include "platform/RegistryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform::detail {

namespace {

// No registry file of a real machine comes near this; reading a bigger one
// would only let a hostile disk exhaust the memory.
constexpr off_t kMaxRegistryFileSize = static_cast<off_t>(kMaxCregFileSize);

FileStamp stampOf(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

Error cantRead(const std::filesystem::path& file, const std::string& why) {
    return Error::of(WinError::CantRead, file.string() + ": " + why);
}

Error cantRead(int err, const std::filesystem::path& file) {
    if (err == ELOOP)
        return cantRead(file, "is a symbolic link, not a registry file");
    return Error::of(WinError::CantRead, errorFromErrno(err, file.string()).message);
}

// The file's bytes and stamp, read through one descriptor so that both belong
// to the same version. Nothing, without an error, when there is no file. Only
// a regular file of a registry's size is read: a pipe would hang the program
// and a device would never end.
FileStamp stampOf(const imagedrive::Stamp& image) {
    FileStamp stamp;
    stamp.exists = image.present;
    stamp.device = static_cast<dev_t>(image.device);
    stamp.inode = static_cast<ino_t>(image.inode);
    stamp.size = static_cast<off_t>(image.size);
    stamp.modified = {static_cast<time_t>(image.modifiedNs / 1000000000),
                      static_cast<long>(image.modifiedNs % 1000000000)};
    stamp.changed = {static_cast<time_t>(image.changedNs / 1000000000),
                     static_cast<long>(image.changedNs % 1000000000)};
    return stamp;
}

// A registry file inside a drive kept as a disk image. Its version is the
// image's: any write to the image makes the file be read again, which costs
// a read but never misses a change.
Status readImageFile(const imagedrive::Place& place, std::optional<std::string>& text,
                     FileStamp& stamp, const FileStamp* unchangedIf) {
    const FileStamp before = stampOf(imagedrive::stamp(place));
    auto entry = imagedrive::entry(place);
    if (!entry) {
        const WinError code = entry.error().code;
        if (code == WinError::FileNotFound || code == WinError::PathNotFound)
            return {};
        return Error::of(WinError::CantRead, entry.error().message);
    }
    if (entry->directory())
        return cantRead(place.display, "is not a regular file");
    if (entry->size > kMaxCregFileSize)
        return Error::of(WinError::BadDb, place.display + ": " + std::to_string(entry->size) +
                                              " bytes is too large for a registry file");
    stamp = before;
    if (unchangedIf && *unchangedIf == stamp)
        return {};
    auto bytes = imagedrive::readFile(place);
    if (!bytes)
        return Error::of(WinError::CantRead, bytes.error().message);
    text = std::move(*bytes);
    return {};
}

// Replaces a registry file inside an image. Windows writes its registry
// whatever the file's attributes say, so a read-only one is written too and
// keeps its attributes; a new one is hidden, as Windows makes it.
Status writeImageFile(const imagedrive::Place& place, std::string_view bytes) {
    auto entry = imagedrive::entry(place);
    const std::uint8_t kept = entry ? entry->attributes : fatattr::Hidden | fatattr::Archive;
    if (entry && (kept & fatattr::ReadOnly))
        if (Status s = imagedrive::setAttributes(place, kept & ~fatattr::ReadOnly); !s)
            return s;
    if (Status s = imagedrive::writeFile(place, bytes); !s)
        return s;
    if (!entry || (kept & fatattr::ReadOnly))
        return imagedrive::setAttributes(place, kept | fatattr::Archive);
    return {};
}

Status readFile(const std::filesystem::path& file, std::optional<std::string>& text,
                FileStamp& stamp, const FileStamp* unchangedIf) {
    text.reset();
    stamp = {};
    if (auto place = imagedrive::locate(file))
        return readImageFile(*place, text, stamp, unchangedIf);
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0)
        return errno == ENOENT ? Status() : Status(cantRead(errno, file));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return cantRead(errno, file);
    if (!S_ISREG(st.st_mode))
        return cantRead(file, "is not a regular file");
    if (st.st_size > kMaxRegistryFileSize)
        return Error::of(WinError::BadDb, file.string() + ": " + std::to_string(st.st_size) +
                                              " bytes is too large for a registry file");
    stamp = stampOf(st);
    if (unchangedIf && *unchangedIf == stamp)
        return {};
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return cantRead(errno, file);
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxRegistryFileSize))
            return Error::of(WinError::BadDb, file.string() + ": too large for a registry file");
        bytes.append(buf, static_cast<size_t>(n));
    }
    text = std::move(bytes);
    return {};
}

bool isStringType(std::uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Windows 9x keeps strings without their terminating NUL and gives it back
// with every read; callers here see the NUL as they would on Windows.
void addTerminators(RegNode& node) {
    for (RegNamedValue& v : node.values)
        if (isStringType(v.value.type))
            v.value.data += '\0';
    for (RegNode& child : node.subkeys)
        addTerminators(child);
}

RegNode withoutTerminators(const RegNode& node) {
    RegNode out{node.name, node.values, {}};
    for (RegNamedValue& v : out.values)
        if (isStringType(v.value.type) && !v.value.data.empty() && v.value.data.back() == '\0')
            v.value.data.pop_back();
    out.subkeys.reserve(node.subkeys.size());
    for (const RegNode& child : node.subkeys)
        out.subkeys.push_back(withoutTerminators(child));
    return out;
}

} // namespace

bool FileStamp::operator==(const FileStamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           sameTime(modified, o.modified) && sameTime(changed, o.changed);
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

Status FileLock::acquire(const std::filesystem::path& lockFile) {
    fd_ = faultGuarded(FaultKind::Lock, lockFile, [&] {
        return ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                      0644);
    });
    if (fd_ < 0) {
        if (errno == ELOOP)
            return Error::of(WinError::AccessDenied,
                             lockFile.string() + ": is a symbolic link; the lock is not taken "
                                                 "through links");
        return errorFromErrno(errno, lockFile.string());
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return Error::of(WinError::AccessDenied, lockFile.string() + ": is not a regular file");
    while (::flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR)
            return errorFromErrno(errno, lockFile.string());
    return {};
}

RegistryStore::RegistryStore(std::function<RegistryFiles()> locate) : locate_(std::move(locate)) {}

Status RegistryStore::located() {
    if (located_)
        return {};
    files_ = locate_();
    if (files_.unavailable)
        return *files_.unavailable;
    located_ = true;
    if (files_.form == RegistryFiles::Form::Regedit4) {
        stored_.push_back({files_.regedit4, {}, {}, false, {}});
    } else {
        stored_.push_back({files_.systemDat, {}, {}, false, {}});
        stored_.push_back({files_.userDat, {}, {}, false, {}});
    }
    return {};
}

// Takes in each file whose version is not the one seen last. Without
// `compareBytes` the stamps decide; under the lock the bytes themselves do, as a
// stamp could miss a change made within one tick of the file system's clock,
// and a lost write is not an option.
Status RegistryStore::load(bool compareBytes) {
    if (Status where = located(); !where)
        return where;
    for (size_t i = 0; i < stored_.size(); ++i) {
        StoredFile& file = stored_[i];
        std::optional<std::string> bytes;
        FileStamp stamp;
        const FileStamp* known = file.loaded && !compareBytes ? &file.stamp : nullptr;
        if (Status got = readFile(file.path, bytes, stamp, known); !got)
            return got;
        if (known && stamp == *known)
            continue;
        std::string now = bytes ? std::move(*bytes) : std::string();
        if (file.loaded && !file.broken && file.stamp.exists == stamp.exists && now == file.bytes) {
            file.stamp = stamp;
            continue;
        }
        file.bytes = std::move(now);
        file.stamp = stamp;
        file.loaded = true;
        (void)parse(i);
    }
    for (const StoredFile& file : stored_)
        if (file.broken)
            return *file.broken;
    return {};
}

Status RegistryStore::parse(size_t part) {
    StoredFile& file = stored_[part];
    file.broken.reset();
    if (files_.form == RegistryFiles::Form::Regedit4) {
        Result<RegTree> tree = parseRegistryFile(file.bytes, file.path.string());
        if (!tree) {
            file.broken = tree.error();
            tree_ = {};
            return tree.error();
        }
        tree_ = std::move(*tree);
        return {};
    }
    RegNode& root = part == 0 ? tree_.localMachine : tree_.users;
    const char* rootName = part == 0 ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
    if (!file.stamp.exists) {
        root = RegNode{rootName, {}, {}};
        return {};
    }
    Result<RegNode> parsed = parseCregFile(file.bytes, file.path.string());
    if (!parsed) {
        file.broken = parsed.error();
        root = RegNode{rootName, {}, {}};
        return parsed.error();
    }
    root = std::move(*parsed);
    root.name = rootName;
    addTerminators(root);
    return {};
}

bool RegistryStore::partChanged(size_t part, const RegTree& next) const {
    if (files_.form == RegistryFiles::Form::Regedit4)
        return true;
    return part == 0 ? !(next.localMachine == tree_.localMachine) : !(next.users == tree_.users);
}

Result<std::string> RegistryStore::encode(size_t part, const RegTree& tree) const {
    if (files_.form == RegistryFiles::Form::Regedit4)
        return formatRegistryFile(tree, RegeditStyle::MachineFile);
    RegNode root = withoutTerminators(part == 0 ? tree.localMachine : tree.users);
    root.name.clear();
    // What the file cannot hold (a key's values beyond its 64 KB record) is
    // refused, as Windows refuses it, before anything is written.
    if (Status fits = checkCregLimits(root, stored_[part].path.string()); !fits)
        return fits.error();
    return formatCregFile(root);
}

Status RegistryStore::save(RegTree next) {
    for (size_t i = 0; i < stored_.size(); ++i) {
        if (!partChanged(i, next))
            continue;
        StoredFile& file = stored_[i];
        Result<std::string> encoded = encode(i, next);
        if (!encoded)
            return encoded.error();
        std::string bytes = std::move(*encoded);
        const auto place = imagedrive::locate(file.path);
        if (Status saved = place ? writeImageFile(*place, bytes)
                                 : writeFileAtomically(file.path, bytes);
            !saved)
            return Error::of(WinError::CantWrite, saved.error().message);
        struct stat st {};
        file.bytes = std::move(bytes);
        if (place)
            file.stamp = stampOf(imagedrive::stamp(*place));
        else
            file.stamp = ::lstat(file.path.c_str(), &st) == 0 ? stampOf(st) : FileStamp{};
        file.loaded = true;
        file.broken.reset();
        if (files_.form == RegistryFiles::Form::Regedit4)
            tree_ = next;
        else if (i == 0)
            tree_.localMachine = next.localMachine;
        else
            tree_.users = next.users;
    }
    return {};
}

} // namespace velkan::platform::detail
