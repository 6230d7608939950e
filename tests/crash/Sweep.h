#pragma once

#include "tests/crash/Harness.h"

#include <ostream>
#include <string>
#include <vector>

namespace velkan::crash {

// The flows the harness drives and the machine each starts from.
struct Scenario {
    const char* flow;
    const char* templateName;
    Drive drive = Drive::Folder;
};

inline constexpr Scenario kScenarios[] = {
    {"ok", "installed"},       {"ok", "applied"},         {"again", "pending"},
    {"restore", "applied"},    {"autoload", "installed"}, {"save", "installed"},
    {"settings", "installed"}, {"remove", "applied"},
};

// The same flows on machines whose drive C: is a disk image.
std::vector<Scenario> imageScenarios();

std::string scenarioName(const Scenario& s);
inline void PrintTo(const Scenario& s, std::ostream* os) {
    *os << scenarioName(s);
}

// Runs the flow once per step k = 1..steps (every `stride`-th one) with
// VELKAN_FAULT=<fault>@k, each on a fresh copy of its template, on two
// workers, and checks the invariants after each run. Every violation is
// reported as a test failure naming the step. With `most` set, no more than
// that many steps are run: the first, the last and a fixed sample between.
TableRow sweep(const FlowCase& c, const std::string& fault, long stride = 1, long most = 0);

// The steps such a sweep runs.
std::vector<long> sweptSteps(long steps, long stride, long most);

} // namespace velkan::crash
