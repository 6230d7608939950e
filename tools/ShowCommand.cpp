#include "platform/Machine.h"
#include "preview/PackLook.h"
#include "preview/StartMenuLook.h"
#include "tools/Commands.h"
#include "tools/MachineLook.h"
#include "tools/ShellView.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <system_error>
#include <vector>

#ifdef VELKAN_PREVIEW_PICTURES
#include "preview/ui/StartMenuPicture.h"
#endif

namespace velkan::machine {

namespace {

constexpr const char* kUsage = "usage: velkan-machine show [DIR] [--json] [--now] [--png FILE "
                               "[--pack FOLDER] [--clock TEXT]]\n";

#ifdef VELKAN_PREVIEW_PICTURES
// The taskbar clock as Windows 95 shows it in the United States: "3:07 PM".
std::string clockNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", hour, local.tm_min,
                  local.tm_hour < 12 ? "AM" : "PM");
    return text;
}
#endif

int writePicture(const platform::Machine& machine, ShellMoment moment, const std::string& png,
                 const std::string& pack, const std::string& clock) {
#ifdef VELKAN_PREVIEW_PICTURES
    auto sources = machineLookSources(machine, moment);
    if (!sources) {
        std::fprintf(stderr, "velkan-machine show: %s\n", sources.error().message.c_str());
        return 1;
    }
    if (!pack.empty() && !preview::applyPack(*sources, machine, pack)) {
        std::fprintf(stderr, "velkan-machine show: %s holds no theme pack\n", pack.c_str());
        return 1;
    }
    auto look = preview::buildLook(machine, *sources);
    if (!look) {
        std::fprintf(stderr, "velkan-machine show: no picture: %s\n", look.error().message.c_str());
        return 1;
    }
    preview::ui::ensureGuiApplication();
    preview::ui::PictureOptions options;
    options.clock = QString::fromStdString(clock.empty() ? clockNow() : clock);
    if (auto written = preview::ui::writeStartMenuPng(*look, png, options); !written) {
        std::fprintf(stderr, "velkan-machine show: %s\n", written.error().message.c_str());
        return 1;
    }
    return 0;
#else
    (void)machine;
    (void)moment;
    (void)png;
    (void)pack;
    (void)clock;
    std::fprintf(stderr, "velkan-machine show: --png is unavailable: this velkan-machine was "
                         "built without the Qt windows (VELKAN_BUILD_UI=OFF)\n");
    return 1;
#endif
}

} // namespace

int runShow(const std::vector<std::string>& args) {
    std::string folder, png, pack, clock;
    bool json = false;
    ShellMoment moment = ShellMoment::AfterNextStart;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json")
            json = true;
        else if (a == "--now")
            moment = ShellMoment::Now;
        else if (a == "--png" && i + 1 < args.size())
            png = args[++i];
        else if (a == "--pack" && i + 1 < args.size())
            pack = args[++i];
        else if (a == "--clock" && i + 1 < args.size())
            clock = args[++i];
        else if (!a.empty() && a[0] != '-' && folder.empty())
            folder = a;
        else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (folder.empty())
        folder = platform::Machine::fromEnvironment().root().string();
    if (!platform::Machine(folder).driveRoot('C')) {
        std::fprintf(stderr, "velkan-machine show: %s holds no machine\n", folder.c_str());
        return 1;
    }
    const platform::Machine machine(folder);
    if (png.empty() && !pack.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!png.empty())
        return writePicture(machine, moment, png, pack, clock);
    auto view = viewShell(machine, moment);
    if (!view) {
        std::fprintf(stderr, "velkan-machine show: %s\n", view.error().message.c_str());
        return 1;
    }
    const std::string text = json ? formatShellViewJson(*view) : formatShellView(*view);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace velkan::machine
