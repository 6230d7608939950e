// velkan-remove: the uninstaller. Asks once, then takes Velkan out of the
// machine named by VELKAN_MACHINE (the demo machine by default) and reports
// the outcome. With a display the questions are message boxes, without one
// they are asked on the terminal. It takes no arguments, and its exit code is
// 0 whatever happened: the outcome is told to the user, not to a caller.
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/UserQuestions.h"
#include "remove/Uninstaller.h"

#include <cstdlib>
#include <iostream>

#ifdef VELKAN_REMOVE_WITH_QT
#include "caption/ui/CaptionControl.h"
#include "platform/ui/QtQuestions.h"
#include "platform/ui/Win95Look.h"

#include <QApplication>
#endif

namespace {

using velkan::platform::Machine;

#ifdef VELKAN_REMOVE_WITH_QT
void runWithMessageBoxes(const Machine& machine, char** argv) {
    // It takes no arguments, and none reaches Qt: Qt would read words such
    // as -platformpluginpath as orders to load code.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    velkan::platform::ui::applyWin95Look(app);
    velkan::caption::ui::frameProgramWindows();
    velkan::platform::ui::QtQuestions questions(machine);
    velkan::remove::Uninstaller(machine, questions).run();
}
#endif

void runOnTerminal(const Machine& machine) {
    velkan::platform::ConsoleQuestions questions(
        std::cin, std::cout, [&machine](const std::string& path) {
            return velkan::platform::fileExists(machine, path);
        });
    velkan::remove::Uninstaller(machine, questions).run();
}

} // namespace

int main([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    const Machine machine = Machine::fromEnvironment();
#ifdef VELKAN_REMOVE_WITH_QT
    if (velkan::platform::displayAvailable()) {
        runWithMessageBoxes(machine, argv);
        return 0;
    }
#endif
    runOnTerminal(machine);
    return 0;
}
