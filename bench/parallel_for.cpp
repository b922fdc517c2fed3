// The cost of spreading work over the shared pool: an empty parallelFor (pure overhead),
// and a memory-bound pass over a 24-megabyte plane on one thread against all of them.
#include "platform/core/MCDispatch.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

void BM_EmptyParallelFor(benchmark::State &state)
{
    platform::setMaximumParallelism(size_t(state.range(0)));
    for (auto _ : state)
        platform::parallelFor(4000, [](size_t begin, size_t end) { benchmark::DoNotOptimize(begin + end); });
    platform::setMaximumParallelism(0);
    state.SetLabel(std::to_string(platform::maximumParallelism()) + " threads available");
}
// 0: every processor.
BENCHMARK(BM_EmptyParallelFor)->Arg(1)->Arg(0)->UseRealTime();

// One 8-bit plane of a 24-megapixel photo, inverted row by row as a tone kernel would.
void BM_InvertPlane(benchmark::State &state)
{
    const size_t width = 6000, height = 4000;
    std::vector<uint8_t> plane(width * height, 0x5a);
    platform::setMaximumParallelism(size_t(state.range(0)));
    for (auto _ : state) {
        platform::parallelFor(height, [&](size_t rowBegin, size_t rowEnd) {
            for (size_t row = rowBegin; row < rowEnd; ++row) {
                uint8_t *p = plane.data() + row * width;
                for (size_t x = 0; x < width; ++x)
                    p[x] = uint8_t(255 - p[x]);
            }
        });
        benchmark::ClobberMemory();
    }
    platform::setMaximumParallelism(0);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plane.size()));
}
BENCHMARK(BM_InvertPlane)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
