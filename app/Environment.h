#pragma once

#include "platform/Clock.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/UserQuestions.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velkan::app {

class TAutoTheme;

// Everything a run of the customiser works on and talks to: the machine, its
// registry, the user, the clock and the shell, and the command line. Tests
// hand in a temporary machine, scripted questions and a manual clock.
struct Environment {
    platform::Machine machine;
    platform::Registry registry;
    platform::UserQuestions& questions;
    platform::Clock& clock;
    platform::Shell shell;
    std::vector<std::string> arguments; // after the program name
    // Puts a view on a "Processing..." window when there is a display; the
    // view lives as long as the returned handle.
    std::function<std::shared_ptr<void>(TAutoTheme&)> showProgressWindow;

    Environment(platform::Machine m, platform::UserQuestions& q, platform::Clock& c,
                std::vector<std::string> args = {})
        : machine(m), registry(platform::machineRegistry(m)), questions(q), clock(c), shell(m),
          arguments(std::move(args)) {}
};

} // namespace velkan::app
