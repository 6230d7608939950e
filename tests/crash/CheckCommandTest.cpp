// velkan-machine check on machines broken the ways a crash or a full disk
// could break them, and on sound ones.
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using velkan::test::ProcessResult;
using velkan::test::readFile;
using velkan::test::runProcess;
using velkan::test::TempDir;
using velkan::test::tool;
using velkan::test::writeFile;

struct Machine {
    TempDir dir;
    fs::path root = dir / "m";
    Machine() {
        ProcessResult made = runProcess(tool("velkan-machine"), {"create", root.string()});
        if (made.exitCode != 0)
            throw std::runtime_error(made.err);
    }
    fs::path windows(const std::string& name) const { return root / "drive_c/WINDOWS" / name; }
    ProcessResult check() const {
        return runProcess(tool("velkan-machine"), {"check", root.string()});
    }
};

} // namespace

TEST(CheckCommand, ASoundMachineWithPendingSwapsPasses) {
    Machine m;
    EXPECT_EQ(m.check().exitCode, 0);
    EXPECT_EQ(m.check().out, "The machine will start its shell.\n");
    fs::copy_file(m.windows("EXPLORER.EXE"), m.windows("Explorer.new"));
    fs::copy_file(m.windows("EXPLORER.EXE"), m.windows("Explorer.sav"));
    fs::copy_file(m.windows("SYSTEM/USER.EXE"), m.windows("SYSTEM/User.new"));
    writeFile(
        m.windows("WinInit.ini"),
        "; made by hand\r\n[Rename]\r\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n"
        "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.new\r\n"
        "NUL=C:\\WINDOWS\\gone.txt\r\n");
    ProcessResult r = m.check();
    EXPECT_EQ(r.exitCode, 0) << r.out;
}

TEST(CheckCommand, NamesEachBrokenFileAndLine) {
    Machine m;
    const std::string explorer = readFile(m.windows("EXPLORER.EXE"));
    const std::string user = readFile(m.windows("SYSTEM/USER.EXE"));
    // A replacement cut short, a torn last line, a backup cut in half and a
    // user file without its icon headers.
    writeFile(m.windows("Explorer.new"), explorer.substr(0, explorer.size() / 2));
    writeFile(m.windows("SYSTEM/User.sav"), user.substr(0, 1000));
    writeFile(m.windows("WinInit.ini"),
              "[Rename]\r\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n"
              "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\Us");
    ProcessResult r = m.check();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("problem: C:\\WINDOWS\\WinInit.ini line 2: C:\\WINDOWS\\Explorer.new is "
                         "not a whole shell file"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("problem: C:\\WINDOWS\\WinInit.ini line 3: C:\\WINDOWS\\System\\Us does "
                         "not exist"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("problem: C:\\WINDOWS\\System\\User.sav is not a whole user file"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("The machine will start"), std::string::npos);

    // A key line without its '=' and a broken registry, named with its line.
    Machine n;
    writeFile(n.windows("WinInit.ini"), "[Rename]\r\nC:\\WINDOWS\\Explorer.exe\r\n");
    std::string reg = readFile(n.windows("SYSTEM.DAT"));
    writeFile(n.windows("SYSTEM.DAT"), reg.substr(0, reg.size() / 2));
    r = n.check();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("WinInit.ini line 2: not KEY=VALUE"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("SYSTEM.DAT"), std::string::npos) << r.out;

    // A registry file gone from the Windows folder.
    Machine gone;
    std::filesystem::remove(gone.windows("USER.DAT"));
    r = gone.check();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("USER.DAT is missing"), std::string::npos) << r.out;

    // A live shell file that no build recognises.
    Machine o;
    writeFile(o.windows("EXPLORER.EXE"), explorer.substr(0, 4096));
    r = o.check();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("C:\\WINDOWS\\Explorer.exe is not a whole shell file"), std::string::npos)
        << r.out;
    EXPECT_EQ(runProcess(tool("velkan-machine"), {"check", (o.dir / "nothing").string()}).exitCode,
              2);
}
