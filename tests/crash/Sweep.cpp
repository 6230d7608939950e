#include "tests/crash/Sweep.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace velkan::crash {

std::string scenarioName(const Scenario& s) {
    return std::string(s.flow) + "@" + s.templateName;
}

namespace {

bool fellShort(const FlowCase& c, const MachineState& now) {
    return now.files != c.after.files || now.values != c.after.values;
}

struct Outcome {
    std::vector<std::string> problems;
    bool silent = false;
    bool litter = false;
};

Outcome runOne(const FlowCase& c, const std::string& fault, long k) {
    Outcome o;
    test::TempDir dir;
    const fs::path m = dir / "m";
    copyMachine(templateMachine(c.templateName), m);
    const DriverRun run = runFlow(c.flow, m, {{"VELKAN_FAULT", fault + "@" + std::to_string(k)}});
    if (fault == "kill") {
        if (!run.killed())
            o.problems.push_back("the step was never reached (exit " +
                                 std::to_string(run.process.exitCode) + ")");
    } else if (run.process.exitCode != 0) {
        o.problems.push_back("the flow did not end normally (exit " +
                             std::to_string(run.process.exitCode) + "): " + run.process.out +
                             run.process.err);
    }
    const MachineState now = snapshot(m);
    o.litter = !now.litter.empty();
    // A fault that cost part of the change must be told, unless it was told
    // already on an undisturbed run.
    o.silent = fault != "kill" && fellShort(c, now) && run.boxes.size() <= c.cleanBoxes.size();
    for (auto& v : violations(c, m))
        o.problems.push_back(std::move(v));
    return o;
}

} // namespace

TableRow sweep(const FlowCase& c, const std::string& fault, long stride) {
    TableRow row;
    row.flow = c.flow + "@" + c.templateName;
    row.steps = c.steps;
    std::atomic<long> next{1};
    std::mutex mutex;
    std::vector<std::pair<long, Outcome>> outcomes;
    auto worker = [&] {
        for (long k = next.fetch_add(stride); k <= c.steps; k = next.fetch_add(stride)) {
            Outcome o = runOne(c, fault, k);
            std::lock_guard lock(mutex);
            outcomes.emplace_back(k, std::move(o));
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    std::sort(outcomes.begin(), outcomes.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& [k, o] : outcomes) {
        ++row.runs;
        row.silent += o.silent;
        row.litter += o.litter;
        if (o.problems.empty())
            continue;
        ++row.violations;
        std::string all;
        for (const auto& p : o.problems)
            all += "\n  " + p;
        ADD_FAILURE() << row.flow << " " << fault << "@" << k << ":" << all;
    }
    return row;
}

} // namespace velkan::crash
