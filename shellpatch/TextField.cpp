#include "shellpatch/TextField.h"

#include "shellpatch/BuildTable.h"

namespace velkan::shellpatch {

namespace {

// What a code unit becomes when the code page has no byte for it, as
// WideCharToMultiByte's default character.
constexpr unsigned char kDefaultChar = '?';

} // namespace

TextCodec TextCodec::forBuild(int position) {
    const ShellBuild* build = buildAt(position);
    return TextCodec(build ? build->codePage : CodePage::Western);
}

char16_t TextCodec::encodeChar(unsigned char byte) const {
    return toUnicode(codePage_, byte);
}

unsigned char TextCodec::decodeUnit(char16_t unit) const {
    return fromUnicode(codePage_, unit).value_or(kDefaultChar);
}

std::string TextCodec::encodeField(std::string_view text, int length, bool nulPadding) const {
    std::string out;
    out.reserve(static_cast<std::size_t>(length) * 2);
    for (int k = 0; k < length; ++k) {
        unsigned char byte;
        if (static_cast<std::size_t>(k) < text.size())
            byte = static_cast<unsigned char>(text[static_cast<std::size_t>(k)]);
        else
            byte = nulPadding ? 0 : ' ';
        char16_t unit = encodeChar(byte);
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
    return out;
}

std::string TextCodec::decodeField(std::string_view units) const {
    std::string text;
    text.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        auto lo = static_cast<unsigned char>(units[i]);
        auto hi = static_cast<unsigned char>(units[i + 1]);
        text.push_back(static_cast<char>(decodeUnit(static_cast<char16_t>(lo | (hi << 8)))));
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace velkan::shellpatch
