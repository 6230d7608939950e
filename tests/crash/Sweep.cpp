#include "tests/crash/Sweep.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace velkan::crash {

std::vector<Scenario> imageScenarios() {
    std::vector<Scenario> out;
    for (Scenario s : kScenarios) {
        s.drive = Drive::Image;
        out.push_back(s);
    }
    return out;
}

std::vector<long> sweptSteps(long steps, long stride, long most) {
    std::vector<long> all;
    for (long k = 1; k <= steps; k += stride)
        all.push_back(k);
    if (most <= 0 || static_cast<long>(all.size()) <= most)
        return all;
    // A random sample rather than a coarser stride: the steps of a write
    // repeat in a pattern (data, FAT, FAT copy, entry, syncs) that a fixed
    // stride could keep missing. Seeded, so that a failing step is run again.
    std::vector<long> inner(all.begin() + 1, all.end() - 1), chosen{all.front(), all.back()};
    std::mt19937 random(static_cast<std::mt19937::result_type>(steps));
    std::sample(inner.begin(), inner.end(), std::back_inserter(chosen), most - 2, random);
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

std::string scenarioName(const Scenario& s) {
    return std::string(s.flow) + "@" + s.templateName;
}

namespace {

// What the run left different from an undisturbed one, in a few words.
std::string shortfall(const FlowCase& c, const MachineState& now) {
    std::string out;
    int shown = 0;
    auto note = [&](const std::map<std::string, std::string>& want,
                    const std::map<std::string, std::string>& got) {
        std::set<std::string> keys;
        for (const auto* m : {&want, &got})
            for (const auto& [k, _] : *m)
                keys.insert(k);
        for (const auto& k : keys) {
            auto w = want.find(k), g = got.find(k);
            const bool same = w != want.end() && g != got.end() && w->second == g->second;
            if (!same && shown++ < 4)
                out += " " + k +
                       (g == got.end()    ? " (missing)"
                        : w == want.end() ? " (extra)"
                                          : "");
        }
    };
    note(c.after.files, now.files);
    note(c.after.values, now.values);
    return out;
}

struct Outcome {
    std::vector<std::string> problems;
    bool silent = false;
    std::string missed;   // for a silent run: what it did not do
    bool unnamed = false; // told the user, but named no file
    std::string unnamedBox;
    bool litter = false;
    VolumeReport volume;
};

Outcome runOne(const FlowCase& c, const std::string& fault, long k) {
    Outcome o;
    test::TempDir dir;
    const fs::path m = dir / "m";
    copyMachine(templateMachine(c.templateName, c.drive), m);
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
    const std::string missed = shortfall(c, now);
    bool toldMore = false, named = false;
    for (const auto& box : run.boxes) {
        if (std::find(c.cleanBoxes.begin(), c.cleanBoxes.end(), box) != c.cleanBoxes.end())
            continue;
        toldMore = true;
        // A Windows path of the machine, or the registry's file on the host.
        named |= box.find(":\\") != std::string::npos ||
                 box.find("registry.reg") != std::string::npos ||
                 box.find("SYSTEM.DAT") != std::string::npos ||
                 box.find("USER.DAT") != std::string::npos;
        if (!named)
            o.unnamedBox = box;
    }
    o.unnamed = toldMore && !named;
    o.silent = fault != "kill" && !missed.empty() && !toldMore;
    if (o.silent)
        o.missed = missed;
    for (auto& v :
         violations(c, m, VolumeAllows::KillLeftovers, VolumeAllows::KillLeftovers, &o.volume))
        o.problems.push_back(std::move(v));
    return o;
}

} // namespace

TableRow sweep(const FlowCase& c, const std::string& fault, long stride, long most) {
    TableRow row;
    row.flow = c.flow + "@" + c.templateName + (c.drive == Drive::Image ? " (image)" : "");
    row.steps = c.steps;
    const std::vector<long> steps = sweptSteps(c.steps, stride, most);
    const long fsckBefore = fsckRuns();
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::vector<std::pair<long, Outcome>> outcomes;
    auto worker = [&] {
        for (std::size_t i = next++; i < steps.size(); i = next++) {
            Outcome o = runOne(c, fault, steps[i]);
            std::lock_guard lock(mutex);
            outcomes.emplace_back(steps[i], std::move(o));
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    row.fsck = fsckRuns() - fsckBefore;
    std::sort(outcomes.begin(), outcomes.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& [k, o] : outcomes) {
        ++row.runs;
        row.silent += o.silent;
        row.litter += o.litter;
        row.unnamed += o.unnamed;
        row.lost += o.volume.afterStart > VolumeAllows::Nothing;
        if (o.unnamed)
            ADD_FAILURE() << row.flow << " " << fault << "@" << k
                          << " told the user without naming the file: " << o.unnamedBox;
        if (o.silent)
            ADD_FAILURE() << row.flow << " " << fault << "@" << k
                          << " told nothing, missed:" << o.missed;
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
