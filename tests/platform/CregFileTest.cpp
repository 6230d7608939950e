#include "platform/CregFile.h"

#include "tests/support/Cregexport.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace velkan::platform::detail {
namespace {

using test::cregexport;
using test::cregexportPresent;
using test::expectedShown;
using test::readFile;
using test::runProcess;
using test::Shown;
using test::ShownValue;
using test::TempDir;
using test::writeFile;

const std::filesystem::path kData = VELKAN_WIN9X_REGISTRY_DATA;

std::string le32(std::uint32_t n) {
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
            static_cast<char>(n >> 24)};
}

// ------------------------------------------------------- file surgery

std::uint32_t get32(const std::string& b, std::size_t at) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = n << 8 | static_cast<unsigned char>(b[at + i]);
    return n;
}

void set32(std::string& b, std::size_t at, std::uint32_t n) {
    b.replace(at, 4, le32(n));
}

void set16(std::string& b, std::size_t at, std::uint16_t n) {
    b[at] = static_cast<char>(n);
    b[at + 1] = static_cast<char>(n >> 8);
}

// Where things are in a file the writer made.
constexpr std::size_t kRgkn = 0x20;
std::size_t keyRecord(std::size_t index) { // 0 is the root
    return kRgkn + 0x20 + index * 28;
}
std::size_t firstBlock(const std::string& file) {
    return get32(file, 8);
}
std::size_t firstEntry(const std::string& file) {
    return firstBlock(file) + 0x20;
}

RegNode smallTree() {
    RegNode root;
    RegNode& software = root.subkey("Software");
    software.subkey("Velkan").values = {{"", RegValue::string("default")},
                                        {"Last Theme", RegValue::dword(3)}};
    software.subkey("Other").values = {{"Bin", RegValue::binary(std::string("\1\0\xff", 3))}};
    root.subkey("System");
    return root;
}

// ------------------------------------------------------------------ tests

// The real file from Windows ME: we read every key and value exactly as
// cregexport does, and an edited copy differs from the original in exactly our
// edits.
TEST(CregFile, EditsOfARealUserDatChangeOnlyWhatWasEdited) {
    if (!cregexportPresent())
        GTEST_SKIP() << "cregexport (libcreg-utils) is not installed";
    TempDir dir;
    const auto original = kData / "USER.DAT";
    auto parsed = parseCregFile(readFile(original), "USER.DAT");
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    const Shown before = cregexport(original);
    ASSERT_EQ(before.size(), 788u); // the root and 787 keys
    EXPECT_EQ(expectedShown(*parsed), before);
    EXPECT_TRUE(parsed->name.empty());

    RegNode edited = *parsed;
    RegNode* panel = edited.findSubkey(".DEFAULT")
                         ? edited.findSubkey(".DEFAULT")->findSubkey("Control Panel")
                         : nullptr;
    ASSERT_TRUE(panel);
    RegNode* international = panel->findSubkey("International");
    RegNode* appearance = panel->findSubkey("Appearance");
    ASSERT_TRUE(international && appearance && appearance->findSubkey("Schemes"));
    RegNode& schemes = *appearance->findSubkey("Schemes");
    international->setValue("Locale", RegValue{REG_SZ, "00000407"});
    international->setValue("sCountry", RegValue{REG_SZ, "Deutschland"});
    appearance->setValue("Current", RegValue{REG_SZ, "Brick"});
    RegValue brick = schemes.findValue("Brick")->value;
    brick.data[4] = '\x55';
    schemes.setValue("Brick", brick);
    ASSERT_TRUE(schemes.removeValue("Maple"));
    edited.findSubkey(".DEFAULT")
        ->subkey("Software")
        .subkey("Velkan")
        .setValue("Start Text", RegValue{REG_SZ, "Go"});

    const std::string written = formatCregFile(edited);
    writeFile(dir / "USER.DAT", written);
    const Shown after = cregexport(dir / "USER.DAT");
    EXPECT_EQ(after, expectedShown(edited));

    const std::map<std::string, std::vector<ShownValue>> was(before.begin(), before.end()),
        now(after.begin(), after.end());
    std::set<std::string> changed;
    for (const auto& [path, values] : now)
        if (!was.count(path) || was.at(path) != values)
            changed.insert(path);
    for (const auto& [path, values] : was)
        if (!now.count(path))
            changed.insert(path);
    EXPECT_EQ(changed, (std::set<std::string>{".DEFAULT\\Control Panel\\International",
                                              ".DEFAULT\\Control Panel\\Appearance",
                                              ".DEFAULT\\Control Panel\\Appearance\\Schemes",
                                              ".DEFAULT\\Software\\Velkan"}));

    auto again = parseCregFile(written, "USER.DAT");
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(*again, edited);
    EXPECT_EQ(formatCregFile(*again), written);
}

RegNode generatedTree() {
    RegNode root;
    RegNode& types = root.subkey("Types");
    const std::string odd("a\0b\xe9\xff", 5);
    for (std::uint32_t type :
         {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, 7u, 0x12345u}) {
        const std::string n = std::to_string(type);
        types.values.push_back({"odd" + n, RegValue{type, odd}});
        types.values.push_back({"empty" + n, RegValue{type, ""}});
        types.values.push_back({"four" + n, RegValue{type, le32(0x04030201)}});
    }
    types.values.push_back({"", RegValue{REG_SZ, "default, no NUL"}});
    std::string binary;
    for (int i = 0; i < 16000; ++i)
        binary.push_back(static_cast<char>(i * 7));
    root.subkey("Long").setValue("Binary", RegValue::binary(binary));
    // Latin-1 (Caf\xe9) and Cyrillic in code page 1251 (\xcf\xf3\xf1\xea = "Pusk").
    RegNode& names = root.subkey("Caf\xe9").subkey("\xcf\xf3\xf1\xea");
    names.setValue("\xc8\xec\xff", RegValue{REG_SZ, "\xc8\xec\xff"});
    names.setValue("Ra\xfcm \\ with a backslash", RegValue::dword(1));
    RegNode& many = root.subkey("Many");
    for (int i = 0; i < 700; ++i) {
        RegNode& key = many.subkey("Key" + std::to_string(i));
        key.setValue("Text", RegValue{REG_SZ, std::string(40 + i % 90, 'x')});
        key.setValue("Number", RegValue::dword(static_cast<std::uint32_t>(i)));
        if (i % 50 == 0)
            key.subkey("Sub").subkey("Deeper").setValue("", RegValue::binary("\x7f"));
    }
    RegNode* chain = &root.subkey("Chain");
    for (std::size_t depth = 2; depth <= kMaxCregKeyDepth; ++depth)
        chain = &chain->subkey("L");
    chain->setValue("Bottom", RegValue::dword(512));
    return root;
}

TEST(CregFile, GeneratedTreesRoundTripThroughOurReaderAndCregexport) {
    const RegNode tree = generatedTree();
    ASSERT_TRUE(checkCregLimits(tree, "SYSTEM.DAT").ok());
    const std::string written = formatCregFile(tree);
    EXPECT_GE(get32(written, 0x10) & 0xFFFF, 3u) << "several data blocks";

    auto parsed = parseCregFile(written, "SYSTEM.DAT");
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_EQ(*parsed, tree);
    EXPECT_EQ(formatCregFile(*parsed), written);

    auto empty = parseCregFile(formatCregFile(RegNode{}), "USER.DAT");
    ASSERT_TRUE(empty.ok()) << empty.error().message;
    EXPECT_EQ(*empty, RegNode{});

    if (!cregexportPresent())
        GTEST_SKIP() << "cregexport (libcreg-utils) is not installed";
    TempDir dir;
    writeFile(dir / "SYSTEM.DAT", written);
    EXPECT_EQ(cregexport(dir / "SYSTEM.DAT"), expectedShown(tree));
}

// Windows grows the sections a page at a time, keeps a block within 64 KB and
// 255 keys, and accounts for the free space in each: a file we write must look
// the same, or Windows' own allocator will go wrong on its next change.
TEST(CregFile, WrittenFilesKeepWindowsLayout) {
    const std::string file = formatCregFile(generatedTree());
    ASSERT_EQ(file.substr(0, 4), "CREG");
    EXPECT_EQ(get32(file, 4), 0x00010000u);
    const std::uint32_t rgknSize = get32(file, kRgkn + 4);
    EXPECT_EQ(rgknSize % 0x1000, 0u);
    EXPECT_EQ(firstBlock(file), kRgkn + rgknSize);
    // The key tree's free record, named by its header.
    const std::uint32_t freeRecord = get32(file, kRgkn + 12);
    if (freeRecord != 0xFFFFFFFF) {
        EXPECT_EQ(get32(file, kRgkn + freeRecord), 0x80000000u);
        EXPECT_EQ(freeRecord + get32(file, kRgkn + freeRecord + 4), rgknSize);
    }
    // The root: no name, no data entry.
    EXPECT_EQ(get32(file, keyRecord(0) + 4), 0u);
    EXPECT_EQ(get32(file, keyRecord(0) + 24), 0xFFFFFFFFu);
    // "Types" hashes as "TYPES".
    EXPECT_EQ(get32(file, keyRecord(1) + 4), 0x54u + 0x59 + 0x50 + 0x45 + 0x53);

    std::size_t at = firstBlock(file);
    const std::size_t blocks = get32(file, 0x10) & 0xFFFF;
    for (std::size_t b = 0; b < blocks; ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        ASSERT_EQ(file.substr(at, 4), "RGDB");
        const std::size_t size = get32(file, at + 4);
        EXPECT_EQ(size % 0x1000, 0u);
        EXPECT_LE(size, 0x10000u);
        EXPECT_EQ(get32(file, at + 12) >> 16, b);
        std::size_t free = 0, keys = 0, firstFree = 0xFFFFFFFF;
        for (std::size_t p = at + 0x20; p < at + size; p += get32(file, p)) {
            if (get32(file, p + 4) == 0xFFFFFFFF) {
                free += get32(file, p);
                firstFree = std::min(firstFree, p - at);
            } else {
                EXPECT_EQ(get32(file, p + 4), b << 16 | keys);
                ++keys;
            }
        }
        EXPECT_LE(keys, 255u);
        EXPECT_EQ(get32(file, at + 8), free);
        EXPECT_EQ(get32(file, at + 16), firstFree);
        EXPECT_EQ(get32(file, at + 20), (keys - 1) | keys << 16) << "highest and next key id";
        at += size;
    }
    EXPECT_EQ(at, file.size());
}

TEST(CregFile, DamagedFilesAreRefusedWithTheFileNamed) {
    const std::string good = formatCregFile(smallTree());
    ASSERT_TRUE(parseCregFile(good, "USER.DAT").ok());
    // Records: 0 root, 1 Software, 2 Velkan, 3 Other, 4 System.
    const std::size_t velkanEntry = firstEntry(good) + get32(good, firstEntry(good));
    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;
        const char* says;
    };
    const std::vector<Damage> damages = {
        {"no signature", [](std::string& f) { f[0] = 'X'; }, "no CREG header"},
        {"version 2", [](std::string& f) { set16(f, 6, 2); }, "version 2.0"},
        {"key tree larger than the file", [](std::string& f) { set32(f, kRgkn + 4, 0x7FFFFFF0); },
         "key tree's size"},
        {"root outside the key tree", [](std::string& f) { set32(f, kRgkn + 8, 0x100000); },
         "outside the key tree"},
        {"a sibling chain that comes back",
         [](std::string& f) { set32(f, keyRecord(4) + 20, keyRecord(1) - kRgkn); }, "loops"},
        {"a child that is its own parent",
         [](std::string& f) { set32(f, keyRecord(2) + 16, keyRecord(2) - kRgkn); }, "loops"},
        {"a wrong parent",
         [](std::string& f) { set32(f, keyRecord(2) + 12, keyRecord(4) - kRgkn); }, "wrong parent"},
        {"a key id naming no data entry",
         [](std::string& f) { set32(f, keyRecord(3) + 24, 0x00000077); }, "names no data entry"},
        {"two keys on one data entry",
         [](std::string& f) { set32(f, keyRecord(3) + 24, get32(f, keyRecord(2) + 24)); }, "share"},
        {"more blocks than the file holds", [](std::string& f) { set16(f, 0x10, 9); },
         "is cut short"},
        {"an entry of size 0", [](std::string& f) { set32(f, firstEntry(f), 0); }, "size 0x0"},
        {"an entry running past its block",
         [](std::string& f) { set32(f, firstEntry(f), 0x10000); }, "does not fit its block"},
        {"used size above the entry size",
         [&](std::string& f) { set32(f, velkanEntry + 8, get32(f, velkanEntry) + 1); },
         "sizes disagree"},
        {"a value larger than its entry",
         [&](std::string& f) { set16(f, velkanEntry + 20 + 6 + 10, 0x4000); },
         "value is larger than its data entry"},
        {"a value count that lies", [&](std::string& f) { set16(f, velkanEntry + 14, 3); },
         "value lies beyond the end"},
        {"a name longer than its entry", [&](std::string& f) { set16(f, velkanEntry + 12, 900); },
         "key name runs past"},
        {"an entry filed under another block",
         [](std::string& f) { set32(f, firstEntry(f) + 4, 0x00050000); }, "of block 5"},
        {"a NUL in a key name", [&](std::string& f) { f[velkanEntry + 20 + 1] = '\0'; },
         "control character"},
        {"a control byte in a key name", [&](std::string& f) { f[velkanEntry + 20 + 1] = '\x1b'; },
         "control character"},
        {"a backslash in a key name", [&](std::string& f) { f[velkanEntry + 20 + 1] = '\\'; },
         "backslash"},
        {"a hash that does not match", [](std::string& f) { set32(f, keyRecord(2) + 4, 1); },
         "does not match the name"},
    };
    for (const auto& damage : damages) {
        std::string file = good;
        damage.apply(file);
        const auto parsed = parseCregFile(file, "C:\\WINDOWS\\USER.DAT");
        ASSERT_FALSE(parsed.ok()) << damage.what;
        EXPECT_EQ(parsed.error().code, WinError::BadDb) << damage.what;
        EXPECT_EQ(parsed.error().message.rfind("C:\\WINDOWS\\USER.DAT: ", 0), 0u)
            << damage.what << ": " << parsed.error().message;
        EXPECT_NE(parsed.error().message.find(damage.says), std::string::npos)
            << damage.what << ": " << parsed.error().message;
    }
    // Every cut of the file is refused: a block always runs to its end.
    for (std::size_t size = 0; size < good.size(); size += 7) {
        const auto parsed = parseCregFile(good.substr(0, size), "USER.DAT");
        ASSERT_FALSE(parsed.ok()) << "cut at " << size;
        EXPECT_EQ(parsed.error().code, WinError::BadDb);
    }
}

TEST(CregFile, TreesBeyondTheLimitsAreRefusedByReaderAndChecker) {
    RegNode deep;
    RegNode* chain = &deep;
    for (std::size_t depth = 0; depth <= kMaxCregKeyDepth; ++depth)
        chain = &chain->subkey("L");
    RegNode longPath;
    chain = &longPath;
    for (int depth = 0; depth < 70; ++depth)
        chain = &chain->subkey(std::string(250, 'k'));
    for (const auto* tree : {&deep, &longPath}) {
        const auto parsed = parseCregFile(formatCregFile(*tree), "SYSTEM.DAT");
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().code, WinError::BadDb);
        EXPECT_NE(parsed.error().message.find("SYSTEM.DAT: "), std::string::npos);
        EXPECT_FALSE(checkCregLimits(*tree, "SYSTEM.DAT").ok());
    }

    const std::string tooLarge(kMaxCregFileSize + 1, '\0');
    const auto parsed = parseCregFile(tooLarge, "SYSTEM.DAT");
    ASSERT_FALSE(parsed.ok());
    EXPECT_NE(parsed.error().message.find("larger than"), std::string::npos);

    // What the 16-bit fields and 64 KB records cannot hold is named before
    // anything is written, and the writer still makes a readable file of it.
    RegNode big;
    big.subkey("Big").setValue("Huge", RegValue::binary(std::string(70000, 'h')));
    const Status check = checkCregLimits(big, "SYSTEM.DAT");
    ASSERT_FALSE(check.ok());
    EXPECT_NE(check.error().message.find("\"Big\""), std::string::npos) << check.error().message;
    auto cut = parseCregFile(formatCregFile(big), "SYSTEM.DAT");
    ASSERT_TRUE(cut.ok()) << cut.error().message;
    EXPECT_EQ(cut->findSubkey("Big")->findValue("Huge")->value.data.size(), 0xFFFFu);

    RegNode rootValue;
    rootValue.setValue("x", RegValue::dword(1));
    EXPECT_FALSE(checkCregLimits(rootValue, "SYSTEM.DAT").ok());
    RegNode badName;
    badName.subkey("a\\b");
    EXPECT_FALSE(checkCregLimits(badName, "SYSTEM.DAT").ok());
}

} // namespace
} // namespace velkan::platform::detail
