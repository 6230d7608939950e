#include "app/Application.h"

#include "platform/Files.h"
#include "platform/Journal.h"

namespace velkan::app {

Application::Application(Environment& environment) : env(environment) {}

Application::~Application() = default;

void Application::createForms() {
    // Before anything touches the working copies: they belong to the
    // customiser that got here first.
    auto lock = platform::InstanceLock::tryAcquire(env.machine, kInstanceLockName);
    if (lock) {
        instanceLock = std::move(*lock);
    } else if (lock.error().code == platform::WinError::AlreadyExists) {
        refused_ = true;
        if (isAutoloadArgument(env.arguments))
            // Unattended at Windows start: nobody to tell, the next start
            // applies the pack instead.
            (void)platform::Journal::ofMachine(env.machine)
                .append("autoload skipped: the customiser is already running");
        else
            env.questions.messageBox(kAlreadyRunning, kTitle, platform::MessageIcon::Warning);
        return;
    } else if (lock.error().code == platform::WinError::InvalidData) {
        // Something else stands where the lock belongs (a link, a pipe):
        // running without the lock could let two customisers mix their copies.
        refused_ = true;
        const std::string why = "The machine cannot be locked:\r" + lock.error().message;
        if (isAutoloadArgument(env.arguments))
            (void)platform::Journal::ofMachine(env.machine).append("autoload skipped: " + why);
        else
            env.questions.messageBox(why, kTitle, platform::MessageIcon::Error);
        return;
    }
    // Any other failure (a machine folder that cannot be written) leaves the
    // lock untaken; the run goes on and meets the read-only files itself.
    MainForm = std::make_unique<TMainForm>(env);
    MainForm->releaseMachine = [this] { instanceLock = platform::InstanceLock(); };
    MainForm->FormCreate();
    IconFm = std::make_unique<TIconFm>();
    IconFm->MoreBn = &MainForm->packs.MoreBn;
    MainForm->IconFm = IconFm.get();
    MainForm->packs.IconFmImages = IconFm->images();
    WarnForm = std::make_unique<TWarnForm>(env.registry);
    const auto& paths = MainForm->paths;
    RestoreFm = std::make_unique<TRestoreFm>(platform::fileExists(env.machine, paths.userSav),
                                             platform::fileExists(env.machine, paths.explorerSav));
    MainForm->WarnForm = WarnForm.get();
    MainForm->RestoreFm = RestoreFm.get();
    CreateTh = std::make_unique<TCreateTh>(*MainForm);
    MainForm->CreateTh = CreateTh.get();
    BrwsIcnForm = std::make_unique<TBrwsIcnForm>(env.questions, env.machine, MainForm->windowsFolder);
    MainForm->BrwsIcnForm = BrwsIcnForm.get();
}

} // namespace velkan::app
