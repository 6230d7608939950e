#include "platform/FatVolume.h"

#include "platform/DiskImage.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

// Images come from dosfstools and mtools, the tools that know FAT best on a
// Linux host: what they write we must read, what we write they must read, and
// fsck.fat must find nothing to repair after any write of ours.
namespace velkan::platform {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runProcess;
using test::TempDir;
using test::writeFile;

int fsckRuns = 0;

test::ProcessResult sh(const std::string& command) {
    return runProcess("sh", {"-c", command}, {{"MTOOLS_SKIP_CHECK", "1"}, {"LC_ALL", "C.UTF-8"}});
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::string someBytes(std::size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>(x >> 16);
    }
    return bytes;
}

// A FAT volume made by mkfs.fat, alone in its file or inside a partitioned
// disk, with what mtools and fsck.fat need to reach it.
struct Image {
    fs::path file;
    std::uint64_t offset = 0;
    std::uint64_t size = 0; // of the volume

    std::string mtools() const {
        return "-i " + quoted(file) + (offset ? "@@" + std::to_string(offset) : "");
    }

    // fsck.fat reads whole devices only, so a partition is checked from a copy.
    ::testing::AssertionResult fsckClean() const {
        ++fsckRuns;
        std::string target = quoted(file);
        if (offset) {
            const fs::path part = file.string() + ".part";
            auto cut = sh("dd if=" + quoted(file) + " of=" + quoted(part) +
                          " bs=512 skip=" + std::to_string(offset / 512) +
                          " count=" + std::to_string(size / 512) + " status=none");
            if (cut.exitCode != 0)
                return ::testing::AssertionFailure() << "dd: " << cut.err;
            target = quoted(part);
        }
        auto r = sh("fsck.fat -n " + target);
        if (r.exitCode != 0)
            return ::testing::AssertionFailure() << "fsck.fat: " << r.out << r.err;
        std::size_t lines = 0;
        for (char c : r.out)
            lines += c == '\n';
        if (lines != 2) // the version line and the summary, nothing to repair
            return ::testing::AssertionFailure() << "fsck.fat: " << r.out;
        return ::testing::AssertionSuccess();
    }

    std::string mtype(const std::string& name) const {
        auto r = sh("mtype " + mtools() + " '::/" + name + "'");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    void mcopy(const fs::path& from, const std::string& name) const {
        auto r = sh("mcopy -o -m " + mtools() + " " + quoted(from) + " '::/" + name + "'");
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    std::string mdir(const std::string& folder) const {
        auto r = sh("mdir -a " + mtools() + " '::/" + folder + "'");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
};

Image makeVolume(const fs::path& file, int bits, int kilobytes, const std::string& extra = "") {
    Image image{file, 0, static_cast<std::uint64_t>(kilobytes) * 1024};
    auto r = sh("mkfs.fat -F " + std::to_string(bits) + " " + extra + " -C " + quoted(file) + " " +
                std::to_string(kilobytes));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return image;
}

// A 40 MB disk whose first partition (from sector 2048) holds a FAT16 volume.
Image makeDisk(const fs::path& file) {
    const std::uint64_t start = 2048, sectors = 60000;
    auto r = sh("truncate -s 40M " + quoted(file) +
                " && echo 'start=2048, size=60000, type=6' | "
                "sfdisk -q " +
                quoted(file) + " && mkfs.fat -F 16 --offset 2048 " + quoted(file) + " 30000");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    return {file, start * 512, sectors * 512};
}

std::vector<std::string> namesOf(const Result<std::vector<FatEntry>>& entries) {
    std::vector<std::string> out;
    if (entries)
        for (const auto& e : *entries)
            out.push_back(e.name);
    return out;
}

FatVolume openVolume(const Image& image, bool writable = true) {
    auto volume = FatVolume::open(image.file, writable);
    if (!volume)
        ADD_FAILURE() << volume.error().message;
    return std::move(*volume);
}

class FatTypes : public ::testing::TestWithParam<int> {
protected:
    TempDir dir;
    Image image;

    void SetUp() override {
        // FAT32 needs 65525 clusters: 36 MB of 512-byte clusters, sparse on the host.
        const int bits = GetParam();
        image = bits == 12   ? makeVolume(dir / "c.img", 12, 1440)
                : bits == 16 ? makeVolume(dir / "c.img", 16, 16384)
                             : makeVolume(dir / "c.img", 32, 36000, "-s 1");
    }
};

TEST_P(FatTypes, FilesFromMtoolsReadWithTheirLongNamesAttributesAndDates) {
    const std::string big = someBytes(70000, 1);
    writeFile(dir / "big", big);
    writeFile(dir / "small", "hello\r\n");
    image.mcopy(dir / "small", "README.TXT");
    image.mcopy(dir / "big", "Program Setup Log.txt");
    ASSERT_EQ(sh("mmd " + image.mtools() + " ::/WINDOWS ::/WINDOWS/System").exitCode, 0);
    image.mcopy(dir / "small", "WINDOWS/System/Überblick.ini");
    ASSERT_EQ(sh("mattrib " + image.mtools() + " +r +h +s ::/README.TXT").exitCode, 0);
    ASSERT_EQ(sh("touch -d '1999-12-31 23:58:10' " + quoted(dir / "small") + " && mcopy -m " +
                 image.mtools() + " " + quoted(dir / "small") + " ::/DATED.TXT")
                  .exitCode,
              0);

    FatVolume volume = openVolume(image, false);
    EXPECT_EQ(volume.type(), GetParam() == 12   ? FatType::Fat12
                             : GetParam() == 16 ? FatType::Fat16
                                                : FatType::Fat32);
    auto root = volume.list("");
    ASSERT_TRUE(root) << root.error().message;
    EXPECT_EQ(namesOf(root), (std::vector<std::string>{"README.TXT", "Program Setup Log.txt",
                                                       "WINDOWS", "DATED.TXT"}));
    EXPECT_EQ((*root)[1].shortName, "PROGRA~1.TXT");
    EXPECT_EQ((*root)[0].attributes & 0x07, fatattr::ReadOnly | fatattr::Hidden | fatattr::System);
    EXPECT_TRUE((*root)[2].directory());
    // 1999-12-31 23:58:10 in FAT's two-second steps.
    EXPECT_EQ((*root)[3].modified, (DosStamp{static_cast<std::uint16_t>(19 << 9 | 12 << 5 | 31),
                                             static_cast<std::uint16_t>(23 << 11 | 58 << 5 | 5)}));

    EXPECT_EQ(volume.readFile("\\readme.txt").valueOr("?"), "hello\r\n");
    EXPECT_EQ(volume.readFile("program setup LOG.TXT").valueOr("?"), big);
    EXPECT_EQ(volume.readFile("PROGRA~1.TXT").valueOr("?"), big); // the alias finds it too
    EXPECT_EQ(volume.readFile("windows/SYSTEM/Überblick.INI").valueOr("?"), "hello\r\n");
    EXPECT_EQ(namesOf(volume.list("WINDOWS")), (std::vector<std::string>{".", "..", "System"}));
    EXPECT_EQ(volume.readFile("NOPE.TXT").error().code, WinError::FileNotFound);
    EXPECT_EQ(volume.readFile("NOPE\\X.TXT").error().code, WinError::PathNotFound);
    EXPECT_EQ(volume.writeFile("NEW.TXT", "x").error().code, WinError::AccessDenied);
}

TEST_P(FatTypes, WritesReadBackByMtoolsWithNothingForFsckToRepair) {
    const std::string bootSector = readFile(image.file).substr(0, 512);
    FatVolume volume = openVolume(image);
    const DosStamp stamp{static_cast<std::uint16_t>(21 << 9 | 2 << 5 | 3),
                         static_cast<std::uint16_t>(10 << 11 | 4 << 5 | 6)};
    const std::string config = someBytes(3000, 2);
    ASSERT_TRUE(volume.writeFile("CONFIG.SYS", config, stamp));
    ASSERT_TRUE(image.fsckClean());
    ASSERT_TRUE(volume.createDirectory("Program Files", stamp));
    ASSERT_TRUE(volume.createDirectory("Program Files\\Velkan", stamp));
    EXPECT_EQ(volume.setAttributes("Program Files\\Velkan\\..", fatattr::Hidden).error().code,
              WinError::AccessDenied);
    ASSERT_TRUE(image.fsckClean());
    const std::string pack = someBytes(9000, 3);
    ASSERT_TRUE(volume.writeFile("Program Files/Velkan/Sun Theme.vkp", pack, stamp));
    ASSERT_TRUE(volume.writeFile("Program Files/Velkan/readme.txt", "lower case\r\n", stamp));
    ASSERT_TRUE(image.fsckClean());

    EXPECT_EQ(image.mtype("CONFIG.SYS"), config);
    EXPECT_EQ(image.mtype("Program Files/Velkan/Sun Theme.vkp"), pack);
    EXPECT_EQ(image.mtype("PROGRA~1/VELKAN/SUNTHE~1.VKP"), pack);
    const std::string listing = image.mdir("Program Files/Velkan");
    EXPECT_NE(listing.find("Sun Theme.vkp"), std::string::npos) << listing;
    // A name that fits 8.3 is stored as DOS would store it, with no long name.
    EXPECT_NE(listing.find("README   TXT        12 2001-02-03  10:04 \n"), std::string::npos)
        << listing;
    EXPECT_EQ(volume.entry("Program Files\\Velkan\\readme.txt")->name, "README.TXT");
    EXPECT_NE(listing.find("2001-02-03  10:04"), std::string::npos) << listing;
    auto entry = volume.entry("CONFIG.SYS");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "CONFIG.SYS");
    EXPECT_EQ(entry->modified, stamp);
    EXPECT_EQ(entry->created, stamp);
    EXPECT_EQ(entry->attributes, fatattr::Archive);

    // Attributes, a rename within a folder and one between folders, and one
    // that only changes case.
    ASSERT_TRUE(volume.setAttributes("CONFIG.SYS", fatattr::ReadOnly | fatattr::Hidden));
    EXPECT_EQ(volume.writeFile("CONFIG.SYS", "x").error().code, WinError::AccessDenied);
    EXPECT_EQ(volume.deleteFile("CONFIG.SYS").error().code, WinError::AccessDenied);
    const std::string attrs = sh("mattrib " + image.mtools() + " ::/CONFIG.SYS").out;
    EXPECT_EQ(attrs.substr(0, 8), "      HR") << attrs; // the archive bit cleared as asked
    ASSERT_TRUE(volume.rename("Program Files\\Velkan\\Sun Theme.vkp",
                              "Program Files\\Velkan\\Moon Theme.vkp"));
    ASSERT_TRUE(volume.rename("Program Files\\Velkan\\readme.txt", "README.TXT"));
    ASSERT_TRUE(volume.rename("Program Files\\Velkan", "Program Files\\VELKAN"));
    ASSERT_TRUE(volume.rename("Program Files\\VELKAN", "Velkan Old"));
    ASSERT_TRUE(image.fsckClean());
    EXPECT_EQ(volume.readFile("Velkan Old\\Moon Theme.vkp").valueOr("?"), pack);
    EXPECT_EQ(image.mtype("README.TXT"), "lower case\r\n");
    EXPECT_EQ(namesOf(volume.list("Velkan Old")),
              (std::vector<std::string>{".", "..", "Moon Theme.vkp"}));
    EXPECT_EQ(volume.entry("Velkan Old\\Moon Theme.vkp")->modified, stamp);
    EXPECT_EQ(volume.rename("README.TXT", "CONFIG.SYS").error().code, WinError::AlreadyExists);
    EXPECT_EQ(volume.rename("Program Files", "Program Files\\Inner").error().code,
              WinError::AccessDenied);

    // Emptying and removing.
    EXPECT_EQ(volume.removeDirectory("Velkan Old").error().code, WinError::DirNotEmpty);
    ASSERT_TRUE(volume.deleteFile("Velkan Old\\MOONTH~1.VKP"));
    ASSERT_TRUE(volume.removeDirectory("velkan old"));
    ASSERT_TRUE(volume.removeDirectory("Program Files"));
    ASSERT_TRUE(image.fsckClean());
    EXPECT_EQ(namesOf(volume.list("\\")), (std::vector<std::string>{"CONFIG.SYS", "README.TXT"}));
    const std::string root = image.mdir("");
    EXPECT_EQ(root.find("Velkan"), std::string::npos) << root;

    EXPECT_EQ(readFile(image.file).substr(0, 512), bootSector);

    // A fresh open sees the same as the volume that wrote it.
    FatVolume again = openVolume(image, false);
    EXPECT_EQ(again.freeClusters(), volume.freeClusters());
    EXPECT_EQ(again.readFile("CONFIG.SYS").valueOr("?"), config);
}

TEST_P(FatTypes, FileGrowsAndShrinksAcrossClusterBoundariesLeavingOthersUntouched) {
    writeFile(dir / "keep", someBytes(5000, 9));
    image.mcopy(dir / "keep", "KEEP.BIN");
    FatVolume volume = openVolume(image);
    const auto keepBefore = volume.entry("KEEP.BIN");
    ASSERT_TRUE(keepBefore);
    const std::uint32_t freeAtStart = volume.freeClusters();
    const std::size_t cs = volume.clusterSize();
    unsigned seed = 20;
    for (std::size_t size :
         {std::size_t{1}, cs - 1, cs, cs + 1, 3 * cs, 7 * cs + 5, cs, std::size_t{0}, 2 * cs}) {
        const std::string bytes = someBytes(size, ++seed);
        ASSERT_TRUE(volume.writeFile("Grow Me.dat", bytes)) << size;
        EXPECT_EQ(volume.readFile("GROWME~1.DAT").valueOr("?"), bytes) << size;
        EXPECT_EQ(image.mtype("Grow Me.dat"), bytes) << size;
        EXPECT_EQ(volume.freeClusters(), freeAtStart - (size + cs - 1) / cs) << size;
        ASSERT_TRUE(image.fsckClean()) << size;
    }
    const auto keepAfter = volume.entry("KEEP.BIN");
    ASSERT_TRUE(keepAfter);
    EXPECT_EQ(keepAfter->firstCluster, keepBefore->firstCluster);
    EXPECT_EQ(keepAfter->modified, keepBefore->modified);
    EXPECT_EQ(keepAfter->attributes, keepBefore->attributes);
    EXPECT_EQ(image.mtype("KEEP.BIN"), readFile(dir / "keep"));
    EXPECT_EQ(namesOf(volume.list("")), (std::vector<std::string>{"KEEP.BIN", "Grow Me.dat"}));
}

TEST_P(FatTypes, FullDiskFailsCleanlyAndChangesNothing) {
    FatVolume volume = openVolume(image);
    // Fill all but a few clusters, then ask for more than is left.
    const std::size_t cs = volume.clusterSize();
    const std::size_t left = 3;
    ASSERT_TRUE(volume.writeFile("FILLER.BIN", someBytes((volume.freeClusters() - left) * cs, 4)));
    ASSERT_TRUE(image.fsckClean());
    const std::string before = readFile(image.file);
    auto full = volume.writeFile("TOO BIG.BIN", someBytes((left + 1) * cs, 5));
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().code, WinError::DiskFull);
    EXPECT_NE(full.error().message.find(image.file.string()), std::string::npos);
    // Replacing needs room for both contents at once, so this fails too.
    EXPECT_EQ(volume.writeFile("FILLER.BIN", someBytes((left + 1) * cs, 6)).error().code,
              WinError::DiskFull);
    EXPECT_EQ(readFile(image.file), before);
    ASSERT_TRUE(volume.writeFile("LAST.BIN", someBytes(left * cs - 10, 6)));
    ASSERT_TRUE(image.fsckClean());
    EXPECT_EQ(volume.freeClusters(), 0u);
    EXPECT_EQ(volume.createDirectory("NOROOM").error().code, WinError::DiskFull);
    EXPECT_EQ(volume.writeFile("EMPTY.TXT", "").ok(), true) << "an empty file needs no cluster";
    ASSERT_TRUE(image.fsckClean());
}

INSTANTIATE_TEST_SUITE_P(Fat, FatTypes, ::testing::Values(12, 16, 32),
                         [](const auto& info) { return "Fat" + std::to_string(info.param); });

TEST(FatVolume, FixedRootFolderRunsOutOfEntriesWithoutChangingTheImage) {
    TempDir dir;
    Image image = makeVolume(dir / "c.img", 12, 720, "-r 16");
    FatVolume volume = openVolume(image);
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(volume.writeFile("F" + std::to_string(i) + ".TXT", "x"));
    const std::string before = readFile(image.file);
    auto full = volume.writeFile("ONE MORE.TXT", "x");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().code, WinError::CannotMake);
    EXPECT_EQ(volume.createDirectory("SUB").error().code, WinError::CannotMake);
    EXPECT_EQ(readFile(image.file), before);
    ASSERT_TRUE(image.fsckClean());
}

TEST(FatVolume, NamesWindowsRefusesAreRefused) {
    TempDir dir;
    Image image = makeVolume(dir / "c.img", 12, 720);
    FatVolume volume = openVolume(image);
    for (const char* bad : {"A*B.TXT", "what?", "a:b", "x<y", "..", "tab\there", "\xff\xfe"})
        EXPECT_EQ(volume.writeFile(bad, "x").error().code, WinError::InvalidName) << bad;
    // Trailing dots and spaces go, as Win32 drops them.
    ASSERT_TRUE(volume.writeFile("NOTES. .", "x"));
    EXPECT_EQ(namesOf(volume.list("")), (std::vector<std::string>{"NOTES"}));
    // Aliases stay unique as long names pile up on the same start.
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(volume.writeFile("Long Name Number " + std::to_string(i) + ".text", "x"));
    std::set<std::string> aliases;
    const auto root = volume.list("");
    ASSERT_TRUE(root);
    for (const auto& e : *root)
        aliases.insert(e.shortName);
    EXPECT_EQ(aliases.size(), 13u);
    EXPECT_TRUE(aliases.count("LONGNA~9.TEX"));
    EXPECT_TRUE(aliases.count("LONGN~10.TEX"));
    ASSERT_TRUE(image.fsckClean());

    // Long names carry any Unicode; the alias keeps what 8.3 can.
    ASSERT_TRUE(volume.createDirectory("Überblick"));
    ASSERT_TRUE(volume.writeFile("Überblick\\日本語 Notes.txt", "kana"));
    const auto inner = volume.list("ÜBERBLICK");
    ASSERT_TRUE(inner) << inner.error().message;
    ASSERT_EQ(inner->size(), 3u);
    EXPECT_EQ((*inner)[2].name, "日本語 Notes.txt");
    EXPECT_EQ((*inner)[2].shortName, "___NOT~1.TXT");
    EXPECT_EQ(image.mtype("Überblick/日本語 Notes.txt"), "kana");
    ASSERT_TRUE(image.fsckClean());
}

TEST(FatVolume, PartitionedDiskAndFixedVhdKeepEveryByteOutsideTheVolume) {
    TempDir dir;
    Image disk = makeDisk(dir / "disk.img");
    // The same disk as a fixed VHD: a footer after the raw sectors.
    std::string footer(512, '\0');
    footer.replace(0, 8, "conectix");
    footer[63] = 2;
    const fs::path vhdFile = dir / "disk.vhd";
    writeFile(vhdFile, readFile(disk.file) + footer);
    Image vhd{vhdFile, disk.offset, disk.size};

    for (const Image* image : {&disk, &vhd}) {
        const std::string before = readFile(image->file);
        auto volume = FatVolume::open(image->file, true);
        ASSERT_TRUE(volume) << volume.error().message;
        EXPECT_EQ(volume->range().offset, image->offset);
        EXPECT_EQ(volume->range().partition, 0);
        EXPECT_EQ(volume->range().vhd, image == &vhd);
        ASSERT_TRUE(volume->createDirectory("WINDOWS"));
        ASSERT_TRUE(volume->writeFile("WINDOWS\\WIN.INI", "[windows]\r\n"));
        EXPECT_EQ(image->mtype("WINDOWS/WIN.INI"), "[windows]\r\n");
        ASSERT_TRUE(image->fsckClean());
        const std::string after = readFile(image->file);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after.substr(0, image->offset), before.substr(0, image->offset));
        const std::size_t end = image->offset + image->size;
        EXPECT_EQ(after.substr(end), before.substr(end));
    }
    auto fromMtools = FatVolume::open(disk.file, false);
    ASSERT_TRUE(fromMtools);
    EXPECT_EQ(fromMtools->readFile("windows\\win.ini").valueOr("?"), "[windows]\r\n");
}

// Damaged images: each fails with an error that names the image and what is
// wrong, and nothing is written, whatever was asked.
class DamagedImage : public ::testing::Test {
protected:
    TempDir dir;
    Image image;
    std::uint32_t fileCluster = 0;
    std::uint64_t fatOffset = 0; // of the first FAT copy, FAT16

    void SetUp() override {
        image = makeVolume(dir / "c.img", 16, 8192, "-s 1");
        writeFile(dir / "f", someBytes(2000, 7));
        image.mcopy(dir / "f", "VICTIM.BIN");
        image.mcopy(dir / "f", "OTHER.BIN");
        auto volume = FatVolume::open(image.file, false);
        ASSERT_TRUE(volume);
        fileCluster = volume->entry("VICTIM.BIN")->firstCluster;
        const std::string boot = readFile(image.file).substr(0, 512);
        fatOffset =
            (static_cast<std::uint8_t>(boot[14]) | static_cast<std::uint8_t>(boot[15]) << 8) *
            512ull;
    }

    void patch(std::uint64_t offset, std::string bytes) {
        std::string all = readFile(image.file);
        all.replace(offset, bytes.size(), bytes);
        writeFile(image.file, all);
    }
    void setFat16(std::uint32_t cluster, std::uint16_t value) {
        patch(fatOffset + 2 * cluster,
              std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)});
    }

    // Every operation on the victim fails with DiskCorrupt naming the image
    // and `why`, and the image stays as it was.
    void expectRefused(const std::string& why) {
        const std::string before = readFile(image.file);
        auto volume = FatVolume::open(image.file, true);
        ASSERT_TRUE(volume) << volume.error().message;
        std::vector<Error> errors;
        if (auto r = volume->readFile("VICTIM.BIN"); !r)
            errors.push_back(r.error());
        for (auto s : {volume->writeFile("VICTIM.BIN", "new"), volume->deleteFile("VICTIM.BIN")})
            if (!s)
                errors.push_back(s.error());
        ASSERT_EQ(errors.size(), 3u);
        for (const Error& e : errors) {
            EXPECT_EQ(e.code, WinError::DiskCorrupt) << e.message;
            EXPECT_NE(e.message.find(image.file.string()), std::string::npos) << e.message;
            EXPECT_NE(e.message.find(why), std::string::npos) << e.message;
        }
        EXPECT_EQ(readFile(image.file), before);
        // The rest of the volume still reads.
        EXPECT_EQ(volume->readFile("OTHER.BIN").valueOr("?"), readFile(dir / "f"));
    }
};

TEST_F(DamagedImage, ChainLoopPastTheEndOrIntoAFreeCluster) {
    setFat16(fileCluster + 3, static_cast<std::uint16_t>(fileCluster + 1));
    expectRefused("loop");
    setFat16(fileCluster + 3, 0xFFF0);
    expectRefused("outside the volume");
    setFat16(fileCluster + 3, 0);
    expectRefused("free cluster");
}

TEST_F(DamagedImage, EntryOutsideTheVolumeOrLongerThanItsClusters) {
    const std::string all = readFile(image.file);
    const std::size_t entry = all.find("VICTIM  BIN");
    ASSERT_NE(entry, std::string::npos);
    patch(entry + 26, std::string("\xF0\xFF", 2));
    expectRefused("outside the volume");
    patch(entry + 26,
          std::string{static_cast<char>(fileCluster & 0xFF), static_cast<char>(fileCluster >> 8)});
    patch(entry + 28, std::string("\x00\x00\x01\x00", 4)); // 64 KB in four clusters
    const std::string before = readFile(image.file);
    auto volume = FatVolume::open(image.file, true);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->readFile("VICTIM.BIN").error().code, WinError::DiskCorrupt);
    EXPECT_EQ(readFile(image.file), before);
}

TEST_F(DamagedImage, FolderWhoseClustersLoopIsRefused) {
    ASSERT_EQ(sh("mmd " + image.mtools() + " ::/SUB").exitCode, 0);
    auto volume = FatVolume::open(image.file, false);
    const std::uint32_t sub = volume->entry("SUB")->firstCluster;
    setFat16(sub, static_cast<std::uint16_t>(sub));
    const std::string before = readFile(image.file);
    auto again = FatVolume::open(image.file, true);
    ASSERT_TRUE(again);
    for (auto r : {again->list("SUB").ok() ? Status() : Status(again->list("SUB").error()),
                   again->writeFile("SUB\\NEW.TXT", "x"), again->removeDirectory("SUB")}) {
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error().code, WinError::DiskCorrupt) << r.error().message;
    }
    EXPECT_EQ(readFile(image.file), before);
}

TEST_F(DamagedImage, TruncatedImageOrBadBootSectorDoesNotOpen) {
    const std::string all = readFile(image.file);
    writeFile(image.file, all.substr(0, all.size() / 2));
    auto cut = FatVolume::open(image.file, true);
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().code, WinError::DiskCorrupt);
    EXPECT_NE(cut.error().message.find("cut short"), std::string::npos) << cut.error().message;
    EXPECT_EQ(readFile(image.file), all.substr(0, all.size() / 2));

    writeFile(image.file, all);
    patch(13, std::string(1, '\x03')); // three sectors per cluster
    auto odd = FatVolume::open(image.file, true);
    ASSERT_FALSE(odd);
    EXPECT_NE(odd.error().message.find("sectors per cluster"), std::string::npos)
        << odd.error().message;
    writeFile(image.file, std::string(4096, '\0'));
    EXPECT_EQ(FatVolume::open(image.file, true).error().code, WinError::UnrecognizedVolume);
}

TEST(DiskImage, LyingPartitionTablesAreRefused) {
    TempDir dir;
    Image disk = makeDisk(dir / "disk.img");
    const std::string good = readFile(disk.file);
    auto withEntry = [&](int index, std::uint32_t start, std::uint32_t count, char type) {
        std::string bytes = good;
        const std::size_t at = 446 + 16 * static_cast<std::size_t>(index);
        bytes[at + 4] = type;
        for (int i = 0; i < 4; ++i) {
            bytes[at + 8 + i] = static_cast<char>(start >> (8 * i));
            bytes[at + 12 + i] = static_cast<char>(count >> (8 * i));
        }
        return bytes;
    };
    const struct {
        std::string bytes;
        std::string why;
    } cases[] = {
        {withEntry(0, 2048, 200000, 6), "past the end"},
        {withEntry(1, 30000, 1000, 0x83), "overlaps partition 1"},
        {withEntry(0, 2048, 0, 6), "no size"},
        {withEntry(2, 0xFFFFFFF0u, 0x20, 0x0C), "past the end"},
    };
    for (const auto& c : cases) {
        writeFile(disk.file, c.bytes);
        auto volume = FatVolume::open(disk.file, true);
        ASSERT_FALSE(volume) << c.why;
        EXPECT_EQ(volume.error().code, WinError::DiskCorrupt);
        EXPECT_NE(volume.error().message.find(c.why), std::string::npos) << volume.error().message;
        EXPECT_NE(volume.error().message.find(disk.file.string()), std::string::npos);
        EXPECT_EQ(readFile(disk.file), c.bytes);
    }
    // A partition of a foreign type whose boot sector is FAT is still found.
    writeFile(disk.file, withEntry(0, 2048, 60000, 0x83));
    auto found = FatVolume::open(disk.file, false);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found->range().offset, 2048u * 512);
}

TEST(DiskImage, OnlyRegularFilesAreOpened) {
    TempDir dir;
    Image image = makeVolume(dir / "c.img", 12, 720);
    fs::create_symlink(image.file, dir / "link.img");
    auto link = ImageFile::open(dir / "link.img", true);
    ASSERT_FALSE(link);
    EXPECT_EQ(link.error().code, WinError::AccessDenied);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ImageFile::open(dir / "fifo", false).error().code, WinError::AccessDenied);
    EXPECT_FALSE(ImageFile::open(dir.path(), false));
    EXPECT_EQ(ImageFile::open(dir / "none", false).error().code, WinError::FileNotFound);
}

// Stops a replacement, a creation, a rename and a deletion at every disk step
// (the fault-injection checkpoints), in a child run of this same test
// program: whatever the step, fsck.fat may find lost clusters at worst, and
// every file has its old bytes or its new ones.
class FatVolumeCrash : public ::testing::TestWithParam<int> {};

TEST_P(FatVolumeCrash, EveryStopLeavesOldOrNewFilesAndAtWorstLostClusters) {
    TempDir dir;
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    // FAT32 for its FSInfo sector and its root folder in clusters.
    Image image = GetParam() == 12 ? makeVolume(dir / "c.img", 12, 720)
                                   : makeVolume(dir / "c.img", 32, 36000, "-s 1");
    const std::string oldBytes = someBytes(5000, 30), newBytes = someBytes(9000, 31);
    {
        FatVolume volume = openVolume(image);
        ASSERT_TRUE(volume.writeFile("Replace Me.txt", oldBytes));
        ASSERT_TRUE(volume.writeFile("GONE.TXT", "bye"));
        ASSERT_TRUE(volume.createDirectory("SUB"));
        ASSERT_TRUE(volume.createDirectory("SUB\\Inner Folder"));
        ASSERT_TRUE(volume.writeFile("SUB\\Inner Folder\\DEEP.TXT", "deep"));
    }
    const fs::path pristine = dir / "pristine.img";
    ASSERT_EQ(sh("cp --sparse=always " + quoted(image.file) + " " + quoted(pristine)).exitCode, 0);
    bool finished = false;
    int stops = 0;
    for (int step = 1; step < 200 && !finished; ++step) {
        ASSERT_EQ(sh("cp --sparse=always " + quoted(pristine) + " " + quoted(image.file)).exitCode,
                  0);
        auto child = runProcess(self,
                                {"--gtest_filter=FatVolumeCrashChild.DISABLED_Child",
                                 "--gtest_also_run_disabled_tests"},
                                {{"VELKAN_FAULT", "kill@" + std::to_string(step)},
                                 {"VELKAN_FAT_CRASH_IMAGE", image.file.string()}});
        finished = child.exitCode == 0;
        if (!finished)
            ++stops;
        auto volume = FatVolume::open(image.file, false);
        ASSERT_TRUE(volume) << step << ": " << volume.error().message;
        const auto replaced = volume->readFile("Replace Me.txt");
        ASSERT_TRUE(replaced) << step << ": " << replaced.error().message;
        EXPECT_TRUE(*replaced == oldBytes || *replaced == newBytes) << step;
        const auto moved = volume->readFile("SUB\\Moved Here.txt");
        const auto original = volume->readFile("GONE.TXT");
        EXPECT_TRUE(!(moved && original)) << step << ": a renamed file under two names";
        if (moved) {
            EXPECT_EQ(*moved, "bye");
        }
        const auto deepOld = volume->readFile("SUB\\Inner Folder\\DEEP.TXT");
        const auto deepNew = volume->readFile("Folder Moved\\DEEP.TXT");
        EXPECT_TRUE(!(deepOld && deepNew)) << step << ": a moved folder in two places";
        if (deepNew) {
            EXPECT_EQ(*deepNew, "deep");
        }
        ++fsckRuns;
        auto fsck = sh("fsck.fat -n " + quoted(image.file));
        std::istringstream lines(fsck.out);
        for (std::string line; std::getline(lines, line);) {
            bool harmless = line.empty();
            for (const char* allowed :
                 {"fsck.fat ", "FATs differ but appear to be intact.", "  Using first FAT.",
                  "Reclaimed ", "Orphaned long file name part", "  Auto-deleting.",
                  "Leaving filesystem unchanged.", image.file.c_str(),
                  // FSInfo's count, written with the FAT, cannot know of
                  // clusters a stop has just lost.
                  "Free cluster summary wrong", "  Auto-correcting."})
                harmless = harmless || line.rfind(allowed, 0) == 0;
            EXPECT_TRUE(harmless) << "stop at step " << step << ":\n" << fsck.out;
        }
        if (finished) {
            EXPECT_TRUE(image.fsckClean());
        }
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(stops, 10);
}

INSTANTIATE_TEST_SUITE_P(Fat, FatVolumeCrash, ::testing::Values(12, 32),
                         [](const auto& info) { return "Fat" + std::to_string(info.param); });

TEST(FatVolumeCrashChild, DISABLED_Child) {
    const char* file = std::getenv("VELKAN_FAT_CRASH_IMAGE");
    ASSERT_NE(file, nullptr);
    auto volume = FatVolume::open(file, true);
    ASSERT_TRUE(volume);
    const std::string newBytes = someBytes(9000, 31);
    ASSERT_TRUE(volume->writeFile("Replace Me.txt", newBytes));
    ASSERT_TRUE(volume->rename("GONE.TXT", "SUB\\Moved Here.txt"));
    ASSERT_TRUE(volume->writeFile("SUB\\Brand New File.txt", "new"));
    ASSERT_TRUE(volume->deleteFile("SUB\\Brand New File.txt"));
    ASSERT_TRUE(volume->rename("SUB\\Inner Folder", "Folder Moved"));
}

// Printed for the record: how many times fsck.fat looked at our writes.
class FsckCount : public ::testing::Environment {
    void TearDown() override {
        if (fsckRuns > 0)
            std::printf("fsck.fat runs in this process: %d\n", fsckRuns);
    }
};
const auto* const fsckCount = ::testing::AddGlobalTestEnvironment(new FsckCount);

} // namespace
} // namespace velkan::platform
