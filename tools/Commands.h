#pragma once

#include <string>
#include <vector>

// The subcommands of velkan-machine. Each takes the arguments after its name
// and returns the process exit code; each lives in a file of its own.
namespace velkan::machine {

int runReg(const std::vector<std::string>& args);
int runIni(const std::vector<std::string>& args);
int runInstall(const std::vector<std::string>& args);
int runCreate(const std::vector<std::string>& args);
int runAttach(const std::vector<std::string>& args);
int runBoot(const std::vector<std::string>& args);
int runShow(const std::vector<std::string>& args);
int runIcons(const std::vector<std::string>& args);
int runCheck(const std::vector<std::string>& args);

} // namespace velkan::machine
