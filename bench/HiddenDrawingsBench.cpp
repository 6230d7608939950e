#include "hidden/Fern.h"
#include "hidden/Real48.h"
#include "hidden/SunPicture.h"

#include <benchmark/benchmark.h>

namespace velkan::hidden {
namespace {

// The whole fern: 10000 points with the map choice and 6-byte rounding.
void BM_FernDrawing(benchmark::State& state) {
    std::size_t points = 0;
    for (auto _ : state) {
        RandomGenerator random;
        drawFern(random, [&points](std::vector<Pixel> batch) {
            points += batch.size();
            benchmark::DoNotOptimize(batch.data());
        });
    }
    state.counters["points/s"] = benchmark::Counter(double(points), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FernDrawing)->Unit(benchmark::kMillisecond);

// The whole set picture: 320 x 200 points, up to 100 steps each.
void BM_SunDrawing(benchmark::State& state) {
    std::size_t pixels = 0;
    for (auto _ : state) {
        drawSun([&pixels](std::vector<Pixel> column) {
            pixels += column.size();
            benchmark::DoNotOptimize(column.data());
        });
    }
    state.counters["pixels drawn"] = double(pixels) / double(state.iterations());
}
BENCHMARK(BM_SunDrawing)->Unit(benchmark::kMillisecond);

// The dearest kind of point: one that never escapes and is too near the
// boundary for the shortcut inside the set, 100 steps (c = 1/4, the cusp).
void BM_SunPointInside(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(sunEscapeCount(0, 20));
}
BENCHMARK(BM_SunPointInside);

// One rounding of an extended value to 6 bytes and back.
void BM_Real48RoundTrip(benchmark::State& state) {
    Extended v = Extended::ratio(123456789, 1000000000);
    const Extended factor = Extended::ratio(10000001, 10000000);
    for (auto _ : state) {
        const Real48 r = v;
        v = r * factor;
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_Real48RoundTrip);

} // namespace
} // namespace velkan::hidden
