#include "platform/Machine.h"
#include "tools/Commands.h"
#include "tools/ShellView.h"

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace velkan::machine {

int runShow(const std::vector<std::string>& args) {
    std::string folder;
    bool json = false;
    ShellMoment moment = ShellMoment::AfterNextStart;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else if (a == "--now")
            moment = ShellMoment::Now;
        else if (!a.empty() && a[0] != '-' && folder.empty())
            folder = a;
        else {
            std::fprintf(stderr, "usage: velkan-machine show [DIR] [--json] [--now]\n");
            return 2;
        }
    }
    if (folder.empty())
        folder = platform::Machine::fromEnvironment().root().string();
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::path(folder) / "drive_c", ec)) {
        std::fprintf(stderr, "velkan-machine show: %s holds no machine\n", folder.c_str());
        return 1;
    }
    auto view = viewShell(platform::Machine(folder), moment);
    if (!view) {
        std::fprintf(stderr, "velkan-machine show: %s\n", view.error().message.c_str());
        return 1;
    }
    const std::string text = json ? formatShellViewJson(*view) : formatShellView(*view);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace velkan::machine
