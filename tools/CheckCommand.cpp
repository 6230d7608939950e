#include "platform/Machine.h"
#include "tools/Commands.h"
#include "tools/MachineCheck.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace velkan::machine {

int runCheck(const std::vector<std::string>& args) {
    bool verbose = false;
    std::vector<std::string> rest;
    for (const auto& a : args) {
        if (a == "--verbose" || a == "-v")
            verbose = true;
        else
            rest.push_back(a);
    }
    if (rest.size() > 1 || (rest.size() == 1 && (rest[0].empty() || rest[0][0] == '-'))) {
        std::fprintf(stderr, "usage: velkan-machine check [DIR] [--verbose]\n");
        return 2;
    }
    const platform::Machine machine =
        rest.empty() ? platform::Machine::fromEnvironment() : platform::Machine(rest[0]);
    if (!machine.driveRoot('C')) {
        std::fprintf(stderr, "velkan-machine check: %s holds no machine\n",
                     machine.root().string().c_str());
        return 2;
    }
    const MachineCheck report = checkMachine(machine);
    if (verbose)
        for (const auto& what : report.checked)
            std::printf("checked: %s\n", what.c_str());
    for (const auto& p : report.problems)
        std::printf("problem: %s\n", p.c_str());
    if (!report.sound())
        return 1;
    std::printf("The machine will start its shell.\n");
    return 0;
}

} // namespace velkan::machine
