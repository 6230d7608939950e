#pragma once

#include <map>
#include <string>
#include <vector>

namespace velkan::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program of ours (or any program on PATH) with the given arguments and
// extra environment, feeding `input` to its standard input, and waits for it.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {},
                         const std::string& input = {});

// Path of a program built in this tree, e.g. tool("velkan-machine").
std::string tool(const std::string& name);

} // namespace velkan::test
