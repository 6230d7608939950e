#include "shellpatch/BuildDetection.h"

#include <gtest/gtest.h>
#include <string>

using namespace velkan::shellpatch;

namespace {

void put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(v >> (8 * i));
}

// A file just long enough for the build's fields, with only its header set.
std::string minimalFileFor(const ShellBuild& build) {
    std::int64_t end = std::max(build.startText.end(), build.tooltip.end());
    for (const auto& f : build.captions)
        end = std::max<std::int64_t>(end, f.end());
    end = std::max<std::int64_t>(end, build.logoOffset);
    std::string bytes(end, '\0');
    put32(bytes, build.logoOffset - 104, 40);
    return bytes;
}

} // namespace

TEST(BuildDetection, NumbersNeverReadPastTheEnd) {
    const std::string bytes("\x28\x00\x00\x00\x01", 5);
    EXPECT_EQ(readLe32(bytes, 0), 40u);
    EXPECT_EQ(readLe32(bytes, 1), 0x01000000u);
    EXPECT_EQ(readLe32(bytes, 2), std::nullopt);
    EXPECT_EQ(readLe32(bytes, -1), std::nullopt);
    EXPECT_EQ(readLe16(bytes, 3), 0x0100);
    EXPECT_EQ(readLe16(bytes, 4), std::nullopt);
}

TEST(BuildDetection, FirstMatchingRowInListOrderWins) {
    // A file laid out for Swedish (28) whose header is also set for Chech (17):
    // the earlier row is taken, as the shell's own detection does.
    std::string bytes = minimalFileFor(kBuilds[28]);
    EXPECT_EQ(detectBuild(bytes), 28);
    bytes.resize(190000); // room for Chech's fields too
    put32(bytes, kBuilds[17].logoOffset - 104, 40);
    EXPECT_EQ(detectBuild(bytes), 17);
}

TEST(BuildDetection, RowWhoseFieldsLiePastTheEndFailsEvenWithAHeaderOf40) {
    const ShellBuild& polish = kBuilds[25]; // its Start text lies far behind the logo
    std::string bytes = minimalFileFor(polish);
    EXPECT_TRUE(buildMatches(bytes, polish));
    bytes.resize(polish.startText.end() - 1);
    EXPECT_TRUE(logoHeaderMatches(bytes, polish));
    EXPECT_FALSE(fieldsReadable(bytes, polish));
    EXPECT_EQ(detectBuild(bytes), std::nullopt);

    // A non-IE4 build does not read the Favorites and Log Off fields at all.
    EXPECT_TRUE(fieldsReadable(minimalFileFor(kBuilds[15]), kBuilds[15]));
    EXPECT_EQ(detectBuild(std::string(1000, '\0')), std::nullopt);
}
