#include "platform/Journal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform {
namespace {

std::string timeStamp() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis.count()));
    return text;
}

// A time stamp is exactly "YYYY-MM-DDTHH:MM:SS.mmm"; lines written by hand
// need not carry one, and then the whole line is the event.
bool startsWithTimeStamp(const std::string& line) {
    constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd.ddd ";
    if (line.size() < shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        bool digit = line[i] >= '0' && line[i] <= '9';
        if (shape[i] == 'd' ? !digit : line[i] != shape[i])
            return false;
    }
    return true;
}

} // namespace

std::string printableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || c == '\t') {
            out += ' ';
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

Journal::Journal(std::filesystem::path file) : file_(std::move(file)) {}

Error Journal::refusal(int err) const {
    if (err == ELOOP)
        return Error::of(WinError::AccessDenied,
                         "the journal " + file_.string() + " is a symbolic link; it is not followed");
    if (err == ENXIO)
        return Error::of(WinError::AccessDenied,
                         "the journal " + file_.string() + " is not a regular file");
    return errorFromErrno(err, "cannot open the journal " + file_.string());
}

Journal Journal::ofMachine(const Machine& machine) {
    return Journal(machine.journalFile());
}

Status Journal::append(std::string_view event) const {
    std::string line = timeStamp();
    line += ' ';
    line += printableText(event);
    line += '\n';

    // O_APPEND with the whole line in one write: the kernel places each write
    // at the end by itself, so concurrent writers never overwrite or split
    // each other's lines.
    //
    // The journal lies in a folder that may come from anywhere: a link there
    // would have us append to any file of the host, and a pipe would block.
    int fd = ::open(file_.c_str(),
                    O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0)
        return refusal(errno);
    if (struct stat st {}; ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error::of(WinError::AccessDenied,
                         "the journal " + file_.string() + " is not a regular file");
    }
    ssize_t written = ::write(fd, line.data(), line.size());
    int writeErrno = errno;
    int closed = ::close(fd);
    if (written < 0)
        return errorFromErrno(writeErrno, "cannot write to the journal " + file_.string());
    if (static_cast<std::size_t>(written) != line.size())
        return Error::of(WinError::DiskFull, "the journal " + file_.string() + " is full");
    if (closed != 0)
        return errorFromErrno(errno, "cannot write to the journal " + file_.string());
    return {};
}

Result<std::vector<std::string>> Journal::lines() const {
    std::vector<std::string> result;
    int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return result;
        return refusal(errno);
    }
    std::string text;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[1 << 14];
    ssize_t n = 0;
    while (regular && ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)))
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    if (!regular)
        return Error::of(WinError::AccessDenied,
                         "the journal " + file_.string() + " is not a regular file");
    if (n < 0)
        return Error::of(WinError::ReadFault, "cannot read the journal " + file_.string());
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.push_back(line);
    }
    return result;
}

Result<std::vector<std::string>> Journal::events() const {
    auto all = lines();
    if (!all)
        return all.error();
    std::vector<std::string> result;
    for (const std::string& line : *all)
        result.push_back(startsWithTimeStamp(line) ? line.substr(24) : line);
    return result;
}

} // namespace velkan::platform
