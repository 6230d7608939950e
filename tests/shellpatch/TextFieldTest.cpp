#include <gtest/gtest.h>

#include <string>

#include "shellpatch/TextField.h"

using velkan::shellpatch::CodePage;
using velkan::shellpatch::TextCodec;

namespace {

constexpr int kEnglishUs = 0;
constexpr int kFrench = 4;
constexpr int kFinnish = 6;
constexpr int kGerman = 7;
constexpr int kPolish = 9;
constexpr int kRussianIe4 = 11;
constexpr int kHebrew = 23;
constexpr int kRussian = 27;

std::u16string units(const std::string& bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return out;
}

std::string bytesOf(const std::u16string& u) {
    std::string out;
    for (char16_t c : u) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

} // namespace

TEST(TextField, PadsWithSpacesOrWithNulForTheTooltip) {
    auto codec = TextCodec::forBuild(kEnglishUs);
    EXPECT_EQ(units(codec.encodeField("Hi", 5, false)), u"Hi   ");
    EXPECT_EQ(units(codec.encodeField("Hi", 20, true)), std::u16string(u"Hi") + std::u16string(18, u'\0'));
    // Longer text than the field never spills over into the next field.
    EXPECT_EQ(codec.encodeField("Startbutton", 5, false).size(), 10u);
}

TEST(TextField, ReadingRemovesOnlyTheTrailingSpacesOfTheWholeField) {
    auto codec = TextCodec::forBuild(kEnglishUs);
    EXPECT_EQ(codec.decodeField(bytesOf(u"Prog     ")), "Prog");
    EXPECT_EQ(codec.decodeField(bytesOf(u"ABC D")), "ABC D");
    // Spaces typed before NUL padding stay: the field does not end in a space.
    std::string tooltip = codec.decodeField(bytesOf(std::u16string(u"Hi  ") + std::u16string(6, u'\0')));
    EXPECT_EQ(tooltip, std::string("Hi  ") + std::string(6, '\0'));
    EXPECT_EQ(codec.decodeField(bytesOf(u"     ")), "");
}

TEST(TextField, RussianBuildsUseCodePage1251BothWays) {
    for (int build : {kRussianIe4, kRussian}) {
        auto codec = TextCodec::forBuild(build);
        EXPECT_EQ(codec.codePage(), CodePage::Cyrillic);
        EXPECT_EQ(codec.encodeChar(192), u'\u0410');
        EXPECT_EQ(codec.encodeChar(255), u'\u044F');
        EXPECT_EQ(codec.encodeChar('A'), u'A');
        EXPECT_EQ(codec.decodeField(bytesOf(u"\u0421\u0442")), "\xD1\xF2");
        // "Ёлка №1 ёж": the upper-half letters and signs are themselves, never
        // control characters, and read back as the same bytes.
        const std::string typed = "\xA8\xEB\xEA\xE0 \xB9" "1 \xB8\xE6";
        EXPECT_EQ(units(codec.encodeField(typed, 10, true)), u"Ёлка №1 ёж");
        EXPECT_EQ(codec.decodeUnit(u'\u0401'), static_cast<unsigned char>(0xA8));
        EXPECT_EQ(codec.decodeField(bytesOf(u"Ёлка №1 ёж")), typed);
        EXPECT_EQ(codec.decodeUnit(u'\u00E9'), static_cast<unsigned char>('?'));
    }
}

TEST(TextField, OtherBuildsRoundTripEveryByteOfTheirCodePage) {
    for (int build = -1; build < 29; ++build) {
        auto codec = TextCodec::forBuild(build);
        for (int b = 0; b < 256; ++b)
            ASSERT_EQ(codec.decodeUnit(codec.encodeChar(static_cast<unsigned char>(b))), b)
                << "build " << build << " byte " << b;
    }
}

TEST(TextField, AccentedWesternTextIsStoredAsItsOwnLetters) {
    auto french = TextCodec::forBuild(kFrench);
    EXPECT_EQ(french.codePage(), CodePage::Western);
    EXPECT_EQ(units(french.encodeField("D\xE9marrer", 8, false)), u"D\u00E9marrer");
    EXPECT_EQ(french.decodeField(bytesOf(u"D\u00E9marrer")), "D\xE9marrer");
    EXPECT_EQ(units(TextCodec::forBuild(kFinnish).encodeField("K\xE4ynnist\xE4", 9, false)),
              u"K\u00E4ynnist\u00E4");
    EXPECT_EQ(units(TextCodec::forBuild(kGerman).encodeField("&Ausf\xFChren...", 13, false)),
              u"&Ausf\u00FChren...");
    // cp1252's upper half is not Latin-1 everywhere.
    EXPECT_EQ(french.encodeChar(0x80), u'\u20AC');
    EXPECT_EQ(french.decodeUnit(u'\u2122'), static_cast<unsigned char>(0x99));
}

TEST(TextField, CentralEuropeanAndHebrewBuildsUseTheirCodePages) {
    auto polish = TextCodec::forBuild(kPolish);
    EXPECT_EQ(polish.codePage(), CodePage::CentralEuropean);
    EXPECT_EQ(polish.encodeChar(0xB3), u'\u0142'); // l with stroke
    EXPECT_EQ(TextCodec::forBuild(17).codePage(), CodePage::CentralEuropean);
    EXPECT_EQ(TextCodec::forBuild(25).codePage(), CodePage::CentralEuropean);

    auto hebrew = TextCodec::forBuild(kHebrew);
    EXPECT_EQ(hebrew.codePage(), CodePage::Hebrew);
    EXPECT_EQ(hebrew.encodeChar(0xE0), u'\u05D0'); // alef
    EXPECT_EQ(hebrew.decodeField(bytesOf(u"\u05D4\u05EA\u05D7\u05DC ")), "\xE4\xFA\xE7\xEC");
}

TEST(TextField, UnitsOutsideTheCodePageReadAsTheDefaultCharacter) {
    EXPECT_EQ(TextCodec::forBuild(kEnglishUs).decodeUnit(u'\u0421'), '?');
    EXPECT_EQ(TextCodec::forBuild(kHebrew).decodeUnit(u'\u0142'), '?');
}
