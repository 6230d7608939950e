// The Start-button icon and the logo: accepted only when their layout matches
// the place in the shell file exactly, and then copied byte for byte.
#include "shellpatch/BuildTable.h"
#include "tests/app/AppMachine.h"

#include <gtest/gtest.h>

using namespace velkan;
using test::AppMachine;
using test::Session;

namespace {

const std::string kIconMessage =
    "Incorrect icon...|  Icon must be 10x10 or 12x12 or 14x14\ror 16x16 or 22x22 or 32x32 with "
    "16 colors!";
const std::string kBitmapMessage =
    "Incorrect bitmap...| Bitmap must be 21x57 with 16 colors\r or 21x130 with 16 colors if "
    "bitmap is RLE.";

void chooseIcon(Session& run, const std::string& path) {
    run.questions.chooseFile(path);
    run.form().main.StartSE.click();
}

void chooseLogo(Session& run, const std::string& path) {
    run.questions.chooseFile(path);
    run.form().main.LogoBn.click();
}

} // namespace

TEST(StartButtonIcon, EachSizeLandsAtItsPlaceMovedByTheBuildsShift) {
    const int build = 4; // IconShift -1760
    const std::int32_t shift = shellpatch::kBuilds[build].iconShift;
    AppMachine m(build);
    const std::string user = m.bytes("System\\User.exe");
    Session run(m);
    run.start();
    std::vector<std::pair<std::int32_t, std::string>> expected;
    for (const auto& place : shellpatch::kStartIconPlaces) {
        SCOPED_TRACE(place.size);
        const std::string file = test::iconFile(place.size);
        ASSERT_EQ(file.size(), static_cast<std::size_t>(place.icoFileSize));
        const std::string path = "C:\\Icons\\i" + std::to_string(place.size) + ".ico";
        m.put(path, file);
        chooseIcon(run, path);
        const std::string size = std::to_string(place.size);
        EXPECT_EQ(run.form().main.StartSE.hint(), "Size " + size + "x" + size + " with 16 colors");
        expected.emplace_back(place.iconBaseOffset + shift, file.substr(22));
    }
    const auto& dialog = run.questions.asked().front().file;
    EXPECT_EQ(dialog.title, "Choose an icon file with 16 colors");
    EXPECT_EQ(dialog.filter, "Icon files (*.ico)|*.ico|All files (*.*)|*.*");
    EXPECT_EQ(run.messageBoxes().size(), 0u);
    EXPECT_EQ(run.form().loadedIconCount, 6);
    EXPECT_EQ(run.form().main.MyImage.picture().kind, platform::Picture::Kind::IconFile);
    run.declineRestart();
    run.form().OKBn.click();
    // Only the user file is replaced; Explorer.exe is left alone.
    EXPECT_EQ(m.renameLines(), std::vector<std::string>{
                                   "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.new"});
    EXPECT_EQ(m.bytes("System\\User.sav"), user);
    std::string want = user;
    for (const auto& [offset, image] : expected)
        want.replace(static_cast<std::size_t>(offset), image.size(), image);
    EXPECT_EQ(m.bytes("System\\User.new"), want);
}

TEST(StartButtonIcon, RejectsEveryFileThatIsNotOneSixteenColourImageOfASupportedSize) {
    AppMachine m(0);
    // Two images: a 16x16 and a 32x32 behind a directory of two entries.
    std::string two = test::iconFile(16).substr(0, 6) + test::iconFile(16).substr(6, 16) +
                      test::iconFile(32).substr(6, 16) + test::iconFile(16).substr(22) +
                      test::iconFile(32).substr(22);
    two[4] = 2;
    const std::pair<const char*, std::string> rejected[] = {
        {"16x16 in 256 colours", test::iconFile(16, 8)},
        {"a 16x16 and a 32x32", two},
        {"11 pixels wide", test::iconFile(11)},
        {"one byte too many", test::iconFile(16, 4, 1)},
        {"24 pixels wide", test::iconFile(24)},
    };
    Session run(m);
    run.start();
    for (const auto& [name, bytes] : rejected) {
        SCOPED_TRACE(name);
        const std::string path = std::string("C:\\Icons\\") + name + ".ico";
        m.put(path, bytes);
        run.questions.chooseFile(path);
        run.pressOk();
        run.form().main.StartSE.click();
        EXPECT_EQ(run.messageBoxes().back(), kIconMessage);
        EXPECT_EQ(run.form().lastIconFile, path);
    }
    EXPECT_EQ(run.messageBoxes().size(), std::size(rejected));
    EXPECT_FALSE(run.form().IconChanged);
    EXPECT_EQ(run.form().main.MyImage.picture().kind, platform::Picture::Kind::SystemIcon);
    EXPECT_EQ(m.bytes("System\\User.tmp"), m.bytes("System\\User.exe"));
    // The height is not looked at: the exact size decides.
    std::string odd = test::iconFile(16);
    odd[30] = 7;
    m.put("C:\\Icons\\odd.ico", odd);
    chooseIcon(run, "C:\\Icons\\odd.ico");
    EXPECT_TRUE(run.form().IconChanged);
    // A cancelled dialog loads nothing.
    run.questions.cancelFileDialog();
    run.form().main.IconBn.click();
    EXPECT_EQ(run.form().lastIconFile, "C:\\Icons\\odd.ico");
    run.form().CancelBn.click();
}

TEST(StartButtonIcon, AUsRowWhoseUserFileIsLaidOutAsItsPeTwinMovesToThatRow) {
    AppMachine m(0, /*userLayout=*/1);
    m.put("C:\\i.ico", test::iconFile(32));
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().main.VersionRG.itemIndex(), 0);
    chooseIcon(run, "C:\\i.ico");
    EXPECT_TRUE(run.questions.asked().size() == 1); // the dialog; no message box
    EXPECT_EQ(run.form().main.VersionRG.itemIndex(), 1);
    EXPECT_EQ(run.form().main.StartSE.hint(), "Size 32x32 with 16 colors");
    EXPECT_EQ(run.form().main.StartEdit.text(), "Start");
    const auto place = shellpatch::kStartIconPlaces[5];
    ASSERT_EQ(place.size, 32);
    EXPECT_EQ(m.bytes("System\\User.tmp")
                  .substr(static_cast<std::size_t>(place.iconBaseOffset + 352), 744),
              test::iconFile(32).substr(22));
    run.form().CancelBn.click();
}

TEST(StartButtonIcon, AUserFileOfNoKnownLayoutOnlySaysSoInTheHint) {
    AppMachine m(4, /*userLayout=*/6);
    const std::string user = m.bytes("System\\User.exe");
    m.put("C:\\i.ico", test::iconFile(16));
    Session run(m);
    run.start();
    chooseIcon(run, "C:\\i.ico");
    EXPECT_EQ(run.messageBoxes().size(), 0u);
    EXPECT_EQ(run.form().main.StartSE.hint(), "Incorrect Win95 version");
    EXPECT_EQ(run.form().main.VersionRG.itemIndex(), 4);
    EXPECT_FALSE(run.form().IconChanged);
    EXPECT_EQ(run.form().lastIconFile, "");
    EXPECT_EQ(m.bytes("System\\User.tmp"), user);
    run.form().CancelBn.click();
}

TEST(Logo, AcceptedBitmapsFillTheAreaFromThePaletteOnAndNoFurther) {
    const int build = 21;
    const std::int32_t logo = shellpatch::kBuilds[build].logoOffset;
    AppMachine m(build);
    const std::string original = m.bytes("Explorer.exe");
    const auto palette = static_cast<std::size_t>(logo - 64);
    const auto areaEnd = static_cast<std::size_t>(logo + 1560);
    const auto compression = static_cast<std::size_t>(logo - 88);
    Session run(m);
    run.start();

    struct Case {
        const char* name;
        std::string file;
        char compressionByte;
        std::size_t written;
        int top;
    };
    const Case cases[] = {
        {"run-length 21x130, longer than the area", test::bitmapFile(21, 130, 4, 2, 2000, 'r'), 2,
         1624, 206},
        {"uncompressed 21x130", test::bitmapFile(21, 130, 4, 0, 1560, 'u'), 0, 1624, 206},
        {"uncompressed 21x57", test::bitmapFile(21, 57, 4, 0, 684, 's'), 0, 748, 279},
        {"compression 1 counts as none", test::bitmapFile(21, 57, 4, 1, 684, 'o'), 0, 748, 279},
    };
    std::string expected = original;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m.put("C:\\logo.bmp", c.file);
        chooseLogo(run, "C:\\logo.bmp");
        EXPECT_TRUE(run.messageBoxes().empty());
        expected.replace(palette, c.written, c.file.substr(54, c.written));
        expected[compression] = c.compressionByte;
        const std::string now = m.bytes("Explorer.tmp");
        EXPECT_EQ(now, expected);
        EXPECT_EQ(now[areaEnd], original[areaEnd]);
        EXPECT_EQ(run.form().main.LogoImage.top(), c.top);
    }
    const auto& dialog = run.questions.asked().front().file;
    EXPECT_EQ(dialog.title, "Choose a bitmap file with width 21 pixels and 16 colors");
    EXPECT_EQ(dialog.filter,
              "Bitmap files (*.bmp)|*.bmp|RLE files (*.rle)|*.rle|All files (*.*)|*.*");
    EXPECT_TRUE(run.form().LogoChanged);
    run.declineRestart();
    run.form().OKBn.click();
    EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
    EXPECT_EQ(m.renameLines(),
              std::vector<std::string>{"C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new"});
    EXPECT_EQ(m.bytes("Explorer.new"), expected);
}

TEST(Logo, RejectsOtherShapesAndDepthsWithoutWriting) {
    AppMachine m(0);
    Session run(m);
    run.start();
    const std::pair<const char*, std::string> rejected[] = {
        {"21x131", test::bitmapFile(21, 131, 4, 0, 1572, 'x')},
        {"22 wide", test::bitmapFile(22, 57, 4, 0, 684, 'x')},
        {"8 bits per pixel", test::bitmapFile(21, 57, 8, 0, 1368, 'x')},
    };
    const std::string before = m.bytes("Explorer.tmp");
    for (const auto& [name, bytes] : rejected) {
        SCOPED_TRACE(name);
        m.put("C:\\bad.bmp", bytes);
        run.questions.chooseFile("C:\\bad.bmp");
        run.pressOk();
        run.form().main.WinlogoSE.click();
        EXPECT_EQ(run.messageBoxes().back(), kBitmapMessage);
    }
    EXPECT_EQ(m.bytes("Explorer.tmp"), before);
    EXPECT_FALSE(run.form().LogoChanged);
    EXPECT_EQ(run.form().main.LogoImage.top(), 206);
    // Loaded without OK, a closing by the close box asks for no restart.
    m.put("C:\\good.bmp", test::bitmapFile(21, 57, 4, 0, 684, 'g'));
    chooseLogo(run, "C:\\good.bmp");
    run.form().close();
    EXPECT_TRUE(run.app.terminated());
    EXPECT_TRUE(m.renameLines().empty());
}
