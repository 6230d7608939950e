#pragma once

#include <optional>

namespace velkan::shellpatch {

// The Windows ANSI code pages of the supported language builds.
enum class CodePage {
    Western,         // 1252
    CentralEuropean, // 1250
    Cyrillic,        // 1251
    Hebrew,          // 1255
};

// One byte of the code page as a UTF-16 code unit.
char16_t toUnicode(CodePage page, unsigned char byte);

// The byte that stands for `unit` in the code page, if it has one.
std::optional<unsigned char> fromUnicode(CodePage page, char16_t unit);

int codePageNumber(CodePage page);

} // namespace velkan::shellpatch
