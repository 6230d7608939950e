#include "bench/LargeRegistry.h"
#include "platform/CregFile.h"

#include <benchmark/benchmark.h>

namespace velkan::platform::detail {
namespace {

// Reading a SYSTEM.DAT-sized file is on the path of every registry call that
// finds the file changed by another process; it must stay well under 10 ms.
void BM_ParseLargeSystemDat(benchmark::State& state) {
    const std::string file = formatCregFile(largeSystemTree());
    for (auto _ : state) {
        auto tree = parseCregFile(file, "SYSTEM.DAT");
        if (!tree)
            state.SkipWithError(tree.error().message.c_str());
        benchmark::DoNotOptimize(tree);
    }
    state.counters["bytes"] = double(file.size());
}
BENCHMARK(BM_ParseLargeSystemDat)->Unit(benchmark::kMillisecond);

// Writing it back, as each change does.
void BM_FormatLargeSystemDat(benchmark::State& state) {
    const RegNode tree = largeSystemTree();
    for (auto _ : state)
        benchmark::DoNotOptimize(formatCregFile(tree));
}
BENCHMARK(BM_FormatLargeSystemDat)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velkan::platform::detail
