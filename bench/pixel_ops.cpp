// Costs of the bitmap's adjustment operations (tone, colour, sharpness, blur, vignette,
// curves) on a 24-megapixel RGBA photo, 8-bit and float, on one thread and on all. The bitmap
// is split into planes once, before timing, as in a run of pipeline stages. Arguments: sample
// type (0 8-bit, 1 float), threads (0 = all).
#include "app/engine/bitmap/MCBitmap.h"

#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr size_t kWidth = 6000, kHeight = 4000;

std::unique_ptr<MCBitmap> photo(bool floats)
{
    const size_t bytes = floats ? 4 : 1;
    QByteArray data(int(kWidth * kHeight * 4 * bytes), Qt::Uninitialized);
    uint32_t seed = 12345;
    for (size_t i = 0; i < kWidth * kHeight * 4; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const bool alpha = i % 4 == 3;
        if (floats) {
            const float v = alpha ? 1.0f : float(seed >> 8) / float(1 << 24);
            std::memcpy(data.data() + i * 4, &v, 4);
        } else {
            data[qsizetype(i)] = alpha ? char(255) : char(seed >> 24);
        }
    }
    CGBitmapInfo info = kCGImageAlphaLast;
    if (floats)
        info |= kCGBitmapFloatComponents | kCGBitmapByteOrder32Little;
    const CGImageRef image = CGImage::create(kWidth, kHeight, 8 * bytes, 32 * bytes, kWidth * 4 * bytes,
                                             CGColorSpace::createWithName(kCGColorSpaceSRGB), info, data);
    auto bitmap = MCBitmap::createWithCGImage(image);
    bitmap->useImageChannels();
    return bitmap;
}

void run(benchmark::State &state, const std::function<bool(MCBitmap &)> &operation)
{
    auto bitmap = photo(state.range(0) != 0);
    platform::setMaximumParallelism(size_t(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(operation(*bitmap));
    platform::setMaximumParallelism(0);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kWidth * kHeight));
}

const QList<QPointF> kIdentity = {{0, 0}, {255, 255}};

} // namespace

#define PIXEL_OP(name, expression)                                                                                     \
    void BM_##name(benchmark::State &state)                                                                            \
    {                                                                                                                  \
        run(state, [](MCBitmap &b) { return expression; });                                                           \
    }                                                                                                                  \
    BENCHMARK(BM_##name)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime()

PIXEL_OP(Exposure, b.adjustExposure(1.01f));
PIXEL_OP(Gamma, b.adjustGamma(1.1f));
PIXEL_OP(Levels, b.adjustGamma(1.2f, 0.05f, 0.95f, 0.0f, 1.0f));
PIXEL_OP(Contrast, b.adjustContrast(1.1f, 0.5f));
PIXEL_OP(AutoContrast, b.autoContrast(0.01f));
PIXEL_OP(HueSaturationLightness, b.adjustH(0.1f, 1.1f, 1.05f));
PIXEL_OP(Colorize, b.colorizeH(0.1f, 0.5f, 1.0f));
PIXEL_OP(Sepia, b.adjustSepia(0.8f));
PIXEL_OP(Temperature, b.adjustTemperature(5000));
PIXEL_OP(Sharpness, b.adjustSharpness(0.3f));
PIXEL_OP(BoxBlur8, b.blurWithRadius(8, 0));
PIXEL_OP(TentBlur8, b.blurWithRadius(8, 1));
PIXEL_OP(GaussianBlur8, b.blurWithRadius(8, 2));
PIXEL_OP(GaussianBlur32, b.blurWithRadius(32, 2));
PIXEL_OP(TentBlur32, b.blurWithRadius(32, 1));
PIXEL_OP(Vignette, b.vignetteWithExposure(0.9f));
PIXEL_OP(Curves, b.histogram({{{0, 0}, {128, 150}, {255, 255}}, kIdentity, {{0, 10}, {255, 250}}, kIdentity}));
BENCHMARK_MAIN();
