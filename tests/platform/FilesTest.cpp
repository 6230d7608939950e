#include "platform/Files.h"
#include "platform/AtomicFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace velkan::platform {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

class FilesTest : public ::testing::Test {
protected:
    TempDir dir;
    Machine machine{dir.path()};
    fs::path c = machine.driveC();

    void SetUp() override {
        writeFile(c / "WINDOWS" / "EXPLORER.EXE", std::string("MZ\0\x01\xff\r\n", 7));
        fs::create_directories(c / "Program Files" / "Velkan");
    }

    static std::vector<std::string> names(const Result<std::vector<FindEntry>>& found) {
        std::vector<std::string> out;
        if (found)
            for (const FindEntry& e : *found)
                out.push_back(e.name);
        return out;
    }
};

std::string someBytes(size_t n) {
    std::string bytes(n, '\0');
    unsigned x = 12345;
    for (char& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>(x >> 16);
    }
    return bytes;
}

TEST_F(FilesTest, CopyIsByteExactAndHonoursFailIfExists) {
    std::string big = someBytes(300000);
    writeFile(c / "WINDOWS" / "Big.bin", big);
    ASSERT_TRUE(copyFile(machine, "c:\\windows\\big.BIN", "C:\\Windows\\Copy.bin", true));
    EXPECT_EQ(readFile(c / "WINDOWS" / "Copy.bin"), big);

    Status refused = copyFile(machine, "C:\\WINDOWS\\Explorer.exe", "C:\\WINDOWS\\copy.bin", true);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, WinError::FileExists);
    EXPECT_EQ(readFile(c / "WINDOWS" / "Copy.bin"), big) << "the target stays untouched";

    ASSERT_TRUE(copyFile(machine, "C:\\WINDOWS\\Explorer.exe", "C:\\WINDOWS\\copy.bin", false));
    EXPECT_EQ(readFile(c / "WINDOWS" / "Copy.bin"), readFile(c / "WINDOWS" / "EXPLORER.EXE"));

    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(c / "WINDOWS"))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Big.bin", "Copy.bin", "EXPLORER.EXE"}))
        << "no temporary file stays behind";
}

TEST_F(FilesTest, FailuresCarryTheWindowsCodeAndNameTheFile) {
    Status missing = copyFile(machine, "C:\\WINDOWS\\Explorer.sav", "C:\\WINDOWS\\x", false);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, WinError::FileNotFound);
    EXPECT_NE(missing.error().message.find("C:\\WINDOWS\\Explorer.sav"), std::string::npos);

    Status noFolder = copyFile(machine, "C:\\WINDOWS\\Explorer.exe", "C:\\Nowhere\\x", false);
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().code, WinError::PathNotFound);

    Status folder = copyFile(machine, "C:\\WINDOWS", "C:\\x", false);
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().code, WinError::AccessDenied);

    Status gone = deleteFile(machine, "C:\\WINDOWS\\User.tmp");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().code, WinError::FileNotFound);
    Status goneFolder = deleteFile(machine, "C:\\WINDOWS\\SYSTEM\\User.tmp");
    ASSERT_FALSE(goneFolder);
    EXPECT_EQ(goneFolder.error().code, WinError::PathNotFound);
    EXPECT_FALSE(deleteFile(machine, "C:\\WINDOWS")) << "DeleteFile does not remove folders";
}

TEST_F(FilesTest, RelativePathsFailEveryOperationCleanly) {
    const char* bad = "Error\\Explorer.exe";
    EXPECT_EQ(copyFile(machine, bad, "C:\\x", false).error().code, WinError::PathNotFound);
    EXPECT_EQ(copyFile(machine, "C:\\WINDOWS\\EXPLORER.EXE", bad, false).error().code,
              WinError::PathNotFound);
    EXPECT_EQ(deleteFile(machine, bad).error().code, WinError::PathNotFound);
    EXPECT_EQ(createDirectory(machine, "Error").error().code, WinError::PathNotFound);
    EXPECT_EQ(openFile(machine, bad, OpenMode::Read).error().code, WinError::PathNotFound);
    EXPECT_EQ(findFiles(machine, "Error\\*.*").error().code, WinError::PathNotFound);
    EXPECT_FALSE(fileExists(machine, bad));
    EXPECT_FALSE(fs::exists(dir / "Error")) << "nothing lands beside the machine folder";
}

TEST_F(FilesTest, FoldersAreMadeAndRemovedOnlyWhenEmpty) {
    ASSERT_TRUE(createDirectory(machine, "C:\\Program Files\\Velkan\\Sun Theme Pack"));
    EXPECT_TRUE(fs::is_directory(c / "Program Files" / "Velkan" / "Sun Theme Pack"));
    Status twice = createDirectory(machine, "C:\\PROGRAM FILES\\velkan\\sun theme pack");
    ASSERT_FALSE(twice);
    EXPECT_EQ(twice.error().code, WinError::AlreadyExists);
    EXPECT_EQ(createDirectory(machine, "C:\\A\\B").error().code, WinError::PathNotFound);

    writeFile(c / "Program Files" / "Velkan" / "Sun Theme Pack" / "index.vkr", "");
    Status full = removeDirectory(machine, "C:\\Program Files\\Velkan\\Sun Theme Pack");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().code, WinError::DirNotEmpty);
    ASSERT_TRUE(deleteFile(machine, "C:\\Program Files\\Velkan\\Sun Theme Pack\\INDEX.VKR"));
    ASSERT_TRUE(removeDirectory(machine, "C:\\Program Files\\Velkan\\Sun Theme Pack"));
    EXPECT_FALSE(fs::exists(c / "Program Files" / "Velkan" / "Sun Theme Pack"));
    EXPECT_FALSE(removeDirectory(machine, "C:\\WINDOWS\\EXPLORER.EXE"));
    EXPECT_FALSE(removeDirectory(machine, "C:\\")) << "a drive root is never removed";
}

TEST_F(FilesTest, AttributesTellFilesFromFoldersAndReadOnly) {
    Result<FileAttributes> file = fileAttributes(machine, "c:\\windows\\explorer.exe");
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->directory);
    EXPECT_EQ(file->size, 7u);
    EXPECT_FALSE(file->readOnly);
    EXPECT_TRUE(fileExists(machine, "C:\\WINDOWS\\Explorer.exe"));
    EXPECT_FALSE(directoryExists(machine, "C:\\WINDOWS\\Explorer.exe"));
    EXPECT_TRUE(directoryExists(machine, "C:\\Windows"));
    EXPECT_FALSE(fileExists(machine, "C:\\Windows"));
    EXPECT_EQ(fileAttributes(machine, "C:\\WINDOWS\\None").error().code, WinError::FileNotFound);

    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    fs::permissions(c / "WINDOWS" / "EXPLORER.EXE", fs::perms::owner_read);
    EXPECT_TRUE(fileAttributes(machine, "C:\\WINDOWS\\EXPLORER.EXE")->readOnly);
    EXPECT_EQ(deleteFile(machine, "C:\\WINDOWS\\EXPLORER.EXE").error().code, WinError::AccessDenied)
        << "a read-only file is not deleted, as on Windows";
}

TEST_F(FilesTest, FindListsDotsFirstThenNamesWithoutRegardToCase) {
    fs::path velkan = c / "Program Files" / "Velkan";
    for (const char* name : {"Velkrun.exe", "readme.txt", "README", "Remove.exe", "b.ico"})
        writeFile(velkan / name, "x");
    fs::create_directory(velkan / "Sun Theme Pack");

    Result<std::vector<FindEntry>> all = findFiles(machine, "C:\\Program Files\\Velkan\\*.*");
    ASSERT_TRUE(all) << all.error().message;
    EXPECT_EQ(names(all),
              (std::vector<std::string>{".", "..", "b.ico", "README", "readme.txt", "Remove.exe",
                                        "Sun Theme Pack", "Velkrun.exe"}));
    EXPECT_TRUE((*all)[0].directory);
    EXPECT_TRUE((*all)[6].directory);
    EXPECT_FALSE((*all)[7].directory);

    EXPECT_EQ(names(findFiles(machine, "c:\\program files\\velkan\\*.EXE")),
              (std::vector<std::string>{"Remove.exe", "Velkrun.exe"}));
    EXPECT_EQ(names(findFiles(machine, "C:\\Program Files\\Velkan\\*.")),
              (std::vector<std::string>{".", "..", "README", "Sun Theme Pack"}));
    EXPECT_EQ(names(findFiles(machine, "C:\\Program Files\\Velkan\\readme")),
              (std::vector<std::string>{"README"}));
    EXPECT_TRUE(findFiles(machine, "C:\\Program Files\\Velkan\\*.bmp")->empty());

    std::vector<std::string> root = names(findFiles(machine, "C:\\*.*"));
    EXPECT_EQ(root, (std::vector<std::string>{"Program Files", "WINDOWS"}))
        << "a drive root has no . and ..";

    Result<std::vector<FindEntry>> missing = findFiles(machine, "C:\\Nowhere\\*.*");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, WinError::PathNotFound);
}

TEST_F(FilesTest, FindLeavesOutLinksThatLeaveTheDriveOrLeadNowhere) {
    writeFile(dir / "outside" / "x.txt", "x");
    fs::path velkan = c / "Program Files" / "Velkan";
    fs::create_directory_symlink(dir / "outside", velkan / "Out");
    fs::create_symlink(velkan / "none", velkan / "Dangling");
    fs::create_directory_symlink(c / "WINDOWS", velkan / "Win");
    EXPECT_EQ(names(findFiles(machine, "C:\\Program Files\\Velkan\\*")),
              (std::vector<std::string>{".", "..", "Win"}));
}

TEST(WildcardTest, PatternsMatchAsOnWindows) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "README", true},
        {"*.*", "a.b.c", true},
        {"*.*", ".", true},
        {"*", "..", true},
        {"*.ico", "ICON16.ICO", true},
        {"*.ico", "a.ico.bak", false},
        {"*.ico", "x.y.ico", true},
        {"*.ico", "ico", false},
        {"*.", "README", true},
        {"*.", "a.txt", false},
        {"?", "a", true},
        {"?", "ab", false},
        {"a?.txt", "a.txt", true},
        {"a?.txt", "ab.txt", true},
        {"a?.txt", "abc.txt", false},
        {"Icon??.ico", "Icon16.ico", true},
        {"icon*", "Icon32.ico", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*.ico", ".", false},
        {"index.vkr", "INDEX.VKR", true},
        {"a*.*", "abc", true},
    };
    for (const Case& t : cases)
        EXPECT_EQ(matchesWildcard(t.pattern, t.name), t.match) << t.pattern << " vs " << t.name;
}

TEST_F(FilesTest, OpenFileReadsAndWritesAtOffsets) {
    Result<File> opened = openFile(machine, "C:\\Windows\\Explorer.exe", OpenMode::ReadWrite);
    ASSERT_TRUE(opened) << opened.error().message;
    File& file = *opened;
    ASSERT_TRUE(file.seek(2));
    ASSERT_TRUE(file.write(std::string("\x10\x20", 2)));
    EXPECT_EQ(file.position(), 4u);
    ASSERT_TRUE(file.seek(0));
    Result<std::string> head = file.read(7);
    ASSERT_TRUE(head);
    EXPECT_EQ(*head, std::string("MZ\x10\x20\xff\r\n", 7));

    // Seeking past the end is fine; reading there is not.
    ASSERT_TRUE(file.seek(5));
    Result<std::string> past = file.read(3);
    ASSERT_FALSE(past);
    EXPECT_EQ(past.error().code, WinError::HandleEof);
    EXPECT_EQ(file.position(), 5u) << "a failed read leaves the position";
    ASSERT_TRUE(file.seek(100));
    EXPECT_FALSE(file.read(1));
    EXPECT_EQ(file.seek(-1).error().code, WinError::NegativeSeek);
    ASSERT_TRUE(file.seek(9));
    ASSERT_TRUE(file.write("!"));
    EXPECT_EQ(*file.size(), 10u);
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(c / "WINDOWS" / "EXPLORER.EXE"), std::string("MZ\x10\x20\xff\r\n\0\0!", 10));
    EXPECT_EQ(file.read(1).error().code, WinError::InvalidHandle);
}

TEST_F(FilesTest, OpenFileFailureModes) {
    Result<File> missing = openFile(machine, "C:\\WINDOWS\\Explorer.tmp", OpenMode::ReadWrite);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, WinError::FileNotFound);
    EXPECT_NE(missing.error().message.find("C:\\WINDOWS\\Explorer.tmp"), std::string::npos);

    Result<File> reading = openFile(machine, "C:\\WINDOWS\\Explorer.exe", OpenMode::Read);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->write("x").error().code, WinError::AccessDenied);
    EXPECT_EQ(openFile(machine, "C:\\WINDOWS", OpenMode::Read).error().code,
              WinError::AccessDenied);

    Result<File> made = openFile(machine, "C:\\WINDOWS\\New.ico", OpenMode::Create);
    ASSERT_TRUE(made);
    ASSERT_TRUE(made->write("icon"));
    made->close();
    EXPECT_EQ(readFile(c / "WINDOWS" / "New.ico"), "icon");

    // /dev/full answers every write with "no space left", as a full disk does.
    Result<File> full = File::open("/dev/full", OpenMode::ReadWrite);
    if (!full)
        GTEST_SKIP() << "no /dev/full here";
    Status written = full->write("bytes");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().code, WinError::DiskFull);
}

TEST_F(FilesTest, WholeFileReadAndAtomicWrite) {
    ASSERT_TRUE(writeWholeFile(machine, "C:\\WINDOWS\\WinInit.ini", "[Rename]\r\n"));
    EXPECT_EQ(readWholeFile(machine, "c:\\windows\\wininit.INI").valueOr(""), "[Rename]\r\n");
    EXPECT_EQ(writeWholeFile(machine, "C:\\None\\x.ini", "").error().code, WinError::PathNotFound);
    EXPECT_EQ(readWholeFile(machine, "C:\\WINDOWS\\None.ini").error().code, WinError::FileNotFound);
}

} // namespace
} // namespace velkan::platform

namespace velkan::platform {
namespace {

// What a killed writer left is cleared by the next write of the same file;
// the temporary file of a writer still at work is not, nor anyone else's.
TEST(LeftoverTemporaries, TheNextWriteClearsOnlyWhatNoLivingWriterHolds) {
    test::TempDir dir;
    const fs::path ini = dir / "WinInit.ini";
    test::writeFile(dir / "WinInit.ini.~dead01", "torn");
    test::writeFile(dir / "WinInit.ini.~toolong1", "not ours");
    test::writeFile(dir / "User.new.~dead02", "another file's");
    std::string live;
    const int fd = makeTemporaryFile(ini, live);
    ASSERT_GE(fd, 0);

    ASSERT_TRUE(host::writeWholeFile(ini, "[Rename]\r\n"));
    EXPECT_FALSE(fs::exists(dir / "WinInit.ini.~dead01"));
    EXPECT_TRUE(fs::exists(live)) << "a living writer's file was removed";
    EXPECT_TRUE(fs::exists(dir / "WinInit.ini.~toolong1"));
    EXPECT_TRUE(fs::exists(dir / "User.new.~dead02"));

    ::close(fd); // its writer is gone now
    ASSERT_TRUE(host::copyFile(dir / "User.new.~dead02", ini, false));
    EXPECT_FALSE(fs::exists(live));
}

} // namespace
} // namespace velkan::platform
