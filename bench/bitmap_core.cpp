// Costs of the bitmap's store switches and its largest colour step on a 24-megapixel photo:
// splitting the interleaved pixels into planes and merging them back (8-bit and float), and
// converting the RGB working pixels to CMYK; and reading a 12-megapixel decoded photo into a
// bitmap upright and fitted into a preview.
#include "app/engine/bitmap/MCBitmap.h"
#include "bench/BenchPhotos.h"
#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <numbers>

namespace {

using bench::kHeight;
using bench::kWidth;

std::unique_ptr<MCBitmap> photo(bool isFloat) { return bench::noisePhoto(isFloat); }

// Argument: 0 8-bit, 1 float.
void BM_SplitAndMerge24MP(benchmark::State &state)
{
    auto bitmap = photo(state.range(0) == 1);
    for (auto _ : state) {
        bitmap->useImageChannels();
        bitmap->useImageBuffer();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kWidth * kHeight));
}
BENCHMARK(BM_SplitAndMerge24MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertRGBToCMYK24MP(benchmark::State &state)
{
    const auto cmyk = CGColorSpace::createWithName(kCGColorSpaceGenericCMYK);
    for (auto _ : state) {
        state.PauseTiming();
        auto bitmap = photo(false);
        state.ResumeTiming();
        benchmark::DoNotOptimize(bitmap->convertToColorSpace(cmyk, kCGRenderingIntentPerceptual, false));
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kWidth * kHeight));
}
BENCHMARK(BM_ConvertRGBToCMYK24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 4000 × 3000 photo as the JPEG decoder gives it (8-bit RGB, three bytes a pixel), with
// orientation 6, read as the preview reads it: upright and fitted into 1000 × 1000 (750 ×
// 1000). Argument: the bitmap's working format, 0 8-bit, 1 float.
void BM_FittedRead12MP(benchmark::State &state)
{
    constexpr size_t w = 4000, h = 3000;
    QByteArray data(int(w * h * 3), Qt::Uninitialized);
    uint32_t seed = 12345;
    for (char &b : data) {
        seed = seed * 1664525u + 1013904223u;
        b = char(seed >> 24);
    }
    const auto space = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    const auto image = MCImage::create(CGImage::create(w, h, 8, 24, w * 3, space, kCGImageAlphaNone, data));
    const bool isFloat = state.range(0) == 1;
    const CGBitmapInfo info = isFloat ? kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little
                                      : CGBitmapInfo(kCGImageAlphaLast);
    for (auto _ : state) {
        auto bitmap = MCBitmap::create(image, space, info, isFloat ? 32 : 8, isFloat ? 128 : 32, QSizeF(1000, 1000),
                                       3 * std::numbers::pi / 2, false, false);
        benchmark::DoNotOptimize(bitmap);
    }
    state.SetItemsProcessed(int64_t(state.iterations() * w * h));
}
BENCHMARK(BM_FittedRead12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
