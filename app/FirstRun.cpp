#include "app/FirstRun.h"

#include "platform/Machine.h"
#include "platform/Shell.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace velkan::app {

namespace fs = std::filesystem;

namespace {

platform::Status runTool(const std::string& command, const fs::path& folder) {
    auto ran = platform::Shell::runMachineTool({command, folder.string()});
    if (!ran)
        return ran.error();
    if (*ran != 0)
        return platform::Error::of(platform::WinError::CannotMake,
                                   "velkan-machine " + command + " " + folder.string() +
                                       " failed with exit code " + std::to_string(*ran));
    return {};
}

} // namespace

platform::Result<bool> makeDemoMachineOnFirstRun() {
    const char* chosen = std::getenv("VELKAN_MACHINE");
    if (chosen && *chosen)
        return false;
    const fs::path root = platform::Machine::fromEnvironment().root();
    std::error_code ec;
    if (fs::exists(root, ec))
        return false;

    const fs::path making =
        root.parent_path() / (root.filename().string() + ".making-" + std::to_string(::getpid()));
    fs::remove_all(making, ec);
    fs::create_directories(root.parent_path(), ec);
    for (const char* command : {"create", "install"}) {
        if (auto made = runTool(command, making); !made) {
            fs::remove_all(making, ec);
            return made.error();
        }
    }
    fs::rename(making, root, ec);
    if (ec) {
        const int failure = ec.value();
        fs::remove_all(making, ec);
        // Another program may have made it first; that one is as good.
        if (fs::exists(root))
            return false;
        return platform::errorFromErrno(failure, root.string());
    }
    return true;
}

} // namespace velkan::app
