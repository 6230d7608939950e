// The [Rename] lines of WinInit.ini as Windows' start reads and performs them.
#include "tools/WinInitRename.h"

#include "platform/Machine.h"
#include "tests/support/TempDir.h"
#include "tools/MsdosSys.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace velkan;
using machine::parseRenameSection;
using test::readFile;
using test::writeFile;

TEST(WinInitRename, EveryLineOfTheSectionInFileOrder) {
    const auto lines =
        parseRenameSection("[boot]\r\nshell=Explorer.exe\r\n"
                           "[Rename]\r\n"
                           "; comment\r\n"
                           "  C:\\WINDOWS\\Explorer.exe = C:\\WINDOWS\\Explorer.new \r\n"
                           "not a line\r"
                           "NUL=C:\\A.TMP\n"
                           "NUL=C:\\B.TMP\n"
                           "=C:\\C.TMP\n"
                           "[other]\nX=Y\n"
                           "[RENAME]\nnul=C:\\D.TMP");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].target, "C:\\WINDOWS\\Explorer.exe");
    EXPECT_EQ(lines[0].source, "C:\\WINDOWS\\Explorer.new");
    EXPECT_EQ(lines[0].lineNumber, 5);
    EXPECT_FALSE(lines[0].deletes());
    EXPECT_TRUE(lines[1].deletes());
    EXPECT_EQ(lines[2].source, "C:\\B.TMP"); // a repeated left side is not lost
    EXPECT_EQ(lines[3].source, "C:\\D.TMP");
    EXPECT_TRUE(lines[3].deletes());
}

TEST(WinInitRename, PreviewFollowsChainedLinesWithoutTouchingFiles) {
    test::TempDir temp;
    const platform::Machine m(temp.path());
    const fs::path windows = temp / "drive_c" / "WINDOWS";
    fs::create_directories(windows);
    writeFile(windows / "A.EXE", "a");
    writeFile(windows / "B.NEW", "b");
    writeFile(windows / "C.NEW", "c");
    writeFile(windows / "JUNK.TMP", "j");
    const std::string ini = "[Rename]\r\nC:\\WINDOWS\\a.exe=C:\\WINDOWS\\b.new\r\n"
                            "C:\\WINDOWS\\b.new=C:\\WINDOWS\\c.new\r\n"
                            "NUL=C:\\WINDOWS\\junk.tmp\r\n"
                            "C:\\WINDOWS\\d.exe=C:\\WINDOWS\\missing.new\r\n";
    writeFile(windows / "WININIT.INI", ini);

    machine::RenameReport report;
    auto view = machine::previewRenames(m, "C:\\WINDOWS", &report);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\A.EXE"), windows / "B.NEW");
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\B.NEW"), windows / "C.NEW");
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\C.NEW"), std::nullopt);
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\JUNK.TMP"), std::nullopt);
    ASSERT_EQ(report.outcomes.size(), 4u);
    EXPECT_EQ(report.outcomes[3].kind, machine::RenameOutcome::SkippedMissing);
    EXPECT_EQ(readFile(windows / "WININIT.INI"), ini);
    EXPECT_EQ(readFile(windows / "A.EXE"), "a");

    // Performed, the files end as the preview said.
    auto done = machine::performRenames(m, "C:\\WINDOWS");
    ASSERT_TRUE(done);
    EXPECT_EQ(readFile(windows / "A.EXE"), "b");
    // B.NEW was gone when its line came, so the moved file takes the name the
    // line spells, as on a FAT disk.
    EXPECT_EQ(readFile(windows / "b.new"), "c");
    EXPECT_FALSE(fs::exists(windows / "C.NEW"));
    EXPECT_FALSE(fs::exists(windows / "JUNK.TMP"));
    EXPECT_FALSE(fs::exists(windows / "d.exe"));
    EXPECT_EQ(readFile(windows / "WININIT.BAK"), ini);
    EXPECT_FALSE(fs::exists(windows / "WININIT.INI"));

    // With no WinInit.ini, a start has nothing to do.
    auto nothing = machine::performRenames(m, "C:\\WINDOWS");
    ASSERT_TRUE(nothing);
    EXPECT_FALSE(nothing->hadWinInit);
}

TEST(WinInitRename, PreviewKeepsAFileRenamedOntoItselfAndFindsNewNamesInAnyCase) {
    test::TempDir temp;
    const platform::Machine m(temp.path());
    const fs::path windows = temp / "drive_c" / "WINDOWS";
    fs::create_directories(windows);
    writeFile(windows / "SETUP.OLD", "s");
    writeFile(windows / "A.NEW", "a");
    writeFile(windows / "WININIT.INI",
              "[Rename]\r\nC:\\WINDOWS\\Setup.old=C:\\WINDOWS\\SETUP.OLD\r\n"
              "C:\\WINDOWS\\Fresh.exe=C:\\WINDOWS\\A.NEW\r\n"
              "C:\\WINDOWS\\Last.exe=C:\\WINDOWS\\FRESH.EXE\r\n");

    auto view = machine::previewRenames(m, "C:\\WINDOWS");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\SETUP.OLD"), windows / "SETUP.OLD");
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\last.exe"), windows / "A.NEW");
    EXPECT_EQ(view->contentOf("C:\\WINDOWS\\fresh.exe"), std::nullopt);

    ASSERT_TRUE(machine::performRenames(m, "C:\\WINDOWS"));
    EXPECT_EQ(readFile(windows / "SETUP.OLD"), "s");
    EXPECT_EQ(readFile(windows / "Last.exe"), "a");
    EXPECT_FALSE(fs::exists(windows / "Fresh.exe"));
}

TEST(WinInitRename, ALineThatTakesWinInitAwayStillCompletesTheStart) {
    test::TempDir temp;
    const platform::Machine m(temp.path());
    const fs::path windows = temp / "drive_c" / "WINDOWS";
    fs::create_directories(windows);
    writeFile(windows / "A.NEW", "a");
    writeFile(windows / "WININIT.INI", "[Rename]\r\nNUL=C:\\WINDOWS\\WININIT.INI\r\n"
                                       "C:\\WINDOWS\\A.EXE=C:\\WINDOWS\\A.NEW\r\n");
    auto done = machine::performRenames(m, "C:\\WINDOWS");
    ASSERT_TRUE(done) << done.error().message;
    ASSERT_EQ(done->outcomes.size(), 2u);
    EXPECT_EQ(done->outcomes[0].kind, machine::RenameOutcome::Deleted);
    EXPECT_EQ(readFile(windows / "A.EXE"), "a");
    EXPECT_FALSE(fs::exists(windows / "WININIT.INI"));
    EXPECT_FALSE(fs::exists(windows / "WININIT.BAK"));
}
