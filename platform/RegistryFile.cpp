#include "platform/RegistryFile.h"

#include "platform/Text.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace velkan::platform::detail {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kCrLf = "\r\n";
// regedit breaks a hex list once a line reaches this many columns.
constexpr size_t kHexWrapColumn = 77;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    return trimmed(s, " \t");
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> parseHexNumber(std::string_view s) {
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    std::uint32_t n = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        n = n << 4 | static_cast<std::uint32_t>(d);
    }
    return n;
}

struct Line {
    std::string_view text; // without its line end
    size_t number;         // counted from 1
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back({line, lines.size() + 1});
        start = end + 1;
    }
    return lines;
}

class Parser {
public:
    Parser(std::string_view text, const std::string& fileName)
        : lines_(splitLines(text)), fileName_(fileName) {}

    Result<RegTree> run() {
        if (lines_.empty())
            return tree_;
        if (trimRight(lines_[0].text) != kHeader)
            return fail(1, "the file does not begin with \"REGEDIT4\"");
        for (next_ = 1; next_ < lines_.size();) {
            const Line& line = lines_[next_++];
            std::string_view text = trim(line.text);
            Status done;
            if (text.empty() || text.front() == ';')
                continue;
            if (text.front() == '[')
                done = section(line.number, text);
            else if (text.front() == '"' || text.front() == '@')
                done = value(line.number, text);
            else
                done = fail(line.number, "unrecognised line");
            if (!done)
                return done.error();
        }
        return std::move(tree_);
    }

private:
    Error fail(size_t line, const std::string& what) const {
        return Error::of(WinError::BadDb,
                         fileName_ + ": line " + std::to_string(line) + ": " + what);
    }

    Status section(size_t number, std::string_view text) {
        size_t close = text.rfind(']');
        if (close == std::string_view::npos || close != text.size() - 1)
            return fail(number, "key name without closing \"]\"");
        std::string_view path = text.substr(1, close - 1);
        std::vector<std::string_view> parts;
        for (size_t start = 0;;) {
            size_t end = path.find('\\', start);
            parts.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
        for (std::string_view part : parts) {
            if (part.empty())
                return fail(number, "empty key name in \"" + std::string(path) + "\"");
            if (part.size() > kMaxRegNameLength)
                return fail(number, "a key name longer than " + std::to_string(kMaxRegNameLength) +
                                        " characters");
        }
        if (parts.size() - 1 > kMaxRegKeyDepth || path.size() > kMaxRegPathLength)
            return fail(number, "the key lies deeper than a registry allows");
        std::optional<RootKey> root = rootKeyFromName(parts[0]);
        if (!root || parts[0].size() < 6 || !sameName(parts[0].substr(0, 5), "HKEY_"))
            return fail(number, "unknown root key \"" + std::string(parts[0]) + "\"");
        current_ = &tree_.root(*root);
        if (*root == RootKey::ClassesRoot)
            current_ = &current_->subkey("Software").subkey("Classes");
        for (size_t i = 1; i < parts.size(); ++i)
            current_ = &current_->subkey(parts[i]);
        return {};
    }

    // A quoted string with regedit's two escapes, \\ and \". On success `text`
    // is left just after the closing quote.
    Result<std::string> quoted(size_t number, std::string_view& text) {
        std::string out;
        for (size_t i = 1; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                text.remove_prefix(i + 1);
                return out;
            }
            if (c == '\\') {
                if (i + 1 == text.size())
                    break;
                char escaped = text[++i];
                if (escaped != '\\' && escaped != '"')
                    return fail(number, std::string("unknown escape \"\\") + escaped + "\"");
                c = escaped;
            }
            out += c;
        }
        return fail(number, "unterminated quoted string");
    }

    Status value(size_t number, std::string_view text) {
        if (!current_)
            return fail(number, "value outside a key");
        std::string name;
        if (text.front() == '@') {
            text.remove_prefix(1);
        } else {
            Result<std::string> quotedName = quoted(number, text);
            if (!quotedName)
                return quotedName.error();
            name = std::move(*quotedName);
        }
        text = trimLeft(text);
        if (text.empty() || text.front() != '=')
            return fail(number, "\"=\" expected after the value name");
        text = trimLeft(text.substr(1));

        Result<RegValue> data = valueData(number, text);
        if (!data)
            return data.error();
        current_->setValue(name, std::move(*data));
        return {};
    }

    Result<RegValue> valueData(size_t number, std::string_view text) {
        if (!text.empty() && text.front() == '"') {
            Result<std::string> s = quoted(number, text);
            if (!s)
                return s.error();
            if (!trim(text).empty())
                return fail(number, "unexpected text after the string");
            return RegValue::string(*s);
        }
        if (text.starts_with("dword:")) {
            std::optional<std::uint32_t> n = parseHexNumber(trim(text.substr(6)));
            if (!n)
                return fail(number, "bad dword value");
            return RegValue::dword(*n);
        }
        std::uint32_t type = REG_BINARY;
        if (text.starts_with("hex:")) {
            text.remove_prefix(4);
        } else if (text.starts_with("hex(")) {
            size_t close = text.find("):");
            std::optional<std::uint32_t> n;
            if (close != std::string_view::npos)
                n = parseHexNumber(text.substr(4, close - 4));
            if (!n)
                return fail(number, "bad value type in \"hex(...)\"");
            type = *n;
            text.remove_prefix(close + 2);
        } else {
            return fail(number, "unrecognised value data");
        }
        Result<std::string> bytes = hexList(number, text);
        if (!bytes)
            return bytes.error();
        return RegValue{type, std::move(*bytes)};
    }

    // Comma-separated bytes; a line ending in a backslash goes on in the next.
    Result<std::string> hexList(size_t number, std::string_view text) {
        std::string joined;
        text = trimRight(text);
        while (!text.empty() && text.back() == '\\') {
            joined += text.substr(0, text.size() - 1);
            if (next_ >= lines_.size() || trim(lines_[next_].text).empty())
                return fail(number, "continuation line missing after \"\\\"");
            number = lines_[next_].number;
            text = trim(lines_[next_++].text);
        }
        joined += text;

        std::string bytes;
        std::string_view rest = trim(joined);
        if (rest.empty())
            return bytes;
        for (;;) {
            size_t comma = rest.find(',');
            std::string_view item = trim(rest.substr(0, comma));
            std::optional<std::uint32_t> b;
            if (item.size() <= 2)
                b = parseHexNumber(item);
            if (!b)
                return fail(number, "bad hex byte \"" + std::string(item) + "\"");
            bytes += static_cast<char>(*b);
            if (comma == std::string_view::npos)
                return bytes;
            rest.remove_prefix(comma + 1);
        }
    }

    std::vector<Line> lines_;
    size_t next_ = 0;
    const std::string& fileName_;
    RegTree tree_;
    RegNode* current_ = nullptr;
};

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// Whether a string value reads back from "..." exactly: the form always stands
// for the characters plus one terminating NUL, and holds no line breaks.
bool quotable(const RegValue& v) {
    return v.type == REG_SZ && !v.data.empty() && v.data.find('\0') == v.data.size() - 1 &&
           v.data.find_first_of("\r\n") == std::string::npos;
}

void appendHexList(std::string& out, size_t column, std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        column += 2;
        if (i + 1 == bytes.size())
            break;
        out += ',';
        if (++column >= kHexWrapColumn) {
            out += "\\\r\n  ";
            column = 2;
        }
    }
}

void appendValue(std::string& out, const RegNamedValue& named) {
    size_t lineStart = out.size();
    if (named.name.empty())
        out += '@';
    else
        appendQuoted(out, named.name);
    out += '=';
    const RegValue& v = named.value;
    if (quotable(v)) {
        appendQuoted(out, std::string_view(v.data).substr(0, v.data.size() - 1));
    } else if (std::optional<std::uint32_t> n = v.asDword()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *n);
        out += buf;
    } else {
        if (v.type == REG_BINARY) {
            out += "hex:";
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
            out += buf;
        }
        appendHexList(out, out.size() - lineStart, v.data);
    }
    out += kCrLf;
}

// A root key is written only when it holds values, unless `headerAlways`:
// the reader makes a root exist by its header alone.
void appendKey(std::string& out, const RegNode& node, const std::string& path, bool isRoot,
               bool headerAlways = false) {
    if (!isRoot || !node.values.empty() || headerAlways) {
        out += '[';
        out += path;
        out += ']';
        out += kCrLf;
        for (const RegNamedValue& v : node.values)
            appendValue(out, v);
        out += kCrLf;
    }
    for (const RegNode& child : node.subkeys)
        appendKey(out, child, path + '\\' + child.name, false);
}

} // namespace

Result<RegTree> parseRegistryFile(std::string_view text, const std::string& fileName) {
    return Parser(text, fileName).run();
}

std::string formatRegistryFile(const RegTree& tree, RegeditStyle style) {
    std::string out(kHeader);
    out += kCrLf;
    out += kCrLf;
    appendKey(out, tree.localMachine, "HKEY_LOCAL_MACHINE", true);
    if (style == RegeditStyle::Export) {
        appendKey(out, tree.users, "HKEY_USERS", true);
        return out;
    }
    if (const RegNode* user = tree.users.findSubkey(kDefaultUser))
        appendKey(out, *user, "HKEY_CURRENT_USER", true, user->subkeys.empty());
    RegNode others{tree.users.name, tree.users.values, {}};
    for (const RegNode& child : tree.users.subkeys)
        if (!sameName(child.name, kDefaultUser))
            others.subkeys.push_back(child);
    appendKey(out, others, "HKEY_USERS", true);
    return out;
}

} // namespace velkan::platform::detail
