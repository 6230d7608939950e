#pragma once

#include "tests/crash/Harness.h"

#include <ostream>
#include <string>

namespace velkan::crash {

// The flows the harness drives and the machine each starts from.
struct Scenario {
    const char* flow;
    const char* templateName;
};

inline constexpr Scenario kScenarios[] = {
    {"ok", "installed"},       {"ok", "applied"},     {"again", "pending"},
    {"restore", "applied"},
    {"autoload", "installed"}, {"save", "installed"}, {"settings", "installed"},
    {"remove", "applied"},
};

std::string scenarioName(const Scenario& s);
inline void PrintTo(const Scenario& s, std::ostream* os) {
    *os << scenarioName(s);
}

// Runs the flow once per step k = 1..steps (every `stride`-th one) with
// VELKAN_FAULT=<fault>@k, each on a fresh copy of its template, on two
// workers, and checks the invariants after each run. Every violation is
// reported as a test failure naming the step.
TableRow sweep(const FlowCase& c, const std::string& fault, long stride = 1);

} // namespace velkan::crash
