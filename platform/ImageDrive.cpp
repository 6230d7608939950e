#include "platform/ImageDrive.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform::imagedrive {

namespace fs = std::filesystem;

namespace {

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

Stamp stampOf(const struct stat& st) {
    return {true,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            nanoseconds(st.st_mtim),
            nanoseconds(st.st_ctim)};
}

// One image as this process holds it.
struct OpenImage {
    std::mutex lock;
    fs::path file;   // the image itself, links resolved
    int lockFd = -1; // flock'ed between processes
    std::optional<FatVolume> volume;
    Stamp seen; // the image as it was when `volume` last matched it
    bool trusted = false;
};

struct Images {
    std::mutex lock;
    std::vector<fs::path> drives;                        // attached drive_c paths, as given
    std::map<fs::path, std::unique_ptr<OpenImage>> open; // by the image's own path
};

Images& images() {
    static Images* all = new Images; // lives as long as any thread may use it
    return *all;
}

bool startsWith(const fs::path& path, const fs::path& prefix) {
    auto [prefixEnd, _] = std::mismatch(prefix.begin(), prefix.end(), path.begin(), path.end());
    return prefixEnd == prefix.end();
}

std::string innerOf(const fs::path& path, const fs::path& drive) {
    std::string inner;
    auto it = path.begin();
    for (auto d = drive.begin(); d != drive.end(); ++d)
        ++it;
    for (; it != path.end(); ++it) {
        const std::string part = it->string();
        if (part.empty() || part == ".")
            continue;
        if (!inner.empty())
            inner += '\\';
        inner += part;
    }
    return inner;
}

Result<OpenImage*> openImage(const fs::path& drive) {
    std::error_code ec;
    fs::path file = fs::canonical(drive, ec);
    if (ec)
        return Error::of(WinError::NotReady,
                         "The disk image " + drive.string() + " cannot be found.");
    Images& all = images();
    std::lock_guard guard(all.lock);
    auto& slot = all.open[file];
    if (!slot) {
        auto image = std::make_unique<OpenImage>();
        image->file = file;
        image->lockFd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (image->lockFd < 0)
            return errorFromErrno(errno, drive.string());
        slot = std::move(image);
    }
    return slot.get();
}

class Held {
public:
    Held(OpenImage& image, bool exclusive) : image_(image), guard_(image.lock) {
        while (::flock(image_.lockFd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
        }
    }
    ~Held() { ::flock(image_.lockFd, LOCK_UN); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    OpenImage& image_;
    std::lock_guard<std::mutex> guard_;
};

Stamp currentStamp(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? stampOf(st) : Stamp{};
}

// A stamp taken within the clock's resolution of the image's last change
// may not tell that change from a later one in the same tick, so the volume
// it belongs to is read again next time rather than trusted.
bool settled(const Stamp& stamp) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now) - std::max(stamp.modifiedNs, stamp.changedNs) > 2'000'000'000LL;
}

void remember(OpenImage& image) {
    image.seen = currentStamp(image.file);
    image.trusted = image.seen.present && settled(image.seen);
}

// The volume as the disk has it now; read again when the image changed.
Result<FatVolume*> current(OpenImage& image) {
    const Stamp now = currentStamp(image.file);
    if (!image.volume || !image.trusted || now != image.seen) {
        image.volume.reset();
        const bool canWrite = ::access(image.file.c_str(), W_OK) == 0;
        auto volume = FatVolume::open(image.file, canWrite);
        if (!volume)
            return volume.error();
        image.volume.emplace(std::move(*volume));
        remember(image);
    }
    return &*image.volume;
}

template <class Operation>
auto withVolume(const Place& place, bool exclusive, Operation&& operation)
    -> decltype(operation(std::declval<FatVolume&>())) {
    auto image = openImage(place.drive);
    if (!image)
        return image.error();
    Held held(**image, exclusive);
    auto volume = current(**image);
    if (!volume)
        return volume.error();
    auto result = operation(**volume);
    if (exclusive) {
        // A failed write may leave the FAT in memory ahead of the disk.
        if (!result)
            (*image)->volume.reset();
        else
            remember(**image);
    }
    return result;
}

} // namespace

bool isImage(const fs::path& driveC) {
    struct stat st {};
    return ::stat(driveC.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void attach(const fs::path& driveC) {
    const fs::path drive = driveC.lexically_normal();
    Images& all = images();
    std::lock_guard guard(all.lock);
    if (std::find(all.drives.begin(), all.drives.end(), drive) == all.drives.end())
        all.drives.push_back(drive);
    std::error_code ec;
    fs::path file = fs::canonical(drive, ec);
    if (!ec && std::find(all.drives.begin(), all.drives.end(), file) == all.drives.end())
        all.drives.push_back(file);
}

std::optional<Place> locate(const fs::path& hostPath, std::string display) {
    const fs::path path = hostPath.lexically_normal();
    if (display.empty())
        display = hostPath.string();
    {
        Images& all = images();
        std::lock_guard guard(all.lock);
        auto best = all.drives.end();
        for (auto drive = all.drives.begin(); drive != all.drives.end(); ++drive)
            if (startsWith(path, *drive) &&
                (best == all.drives.end() || std::distance(drive->begin(), drive->end()) >
                                                 std::distance(best->begin(), best->end())))
                best = drive;
        // Only the drive the path lies on is looked at again: one that became
        // a folder (a machine made anew under the same name) is forgotten.
        if (best != all.drives.end() && isImage(*best))
            return Place{*best, innerOf(path, *best), display};
        if (best != all.drives.end())
            all.drives.erase(best);
    }
    // A path made from the machine folder without asking for the drive first.
    fs::path prefix;
    for (const fs::path& part : path) {
        prefix /= part;
        if (part == "drive_c" && prefix != path && isImage(prefix)) {
            attach(prefix);
            return Place{prefix, innerOf(path, prefix), display};
        }
    }
    if (path.filename() == "drive_c" && isImage(path)) {
        attach(path);
        return Place{path, "", display};
    }
    return std::nullopt;
}

Result<FatEntry> entry(const Place& place) {
    if (place.inner.empty()) {
        auto image = openImage(place.drive);
        if (!image)
            return image.error();
        Held held(**image, false);
        if (auto volume = current(**image); !volume)
            return volume.error();
        FatEntry root;
        root.attributes = fatattr::Directory;
        return root;
    }
    return withVolume(place, false, [&](FatVolume& v) { return v.entry(place.inner); });
}

Result<std::vector<FatEntry>> list(const Place& folder) {
    return withVolume(folder, false, [&](FatVolume& v) { return v.list(folder.inner); });
}

Result<std::string> readFile(const Place& place) {
    return withVolume(place, false, [&](FatVolume& v) { return v.readFile(place.inner); });
}

Status writeFile(const Place& place, std::string_view bytes, std::optional<DosStamp> when) {
    return withVolume(place, true,
                      [&](FatVolume& v) { return v.writeFile(place.inner, bytes, when); });
}

Status createDirectory(const Place& place) {
    return withVolume(place, true, [&](FatVolume& v) { return v.createDirectory(place.inner); });
}

Status removeDirectory(const Place& place) {
    return withVolume(place, true, [&](FatVolume& v) { return v.removeDirectory(place.inner); });
}

Status deleteFile(const Place& place) {
    return withVolume(place, true, [&](FatVolume& v) { return v.deleteFile(place.inner); });
}

Status rename(const Place& from, const Place& to) {
    return withVolume(from, true, [&](FatVolume& v) { return v.rename(from.inner, to.inner); });
}

Status setAttributes(const Place& place, std::uint8_t attributes) {
    return withVolume(place, true,
                      [&](FatVolume& v) { return v.setAttributes(place.inner, attributes); });
}

bool writable(const Place& place) {
    std::error_code ec;
    const fs::path file = fs::canonical(place.drive, ec);
    return !ec && ::access(file.c_str(), W_OK) == 0;
}

Stamp stamp(const Place& place) {
    return currentStamp(place.drive);
}

} // namespace velkan::platform::imagedrive
