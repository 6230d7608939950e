// The fault-injection point, seen through a real program of ours: the machine
// tool's profile-string writer replaces its file atomically, so its steps are
// those of every atomic write.
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using velkan::test::ProcessResult;
using velkan::test::readFile;
using velkan::test::runProcess;
using velkan::test::TempDir;
using velkan::test::tool;
using velkan::test::writeFile;

const std::string kOld = "[Rename]\r\nC:\\A=C:\\B\r\n";

ProcessResult setKey(const fs::path& file, const std::map<std::string, std::string>& env,
                     const std::string& value = "C:\\WINDOWS\\Explorer.new") {
    return runProcess(tool("velkan-machine"),
                      {"ini", "set", file.string(), "Rename", "C:\\WINDOWS\\Explorer.exe", value},
                      env);
}

std::vector<std::string> logLines(const fs::path& log) {
    std::vector<std::string> lines;
    std::istringstream in(fs::exists(log) ? readFile(log) : "");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<fs::path> leftovers(const fs::path& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find(".~") != std::string::npos)
            out.push_back(e.path());
    return out;
}

} // namespace

TEST(FaultInjection, CountsEveryStepOfAnAtomicWriteAndKillsMidWriteLeavingTheOldFile) {
    TempDir dir;
    const fs::path ini = dir / "WinInit.ini";
    const fs::path log = dir / "steps.log";
    writeFile(ini, kOld);
    ASSERT_EQ(setKey(ini, {{"VELKAN_FAULT_LOG", log.string()}}).exitCode, 0);
    const auto lines = logLines(log);
    std::vector<std::string> kinds;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        long n = 0;
        std::string kind, path;
        fields >> n >> kind;
        std::getline(fields, path);
        EXPECT_EQ(n, static_cast<long>(i + 1)) << lines[i];
        EXPECT_EQ(path, " " + (kind == "sync" && i + 1 == lines.size() ? dir.path() : ini).string())
            << lines[i];
        kinds.push_back(kind);
    }
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"create", "write", "chmod", "sync", "rename", "sync"}));
    const std::string written = readFile(ini);

    // Killed at the write: half the new bytes sit in the temporary file, the
    // file itself is the old one.
    writeFile(ini, kOld);
    ProcessResult killed = setKey(ini, {{"VELKAN_FAULT", "kill@2"}});
    EXPECT_EQ(killed.exitCode, 128 + 9);
    EXPECT_EQ(readFile(ini), kOld);
    const auto temp = leftovers(dir.path());
    ASSERT_EQ(temp.size(), 1u);
    EXPECT_EQ(readFile(temp[0]), written.substr(0, written.size() / 2));
    fs::remove(temp[0]);

    // Killed after the rename, before the folder is synced: the new file is whole.
    writeFile(ini, kOld);
    EXPECT_EQ(setKey(ini, {{"VELKAN_FAULT", "kill@6"}}).exitCode, 128 + 9);
    EXPECT_EQ(readFile(ini), written);
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(FaultInjection, AFullDiskAndAReadOnlyDiskFailTheWriteWithTheirOwnMessages) {
    TempDir dir;
    const fs::path ini = dir / "WinInit.ini";
    struct Case {
        std::string fault;
        std::string message;
    };
    for (const Case& c :
         {Case{"enospc@1", "There is not enough space on the disk."},
          Case{"enospc@2", "There is not enough space on the disk."},
          Case{"erofs@1", "Access is denied."}, Case{"erofs@5", "Access is denied."}}) {
        SCOPED_TRACE(c.fault);
        writeFile(ini, kOld);
        ProcessResult r = setKey(ini, {{"VELKAN_FAULT", c.fault}});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(ini.string()), std::string::npos) << r.err;
        EXPECT_EQ(readFile(ini), kOld);
        // A failed write cleans up after itself while the disk lets it.
        if (c.fault.rfind("enospc", 0) == 0) {
            EXPECT_TRUE(leftovers(dir.path()).empty());
        }
        for (const auto& t : leftovers(dir.path()))
            fs::remove(t);
    }
    // The disk stays full: the folder sync after the rename needs no room, so
    // a fault from step 5 on lets the write through.
    writeFile(ini, kOld);
    EXPECT_EQ(setKey(ini, {{"VELKAN_FAULT", "enospc@5"}}).exitCode, 0);
    EXPECT_NE(readFile(ini), kOld);
}

TEST(FaultInjection, ASettingThatCannotBeUnderstoodStopsTheProgramBeforeItDoesAnything) {
    TempDir dir;
    const fs::path ini = dir / "WinInit.ini";
    writeFile(ini, kOld);
    for (const char* bad : {"kill", "kill@0", "kill@x", "crash@3", "enospc@-1"}) {
        ProcessResult r = setKey(ini, {{"VELKAN_FAULT", bad}});
        EXPECT_EQ(r.exitCode, 125) << bad;
        EXPECT_NE(r.err.find("VELKAN_FAULT"), std::string::npos) << bad;
        EXPECT_EQ(readFile(ini), kOld) << bad;
    }
}
