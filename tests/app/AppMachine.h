#pragma once

#include "app/Application.h"
#include "app/Environment.h"
#include "app/RebootForm.h"
#include "platform/Clock.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/UserQuestions.h"
#include "shellpatch/BuildTable.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A Windows 95 machine made by the machine tools in a temporary folder, and
// runs of the customiser on it with scripted answers and a manual clock.
namespace velkan::test {

class AppMachine {
    TempDir dir_; // first: the machine lives inside it

public:
    // A fresh machine of `build`; User.exe laid out as `userLayout` when given.
    // The backup notice is marked as shown unless `firstRun`.
    explicit AppMachine(int build = 0, std::optional<int> userLayout = {}, bool firstRun = false);
    // Whatever the test did, cregexport must read the registry files as we do.
    ~AppMachine();

    platform::Machine machine;
    platform::Registry registry() const { return platform::machineRegistry(machine); }

    // Host paths of files in C:\WINDOWS, found without regard to case.
    std::filesystem::path windowsFile(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    std::string bytes(const std::string& relative) const;

    // The [Rename] lines of WinInit.ini as "key=value", in file order.
    std::vector<std::string> renameLines() const;
    // What the machine journal recorded, without time stamps.
    std::vector<std::string> journal() const;

    // Windows' next start: the swap of WinInit.ini and the Run entries.
    void boot() const;

    // Makes a file (with its folders) inside drive C:, e.g. "C:\\Icons\\a.ico".
    void put(const std::string& winPath, const std::string& bytes) const;
};

// One run of the customiser: its windows are made by start(), which runs
// the whole start-up (or the whole autoload with "/t").
class Session {
public:
    explicit Session(const AppMachine& m, std::vector<std::string> args = {});

    platform::ScriptedQuestions questions;
    platform::ManualClock clock;
    app::Environment env;
    app::Application app;

    void start() { app.createForms(); }
    app::TMainForm& form() { return *app.MainForm; }

    // Scripts the restart prompt: records its variant, then presses "Don't".
    Session& declineRestart();
    // Scripts the restart prompt: records its variant, then presses RebootBn.
    Session& acceptRestart();
    // Scripts a message box answered with OK.
    Session& pressOk() {
        questions.press(platform::IDOK);
        return *this;
    }
    // The captions of RebootBn the prompt showed, one per showing.
    std::vector<std::string> restartPrompts;

    // The message boxes asked so far, as "caption|text".
    std::vector<std::string> messageBoxes() const;
};

// A shell text field's code units in a file image.
std::u16string fieldUnits(const std::string& file, shellpatch::TextField field);
// UTF-16 text in a Windows ANSI code page, through the C library's converter.
std::string toCodePage(std::u16string_view text, const char* codePage);
// The code page the shell's texts of a build are shown in.
const char* codePageOfBuild(int position);

// A single-image .ico file whose first image is `width` wide with `bitCount`
// bits per pixel, sized as its header says (`extra` bytes added at the end).
std::string iconFile(int width, int bitCount = 4, int extra = 0);
// A .bmp file: 14-byte file header, 40-byte info header, 16-colour palette and
// `rowsBytes` bytes of pixel data, every byte holding `fill`.
std::string bitmapFile(int width, int height, int bitCount, int compression, int rowsBytes,
                       char fill);

std::uint32_t le32(const std::string& bytes, std::size_t offset);

} // namespace velkan::test
