#pragma once

#include <string>
#include <string_view>

// Case and blanks as Windows 95 treats them in names, keys and lines: only
// the ASCII letters have a case, every other byte stays what it is, whatever
// the host's locale says.
namespace velkan::platform {

constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiUppercase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiUpper(c);
    return out;
}

inline std::string asciiLowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

// The text without the given blank characters at either end.
constexpr std::string_view trimmed(std::string_view text, std::string_view blanks = " \t") {
    while (!text.empty() && blanks.find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    while (!text.empty() && blanks.find(text.back()) != std::string_view::npos)
        text.remove_suffix(1);
    return text;
}

} // namespace velkan::platform
