#include "tools/MachineLook.h"

#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"

namespace velkan::machine {

platform::Result<preview::LookSources> machineLookSources(const platform::Machine& machine,
                                                          ShellMoment moment) {
    auto view = viewShell(machine, moment);
    if (!view)
        return view.error();
    preview::LookSources sources;
    sources.build = view->build.value_or(-1);
    sources.windowsFolder = view->windowsFolder;
    auto bytesOf = [&](const std::string& winPath) -> platform::Result<std::string> {
        auto host = platform::resolveWinPath(machine, winPath);
        if (!host)
            return host.error();
        return platform::host::readWholeFile(*host);
    };
    auto explorer = bytesOf(view->explorerFile);
    if (!explorer)
        return explorer.error();
    sources.explorer = std::move(*explorer);
    if (auto user = bytesOf(view->userFile))
        sources.user = std::move(*user);
    if (view->userLayout)
        sources.iconShift = shellpatch::kBuilds[*view->userLayout].iconShift;

    const platform::Registry registry = platform::machineRegistry(machine);
    sources.hidden = preview::readHiddenEntries(registry);
    sources.shellIcons = preview::readShellIcons(registry);
    preview::readWindowMetrics(registry, sources);
    return sources;
}

} // namespace velkan::machine
