// The autoload's round over the program folder's subfolders.
#include "themes/Rotation.h"

#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velkan;
using themes::nextInRotation;

TEST(Rotation, TakesTheFolderAfterTheLastAndStartsAgain) {
    const std::vector<std::string> abc = {"A", "B", "C"};
    struct Case {
        std::int64_t last;
        const char* folder;
        std::uint32_t stored;
    };
    const Case cases[] = {{0, "A", 1}, {1, "B", 2},  {2, "C", 3},     {3, "A", 1},
                          {5, "A", 3}, {-1, "A", 1}, {-70000, "A", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.last);
        const auto step = nextInRotation(abc, c.last);
        EXPECT_EQ(step.folder, c.folder);
        EXPECT_EQ(step.stored, c.stored);
    }
}

TEST(Rotation, WithoutFoldersNothingIsChosen) {
    EXPECT_EQ(nextInRotation({}, 0).folder, "");
    EXPECT_EQ(nextInRotation({}, 0).stored, 1u);
    EXPECT_EQ(nextInRotation({}, 4).stored, 0u);
}

TEST(Rotation, KeepsCountingPast255Folders) {
    std::vector<std::string> many;
    for (int i = 0; i < 300; ++i)
        many.push_back("F" + std::to_string(i));
    // Walk the whole round from the start: every folder once, in order.
    std::int64_t last = 0;
    for (int i = 0; i < 300; ++i) {
        const auto step = nextInRotation(many, last);
        ASSERT_EQ(step.folder, many[i]);
        last = step.stored;
    }
    EXPECT_EQ(last, 300);
    EXPECT_EQ(nextInRotation(many, last).folder, "F0");
    EXPECT_EQ(nextInRotation(many, last).stored, 1u);
}

TEST(Rotation, CandidatesAreTheSubfoldersInSearchOrderWithoutFiles) {
    test::TempDir dir;
    platform::Machine machine(dir.path());
    const auto program = dir.path() / "drive_c" / "Velkan";
    for (const char* name : {"b pack", "A pack", "c"})
        std::filesystem::create_directories(program / name);
    test::writeFile(program / "Readme.txt", "x");
    test::writeFile(program / "index.vkr", "[About]\r\n");
    EXPECT_EQ(themes::rotationCandidates(machine, "C:\\Velkan\\"),
              (std::vector<std::string>{"A pack", "b pack", "c"}));
    EXPECT_EQ(themes::rotationCandidates(machine, "C:\\Velkan"),
              (std::vector<std::string>{"A pack", "b pack", "c"}));
    EXPECT_TRUE(themes::rotationCandidates(machine, "C:\\Nowhere\\").empty());
    // A host folder has no order Windows would see: the names decide.
    EXPECT_FALSE(platform::hasMediumOrder(machine, "C:\\Velkan"));
}

TEST(Rotation, OnAMountedFatDiskTheDirectorysOwnOrderDecides) {
    // Needs a FAT file system mounted by the kernel; where the test may not
    // mount one (no root, no vfat module), there is nothing to check.
    test::TempDir dir;
    const auto image = dir.path() / "fat.img", mount = dir.path() / "drive_c";
    std::filesystem::create_directories(mount);
    const std::string quoted = "'" + image.string() + "'";
    if (::geteuid() != 0 ||
        std::system(
            ("truncate -s 2M " + quoted + " && mkfs.fat " + quoted + " >/dev/null 2>&1").c_str()) !=
            0 ||
        std::system(
            ("mount -o loop " + quoted + " '" + mount.string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no FAT file system can be mounted here";
    platform::Machine machine(dir.path());
    const auto program = mount / "VELKAN";
    // Made in this order, they stand in this order in the directory.
    for (const char* name : {"ZED", "ALPHA", "MIDDLE"})
        std::filesystem::create_directories(program / name);
    const bool ordered = platform::hasMediumOrder(machine, "C:\\Velkan");
    const auto candidates = themes::rotationCandidates(machine, "C:\\Velkan\\");
    std::system(("umount '" + mount.string() + "'").c_str());
    EXPECT_TRUE(ordered);
    EXPECT_EQ(candidates, (std::vector<std::string>{"ZED", "ALPHA", "MIDDLE"}));
}
