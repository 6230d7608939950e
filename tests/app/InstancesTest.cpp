// More than one program on one machine: a second customiser is refused before
// it touches the working copies, and the uninstaller run while a customiser
// is open leaves the registry and the working copies whole.
#include "app/ProgramKeys.h"
#include "platform/InstanceLock.h"
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"
#include "tests/support/Process.h"
#include "tools/Install.h"
#include "tools/ShellView.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace velkan;
using platform::RootKey;
using test::AppMachine;
using test::Session;

namespace {

const std::string kRefusal = std::string("Velkan'97|") + app::Application::kAlreadyRunning;

void chooseIcon(Session& run, AppMachine& m, int size) {
    const std::string path = "C:\\Icons\\start" + std::to_string(size) + ".ico";
    m.put(path, test::iconFile(size));
    run.questions.chooseFile(path);
    run.form().main.StartSE.click();
}

bool lockHeld(const AppMachine& m) {
    return platform::InstanceLock::isHeld(m.machine, app::Application::kInstanceLockName);
}

// A velkrun of this tree with its window open on the offscreen platform, in
// the background; ended by its id.
class OpenCustomiser {
public:
    explicit OpenCustomiser(const AppMachine& m) {
        const std::string program = VELKAN_APP_BIN "/velkrun";
        std::vector<std::string> env = {"VELKAN_MACHINE=" + m.machine.root().string(),
                                        "QT_QPA_PLATFORM=offscreen"};
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).substr(0, 15) != "VELKAN_MACHINE=" &&
                std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=")
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
            pid_ = -1;
    }
    ~OpenCustomiser() { kill(SIGTERM); }

    bool started() const { return pid_ > 0; }
    void kill(int signal) {
        if (pid_ <= 0)
            return;
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(Instances, ASecondCustomiserIsRefusedBeforeItTouchesTheWorkingCopies) {
    AppMachine m;
    Session first(m);
    first.start();
    ASSERT_TRUE(lockHeld(m));
    chooseIcon(first, m, 16);
    const std::string userCopy = m.bytes("System\\User.tmp");
    ASSERT_NE(userCopy, m.bytes("System\\User.exe")); // the icon is in the working copy

    {
        Session second(m);
        second.pressOk();
        second.start();
        EXPECT_TRUE(second.app.refused());
        EXPECT_TRUE(second.app.terminated());
        EXPECT_EQ(second.app.MainForm, nullptr);
        EXPECT_EQ(second.messageBoxes(), std::vector<std::string>{kRefusal});
    }
    {
        // The unattended autoload asks nobody; the journal says why it did nothing.
        Session autoload(m, {"/t"});
        autoload.start();
        EXPECT_TRUE(autoload.app.refused());
        EXPECT_TRUE(autoload.messageBoxes().empty());
        const auto journal = m.journal();
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(journal.back(), "autoload skipped: the customiser is already running");
    }
    EXPECT_EQ(m.bytes("System\\User.tmp"), userCopy);
    EXPECT_TRUE(lockHeld(m));

    // The first one's OK still installs its own icon, and the lock goes with it.
    first.declineRestart();
    first.form().OKBn.click();
    EXPECT_EQ(m.bytes("System\\User.new"), userCopy);
    first.app.MainForm.reset();
    first.app.instanceLock = {};
    EXPECT_FALSE(lockHeld(m));
    Session third(m);
    third.start();
    EXPECT_FALSE(third.app.refused());
    EXPECT_TRUE(third.messageBoxes().empty());
}

TEST(Instances, AKilledCustomiserLeavesTheMachineFreeForTheNext) {
    if (!std::filesystem::exists(VELKAN_APP_BIN "/velkrun"))
        GTEST_SKIP() << "velkrun is not built in this tree";
    AppMachine m;
    OpenCustomiser open(m);
    ASSERT_TRUE(open.started());
    ASSERT_TRUE(waitFor([&] { return lockHeld(m); })) << "velkrun never took the machine";
    // Started at Windows start while the window is open: skipped, not queued.
    const auto autoload = test::runProcess(
        VELKAN_APP_BIN "/velkrun", {"/t"},
        {{"VELKAN_MACHINE", m.machine.root().string()}, {"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""},
         {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(autoload.exitCode, 0) << autoload.err;
    const auto journal = m.journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), "autoload skipped: the customiser is already running");

    open.kill(SIGKILL);
    EXPECT_FALSE(lockHeld(m));
    Session next(m);
    next.start();
    EXPECT_FALSE(next.app.refused());
}

TEST(Instances, UninstallingWhileTheCustomiserIsOpenKeepsRegistryAndWorkingCopiesWhole) {
    AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    Session open(m);
    open.start();
    chooseIcon(open, m, 16);
    const std::string shellCopy = m.bytes("Explorer.tmp");
    const std::string userCopy = m.bytes("System\\User.tmp");

    const auto removed = test::runProcess(
        test::tool("velkan-remove"), {},
        {{"VELKAN_MACHINE", m.machine.root().string()}, {"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""},
         {"WAYLAND_DISPLAY", ""}},
        "y\n");
    EXPECT_EQ(removed.exitCode, 0);
    EXPECT_NE(removed.out.find("Velkan has been successfully uninstalled."), std::string::npos)
        << removed.out;
    EXPECT_EQ(m.bytes("Explorer.tmp"), shellCopy);
    EXPECT_EQ(m.bytes("System\\User.tmp"), userCopy);
    EXPECT_FALSE(m.registry().openKey(RootKey::CurrentUser, app::kProgramKey));

    // The open customiser goes on: its OK lands, next to what the uninstaller left.
    open.form().main.StartEdit.userSetText("Go");
    open.declineRestart();
    open.form().OKBn.click();
    const platform::Registry registry = m.registry();
    EXPECT_TRUE(registry.openKey(RootKey::CurrentUser, "Software\\Microsoft\\Windows"));
    EXPECT_FALSE(registry.openKey(RootKey::LocalMachine,
                                  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VKR"));
    m.boot();
    auto view = machine::viewShell(m.machine, machine::ShellMoment::Now);
    ASSERT_TRUE(view) << view.error().message;
    EXPECT_EQ(view->startText, u"Go");
    EXPECT_EQ(m.bytes("System\\User.exe"), userCopy);
}
