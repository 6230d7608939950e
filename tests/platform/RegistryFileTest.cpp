#include "platform/RegistryFile.h"

#include <gtest/gtest.h>

namespace velkan::platform::detail {
namespace {

std::string crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST(RegistryFile, WritesWhatRegeditWrites) {
    RegTree tree;
    RegNode& velkan = tree.root(RootKey::CurrentUser).subkey("Software").subkey("Velkan");
    velkan.setValue("Location", RegValue::string("C:\\Program Files\\Velkan\\"));
    velkan.setValue("Quote", RegValue::string("say \"hi\""));
    velkan.setValue("", RegValue::string("default"));
    velkan.setValue("Last Theme", RegValue::dword(10));
    velkan.setValue("Bin", RegValue::binary(std::string("\x01\x00\xff", 3)));
    velkan.setValue("Path", RegValue::string("%windir%", REG_EXPAND_SZ));
    velkan.setValue("Cut", RegValue{REG_SZ, std::string("ab\0cd\0", 6)});
    velkan.setValue("Odd", RegValue{0x12345678, "x"});
    tree.localMachine.subkey("Software");

    // An export names the user's keys as regedit /e does; a machine folder's
    // registry.reg keeps the HKEY_CURRENT_USER form of earlier versions.
    const std::string exported = formatRegistryFile(tree);
    EXPECT_NE(exported.find("\r\n[HKEY_USERS\\.DEFAULT]\r\n\r\n"
                            "[HKEY_USERS\\.DEFAULT\\Software]\r\n\r\n"
                            "[HKEY_USERS\\.DEFAULT\\Software\\Velkan]\r\n\"Location\"="),
              std::string::npos)
        << exported;
    EXPECT_EQ(*parseRegistryFile(exported, "e.reg"), tree);
    EXPECT_EQ(formatRegistryFile(tree, RegeditStyle::MachineFile),
              crlf("REGEDIT4\n"
                   "\n"
                   "[HKEY_LOCAL_MACHINE\\Software]\n"
                   "\n"
                   "[HKEY_CURRENT_USER\\Software]\n"
                   "\n"
                   "[HKEY_CURRENT_USER\\Software\\Velkan]\n"
                   "\"Location\"=\"C:\\\\Program Files\\\\Velkan\\\\\"\n"
                   "\"Quote\"=\"say \\\"hi\\\"\"\n"
                   "@=\"default\"\n"
                   "\"Last Theme\"=dword:0000000a\n"
                   "\"Bin\"=hex:01,00,ff\n"
                   "\"Path\"=hex(2):25,77,69,6e,64,69,72,25,00\n"
                   "\"Cut\"=hex(1):61,62,00,63,64,00\n"
                   "\"Odd\"=hex(12345678):78\n"
                   "\n"));
}

TEST(RegistryFile, WrapsLongHexListsAsRegeditDoes) {
    RegTree tree;
    tree.localMachine.subkey("K").setValue("ShellState", RegValue::binary(std::string(60, '\x11')));
    std::string text = formatRegistryFile(tree);
    // The name takes 17 columns, so 20 bytes fit on the first line and 25 on
    // each continuation line.
    std::string first = "\"ShellState\"=hex:";
    for (int i = 0; i < 20; ++i)
        first += "11,";
    std::string second = "  ";
    for (int i = 0; i < 25; ++i)
        second += "11,";
    std::string third = "  11";
    for (int i = 1; i < 15; ++i)
        third += ",11";
    EXPECT_NE(text.find(first + "\\\r\n" + second + "\\\r\n" + third + "\r\n"), std::string::npos)
        << text;
}

TEST(RegistryFile, EveryKindOfValueSurvivesARoundTrip) {
    RegTree tree;
    RegNode& k = tree.localMachine.subkey("Software").subkey("Odd ]Names[ \xe9t\xe9");
    k.setValue("back\\slash \"quoted\"", RegValue::string("\\\"\\\\\"\\"));
    k.setValue("ansi", RegValue::string("caf\xe9 \x80\xff\t<>"));
    k.setValue("embedded nul", RegValue{REG_SZ, std::string("one\0two\0", 8)});
    k.setValue("no terminator", RegValue{REG_SZ, "abc"});
    k.setValue("no bytes at all", RegValue{REG_SZ, ""});
    k.setValue("just a nul", RegValue::string(""));
    k.setValue("line breaks", RegValue::string("a\r\nb\nc\r"));
    k.setValue("expand", RegValue::string("%SystemRoot%\\x", REG_EXPAND_SZ));
    k.setValue("empty binary", RegValue::binary(""));
    std::string all;
    for (int i = 0; i < 1000; ++i)
        all += static_cast<char>(i * 7);
    k.setValue("long binary", RegValue::binary(all));
    k.setValue("dword", RegValue::dword(0xfedcba98));
    k.setValue("short dword", RegValue{REG_DWORD, "abc"});
    k.setValue("none", RegValue{REG_NONE, ""});
    k.setValue("multi", RegValue{7, std::string("a\0b\0\0", 5)});
    k.setValue("", RegValue::string("the default"));
    k.subkey("Empty child").subkey("Grandchild");
    tree.root(RootKey::CurrentUser).setValue("on the root", RegValue::dword(1));
    tree.root(RootKey::CurrentUser).subkey("Later");

    for (RegeditStyle style : {RegeditStyle::Export, RegeditStyle::MachineFile}) {
        std::string text = formatRegistryFile(tree, style);
        Result<RegTree> back = parseRegistryFile(text, "registry.reg");
        ASSERT_TRUE(back) << back.error().message;
        EXPECT_EQ(*back, tree);
        EXPECT_EQ(formatRegistryFile(*back, style), text);
    }
    std::string text = formatRegistryFile(tree);

    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t end = text.find("\r\n", lineStart);
        ASSERT_NE(end, std::string::npos) << "every line ends in CRLF";
        EXPECT_LE(end - lineStart, 80u) << text.substr(lineStart, end - lineStart);
        lineStart = end + 2;
    }
}

TEST(RegistryFile, ReadsRegeditVariations) {
    std::string text = "REGEDIT4\n"
                       "\n"
                       "; exported by hand\n"
                       "[HKEY_CLASSES_ROOT\\.vkr]\n"
                       "@=\"VKR_file\"\n"
                       "[hkey_local_machine\\SOFTWARE\\Velkan\\Deep]\n"
                       "  \"Bin\" = hex:0A,b, ff,\\\n"
                       "      00\n"
                       "\"D\"=dword:A\n"
                       "\"X\"=hex(2):\n"
                       "\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Velkan\\Deep]\n"
                       "\"bin\"=hex:01\n"
                       "\"S\"=\"\"\n";
    Result<RegTree> tree = parseRegistryFile(text, "r.reg");
    ASSERT_TRUE(tree) << tree.error().message;
    const RegNode* software = tree->localMachine.findSubkey("software");
    ASSERT_NE(software, nullptr);
    EXPECT_EQ(software->name, "Software") << "the first spelling is kept";
    const RegNode* vkr = software->findSubkey("Classes")->findSubkey(".VKR");
    ASSERT_NE(vkr, nullptr);
    EXPECT_EQ(vkr->findValue("")->value, RegValue::string("VKR_file"));
    const RegNode* deep = software->findSubkey("velkan")->findSubkey("deep");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->findValue("BIN")->value, RegValue::binary("\x01"))
        << "a repeated value replaces the earlier one";
    EXPECT_EQ(deep->findValue("D")->value, RegValue::dword(10));
    EXPECT_EQ(deep->findValue("X")->value, (RegValue{REG_EXPAND_SZ, ""}));
    EXPECT_EQ(deep->findValue("S")->value, RegValue::string(""));
    EXPECT_EQ(deep->values.size(), 4u);

    EXPECT_EQ(parseRegistryFile("", "r.reg")->localMachine.subkeys.size(), 0u);
    Result<RegTree> lone = parseRegistryFile("REGEDIT4\r\n", "r.reg");
    ASSERT_TRUE(lone);
    EXPECT_EQ(*lone, RegTree{});
}

TEST(RegistryFile, RefusesMalformedTextNamingFileAndLine) {
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"REGEDIT5\r\n", 1},
        {"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER]\r\n", 1},
        {"\r\nREGEDIT4\r\n", 1},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"unterminated\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x=\"y\"\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:01,0g\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:01,,02\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:123\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:01,02,\\\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:01,\\\r\n  02,\\\r\n\r\n", 5},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:123456789\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex(zz):00\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"a\\tb\"\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"a\" junk\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=42\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\" \"y\"\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\ngarbage\r\n", 4},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\r\n", 3},
        {"REGEDIT4\r\n\r\n[HKEY_NOWHERE\\A]\r\n", 3},
        {"REGEDIT4\r\n\r\n[HKCU\\A]\r\n", 3},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\\\A]\r\n", 3},
        {"REGEDIT4\r\n\r\n\"x\"=\"y\"\r\n", 3},
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"ok\"=\"fine\"\r\n\"x\"=\"unfini", 5},
    };
    for (const Case& c : cases) {
        Result<RegTree> tree = parseRegistryFile(c.text, "/m/registry.reg");
        ASSERT_FALSE(tree) << c.text;
        EXPECT_EQ(tree.error().code, WinError::BadDb) << c.text;
        EXPECT_NE(
            tree.error().message.find("/m/registry.reg: line " + std::to_string(c.line) + ":"),
            std::string::npos)
            << c.text << " -> " << tree.error().message;
    }
}

} // namespace
} // namespace velkan::platform::detail
