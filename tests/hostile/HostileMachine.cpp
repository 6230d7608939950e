#include "tests/hostile/HostileMachine.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace velkan::test {

namespace fs = std::filesystem;

ProcessResult runLimited(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env) {
    std::vector<std::string> all = {"-k", "5", std::to_string(kPatienceSeconds), program};
    all.insert(all.end(), args.begin(), args.end());
    return runProcess("timeout", all, env);
}

bool hung(const ProcessResult& run) {
    return run.exitCode == 124 || run.exitCode == 137;
}

std::map<std::string, std::string> headless(const AppMachine& m) {
    return {{"VELKAN_MACHINE", m.machine.root().string()},
            {"QT_QPA_PLATFORM", ""},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
            {"VELKAN_VELKRUN", velkrun()}};
}

std::string velkrun() {
    return VELKAN_APP_BIN "/velkrun";
}

std::string machineTool() {
    return tool("velkan-machine");
}

fs::path registryFileOf(const AppMachine& m) {
    return m.windowsFile("USER.DAT");
}

void breakRegistry(const AppMachine& m) {
    static const char garbage[] = "\x7f" "ELF, not a registry\0\xff\r\n";
    std::ofstream(registryFileOf(m), std::ios::binary | std::ios::trunc)
        << std::string(garbage, sizeof garbage - 1);
}

void makePipe(const fs::path& file) {
    fs::remove(file);
    if (::mkfifo(file.c_str(), 0644) != 0)
        throw std::runtime_error("cannot make a pipe at " + file.string());
}

bool mentions(const std::string& text, const std::string& name) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(text).find(lower(name)) != std::string::npos;
}

} // namespace velkan::test
