#include "platform/Journal.h"
#include "platform/Machine.h"
#include "tools/Commands.h"
#include "tools/WindowsStart.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace velkan::machine {

int runBoot(const std::vector<std::string>& args) {
    if (args.size() > 1 || (args.size() == 1 && (args[0].empty() || args[0][0] == '-'))) {
        std::fprintf(stderr, "usage: velkan-machine boot [DIR]\n");
        return 2;
    }
    const platform::Machine machine =
        args.empty() ? platform::Machine::fromEnvironment() : platform::Machine(args[0]);
    if (!machine.driveRoot('C')) {
        std::fprintf(stderr, "velkan-machine boot: %s holds no machine: drive C: (%s) is missing\n",
                     machine.root().string().c_str(), machine.driveC().string().c_str());
        return 1;
    }
    auto report = startWindows(machine);
    if (!report) {
        std::fprintf(stderr, "velkan-machine boot: %s\n",
                     platform::printableText(report.error().message).c_str());
        return 1;
    }
    // The lines come from the machine's files: a NUL would end the line
    // early, an escape sequence would play with the terminal.
    for (const auto& line : report->renames)
        std::printf("Rename: %s\n", platform::printableText(line).c_str());
    for (const auto& run : report->runs)
        std::printf("Run:    %s (%s)\n", platform::printableText(run.command).c_str(),
                    platform::printableText(run.note).c_str());
    std::printf("Windows has started.\n");
    return report->problems ? 1 : 0;
}

} // namespace velkan::machine
