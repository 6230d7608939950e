#include "app/Application.h"

#include "platform/Files.h"

namespace velkan::app {

Application::Application(Environment& environment) : env(environment) {}

Application::~Application() = default;

void Application::createForms() {
    MainForm = std::make_unique<TMainForm>(env);
    MainForm->FormCreate();
    IconFm = std::make_unique<TIconFm>();
    IconFm->MoreBn = &MainForm->MoreBn;
    MainForm->IconFm = IconFm.get();
    MainForm->IconFmImages = IconFm->images();
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
