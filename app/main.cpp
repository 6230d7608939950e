// velkrun: the customiser. Started with "/t" it applies the next theme pack
// unattended and ends; otherwise it opens its window on the machine named by
// VELKAN_MACHINE (the demo machine by default, made on first run).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/Application.h"
#include "app/ui/Dialogs.h"
#include "app/ui/MainWindow.h"
#include "platform/Files.h"
#include "platform/ui/QtQuestions.h"
#include "platform/ui/Win95Look.h"
#include "tools/DefaultMachine.h"

namespace {

bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* v = std::getenv(name); v && *v)
            return true;
    return false;
}

bool autoloadRequested(int argc, char** argv) {
    if (argc < 2)
        return false;
    std::string first = argv[1];
    return first.size() == 2 && first[0] == '/' && (first[1] == 't' || first[1] == 'T');
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
    if (auto made = velkan::machine::ensureDefaultMachine(); !made) {
        std::fprintf(stderr, "velkrun: cannot make the demo machine: %s\n",
                     made.error().message.c_str());
        return 1;
    }
    const auto machine = velkan::platform::Machine::fromEnvironment();
    std::vector<std::string> args(argv + 1, argv + argc);

    if (!displayAvailable()) {
        if (autoloadRequested(argc, argv))
            return runWithoutDisplay(machine, std::move(args));
        std::fprintf(stderr,
                     "velkrun: no display. Start it on a desktop, or with a virtual one:\n"
                     "    xvfb-run %s\n"
                     "To see what the machine will show, run: velkan-machine show %s\n",
                     argv[0], machine.root().c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(velkan::app::Application::kTitle);
    velkan::platform::ui::applyWin95Look(app);

    velkan::platform::ui::QtQuestions questions(machine);
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
