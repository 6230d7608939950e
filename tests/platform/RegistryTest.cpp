#include "platform/Registry.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkan::platform {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// Every behaviour of the registry holds whichever files keep it: Windows 95's
// SYSTEM.DAT and USER.DAT, or the REGEDIT4 file of earlier machine folders.
enum class Kept { Windows95, Regedit4 };

class RegistryTest : public ::testing::TestWithParam<Kept> {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "registry.reg";
    std::filesystem::path systemDat = dir / "SYSTEM.DAT";
    std::filesystem::path userDat = dir / "USER.DAT";
    std::filesystem::path lock = dir / "registry.lock";

    Registry open() const {
        return GetParam() == Kept::Regedit4 ? Registry(file) : Registry(systemDat, userDat, lock);
    }
    bool regedit4() const { return GetParam() == Kept::Regedit4; }
    // The file that holds the values of HKEY_CURRENT_USER.
    std::filesystem::path userFile() const { return regedit4() ? file : userDat; }
    bool anyFile() const {
        return std::filesystem::exists(file) || std::filesystem::exists(systemDat) ||
               std::filesystem::exists(userDat);
    }

    Registry reg = open();
};

TEST_P(RegistryTest, OpenFailsWhereCreateMakesTheKey) {
    Result<RegKey> absent = reg.openKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error().code, WinError::FileNotFound);
    EXPECT_FALSE(anyFile()) << "a failed open writes nothing";

    bool created = false;
    Result<RegKey> made = reg.createKey(RootKey::CurrentUser, "\\Software\\Velkan", &created);
    ASSERT_TRUE(made) << made.error().message;
    EXPECT_TRUE(created);
    EXPECT_EQ(made->name(), "HKEY_CURRENT_USER\\Software\\Velkan");
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "SOFTWARE\\velkan", &created));
    EXPECT_FALSE(created);

    Result<RegKey> opened = reg.openKey(RootKey::CurrentUser, "\\software\\VELKAN\\");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->name(), "HKEY_CURRENT_USER\\Software\\Velkan") << "stored case is kept";
    EXPECT_FALSE(reg.openKey(RootKey::LocalMachine, "Software\\Velkan")) << "roots are apart";

    ASSERT_TRUE(opened->createKey("B"));
    ASSERT_TRUE(opened->createKey("a\\Deeper"));
    EXPECT_EQ(*opened->subKeyNames(), (std::vector<std::string>{"B", "a"}));
    Result<RegKey> deeper = opened->openKey("A\\deeper");
    ASSERT_TRUE(deeper);
    EXPECT_EQ(deeper->name(), "HKEY_CURRENT_USER\\Software\\Velkan\\a\\Deeper");
    EXPECT_EQ(opened->openKey("C").error().code, WinError::FileNotFound);
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, ""));

    // Letters of the Western code page fold too, as on a Western Windows 95.
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "Caf\xe9 \x9a"));
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, "CAF\xc9 \x8a"));
    EXPECT_FALSE(reg.openKey(RootKey::CurrentUser, "CAFE \x8a"));
}

TEST_P(RegistryTest, ValuesKeepTheirTypeAndBytes) {
    RegKey key = *reg.createKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(key.setString("Location", "C:\\Program Files\\Velkan\\"));
    ASSERT_TRUE(key.setDword("Last Theme", 3));
    ASSERT_TRUE(key.setBinary("NoRun", std::string("\x01\0\0\0", 4)));
    ASSERT_TRUE(key.set("Odd", 0x42, std::string("\0\1", 2)));
    ASSERT_TRUE(key.set("Cut", REG_SZ, std::string("abc\0def\0", 8)));
    ASSERT_TRUE(key.setString("", "default"));

    EXPECT_EQ(*key.query("location"), RegValue::string("C:\\Program Files\\Velkan\\"));
    EXPECT_EQ(key.query("LOCATION")->data.size(), 25u) << "the terminating NUL is stored";
    EXPECT_EQ(*key.queryDword("Last Theme"), 3u);
    EXPECT_EQ(*key.query("NoRun"), RegValue::binary(std::string("\x01\0\0\0", 4)));
    EXPECT_EQ(*key.query("Odd"), (RegValue{0x42, std::string("\0\1", 2)}));
    EXPECT_EQ(key.query("Cut")->asString(), "abc") << "read as a C string";
    EXPECT_EQ(key.query("Cut")->data.size(), 8u);
    EXPECT_EQ(*key.queryString(""), "default");

    EXPECT_EQ(key.queryString("Last Theme").error().code, WinError::InvalidData);
    EXPECT_EQ(key.queryDword("NoRun").error().code, WinError::InvalidData)
        << "four binary bytes are no REG_DWORD";
    EXPECT_EQ(key.query("Missing").error().code, WinError::FileNotFound);

    // Overwriting with another case keeps the first spelling and the order.
    ASSERT_TRUE(key.setDword("LAST THEME", 4));
    std::vector<RegNamedValue> values = *key.values();
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(values[1].name, "Last Theme");
    EXPECT_EQ(values[1].value, RegValue::dword(4));

    ASSERT_TRUE(key.deleteValue("odd"));
    EXPECT_EQ(key.deleteValue("Odd").error().code, WinError::FileNotFound);
    EXPECT_EQ(key.values()->size(), 5u);
    EXPECT_EQ(key.set("bad\nname", REG_SZ, "x").error().code, WinError::InvalidParameter);
    EXPECT_EQ(key.createKey("bad\r\nkey").error().code, WinError::InvalidParameter);
}

TEST_P(RegistryTest, QueryReportsSizeAndAsksForMoreRoom) {
    RegKey key = *reg.createKey(RootKey::CurrentUser, "K");
    ASSERT_TRUE(key.setString("S", "hello"));
    std::uint32_t type = 0, size = 0;
    ASSERT_TRUE(key.queryEx("s", &type, nullptr, &size));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    char buffer[8] = "xxxxxxx";
    size = 3;
    Status small = key.queryEx("S", &type, buffer, &size);
    ASSERT_FALSE(small);
    EXPECT_EQ(small.error().code, WinError::MoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "xxxxxxx") << "a short buffer is left alone";

    size = 6;
    ASSERT_TRUE(key.queryEx("S", nullptr, buffer, &size));
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(key.queryEx("S", nullptr, buffer, nullptr).error().code, WinError::InvalidParameter);
    EXPECT_EQ(key.queryEx("T", &type, nullptr, &size).error().code, WinError::FileNotFound);
}

TEST_P(RegistryTest, ClassesRootIsMachineSoftwareClasses) {
    ASSERT_TRUE(reg.createKey(RootKey::ClassesRoot, ".VKR")->setString("", "VKR_file"));
    Result<RegKey> viaMachine = reg.openKey(RootKey::LocalMachine, "Software\\Classes\\.vkr");
    ASSERT_TRUE(viaMachine);
    EXPECT_EQ(*viaMachine->queryString(""), "VKR_file");
    EXPECT_EQ(reg.openKey(RootKey::ClassesRoot, ".vkr")->name(), "HKEY_CLASSES_ROOT\\.VKR");
    EXPECT_NE(
        reg.exportText()->find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.VKR]\r\n@=\"VKR_file\""),
        std::string::npos);

    ASSERT_TRUE(reg.createKey(RootKey::LocalMachine, "Software\\Classes\\VKR_file\\shell"));
    EXPECT_EQ(*reg.openKey(RootKey::ClassesRoot, "")->subKeyNames(),
              (std::vector<std::string>{".VKR", "VKR_file"}));
    ASSERT_TRUE(reg.deleteKey(RootKey::ClassesRoot, "VKR_file"));
    EXPECT_FALSE(reg.openKey(RootKey::LocalMachine, "Software\\Classes\\VKR_file"));
    EXPECT_EQ(reg.deleteKey(RootKey::ClassesRoot, "").error().code, WinError::AccessDenied);
    EXPECT_EQ(reg.deleteKey(RootKey::CurrentUser, "\\").error().code, WinError::AccessDenied);
}

TEST_P(RegistryTest, DeletingAKeyTakesItsSubtreeAndOrphansHandles) {
    RegKey velkan = *reg.createKey(RootKey::CurrentUser, "Software\\Velkan");
    RegKey deep = *reg.createKey(RootKey::CurrentUser, "Software\\Velkan\\A\\B\\C");
    ASSERT_TRUE(deep.setDword("x", 1));
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "Software\\Other"));

    ASSERT_TRUE(reg.deleteKey(RootKey::CurrentUser, "software\\velkan"));
    EXPECT_FALSE(reg.openKey(RootKey::CurrentUser, "Software\\Velkan\\A\\B\\C"));
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, "Software\\Other"));
    EXPECT_EQ(reg.deleteKey(RootKey::CurrentUser, "Software\\Velkan").error().code,
              WinError::FileNotFound);

    EXPECT_EQ(deep.query("x").error().code, WinError::KeyDeleted);
    EXPECT_EQ(deep.setDword("x", 2).error().code, WinError::KeyDeleted);
    EXPECT_EQ(velkan.flush().error().code, WinError::KeyDeleted);
    EXPECT_EQ(velkan.createKey("New").error().code, WinError::KeyDeleted);
    EXPECT_FALSE(reg.openKey(RootKey::CurrentUser, "Software\\Velkan"))
        << "a handle to a deleted key does not bring it back";

    ASSERT_TRUE(velkan.close());
    EXPECT_FALSE(velkan.valid());
    EXPECT_EQ(velkan.close().error().code, WinError::InvalidHandle);
    EXPECT_EQ(velkan.query("x").error().code, WinError::InvalidHandle);
    EXPECT_EQ(RegKey().setDword("x", 1).error().code, WinError::InvalidHandle);
}

TEST_P(RegistryTest, ChangesReachTheFileAndOtherReadersAtOnce) {
    Registry other = open();
    RegKey mine = *reg.createKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(mine.setString("Location", "C:\\V\\"));
    EXPECT_EQ(*other.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryString("Location"),
              "C:\\V\\");

    // Both write through their own caches; neither loses the other's value.
    RegKey theirs = *other.openKey(RootKey::CurrentUser, "Software\\Velkan");
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(mine.setDword("mine" + std::to_string(i), i));
        ASSERT_TRUE(theirs.setDword("theirs" + std::to_string(i), i));
    }
    EXPECT_EQ(mine.values()->size(), 41u);
    EXPECT_EQ(*open().openKey(RootKey::CurrentUser, "Software\\Velkan")->queryDword("theirs19"),
              19u);
    if (regedit4())
        EXPECT_TRUE(
            readFile(file).starts_with("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"));
    else
        EXPECT_TRUE(readFile(userDat).starts_with("CREG"));

    // A change by another program is seen as well.
    const std::string edited = [&] {
        TempDir elsewhere;
        Registry by = regedit4()
                          ? Registry(elsewhere / "r.reg")
                          : Registry(elsewhere / "S.DAT", elsewhere / "U.DAT", elsewhere / "lock");
        by.createKey(RootKey::CurrentUser, "Software\\Velkan")->setString("Location", "D:\\");
        return readFile(regedit4() ? elsewhere / "r.reg" : elsewhere / "U.DAT");
    }();
    writeFile(userFile(), edited);
    EXPECT_EQ(*mine.queryString("Location"), "D:\\");
    EXPECT_EQ(mine.query("mine0").error().code, WinError::FileNotFound);

    std::filesystem::remove(userFile());
    EXPECT_EQ(mine.query("Location").error().code, WinError::KeyDeleted);
    EXPECT_FALSE(reg.openKey(RootKey::CurrentUser, "Software"));
}

class Regedit4Registry : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "registry.reg";
    Registry reg{file};
};

TEST_F(Regedit4Registry, MalformedFileIsRefusedAndNeverWritten) {
    const std::string broken = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velkan]\r\n"
                               "\"Location\"=\"C:\\\\V\\\\\"\r\n\"Bin\"=hex:01,02,\\\r\n";
    writeFile(file, broken);
    auto refused = [&](const Error& e) {
        EXPECT_EQ(e.code, WinError::BadDb);
        EXPECT_NE(e.message.find(file.string() + ": line 5:"), std::string::npos) << e.message;
    };
    refused(reg.openKey(RootKey::CurrentUser, "Software\\Velkan").error());
    refused(reg.createKey(RootKey::CurrentUser, "Software\\New").error());
    refused(reg.deleteKey(RootKey::CurrentUser, "Software\\Velkan").error());
    refused(reg.check().error());

    // A handle opened before the damage fails in the same way.
    writeFile(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n");
    RegKey key = *reg.openKey(RootKey::CurrentUser, "K");
    writeFile(file, broken);
    refused(key.setDword("x", 1).error());
    refused(key.query("x").error());
    refused(key.values().error());
    EXPECT_EQ(readFile(file), broken);

    std::string fixed = broken.substr(0, broken.size() - 4) + "\r\n";
    writeFile(file, fixed);
    EXPECT_TRUE(reg.check());
    EXPECT_EQ(*reg.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryString("location"),
              "C:\\V\\");
}

TEST_P(RegistryTest, WritesFailCleanlyWithoutTheMachineFolder) {
    Registry nowhere = regedit4() ? Registry(dir / "missing" / "registry.reg")
                                  : Registry(dir / "missing" / "SYSTEM.DAT",
                                             dir / "missing" / "USER.DAT", dir / "missing" / "l");
    EXPECT_FALSE(nowhere.openKey(RootKey::CurrentUser, "Software"));
    EXPECT_FALSE(nowhere.createKey(RootKey::CurrentUser, "Software"));
    EXPECT_TRUE(nowhere.check()) << "a missing registry is an empty one";
}

// Runs `body` in a child process and returns its exit status.
template <class F> pid_t forkChild(F body) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

TEST_P(RegistryTest, TwoProcessesWritingAtOnceKeepEachOthersValues) {
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "Shared"));
    constexpr int kEach = 50;
    auto writer = [&](const std::string& who) {
        return [&, who] {
            Registry own = open();
            Result<RegKey> shared = own.openKey(RootKey::CurrentUser, "Shared");
            if (!shared)
                return 2;
            for (int i = 0; i < kEach; ++i) {
                if (!shared->setDword(who + std::to_string(i), static_cast<std::uint32_t>(i)))
                    return 3;
                if (!own.createKey(RootKey::LocalMachine, who + "\\" + std::to_string(i)))
                    return 4;
            }
            return 0;
        };
    };
    pid_t a = forkChild(writer("velkrun"));
    pid_t b = forkChild(writer("remove"));
    int status = 0;
    ASSERT_EQ(waitpid(a, &status, 0), a);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(waitpid(b, &status, 0), b);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    RegKey shared = *reg.openKey(RootKey::CurrentUser, "Shared");
    EXPECT_EQ(shared.values()->size(), 2u * kEach);
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(shared.queryDword("velkrun" + std::to_string(i)).valueOr(~0u), unsigned(i));
        EXPECT_EQ(shared.queryDword("remove" + std::to_string(i)).valueOr(~0u), unsigned(i));
    }
    EXPECT_EQ(reg.openKey(RootKey::LocalMachine, "velkrun")->subKeyNames()->size(), size_t(kEach));
    EXPECT_EQ(reg.openKey(RootKey::LocalMachine, "remove")->subKeyNames()->size(), size_t(kEach));
}

INSTANTIATE_TEST_SUITE_P(KeptIn, RegistryTest, ::testing::Values(Kept::Windows95, Kept::Regedit4),
                         [](const ::testing::TestParamInfo<Kept>& info) {
                             return info.param == Kept::Windows95 ? "SystemAndUserDat"
                                                                  : "Regedit4File";
                         });

} // namespace
} // namespace velkan::platform
