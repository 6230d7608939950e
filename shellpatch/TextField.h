#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shellpatch/CodePages.h"

namespace velkan::shellpatch {

// How the 8-bit text of an edit box and the 16-bit code units of a text field
// in the shell file are turned into each other for one build.
//
// Every build converts through its own ANSI code page, the Russian ones
// through 1251. (A shift of 192..255 to U+0410..U+044F alone would be right
// for those letters only: "Ё", "№" and the other upper-half bytes would reach
// the shell as control characters and come back as other letters.)
class TextCodec {
public:
    // The codec for a position in the build table (-1 when no build is chosen).
    static TextCodec forBuild(int position);

    CodePage codePage() const { return codePage_; }

    char16_t encodeChar(unsigned char byte) const;
    unsigned char decodeUnit(char16_t unit) const;

    // The N code units of a field, little-endian, 2*N bytes: the text's
    // characters, then padding (NUL units for the tooltip, spaces for every
    // other field) up to N. A longer text is cut at N.
    std::string encodeField(std::string_view text, int length, bool nulPadding) const;

    // The text of a field as the edit box receives it: each unit decoded,
    // then every trailing space of the whole field removed. NUL units inside
    // are kept; the edit box stops at the first one.
    std::string decodeField(std::string_view littleEndianUnits) const;

private:
    explicit TextCodec(CodePage page) : codePage_(page) {}

    CodePage codePage_;
};

} // namespace velkan::shellpatch
