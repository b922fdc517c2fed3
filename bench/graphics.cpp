// Drawing and colour conversion on photo-sized buffers: the paths an image takes when it is
// read into a bitmap (stretched, reduced, same size) and converted between colour spaces.
#include "platform/color/ColorSyncTransform.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGContext.h"
#include "platform/graphics/CGImage.h"

#include <benchmark/benchmark.h>

namespace {

CGImageRef photo(size_t w, size_t h, CGImageAlphaInfo alpha)
{
    QByteArray data(qsizetype(w * h * 4), 0);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + i / 4099) & 0xff);
    return CGImage::create(w, h, 8, 32, w * 4, CGColorSpace::createWithName(kCGColorSpaceSRGB), alpha, data);
}

void drawInto(benchmark::State &state, size_t w, size_t h, CGImageAlphaInfo alpha, CGInterpolationQuality quality)
{
    const CGImageRef image = photo(4000, 3000, alpha);
    auto context = CGContext::createBitmap(nullptr, w, h, 8, 0, CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                           kCGImageAlphaPremultipliedLast);
    context->setInterpolationQuality(quality);
    for (auto _ : state)
        context->drawImage(QRectF(0, 0, double(w), double(h)), image);
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

void BM_DrawSameSizePremultiplied(benchmark::State &state)
{
    drawInto(state, 4000, 3000, kCGImageAlphaPremultipliedLast, kCGInterpolationHigh);
}
void BM_DrawSameSizeStraightAlpha(benchmark::State &state)
{
    drawInto(state, 4000, 3000, kCGImageAlphaLast, kCGInterpolationHigh);
}
void BM_DrawReducedFourfoldHigh(benchmark::State &state)
{
    drawInto(state, 1000, 750, kCGImageAlphaPremultipliedLast, kCGInterpolationHigh);
}
void BM_DrawReducedFourfoldNearest(benchmark::State &state)
{
    drawInto(state, 1000, 750, kCGImageAlphaPremultipliedLast, kCGInterpolationNone);
}

void BM_ConvertSRGBToAdobeRGB(benchmark::State &state)
{
    const size_t w = 4000, h = 3000;
    std::vector<uint8_t> pixels(w * h * 4, 90);
    auto t = ColorSyncTransform::create(CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                        CGColorSpace::createWithName(kCGColorSpaceAdobeRGB1998),
                                        kCGRenderingIntentPerceptual, false);
    for (auto _ : state)
        t->convert(w, h, pixels.data(), kColorSync8BitInteger, kCGImageAlphaLast, w * 4, pixels.data(),
                   kColorSync8BitInteger, kCGImageAlphaLast, w * 4);
    state.SetItemsProcessed(state.iterations() * w * h);
}

} // namespace

BENCHMARK(BM_DrawSameSizePremultiplied)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawSameSizeStraightAlpha)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawReducedFourfoldHigh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawReducedFourfoldNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertSRGBToAdobeRGB)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
