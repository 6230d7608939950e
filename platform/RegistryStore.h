#pragma once

#include "platform/Registry.h"
#include "platform/RegistryTree.h"
#include "platform/Result.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velkan::platform::detail {

// What tells one version of a file from another without reading it. Every
// write replaces a registry file by a rename, so the inode alone changes with
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

// The exclusive inter-process lock on a lock file, held while alive. The lock
// file is never reached through a symbolic link: a machine folder from
// elsewhere must not make us create or touch files outside it.
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

// The cached contents of one registry, shared by a Registry and every key
// handle made from it. Safe to use from several threads.
class RegistryStore {
public:
    // `locate` tells where the registry is kept. It is asked at the first
    // use, and again at each use while the registry cannot be reached, so a
    // registry made for a machine folder before its drive C: existed finds
    // its files once they do.
    explicit RegistryStore(std::function<RegistryFiles()> locate);

    RegistryFiles files() {
        std::lock_guard guard(mutex_);
        (void)located();
        return files_;
    }

    // Runs `f(const RegTree&)` on the current contents of the files; `f`
    // returns a Result or Status.
    template <class F> auto read(F&& f) -> decltype(f(std::declval<const RegTree&>())) {
        std::lock_guard guard(mutex_);
        if (Status fresh = refresh(); !fresh)
            return fresh.error();
        return f(static_cast<const RegTree&>(tree_));
    }

    // Runs `f(RegTree&, bool& changed)` on a copy of the contents, read under
    // the inter-process lock, and writes the copy back before the lock is
    // released when `f` succeeded and set `changed`. Only the files whose
    // contents changed are written.
    template <class F>
    auto write(F&& f) -> decltype(f(std::declval<RegTree&>(), std::declval<bool&>())) {
        std::lock_guard guard(mutex_);
        if (Status where = located(); !where)
            return where.error();
        FileLock lock;
        if (Status locked = lock.acquire(files_.lockFile); !locked) {
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
    // One file of the registry as last seen.
    struct StoredFile {
        std::filesystem::path path;
        std::string bytes;
        FileStamp stamp;
        bool loaded = false;
        std::optional<Error> broken; // why this version cannot be used
    };

    void noteWriteFailure(const Error& error) {
        if (!writeFailure_)
            writeFailure_ = error;
    }
    Status located();
    Status refresh() { return load(false); }
    Status reloadUnderLock() { return load(true); }
    Status load(bool compareBytes);
    Status parse(size_t part);
    Status save(RegTree next);
    bool partChanged(size_t part, const RegTree& next) const;
    Result<std::string> encode(size_t part, const RegTree& tree) const;

    std::mutex mutex_;
    std::function<RegistryFiles()> locate_;
    bool located_ = false;
    RegistryFiles files_;
    std::vector<StoredFile> stored_;
    RegTree tree_;
    std::optional<Error> writeFailure_;
};

} // namespace velkan::platform::detail
