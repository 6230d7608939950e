#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/BuildTable.h"
#include "shellpatch/TextField.h"

// Reading and writing the pieces of a shell file at fixed offsets: text
// fields, 16- and 32-bit numbers and single bytes. Each read that cannot get
// every byte it needs fails; nothing is guessed.
namespace velkan::shellpatch {

// N code units at the field's offset, decoded, trailing spaces removed.
platform::Result<std::string> readTextField(platform::File& file, TextField field,
                                            const TextCodec& codec);
platform::Result<std::uint16_t> readUInt16(platform::File& file, std::int64_t offset);
platform::Result<std::int32_t> readInt32(platform::File& file, std::int64_t offset);

// Opens the file for reading and writing, writes the N code units of `text`
// at the field's offset and closes it again. The tooltip is padded with NUL
// units, every other field with spaces.
platform::Status writeTextField(const platform::Machine& machine, std::string_view path,
                                TextField field, std::string_view text, bool nulPadding,
                                const TextCodec& codec);
platform::Status writeByte(const platform::Machine& machine, std::string_view path,
                           std::int64_t offset, std::uint8_t value);

} // namespace velkan::shellpatch
