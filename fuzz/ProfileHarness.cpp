#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/ProfileString.h"
#include "platform/WinPath.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace velkan::fuzz {

namespace {

namespace fs = std::filesystem;
using platform::sameFileName;

constexpr std::size_t kSectionsLooked = 6;
constexpr std::size_t kKeysLooked = 12;
constexpr const char* kMissing = "\x01missing";

// What a program reading the file sees of its first sections and keys.
using Seen = std::vector<std::pair<std::pair<std::string, std::string>, std::string>>;

Seen look(const fs::path& file) {
    Seen seen;
    auto sections = platform::readProfileSections(file);
    for (std::size_t s = 0; s < sections.size() && s < kSectionsLooked; ++s) {
        auto keys = platform::readProfileKeys(file, sections[s]);
        for (std::size_t k = 0; k < keys.size() && k < kKeysLooked; ++k) {
            std::string value = platform::readProfileString(file, sections[s], keys[k], kMissing);
            if (value == kMissing)
                fail("a listed key reads as missing");
            if (value.size() >= platform::kProfileBufferSize)
                fail("a value is longer than the reader's buffer");
            (void)platform::readProfileInt(file, sections[s], keys[k], -1);
            (void)platform::readProfileIntExact(file, sections[s], keys[k], -1);
            seen.push_back({{sections[s], keys[k]}, std::move(value)});
        }
    }
    return seen;
}

bool same(const std::pair<std::string, std::string>& a, std::string_view section,
          std::string_view key) {
    return sameFileName(a.first, section) && sameFileName(a.second, key);
}

// Every key other than the one edited reads as it did before.
void othersKept(const fs::path& file, const Seen& before, std::string_view section,
                std::string_view key, const char* what) {
    for (const auto& [name, value] : before) {
        if (same(name, section, key) || (key.empty() && sameFileName(name.first, section)))
            continue;
        if (platform::readProfileString(file, name.first, name.second, kMissing) != value)
            fail(what);
    }
}

bool writable(std::string_view name) {
    return !name.empty() &&
           name.find_first_of(std::string_view("]=[;\r\n\0", 8)) == std::string_view::npos;
}

} // namespace

void fuzzProfile(const std::uint8_t* data, std::size_t size) {
    const platform::Machine machine = freshMachine("profile");
    const fs::path file = machine.driveC() / "WINDOWS" / "WININIT.INI";
    put(file, asText(data, size));
    const Seen before = look(file);

    // The edit goes into a section and key of the file itself where it has
    // them, so that in-place replacement is what gets exercised.
    std::string section = "Rename", key = "C:\\WINDOWS\\Explorer.exe";
    if (!before.empty()) {
        const auto& pick = before[size % before.size()].first;
        if (writable(pick.first))
            section = pick.first;
        if (size % 3 != 0 && writable(pick.second))
            key = pick.second;
    }
    const std::string value = "C:\\WINDOWS\\Explorer.new";
    if (auto written = platform::writeProfileString(file, section, key, value); !written) {
        std::fprintf(stderr, "[%s] %s: %s\n", section.c_str(), key.c_str(),
                     written.error().message.c_str());
        fail("writing a key to an initialisation file failed");
    }
    if (platform::readProfileString(file, section, key, kMissing) != value)
        fail("a written key does not read back");
    othersKept(file, before, section, key, "writing one key changed another");
    // The Windows-path form reads the same file.
    if (platform::readProfileString(machine, "c:\\windows\\wininit.ini", section, key, kMissing) !=
        value)
        fail("the file read through its Windows path differs");

    const Seen written = look(file);
    // A deletion takes the key's first line only; a second line of the name
    // is what reads next.
    std::size_t lines = 0;
    for (const auto& name : platform::readProfileKeys(file, section))
        lines += sameFileName(name, key);
    if (!platform::deleteProfileKey(file, section, key))
        fail("deleting a key failed");
    if (lines == 1 && platform::readProfileString(file, section, key, kMissing) != kMissing)
        fail("a deleted key still reads");
    othersKept(file, written, section, key, "deleting one key changed another");

    if (!platform::deleteProfileSection(file, section))
        fail("deleting a section failed");
    for (const auto& name : platform::readProfileSections(file))
        if (sameFileName(name, section))
            fail("a deleted section is still listed");
    othersKept(file, written, section, "", "deleting one section changed another");
}

} // namespace velkan::fuzz
