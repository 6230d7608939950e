// A machine whose drive C: is a damaged disk image: every program run on it
// ends on its own, names the image and what is wrong with it when it cannot
// go on, and leaves every byte of the image as it found it.
#include "tests/hostile/HostileMachine.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velkan;
namespace fs = std::filesystem;

namespace {

// The image file's own bytes: the test helpers' readFile and writeFile would
// take drive_c for the drive it holds.
std::string rawBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeRaw(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::uint32_t get(const std::string& bytes, std::uint64_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(bytes.at(at + static_cast<std::uint64_t>(i)));
    return v;
}

void put(std::string& bytes, std::uint64_t at, int width, std::uint32_t v) {
    for (int i = 0; i < width; ++i)
        bytes.at(at + static_cast<std::uint64_t>(i)) = static_cast<char>(v >> (8 * i));
}

// The FAT16 volume of the raw disk the machine tool makes, read as a
// damaging hand would: straight from the bytes, trusting nothing but the
// fresh image's own boot sector.
struct Disk {
    std::string bytes;
    std::uint64_t volume = 0; // byte offsets from the start of the file
    std::uint64_t fatStart = 0, fatBytes = 0, rootStart = 0, dataStart = 0, volumeEnd = 0;
    std::uint32_t fats = 0, rootEntries = 0, clusterBytes = 0, clusters = 0;

    explicit Disk(std::string image) : bytes(std::move(image)) {
        if (get(bytes, 510, 2) != 0xAA55 || get(bytes, 446 + 8, 4) != 63)
            throw std::runtime_error("the machine's disk has no partition at sector 63");
        volume = 63 * 512ull;
        const std::uint32_t bps = get(bytes, volume + 11, 2);
        const std::uint32_t spc = get(bytes, volume + 13, 1);
        const std::uint32_t reserved = get(bytes, volume + 14, 2);
        fats = get(bytes, volume + 16, 1);
        rootEntries = get(bytes, volume + 17, 2);
        const std::uint64_t total =
            get(bytes, volume + 19, 2) ? get(bytes, volume + 19, 2) : get(bytes, volume + 32, 4);
        const std::uint32_t fatSectors = get(bytes, volume + 22, 2);
        if (bps != 512 || spc == 0 || fatSectors == 0)
            throw std::runtime_error("the machine's volume is no FAT16 one");
        fatStart = volume + reserved * 512ull;
        fatBytes = fatSectors * 512ull;
        rootStart = fatStart + fats * fatBytes;
        dataStart = rootStart + rootEntries * 32ull;
        volumeEnd = volume + total * 512;
        clusterBytes = spc * 512;
        clusters = static_cast<std::uint32_t>((volumeEnd - dataStart) / clusterBytes);
    }

    std::uint32_t fat(std::uint32_t cluster) const {
        return get(bytes, fatStart + 2ull * cluster, 2);
    }
    // Both copies, as a damaged disk has them after ScanDisk's own copy.
    void setFat(std::uint32_t cluster, std::uint32_t value) {
        for (std::uint32_t copy = 0; copy < fats; ++copy)
            put(bytes, fatStart + copy * fatBytes + 2ull * cluster, 2, value);
    }
    std::vector<std::uint32_t> chain(std::uint32_t first) const {
        std::vector<std::uint32_t> out;
        for (std::uint32_t c = first; c >= 2 && c < 0xFFF8 && out.size() <= clusters; c = fat(c))
            out.push_back(c);
        return out;
    }
    std::uint64_t clusterAt(std::uint32_t cluster) const {
        return dataStart + static_cast<std::uint64_t>(cluster - 2) * clusterBytes;
    }

    // The byte offset of the 8.3 entry `name11` ("EXPLOREREXE") in the root
    // folder, or in the folder whose entry is at `folderEntry`.
    std::uint64_t entry(const std::string& name11, std::uint64_t folderEntry = 0) const {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> runs; // offset, length
        if (folderEntry == 0)
            runs.push_back({rootStart, rootEntries * 32ull});
        else
            for (std::uint32_t c : chain(firstCluster(folderEntry)))
                runs.push_back({clusterAt(c), clusterBytes});
        for (auto [at, length] : runs)
            for (std::uint64_t e = at; e < at + length; e += 32)
                if (bytes.compare(e, 11, name11) == 0)
                    return e;
        throw std::runtime_error("no " + name11 + " on the machine's disk");
    }
    std::uint32_t firstCluster(std::uint64_t entry) const { return get(bytes, entry + 26, 2); }
};

struct Damage {
    const char* name;
    std::function<void(Disk&)> apply;
    const char* why; // what the message has to say, in these words
    // Hurts only a file some programs never read: those may do their work.
    bool local = false;
};

std::uint64_t windowsFolder(const Disk& d) {
    return d.entry("WINDOWS    ");
}
std::uint64_t explorerEntry(const Disk& d) {
    return d.entry("EXPLOREREXE", windowsFolder(d));
}
std::vector<std::uint32_t> explorerChain(const Disk& d) {
    auto clusters = d.chain(d.firstCluster(explorerEntry(d)));
    if (clusters.size() < 3)
        throw std::runtime_error("Explorer.exe is too small to damage its chain");
    return clusters;
}
void setPartition(Disk& d, int index, std::uint8_t type, std::uint32_t start, std::uint32_t count) {
    const std::uint64_t at = 446 + 16ull * static_cast<std::uint64_t>(index);
    d.bytes.at(at + 4) = static_cast<char>(type);
    put(d.bytes, at + 8, 4, start);
    put(d.bytes, at + 12, 4, count);
}

const std::vector<Damage>& damages() {
    static const std::vector<Damage> all = {
        {"CutInTheDataArea",
         [](Disk& d) { d.bytes.resize(d.dataStart + (d.volumeEnd - d.dataStart) / 2); },
         "cut short"},
        {"CutInTheFat", [](Disk& d) { d.bytes.resize(d.fatStart + d.fatBytes / 2); }, "cut short"},
        {"ExplorerChainLoops",
         [](Disk& d) {
             const auto clusters = explorerChain(d);
             d.setFat(clusters.back(), clusters[1]);
         },
         "loop", true},
        {"ExplorerChainRunsPastTheLastCluster",
         [](Disk& d) { d.setFat(explorerChain(d)[1], d.clusters + 2); }, "outside the volume",
         true},
        {"ExplorerEntryOutsideTheVolume",
         [](Disk& d) { put(d.bytes, explorerEntry(d) + 26, 2, d.clusters + 100); },
         "outside the volume", true},
        {"WindowsFolderAtClusterOne", [](Disk& d) { put(d.bytes, windowsFolder(d) + 26, 2, 1); },
         "outside the volume"},
        {"WindowsFolderAtClusterFFFF",
         [](Disk& d) { put(d.bytes, windowsFolder(d) + 26, 2, 0xFFFF); }, "outside the volume"},
        {"PartitionRunsPastTheEndOfTheFile",
         [](Disk& d) {
             setPartition(d, 0, 0x06, 63,
                          static_cast<std::uint32_t>(d.bytes.size() / 512) - 63 + 2048);
         },
         "past the end"},
        {"PartitionsOverlap",
         [](Disk& d) {
             setPartition(d, 1, 0x83, 63 + 1000,
                          static_cast<std::uint32_t>(d.bytes.size() / 512) - 63 - 1000);
         },
         "overlaps"},
        {"PartitionOfNoSize", [](Disk& d) { setPartition(d, 0, 0x06, 63, 0); }, "no size"},
        {"NoSectorsPerCluster", [](Disk& d) { d.bytes.at(d.volume + 13) = 0; },
         "sectors per cluster"},
    };
    return all;
}

// One program as the user starts it on the machine.
struct Program {
    const char* name;
    std::function<test::ProcessResult(const fs::path& root)> run;
    bool readsExplorer = false; // meets a damaged Explorer.exe on its way
    bool writes = false;        // changes the machine when it does its work
    // Shows its errors in message boxes that wait for a click once its window
    // is up: only a machine it cannot start on at all is told on stderr.
    bool window = false;
};

test::ProcessResult limited(const std::string& program, const std::vector<std::string>& args,
                            const std::map<std::string, std::string>& env,
                            const std::string& input = {}) {
    std::vector<std::string> all = {"-k", "5", std::to_string(test::kPatienceSeconds), program};
    all.insert(all.end(), args.begin(), args.end());
    return test::runProcess("timeout", all, env, input);
}

std::map<std::string, std::string> headlessOn(const fs::path& root) {
    return {{"VELKAN_MACHINE", root.string()},
            {"QT_QPA_PLATFORM", ""},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
            {"VELKAN_VELKRUN", test::velkrun()}};
}

const std::vector<Program>& programs() {
    static const std::vector<Program> all = {
        {"show",
         [](const fs::path& root) {
             return limited(test::machineTool(), {"show", root.string()}, headlessOn(root));
         },
         true},
        {"check",
         [](const fs::path& root) {
             return limited(test::machineTool(), {"check", root.string()}, headlessOn(root));
         },
         true},
        {"boot",
         [](const fs::path& root) {
             return limited(test::machineTool(), {"boot", root.string()}, headlessOn(root));
         },
         false, true},
        {"reg query",
         [](const fs::path& root) {
             return limited(test::machineTool(), {"reg", "query", "HKCU\\Software\\Velkan"},
                            headlessOn(root));
         }},
        {"install",
         [](const fs::path& root) {
             return limited(test::machineTool(), {"install", root.string()}, headlessOn(root));
         },
         false, true},
        {"velkrun /t",
         [](const fs::path& root) { return limited(test::velkrun(), {"/t"}, headlessOn(root)); },
         true, true},
        {"velkrun /t on a display",
         [](const fs::path& root) {
             auto env = headlessOn(root);
             env["QT_QPA_PLATFORM"] = "offscreen";
             return limited(test::velkrun(), {"/t"}, env);
         },
         true, true, true},
        {"velkan-remove",
         [](const fs::path& root) {
             return limited(test::tool("velkan-remove"), {}, headlessOn(root), "y\n");
         },
         false, true},
    };
    return all;
}

// The installed machine every case damages a copy of.
const fs::path& installedMachine() {
    static test::TempDir dir;
    static const fs::path root = [] {
        const fs::path made = dir / "machine";
        const auto create = test::runProcess(test::machineTool(),
                                             {"create", "--image", "--size", "16", made.string()});
        if (create.exitCode != 0)
            throw std::runtime_error("cannot make the machine: " + create.err);
        const auto install = test::runProcess(test::machineTool(), {"install", made.string()});
        if (install.exitCode != 0)
            throw std::runtime_error("cannot install Velkan: " + install.err);
        return made;
    }();
    return root;
}

bool failed(const Program& program, const test::ProcessResult& run) {
    // The uninstaller tells its outcome to the user, never in its exit code;
    // so does an autoload that met a file error on its terminal.
    if (std::string(program.name) == "velkan-remove")
        return run.out.find("hasn`t been uninstalled") != std::string::npos;
    return run.exitCode != 0 || run.out.find("---- Error... ----") != std::string::npos;
}

void PrintTo(const Damage& damage, std::ostream* os) {
    *os << damage.name;
}

class DamagedImage : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedImage, EveryProgramEndsSaysWhatIsWrongAndLeavesTheImageAlone) {
    const Damage& damage = GetParam();
    test::TempDir dir;
    Disk disk(rawBytes(installedMachine() / "drive_c"));
    damage.apply(disk);

    int n = 0;
    for (const Program& program : programs()) {
        if (program.window && damage.local)
            continue;
        SCOPED_TRACE(program.name);
        const fs::path root = dir / ("machine" + std::to_string(++n));
        fs::copy(installedMachine(), root, fs::copy_options::recursive);
        writeRaw(root / "drive_c", disk.bytes);
        const std::string image = fs::canonical(root / "drive_c").string();

        const auto run = program.run(root);
        ASSERT_FALSE(test::hung(run)) << run.out << run.err;
        // Anything from 124 up is timeout's word for a signal or a hang.
        EXPECT_LT(run.exitCode, 124) << run.err;
        EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("runtime error:"), std::string::npos) << run.err;

        const bool mayWork = damage.local && !program.readsExplorer;
        if (!failed(program, run)) {
            EXPECT_TRUE(mayWork) << "went on as if nothing was wrong:\n" << run.out << run.err;
            if (!program.writes) {
                EXPECT_TRUE(rawBytes(root / "drive_c") == disk.bytes) << "the image was written";
            }
            continue;
        }
        const std::string said = run.err + run.out;
        EXPECT_TRUE(test::mentions(said, image)) << said;
        EXPECT_TRUE(test::mentions(said, damage.why)) << said;
        EXPECT_TRUE(rawBytes(root / "drive_c") == disk.bytes) << "the image was written";
    }
}

INSTANTIATE_TEST_SUITE_P(Hostile, DamagedImage, ::testing::ValuesIn(damages()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
