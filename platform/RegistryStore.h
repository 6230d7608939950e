#pragma once

#include "platform/RegistryTree.h"
#include "platform/Result.h"

#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>

namespace velkan::platform::detail {

// What tells one version of a file from another without reading it. Every
// write replaces the registry file by a rename, so the inode alone changes with
// each version; the times and size guard against an inode being reused.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& o) const;
};

// The exclusive inter-process lock on "<file>.lock", held while alive.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Status acquire(const std::filesystem::path& lockFile);

private:
    int fd_ = -1;
};

// The cached contents of one registry file, shared by a Registry and every key
// handle made from it. Safe to use from several threads.
class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // Runs `f(const RegTree&)` on the current contents of the file; `f` returns
    // a Result or Status.
    template <class F> auto read(F&& f) -> decltype(f(std::declval<const RegTree&>())) {
        std::lock_guard guard(mutex_);
        if (Status fresh = refresh(); !fresh)
            return fresh.error();
        return f(static_cast<const RegTree&>(tree_));
    }

    // Runs `f(RegTree&, bool& changed)` on a copy of the contents, read under
    // the inter-process lock, and writes the copy back before the lock is
    // released when `f` succeeded and set `changed`.
    template <class F>
    auto write(F&& f) -> decltype(f(std::declval<RegTree&>(), std::declval<bool&>())) {
        std::lock_guard guard(mutex_);
        FileLock lock;
        if (Status locked = lock.acquire(lockFile_); !locked) {
            noteWriteFailure(locked.error());
            return locked.error();
        }
        if (Status fresh = reloadUnderLock(); !fresh)
            return fresh.error();
        RegTree next = tree_;
        bool changed = false;
        auto result = f(next, changed);
        if (!result || !changed)
            return result;
        if (Status saved = save(std::move(next)); !saved) {
            noteWriteFailure(saved.error());
            return saved.error();
        }
        return result;
    }

    // The first change since the last call that could not be saved.
    std::optional<Error> takeWriteFailure() {
        std::lock_guard guard(mutex_);
        std::optional<Error> failure = std::move(writeFailure_);
        writeFailure_.reset();
        return failure;
    }

private:
    void noteWriteFailure(const Error& error) {
        if (!writeFailure_)
            writeFailure_ = error;
    }
    Status refresh();
    Status reloadUnderLock();
    Status save(RegTree next);
    Status parse(std::string text, const FileStamp& stamp);
    void take(RegTree tree, std::string text, const FileStamp& stamp);

    std::mutex mutex_;
    std::filesystem::path file_;
    std::filesystem::path lockFile_;
    RegTree tree_;
    std::string bytes_; // the file as read or written last
    FileStamp stamp_;
    bool loaded_ = false;
    std::optional<Error> broken_; // why the file as last seen cannot be used
    std::optional<Error> writeFailure_;
};

} // namespace velkan::platform::detail
