// velkrun: the customiser. Started with "/t" it applies the next theme pack
// unattended and ends; otherwise it opens its window on the machine named by
// VELKAN_MACHINE (the demo machine by default, made on first run).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "app/Application.h"
#include "app/FirstRun.h"
#include "app/ui/Dialogs.h"
#include "app/ui/MainWindow.h"
#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "platform/Journal.h"
#include "platform/Registry.h"
#include "caption/ui/CaptionControl.h"
#include "platform/ui/QtQuestions.h"
#include "platform/ui/Win95Look.h"

namespace {

bool autoloadRequested(const std::vector<std::string>& args) {
    return !args.empty() && args[0].size() == 2 && args[0][0] == '/' &&
           (args[0][1] == 't' || args[0][1] == 'T');
}

// What keeps the machine from being worked on at all, told before anything
// else would mistake it for an unknown shell or an empty registry.
std::optional<std::string> unusableMachine(const velkan::platform::Machine& machine) {
    if (!machine.driveRoot('C'))
        return "Drive C: of the machine is missing: " + machine.driveC().string() +
               " is neither a folder nor a disk image.";
    if (auto registry = velkan::platform::machineRegistry(machine).check(); !registry)
        return "The registry of the machine cannot be read:\r" + registry.error().message;
    return std::nullopt;
}

int reportUnusable(const velkan::platform::Machine& machine, const std::string& problem,
                   bool autoload) {
    std::string line = problem;
    for (char& c : line)
        if (c == '\r')
            c = ' ';
    std::fprintf(stderr, "velkrun: %s\n", line.c_str());
    if (autoload)
        (void)velkan::platform::Journal::ofMachine(machine).append("autoload failed: " + line);
    return 1;
}

// An autoload at Windows start needs no display: its questions (a refused
// icon, say) go to the terminal.
int runWithoutDisplay(const velkan::platform::Machine& machine, std::vector<std::string> args) {
    velkan::platform::ConsoleQuestions questions(std::cin, std::cout, [&machine](const std::string& p) {
        return velkan::platform::fileExists(machine, p);
    });
    velkan::app::Environment env(machine, questions, velkan::platform::steadyClock(), std::move(args));
    velkan::app::Application application(env);
    application.createForms();
    if (!application.terminated())
        application.MainForm->close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (auto made = velkan::app::makeDemoMachineOnFirstRun(); !made) {
        std::fprintf(stderr, "velkrun: cannot make the demo machine: %s\n",
                     made.error().message.c_str());
        return 1;
    }
    const auto machine = velkan::platform::Machine::fromEnvironment();
    // The arguments are ours alone: a Run value of the machine chooses them,
    // and Qt's own options (-platformpluginpath, -style, -stylesheet, ...)
    // would load code or read files that it names.
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool autoload = autoloadRequested(args);
    const std::optional<std::string> unusable = unusableMachine(machine);

    if (!velkan::platform::displayAvailable()) {
        if (autoload && unusable)
            return reportUnusable(machine, *unusable, true);
        if (autoload)
            return runWithoutDisplay(machine, std::move(args));
        std::fprintf(stderr,
                     "velkrun: no display. Start it on a desktop, or with a virtual one:\n"
                     "    xvfb-run %s\n"
                     "To see what the machine will show, run: velkan-machine show %s\n",
                     argv[0], machine.root().c_str());
        return 1;
    }

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(velkan::app::Application::kTitle);
    velkan::platform::ui::applyWin95Look(app);
    velkan::caption::ui::frameProgramWindows();

    velkan::platform::ui::QtQuestions questions(machine);
    if (unusable) {
        if (!autoload)
            questions.messageBox(*unusable, velkan::app::Application::kTitle,
                                 velkan::platform::MessageIcon::Error);
        return reportUnusable(machine, *unusable, autoload);
    }
    velkan::app::Environment env(machine, questions, velkan::platform::steadyClock(), args);
    velkan::app::ui::registerWindowViews(questions, env);
    velkan::app::Application application(env);
    application.createForms();
    if (application.terminated())
        return 0;

    velkan::app::ui::MainWindow window(*application.MainForm);
    questions.setParentWindow(&window);
    if (std::getenv("VELKAN_QUIT_WHEN_SHOWN")) {
        // For timing the start-up: stop once the window has been painted.
        window.show();
        QApplication::processEvents();
        return 0;
    }
    window.exec();
    if (!application.terminated())
        application.MainForm->close();
    return 0;
}
