// velkan-machine icons FILE [--out DIR] [--ico]: what ExtractIcon finds in a
// file, so that extraction can be compared with other tools from outside.
#include "platform/IconFileWriter.h"
#include "platform/IconLibrary.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"
#include "tools/Commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <png.h>

namespace velkan::machine {

namespace {

const char* kindName(platform::IconLibrary::Kind kind) {
    switch (kind) {
    case platform::IconLibrary::Kind::IcoFile:
        return "icon file";
    case platform::IconLibrary::Kind::Pe:
        return "PE module";
    case platform::IconLibrary::Kind::Ne:
        return "NE module";
    case platform::IconLibrary::Kind::None:
        break;
    }
    return "no icons";
}

bool writeRgbaPng(const std::filesystem::path& file, const platform::Icon& icon) {
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(icon.width) * 4);
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)))
        ok = false;
    else if (ok) {
        png_init_io(png, out);
        png_set_IHDR(png, info, icon.width, icon.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < icon.height; ++y) {
            for (int x = 0; x < icon.width; ++x) {
                const std::uint32_t p = icon.rgba(x, y);
                row[x * 4] = (p >> 16) & 0xFF;
                row[x * 4 + 1] = (p >> 8) & 0xFF;
                row[x * 4 + 2] = p & 0xFF;
                row[x * 4 + 3] = p >> 24;
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && ok;
}

} // namespace

int runIcons(const std::vector<std::string>& args) {
    std::string file, outDir;
    bool ico = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size())
            outDir = args[++i];
        else if (args[i] == "--ico")
            ico = true;
        else if (file.empty() && !args[i].starts_with("--"))
            file = args[i];
        else {
            std::fprintf(stderr, "velkan-machine icons: unexpected argument '%s'\n",
                         args[i].c_str());
            return 2;
        }
    }
    if (file.empty() || (ico && outDir.empty())) {
        std::fprintf(stderr, "usage: velkan-machine icons FILE [--out DIR] [--ico]\n");
        return 2;
    }
    if (!outDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(outDir, ec);
    }
    // A Windows path names a file of the machine, on a folder or inside a
    // disk image alike.
    std::filesystem::path source = file;
    if (file.size() >= 3 && file[1] == ':' && (file[2] == '\\' || file[2] == '/')) {
        auto host = platform::resolveWinPath(platform::Machine::fromEnvironment(), file);
        if (!host) {
            std::fprintf(stderr, "velkan-machine icons: %s\n", host.error().message.c_str());
            return 1;
        }
        source = *host;
    }
    const auto library = platform::IconLibrary::open(source);
    std::printf("%s: %d icons (%s)\n", file.c_str(), library.count(), kindName(library.kind()));
    int failures = 0;
    for (int i = 0; i < library.count(); ++i) {
        auto choice = library.choose(i);
        if (!choice) {
            std::printf("%d: no icon\n", i);
            continue;
        }
        std::printf("%d: %dx%d, %d bpp%s\n", i, choice->image.width, choice->image.height,
                    choice->image.bitCount, choice->png ? ", PNG" : "");
        if (outDir.empty())
            continue;
        const auto icon =
            platform::scaleIcon(choice->image, platform::kLargeIconSize, platform::kLargeIconSize);
        const auto base = std::filesystem::path(outDir) / std::to_string(i);
        if (!writeRgbaPng(base.string() + ".png", icon))
            ++failures;
        if (ico) {
            const auto bytes = platform::writeIconFile16(icon);
            std::ofstream out(base.string() + ".ico", std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out)
                ++failures;
        }
    }
    if (failures) {
        std::fprintf(stderr, "velkan-machine icons: %d files could not be written in %s\n",
                     failures, outDir.c_str());
        return 1;
    }
    return 0;
}

} // namespace velkan::machine
