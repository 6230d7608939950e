// The look of the Start menu gathered from real machine folders: which
// entries the shell shows, their captions and icons, the logo rows and the
// Start-button image, and a theme pack laid over them.
#include "preview/StartMenuLook.h"

#include "platform/Files.h"
#include "platform/IconFileWriter.h"
#include "platform/IconLibrary.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "preview/Accelerator.h"
#include "preview/PackLook.h"
#include "preview/ShellPictures.h"
#include "shellpatch/BuildDetection.h"
#include "tests/support/TempDir.h"
#include "themes/LogoBitmap.h"
#include "tools/MachineBuilder.h"
#include "tools/MachineLook.h"

#include <gtest/gtest.h>

namespace velkan::test {
namespace {

using platform::RootKey;
using shellpatch::Entry;

constexpr const char* kPolicies =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char* kShellIcons =
    "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";

class StartMenuLookTest : public ::testing::Test {
protected:
    void make(int build = 0) {
        machine::MachineSpec spec;
        spec.build = build;
        ASSERT_TRUE(machine::createMachine(dir.path(), spec).ok());
    }
    preview::LookSources sources() {
        auto s = machine::machineLookSources(m, machine::ShellMoment::AfterNextStart);
        EXPECT_TRUE(s.ok());
        return s.ok() ? *s : preview::LookSources{};
    }
    preview::StartMenuLook look(const preview::LookSources& s) {
        auto l = preview::buildLook(m, s);
        EXPECT_TRUE(l.ok()) << (l.ok() ? "" : l.error().message);
        return l.ok() ? *l : preview::StartMenuLook{};
    }
    std::vector<Entry> shownEntries(const preview::StartMenuLook& l) {
        std::vector<Entry> out;
        for (const auto& e : l.entries)
            out.push_back(e.entry);
        return out;
    }
    platform::RegKey key(RootKey root, const char* path) {
        auto k = registry.createKey(root, path);
        EXPECT_TRUE(k.ok());
        return *k;
    }
    std::string host(const std::string& winPath) {
        return platform::resolveWinPath(m, winPath)->string();
    }

    TempDir dir;
    platform::Machine m{dir.path()};
    const platform::Registry registry = platform::machineRegistry(m);
};

platform::Icon solidIcon(int size, std::uint32_t rgb) {
    platform::Icon icon;
    icon.width = icon.height = size;
    icon.bitCount = 4;
    icon.pixels.assign(std::size_t(size * size), 0xFF000000u | rgb);
    icon.mask.assign(std::size_t(size * size), 0);
    return icon;
}

std::string icoBytes(const platform::Icon& icon) {
    auto bytes = platform::writeIconFile16(icon);
    return std::string(bytes.begin(), bytes.end());
}

themes::Bitmap4 stripedLogo(int height) {
    themes::Bitmap4 b;
    b.width = 21;
    b.height = height;
    for (int i = 0; i < 16; ++i)
        b.palette[std::size_t(i)] = 0x00100000u * std::uint32_t(i) + 0x0F;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 21; ++x)
            b.pixels.push_back(std::uint8_t((x + y) % 16));
    return b;
}

TEST(AcceleratorTest, MarksUnderlineTheLastMarkedCharacterAndDoubleMarksStayLiteral) {
    auto programs = preview::parseAccelerator(u"&Programs");
    EXPECT_EQ(programs.text, u"Programs");
    EXPECT_EQ(programs.underlined, 0);
    EXPECT_EQ(preview::parseAccelerator(u"Sh&ut Down...").underlined, 2);
    auto amp = preview::parseAccelerator(u"Fish && Chips");
    EXPECT_EQ(amp.text, u"Fish & Chips");
    EXPECT_EQ(amp.underlined, -1);
    EXPECT_EQ(preview::parseAccelerator(u"&a&b").underlined, 1);
    auto trailing = preview::parseAccelerator(u"Run&");
    EXPECT_EQ(trailing.text, u"Run");
    EXPECT_EQ(trailing.underlined, -1);
}

TEST_F(StartMenuLookTest, Ie4BuildShowsTenEntriesWithTheSeparatorBeforeLogOffAndTheStartImage) {
    make(0);
    const auto l = look(sources());
    EXPECT_TRUE(l.ie4);
    EXPECT_EQ(l.startText, u"Start");
    EXPECT_EQ(l.startIconSize, 16);
    EXPECT_EQ(l.startIcon.width, 16);
    ASSERT_EQ(l.entries.size(), 10u);
    EXPECT_EQ(l.entries[0].caption, u"&Programs");
    EXPECT_EQ(l.entries[9].caption, u"Sh&ut Down...");
    EXPECT_EQ(l.entries[l.separatorBefore].entry, Entry::LogOff);
    EXPECT_TRUE(l.entries[0].submenu);
    EXPECT_FALSE(l.entries[6].submenu); // Run
    EXPECT_EQ(l.logo.width, 21);
    EXPECT_EQ(l.logo.height, 130);
}

TEST_F(StartMenuLookTest, NonIe4BuildHasNoFavoritesOrLogOffAndRussianTextsStayCyrillic) {
    make(27); // "Russian"
    const auto l = look(sources());
    EXPECT_FALSE(l.ie4);
    for (const auto& e : l.entries) {
        EXPECT_NE(e.entry, Entry::Favorites);
        EXPECT_NE(e.entry, Entry::LogOff);
    }
    EXPECT_EQ(l.entries[l.separatorBefore].entry, Entry::Suspend);
    ASSERT_FALSE(l.startText.empty());
    for (char16_t c : l.startText)
        EXPECT_TRUE(c >= 0x0410 && c <= 0x044F) << int(c);
}

TEST_F(StartMenuLookTest, PoliciesHideOnlyAsBinaryOneAndSettingsStaysOnIe4Builds) {
    make(0);
    auto policies = key(RootKey::LocalMachine, kPolicies);
    ASSERT_TRUE(policies.setBinary("NoRun", std::string("\x01\0\0\0", 4)).ok());
    ASSERT_TRUE(policies.setString("NoFind", "1").ok()); // not binary: shown
    ASSERT_TRUE(policies.setBinary("NoClose", std::string("\x01\0\0\0", 4)).ok());
    ASSERT_TRUE(policies.setBinary("NoSetFolders", std::string("\x01\0\0\0", 4)).ok());
    registry.deleteKey(RootKey::LocalMachine, "Enum\\Root\\*PNP0C05\\0000");

    auto shown = shownEntries(look(sources()));
    auto has = [&](Entry e) { return std::find(shown.begin(), shown.end(), e) != shown.end(); };
    EXPECT_FALSE(has(Entry::Run));
    EXPECT_FALSE(has(Entry::ShutDown));
    EXPECT_FALSE(has(Entry::Suspend)); // no APM device
    EXPECT_TRUE(has(Entry::Find));
    // IE4's Settings keeps items the policies cannot take away.
    EXPECT_TRUE(has(Entry::Settings));
    EXPECT_EQ(shown.size(), 7u);
}

TEST_F(StartMenuLookTest, SettingsHiddenOnABuildWithoutIe4) {
    make(15);
    auto policies = key(RootKey::LocalMachine, kPolicies);
    ASSERT_TRUE(policies.setBinary("NoSetFolders", std::string("\x01\0\0\0", 4)).ok());
    auto shown = shownEntries(look(sources()));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), Entry::Settings), 0);
}

TEST_F(StartMenuLookTest, ShellIconsValueNamesAnIconOfItsFileOrFallsBackToShell32) {
    make(0);
    const std::string ico = "C:\\WINDOWS\\Red.ico";
    writeFile(host("C:\\WINDOWS") + "/Red.ico", icoBytes(solidIcon(32, 0xFF0000)));
    auto icons = key(RootKey::LocalMachine, kShellIcons);
    ASSERT_TRUE(icons.setString("22", ico + ",0").ok()); // Find
    ASSERT_TRUE(icons.setString("24", ico + ",1").ok()); // Run: index past the count
    ASSERT_TRUE(icons.setString("23", ico).ok());        // Help: no index

    auto s = sources();
    s.shellIconBpp = "16";
    const auto l = look(s);
    auto entry = [&](Entry e) {
        for (const auto& le : l.entries)
            if (le.entry == e)
                return le;
        return preview::LookEntry{};
    };
    EXPECT_EQ(entry(Entry::Find).icon.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
    auto shell32 = platform::IconLibrary::open(host("C:\\WINDOWS\\SYSTEM\\SHELL32.DLL"));
    EXPECT_EQ(entry(Entry::Run).icon.pixels, shell32.icon(24)->pixels);
    EXPECT_EQ(entry(Entry::Help).icon.pixels, shell32.icon(23)->pixels);
}

TEST_F(StartMenuLookTest, SixteenColourShellIconsKeepOnlyTheVgaColours) {
    make(0);
    auto s = sources();
    s.shellIconBpp = "16";
    const auto rich = look(s);
    s.shellIconBpp = "4";
    const auto poor = look(s);
    const auto& vga = platform::standardPalette16();
    bool changed = false;
    for (std::size_t i = 0; i < poor.entries.size(); ++i)
        for (std::size_t p = 0; p < poor.entries[i].icon.pixels.size(); ++p) {
            const auto c = poor.entries[i].icon.pixels[p] & 0xFFFFFF;
            EXPECT_NE(std::find(vga.begin(), vga.end(), c), vga.end());
            changed = changed || c != (rich.entries[i].icon.pixels[p] & 0xFFFFFF);
        }
    EXPECT_TRUE(changed) << "the 256-colour images should lose colours";
}

TEST_F(StartMenuLookTest, LogoRowsAreTheBottomRowsOfTheStoredBitmapPlainOrRunLength) {
    make(0);
    auto s = sources();
    const auto& build = shellpatch::kBuilds[0];
    const std::string file = themes::encodeBitmap4(stripedLogo(57));
    // What the logo loader leaves: palette and rows at the area, stored height kept.
    s.explorer.replace(std::size_t(build.logoOffset + shellpatch::kLogoPalette), file.size() - 54,
                       file.substr(54));
    s.logoHeight = 20;
    const auto l = look(s);
    ASSERT_EQ(l.logo.height, 20);
    const auto expected = *themes::decodeBitmap4(file);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(l.logo.at(x, y), expected.palette[expected.at(x, 57 - 20 + y)])
                << x << "," << y;

    EXPECT_TRUE(preview::decodeShellLogo(s.explorer, build, 0).empty());
    EXPECT_EQ(preview::decodeShellLogo(s.explorer, build, 500).height, 130);
}

TEST_F(StartMenuLookTest, AnUnrecognisedShellGivesNoLook) {
    make(0);
    auto s = sources();
    s.build = -1;
    EXPECT_FALSE(preview::buildLook(m, s).ok());
}

TEST_F(StartMenuLookTest, PackOverlayTakesWhatTheLoadersAcceptAndCutsCaptionsToTheirFields) {
    make(15); // no Favorites, no Log Off
    const std::string pack = "C:\\Pack";
    ASSERT_TRUE(platform::createDirectory(m, pack).ok());
    const std::string folder = host(pack);
    writeFile(folder + "/index.vkr",
              "[StartButton]\r\nText=Go\r\nTooltip=Off you go\r\n[StartMenu]\r\n"
              "Programs=&Program stuff\r\nRun=MyErr\r\nFavorites=&Stars\r\nLogoHeight=40\r\n");
    writeFile(folder + "/Icon16.ico", icoBytes(solidIcon(16, 0x00FF00)));
    writeFile(folder + "/Icon32.ico", icoBytes(solidIcon(32, 0x0000FF)) + "x"); // wrong size
    writeFile(folder + "/Logo.bmp", themes::encodeBitmap4(stripedLogo(130)));
    writeFile(folder + "/2.ico", icoBytes(solidIcon(32, 0xFF0000)));
    writeFile(folder + "/5.ico", icoBytes(solidIcon(32, 0xFFFF00)));

    auto s = sources();
    const std::string userBefore = s.user;
    ASSERT_TRUE(preview::applyPack(s, m, pack));
    EXPECT_EQ(*s.startText, u"Go");
    EXPECT_EQ(*s.captions[0], u"&Program");  // cut to 9 units, the space at the cut dropped
    EXPECT_FALSE(s.captions[6].has_value()); // "MyErr" leaves Run alone
    EXPECT_FALSE(s.captions[1].has_value()); // no Favorites on this build
    EXPECT_FALSE(s.shellIcons[1].has_value());
    EXPECT_EQ(*s.shellIcons[4], pack + "\\5.ico,0");
    EXPECT_EQ(*s.logoHeight, 40);

    const auto l = look(s);
    EXPECT_EQ(l.startIcon.pixel(8, 8) & 0xFFFFFF, 0x00FF00u);
    // The refused 32x32 icon left its image in User.exe as it was.
    const auto& build = shellpatch::kBuilds[15];
    EXPECT_EQ(preview::startButtonImage(s.user, 32, build.iconShift).pixels,
              preview::startButtonImage(userBefore, 32, build.iconShift).pixels);
    EXPECT_EQ(l.logo.height, 40);
    const auto logo = stripedLogo(130);
    EXPECT_EQ(l.logo.at(3, 39), logo.palette[logo.at(3, 129)]);

    EXPECT_FALSE(preview::applyPack(s, m, "C:\\WINDOWS"));
}

TEST_F(StartMenuLookTest, AfterTheNextStartThePendingShellFileIsShownAndNowTheLiveOne) {
    make(0);
    const auto& build = shellpatch::kBuilds[0];
    std::string explorer = readFile(host("C:\\WINDOWS\\EXPLORER.EXE"));
    const std::u16string start = u"Go!  ";
    for (std::size_t i = 0; i < start.size(); ++i) {
        explorer[std::size_t(build.startText.offset) + 2 * i] = char(start[i]);
        explorer[std::size_t(build.startText.offset) + 2 * i + 1] = 0;
    }
    writeFile(host("C:\\WINDOWS") + "/Explorer.new", explorer);
    writeFile(host("C:\\WINDOWS") + "/WinInit.ini",
              "[Rename]\r\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n");
    EXPECT_EQ(look(sources()).startText, u"Go!");
    auto now = machine::machineLookSources(m, machine::ShellMoment::Now);
    ASSERT_TRUE(now.ok());
    EXPECT_EQ(look(*now).startText, u"Start");
}

} // namespace
} // namespace velkan::test
