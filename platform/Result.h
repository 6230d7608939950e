#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace velkan::platform {

// The Win32 error codes the product can meet. The numbers are Windows' own so
// that messages and tests read like the system they stand in for.
enum class WinError : std::uint32_t {
    Success = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InvalidHandle = 6,
    InvalidData = 13,
    NotReady = 21,
    WriteFault = 29,
    ReadFault = 30,
    HandleEof = 38,
    FileExists = 80,
    CannotMake = 82, // a FAT12/16 root folder has no free entry left
    InvalidParameter = 87,
    DiskFull = 112,
    InvalidName = 123,
    NegativeSeek = 131,
    DirNotEmpty = 145,
    AlreadyExists = 183,
    MoreData = 234,
    NoMoreItems = 259,
    UnrecognizedVolume = 1005, // a disk image without a FAT volume Windows could start from
    BadDb = 1009,              // the registry file cannot be read
    BadKey = 1010,             // no such key
    CantRead = 1012,
    CantWrite = 1013,
    KeyDeleted = 1018,
    DiskCorrupt = 1393, // a disk image's FAT structures contradict themselves
};

struct Error {
    WinError code = WinError::Success;
    std::string message; // for people: names the file, key or line concerned

    static Error of(WinError code, std::string message) { return {code, std::move(message)}; }
};

// Whether the error says that the disk image holding a drive is damaged or
// holds no volume: nothing read from that drive can be trusted, so a caller
// that passes over a file it cannot read must not pass over this.
inline bool damagedDisk(const Error& error) {
    return error.code == WinError::DiskCorrupt || error.code == WinError::UnrecognizedVolume;
}

// The outcome of an operation that can fail: a value, or the error that
// stopped it. Kept deliberately small; std::expected arrives with C++23.
template <class T> class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(state_); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> state_;
};

template <> class Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

using Status = Result<void>;

// The error of a failed POSIX call, mapped onto the Win32 code Windows would give.
Error errorFromErrno(int err, const std::string& what);

} // namespace velkan::platform
