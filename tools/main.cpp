// velkan-machine: make, install into, start ("boot") and inspect a Windows 95
// machine folder, and expose the registry and profile-string stand-ins on the
// command line.
#include "tools/Commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
    const char* usage;
};

const Command kCommands[] = {
    {"reg", velkan::machine::runReg,
     "reg query|add|delete KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f] | reg export|import FILE"},
    {"ini", velkan::machine::runIni, "ini get|set FILE SECTION KEY [VALUE] [--default TEXT]"},
    {"install", velkan::machine::runInstall, "install [DIR]"},
    {"create", velkan::machine::runCreate,
     "create [--build N|CAPTION] [--user-layout N|CAPTION] [--image [--size MB]] [DIR]"},
    {"attach", velkan::machine::runAttach, "attach IMAGE [DIR]"},
    {"boot", velkan::machine::runBoot, "boot [DIR]"},
    {"show", velkan::machine::runShow,
     "show [DIR] [--json] [--now] [--png FILE [--pack FOLDER] [--clock TEXT]]"},
    {"icons", velkan::machine::runIcons, "icons FILE [--out DIR] [--ico]"},
    {"check", velkan::machine::runCheck, "check [DIR] [--verbose]"},
};

void printUsage(FILE* to) {
    std::fprintf(to, "usage: velkan-machine COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& c : kCommands)
        std::fprintf(to, "  %s\n", c.usage);
    std::fprintf(to, "\nThe machine folder is $VELKAN_MACHINE, else "
                     "$XDG_DATA_HOME/velkan/machine.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : kCommands)
        if (c.name == std::string(argv[1]))
            return c.run(args);
    std::fprintf(stderr, "velkan-machine: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
