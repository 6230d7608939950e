#include "tests/app/AppMachine.h"

#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "platform/ImageDrive.h"
#include "platform/Journal.h"
#include "platform/WinPath.h"
#include "tests/support/Cregexport.h"
#include "tests/support/MachineDrive.h"
#include "tools/ImageMachine.h"
#include "tools/MachineBuilder.h"
#include "tools/WinInitRename.h"
#include "tools/WindowsStart.h"

#include <cstdlib>
#include <iconv.h>
#include <stdexcept>

namespace velkan::test {

namespace fs = std::filesystem;

namespace {

// Making a machine draws its icon library; each kind is made once per test
// program and copied for every test that wants one.
fs::path machineTemplate(int build, std::optional<int> userLayout) {
    static TempDir templates;
    const fs::path folder =
        templates / (std::to_string(build) + "-" + std::to_string(userLayout.value_or(build)));
    if (!fs::exists(folder)) {
        machine::MachineSpec spec;
        spec.build = build;
        spec.userLayout = userLayout;
        if (imageMachines()) {
            // The smallest FAT16 disk: each test copies it whole.
            if (auto made = machine::createImageMachine(folder, spec, {16, 0x1995}); !made)
                throw std::runtime_error("cannot make the machine: " + made.error().message);
        } else if (auto made = machine::createMachine(folder, spec); !made) {
            throw std::runtime_error("cannot make the machine: " + made.error().message);
        }
    }
    return folder;
}

} // namespace

AppMachine::~AppMachine() {
    test::expectCregexportAgreesOnMachine(machine.root());
}

AppMachine::AppMachine(int build, std::optional<int> userLayout, bool firstRun)
    : machine(dir_.path() / "machine") {
    // A restart asked for by the program runs this tree's machine tool.
    ::setenv("VELKAN_MACHINE_TOOL", VELKAN_TOOLS_BIN "/velkan-machine", 1);
    fs::copy(machineTemplate(build, userLayout), machine.root(), fs::copy_options::recursive);
    if (imageMachines() != platform::imagedrive::isImage(machine.driveC()))
        throw std::runtime_error("the machine's drive C: is not of the kind asked for");
    if (!firstRun) {
        auto key = registry().createKey(platform::RootKey::CurrentUser, app::kProgramKey);
        if (!key || !key->setString(app::kFirstRunValue, "1"))
            throw std::runtime_error("cannot mark the backup notice");
        key->close();
    }
}

fs::path AppMachine::windowsFile(const std::string& relative) const {
    auto host = platform::resolveWinPath(machine, "C:\\WINDOWS\\" + relative);
    if (!host)
        throw std::runtime_error("no path for " + relative);
    return *host;
}

bool AppMachine::exists(const std::string& relative) const {
    auto found = platform::host::fileAttributes(windowsFile(relative));
    return found && !found->directory;
}

std::string AppMachine::bytes(const std::string& relative) const {
    return readFile(windowsFile(relative));
}

std::vector<std::string> AppMachine::renameLines() const {
    std::vector<std::string> out;
    const fs::path ini = windowsFile("WinInit.ini");
    if (!platform::host::fileAttributes(ini))
        return out;
    for (const auto& line : machine::parseRenameSection(readFile(ini)))
        out.push_back(line.target + "=" + line.source);
    return out;
}

std::vector<std::string> AppMachine::journal() const {
    auto events = platform::Journal::ofMachine(machine).events();
    return events ? *events : std::vector<std::string>{};
}

void AppMachine::boot() const {
    if (auto report = machine::startWindows(machine); !report)
        throw std::runtime_error("the machine did not start: " + report.error().message);
}

void AppMachine::put(const std::string& winPath, const std::string& content) const {
    auto drive = machine.driveRoot('C');
    std::string relative = winPath.substr(3);
    for (char& c : relative)
        if (c == '\\')
            c = '/';
    writeFile(*drive / relative, content);
}

Session::Session(const AppMachine& m, std::vector<std::string> args)
    : env(m.machine, questions, clock, std::move(args)), app(env) {}

namespace {
Session& scriptRestart(Session& run, bool reboot) {
    run.questions.onModal("TRebootForm", [&run, reboot](platform::ModalWindow& window) {
        auto& prompt = dynamic_cast<app::TRebootForm&>(window);
        run.restartPrompts.push_back(prompt.RebootBn.caption());
        if (prompt.caption() != "Restarting...")
            throw std::logic_error("restart prompt captioned " + prompt.caption());
        (reboot ? prompt.RebootBn : prompt.DontrebootBn).click();
        return prompt.modalResult();
    });
    return run;
}
} // namespace

Session& Session::declineRestart() {
    return scriptRestart(*this, false);
}
Session& Session::acceptRestart() {
    return scriptRestart(*this, true);
}

std::vector<std::string> Session::messageBoxes() const {
    std::vector<std::string> out;
    for (const auto& q : questions.asked())
        if (q.kind == platform::ScriptedQuestions::Kind::MessageBox)
            out.push_back(q.box.caption + "|" + q.box.text);
    return out;
}

std::u16string fieldUnits(const std::string& file, shellpatch::TextField field) {
    std::u16string out;
    for (int k = 0; k < field.length; ++k) {
        const std::size_t at = static_cast<std::size_t>(field.offset) + 2 * k;
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(file.at(at)) |
                                            (static_cast<unsigned char>(file.at(at + 1)) << 8)));
    }
    return out;
}

std::string toCodePage(std::u16string_view text, const char* codePage) {
    iconv_t cd = iconv_open(codePage, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no converter for ") + codePage);
    std::string in;
    for (char16_t c : text) {
        in.push_back(static_cast<char>(c & 0xFF));
        in.push_back(static_cast<char>(c >> 8));
    }
    std::string out(in.size() * 2 + 8, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("text not in ") + codePage);
    out.resize(out.size() - outLeft);
    return out;
}

const char* codePageOfBuild(int position) {
    switch (position) {
    case 11:
    case 27:
        return "CP1251";
    case 9:
    case 17:
    case 25:
        return "CP1250";
    case 23:
        return "CP1255";
    default:
        return "CP1252";
    }
}

namespace {
void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, std::size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
int rowBytes(int width, int bits) {
    return (width * bits + 31) / 32 * 4;
}
} // namespace

std::string iconFile(int width, int bitCount, int extra) {
    const int palette = 4 << bitCount;
    const int image = 40 + palette + (rowBytes(width, bitCount) + rowBytes(width, 1)) * width;
    std::string s(22 + image + extra, '\x5A');
    put16(s, 0, 0);
    put16(s, 2, 1); // an icon
    put16(s, 4, 1); // one image
    s[6] = static_cast<char>(width);
    s[7] = static_cast<char>(width);
    s[8] = static_cast<char>(bitCount == 4 ? 16 : 0);
    s[9] = 0;
    put16(s, 10, 1);
    put16(s, 12, static_cast<std::uint16_t>(bitCount));
    put32(s, 14, static_cast<std::uint32_t>(image));
    put32(s, 18, 22);
    put32(s, 22, 40);
    put32(s, 26, static_cast<std::uint32_t>(width));
    put32(s, 30, static_cast<std::uint32_t>(2 * width));
    put16(s, 34, 1);
    put16(s, 36, static_cast<std::uint16_t>(bitCount));
    put32(s, 38, 0);
    // The image bytes are numbered so that their copy can be checked.
    for (std::size_t i = 62; i < s.size(); ++i)
        s[i] = static_cast<char>(i * 7);
    return s;
}

std::string bitmapFile(int width, int height, int bitCount, int compression, int rowsBytes,
                       char fill) {
    std::string s(14 + 40 + 64 + rowsBytes, fill);
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<std::uint32_t>(s.size()));
    put32(s, 6, 0);
    put32(s, 10, 14 + 40 + 64);
    put32(s, 14, 40);
    put32(s, 18, static_cast<std::uint32_t>(width));
    put32(s, 22, static_cast<std::uint32_t>(height));
    put16(s, 26, 1);
    put16(s, 28, static_cast<std::uint16_t>(bitCount));
    put32(s, 30, static_cast<std::uint32_t>(compression));
    put32(s, 34, static_cast<std::uint32_t>(rowsBytes));
    for (int i = 38; i < 54; ++i)
        s[i] = 0;
    for (int i = 0; i < 64; ++i)
        s[54 + i] = static_cast<char>(0xC0 + i);
    return s;
}

std::uint32_t le32(const std::string& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(offset + i)))
             << (8 * i);
    return v;
}

} // namespace velkan::test
