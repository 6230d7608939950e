#include "tests/support/Cregexport.h"

#include "platform/CregFile.h"
#include "platform/Files.h"
#include "tests/support/MachineDrive.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace velkan::test {

using platform::detail::RegNode;

namespace {

std::string le32(std::uint32_t n) {
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
            static_cast<char>(n >> 24)};
}

std::string utf8FromLatin1(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string typeShown(std::uint32_t type) {
    static const char* const names[] = {
        "undefined (REG_NONE)",
        "string (REG_SZ)",
        "expandable string (REG_EXPAND_SZ)",
        "binary data (REG_BINARY)",
        "32-bit integer little-endian (REG_DWORD_LITTLE_ENDIAN)",
        "32-bit integer big-endian (REG_DWORD_BIG_ENDIAN)",
        "symbolic link (REG_LINK)",
        "multi-value string (REG_MULTI_SZ)",
    };
    if (type < std::size(names))
        return names[type];
    char text[32];
    std::snprintf(text, sizeof text, "unknown: 0x%08x", type);
    return text;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const ShownValue& v) {
    out << v.name << " (" << v.type << ") ";
    for (unsigned char c : v.data)
        out << "0123456789abcdef"[c >> 4] << "0123456789abcdef"[c & 15];
    return out;
}

bool cregexportPresent() {
    return runProcess("cregexport", {"-V"}).exitCode == 0;
}

Shown cregexport(const std::filesystem::path& file) {
    TempDir scratch;
    const auto result = runProcess("cregexport", {hostCopy(file, scratch.path()).string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    Shown shown;
    std::istringstream lines(result.out);
    std::string line, number;
    std::size_t size = 0;
    bool dumped = false;
    const auto finishValue = [&] {
        if (shown.empty() || shown.back().second.empty())
            return;
        ShownValue& v = shown.back().second.back();
        // DWORDs are shown as numbers, without a dump.
        if (!dumped && !number.empty())
            v.data = le32(static_cast<std::uint32_t>(std::stoul(number)));
        if (!dumped && !number.empty() && v.type.find("BIG_ENDIAN") != std::string::npos)
            v.data = std::string(v.data.rbegin(), v.data.rend());
        EXPECT_EQ(v.data.size(), size) << v;
        number.clear();
        dumped = false;
    };
    while (std::getline(lines, line)) {
        const auto field = [&line](std::string_view label) {
            return line.rfind(label, 0) == 0 ? std::optional(line.substr(label.size()))
                                             : std::nullopt;
        };
        if (auto path = field("Key path: ")) {
            finishValue();
            shown.push_back({*path, {}});
        } else if (auto value = field("Value: ")) {
            finishValue();
            shown.back().second.push_back({value->substr(value->find(' ') + 1), "", ""});
        } else if (auto type = field("Type: ")) {
            shown.back().second.back().type = *type;
        } else if (auto dataSize = field("Data size: ")) {
            size = std::stoul(*dataSize);
        } else if (auto data = field("Data: ")) {
            number = *data;
        } else if (line.size() > 10 && line[8] == ':' && line[9] == ' ') {
            // "00000010: 0d 00 ... 12 00   ........" - up to 16 bytes before the text.
            std::istringstream bytes(line.substr(10, 49));
            std::string byte;
            while (bytes >> byte)
                shown.back().second.back().data.push_back(
                    static_cast<char>(std::stoi(byte, nullptr, 16)));
            dumped = true;
        }
    }
    finishValue();
    return shown;
}

// What cregexport should show for a tree whose names use only ASCII and the
// bytes 0xA0-0xFF (where code page 1252 is Latin-1).
Shown expectedShown(const RegNode& root) {
    Shown shown;
    struct Visit {
        const RegNode* key;
        std::string path;
    };
    std::vector<Visit> stack{{&root, ""}};
    while (!stack.empty()) {
        const Visit visit = stack.back();
        stack.pop_back();
        std::vector<ShownValue> values;
        for (const auto& v : visit.key->values)
            values.push_back({v.name.empty() ? "(default)" : utf8FromLatin1(v.name),
                              typeShown(v.value.type), v.value.data});
        shown.push_back({visit.path, values});
        for (auto it = visit.key->subkeys.rbegin(); it != visit.key->subkeys.rend(); ++it)
            stack.push_back(
                {&*it, (visit.path.empty() ? "" : visit.path + "\\") + utf8FromLatin1(it->name)});
    }
    return shown;
}

void expectCregexportAgrees(const std::filesystem::path& file) {
    if (!cregexportPresent() || !platform::host::fileAttributes(file))
        return;
    auto ours = platform::detail::parseCregFile(readFile(file), file.string());
    if (!ours)
        return; // damaged on purpose by the test, which checks that itself
    EXPECT_EQ(cregexport(file), expectedShown(*ours)) << file;
}

void expectCregexportAgreesOnMachine(const std::filesystem::path& machineRoot) {
    for (const char* name : {"SYSTEM.DAT", "USER.DAT"})
        expectCregexportAgrees(machineRoot / "drive_c" / "WINDOWS" / name);
    EXPECT_TRUE(volumeClean(machineRoot));
}

} // namespace velkan::test
