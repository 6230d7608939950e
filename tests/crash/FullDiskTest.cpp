// The flows on a disk that fills up, or turns out to be read-only, at each of
// their disk steps: the user is told which file could not be written, and the
// machine still starts with the old look or the new one.
#include "platform/FatVolume.h"
#include "platform/Files.h"
#include "tests/crash/Sweep.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace velkan::crash;

namespace {

std::string testName(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name = scenarioName(info.param);
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

// A message box that names a file of the machine: a Windows path.
bool namesAFile(const std::vector<std::string>& boxes) {
    for (const auto& b : boxes)
        if (b.find("C:\\") != std::string::npos)
            return true;
    return false;
}

// The keys whose values differ, or that only one side has.
std::vector<std::string> differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b) {
    std::vector<std::string> out;
    for (const auto& [k, v] : a)
        if (auto it = b.find(k); it == b.end() || it->second != v)
            out.push_back(k);
    for (const auto& [k, v] : b)
        if (!a.count(k))
            out.push_back(k);
    return out;
}

} // namespace

class DiskFullFromEveryStep : public ::testing::TestWithParam<Scenario> {};

TEST_P(DiskFullFromEveryStep, TellsTheUserAndLeavesAMachineThatStarts) {
    const FlowCase c = prepareFlow(GetParam().flow, GetParam().templateName);
    const TableRow row = sweep(c, "enospc");
    printTable("disk full from every step on", {row});
    EXPECT_EQ(row.silent, 0) << "runs that lost part of the change without a word";
}

INSTANTIATE_TEST_SUITE_P(Flows, DiskFullFromEveryStep, ::testing::ValuesIn(kScenarios), testName);

TEST(FullDiskAutoload, EndsAtTheFirstFileErrorWithOneMessage) {
    // An autoload runs at every Windows start, unattended: a full disk must
    // not greet the user with a box per field and icon.
    const FlowCase c = prepareFlow("autoload", "installed");
    ASSERT_GT(c.steps, 6);
    for (long k : {1L, c.steps / 4, c.steps / 2, c.steps - 2}) {
        SCOPED_TRACE("enospc@" + std::to_string(k));
        velkan::test::TempDir dir;
        const fs::path m = dir / "m";
        copyMachine(templateMachine("installed"), m);
        const DriverRun run =
            runFlow("autoload", m, {{"VELKAN_FAULT", "enospc@" + std::to_string(k)}});
        EXPECT_EQ(run.process.exitCode, 0) << run.process.out << run.process.err;
        std::vector<std::string> told;
        for (const auto& box : run.boxes)
            if (std::find(c.cleanBoxes.begin(), c.cleanBoxes.end(), box) == c.cleanBoxes.end())
                told.push_back(box);
        EXPECT_LE(told.size(), 1u) << (told.empty() ? "" : told.front() + " / " + told.back());
        for (const auto& v : violations(c, m))
            ADD_FAILURE() << v;
    }
}

class ReadOnlyFromEveryStep : public ::testing::TestWithParam<Scenario> {};

TEST_P(ReadOnlyFromEveryStep, TellsTheUserAndLeavesAMachineThatStarts) {
    const FlowCase c = prepareFlow(GetParam().flow, GetParam().templateName);
    // Every second step: from its first refused step on a read-only disk
    // refuses everything, so neighbouring steps end alike, and the sweep
    // stays within what CI can spend.
    const TableRow row = sweep(c, "erofs", 2);
    printTable("read-only from every step on", {row});
    EXPECT_EQ(row.silent, 0) << "runs that lost part of the change without a word";
}

INSTANTIATE_TEST_SUITE_P(Flows, ReadOnlyFromEveryStep, ::testing::ValuesIn(kScenarios), testName);

TEST(ReadOnlyMachine, AnOkOnAWriteProtectedFolderNamesTheFileAndChangesNothing) {
    const FlowCase c = prepareFlow("ok", "installed");
    velkan::test::TempDir dir;
    const fs::path m = dir / "m";
    copyMachine(templateMachine("installed"), m);
    std::map<std::string, std::string> env;
    if (::geteuid() == 0) {
        // Permissions do not stop root; the disk itself refuses every write.
        env["VELKAN_FAULT"] = "erofs@1";
    } else {
        for (auto& e : fs::recursive_directory_iterator(m))
            fs::permissions(
                e.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove);
        fs::permissions(m, fs::perms::owner_write, fs::perm_options::remove);
    }
    const DriverRun run = runFlow("ok", m, env);
    // Give the folder back its rights so that it can be checked and removed.
    fs::permissions(m, fs::perms::owner_all, fs::perm_options::add);
    for (auto& e : fs::recursive_directory_iterator(m))
        fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(run.process.exitCode, 0) << run.process.err;
    EXPECT_TRUE(namesAFile(run.boxes)) << run.process.out;
    const MachineState now = snapshot(m);
    EXPECT_EQ(differences(now.files, c.before.files), std::vector<std::string>{});
    EXPECT_EQ(differences(now.values, c.before.values), std::vector<std::string>{});
    EXPECT_TRUE(violations(c, m).empty());
}

namespace {

// A small tmpfs of its own, for a disk that really runs full.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes) {
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_)
            why_ = std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const fs::path& path() const { return dir_.path(); }

    // Fills the disk up to `free` bytes left.
    void leaveFree(std::size_t free) const {
        struct statvfs st {};
        ::statvfs(path().c_str(), &st);
        const std::size_t available = st.f_bavail * st.f_frsize;
        if (available <= free)
            return;
        const int fd = ::open((path() / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string block(4096, 'x');
        for (std::size_t left = available - free; left > 0;) {
            const std::size_t n = std::min(left, block.size());
            if (::write(fd, block.data(), n) <= 0)
                break;
            left -= n;
        }
        ::close(fd);
    }
    void emptyFiller() const { fs::remove(path() / "filler"); }

private:
    velkan::test::TempDir dir_;
    bool mounted_ = false;
    std::string why_;
};

} // namespace

class RealFullDisk : public ::testing::TestWithParam<Scenario> {};

TEST_P(RealFullDisk, EveryAmountOfFreeRoomLeavesAMachineThatStarts) {
    const FlowCase c = prepareFlow(GetParam().flow, GetParam().templateName);
    long runs = 0, failures = 0, silent = 0;
    for (std::size_t free : {0, 4096, 16384, 65536, 262144, 786432, 1572864}) {
        SmallDisk disk(8 << 20);
        if (!disk.mounted())
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.why();
        const fs::path m = disk.path() / "m";
        copyMachine(templateMachine(c.templateName), m);
        disk.leaveFree(free);
        const DriverRun run = runFlow(c.flow, m);
        ++runs;
        EXPECT_EQ(run.process.exitCode, 0) << free << " bytes free: " << run.process.out;
        const MachineState now = snapshot(m);
        const bool short_ = now.files != c.after.files || now.values != c.after.values;
        silent += short_ && run.boxes.size() <= c.cleanBoxes.size();
        disk.emptyFiller();
        auto v = violations(c, m);
        // A disk too full for the working copies leaves the build unknown
        // and the program folder unread: the save then puts the pack beside
        // the browser's folder, or stops halfway through it. Either way the
        // user was told, and the machine's own files are untouched.
        bool told = false;
        for (const auto& box : run.boxes)
            told |= std::find(c.cleanBoxes.begin(), c.cleanBoxes.end(), box) == c.cleanBoxes.end();
        if (told)
            std::erase_if(v, [](const std::string& p) {
                return p.find("/Crash Pack/") != std::string::npos;
            });
        failures += !v.empty();
        for (const auto& p : v)
            ADD_FAILURE() << free << " bytes free: " << p;
    }
    printTable("a real tmpfs filled up",
               {TableRow{scenarioName(GetParam()), c.steps, runs, failures, silent, 0}});
    EXPECT_EQ(silent, 0);
}

INSTANTIATE_TEST_SUITE_P(Flows, RealFullDisk, ::testing::ValuesIn(kScenarios), testName);

// An image is a disk of fixed size: the host never runs out of room under it,
// the volume inside runs out of clusters. A filler file takes all but the
// free room; every run is let finish, so the volume must be left as fsck.fat
// wants it.
class FullVolume : public ::testing::TestWithParam<Scenario> {};

TEST_P(FullVolume, EveryAmountOfFreeRoomLeavesAMachineThatStarts) {
    const FlowCase c = prepareFlow(GetParam().flow, GetParam().templateName, Drive::Image);
    long runs = 0, failures = 0, silent = 0;
    for (std::size_t free : {0, 4096, 16384, 65536, 262144, 786432, 1572864}) {
        SCOPED_TRACE(std::to_string(free) + " bytes free");
        velkan::test::TempDir dir;
        const fs::path m = dir / "m";
        copyMachine(templateMachine(c.templateName, Drive::Image), m);
        {
            auto volume = velkan::platform::FatVolume::open(m / "drive_c", true);
            ASSERT_TRUE(volume) << volume.error().message;
            const std::uint64_t room =
                std::uint64_t{volume->freeClusters()} * volume->clusterSize();
            ASSERT_GT(room, free);
            ASSERT_TRUE(volume->writeFile("FILLER.BIN", std::string(room - free, 'x')));
        }
        const DriverRun run = runFlow(c.flow, m);
        ++runs;
        EXPECT_EQ(run.process.exitCode, 0) << run.process.out;
        ASSERT_TRUE(velkan::platform::host::deleteFile(m / "drive_c" / "FILLER.BIN"));
        const MachineState now = snapshot(m);
        const bool short_ = now.files != c.after.files || now.values != c.after.values;
        bool told = false;
        for (const auto& box : run.boxes)
            told |= std::find(c.cleanBoxes.begin(), c.cleanBoxes.end(), box) == c.cleanBoxes.end();
        silent += short_ && !told;
        // As on a full folder, a save that could not read the program folder
        // puts the pack elsewhere or stops halfway, and says so.
        auto v = violations(c, m, VolumeAllows::Nothing, VolumeAllows::Nothing);
        if (told)
            std::erase_if(v, [](const std::string& p) {
                return p.find("/Crash Pack/") != std::string::npos;
            });
        failures += !v.empty();
        for (const auto& p : v)
            ADD_FAILURE() << p;
    }
    printTable("a full FAT16 volume",
               {TableRow{scenarioName(GetParam()) + " (image)", c.steps, runs, failures, silent}});
    EXPECT_EQ(silent, 0);
}

INSTANTIATE_TEST_SUITE_P(ImageFlows, FullVolume, ::testing::ValuesIn(imageScenarios()), testName);
