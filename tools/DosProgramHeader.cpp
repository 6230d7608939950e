#include "tools/DosProgramHeader.h"

namespace velkan::machine {

void putLe16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

void putLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(value >> (8 * i) & 0xFF);
}

std::string dosProgramHeader(std::string_view message) {
    std::string dosProgram(128, '\0');
    dosProgram[0] = 'M';
    dosProgram[1] = 'Z';
    putLe16(dosProgram, 0x02, 0x90);   // bytes in the last page
    putLe16(dosProgram, 0x04, 3);      // pages
    putLe16(dosProgram, 0x08, 4);      // header paragraphs
    putLe16(dosProgram, 0x0C, 0xFFFF); // maximum extra paragraphs
    putLe16(dosProgram, 0x10, 0xB8);   // initial SP
    putLe16(dosProgram, 0x18, 0x40);   // relocation table
    // push cs; pop ds; mov dx, message; mov ah, 9; int 21h; mov ax, 4C01h; int 21h
    const unsigned char code[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                  0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    std::size_t at = 0x40;
    for (unsigned char c : code)
        dosProgram[at++] = char(c);
    for (char c : message) {
        if (at >= dosProgram.size() - 1)
            break;
        dosProgram[at++] = c;
    }
    dosProgram[at] = '$';
    return dosProgram;
}

std::string programFiller(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    std::uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Program files are full of zeros; a third of the filler is.
        out[i] = (state >> 24) % 3 == 0 ? '\0' : char(state & 0xFF);
    }
    return out;
}

} // namespace velkan::machine
