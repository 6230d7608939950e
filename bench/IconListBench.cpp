// The icon browser's list load on a large icon library, timed from Enter
// until the list is complete, with the window thread pumping posted work as
// the dialog's event loop would (and measuring how long it ever waits).
//   icons_bench make FILE [COUNT]   writes a PE library of COUNT (180) icons
//   icons_bench list FILE [RUNS]    lists every icon of FILE, RUNS (5) times
#include "app/BrwsIcnForm.h"
#include "tools/PeResourceWriter.h"
#include "tools/Shell32Image.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace velkan;
using Clock = std::chrono::steady_clock;

namespace {

int make(const std::string& file, int count) {
    std::vector<machine::PeResource> resources;
    std::uint16_t next = 1;
    for (int i = 0; i < count; ++i) {
        // Four images per icon, as Windows' own libraries have them.
        const int picture = i % machine::kShell32IconCount;
        std::vector<machine::IconImage> images = {
            machine::encodeIconImage(machine::drawShell32Icon(picture, 16, false), 4),
            machine::encodeIconImage(machine::drawShell32Icon(picture, 32, false), 4),
            machine::encodeIconImage(machine::drawShell32Icon(picture, 16, true), 8),
            machine::encodeIconImage(machine::drawShell32Icon(picture, 32, true), 8)};
        next = machine::addIconGroup(resources, static_cast<std::uint16_t>(i + 1), images, next);
    }
    const auto bytes = machine::writePeResourceDll(resources);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    std::printf("%s: %d icons, %zu bytes\n", file.c_str(), count, bytes.size());
    return out ? 0 : 1;
}

int list(const std::string& file, int runs) {
    platform::ScriptedQuestions questions;
    // A machine whose drive C: holds a copy of the file, as the browser
    // looks files up through the machine's drives.
    const auto root = std::filesystem::temp_directory_path() / "velkan-icons-bench";
    std::filesystem::remove_all(root);
    platform::Machine machine(root);
    std::filesystem::create_directories(machine.driveC());
    std::filesystem::copy_file(file, machine.driveC() / "LIBRARY.DLL");
    app::TBrwsIcnForm browser(questions, machine, "C:\\WINDOWS");
    double best = 1e9;
    double longestPump = 0;
    std::size_t items = 0;
    for (int run = 0; run < runs; ++run) {
        browser.NameEd.setText("C:\\LIBRARY.DLL");
        const auto start = Clock::now();
        browser.NameEdKeyPress(app::TBrwsIcnForm::kEnter, &browser.NameEd);
        while (browser.busy()) {
            const auto pumpStart = Clock::now();
            questions.processPosted();
            longestPump = std::max(
                longestPump,
                std::chrono::duration<double, std::milli>(Clock::now() - pumpStart).count());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = std::min(best, ms);
        items = browser.LstVw.items().size();
    }
    std::filesystem::remove_all(root);
    std::printf(
        "velkan list load: %zu icons in %.1f ms (best of %d); longest window-thread step %.2f ms\n",
        items, best, runs, longestPump);
    return items ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "make")
        return make(argv[2], argc > 3 ? std::stoi(argv[3]) : 180);
    if (argc >= 3 && std::string(argv[1]) == "list")
        return list(argv[2], argc > 3 ? std::stoi(argv[3]) : 5);
    std::fprintf(stderr, "usage: icons_bench make FILE [COUNT] | list FILE [RUNS]\n");
    return 2;
}
