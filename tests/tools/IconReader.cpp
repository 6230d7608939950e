#include "tests/tools/IconReader.h"

#include <cstdio>
#include <png.h>

namespace velkan::test {

namespace {

struct Reader {
    const std::string& b;
    bool ok(std::size_t at, std::size_t n) const { return at <= b.size() && n <= b.size() - at; }
    std::uint32_t u8(std::size_t at) const { return static_cast<unsigned char>(b[at]); }
    std::uint32_t u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    std::uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }
};

} // namespace

std::optional<DecodedIcon> decodeIconImage(const std::string& bytes, std::string& error) {
    Reader r{bytes};
    if (!r.ok(0, 40)) {
        error = "shorter than a BITMAPINFOHEADER";
        return std::nullopt;
    }
    DecodedIcon icon;
    const std::uint32_t headerSize = r.u32(0);
    icon.width = static_cast<int>(r.u32(4));
    const auto doubled = static_cast<int>(r.u32(8));
    icon.bitCount = static_cast<int>(r.u16(14));
    if (headerSize != 40 || r.u16(12) != 1 || r.u32(16) != 0) {
        error = "header size, planes or compression wrong";
        return std::nullopt;
    }
    if (icon.width <= 0 || icon.width > 256 || doubled <= 0 || doubled % 2) {
        error = "bad width or height";
        return std::nullopt;
    }
    icon.height = doubled / 2;
    if (icon.bitCount != 1 && icon.bitCount != 4 && icon.bitCount != 8) {
        error = "unexpected bit count";
        return std::nullopt;
    }
    const std::uint32_t clrUsed = r.u32(32);
    const std::size_t colours = clrUsed ? clrUsed : (std::size_t{1} << icon.bitCount);
    const std::size_t xorRow = (icon.width * icon.bitCount + 31) / 32 * 4;
    const std::size_t andRow = (icon.width + 31) / 32 * 4;
    const std::size_t paletteAt = 40, xorAt = paletteAt + 4 * colours;
    const std::size_t andAt = xorAt + xorRow * icon.height;
    const std::size_t end = andAt + andRow * icon.height;
    if (end != bytes.size()) {
        error = "image is " + std::to_string(bytes.size()) + " bytes, layout needs " +
                std::to_string(end);
        return std::nullopt;
    }
    icon.argb.resize(static_cast<std::size_t>(icon.width) * icon.height);
    for (int y = 0; y < icon.height; ++y) {
        const std::size_t row = icon.height - 1 - y; // stored bottom-up
        for (int x = 0; x < icon.width; ++x) {
            std::uint32_t index;
            const std::size_t at = xorAt + row * xorRow;
            if (icon.bitCount == 8)
                index = r.u8(at + x);
            else if (icon.bitCount == 4)
                index = (r.u8(at + x / 2) >> (x % 2 ? 0 : 4)) & 0xF;
            else
                index = (r.u8(at + x / 8) >> (7 - x % 8)) & 1;
            if (index >= colours) {
                error = "pixel index beyond the palette";
                return std::nullopt;
            }
            const std::size_t p = paletteAt + 4 * index;
            const bool transparent = (r.u8(andAt + row * andRow + x / 8) >> (7 - x % 8)) & 1;
            const std::uint32_t rgb = r.u8(p + 2) << 16 | r.u8(p + 1) << 8 | r.u8(p);
            icon.argb[static_cast<std::size_t>(y) * icon.width + x] =
                transparent ? rgb : (0xFF000000u | rgb);
        }
    }
    return icon;
}

std::optional<DecodedIcon> decodeBmp4(const std::string& file, std::string& error) {
    Reader r{file};
    if (!r.ok(0, 54 + 64) || file[0] != 'B' || file[1] != 'M') {
        error = "no BMP header";
        return std::nullopt;
    }
    DecodedIcon bmp;
    const std::uint32_t dataAt = r.u32(10);
    bmp.width = static_cast<int>(r.u32(18));
    const auto height = static_cast<std::int32_t>(r.u32(22));
    bmp.bitCount = static_cast<int>(r.u16(28));
    if (r.u32(14) != 40 || bmp.bitCount != 4 || r.u32(30) != 0 || bmp.width <= 0 || height <= 0) {
        error = "not an uncompressed 4-bit bitmap";
        return std::nullopt;
    }
    bmp.height = height;
    const std::size_t rowBytes = (bmp.width * 4 + 31) / 32 * 4;
    if (!r.ok(dataAt, rowBytes * bmp.height)) {
        error = "pixel rows beyond the end of the file";
        return std::nullopt;
    }
    bmp.argb.resize(static_cast<std::size_t>(bmp.width) * bmp.height);
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x) {
            const std::size_t at = dataAt + (bmp.height - 1 - y) * rowBytes + x / 2;
            const std::uint32_t index = (r.u8(at) >> (x % 2 ? 0 : 4)) & 0xF;
            const std::size_t p = 54 + 4 * index;
            bmp.argb[static_cast<std::size_t>(y) * bmp.width + x] =
                0xFF000000u | r.u8(p + 2) << 16 | r.u8(p + 1) << 8 | r.u8(p);
        }
    return bmp;
}

std::optional<PeIcons> readPeIcons(const std::string& file, std::string& error) {
    Reader r{file};
    auto fail = [&](const std::string& why) {
        error = why;
        return std::optional<PeIcons>{};
    };
    if (!r.ok(0, 64) || file[0] != 'M' || file[1] != 'Z')
        return fail("no MZ header");
    const std::uint32_t pe = r.u32(0x3C);
    if (!r.ok(pe, 24) || file.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return fail("no PE signature");
    PeIcons out;
    out.machine = static_cast<std::uint16_t>(r.u16(pe + 4));
    const std::uint32_t sections = r.u16(pe + 6);
    const std::uint32_t optSize = r.u16(pe + 20);
    out.characteristics = static_cast<std::uint16_t>(r.u16(pe + 22));
    const std::size_t opt = pe + 24;
    if (!r.ok(opt, optSize) || optSize < 96 + 16 * 8)
        return fail("optional header truncated");
    out.optionalMagic = static_cast<std::uint16_t>(r.u16(opt));
    out.sectionAlignment = r.u32(opt + 32);
    out.fileAlignment = r.u32(opt + 36);
    if (r.u32(opt + 92) < 3)
        return fail("no resource directory entry");
    const std::uint32_t rsrcRva = r.u32(opt + 96 + 2 * 8);
    const std::size_t sectionTable = opt + optSize;
    if (!r.ok(sectionTable, 40 * sections))
        return fail("section table truncated");
    // Maps an RVA to a file offset through the section that holds it.
    auto toFile = [&](std::uint32_t rva, std::uint32_t size) -> std::optional<std::size_t> {
        for (std::uint32_t s = 0; s < sections; ++s) {
            const std::size_t h = sectionTable + 40 * s;
            const std::uint32_t va = r.u32(h + 12), rawSize = r.u32(h + 16), raw = r.u32(h + 20);
            if (rva >= va && rva - va <= rawSize && size <= rawSize - (rva - va)) {
                const std::size_t at = raw + (rva - va);
                if (r.ok(at, size))
                    return at;
            }
        }
        return std::nullopt;
    };
    auto base = toFile(rsrcRva, 16);
    if (!base)
        return fail("resource directory outside every section");
    const std::size_t rsrc = *base;

    // Returns the (id, offset) entries of a directory, named entries first.
    auto directory = [&](std::uint32_t at,
                         std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
        if (!r.ok(rsrc + at, 16))
            return false;
        const std::uint32_t count = r.u16(rsrc + at + 12) + r.u16(rsrc + at + 14);
        if (!r.ok(rsrc + at + 16, 8 * count))
            return false;
        for (std::uint32_t i = 0; i < count; ++i)
            entries.emplace_back(r.u32(rsrc + at + 16 + 8 * i), r.u32(rsrc + at + 20 + 8 * i));
        return true;
    };
    auto leafData = [&](std::uint32_t entry, std::string& data) {
        if (!r.ok(rsrc + entry, 16))
            return false;
        auto at = toFile(r.u32(rsrc + entry), r.u32(rsrc + entry + 4));
        if (!at)
            return false;
        data = file.substr(*at, r.u32(rsrc + entry + 4));
        return true;
    };

    std::vector<std::pair<std::uint32_t, std::uint32_t>> types;
    if (!directory(0, types))
        return fail("root directory truncated");
    std::vector<std::pair<std::uint16_t, std::string>> groupData;
    for (auto [type, typeOffset] : types) {
        if (!(typeOffset & 0x80000000u))
            return fail("type entry is not a directory");
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ids;
        if (!directory(typeOffset & 0x7FFFFFFF, ids))
            return fail("type directory truncated");
        std::uint32_t lastId = 0;
        for (auto [id, idOffset] : ids) {
            if (id & 0x80000000u)
                return fail("named resources are not expected here");
            if (id <= lastId && lastId)
                return fail("ids not ascending");
            lastId = id;
            std::vector<std::pair<std::uint32_t, std::uint32_t>> langs;
            if (!(idOffset & 0x80000000u) || !directory(idOffset & 0x7FFFFFFF, langs) ||
                langs.empty())
                return fail("language directory missing");
            for (auto [lang, leaf] : langs) {
                out.languages.push_back(static_cast<std::uint16_t>(lang));
                std::string data;
                if ((leaf & 0x80000000u) || !leafData(leaf, data))
                    return fail("data entry out of bounds");
                if (type == 3)
                    out.icons[static_cast<std::uint16_t>(id)] = data;
                else if (type == 14 && lang == langs.front().first)
                    groupData.emplace_back(static_cast<std::uint16_t>(id), data);
            }
        }
    }
    for (auto& [id, data] : groupData) {
        Reader g{data};
        if (!g.ok(0, 6) || g.u16(0) != 0 || g.u16(2) != 1)
            return fail("bad GRPICONDIR");
        const std::uint32_t count = g.u16(4);
        if (!g.ok(6, 14 * count))
            return fail("GRPICONDIR entries truncated");
        std::vector<GroupEntry> entries;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t e = 6 + 14 * i;
            entries.push_back({static_cast<int>(g.u8(e)), static_cast<int>(g.u8(e + 1)),
                               static_cast<int>(g.u8(e + 2)), static_cast<int>(g.u16(e + 4)),
                               static_cast<int>(g.u16(e + 6)), g.u32(e + 8),
                               static_cast<std::uint16_t>(g.u16(e + 12))});
        }
        out.groups.emplace_back(id, std::move(entries));
    }
    return out;
}

bool writePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& argb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = argb[static_cast<std::size_t>(y) * width + x];
            row[4 * x] = (p >> 16) & 0xFF;
            row[4 * x + 1] = (p >> 8) & 0xFF;
            row[4 * x + 2] = p & 0xFF;
            row[4 * x + 3] = p >> 24;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

} // namespace velkan::test
