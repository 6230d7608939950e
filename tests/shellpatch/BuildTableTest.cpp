#include "shellpatch/BuildTable.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace velkan::shellpatch;

namespace {

// The build table as it is published, copied line for line, so that every
// offset in the code can be checked against an independent transcription.
const char* kPublishedOffsets = R"table(
| 0 | "English US IE4.01" | yes | 159470 / 5 | 157878 / 20 | 152376 | 0 |
| 1 | "English PE IE4.01" | yes | 159470 / 5 | 157878 / 20 | 152376 | 352 |
| 2 | "English US IE4" | yes | 174878 / 5 | 173286 / 20 | 168224 | 0 |
| 3 | "English PE IE4" | yes | 174878 / 5 | 173286 / 20 | 168224 | 352 |
| 4 | "French IE4.01" | yes | 158982 / 8 | 157816 / 27 | 99700 | -1760 |
| 5 | "French IE4" | yes | 174126 / 8 | 172952 / 27 | 100592 | -1760 |
| 6 | "Finnish IE4" | yes | 173278 / 9 | 172242 / 24 | 100168 | -2208 |
| 7 | "German IE4.01" | yes | 159306 / 5 | 158104 / 47 | 99984 | -1536 |
| 8 | "Italian IE4" | yes | 174418 / 5 | 173158 / 22 | 100744 | -1856 |
| 9 | "Polish IE4" | yes | 173990 / 5 | 172868 / 29 | 100820 | -1728 |
| 10 | "Portuguese IE4 (BR)" | yes | 174314 / 7 | 173056 / 25 | 100640 | -1952 |
| 11 | "Russian IE4" | yes | 173802 / 4 | 172692 / 37 | 100704 | -1760 |
| 12 | "Spanish IE4" | yes | 173854 / 6 | 172610 / 28 | 100348 | -1792 |
| 13 | "Swedish IE4.01" | yes | 157858 / 5 | 156772 / 29 | 99096 | -2112 |
| 14 | "Swedsih IE4" | yes | 169738 / 5 | 168652 / 29 | 99980 | -2112 |
| 15 | "English (US)" | no | 188172 / 5 | 187002 / 19 | 177304 | 0 |
| 16 | "English (PE)" | no | 188172 / 5 | 187002 / 19 | 177304 | 352 |
| 17 | "Chech" | no | 185450 / 5 | 184202 / 21 | 165504 | -1856 |
| 18 | "Danish" | no | 184628 / 5 | 183310 / 22 | 164480 | -2048 |
| 19 | "Dutch" | no | 185388 / 5 | 183950 / 24 | 164560 | -1952 |
| 20 | "French" | no | 185758 / 8 | 184308 / 26 | 164556 | -1760 |
| 21 | "Finnish" | no | 184844 / 9 | 183558 / 24 | 164384 | -2208 |
| 22 | "German" | no | 185482 / 5 | 184012 / 47 | 164488 | -1536 |
| 23 | "Hebrew" | no | 189196 / 5 | 188026 / 19 | 178328 | 9920 |
| 24 | "Italian" | no | 185904 / 5 | 184416 / 22 | 164844 | -1856 |
| 25 | "Polish" | no | 203016 / 5 | 201696 / 28 | 182688 | -1728 |
| 26 | "Portuguese (BR)" | no | 185558 / 7 | 184052 / 24 | 164572 | -1952 |
| 27 | "Russian" | no | 185404 / 4 | 183972 / 37 | 165056 | -1760 |
| 28 | "Swedish" | no | 184138 / 5 | 182816 / 27 | 164148 | -2112 |
)table";

const char* kPublishedCaptions = R"table(
| 0 | 155522 / 9 | 155602 / 10 | 155682 / 10 | 155762 / 9 | 156278 / 5 | 156326 / 5 | 156354 / 7 | 156402 / 9 | 156446 / 8 | 156514 / 13 |
| 1 | 155522 / 9 | 155602 / 10 | 155682 / 10 | 155762 / 9 | 156278 / 5 | 156326 / 5 | 156354 / 7 | 156402 / 9 | 156446 / 8 | 156514 / 13 |
| 2 | 170938 / 9 | 171018 / 10 | 171098 / 10 | 171178 / 9 | 171686 / 5 | 171734 / 5 | 171762 / 7 | 171810 / 9 | 171854 / 8 | 171922 / 13 |
| 3 | 170938 / 9 | 171018 / 10 | 171098 / 10 | 171178 / 9 | 171686 / 5 | 171734 / 5 | 171762 / 7 | 171810 / 9 | 171854 / 8 | 171922 / 13 |
| 4 | 152966 / 11 | 153038 / 8 | 153102 / 10 | 153170 / 11 | 153826 / 11 | 153886 / 5 | 153914 / 12 | 153970 / 13 | 154022 / 12 | 154106 / 11 |
| 5 | 168050 / 11 | 168122 / 8 | 168186 / 10 | 168254 / 11 | 168898 / 11 | 168958 / 5 | 168986 / 12 | 169042 / 13 | 169094 / 12 | 169178 / 11 |
| 6 | 167626 / 9 | 167706 / 9 | 167786 / 10 | 167866 / 10 | 168438 / 5 | 168486 / 5 | 168514 / 11 | 168570 / 22 | 168642 / 9 | 168714 / 11 |
| 7 | 153250 / 10 | 153326 / 10 | 153402 / 10 | 153478 / 14 | 154038 / 7 | 154090 / 6 | 154118 / 13 | 154188 / 12 | 154230 / 14 | 154314 / 11 |
| 8 | 168202 / 10 | 168282 / 10 | 168362 / 13 | 168450 / 13 | 169046 / 6 | 169094 / 15 | 169142 / 10 | 169194 / 13 | 169246 / 9 | 169322 / 19 |
| 9 | 168278 / 9 | 168358 / 9 | 168438 / 10 | 168518 / 11 | 169082 / 7 | 169134 / 6 | 169162 / 11 | 169218 / 10 | 169266 / 10 | 169350 / 18 |
| 10 | 168098 / 10 | 168178 / 10 | 168258 / 11 | 168342 / 14 | 168974 / 10 | 169030 / 6 | 169058 / 12 | 169114 / 19 | 169178 / 10 | 169250 / 12 |
| 11 | 168162 / 10 | 168230 / 10 | 168298 / 10 | 168366 / 10 | 168914 / 6 | 168962 / 8 | 168994 / 13 | 169054 / 19 | 169118 / 13 | 169210 / 21 |
| 12 | 167806 / 10 | 167886 / 10 | 167966 / 11 | 168050 / 12 | 168658 / 7 | 168710 / 6 | 168738 / 13 | 168794 / 15 | 168850 / 10 | 168926 / 21 |
| 13 | 152362 / 8 | 152434 / 10 | 152510 / 9 | 152586 / 14 | 153146 / 4 | 153190 / 6 | 153218 / 7 | 153266 / 10 | 153314 / 9 | 153390 / 11 |
| 14 | 164174 / 8 | 164246 / 10 | 164322 / 9 | 164398 / 14 | 164950 / 4 | 164994 / 6 | 165022 / 7 | 165070 / 10 | 165118 / 9 | 165194 / 11 |
| 15 | 180930 / 9 | — | 181010 / 10 | 181090 / 9 | 181250 / 5 | 181298 / 5 | 181326 / 7 | — | 181374 / 8 | 181442 / 13 |
| 16 | 180930 / 9 | — | 181010 / 10 | 181090 / 9 | 181250 / 5 | 181298 / 5 | 181326 / 7 | — | 181374 / 8 | 181442 / 13 |
| 17 | 176466 / 9 | — | 176542 / 10 | 176618 / 10 | 176790 / 7 | 176842 / 9 | 176878 / 9 | — | 176930 / 5 | 177010 / 9 |
| 18 | 175362 / 11 | — | 175434 / 11 | 175506 / 14 | 175682 / 4 | 175726 / 6 | 175754 / 7 | — | 175802 / 7 | 175874 / 18 |
| 19 | 175474 / 12 | — | 175554 / 11 | 175634 / 13 | 175814 / 7 | 175866 / 5 | 175894 / 13 | — | 175954 / 9 | 176054 / 13 |
| 20 | 175598 / 11 | — | 175670 / 10 | 175738 / 11 | 175946 / 11 | 176006 / 5 | 176034 / 12 | — | 176090 / 12 | 176174 / 11 |
| 21 | 175346 / 9 | — | 175426 / 10 | 175506 / 10 | 175686 / 5 | 175734 / 5 | 175762 / 11 | — | 175818 / 9 | 175890 / 11 |
| 22 | 175402 / 10 | — | 175478 / 10 | 175554 / 14 | 175730 / 7 | 175782 / 6 | 175810 / 13 | — | 175870 / 14 | 175954 / 11 |
| 23 | 181954 / 9 | — | 182034 / 10 | 182114 / 9 | 182274 / 5 | 182322 / 5 | 182350 / 7 | — | 182398 / 8 | 182466 / 13 |
| 24 | 175822 / 10 | — | 175902 / 13 | 175990 / 13 | 176206 / 6 | 176254 / 5 | 176302 / 10 | — | 176354 / 9 | 176430 / 19 |
| 25 | 193586 / 9 | — | 193666 / 10 | 193746 / 11 | 193926 / 8 | 193978 / 6 | 194006 / 11 | — | 194062 / 10 | 194146 / 18 |
| 26 | 175582 / 10 | — | 175662 / 11 | 175746 / 14 | 175946 / 10 | 176002 / 6 | 176030 / 12 | — | 176086 / 10 | 176158 / 12 |
| 27 | 175970 / 10 | — | 176038 / 10 | 176114 / 10 | 176290 / 6 | 176338 / 8 | 176370 / 13 | — | 176430 / 10 | 176510 / 21 |
| 28 | 175046 / 8 | — | 175118 / 9 | 175194 / 14 | 175382 / 4 | 175426 / 6 | 175454 / 7 | — | 175502 / 9 | 175578 / 11 |
)table";

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string cell;
    std::getline(in, cell, '|'); // before the first bar
    while (std::getline(in, cell, '|')) {
        auto first = cell.find_first_not_of(' ');
        auto last = cell.find_last_not_of(' ');
        out.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    if (!out.empty() && out.back().empty())
        out.pop_back();
    return out;
}

std::vector<std::vector<std::string>> rows(const char* table) {
    std::vector<std::vector<std::string>> out;
    std::stringstream in(table);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            out.push_back(cells(line));
    return out;
}

TextField parseField(const std::string& cell) {
    if (cell == "\u2014")
        return kAbsent;
    auto slash = cell.find('/');
    return {std::stoi(cell.substr(0, slash)), std::stoi(cell.substr(slash + 1))};
}

} // namespace

TEST(BuildTable, EveryRowMatchesThePublishedTable) {
    auto partA = rows(kPublishedOffsets);
    auto partB = rows(kPublishedCaptions);
    ASSERT_EQ(partA.size(), std::size_t(kBuildCount));
    ASSERT_EQ(partB.size(), std::size_t(kBuildCount));
    for (int p = 0; p < kBuildCount; ++p) {
        SCOPED_TRACE("position " + std::to_string(p));
        const ShellBuild& build = kBuilds[p];
        const auto& a = partA[p];
        ASSERT_EQ(a.size(), 7u);
        EXPECT_EQ(build.position, std::stoi(a[0]));
        EXPECT_EQ("\"" + std::string(build.itemCaption) + "\"", a[1]);
        EXPECT_EQ(build.ie4, a[2] == "yes");
        EXPECT_EQ(build.startText, parseField(a[3]));
        EXPECT_EQ(build.tooltip, parseField(a[4]));
        EXPECT_EQ(build.logoOffset, std::stoi(a[5]));
        EXPECT_EQ(build.iconShift, std::stoi(a[6]));
        const auto& b = partB[p];
        ASSERT_EQ(b.size(), 11u);
        EXPECT_EQ(std::stoi(b[0]), p);
        for (int e = 0; e < kEntryCount; ++e)
            EXPECT_EQ(build.captions[e], parseField(b[e + 1])) << kStartMenuEntries[e].name;
    }
}

TEST(BuildTable, IrregularRows) {
    // Hebrew moves its icons forward; every other shift but the PE rows' goes back.
    EXPECT_EQ(kBuilds[23].itemCaption, "Hebrew");
    EXPECT_EQ(kBuilds[23].iconShift, 9920);
    for (const auto& build : kBuilds)
        if (build.position != 23 && build.iconShift > 0) {
            EXPECT_EQ(build.iconShift, 352) << build.itemCaption;
        }

    // Start-button fields other than five characters.
    std::set<std::pair<int, int>> odd;
    for (const auto& build : kBuilds)
        if (build.startText.length != 5)
            odd.insert({build.position, build.startText.length});
    std::set<std::pair<int, int>> expected{{4, 8},  {5, 8},  {6, 9},  {10, 7}, {11, 4},
                                           {12, 6}, {20, 8}, {21, 9}, {26, 7}, {27, 4}};
    EXPECT_EQ(odd, expected);

    // The captions keep their odd spellings; the misspelt Swedish row is still IE4.
    EXPECT_EQ(kBuilds[14].itemCaption, "Swedsih IE4");
    EXPECT_TRUE(kBuilds[14].ie4);
    EXPECT_EQ(kBuilds[17].itemCaption, "Chech");
    EXPECT_FALSE(kBuilds[17].ie4);
}

TEST(BuildTable, OnlyIe4BuildsHaveFavoritesAndLogOff) {
    for (const auto& build : kBuilds) {
        EXPECT_EQ(build.ie4, isIe4Build(build.position));
        EXPECT_EQ(build.caption(Entry::Favorites).present(), build.ie4) << build.itemCaption;
        EXPECT_EQ(build.caption(Entry::LogOff).present(), build.ie4) << build.itemCaption;
        for (Entry e : {Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find,
                        Entry::Help, Entry::Run, Entry::Suspend, Entry::ShutDown})
            EXPECT_TRUE(build.caption(e).present()) << build.itemCaption;
    }
    EXPECT_TRUE(isIe4Build(-1)); // no build chosen
    EXPECT_TRUE(isIe4Build(14));
    EXPECT_FALSE(isIe4Build(15));
}

TEST(BuildTable, TwinsShareExplorerAndDifferInIconShiftOnly) {
    for (int us : {0, 2, 15}) {
        const ShellBuild& a = kBuilds[us];
        const ShellBuild& b = kBuilds[us + 1];
        EXPECT_EQ(a.startText, b.startText);
        EXPECT_EQ(a.tooltip, b.tooltip);
        EXPECT_EQ(a.logoOffset, b.logoOffset);
        EXPECT_EQ(a.captions, b.captions);
        EXPECT_EQ(a.iconShift, 0);
        EXPECT_EQ(b.iconShift, 352);
        EXPECT_EQ(variantSwitch(us), us + 1);
    }
    for (int p = -1; p <= kBuildCount; ++p)
        if (p != 0 && p != 2 && p != 15) {
            EXPECT_EQ(variantSwitch(p), p);
        }
}

TEST(BuildTable, StartMenuEntriesAndIconPlaces) {
    std::vector<int> numbers;
    for (const auto& entry : kStartMenuEntries)
        numbers.push_back(entry.shellIconNumber);
    EXPECT_EQ(numbers, (std::vector<int>{19, 43, 20, 21, 22, 23, 24, 44, 25, 27}));
    EXPECT_EQ(startMenuEntry(Entry::Settings).visibilityCheckBox, "ContrCB");
    EXPECT_EQ(startMenuEntry(Entry::Programs).visibilityCheckBox, "");
    EXPECT_EQ(startMenuEntry(Entry::ShutDown).captionEdit, "ShutEdit");

    // The image sizes follow from the .ico layout: header, palette, 4-bit rows
    // and mask rows, each row padded to four bytes.
    for (const auto& place : kStartIconPlaces) {
        int s = place.size;
        int rows = ((s * 4 + 31) / 32) * 4 * s + ((s + 31) / 32) * 4 * s;
        EXPECT_EQ(place.imageBytes(), 40 + 64 + rows) << s;
    }
    EXPECT_EQ(iconBaseOffset(10), 448896);
    EXPECT_EQ(iconBaseOffset(32), 448128);
    EXPECT_EQ(iconBaseOffset(11), std::nullopt);
    // The six images never overlap one another.
    for (const auto& a : kStartIconPlaces)
        for (const auto& b : kStartIconPlaces)
            if (a.size != b.size) {
                EXPECT_TRUE(a.iconBaseOffset + a.imageBytes() <= b.iconBaseOffset ||
                            b.iconBaseOffset + b.imageBytes() <= a.iconBaseOffset);
            }
}

TEST(BuildTable, FindBuildByPositionOrCaption) {
    EXPECT_EQ(findBuild("0"), 0);
    EXPECT_EQ(findBuild("28"), 28);
    EXPECT_EQ(findBuild("29"), std::nullopt);
    EXPECT_EQ(findBuild("-1"), std::nullopt);
    EXPECT_EQ(findBuild("english (pe)"), 16);
    EXPECT_EQ(findBuild("Swedsih IE4"), 14);
    EXPECT_EQ(findBuild("Swedish"), 28);
    EXPECT_EQ(findBuild("Czech"), std::nullopt);
    EXPECT_EQ(findBuild(""), std::nullopt);
}
