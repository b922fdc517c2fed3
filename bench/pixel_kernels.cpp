// Costs of the in-place tone and colour kernels on the three colour planes of a 24-megapixel
// photo, 8-bit and float, on one thread and on all. Arguments: sample type (0 8-bit,
// 1 float), threads (0 = all).
#include "platform/accelerate/MCColorKernels.h"
#include "platform/accelerate/MCToneKernels.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/core/MCDispatch.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

using namespace platform::pixel;

namespace {

constexpr size_t kWidth = 6000, kHeight = 4000;

struct Photo
{
    explicit Photo(SampleType type) : type(type)
    {
        uint32_t seed = 12345;
        for (auto &p : planes) {
            vImageBuffer_Init(&p, kHeight, kWidth, type == SampleType::UInt8 ? 8 : 32, kvImageNoFlags);
            const size_t samples = samplesOfPlane(p, type);
            for (size_t i = 0; i < samples; ++i) {
                seed = seed * 1664525u + 1013904223u;
                if (type == SampleType::UInt8)
                    static_cast<uint8_t *>(p.data)[i] = uint8_t(seed >> 24);
                else
                    static_cast<float *>(p.data)[i] = float(seed >> 8) / float(1 << 24);
            }
        }
    }
    ~Photo()
    {
        for (auto &p : planes)
            std::free(p.data);
    }
    vImage_Buffer planes[3];
    SampleType type;
};

void run(benchmark::State &state, const std::function<vImage_Error(vImage_Buffer *, SampleType)> &kernel)
{
    const SampleType type = state.range(0) ? SampleType::Float32 : SampleType::UInt8;
    Photo photo(type);
    platform::setMaximumParallelism(size_t(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(kernel(photo.planes, type));
    platform::setMaximumParallelism(0);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kWidth * kHeight));
}

void BM_Exposure(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return adjustExposure(p, 3, t, 1.01f); });
}
void BM_Gamma(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return adjustGamma(p, 3, t, 1.01f); });
}
void BM_ContrastLuminance(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return adjustContrast(p, 3, t, 1.1f, 0.5f); });
}
void BM_AutoContrast(benchmark::State &state)
{
    const float fractions[3] = {0.01f, 0.01f, 0.01f};
    run(state, [&](vImage_Buffer *p, SampleType t) { return autoContrast(p, 3, t, fractions, fractions); });
}
void BM_HSL(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return adjustHSL(p, 3, t, 0.1f, 0.9f, 1.1f); });
}
void BM_Colorize(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return colorize(p, 3, t, 0.1f, 0.5f, 1.0f); });
}
void BM_SepiaMatrix(benchmark::State &state)
{
    run(state, [](vImage_Buffer *p, SampleType t) { return adjustSepia(p, 3, t, 0.5f); });
}

#define PIXEL_BENCHMARK(name)                                                                                        \
    BENCHMARK(name)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime()
PIXEL_BENCHMARK(BM_Exposure);
PIXEL_BENCHMARK(BM_Gamma);
PIXEL_BENCHMARK(BM_ContrastLuminance);
PIXEL_BENCHMARK(BM_AutoContrast);
PIXEL_BENCHMARK(BM_HSL);
PIXEL_BENCHMARK(BM_Colorize);
PIXEL_BENCHMARK(BM_SepiaMatrix);

} // namespace
BENCHMARK_MAIN();
