// PNG-compressed icon images (Windows Vista and later put these in .ico files
// and libraries) go through libpng; only the icon's rules are ours.
#include "platform/IconImageDecoder.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace velkan::platform {

namespace {

struct Source {
    ByteView bytes;
    std::size_t at = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (!source->bytes.has(source->at, length))
        png_error(png, "truncated PNG image");
    std::memcpy(out, source->bytes.data() + source->at, length);
    source->at += length;
}

void quietWarning(png_structp, png_const_charp) {}

void raiseError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

} // namespace

bool isPng(ByteView image) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return image.has(0, 8) && std::memcmp(image.data(), kSignature, 8) == 0;
}

std::optional<Icon> decodePngIcon(ByteView image) {
    if (!isPng(image))
        return std::nullopt;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, raiseError, quietWarning);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    Source source{image, 0};
    // Everything libpng allocates is released below; our own buffers are
    // made only before the jump point is armed or after it can no longer fire.
    std::vector<std::uint8_t> rgba;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &source, readFromMemory);
    png_set_user_limits(png, kMaxIconEdge, kMaxIconEdge);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != width * 4)
        png_error(png, "unexpected row layout");
    rgba.resize(static_cast<std::size_t>(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = rgba.data() + static_cast<std::size_t>(y) * width * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);

    Icon icon;
    icon.width = static_cast<int>(width);
    icon.height = static_cast<int>(height);
    icon.bitCount = 32;
    icon.hasAlpha = true;
    icon.pixels.resize(static_cast<std::size_t>(width) * height);
    icon.mask.resize(icon.pixels.size());
    for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
        const std::uint8_t* p = rgba.data() + i * 4;
        icon.pixels[i] = static_cast<std::uint32_t>(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
        icon.mask[i] = p[3] == 0;
    }
    return icon;
}

} // namespace velkan::platform
