#include "tests/platform/IconFiles.h"

#include <map>
#include <png.h>

namespace velkan::test::icons {

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t testColour(int seed, int x, int y) {
    return 0xFF000000u | static_cast<std::uint32_t>((seed * 37 + x * 8) & 0xFF) << 16 |
           static_cast<std::uint32_t>((y * 8) & 0xFF) << 8 |
           static_cast<std::uint32_t>((seed * 91 + x + y) & 0xFF);
}

Bytes dibImage(int w, int h, int bpp, const PixelFn& pixel,
               const std::vector<std::uint32_t>& palette) {
    Bytes b;
    const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(w) + 31) / 32 * 4;
    put32(b, 40);
    put32(b, w);
    put32(b, h * 2);
    put16(b, 1);
    put16(b, bpp);
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(stride * h));
    for (int i = 0; i < 4; ++i)
        put32(b, 0);
    if (bpp <= 8)
        for (int i = 0; i < (1 << bpp); ++i) {
            std::uint32_t c = i < static_cast<int>(palette.size()) ? palette[i] : 0;
            b.push_back(c & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back((c >> 16) & 0xFF);
            b.push_back(0);
        }
    const std::size_t rows = b.size();
    b.resize(rows + stride * h + maskStride * h, 0);
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        std::uint8_t* r = b.data() + rows + row * stride;
        std::uint8_t* m = b.data() + rows + stride * h + row * maskStride;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(x, y);
            const std::uint32_t index = p & 0xFF;
            switch (bpp) {
            case 1:
                r[x / 8] |= static_cast<std::uint8_t>((index & 1) << (7 - x % 8));
                break;
            case 4:
                r[x / 2] |= static_cast<std::uint8_t>((index & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                r[x] = static_cast<std::uint8_t>(index);
                break;
            case 16: {
                const std::uint32_t v =
                    ((p >> 19) & 31) << 10 | ((p >> 11) & 31) << 5 | ((p >> 3) & 31);
                r[x * 2] = v & 0xFF;
                r[x * 2 + 1] = v >> 8;
                break;
            }
            case 24:
            case 32:
                for (int c = 0; c < bpp / 8; ++c)
                    r[x * (bpp / 8) + c] = static_cast<std::uint8_t>(p >> (8 * c));
                break;
            }
            if ((p >> 24) == 0)
                m[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return b;
}

Bytes pngImage(int w, int h, const PixelFn& pixel) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(x, y);
            row[x * 4] = (p >> 16) & 0xFF;
            row[x * 4 + 1] = (p >> 8) & 0xFF;
            row[x * 4 + 2] = p & 0xFF;
            row[x * 4 + 3] = p >> 24;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

namespace {
void directoryEntry(Bytes& b, const Image& image) {
    b.push_back(static_cast<std::uint8_t>(image.width & 0xFF));
    b.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
    b.push_back(image.bitCount == 4 ? 16 : image.bitCount == 1 ? 2 : 0);
    b.push_back(0);
    put16(b, 1);
    put16(b, image.bitCount);
    put32(b, static_cast<std::uint32_t>(image.data.size()));
}
} // namespace

Bytes icoFile(const std::vector<Image>& images) {
    Bytes b;
    put16(b, 0);
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const auto& image : images) {
        directoryEntry(b, image);
        put32(b, offset);
        offset += static_cast<std::uint32_t>(image.data.size());
    }
    for (const auto& image : images)
        b.insert(b.end(), image.data.begin(), image.data.end());
    return b;
}

Bytes groupResource(const std::vector<Image>& images, std::uint16_t firstId) {
    Bytes b;
    put16(b, 0);
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        directoryEntry(b, images[i]);
        put16(b, firstId + static_cast<std::uint32_t>(i));
    }
    return b;
}

Bytes peModule(const std::vector<Resource>& resources, bool pe32Plus) {
    constexpr std::uint32_t kSectionRva = 0x1000, kSectionFile = 0x200;
    // The resource tree, types in order of first appearance.
    std::vector<std::uint16_t> types;
    std::map<std::uint16_t, std::vector<const Resource*>> byType;
    for (const auto& r : resources) {
        if (!byType.count(r.type))
            types.push_back(r.type);
        byType[r.type].push_back(&r);
    }
    Bytes tree;
    auto directory = [&tree](std::size_t named, std::size_t ids) {
        const std::size_t at = tree.size();
        tree.resize(at + 16 + 8 * (named + ids), 0);
        tree[at + 12] = static_cast<std::uint8_t>(named);
        tree[at + 14] = static_cast<std::uint8_t>(ids);
        return at;
    };
    const std::size_t root = directory(0, types.size());
    std::vector<std::pair<std::size_t, const Resource*>> leaves;
    std::vector<std::pair<std::size_t, const Resource*>> names;
    for (std::size_t t = 0; t < types.size(); ++t) {
        const auto& list = byType[types[t]];
        std::size_t named = 0;
        for (auto* r : list)
            named += !r->name.empty();
        const std::size_t dir = directory(named, list.size() - named);
        set32(tree, root + 16 + t * 8, types[t]);
        set32(tree, root + 20 + t * 8, 0x80000000u | static_cast<std::uint32_t>(dir));
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::size_t lang = directory(0, 1);
            names.push_back({dir + 16 + i * 8, list[i]});
            set32(tree, dir + 20 + i * 8, 0x80000000u | static_cast<std::uint32_t>(lang));
            set32(tree, lang + 16, 0x409);
            leaves.push_back({lang + 20, list[i]});
        }
    }
    for (auto& [at, r] : names) {
        if (r->name.empty()) {
            set32(tree, at, r->id);
        } else {
            set32(tree, at, 0x80000000u | static_cast<std::uint32_t>(tree.size()));
            put16(tree, static_cast<std::uint32_t>(r->name.size()));
            for (char16_t c : r->name)
                put16(tree, c);
            while (tree.size() % 4)
                tree.push_back(0);
        }
    }
    for (auto& [at, r] : leaves) {
        const std::size_t entry = tree.size();
        tree.resize(entry + 16, 0);
        set32(tree, at, static_cast<std::uint32_t>(entry));
        const std::size_t data = tree.size();
        tree.insert(tree.end(), r->data.begin(), r->data.end());
        while (tree.size() % 4)
            tree.push_back(0);
        set32(tree, entry, kSectionRva + static_cast<std::uint32_t>(data));
        set32(tree, entry + 4, static_cast<std::uint32_t>(r->data.size()));
    }
    const std::uint32_t rawSize = (static_cast<std::uint32_t>(tree.size()) + 0x1FF) & ~0x1FFu;

    Bytes b(0x80, 0);
    b[0] = 'M';
    b[1] = 'Z';
    set32(b, 0x3C, 0x80);
    put32(b, 0x00004550);
    put16(b, pe32Plus ? 0x8664 : 0x14C);
    put16(b, 1);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    put16(b, optionalSize);
    put16(b, 0x2102);
    const std::size_t optional = b.size();
    b.resize(optional + optionalSize, 0);
    b[optional] = 0x0B;
    b[optional + 1] = pe32Plus ? 0x02 : 0x01;
    const std::size_t dirs = optional + (pe32Plus ? 108 : 92);
    set32(b, dirs, 16);
    set32(b, dirs + 4 + 2 * 8, kSectionRva);
    set32(b, dirs + 8 + 2 * 8, static_cast<std::uint32_t>(tree.size()));
    const std::size_t section = b.size();
    b.resize(section + 40, 0);
    const char name[] = ".rsrc";
    for (int i = 0; i < 5; ++i)
        b[section + i] = name[i];
    set32(b, section + 8, static_cast<std::uint32_t>(tree.size()));
    set32(b, section + 12, kSectionRva);
    set32(b, section + 16, rawSize);
    set32(b, section + 20, kSectionFile);
    b.resize(kSectionFile, 0);
    b.insert(b.end(), tree.begin(), tree.end());
    b.resize(kSectionFile + rawSize, 0);
    return b;
}

Bytes neModule(const std::vector<Resource>& resources, int shift) {
    constexpr std::size_t kNe = 0x40;
    // Types in order of first appearance, each with its resources.
    std::vector<std::uint16_t> types;
    std::map<std::uint16_t, std::vector<const Resource*>> byType;
    for (const auto& r : resources) {
        if (!byType.count(r.type))
            types.push_back(r.type);
        byType[r.type].push_back(&r);
    }
    Bytes table;
    put16(table, static_cast<std::uint32_t>(shift));
    std::vector<std::pair<std::size_t, const Resource*>> places;
    for (auto type : types) {
        put16(table, 0x8000u | type);
        put16(table, static_cast<std::uint32_t>(byType[type].size()));
        put32(table, 0);
        for (auto* r : byType[type]) {
            places.push_back({table.size(), r});
            table.resize(table.size() + 12, 0);
            table[table.size() - 6] = static_cast<std::uint8_t>(r->id);
            table[table.size() - 5] = static_cast<std::uint8_t>(0x80 | (r->id >> 8));
        }
    }
    put16(table, 0);
    Bytes b(kNe, 0);
    b[0] = 'M';
    b[1] = 'Z';
    set32(b, 0x3C, kNe);
    Bytes header(0x40, 0);
    header[0] = 'N';
    header[1] = 'E';
    header[0x24] = 0x40;
    const std::size_t resident = 0x40 + table.size();
    header[0x26] = static_cast<std::uint8_t>(resident);
    header[0x27] = static_cast<std::uint8_t>(resident >> 8);
    b.insert(b.end(), header.begin(), header.end());
    const std::size_t tableAt = b.size();
    b.insert(b.end(), table.begin(), table.end());
    b.push_back(0); // empty resident-name table
    const std::size_t unit = std::size_t{1} << shift;
    for (auto& [at, r] : places) {
        while (b.size() % unit)
            b.push_back(0);
        const std::size_t offset = b.size() >> shift;
        const std::size_t length = (r->data.size() + unit - 1) >> shift;
        b[tableAt + at] = static_cast<std::uint8_t>(offset);
        b[tableAt + at + 1] = static_cast<std::uint8_t>(offset >> 8);
        b[tableAt + at + 2] = static_cast<std::uint8_t>(length);
        b[tableAt + at + 3] = static_cast<std::uint8_t>(length >> 8);
        b.insert(b.end(), r->data.begin(), r->data.end());
    }
    return b;
}

} // namespace velkan::test::icons
