#pragma once

#include "tests/app/AppMachine.h"
#include "tests/support/Process.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Helpers for machines whose folder was prepared by someone hostile.
namespace velkan::test {

// The time any program gets on a hostile machine before it counts as hung.
inline constexpr int kPatienceSeconds = 30;

// Runs a program under `timeout`; a hung program comes back with exit code
// 124 (or 137 when it also ignored the polite signal).
ProcessResult runLimited(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {});
bool hung(const ProcessResult& run);

// The environment of a program on the machine without any display.
std::map<std::string, std::string> headless(const AppMachine& m);

std::string velkrun();
std::string machineTool();

// Makes the registry of the machine unreadable: garbage where it is kept.
void breakRegistry(const AppMachine& m);
// The registry file breakRegistry damages.
std::filesystem::path registryFileOf(const AppMachine& m);

// Replaces a file with a named pipe (nobody ever writes to it).
void makePipe(const std::filesystem::path& file);

// Whether `text` mentions `name`, without regard to case.
bool mentions(const std::string& text, const std::string& name);

} // namespace velkan::test
