#include "tools/DefaultMachine.h"

#include "platform/Machine.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace velkan::machine {

namespace fs = std::filesystem;

platform::Result<bool> ensureDefaultMachine() {
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
    if (auto s = createMachine(making); !s) {
        fs::remove_all(making, ec);
        return s.error();
    }
    if (auto s = installVelkan(making); !s) {
        fs::remove_all(making, ec);
        return s.error();
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

} // namespace velkan::machine
