#include "platform/ProfileString.h"

#include "platform/Text.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    return trimmed(s, " \t\v\f");
}

enum class LineKind { Other, Section, Key };

// One line of the file as byte offsets into it, so that an edit can keep
// every other byte where it was.
struct Line {
    size_t begin = 0; // first byte of the line
    size_t end = 0;   // end of its text, where the line end starts
    size_t next = 0;  // first byte after the line end
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed
};

Line classify(std::string_view text, size_t begin, size_t end, size_t next) {
    Line line{begin, end, next, LineKind::Other, {}, {}};
    std::string_view content = trim(text.substr(begin, end - begin));
    // A ";" line is no comment to the API: ";c=1" is the key ";c". Nobody
    // writes such a key (the writer refuses the name), so such lines keep
    // their bytes through every write.
    if (content.empty())
        return line;
    if (content.front() == '[') {
        size_t close = content.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = trim(content.substr(1, close - 1));
            return line;
        }
    }
    size_t eq = content.find('=');
    if (eq == std::string_view::npos)
        return line;
    line.kind = LineKind::Key;
    line.name = trim(content.substr(0, eq)); // may be empty: "=x" is the key ""
    std::string_view value = trim(content.substr(eq + 1));
    // The value is a C string to the API: a NUL byte ends it.
    line.value = value.substr(0, value.find('\0'));
    return line;
}

// Where the file's text ends for the API: at a Ctrl+Z, which DOS editors
// leave at the end of what they save, or at the end of the file.
size_t textEnd(std::string_view text) {
    const size_t eof = text.find('\x1A');
    return eof == std::string_view::npos ? text.size() : eof;
}

std::vector<Line> parse(std::string_view text) {
    std::vector<Line> lines;
    text = text.substr(0, textEnd(text));
    size_t pos = 0;
    // Editors on newer systems may start the file with a UTF-8 byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        size_t next = end;
        if (next < text.size() && text[next] == '\r')
            ++next;
        if (next < text.size() && text[next] == '\n' && (next == end || text[end] == '\r'))
            ++next;
        lines.push_back(classify(text, pos, end, next));
        pos = next;
    }
    return lines;
}

// The lines of one section: the header (none for the section "", which is
// every line before the first header) and its body [begin, end).
struct Section {
    static constexpr size_t kNoHeader = static_cast<size_t>(-1);
    bool found = false;
    size_t header = kNoHeader;
    size_t begin = 0, end = 0;
};

size_t bodyEnd(const std::vector<Line>& lines, size_t begin) {
    size_t end = begin;
    while (end < lines.size() && lines[end].kind != LineKind::Section)
        ++end;
    return end;
}

// The first section named so at or after line `from`.
Section findSection(const std::vector<Line>& lines, std::string_view section, size_t from = 0) {
    section = trim(section);
    if (section.empty() && from == 0)
        return {true, Section::kNoHeader, 0, bodyEnd(lines, 0)};
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && sameFileName(lines[i].name, section))
            return {true, i, i + 1, bodyEnd(lines, i + 1)};
    return {};
}

std::optional<size_t> findKey(const std::vector<Line>& lines, const Section& range,
                              std::string_view key) {
    key = trim(key);
    for (size_t i = range.begin; i < range.end; ++i)
        if (lines[i].kind == LineKind::Key && sameFileName(lines[i].name, key))
            return i;
    return std::nullopt;
}

// The file's bytes; a missing file reads as empty.
Result<std::string> loadForEdit(const fs::path& file) {
    Result<std::string> bytes = host::readWholeFile(file);
    if (!bytes && bytes.error().code == WinError::FileNotFound)
        return std::string();
    return bytes;
}

std::optional<std::string> readFileQuietly(const fs::path& file) {
    Result<std::string> bytes = host::readWholeFile(file);
    if (!bytes)
        return std::nullopt;
    return std::move(bytes).value();
}

// The value as GetPrivateProfileString finds it, quotes removed, or nothing.
std::optional<std::string> lookup(const fs::path& file, std::string_view section,
                                  std::string_view key) {
    std::optional<std::string> text = readFileQuietly(file);
    if (!text)
        return std::nullopt;
    std::vector<Line> lines = parse(*text);
    const Section range = findSection(lines, section);
    if (!range.found)
        return std::nullopt;
    std::optional<size_t> at = findKey(lines, range, key);
    if (!at)
        return std::nullopt;
    std::string_view value = lines[*at].value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string capped(std::string_view text, std::size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    return std::string(text.substr(0, bufferSize - 1));
}

bool holdsLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

Status invalid(const fs::path& file, const std::string& what) {
    return Error::of(WinError::InvalidParameter,
                     "Cannot write " + what + " to '" + file.string() + "'.");
}

Status checkNames(const fs::path& file, std::string_view section, std::string_view key) {
    std::string_view s = trim(section);
    if (s.empty() || holdsLineBreak(s) || s.find(']') != std::string_view::npos)
        return invalid(file, "the section name '" + std::string(section) + "'");
    std::string_view k = trim(key);
    if (k.empty() || holdsLineBreak(k) || k.find('=') != std::string_view::npos ||
        k.front() == '[' || k.front() == ';')
        return invalid(file, "the key name '" + std::string(key) + "'");
    return {};
}

Status store(const fs::path& file, const std::string& bytes) {
    return host::writeWholeFile(file, bytes);
}

std::string cut(std::string_view text, const std::vector<std::pair<size_t, size_t>>& gone) {
    std::string out;
    size_t pos = 0;
    for (auto [from, to] : gone) {
        out.append(text.substr(pos, from - pos));
        pos = to;
    }
    out.append(text.substr(pos));
    return out;
}

} // namespace

std::string readProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t bufferSize) {
    if (std::optional<std::string> value = lookup(file, section, key))
        return capped(*value, bufferSize);
    while (!defaultValue.empty() && isBlank(defaultValue.back()))
        defaultValue.remove_suffix(1);
    return capped(defaultValue, bufferSize);
}

std::vector<std::string> readProfileKeys(const fs::path& file, std::string_view section) {
    std::vector<std::string> keys;
    std::optional<std::string> text = readFileQuietly(file);
    if (!text)
        return keys;
    std::vector<Line> lines = parse(*text);
    // Every key line as it stands, a second line of a name and "" included.
    const Section range = findSection(lines, section);
    for (size_t i = range.begin; range.found && i < range.end; ++i)
        if (lines[i].kind == LineKind::Key)
            keys.emplace_back(lines[i].name);
    return keys;
}

std::vector<std::string> readProfileSections(const fs::path& file) {
    std::vector<std::string> sections;
    std::optional<std::string> text = readFileQuietly(file);
    if (!text)
        return sections;
    for (const Line& line : parse(*text)) {
        if (line.kind != LineKind::Section)
            continue;
        bool seen = false;
        for (const std::string& s : sections)
            seen = seen || sameFileName(s, line.name);
        if (!seen)
            sections.emplace_back(line.name);
    }
    return sections;
}

int readProfileInt(const fs::path& file, std::string_view section, std::string_view key,
                   int defaultValue) {
    std::string value = readProfileString(file, section, key, "");
    if (value.empty())
        return defaultValue;
    std::string_view s = value;
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    unsigned base = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    // Windows returns a UINT; overlong numbers wrap as they do there.
    std::uint32_t result = 0;
    for (char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        result = result * base + digit;
    }
    if (negative)
        result = 0u - result;
    return static_cast<int>(result);
}

bool parseIntExact(std::string_view text, int& out) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (char c : text.substr(2)) {
            unsigned digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                digit = static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
            value = value * 16 + digit;
            if (value > 0xFFFFFFFFu)
                return false;
        }
        // Hexadecimal spells the 32 bits, so 0xFFFFFFFF is -1.
        out = static_cast<int>(static_cast<std::uint32_t>(value));
        return true;
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return false;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return false;
    out = static_cast<int>(value);
    return true;
}

int readProfileIntExact(const fs::path& file, std::string_view section, std::string_view key,
                        int defaultValue) {
    int value = 0;
    return parseIntExact(readProfileString(file, section, key, ""), value) ? value : defaultValue;
}

namespace {

// The text with the key set as WritePrivateProfileString leaves it; the same
// text when nothing changes.
Result<std::string> withKey(const fs::path& file, const std::string& text,
                            std::string_view section, std::string_view key,
                            std::string_view value) {
    if (Status names = checkNames(file, section, key); !names)
        return names.error();
    if (holdsLineBreak(value))
        return invalid(file, "a value holding a line break").error();
    std::vector<Line> lines = parse(text);
    const Section range = findSection(lines, section);

    std::string out;
    if (range.found) {
        if (std::optional<size_t> at = findKey(lines, range, key)) {
            const Line& line = lines[*at];
            std::string replaced = std::string(line.name) + "=" + std::string(value);
            if (text.compare(line.begin, line.end - line.begin, replaced) == 0)
                return text;
            out = text.substr(0, line.begin) + replaced + text.substr(line.end);
        } else {
            // After the section's last line that holds anything, before its
            // blank lines.
            size_t after = range.header;
            for (size_t i = range.begin; i < range.end; ++i)
                if (lines[i].end > lines[i].begin &&
                    !trim(text.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty())
                    after = i;
            const Line& line = lines[after];
            std::string added = std::string(trim(key)) + "=" + std::string(value) + "\r\n";
            if (line.next == line.end)
                added = "\r\n" + added; // the last line had no line end
            out = text.substr(0, line.next) + added + text.substr(line.next);
        }
    } else {
        // A new section goes at the end of the text, in front of a Ctrl+Z.
        const size_t end = textEnd(text);
        out = text.substr(0, end);
        if (!lines.empty()) {
            const Line& last = lines.back();
            if (last.next == last.end)
                out += "\r\n";
            if (last.end > last.begin &&
                !trim(text.substr(last.begin, last.end - last.begin)).empty())
                out += "\r\n";
        }
        out += "[" + std::string(trim(section)) + "]\r\n" + std::string(trim(key)) + "=" +
               std::string(value) + "\r\n" + text.substr(end);
    }
    return out;
}

} // namespace

Status writeProfileString(const fs::path& file, std::string_view section, std::string_view key,
                          std::string_view value) {
    const std::pair<std::string_view, std::string_view> entry{key, value};
    return writeProfileStrings(file, section, {&entry, 1});
}

Status writeProfileStrings(const fs::path& file, std::string_view section,
                           std::span<const std::pair<std::string_view, std::string_view>> entries) {
    Result<std::string> loaded = loadForEdit(file);
    if (!loaded)
        return loaded.error();
    std::string text = *loaded;
    for (const auto& [key, value] : entries) {
        Result<std::string> next = withKey(file, text, section, key, value);
        if (!next)
            return next.error();
        text = std::move(next).value();
    }
    if (text == *loaded)
        return {}; // nothing changes; leave the file alone
    return store(file, text);
}

Status deleteProfileKey(const fs::path& file, std::string_view section, std::string_view key) {
    if (Status names = checkNames(file, section, key); !names)
        return names;
    Result<std::string> loaded = loadForEdit(file);
    if (!loaded)
        return loaded.error();
    const std::string& text = *loaded;
    std::vector<Line> lines = parse(text);
    // Only the first line of the key goes, as on Windows: a second line of
    // the same name is what a read finds next.
    const Section range = findSection(lines, section);
    const std::optional<size_t> at = range.found ? findKey(lines, range, key) : std::nullopt;
    if (!at)
        return {};
    return store(file, cut(text, {{lines[*at].begin, lines[*at].next}}));
}

Status deleteProfileSection(const fs::path& file, std::string_view section) {
    if (Status names = checkNames(file, section, "k"); !names)
        return names;
    Result<std::string> loaded = loadForEdit(file);
    if (!loaded)
        return loaded.error();
    const std::string& text = *loaded;
    std::vector<Line> lines = parse(text);
    // Every section of the name goes, or a later one would take its place.
    std::vector<std::pair<size_t, size_t>> gone;
    for (Section range = findSection(lines, section); range.found;
         range = findSection(lines, section, range.end))
        gone.emplace_back(lines[range.header].begin, lines[range.end - 1].next);
    if (gone.empty())
        return {};
    return store(file, cut(text, gone));
}

// ---- Windows paths

std::string readProfileString(const Machine& machine, std::string_view winFile,
                              std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t bufferSize) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    return readProfileString(file ? *file : fs::path(), section, key, defaultValue, bufferSize);
}

int readProfileInt(const Machine& machine, std::string_view winFile, std::string_view section,
                   std::string_view key, int defaultValue) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    return file ? readProfileInt(*file, section, key, defaultValue) : defaultValue;
}

int readProfileIntExact(const Machine& machine, std::string_view winFile, std::string_view section,
                        std::string_view key, int defaultValue) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    return file ? readProfileIntExact(*file, section, key, defaultValue) : defaultValue;
}

std::vector<std::string> readProfileKeys(const Machine& machine, std::string_view winFile,
                                         std::string_view section) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    return file ? readProfileKeys(*file, section) : std::vector<std::string>{};
}

Status writeProfileString(const Machine& machine, std::string_view winFile,
                          std::string_view section, std::string_view key, std::string_view value) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    if (!file)
        return file.error();
    return writeProfileString(*file, section, key, value);
}

Status writeProfileStrings(const Machine& machine, std::string_view winFile,
                           std::string_view section,
                           std::span<const std::pair<std::string_view, std::string_view>> entries) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    if (!file)
        return file.error();
    return writeProfileStrings(*file, section, entries);
}

Status deleteProfileKey(const Machine& machine, std::string_view winFile, std::string_view section,
                        std::string_view key) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    if (!file)
        return file.error();
    return deleteProfileKey(*file, section, key);
}

Status deleteProfileSection(const Machine& machine, std::string_view winFile,
                            std::string_view section) {
    Result<fs::path> file = resolveWinPath(machine, winFile);
    if (!file)
        return file.error();
    return deleteProfileSection(*file, section);
}

} // namespace velkan::platform
