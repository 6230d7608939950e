// Reading and writing a pack's index file: the reading rules that every
// reader shares, hostile files, and the key order of a new file.
#include "themes/PackIndex.h"

#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace velkan;
using shellpatch::Entry;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace {

struct PackFolder {
    TempDir dir;
    platform::Machine machine{dir.path()};
    PackFolder() { std::filesystem::create_directories(dir.path() / "drive_c" / "Pack"); }
    void index(const std::string& bytes) const { writeFile(dir / "drive_c/Pack/index.vkr", bytes); }
    themes::PackIndex read() const { return themes::PackIndex(machine, "C:\\Pack"); }
};

} // namespace

TEST(PackIndex, CaptionsAreAbsentOnlyWhenMissingOrMyErr) {
    PackFolder p;
    p.index("[StartMenu]\r\nprograms=\r\nFind=MyErr\r\nHelp=  &Help me  \r\n"
            "[startbutton]\r\nTOOLTIP=Hi there\r\nText=Go\r\n");
    const auto index = p.read();
    EXPECT_EQ(index.menuCaption(Entry::Programs), std::optional<std::string>(""));
    EXPECT_EQ(index.menuCaption(Entry::Documents), std::nullopt);
    EXPECT_EQ(index.menuCaption(Entry::Find), std::nullopt);
    EXPECT_EQ(index.menuCaption(Entry::Help), std::optional<std::string>("&Help me"));
    // "ToolTip" and "Tooltip" name one key; names compare without case.
    EXPECT_EQ(index.tooltip(), std::optional<std::string>("Hi there"));
    EXPECT_EQ(index.startText(), std::optional<std::string>("Go"));
}

TEST(PackIndex, AboutDefaultsOnlyForMissingKeys) {
    PackFolder p;
    p.index("[About]\r\nAuthor=\r\n");
    const auto index = p.read();
    EXPECT_EQ(index.author(), "");
    EXPECT_EQ(index.description(), "Unknown");
    EXPECT_EQ(index.name(), "");
}

TEST(PackIndex, LogoHeightIsAHeightOnlyFromOneTo130) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"130", 130}, {"1", 1},   {"0x40", 64}, {"0X7f", 127},
        {"0", {}},    {"-5", {}}, {"131", {}},  {"999999999999", {}},
        {"12px", {}}, {"0x", {}}, {"", {}},     {"+57", 57}};
    for (const auto& [text, height] : cases) {
        SCOPED_TRACE(text);
        PackFolder p;
        p.index(std::string("[StartMenu]\r\nLogoHeight=") + text + "\r\n");
        EXPECT_EQ(p.read().logoHeight(), height);
    }
    PackFolder missing;
    missing.index("[StartMenu]\r\n");
    EXPECT_EQ(missing.read().storedLogoHeight(), 131);
}

TEST(PackIndex, HostileFilesReadAsAbsentOrCappedValues) {
    {
        // Binary garbage: no sections, nothing read, nothing thrown.
        PackFolder p;
        std::string garbage;
        for (int i = 0; i < 70000; ++i)
            garbage += static_cast<char>((i * 7919) % 256);
        p.index(garbage);
        EXPECT_EQ(p.read().menuCaption(Entry::Programs), std::nullopt);
        EXPECT_EQ(p.read().logoHeight(), std::nullopt);
    }
    {
        // A value of thousands of characters is cut to what a reader takes.
        PackFolder p;
        p.index("[StartMenu]\r\nPrograms=" + std::string(5000, 'x') + "\r\n");
        EXPECT_EQ(p.read().menuCaption(Entry::Programs)->size(), 1023u);
    }
    {
        // A 10 MB file with the keys at its end.
        PackFolder p;
        std::string big = "[Junk]\r\n";
        while (big.size() < 10u << 20)
            big += "k" + std::to_string(big.size()) + "=" + std::string(100, 'j') + "\r\n";
        p.index(big + "[StartMenu]\r\nRun=R&un\r\nLogoHeight=77\r\n");
        EXPECT_EQ(p.read().menuCaption(Entry::Run), std::optional<std::string>("R&un"));
        EXPECT_EQ(p.read().logoHeight(), 77);
    }
    {
        // An index that is a folder is no pack at all.
        PackFolder p;
        std::filesystem::create_directories(p.dir / "drive_c/Pack/INDEX.VKR");
        EXPECT_FALSE(themes::holdsPack(p.machine, "C:\\Pack"));
        EXPECT_EQ(p.read().menuCaption(Entry::Programs), std::nullopt);
    }
}

TEST(PackIndex, ANewFileHoldsOnlyWhatIsSetInTheDocumentedOrder) {
    PackFolder p;
    themes::PackIndexValues values;
    values.name = "Mine";
    values.description = "Blue";
    values.tooltip = "Tip";
    values.startText = "Go";
    values.captions[static_cast<int>(Entry::LogOff)] = "Bye";
    values.captions[static_cast<int>(Entry::ShutDown)] = "Off";
    values.captions[static_cast<int>(Entry::Programs)] = "";
    values.logoHeight = 57;
    ASSERT_TRUE(themes::writePackIndex(p.machine, "C:\\Pack\\index.vkr", values));
    EXPECT_EQ(readFile(p.dir / "drive_c/Pack/index.vkr"),
              "[About]\r\nName=Mine\r\nAuthor=\r\nDescription=Blue\r\n\r\n"
              "[StartButton]\r\nText=Go\r\nTooltip=Tip\r\n\r\n"
              "[StartMenu]\r\nPrograms=\r\nShut Down=Off\r\nLogoff=Bye\r\nLogoHeight=57\r\n");
    // Read back by the loaders' rules.
    const auto index = p.read();
    EXPECT_EQ(index.tooltip(), std::optional<std::string>("Tip"));
    EXPECT_EQ(index.menuCaption(Entry::LogOff), std::optional<std::string>("Bye"));
    EXPECT_EQ(index.menuCaption(Entry::Programs), std::optional<std::string>(""));
    EXPECT_EQ(index.menuCaption(Entry::Find), std::nullopt);
    EXPECT_EQ(index.logoHeight(), 57);
}

TEST(PackIndex, WritingIntoAnExistingFileKeepsEveryOtherLine) {
    PackFolder p;
    p.index(
        "; made by hand\r\n[StartMenu]\r\nFind=Old\r\nLogoHeight=20\r\n[About]\r\nName=Old\r\n");
    themes::PackIndexValues values;
    values.name = "New";
    values.captions[static_cast<int>(Entry::Find)] = "Seek";
    ASSERT_TRUE(themes::writePackIndex(p.machine, "C:\\Pack\\index.vkr", values));
    EXPECT_EQ(readFile(p.dir / "drive_c/Pack/index.vkr"),
              "; made by hand\r\n[StartMenu]\r\nFind=Seek\r\nLogoHeight=20\r\n[About]\r\n"
              "Name=New\r\nAuthor=\r\nDescription=\r\n");
}

TEST(PackIndex, AFolderThatCannotHoldTheFileFailsTheFirstWrite) {
    PackFolder p;
    themes::PackIndexValues values;
    values.name = "x";
    EXPECT_FALSE(themes::writePackIndex(p.machine, "C:\\Missing\\index.vkr", values));
    EXPECT_FALSE(std::filesystem::exists(p.dir / "drive_c/Missing"));
}
