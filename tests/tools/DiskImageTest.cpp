// Machines whose drive C: is a disk image: new empty disks, `velkan-machine
// create --image` and `velkan-machine attach`. What we write is judged by
// sfdisk, mtools and fsck.fat, which know MBR disks and FAT best on a Linux
// host.
#include "platform/FatFormat.h"
#include "platform/FatVolume.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/ImageMachine.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using namespace velkan;
using platform::WinError;
using test::ProcessResult;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace {

constexpr std::uint64_t kVolumeOffset = 63 * 512;

ProcessResult sh(const std::string& command) {
    return test::runProcess("sh", {"-c", command},
                            {{"MTOOLS_SKIP_CHECK", "1"}, {"LC_ALL", "C.UTF-8"}});
}

ProcessResult machineTool(const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env = {}) {
    return test::runProcess(test::tool("velkan-machine"), args, env);
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::string mtools(const fs::path& image, std::uint64_t offset = kVolumeOffset) {
    return "-i " + quoted(image) + (offset ? "@@" + std::to_string(offset) : "");
}

// fsck.fat checks whole devices only, so a partition is checked from a copy.
::testing::AssertionResult fsckClean(const fs::path& image, std::uint64_t offset,
                                     std::uint64_t sectors) {
    const fs::path part = image.string() + ".part";
    auto cut = sh("dd if=" + quoted(image) + " of=" + quoted(part) +
                  " bs=512 skip=" + std::to_string(offset / 512) +
                  " count=" + std::to_string(sectors) + " conv=sparse status=none");
    if (cut.exitCode != 0)
        return ::testing::AssertionFailure() << "dd: " << cut.err;
    auto r = sh("fsck.fat -n " + quoted(part));
    fs::remove(part);
    std::size_t lines = 0;
    for (char c : r.out)
        lines += c == '\n';
    if (r.exitCode != 0 || lines != 2) // the version line and the summary alone
        return ::testing::AssertionFailure() << "fsck.fat: " << r.out << r.err;
    return ::testing::AssertionSuccess();
}

// The one partition sfdisk sees, as "start size type bootable".
std::string partitions(const fs::path& image) {
    auto r = sh("sfdisk --dump " + quoted(image) +
                " | sed -n 's/.*start= *\\([0-9]*\\), size= *\\([0-9]*\\), type=\\([0-9a-f]*\\)"
                "\\(, bootable\\)\\{0,1\\}/\\1 \\2 \\3\\4/p'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

std::string minfoField(const fs::path& image, const std::string& field) {
    auto r = sh("minfo " + mtools(image) + " | sed -n 's/^" + field + "[:=] *//p'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class NewDisk : public ::testing::Test {
protected:
    TempDir temp;
    fs::path file = temp / "disk.img";
};

class ImageMachine : public ::testing::Test {
protected:
    TempDir temp;
    fs::path dir = temp / "machine";
    fs::path image() const { return dir / "drive_c"; }
    fs::path file() const { return temp / "disk.img"; }
};

class Attach : public ::testing::Test {
protected:
    TempDir temp;
    fs::path dir = temp / "machine";

    // 40 MB whose first partition, from sector 2048, holds a FAT16 volume
    // made by mkfs.fat, with a file on it.
    fs::path partitionedDisk() {
        const fs::path file = temp / "disk.img";
        auto r = sh("truncate -s 40M " + quoted(file) +
                    " && echo 'start=2048, size=60000, type=6' | sfdisk -q " + quoted(file) +
                    " && mkfs.fat -F 16 --offset 2048 " + quoted(file) + " 30000 >/dev/null" +
                    " && echo hello | mcopy " + mtools(file, 2048 * 512) + " - ::/HELLO.TXT");
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        return file;
    }
};

} // namespace

// --- A new, empty disk -----------------------------------------------------

TEST_F(NewDisk, SizesFromSmallestToLargestGetFdisksPartitionAndFormatsClusters) {
    struct Case {
        std::uint32_t megabytes;
        std::string partition; // start, sectors to the last whole cylinder, type
        std::string clusterSize;
    };
    const Case cases[] = {
        {16, "63 32193 4, bootable\n", "2 sectors\n"}, // below 32 MB type 4; 1 KB clusters
        {32, "63 65457 4, bootable\n", "4 sectors\n"}, // still below 65536 sectors
        {33, "63 67473 6, bootable\n", "4 sectors\n"}, // 2 KB clusters up to 128 MB
        {129, "63 264033 6, bootable\n", "8 sectors\n"},
        {2047, "63 4191201 6, bootable\n", "64 sectors\n"}, // 32 KB: the most FAT16 numbers
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.megabytes) + " MB");
        const fs::path disk = temp / (std::to_string(c.megabytes) + ".img");
        auto layout = platform::formatDiskImage(disk, {c.megabytes, 0x1234ABCD});
        ASSERT_TRUE(layout) << layout.error().message;
        EXPECT_EQ(fs::file_size(disk), std::uint64_t{c.megabytes} << 20);
        EXPECT_EQ(partitions(disk), c.partition);
        EXPECT_EQ(minfoField(disk, "cluster size"), c.clusterSize);
        EXPECT_EQ(minfoField(disk, "serial number"), "1234ABCD\n");
        EXPECT_EQ(minfoField(disk, "hidden sectors"), "63\n");
        EXPECT_EQ(minfoField(disk, "banner"), "\"MSWIN4.0\"\n");
        EXPECT_EQ(minfoField(disk, "disk type"), "\"FAT16   \"\n");
        EXPECT_TRUE(fsckClean(disk, kVolumeOffset, layout->partitionSectors));
        auto volume = platform::FatVolume::open(disk, false);
        ASSERT_TRUE(volume) << volume.error().message;
        EXPECT_EQ(volume->type(), platform::FatType::Fat16);
        EXPECT_EQ(volume->clusterCount(), layout->clusters);
        EXPECT_EQ(volume->freeClusters(), layout->clusters);
        fs::remove(disk);
    }
    for (std::uint32_t megabytes : {0u, 15u, 2048u, 4096u}) {
        auto refused = platform::formatDiskImage(file, {megabytes, {}});
        ASSERT_FALSE(refused) << megabytes;
        EXPECT_EQ(refused.error().code, WinError::InvalidParameter);
        EXPECT_FALSE(fs::exists(file));
    }
}

TEST_F(NewDisk, StartCodeSaysThereIsNoSystemToStart) {
    ASSERT_TRUE(platform::formatDiskImage(file, {16, {}}));
    const std::string bytes = readFile(file);
    EXPECT_EQ(bytes.substr(510, 2), "\x55\xAA");
    EXPECT_NE(bytes.substr(0, 446).find("no operating system"), std::string::npos);
    EXPECT_EQ(bytes.substr(kVolumeOffset, 3), "\xEB\x3C\x90"); // jumps to the code at 3Eh
    EXPECT_NE(bytes.substr(kVolumeOffset + 0x3E, 448).find("no operating system"),
              std::string::npos);
}

TEST_F(NewDisk, NeverReplacesWhatIsThereAndLeavesNothingBeside) {
    writeFile(file, "my own disk");
    auto refused = platform::formatDiskImage(file, {16, {}});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, WinError::FileExists);
    EXPECT_NE(refused.error().message.find(file.string()), std::string::npos);
    EXPECT_EQ(readFile(file), "my own disk");

    // A link to nothing is refused too: writing through it would make a file
    // somewhere else.
    const fs::path link = temp / "link.img";
    fs::create_symlink(temp / "elsewhere.img", link);
    EXPECT_EQ(platform::formatDiskImage(link, {16, {}}).error().code, WinError::FileExists);
    EXPECT_FALSE(fs::exists(temp / "elsewhere.img"));
    EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string>{"disk.img", "link.img"}));
}

// --- create --image --------------------------------------------------------

TEST_F(ImageMachine, HoldsTheFolderMachinesFilesWithWindowsAttributes) {
    const fs::path folderMachine = temp / "folder";
    for (const fs::path& where : {dir, folderMachine}) {
        std::vector<std::string> args{"create", "--build", "5", where.string()};
        if (where == dir)
            args.insert(args.begin() + 1, "--image");
        ProcessResult made = machineTool(args);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        if (where == dir) {
            EXPECT_NE(made.out.find("64 MB disk image"), std::string::npos) << made.out;
        }
    }

    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(image())));
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"drive_c", "registry.lock"}));
    EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string>{"folder", "machine"}));
    EXPECT_EQ(partitions(image()), "63 130977 6, bootable\n");
    EXPECT_TRUE(fsckClean(image(), kVolumeOffset, 130977));

    const std::string windows = sh("mdir -a " + mtools(image()) + " ::/WINDOWS").out;
    for (const char* name : {"EXPLORER EXE", "SYSTEM   DAT", "USER     DAT", "Start Menu"})
        EXPECT_NE(windows.find(name), std::string::npos) << name << "\n" << windows;
    auto attributes = [&](const std::string& file) {
        return sh("mattrib " + mtools(image()) + " '::/" + file + "'").out.substr(0, 10);
    };
    EXPECT_EQ(attributes("MSDOS.SYS"), "     SHR  ");
    EXPECT_EQ(attributes("WINDOWS/SYSTEM.DAT"), "      H   ");
    EXPECT_EQ(attributes("WINDOWS/USER.DAT"), "      H   ");
    EXPECT_EQ(attributes("WINDOWS/SYSTEM/SHELL32.DLL"), "  A       ");

    // Every file and folder of the folder machine, and nothing else; each
    // file with the same bytes.
    std::set<std::string> expected;
    std::size_t files = 0;
    // A name that fits 8.3 is stored as DOS stores it, in upper case; only
    // the others keep their spelling in a long name.
    const auto asStored = [](const fs::path& relative) {
        std::string out;
        for (const auto& part : relative) {
            std::string name = part.string();
            const auto dot = name.find('.');
            const bool fits = name.find(' ') == std::string::npos &&
                              (dot == std::string::npos ? name.size() <= 8
                                                        : dot <= 8 && name.size() - dot - 1 <= 3);
            if (fits)
                for (char& c : name)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            out += (out.empty() ? "" : "/") + name;
        }
        return out;
    };
    for (const auto& e : fs::recursive_directory_iterator(folderMachine / "drive_c")) {
        const fs::path relative = fs::relative(e.path(), folderMachine / "drive_c");
        const std::string path = relative.string();
        expected.insert("::/" + asStored(relative) + (e.is_directory() ? "/" : ""));
        if (e.is_directory())
            continue;
        SCOPED_TRACE(path);
        ++files;
        const fs::path out = temp / "out";
        ASSERT_EQ(sh("mcopy -o " + mtools(image()) + " '::/" + path + "' " + quoted(out)).exitCode,
                  0);
        EXPECT_TRUE(readFile(out) == readFile(e.path()));
        fs::remove(out);
    }
    EXPECT_EQ(files, 6u);
    std::set<std::string> listed;
    std::istringstream all(sh("mdir -/ -b -a " + mtools(image()) + " ::/").out);
    for (std::string line; std::getline(all, line);)
        listed.insert(line);
    EXPECT_EQ(listed, expected);
}

TEST_F(ImageMachine, FolderTreeKeepsTimesAndReadOnlyFiles) {
    const fs::path tree = temp / "tree";
    fs::create_directories(tree / "Program Files" / "Velkan");
    writeFile(tree / "Program Files" / "Velkan" / "Sun Theme.vkp", "sun");
    writeFile(tree / "LOCKED.TXT", "do not touch");
    fs::permissions(tree / "LOCKED.TXT", fs::perms::owner_read | fs::perms::group_read);
    ASSERT_EQ(sh("touch -d '1998-06-25 12:34:56' " + quoted(tree / "LOCKED.TXT")).exitCode, 0);
    ASSERT_TRUE(platform::formatDiskImage(file(), {16, {}}));
    {
        auto volume = platform::FatVolume::open(file(), true);
        ASSERT_TRUE(volume) << volume.error().message;
        ASSERT_TRUE(machine::copyTreeToVolume(tree, *volume));
        auto locked = volume->entry("LOCKED.TXT");
        ASSERT_TRUE(locked);
        EXPECT_EQ(locked->attributes, platform::fatattr::ReadOnly | platform::fatattr::Archive);
        EXPECT_EQ(locked->modified,
                  (platform::DosStamp{static_cast<std::uint16_t>(18 << 9 | 6 << 5 | 25),
                                      static_cast<std::uint16_t>(12 << 11 | 34 << 5 | 28)}));
    }
    EXPECT_TRUE(fsckClean(file(), kVolumeOffset, 32193));
    EXPECT_EQ(sh("mtype " + mtools(file()) + " '::/Program Files/Velkan/Sun Theme.vkp'").out,
              "sun");

    // What a FAT disk cannot hold is refused by name rather than left out.
    fs::create_symlink("LOCKED.TXT", tree / "link");
    auto volume = platform::FatVolume::open(file(), true);
    ASSERT_TRUE(volume);
    auto refused = machine::copyTreeToVolume(tree, *volume);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find((tree / "link").string()), std::string::npos);
}

TEST_F(ImageMachine, RefusesBadSizesAndExistingMachinesWithoutTouchingThem) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"create", "--image", "--size", "15", dir.string()},
          {"create", "--image", "--size", "2048", dir.string()},
          {"create", "--image", "--size", "64MB", dir.string()},
          {"create", "--size", "64", dir.string()}}) {
        ProcessResult r = machineTool(args);
        EXPECT_EQ(r.exitCode, 2) << args[3];
        EXPECT_NE(r.err.find("--size"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir));
    }

    ASSERT_EQ(machineTool({"create", dir.string()}).exitCode, 0);
    writeFile(dir / "drive_c" / "MINE.TXT", "mine");
    ProcessResult again = machineTool({"create", "--image", dir.string()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already holds a machine"), std::string::npos) << again.err;
    EXPECT_EQ(readFile(dir / "drive_c" / "MINE.TXT"), "mine");
    EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string>{"machine"}));

    // A folder with other things in it gains the machine beside them.
    const fs::path notes = temp / "notes";
    writeFile(notes / "todo.txt", "buy disks");
    ASSERT_EQ(machineTool({"create", "--image", "--size", "16", notes.string()}).exitCode, 0);
    EXPECT_EQ(entriesOf(notes), (std::vector<std::string>{"drive_c", "registry.lock", "todo.txt"}));
    EXPECT_EQ(partitions(notes / "drive_c"), "63 32193 4, bootable\n");
}

TEST_F(ImageMachine, KilledAtAnyStepLeavesNoMachineOrAWholeOne) {
    const fs::path log = temp / "steps.log";
    ASSERT_EQ(machineTool({"create", "--image", "--size", "16", (temp / "counted").string()},
                          {{"VELKAN_FAULT_LOG", log.string()}})
                  .exitCode,
              0);
    const std::string steps = readFile(log);
    const int count = static_cast<int>(std::count(steps.begin(), steps.end(), '\n'));
    ASSERT_GT(count, 20);

    std::vector<int> kills;
    for (int step = 1; step < count - 3; step += count / 12)
        kills.push_back(step);
    for (int step = count - 3; step <= count; ++step)
        kills.push_back(step);
    for (int step : kills) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        const fs::path target = temp / ("m" + std::to_string(step));
        ProcessResult r = machineTool({"create", "--image", "--size", "16", target.string()},
                                      {{"VELKAN_FAULT", "kill@" + std::to_string(step)}});
        EXPECT_NE(r.exitCode, 0);
        if (!fs::exists(target))
            continue; // nothing made: create can simply run again
        EXPECT_EQ(entriesOf(target), (std::vector<std::string>{"drive_c", "registry.lock"}));
        auto volume = platform::FatVolume::open(target / "drive_c", false);
        ASSERT_TRUE(volume) << volume.error().message;
        EXPECT_TRUE(volume->readFile("WINDOWS\\USER.DAT"));
        EXPECT_TRUE(fsckClean(target / "drive_c", kVolumeOffset, 32193));
    }
    const fs::path retried = temp / ("m" + std::to_string(kills.back() - 1));
    EXPECT_EQ(machineTool({"create", "--image", "--size", "16", retried.string()}).exitCode, 0);
}

// --- attach ----------------------------------------------------------------

TEST_F(Attach, LinksTheImageItselfAndLeavesItsBytesAlone) {
    const fs::path disk = partitionedDisk();
    const std::string before = readFile(disk);
    // Through a relative path and a link: drive_c names the file itself.
    fs::create_symlink("disk.img", temp / "alias.img");
    ProcessResult r =
        test::runProcess("sh", {"-c", "cd " + quoted(temp.path()) + " && " +
                                          quoted(fs::path(test::tool("velkan-machine"))) +
                                          " attach alias.img machine"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("partition 1 at byte 1048576, FAT16"), std::string::npos) << r.out;
    ASSERT_TRUE(fs::is_symlink(dir / "drive_c"));
    EXPECT_EQ(fs::read_symlink(dir / "drive_c"), fs::canonical(disk));
    EXPECT_TRUE(readFile(disk) == before);
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"drive_c"}));

    // A volume without a partition table is drive C: as well.
    const fs::path bare = temp / "bare.img";
    ASSERT_EQ(sh("mkfs.fat -F 12 -C " + quoted(bare) + " 1440 >/dev/null").exitCode, 0);
    ProcessResult floppy = machineTool({"attach", bare.string(), (temp / "other").string()});
    ASSERT_EQ(floppy.exitCode, 0) << floppy.err;
    EXPECT_NE(floppy.out.find("without a partition table, FAT12"), std::string::npos) << floppy.out;
}

TEST_F(Attach, RefusalsNameTheImageAndWhatIsWrongAndMakeNothing) {
    const fs::path disk = partitionedDisk();
    const fs::path text = temp / "notes.txt";
    writeFile(text, std::string(4096, 'n'));
    const fs::path empty = temp / "empty.img";
    writeFile(empty, std::string(1 << 20, '\0'));
    struct Case {
        fs::path image;
        std::string why;
    };
    const Case cases[] = {
        {temp / "missing.img", "no such disk image"},
        {temp.path(), "a folder"},
        {"/dev/null", "not a regular file"},
        {text, "neither a partition table nor a FAT volume"},
        {empty, "neither a partition table nor a FAT volume"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image.string());
        const std::string before = fs::is_regular_file(c.image) ? readFile(c.image) : "";
        ProcessResult r = machineTool({"attach", c.image.string(), dir.string()});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.image.string()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir));
        if (fs::is_regular_file(c.image)) {
            EXPECT_TRUE(readFile(c.image) == before);
        }
    }

    // A machine folder that has a drive C: keeps it.
    fs::create_directories(dir / "drive_c");
    ProcessResult taken = machineTool({"attach", disk.string(), dir.string()});
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_NE(taken.err.find("already has a drive C:"), std::string::npos) << taken.err;
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(dir / "drive_c")));
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"drive_c"}));
}
