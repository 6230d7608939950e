#include "platform/ProfileString.h"

#include "tests/support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkan::platform {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

class ProfileStringTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "index.vkr";

    std::string read(std::string_view section, std::string_view key,
                     std::string_view fallback = "MyErr", size_t size = kProfileBufferSize) {
        return readProfileString(file, section, key, fallback, size);
    }
};

// What real files look like: comments, odd spacing, keys outside any section,
// a section given twice, and line ends from several editors.
const std::string kMixed = "; written by hand\r\n"
                           "Orphan=before any section\n"
                           "\r\n"
                           "  [ StartMenu ]  \r\n"
                           "Programs = My Programs  \r\n"
                           "\tDocuments\t=\tMy Docs\n"
                           "no equals sign here\r\n"
                           ";Find=commented out\r\n"
                           "programs=second one\r"
                           "Empty=\r\n"
                           "\r\n"
                           "[Other]\n"
                           "Keep=this\n"
                           "\n"
                           "[startmenu]\r\n"
                           "Help=only in the second copy\r\n"
                           "Run=Run it";

TEST_F(ProfileStringTest, ReadingFollowsTheWindowsRules) {
    writeFile(file, kMixed);
    EXPECT_EQ(read("StartMenu", "Programs"), "My Programs") << "first key wins, trimmed";
    EXPECT_EQ(read("STARTMENU", "PROGRAMS"), "My Programs");
    EXPECT_EQ(read(" startmenu ", "documents"), "My Docs");
    EXPECT_EQ(read("StartMenu", "Empty"), "") << "present and empty is not the default";
    EXPECT_EQ(read("StartMenu", "Find"), "MyErr");
    EXPECT_EQ(read("StartMenu", ";find"), "commented out") << "a \";\" line is an ordinary line";
    EXPECT_EQ(read("StartMenu", "no equals sign here"), "MyErr");
    EXPECT_EQ(read("StartMenu", "Orphan"), "MyErr");
    EXPECT_EQ(read("", "Orphan"), "before any section") << "keys before the first section";
    EXPECT_EQ(read("StartMenu", "Help"), "MyErr") << "only the first section of a name counts";
    EXPECT_EQ(read("Other", "Keep"), "this");
    EXPECT_EQ(read("startmenu", "Run"), "MyErr");
    EXPECT_EQ(readProfileKeys(file, "startMenu"),
              (std::vector<std::string>{"Programs", "Documents", ";Find", "programs", "Empty"}))
        << "every key line as it stands";
    EXPECT_EQ(readProfileKeys(file, ""), (std::vector<std::string>{"Orphan"}));
    EXPECT_EQ(readProfileSections(file), (std::vector<std::string>{"StartMenu", "Other"}));

    writeFile(file, "\xEF\xBB\xBF[About]\nName=Sun\n");
    EXPECT_EQ(read("About", "Name"), "Sun") << "a UTF-8 byte order mark is skipped";
}

TEST_F(ProfileStringTest, MatchingQuotesAreRemoved) {
    writeFile(file, "[About]\n"
                    "Double=\"  spaced  \"\n"
                    "Single='it'\n"
                    "Mixed=\"half'\n"
                    "Lone=\"\n"
                    "Inner=a \"b\" c\n"
                    "Empty=\"\"\n");
    EXPECT_EQ(read("About", "Double"), "  spaced  ");
    EXPECT_EQ(read("About", "Single"), "it");
    EXPECT_EQ(read("About", "Mixed"), "\"half'");
    EXPECT_EQ(read("About", "Lone"), "\"");
    EXPECT_EQ(read("About", "Inner"), "a \"b\" c");
    EXPECT_EQ(read("About", "Empty"), "");
}

TEST_F(ProfileStringTest, ValuesAndDefaultsAreCutToTheBuffer) {
    std::string longValue(2000, 'x');
    writeFile(file, "[About]\r\nDescription=" + longValue + "\r\n");
    EXPECT_EQ(read("About", "Description").size(), 1023u);
    EXPECT_EQ(read("About", "Description", "", 6), "xxxxx");
    EXPECT_EQ(read("About", "Description", "", 0), "");
    EXPECT_EQ(read("About", "Author", "Unknown  \t"), "Unknown") << "trailing blanks go";
    EXPECT_EQ(read("About", "Author", "  Unknown"), "  Unknown");
    EXPECT_EQ(read("About", "Author", "Unknown", 4), "Unk");
    EXPECT_EQ(read("Missing", "Name"), "MyErr");
    EXPECT_EQ(readProfileString(dir / "none.vkr", "About", "Name", "MyErr"), "MyErr");
    EXPECT_EQ(readProfileString(dir.path(), "About", "Name", "MyErr"), "MyErr")
        << "a folder reads as a missing file";
    EXPECT_TRUE(readProfileKeys(dir / "none.vkr", "About").empty());
}

TEST_F(ProfileStringTest, IntegersAsGetPrivateProfileIntAndAsTheThemeReader) {
    writeFile(file, "[S]\nPlain=130\nTrail=  42px\nNeg=-7\nHex=0x1F\nWord=abc\nEmpty=\n"
                    "HexTwo=0x\nBig=99999999999\nAllOnes=0xFFFFFFFF\nPlus=+5\n");
    EXPECT_EQ(readProfileInt(file, "S", "Plain", 131), 130);
    EXPECT_EQ(readProfileInt(file, "S", "Trail", 131), 42);
    EXPECT_EQ(readProfileInt(file, "S", "Neg", 131), -7);
    EXPECT_EQ(readProfileInt(file, "S", "Hex", 131), 31);
    EXPECT_EQ(readProfileInt(file, "S", "Word", 131), 0);
    EXPECT_EQ(readProfileInt(file, "S", "Empty", 131), 131);
    EXPECT_EQ(readProfileInt(file, "S", "Missing", 131), 131);

    EXPECT_EQ(readProfileIntExact(file, "S", "Plain", 131), 130);
    EXPECT_EQ(readProfileIntExact(file, "S", "Hex", 131), 31);
    EXPECT_EQ(readProfileIntExact(file, "S", "Neg", 131), -7);
    EXPECT_EQ(readProfileIntExact(file, "S", "Plus", 131), 5);
    EXPECT_EQ(readProfileIntExact(file, "S", "AllOnes", 131), -1);
    for (const char* bad : {"Trail", "Word", "Empty", "HexTwo", "Big", "Missing"})
        EXPECT_EQ(readProfileIntExact(file, "S", bad, 131), 131) << bad;
}

TEST_F(ProfileStringTest, WritingChangesOnlyTheLinesItMust) {
    writeFile(file, kMixed);
    // Replacing a key keeps its spelling and line end, and every other byte.
    ASSERT_TRUE(writeProfileString(file, "startmenu", "DOCUMENTS", "Papers"));
    std::string expected = kMixed;
    expected.replace(expected.find("\tDocuments\t=\tMy Docs"), 20, "Documents=Papers");
    EXPECT_EQ(readFile(file), expected);

    // A new key goes after the section's last key, before its blank lines.
    ASSERT_TRUE(writeProfileString(file, "StartMenu", "Find", "Search"));
    expected.insert(expected.find("\r\n\r\n[Other]") + 2, "Find=Search\r\n");
    EXPECT_EQ(readFile(file), expected);
    EXPECT_EQ(read("StartMenu", "Find"), "Search");

    // A new section goes at the end; the last line gets its line end first.
    ASSERT_TRUE(writeProfileString(file, "StartButton", "Text", "Go"));
    expected += "\r\n\r\n[StartButton]\r\nText=Go\r\n";
    EXPECT_EQ(readFile(file), expected);

    // A section holding no keys yet takes its first one right after its header.
    writeFile(file, "[Rename]\n\n[Next]\nA=1\n");
    ASSERT_TRUE(writeProfileString(file, "rename", "C:\\WINDOWS\\Explorer.exe",
                                   "C:\\WINDOWS\\Explorer.new"));
    EXPECT_EQ(readFile(file),
              "[Rename]\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n\n[Next]\nA=1\n");
    ASSERT_TRUE(writeProfileString(file, "Rename", "c:\\windows\\explorer.exe",
                                   "C:\\WINDOWS\\Explorer.sav"));
    EXPECT_EQ(read("Rename", "C:\\WINDOWS\\EXPLORER.EXE"), "C:\\WINDOWS\\Explorer.sav")
        << "a later write for the same file replaces the earlier line";
    EXPECT_EQ(readProfileKeys(file, "Rename").size(), 1u);
}

TEST_F(ProfileStringTest, CtrlZNulBytesEmptyNamesAndSemicolonLinesAsWindowsHasThem) {
    // A DOS editor's Ctrl+Z ends the text; whatever follows is no part of it
    // but stays in the file, and a new section goes in front of it.
    writeFile(file, "[A]\r\nx=1\r\n\x1A[B]\r\ny=2\r\n");
    EXPECT_EQ(read("A", "x"), "1");
    EXPECT_EQ(read("B", "y"), "MyErr");
    EXPECT_EQ(readProfileSections(file), (std::vector<std::string>{"A"}));
    ASSERT_TRUE(writeProfileString(file, "C", "z", "3"));
    EXPECT_EQ(readFile(file), "[A]\r\nx=1\r\n\r\n[C]\r\nz=3\r\n\x1A[B]\r\ny=2\r\n");
    EXPECT_EQ(read("C", "z"), "3");

    // The value is a C string: a NUL byte ends it.
    writeFile(file, std::string("[A]\nk=abc\0def\n", 15));
    EXPECT_EQ(read("A", "k"), "abc");

    // "=v" is the key "", listed and found like any other.
    writeFile(file, "[A]\n=empty\nk=1\nk=2\n");
    EXPECT_EQ(readProfileKeys(file, "A"), (std::vector<std::string>{"", "k", "k"}));
    EXPECT_EQ(read("A", ""), "empty");

    // A ";" line stays as it is when keys around it change, and a new key goes
    // after it, as after any other line that holds something.
    writeFile(file, "[A]\nk=1\n;c=old\n\n[B]\n");
    ASSERT_TRUE(writeProfileString(file, "A", "k", "2"));
    ASSERT_TRUE(writeProfileString(file, "A", "n", "3"));
    EXPECT_EQ(readFile(file), "[A]\nk=2\n;c=old\nn=3\r\n\n[B]\n");
    EXPECT_EQ(read("A", ";c"), "old");
    EXPECT_FALSE(writeProfileString(file, "A", ";c", "new"));
    EXPECT_FALSE(deleteProfileKey(file, "A", ";c"));
    // A line without "=" counts too.
    writeFile(file, "[A]\nk=1\njust words\n\n");
    ASSERT_TRUE(writeProfileString(file, "A", "n", "3"));
    EXPECT_EQ(readFile(file), "[A]\nk=1\njust words\nn=3\r\n\n");
}

TEST_F(ProfileStringTest, NewFilesUseCrLfAndTheFolderMustExist) {
    ASSERT_TRUE(writeProfileString(file, "About", "Name", "Sun"));
    ASSERT_TRUE(writeProfileString(file, "About", "Author", "Me"));
    ASSERT_TRUE(writeProfileString(file, "StartMenu", "LogoHeight", "130"));
    EXPECT_EQ(readFile(file),
              "[About]\r\nName=Sun\r\nAuthor=Me\r\n\r\n[StartMenu]\r\nLogoHeight=130\r\n");
    Status noFolder = writeProfileString(dir / "none" / "index.vkr", "About", "Name", "x");
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().code, WinError::PathNotFound);
}

TEST_F(ProfileStringTest, DeletingKeysAndSections) {
    writeFile(file, kMixed);
    ASSERT_TRUE(deleteProfileKey(file, "StartMenu", "programs"));
    EXPECT_EQ(read("StartMenu", "Programs"), "second one") << "only the first line goes";
    std::string expected = kMixed;
    expected.erase(expected.find("Programs = "), 26);
    EXPECT_EQ(readFile(file), expected);
    ASSERT_TRUE(deleteProfileKey(file, "StartMenu", "programs"));
    expected.erase(expected.find("programs=second one\r"), 20);
    EXPECT_EQ(readFile(file), expected);

    ASSERT_TRUE(deleteProfileSection(file, "STARTMENU"));
    EXPECT_EQ(readFile(file), "; written by hand\r\nOrphan=before any section\n\r\n"
                              "[Other]\nKeep=this\n\n");
    EXPECT_EQ(read("StartMenu", "Help"), "MyErr") << "the second copy went as well";

    struct stat before {};
    ::stat(file.c_str(), &before);
    ASSERT_TRUE(deleteProfileKey(file, "Other", "Absent"));
    ASSERT_TRUE(deleteProfileSection(file, "Absent"));
    ASSERT_TRUE(writeProfileString(file, "Other", "keep", "this"));
    struct stat after {};
    ::stat(file.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino) << "a write that changes nothing leaves the file";
    EXPECT_TRUE(deleteProfileKey(dir / "none.vkr", "A", "B")) << "nothing to delete is fine";
    EXPECT_FALSE(fs::exists(dir / "none.vkr"));
}

TEST_F(ProfileStringTest, RefusesWhatCouldNotBeReadBack) {
    writeFile(file, "[A]\r\nB=1\r\n");
    for (auto [section, key, value] : {std::tuple{"A", "B", "two\r\n[Injected]"},
                                       {"A", "B=C", "x"},
                                       {"A]", "B", "x"},
                                       {"", "B", "x"},
                                       {"A", " ", "x"},
                                       {"A", ";B", "x"}}) {
        Status s = writeProfileString(file, section, key, value);
        ASSERT_FALSE(s) << section << "/" << key;
        EXPECT_EQ(s.error().code, WinError::InvalidParameter);
    }
    EXPECT_EQ(readFile(file), "[A]\r\nB=1\r\n");
}

TEST_F(ProfileStringTest, SeveralKeysAtOnceEqualOneByOneAndFailAsAWhole) {
    // Replaced, added to an existing section, and a section made new.
    const std::pair<std::string_view, std::string_view> entries[] = {
        {"programs", "P"}, {"Shut Down", "S"}, {"Run", "R2"}};
    writeFile(file, kMixed);
    ASSERT_TRUE(writeProfileStrings(file, "StartMenu", entries));
    const std::string together = readFile(file);
    writeFile(file, kMixed);
    for (auto [key, value] : entries)
        ASSERT_TRUE(writeProfileString(file, "StartMenu", key, value));
    EXPECT_EQ(together, readFile(file));

    fs::remove(file);
    ASSERT_TRUE(writeProfileStrings(file, "Rename", entries));
    EXPECT_EQ(readFile(file), "[Rename]\r\nprograms=P\r\nShut Down=S\r\nRun=R2\r\n");

    // One line that cannot be written keeps the others out too.
    const std::pair<std::string_view, std::string_view> spoiled[] = {{"A", "1"},
                                                                      {"B", "two\r\nlines"}};
    EXPECT_FALSE(writeProfileStrings(file, "Rename", spoiled));
    EXPECT_EQ(readProfileString(file, "Rename", "A", "none"), "none");
}

TEST_F(ProfileStringTest, AFailedWriteLeavesTheOldFileWhole) {
    writeFile(file, "[Rename]\r\nNUL=C:\\x\r\n");
    // The file is replaced through a new file beside it: nothing else is left.
    ASSERT_TRUE(writeProfileString(file, "Rename", "A", "B"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A disk that fills up halfway through the new file: the size limit stops
    // even root, so this runs everywhere. It runs in a child, which alone
    // carries the limit.
    std::string before = readFile(file);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Status s = writeProfileString(file, "Rename", "Big", std::string(10000, 'x'));
        ::_exit(!s && s.error().code == WinError::DiskFull ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write reports a full disk";
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "the half-written new file is gone";

    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    Status s = writeProfileString(file, "Rename", "C", "D");
    fs::permissions(dir.path(), fs::perms::owner_all);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, WinError::AccessDenied);
    EXPECT_EQ(readFile(file), before);
}

TEST_F(ProfileStringTest, WindowsPathsGoThroughTheMachine) {
    Machine machine(dir.path());
    writeFile(machine.driveC() / "MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WINDOWS\r\n");
    fs::create_directories(machine.driveC() / "WINDOWS");
    EXPECT_EQ(readProfileString(machine, "C:\\Msdos.sys", "Paths", "WinDir", "Error"),
              "C:\\WINDOWS");
    ASSERT_TRUE(writeProfileString(machine, "C:\\WINDOWS\\WinInit.ini", "Rename",
                                   "C:\\WINDOWS\\Explorer.exe", "C:\\WINDOWS\\Explorer.new"));
    EXPECT_TRUE(fs::exists(machine.driveC() / "WINDOWS" / "WinInit.ini"));

    EXPECT_EQ(readProfileString(machine, "Error\\WinInit.ini", "Rename", "X", "MyErr"), "MyErr");
    EXPECT_EQ(readProfileIntExact(machine, "Error\\index.vkr", "StartMenu", "LogoHeight", 131),
              131);
    Status relative = writeProfileString(machine, "Error\\WinInit.ini", "Rename", "A", "B");
    ASSERT_FALSE(relative);
    EXPECT_EQ(relative.error().code, WinError::PathNotFound);
}

} // namespace
} // namespace velkan::platform
