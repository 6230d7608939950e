#include "platform/Machine.h"
#include "tools/Commands.h"
#include "tools/Install.h"

#include <cstdio>
#include <filesystem>

namespace velkan::machine {

// velkan-machine install [DIR]: installs Velkan into the machine folder DIR
// (else the machine of the environment).
int runInstall(const std::vector<std::string>& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0].rfind("-", 0) == 0)) {
        std::fprintf(stderr, "usage: velkan-machine install [DIR]\n");
        return 2;
    }
    const std::filesystem::path folder =
        args.empty() ? platform::Machine::fromEnvironment().root() : std::filesystem::path(args[0]);
    if (auto s = installVelkan(folder); !s) {
        std::fprintf(stderr, "velkan-machine install: %s\n", s.error().message.c_str());
        return 1;
    }
    std::printf("Velkan installed in %s of %s\n", kProgramFolder, folder.string().c_str());
    return 0;
}

} // namespace velkan::machine
