// The fuzz targets' seed corpus, run as plain tests with any compiler: the
// committed seeds, and every cut and a sweep of byte changes of each.
// "--write-corpus DIR" writes the seeds (built from the format descriptions).
#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/CregFile.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "tests/platform/IconFiles.h"
#include "themes/LogoBitmap.h"
#include "themes/PackIndex.h"
#include "tools/FreshRegistry.h"
#include "tools/MsdosSys.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace velkan::test::icons;

namespace {

using Harness = void (*)(const std::uint8_t*, std::size_t);

std::vector<Image> images() {
    std::vector<Image> out;
    const std::vector<std::uint32_t> palette = {0xFF000000u, 0xFFFFFFFFu, 0xFF808080u};
    for (int bpp : {1, 4, 8, 16, 24, 32})
        out.push_back({16, 16, bpp,
                       dibImage(
                           16, 16, bpp,
                           [](int x, int y) { return testColour(1, x, y) & (x ? ~0u : 0xFFFFFFu); },
                           palette)});
    out.push_back({16, 16, 32, pngImage(16, 16, [](int x, int y) { return testColour(2, x, y); })});
    return out;
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string readBack(const std::filesystem::path& file) {
    std::string text;
    if (!velkan::fuzz::slurp(file, text))
        ADD_FAILURE() << "no " << file;
    return text;
}

velkan::themes::Bitmap4 logo(int height, int seed) {
    velkan::themes::Bitmap4 bitmap;
    bitmap.width = 21;
    bitmap.height = height;
    for (int i = 0; i < 16; ++i)
        bitmap.palette[i] = static_cast<std::uint32_t>(i * 0x111111 * seed) & 0xFFFFFF;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 21; ++x)
            bitmap.pixels.push_back(static_cast<std::uint8_t>((x / 3 + y / 8 + seed) % 16));
    return bitmap;
}

// A 21-row logo in BI_RLE4: runs, an absolute run, a delta and the end mark.
Bytes rleLogo() {
    auto bytes = bytesOf(velkan::themes::encodeBitmap4(logo(21, 2)).substr(0, 118));
    set32(bytes, 30, 2);
    for (int row = 0; row < 20; ++row) {
        for (std::uint8_t b : {10, 0x12, 11, 0x34, 0, 0})
            bytes.push_back(b);
    }
    for (std::uint8_t b : {0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 3, 0, 4, 0x77, 0, 1})
        bytes.push_back(b);
    set32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

std::vector<Bytes> packIndexSeeds() {
    using namespace velkan;
    const platform::Machine machine = fuzz::freshMachine("seeds");
    themes::PackIndexValues full;
    full.name = "Sun Theme Pack";
    full.author = "Velkan";
    full.description = "Warm colours for the Start menu";
    full.startText = "Sun";
    full.tooltip = "Click here to begin";
    const char* captions[] = {"&Programs", "F&avorites",   "&Documents", "&Settings",
                              "&Find",     "&Help",        "&Run...",    "&Log Off...",
                              "Sus&pend",  "Sh&ut Down..."};
    for (int i = 0; i < 10; ++i)
        full.captions[i] = captions[i];
    full.logoHeight = 130;
    themes::PackIndexValues about;
    about.name = "Sample Theme Pack";
    about.author = "";
    about.description = "Only the About section";
    (void)themes::writePackIndex(machine, "C:\\full.vkr", full);
    (void)themes::writePackIndex(machine, "C:\\about.vkr", about);
    return {bytesOf(readBack(machine.driveC() / "full.vkr")),
            bytesOf(readBack(machine.driveC() / "about.vkr")),
            bytesOf("; saved by hand\n[about]\nName = \"Quoted Pack\"\n[StartMenu]\n"
                    "Programs=MyErr\nRun=\nLogoHeight=0x39\n[StartButton]\ntooltip='Go'\n"
                    "[startmenu]\nHelp=second section\n")};
}

std::vector<Bytes> winInitSeeds() {
    using namespace velkan;
    const platform::Machine machine = fuzz::freshMachine("seeds");
    const auto file = machine.driveC() / "WININIT.INI";
    (void)platform::writeProfileString(file, "Rename", "C:\\WINDOWS\\Explorer.exe",
                                       "C:\\WINDOWS\\Explorer.new");
    (void)platform::writeProfileString(file, "Rename", "C:\\WINDOWS\\SYSTEM\\User.exe",
                                       "C:\\WINDOWS\\SYSTEM\\User.new");
    const std::string ok = readBack(file);
    (void)platform::writeProfileString(file, "Rename", "C:\\WINDOWS\\Explorer.exe",
                                       "C:\\WINDOWS\\Explorer.sav");
    return {bytesOf(ok), bytesOf(readBack(file)),
            bytesOf("[Settings]\r\nDummy=1\r\n\r\n[rename]\r\n"
                    "NUL=C:\\WINDOWS\\Setup.old\r\nNUL=C:\\Autoexec.bat\r\n"
                    "c:\\windows\\explorer.exe = c:\\windows\\explorer.new \r\n"
                    "; done\r\nC:\\WINDOWS\\Explorer.new=C:\\WINDOWS\\Explorer.sav\r")};
}

std::vector<Bytes> registrySeeds() {
    using namespace velkan;
    const platform::Machine machine = fuzz::freshMachine("seeds");
    // The seeds are REGEDIT4 texts: the form of registry.reg and of exports.
    const platform::Registry registry(machine.root() / "registry.reg");
    (void)machine::writeFreshRegistry(registry);
    const std::string fresh = readBack(machine.root() / "registry.reg");
    if (auto key = registry.createKey(platform::RootKey::CurrentUser, "Software\\Velkan")) {
        (void)key->setString("Location", "C:\\Program Files\\Velkan\\");
        (void)key->setDword("Last Theme", 3);
        (void)key->setBinary("Options", std::string("\x01\x00\xff", 3));
        (void)key->setString("", "50%", platform::REG_EXPAND_SZ);
        (void)key->set("Odd", 7, std::string("\x00\x01", 2));
    }
    return {bytesOf(fresh), bytesOf(readBack(machine.root() / "registry.reg"))};
}

// Registry files: every value type, names in two code pages, a deep key, and
// enough keys for a second data block; and a file with no keys.
std::vector<Bytes> cregSeeds() {
    using namespace velkan::platform;
    detail::RegNode root;
    detail::RegNode& velkan = root.subkey("Software").subkey("Velkan");
    velkan.setValue("", RegValue{REG_SZ, "Velkan"});
    velkan.setValue("Last Theme", RegValue::dword(3));
    velkan.setValue("Options", RegValue::binary(std::string("\x01\x00\xff", 3)));
    velkan.setValue("Path", RegValue{REG_EXPAND_SZ, std::string("%windir%\0", 9)});
    velkan.setValue("Odd", RegValue{0x12345, ""});
    root.subkey("Caf\xe9").subkey("\xcf\xf3\xf1\xea").setValue("\xc8", RegValue::dword(1));
    detail::RegNode* chain = &root.subkey("Deep");
    for (int depth = 0; depth < 12; ++depth)
        chain = &chain->subkey("L");
    detail::RegNode many;
    for (int i = 0; i < 300; ++i)
        many.subkey("K" + std::to_string(i)).setValue("", RegValue::dword(i));
    return {bytesOf(detail::formatCregFile(root)), bytesOf(detail::formatCregFile(many)),
            bytesOf(detail::formatCregFile(detail::RegNode{}))};
}

std::map<std::string, std::vector<Bytes>> seeds() {
    const auto all = images();
    std::vector<Resource> resources;
    for (std::size_t i = 0; i < all.size(); ++i) {
        resources.push_back({3, static_cast<std::uint32_t>(i + 1), {}, all[i].data});
        resources.push_back({14,
                             static_cast<std::uint32_t>(i + 1),
                             {},
                             groupResource({all[i]}, static_cast<std::uint16_t>(i + 1))});
    }
    std::map<std::string, std::vector<Bytes>> out;
    out["ico"] = {icoFile(all), icoFile({all[1]})};
    out["pe"] = {peModule(resources), peModule(resources, true)};
    out["ne"] = {neModule(std::vector<Resource>(resources.begin(), resources.begin() + 6))};
    for (const auto& image : all)
        out["dib"].push_back(image.data);
    const auto colour = [](int x, int y) { return testColour(3, x, y) & (y ? ~0u : 0xFFFFFFu); };
    out["png"] = {pngImage(16, 16, colour), pngImage(48, 48, colour)};
    out["bmp"] = {bytesOf(velkan::themes::encodeBitmap4(logo(130, 1))),
                  bytesOf(velkan::themes::encodeBitmap4(logo(57, 3))), rleLogo()};
    out["packindex"] = packIndexSeeds();
    out["wininit"] = winInitSeeds();
    out["profile"] = {out["wininit"][0], out["packindex"][2],
                      bytesOf(velkan::machine::msdosSysText())};
    out["msdossys"] = {bytesOf(velkan::machine::msdosSysText()),
                       bytesOf("[Paths]\r\nWinDir=c:\\windows\\.\r\nWinBootDir=C:\\WINDOWS\r\n"
                               "[Options]\r\nBootGUI=1\r\n")};
    out["registry"] = registrySeeds();
    out["creg"] = cregSeeds();
    return out;
}

const std::map<std::string, Harness> kHarnesses = {{"ico", velkan::fuzz::fuzzIco},
                                                   {"pe", velkan::fuzz::fuzzPe},
                                                   {"ne", velkan::fuzz::fuzzNe},
                                                   {"dib", velkan::fuzz::fuzzDib},
                                                   {"png", velkan::fuzz::fuzzPng},
                                                   {"bmp", velkan::fuzz::fuzzBmp},
                                                   {"packindex", velkan::fuzz::fuzzPackIndex},
                                                   {"profile", velkan::fuzz::fuzzProfile},
                                                   {"wininit", velkan::fuzz::fuzzWinInit},
                                                   {"msdossys", velkan::fuzz::fuzzMsdosSys},
                                                   {"registry", velkan::fuzz::fuzzRegistry},
                                                   {"creg", velkan::fuzz::fuzzCreg},
                                                   {"fat", velkan::fuzz::fuzzFatImage}};

std::vector<Bytes> corpus(const std::string& name) {
    std::vector<Bytes> out = seeds()[name];
    const auto folder = std::filesystem::path(VELKAN_FUZZ_CORPUS) / name;
    if (std::filesystem::is_directory(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    return out;
}

// The harnesses that work through files on a machine take longer per input;
// they get a coarser sweep.
bool onMachine(const std::string& name) {
    return name == "bmp" || name == "packindex" || name == "profile" || name == "wininit" ||
           name == "msdossys";
}

void runVariants(Harness harness, const Bytes& seed, bool coarse) {
    const std::size_t cuts = coarse ? 29 : 97, changes = coarse ? 53 : 211;
    harness(seed.data(), seed.size());
    for (std::size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / cuts) {
        Bytes part(seed.begin(), seed.begin() + cut);
        harness(part.data(), part.size());
    }
    for (std::size_t at = 0; at < seed.size(); at += 1 + seed.size() / changes)
        for (std::uint8_t value : {0x00, 0x7F, 0xFF}) {
            Bytes changed = seed;
            changed[at] = value;
            harness(changed.data(), changed.size());
        }
}

class FuzzSeeds : public testing::TestWithParam<std::string> {};

TEST_P(FuzzSeeds, EveryCutAndChangedByteOfTheSeedsIsReadSafely) {
    const auto seedsOf = corpus(GetParam());
    ASSERT_FALSE(seedsOf.empty());
    for (const auto& seed : seedsOf)
        runVariants(kHarnesses.at(GetParam()), seed, onMachine(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Readers, FuzzSeeds,
                         testing::Values("ico", "pe", "ne", "dib", "png", "bmp", "packindex",
                                         "profile", "wininit", "msdossys", "registry", "creg",
                                         "fat"));

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-corpus") {
        for (const auto& [name, list] : seeds()) {
            const auto folder = std::filesystem::path(argv[2]) / name;
            std::filesystem::create_directories(folder);
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::ofstream out(folder / ("seed" + std::to_string(i)), std::ios::binary);
                out.write(reinterpret_cast<const char*>(list[i].data()),
                          static_cast<std::streamsize>(list[i].size()));
            }
        }
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
