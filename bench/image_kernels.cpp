// Costs of the framework's image kernels on photo-sized data: drawing a decoded 24-megapixel
// photo into the converter's 16-bit working buffer, reducing it to a 1000-pixel rendition, a tent blur, the histograms the histogram view takes of a
// rendition, and the comparison measures.
#include "halvard/imageio/MCBitmapFunctions.h"
#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/accelerate/vImageGeometry.h"
#include "platform/core/MCDispatch.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<uint8_t> noise(size_t bytes)
{
    std::vector<uint8_t> data(bytes);
    uint32_t state = 12345;
    for (uint8_t &b : data) {
        state = state * 1664525u + 1013904223u;
        b = uint8_t(state >> 24);
    }
    return data;
}

vImage_Buffer wrap(std::vector<uint8_t> &data, size_t width, size_t height, size_t bytesPerPixel)
{
    vImage_Buffer buffer;
    buffer.data = data.data();
    buffer.width = width;
    buffer.height = height;
    buffer.rowBytes = width * bytesPerPixel;
    return buffer;
}

// 6000 × 4000 ARGB → 1000 × 667; argument: threads (0 = all).
void BM_ScaleARGB24MPToRendition(benchmark::State &state)
{
    std::vector<uint8_t> photo = noise(6000 * 4000 * 4), rendition(1000 * 667 * 4);
    vImage_Buffer in = wrap(photo, 6000, 4000, 4), out = wrap(rendition, 1000, 667, 4);
    platform::setMaximumParallelism(size_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(vImageScale_ARGB8888(&in, &out, nullptr, kvImageNoFlags));
    platform::setMaximumParallelism(0);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(photo.size()));
}
BENCHMARK(BM_ScaleARGB24MPToRendition)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Doubling a 1000 × 667 rendition.
void BM_ScaleARGBEnlarge(benchmark::State &state)
{
    std::vector<uint8_t> small = noise(1000 * 667 * 4), large(2000 * 1334 * 4);
    vImage_Buffer in = wrap(small, 1000, 667, 4), out = wrap(large, 2000, 1334, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(vImageScale_ARGB8888(&in, &out, nullptr, kvImageNoFlags));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(large.size()));
}
BENCHMARK(BM_ScaleARGBEnlarge)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlurRendition(benchmark::State &state)
{
    std::vector<uint8_t> in = noise(1000 * 667 * 4), out(in.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(MCBitmapBlur(in.data(), out.data(), false, uint32_t(state.range(0)), QSizeF(1000, 667)));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_BlurRendition)->Arg(3)->Arg(9)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistogramsOfRendition(benchmark::State &state)
{
    std::vector<uint8_t> pixels = noise(1000 * 667 * 4);
    for (auto _ : state) {
        std::shared_ptr<MCFastData> merged;
        benchmark::DoNotOptimize(MCBitmapCalculateMergedHistogram(pixels.data(), false, 2, &merged, QSizeF(1000, 667)));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}
BENCHMARK(BM_HistogramsOfRendition)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CompareRenditions(benchmark::State &state)
{
    std::vector<uint8_t> a = noise(1000 * 667 * 4), b = a;
    b.back() ^= 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MCBitmapCompareFast(a.data(), b.data(), a.size()));
        benchmark::DoNotOptimize(MCBitmapCompare(a.data(), b.data(), a.size(), false, 0xF0));
        benchmark::DoNotOptimize(MCBitmapCompareAHSBWithMask(a.data(), b.data(), a.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()) * 3);
}
BENCHMARK(BM_CompareRenditions)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A decoded 8-bit RGB photo drawn upright into a 16-bit RGBA buffer with alpha not
// premultiplied: the drawing pass and the unpremultiply pass of every conversion.
void BM_DrawDecodedImage24MP(benchmark::State &state)
{
    const size_t width = 6000, height = 4000;
    std::vector<uint8_t> pixels = noise(width * height * 4);
    const CGColorSpaceRef srgb = CGColorSpace::createWithName(kCGColorSpaceSRGB);
    const CGImageRef photo = CGImage::create(width, height, 8, 32, width * 4, srgb, kCGImageAlphaNoneSkipLast,
                                             QByteArray(reinterpret_cast<const char *>(pixels.data()), qsizetype(pixels.size())));
    const auto image = MCImage::create(photo);
    std::vector<uint16_t> destination(width * height * 4);
    vImage_Buffer buffer;
    buffer.data = destination.data();
    buffer.width = width;
    buffer.height = height;
    buffer.rowBytes = width * 8;
    vImage_CGImageFormat format;
    format.bitsPerComponent = 16;
    format.bitsPerPixel = 64;
    format.colorSpace = srgb;
    format.bitmapInfo = kCGImageAlphaLast;
    for (auto _ : state)
        benchmark::DoNotOptimize(image->drawInBuffer(&buffer, &format, nullptr));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(width * height));
}
BENCHMARK(BM_DrawDecodedImage24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
