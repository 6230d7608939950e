#include "platform/Machine.h"
#include "shellpatch/BuildTable.h"
#include "tools/Commands.h"
#include "tools/MachineBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace velkan::machine {

namespace {

bool buildArgument(const std::string& text, int& position) {
    auto found = shellpatch::findBuild(text);
    if (!found) {
        std::fprintf(stderr,
                     "velkan-machine create: no build '%s'; give 0 to 28 or a caption "
                     "such as \"English (US)\"\n",
                     text.c_str());
        return false;
    }
    position = *found;
    return true;
}

} // namespace

int runCreate(const std::vector<std::string>& args) {
    MachineSpec spec;
    std::string folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--build" || a == "--user-layout") && i + 1 < args.size()) {
            int position = 0;
            if (!buildArgument(args[++i], position))
                return 2;
            if (a == "--build")
                spec.build = position;
            else
                spec.userLayout = position;
        } else if (!a.empty() && a[0] != '-' && folder.empty()) {
            folder = a;
        } else {
            std::fprintf(stderr, "usage: velkan-machine create [--build N|CAPTION] "
                                 "[--user-layout N|CAPTION] [DIR]\n");
            return 2;
        }
    }
    if (folder.empty())
        folder = platform::Machine::fromEnvironment().root().string();
    if (auto status = createMachine(folder, spec); !status) {
        std::fprintf(stderr, "velkan-machine create: %s\n", status.error().message.c_str());
        return 1;
    }
    std::printf("Made a Windows 95 machine (%s) in %s\n",
                std::string(shellpatch::kBuilds[spec.build].itemCaption).c_str(), folder.c_str());
    return 0;
}

} // namespace velkan::machine
