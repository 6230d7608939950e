// Links in a machine folder: what the desktop is asked to open, and the files
// at the folder's root that the programs append to or lock.
#include "app/ProgramKeys.h"
#include "platform/Journal.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "tests/hostile/HostileMachine.h"
#include "tools/Install.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velkan;
using platform::RootKey;
namespace fs = std::filesystem;

namespace {

// An opener that writes down what it was handed, one line each time.
struct RecordingOpener {
    explicit RecordingOpener(const fs::path& folder)
        : script(folder / "opener.sh"), record(folder / "opened.txt") {
        test::writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record.string() + "'\n");
        fs::permissions(script, fs::perms::owner_all);
        ::setenv("VELKAN_OPENER", script.c_str(), 1);
    }
    ~RecordingOpener() { ::unsetenv("VELKAN_OPENER"); }
    std::string opened() const { return fs::exists(record) ? test::readFile(record) : ""; }

    fs::path script, record;
};

} // namespace

TEST(HostileLinks, TheDesktopIsHandedOnlyTheRegularFileThatWasNamed) {
    test::AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    RecordingOpener opener(m.machine.root().parent_path());
    const fs::path folder = m.machine.driveC() / "Program Files" / "Velkan";
    const std::string readme = std::string(machine::kProgramFolder) + "Readme.txt";
    const platform::Shell shell(m.machine);

    // An honest Readme.txt goes to the desktop as itself.
    test::writeFile(folder / "Readme.txt", "Velkan\r\n");
    ASSERT_EQ(shell.ShellExecute("open", readme), platform::SHELL_EXECUTE_OK);
    EXPECT_EQ(opener.opened(), fs::canonical(folder / "Readme.txt").string() + "\n");
    fs::remove(opener.record);

    // A link of that name leads to a program beside it, or to a desktop entry
    // in another folder of C:; neither reaches the desktop.
    test::writeFile(folder / "setup.exe", "MZ");
    fs::create_directories(m.machine.driveC() / "x");
    test::writeFile(m.machine.driveC() / "x" / "x.desktop", "[Desktop Entry]\nExec=true\n");
    for (const fs::path& target : {fs::path("setup.exe"), fs::path("../../x/x.desktop")}) {
        SCOPED_TRACE(target.string());
        fs::remove(folder / "Readme.txt");
        fs::create_symlink(target, folder / "Readme.txt");
        EXPECT_EQ(shell.ShellExecute("open", readme), platform::SE_ERR_ACCESSDENIED);
    }
    // Nor does a pipe, which the desktop would read for its type.
    fs::remove(folder / "Readme.txt");
    test::makePipe(folder / "Readme.txt");
    EXPECT_EQ(shell.ShellExecute("open", readme), platform::SE_ERR_ACCESSDENIED);
    EXPECT_EQ(opener.opened(), "");

    // A program folder spelt as an address makes the Readme button no web opener.
    {
        auto key = m.registry().createKey(RootKey::CurrentUser, app::kProgramKey);
        ASSERT_TRUE(key && key->setString(app::kLocationValue, "http://host/x?"));
        key->close();
    }
    test::Session run(m);
    run.start();
    run.form().about.Readme.click();
    EXPECT_EQ(opener.opened(), "");
    // The About page's own address still opens.
    run.form().about.Go2.click();
    EXPECT_EQ(opener.opened(), run.form().about.HomePageEd.text() + "\n");
    run.form().CancelBn.click();
}

TEST(HostileLinks, JournalAndLockAtTheMachineRootAreNeverFollowed) {
    test::AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    const fs::path outside = m.machine.root().parent_path();
    // An existing file of the host (a shell start-up file, say) and a new one.
    test::writeFile(outside / "profile", "export A=1\n");
    fs::create_symlink(outside / "profile", m.machine.journalFile());
    fs::create_symlink(outside / "made.lock", m.machine.root() / "velkrun.lock");

    const auto env = test::headless(m);
    const auto autoload = test::runLimited(test::velkrun(), {"/t"}, env);
    EXPECT_FALSE(test::hung(autoload));
    const auto boot =
        test::runLimited(test::machineTool(), {"boot", m.machine.root().string()}, env);
    EXPECT_FALSE(test::hung(boot));
    {
        test::Session open(m);
        open.pressOk();
        open.start();
        // Without its lock the customiser would mix its copies with another's.
        EXPECT_TRUE(open.app.refused());
        ASSERT_EQ(open.messageBoxes().size(), 1u);
        EXPECT_TRUE(test::mentions(open.messageBoxes()[0], "velkrun.lock"));
    }

    EXPECT_EQ(test::readFile(outside / "profile"), "export A=1\n");
    EXPECT_FALSE(fs::exists(outside / "made.lock"));
    EXPECT_TRUE(fs::is_symlink(m.machine.journalFile()));
    auto appended = platform::Journal::ofMachine(m.machine).append("anything");
    ASSERT_FALSE(appended);
    EXPECT_TRUE(test::mentions(appended.error().message, "journal.txt"));
}
