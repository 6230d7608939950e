#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using velkan::test::ProcessResult;
using velkan::test::readFile;
using velkan::test::runProcess;
using velkan::test::TempDir;
using velkan::test::tool;
using velkan::test::writeFile;

ProcessResult ini(const std::vector<std::string>& args) {
    std::vector<std::string> all{"ini"};
    all.insert(all.end(), args.begin(), args.end());
    return runProcess(tool("velkan-machine"), all);
}

TEST(IniCommandTest, SetThenGetRoundTrips) {
    TempDir dir;
    std::string file = (dir / "index.vkr").string();
    ASSERT_EQ(ini({"set", file, "About", "Name", "Sun Theme Pack"}).exitCode, 0);
    ASSERT_EQ(ini({"set", file, "StartMenu", "LogoHeight", "0x82"}).exitCode, 0);
    EXPECT_EQ(readFile(file), "[About]\r\nName=Sun Theme Pack\r\n\r\n[StartMenu]\r\n"
                              "LogoHeight=0x82\r\n");

    ProcessResult name = ini({"get", file, "about", "NAME"});
    EXPECT_EQ(name.exitCode, 0);
    EXPECT_EQ(name.out, "Sun Theme Pack\n");
    EXPECT_EQ(ini({"get", file, "About", "Author", "--default", "Unknown  "}).out, "Unknown\n");
    EXPECT_EQ(ini({"get", file, "About", "Author"}).out, "\n");
    EXPECT_EQ(ini({"get", file, "About", "Name", "--size", "4"}).out, "Sun\n");
    EXPECT_EQ(ini({"get", file, "StartMenu", "LogoHeight", "--int"}).out, "130\n");
    EXPECT_EQ(ini({"get", file}).out, "About\nStartMenu\n");
    EXPECT_EQ(ini({"get", file, "About"}).out, "Name\n");

    ASSERT_EQ(ini({"set", file, "About", "Name", "--", "--dashes--"}).exitCode, 0);
    EXPECT_EQ(ini({"get", file, "About", "Name"}).out, "--dashes--\n");
}

TEST(IniCommandTest, PrintsTheValueExactlyAsReadAndDeletes) {
    TempDir dir;
    std::string file = (dir / "WinInit.ini").string();
    writeFile(file, "; keep me\n[Rename]\nNUL=C:\\WINDOWS\\x.tmp\nQuoted = \"  padded  \" \n");
    EXPECT_EQ(ini({"get", file, "rename", "quoted"}).out, "  padded  \n");
    ASSERT_EQ(ini({"set", file, "Rename", "NUL", "--delete"}).exitCode, 0);
    EXPECT_EQ(readFile(file), "; keep me\n[Rename]\nQuoted = \"  padded  \" \n");
    ASSERT_EQ(ini({"set", file, "Rename", "--delete"}).exitCode, 0);
    EXPECT_EQ(readFile(file), "; keep me\n");
}

TEST(IniCommandTest, ReportsFailuresAndMisuse) {
    TempDir dir;
    ProcessResult noFolder = ini({"set", (dir / "none" / "a.ini").string(), "S", "K", "V"});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.err.find((dir / "none" / "a.ini").string()), std::string::npos);
    EXPECT_EQ(ini({"get", (dir / "none.ini").string(), "S", "K", "--default", "D"}).out, "D\n")
        << "a missing file reads as the default";
    EXPECT_EQ(ini({}).exitCode, 2);
    EXPECT_EQ(ini({"frob"}).exitCode, 2);
    EXPECT_EQ(ini({"set", "f", "S", "K"}).exitCode, 2);
    EXPECT_EQ(ini({"get", "f", "S", "K", "--size"}).exitCode, 2);
    EXPECT_EQ(ini({"get", "f", "S", "K", "--size", "many"}).exitCode, 2);
}

} // namespace
