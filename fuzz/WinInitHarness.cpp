#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/WinPath.h"
#include "tools/WinInitRename.h"

#include <array>
#include <string>

namespace velkan::fuzz {

namespace {

namespace fs = std::filesystem;
using machine::RenameOutcome;

// The files of a machine after an OK and a restore or two: shell files with
// their .new and .sav companions, each holding its own name as its content.
constexpr std::array<const char*, 9> kFiles = {
    "C:\\WINDOWS\\Explorer.exe",        "C:\\WINDOWS\\Explorer.new",
    "C:\\WINDOWS\\Explorer.sav",        "C:\\WINDOWS\\SYSTEM\\User.exe",
    "C:\\WINDOWS\\SYSTEM\\User.new",    "C:\\WINDOWS\\SYSTEM\\User.sav",
    "C:\\WINDOWS\\Setup.old",           "C:\\Autoexec.bat",
    "C:\\WINDOWS\\SYSTEM\\Shell32.dll",
};

platform::Machine machineWith(std::string_view winInit) {
    const platform::Machine machine = freshMachine("wininit");
    for (const char* file : kFiles) {
        std::string host = file + 3;
        for (char& c : host)
            if (c == '\\')
                c = '/';
        put(machine.driveC() / host, file);
    }
    put(machine.driveC() / "WINDOWS" / "WININIT.INI", winInit);
    return machine;
}

std::string contentAt(const fs::path& host) {
    std::string content;
    return slurp(host, content) ? content : std::string("(none)");
}

} // namespace

void fuzzWinInit(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = asText(data, size);
    for (const auto& line : machine::parseRenameSection(text))
        if (line.target.empty() || line.source.empty() || line.lineNumber < 1)
            fail("a [Rename] line without both sides");

    const platform::Machine machine = machineWith(text);
    // What the preview says each file will hold, as the content it has now.
    machine::RenameReport planned;
    auto view = machine::previewRenames(machine, "C:\\WINDOWS", &planned);
    if (!view)
        fail("the preview of [Rename] failed on a readable WinInit.ini");
    std::array<std::string, kFiles.size()> expected;
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        auto from = view->contentOf(kFiles[i]);
        expected[i] = from ? contentAt(*from) : "(none)";
    }

    auto done = machine::performRenames(machine, "C:\\WINDOWS");
    if (!done || !done->hadWinInit)
        fail("performing [Rename] failed on a readable WinInit.ini");
    if (done->outcomes.size() != planned.outcomes.size())
        fail("the preview and the start went through different lines");
    if (fs::exists(machine.driveC() / "WINDOWS" / "WININIT.INI"))
        fail("WinInit.ini is still there after the start");

    // The file system may refuse a line the preview could not foresee (a
    // folder in the way, a name too long); past that the two part ways.
    for (const auto& outcome : done->outcomes)
        if (outcome.kind == RenameOutcome::Failed)
            return;
    for (std::size_t i = 0; i < done->outcomes.size(); ++i)
        if (done->outcomes[i].kind != planned.outcomes[i].kind)
            fail("the preview foresaw another outcome of a line");
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        auto host = platform::resolveWinPath(machine, kFiles[i]);
        if (!host || contentAt(*host) != expected[i])
            fail("a file holds after the start what the preview did not foresee");
    }
}

} // namespace velkan::fuzz
