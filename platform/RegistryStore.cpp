#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/FaultInjection.h"
#include "platform/RegistryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform::detail {

namespace {

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

Error cantRead(int err, const std::filesystem::path& file) {
    return Error::of(WinError::CantRead, errorFromErrno(err, file.string()).message);
}

// The file's bytes and stamp, read through one descriptor so that both belong
// to the same version. Nothing, without an error, when there is no file.
Status readFile(const std::filesystem::path& file, std::optional<std::string>& text,
                FileStamp& stamp, const FileStamp* unchangedIf = nullptr) {
    text.reset();
    stamp = {};
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? Status() : Status(cantRead(errno, file));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return cantRead(errno, file);
    stamp = stampOf(st);
    if (unchangedIf && *unchangedIf == stamp)
        return {};
    std::string bytes;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return cantRead(errno, file);
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    text = std::move(bytes);
    return {};
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
        return ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    });
    if (fd_ < 0)
        return errorFromErrno(errno, lockFile.string());
    while (::flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR)
            return errorFromErrno(errno, lockFile.string());
    return {};
}

RegistryStore::RegistryStore(std::filesystem::path file)
    : file_(std::move(file)), lockFile_(file_.string() + ".lock") {}

// Takes in the file when its stamp says it is not the version seen last.
Status RegistryStore::refresh() {
    std::optional<std::string> text;
    FileStamp stamp;
    if (Status got = readFile(file_, text, stamp, loaded_ ? &stamp_ : nullptr); !got)
        return got;
    if (loaded_ && stamp == stamp_)
        return broken_ ? Status(*broken_) : Status();
    if (!text) {
        take({}, std::string(), stamp);
        return {};
    }
    return parse(std::move(*text), stamp);
}

// Under the lock the bytes themselves decide: a stamp could miss a change made
// within one tick of the file system's clock, and a lost write is not an option.
Status RegistryStore::reloadUnderLock() {
    std::optional<std::string> text;
    FileStamp stamp;
    if (Status got = readFile(file_, text, stamp); !got)
        return got;
    if (!text) {
        take({}, std::string(), stamp);
        return {};
    }
    if (loaded_ && stamp_.exists && !broken_ && *text == bytes_) {
        stamp_ = stamp;
        return {};
    }
    return parse(std::move(*text), stamp);
}

Status RegistryStore::save(RegTree next) {
    std::string text = formatRegistryFile(next);
    if (Status saved = writeFileAtomically(file_, text); !saved)
        return Error::of(WinError::CantWrite, saved.error().message);
    struct stat st {};
    take(std::move(next), std::move(text),
         ::stat(file_.c_str(), &st) == 0 ? stampOf(st) : FileStamp{});
    return {};
}

Status RegistryStore::parse(std::string text, const FileStamp& stamp) {
    Result<RegTree> tree = parseRegistryFile(text, file_.string());
    if (!tree) {
        take({}, std::string(), stamp);
        broken_ = tree.error();
        return tree.error();
    }
    take(std::move(*tree), std::move(text), stamp);
    return {};
}

void RegistryStore::take(RegTree tree, std::string text, const FileStamp& stamp) {
    tree_ = std::move(tree);
    bytes_ = std::move(text);
    stamp_ = stamp;
    broken_.reset();
    loaded_ = true;
}

} // namespace velkan::platform::detail
