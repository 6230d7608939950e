#include "platform/Machine.h"

#include "platform/Text.h"

#include "platform/ImageDrive.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path homeFolder() {
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

char upper(char letter) {
    return asciiUpper(letter);
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Wine names the links in lower case; a link made by hand may be upper case.
fs::path linkFor(const Machine& machine, char letter) {
    char lower = static_cast<char>(upper(letter) - 'A' + 'a');
    fs::path link = machine.dosDevices() / std::string{lower, ':'};
    std::error_code ec;
    if (fs::symlink_status(link, ec).type() == fs::file_type::not_found)
        return machine.dosDevices() / std::string{upper(letter), ':'};
    return link;
}

} // namespace

Machine::Machine(fs::path root) : root_(std::move(root)) {}

Machine Machine::fromEnvironment() {
    std::string own = environment("VELKAN_MACHINE");
    if (!own.empty())
        return Machine(own);
    // The XDG rules ignore a relative XDG_DATA_HOME.
    std::string data = environment("XDG_DATA_HOME");
    if (!data.empty() && fs::path(data).is_absolute())
        return Machine(fs::path(data) / "velkan" / "machine");
    return Machine(homeFolder() / ".local" / "share" / "velkan" / "machine");
}

std::optional<fs::path> Machine::driveRoot(char letter) const {
    if (!isLetter(letter))
        return std::nullopt;
    fs::path folder = upper(letter) == 'C' ? driveC() : linkFor(*this, letter);
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return folder;
    if (upper(letter) == 'C' && imagedrive::isImage(folder)) {
        imagedrive::attach(folder);
        return folder;
    }
    return std::nullopt;
}

bool Machine::hasDrive(char letter) const {
    if (!isLetter(letter))
        return false;
    if (upper(letter) == 'C')
        return true;
    std::error_code ec;
    return fs::symlink_status(linkFor(*this, letter), ec).type() != fs::file_type::not_found && !ec;
}

std::vector<char> Machine::drives() const {
    std::vector<char> letters{'C'};
    std::error_code ec;
    for (fs::directory_iterator it(dosDevices(), ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() == 2 && name[1] == ':' && isLetter(name[0]) && upper(name[0]) != 'C')
            letters.push_back(upper(name[0]));
    }
    std::sort(letters.begin(), letters.end());
    letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
    return letters;
}

} // namespace velkan::platform
