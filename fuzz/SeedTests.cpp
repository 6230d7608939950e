// The fuzz targets' seed corpus, run as plain tests with any compiler: the
// committed seeds, and every cut and a sweep of byte changes of each.
// "--write-corpus DIR" writes the seeds (built from the format descriptions).
#include "fuzz/Harnesses.h"
#include "tests/platform/IconFiles.h"

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
    return out;
}

const std::map<std::string, Harness> kHarnesses = {{"ico", velkan::fuzz::fuzzIco},
                                                   {"pe", velkan::fuzz::fuzzPe},
                                                   {"ne", velkan::fuzz::fuzzNe},
                                                   {"dib", velkan::fuzz::fuzzDib}};

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

void runVariants(Harness harness, const Bytes& seed) {
    harness(seed.data(), seed.size());
    for (std::size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / 97) {
        Bytes part(seed.begin(), seed.begin() + cut);
        harness(part.data(), part.size());
    }
    for (std::size_t at = 0; at < seed.size(); at += 1 + seed.size() / 211)
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
        runVariants(kHarnesses.at(GetParam()), seed);
}

INSTANTIATE_TEST_SUITE_P(Readers, FuzzSeeds, testing::Values("ico", "pe", "ne", "dib"));

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
