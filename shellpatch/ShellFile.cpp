#include "shellpatch/ShellFile.h"

namespace velkan::shellpatch {

using platform::Result;
using platform::Status;

platform::Result<std::string> readTextField(platform::File& file, TextField field,
                                            const TextCodec& codec) {
    if (auto sought = file.seek(field.offset); !sought)
        return sought.error();
    auto bytes = file.read(static_cast<std::size_t>(field.length) * 2);
    if (!bytes)
        return bytes.error();
    return codec.decodeField(*bytes);
}

Result<std::uint16_t> readUInt16(platform::File& file, std::int64_t offset) {
    if (auto sought = file.seek(offset); !sought)
        return sought.error();
    auto bytes = file.read(2);
    if (!bytes)
        return bytes.error();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes->data());
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

Result<std::int32_t> readInt32(platform::File& file, std::int64_t offset) {
    if (auto sought = file.seek(offset); !sought)
        return sought.error();
    auto bytes = file.read(4);
    if (!bytes)
        return bytes.error();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes->data());
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (b[1] << 8) |
                                     (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

namespace {

Status writeAt(const platform::Machine& machine, std::string_view path, std::int64_t offset,
               std::string_view bytes) {
    auto file = platform::openFile(machine, path, platform::OpenMode::ReadWrite);
    if (!file)
        return file.error();
    if (auto sought = file->seek(offset); !sought)
        return sought;
    if (auto written = file->write(bytes); !written)
        return written;
    return file->close();
}

} // namespace

Status writeTextField(const platform::Machine& machine, std::string_view path, TextField field,
                      std::string_view text, bool nulPadding, const TextCodec& codec) {
    return writeAt(machine, path, field.offset, codec.encodeField(text, field.length, nulPadding));
}

Status writeByte(const platform::Machine& machine, std::string_view path, std::int64_t offset,
                 std::uint8_t value) {
    char byte = static_cast<char>(value);
    return writeAt(machine, path, offset, std::string_view(&byte, 1));
}

} // namespace velkan::shellpatch
