// The shell files velkan-machine makes, for every build of the table: each
// field at the table's offsets, the logo and icon headers, and detection.
#include "shellpatch/BuildDetection.h"
#include "shellpatch/BuildTable.h"
#include "tools/BuildTexts.h"
#include "tools/ExplorerImage.h"
#include "tools/UserImage.h"

#include <gtest/gtest.h>
#include <string>

using namespace velkan::shellpatch;
using namespace velkan::machine;

namespace {

std::u16string unitsAt(const std::string& bytes, TextField field) {
    std::u16string units;
    for (int i = 0; i < field.length; ++i)
        units += char16_t(*readLe16(bytes, field.offset + 2 * i));
    return units;
}

// The field as the shell file holds it: the text, then NUL units.
std::u16string filled(std::u16string_view text, int length) {
    std::u16string out(text);
    out.resize(length, u'\0');
    return out;
}

int usTwin(int position) {
    return position == 1 || position == 3 || position == 16 ? position - 1 : position;
}

} // namespace

TEST(ShellImages, ExplorerHoldsEachBuildsTextsAndLogoAtItsOffsets) {
    for (const ShellBuild& build : kBuilds) {
        SCOPED_TRACE(std::string(build.itemCaption));
        const std::string exe = makeExplorerImage(build.position);
        const BuildTexts& texts = buildTexts(build.position);
        ASSERT_EQ(exe.size(), explorerFileSize(build.position));
        EXPECT_EQ(exe.substr(0, 2), "MZ");

        ASSERT_LE(texts.startText.size(), std::size_t(build.startText.length));
        ASSERT_LE(texts.tooltip.size(), std::size_t(build.tooltip.length));
        EXPECT_EQ(unitsAt(exe, build.startText), filled(texts.startText, build.startText.length));
        EXPECT_EQ(unitsAt(exe, build.tooltip), filled(texts.tooltip, build.tooltip.length));
        for (const auto& entry : kStartMenuEntries) {
            const TextField field = build.caption(entry.entry);
            const std::u16string_view text = texts.caption(entry.entry);
            if (!entryInBuild(entry.entry, build.ie4)) {
                EXPECT_TRUE(text.empty()) << entry.name;
                continue;
            }
            ASSERT_FALSE(text.empty()) << entry.name;
            ASSERT_LE(text.size(), std::size_t(field.length)) << entry.name;
            EXPECT_EQ(unitsAt(exe, field), filled(text, field.length)) << entry.name;
        }
        EXPECT_EQ(readLe16(exe, build.caption(Entry::Programs).offset - 2), 1);

        const std::int64_t header = build.logoOffset - 104;
        EXPECT_EQ(readLe32(exe, header), 40u);
        EXPECT_EQ(readLe32(exe, header + 4), 21u);
        EXPECT_EQ(readLe32(exe, header + 8), 130u);
        EXPECT_EQ(readLe16(exe, header + 12), 1);  // planes
        EXPECT_EQ(readLe16(exe, header + 14), 4);  // 16 colours
        EXPECT_EQ(readLe32(exe, header + 16), 0u); // uncompressed
        // The palette holds the VGA colours: black first, white last.
        EXPECT_EQ(readLe32(exe, build.logoOffset - 64), 0u);
        EXPECT_EQ(readLe32(exe, build.logoOffset - 4), 0x00FFFFFFu);
        EXPECT_LE(std::size_t(build.logoOffset + 1560), exe.size());
    }
}

TEST(ShellImages, TextsAreInTheBuildsLanguage) {
    EXPECT_EQ(toUtf8(buildTexts(4).startText), "Démarrer");
    EXPECT_EQ(toUtf8(buildTexts(21).startText), "Käynnistä");
    EXPECT_EQ(toUtf8(buildTexts(11).startText), "Пуск");
    EXPECT_EQ(toUtf8(buildTexts(27).startText), "Пуск");
    EXPECT_EQ(toUtf8(buildTexts(12).startText), "Inicio");
    EXPECT_EQ(toUtf8(buildTexts(10).startText), "Iniciar");
    // Hebrew letters, Polish and Czech diacritics stay what they are.
    for (char16_t c : buildTexts(23).startText)
        EXPECT_TRUE(c >= 0x05D0 && c <= 0x05EA);
    EXPECT_NE(buildTexts(25).tooltip.find(u'ą'), std::u16string_view::npos);
    EXPECT_NE(buildTexts(17).tooltip.find(u'č'), std::u16string_view::npos);
    // Every build says something different from the English shell somewhere,
    // except the English ones.
    for (int p = 4; p < kBuildCount; ++p)
        if (p != 15 && p != 16) {
            EXPECT_NE(buildTexts(p).tooltip, buildTexts(0).tooltip) << p;
        }
}

TEST(ShellImages, EveryExplorerIsDetectedAsItsOwnBuild) {
    for (const ShellBuild& build : kBuilds) {
        const std::string exe = makeExplorerImage(build.position);
        EXPECT_EQ(detectBuild(exe), usTwin(build.position)) << build.itemCaption;
        // Rows that come earlier in the list fail the header test or cannot
        // be read; none of them reads 40.
        for (int earlier = 0; earlier < usTwin(build.position); ++earlier)
            EXPECT_FALSE(buildMatches(exe, kBuilds[earlier]))
                << build.itemCaption << " read as " << kBuilds[earlier].itemCaption;
    }
}

TEST(ShellImages, UserExeHoldsTheSixIconsAtTheBuildsShift) {
    for (const ShellBuild& build : kBuilds) {
        SCOPED_TRACE(std::string(build.itemCaption));
        const std::string user = makeUserImage(build.position);
        EXPECT_EQ(user.substr(0, 2), "MZ");
        for (const auto& place : kStartIconPlaces) {
            const std::int64_t at = std::int64_t(place.iconBaseOffset) + build.iconShift;
            EXPECT_EQ(readLe32(user, at), 40u) << place.size;
            EXPECT_EQ(readLe32(user, at + 4), std::uint32_t(place.size));
            EXPECT_EQ(readLe32(user, at + 8), std::uint32_t(2 * place.size));
            EXPECT_EQ(readLe16(user, at + 14), 4);
            EXPECT_LE(std::size_t(at + place.imageBytes()), user.size());
            EXPECT_TRUE(startIconHeaderMatches(user, build, place.size));
        }
        // The icon loader, starting from the build Explorer.exe is detected
        // as, ends on this layout: at once, or through the variant switch.
        EXPECT_EQ(userLayoutFor(user, usTwin(build.position)), build.position);
    }
}

TEST(ShellImages, PeUserExeFailsTheUsTestSoTheVariantSwitchHappens) {
    for (int pe : {1, 3, 16}) {
        const std::string user = makeUserImage(pe);
        EXPECT_FALSE(startIconHeaderMatches(user, kBuilds[pe - 1], 10)) << pe;
        EXPECT_TRUE(startIconHeaderMatches(user, kBuilds[variantSwitch(pe - 1)], 10)) << pe;
    }
    // A "US" layout does not pass for the "PE" row either.
    EXPECT_FALSE(startIconHeaderMatches(makeUserImage(0), kBuilds[1], 10));
    // A build without a twin whose User.exe does not match stays unmatched.
    EXPECT_EQ(userLayoutFor(makeUserImage(0), 23), std::nullopt);
}

TEST(ShellImages, LogoPixelsThatReadAsAnEarlierRowsHeaderAreChanged) {
    // Chech's test word lies in the pixel rows of Danish's logo, 920 bytes in:
    // bottom-up row 76 (picture row 53), byte 8 (pixels 16 and 17). A green
    // and a grey pixel followed by black make that word 28 00 00 00.
    Canvas logo(21, 130, vga::Black);
    logo.set(16, 53, vga::Green);
    logo.set(17, 53, vga::Gray);
    const std::string exe = makeExplorerImage(18, logo);
    const std::int64_t at = kBuilds[17].logoOffset - 104;
    ASSERT_EQ(at - kBuilds[18].logoOffset, 920);
    EXPECT_EQ(static_cast<unsigned char>(exe[at]), 0x22); // grey became green
    EXPECT_EQ(detectBuild(exe), 18);
}
