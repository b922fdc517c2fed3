// Costs of the bitmap's geometry, alpha and grayscale operations on a 24-megapixel photo,
// 8-bit and float, on one thread and on all (arguments: 0 8-bit / 1 float, threads with 0 =
// all), and the resampler side by side with `vips resize` and ImageMagick's `-resize` on the
// same picture (6000 × 4000 RGB to 1500 × 1000). The tools are timed as whole commands: their
// counter "floor" is the same command copying the file without resizing, so resize − floor is
// the resampling alone.
#include "app/engine/bitmap/MCBitmap.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/accelerate/vImageGeometry.h"
#include "platform/core/MCDispatch.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

namespace {

constexpr size_t kWidth = 6000, kHeight = 4000;
constexpr size_t kSmallWidth = 1500, kSmallHeight = 1000;

// A smooth colour field with detail, transparent in a margin 300 pixels wide.
uint8_t level(size_t x, size_t y, int c)
{
    const double u = double(x) / kWidth, v = double(y) / kHeight;
    return uint8_t(127.5 + 127.0 * std::sin(7.0 * u * (c + 1) + 5.0 * v) * std::cos(40.0 * u * v + c));
}

// The photo in planar form, made once per depth.
const MCBitmap &photo(bool floats)
{
    static std::map<bool, std::unique_ptr<MCBitmap>> photos;
    auto &slot = photos[floats];
    if (!slot) {
        const size_t sampleBytes = floats ? 4 : 1;
        QByteArray data(qsizetype(kWidth * kHeight * 4 * sampleBytes), Qt::Uninitialized);
        for (size_t y = 0; y < kHeight; ++y) {
            for (size_t x = 0; x < kWidth; ++x) {
                const bool margin = x < 300 || y < 300 || x >= kWidth - 300 || y >= kHeight - 300;
                for (int c = 0; c < 4; ++c) {
                    const uint8_t value = c == 3 ? (margin ? 0 : 255) : level(x, y, c);
                    char *p = data.data() + ((y * kWidth + x) * 4 + size_t(c)) * sampleBytes;
                    if (floats) {
                        const float f = float(value) / 255.0f;
                        std::memcpy(p, &f, 4);
                    } else {
                        *p = char(value);
                    }
                }
            }
        }
        const CGBitmapInfo info = floats ? kCGImageAlphaLast | kCGBitmapFloatComponents | kCGBitmapByteOrder32Little
                                         : CGBitmapInfo(kCGImageAlphaLast);
        slot = MCBitmap::createWithCGImage(CGImage::create(kWidth, kHeight, floats ? 32 : 8, floats ? 128 : 32,
                                                           kWidth * 4 * sampleBytes,
                                                           CGColorSpace::createWithName(kCGColorSpaceSRGB), info, data));
        slot->useImageChannels();
    }
    return *slot;
}

// Runs `operation` on a fresh copy of the photo each iteration (the copy is not timed).
void run(benchmark::State &state, const std::function<bool(MCBitmap &)> &operation)
{
    const MCBitmap &original = photo(state.range(0) != 0);
    platform::setMaximumParallelism(size_t(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MCBitmap> bitmap = original.copy();
        state.ResumeTiming();
        if (!operation(*bitmap))
            state.SkipWithError("operation failed");
        state.PauseTiming();
        bitmap.reset();
        state.ResumeTiming();
    }
    platform::setMaximumParallelism(0);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kWidth * kHeight));
}

#define BITMAP_BENCHMARK(name, body)                                                                                 \
    void name(benchmark::State &state) { run(state, body); }                                                         \
    BENCHMARK(name)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime()

BITMAP_BENCHMARK(BM_FlipHorizontally, [](MCBitmap &b) { return b.flipHorizontally(true, false); });
BITMAP_BENCHMARK(BM_FlipVertically, [](MCBitmap &b) { return b.flipHorizontally(false, true); });
BITMAP_BENCHMARK(BM_RotateQuarter, [](MCBitmap &b) { return b.rotate(1); });
BITMAP_BENCHMARK(BM_RotateHalf, [](MCBitmap &b) { return b.rotate(2); });
BITMAP_BENCHMARK(BM_ScaleToQuarter, [](MCBitmap &b) { return b.scaleToSize(QSizeF(kSmallWidth, kSmallHeight)); });
BITMAP_BENCHMARK(BM_ScaleDown20Percent, [](MCBitmap &b) { return b.scaleToSize(QSizeF(4800, 3200)); });
BITMAP_BENCHMARK(BM_ScaleUp150Percent, [](MCBitmap &b) { return b.scaleToSize(QSizeF(9000, 6000)); });
BITMAP_BENCHMARK(BM_Trim, [](MCBitmap &b) { return b.trim(QMarginsF(100, 100, 100, 100)); });
BITMAP_BENCHMARK(BM_TrimTransparentPixels, [](MCBitmap &b) { return b.trimTransparentPixels(0.5f, true, true, true, true); });
BITMAP_BENCHMARK(BM_TrimColor, [](MCBitmap &b) {
    return b.trimColor(MCBitmapColor{nullptr, {0.5, 0.5, 0.5, 1}}, 0.5f, true, true, true, true);
});
BITMAP_BENCHMARK(BM_InnerBorder, [](MCBitmap &b) { return b.addInnerBorder(QMarginsF(200, 200, 200, 200), Qt::white); });
BITMAP_BENCHMARK(BM_OuterBorder, [](MCBitmap &b) { return b.addOuterBorder(QMarginsF(200, 200, 200, 200), Qt::white); });
BITMAP_BENCHMARK(BM_AlphaToColor, [](MCBitmap &b) { return b.alphaToColor(Qt::white); });
BITMAP_BENCHMARK(BM_ColorToAlpha, [](MCBitmap &b) { return b.colorToAlpha(Qt::white); });
BITMAP_BENCHMARK(BM_ApplyAlphaMask, [](MCBitmap &b) {
    static const CGImageRef mask = [] {
        QByteArray gray(800 * 1200, Qt::Uninitialized);
        for (int i = 0; i < gray.size(); ++i)
            gray[i] = char(i % 800 * 255 / 799);
        return CGImage::create(800, 1200, 8, 8, 800, CGColorSpace::createDeviceGray(), kCGImageAlphaNone, gray);
    }();
    return b.applyAlphaMask(mask);
});
BITMAP_BENCHMARK(BM_GrayscaleAverage, [](MCBitmap &b) { return b.grayscaleAverage(); });
BITMAP_BENCHMARK(BM_GrayscaleLightness, [](MCBitmap &b) { return b.grayscaleLightness(); });
BITMAP_BENCHMARK(BM_GrayscaleChannelR, [](MCBitmap &b) { return b.grayscaleChannelR(); });
BITMAP_BENCHMARK(BM_GrayscaleWeightedGamma, [](MCBitmap &b) {
    return b.grayscaleWeighted({0.2126f, 0.7152f, 0.0722f}, 2.2f);
});

// ---------------------------------------------------------------- resampler against the tools

// The photo's colour as a binary PPM (and, for vips, in its own format) in a temporary folder.
struct ToolInput
{
    QTemporaryDir folder;
    QString ppm, vips;
    ToolInput()
    {
        ppm = folder.filePath("photo.ppm");
        QFile file(ppm);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("P6\n") + QByteArray::number(qulonglong(kWidth)) + " " +
                   QByteArray::number(qulonglong(kHeight)) + "\n255\n");
        QByteArray row(qsizetype(kWidth * 3), Qt::Uninitialized);
        for (size_t y = 0; y < kHeight; ++y) {
            for (size_t x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    row[qsizetype(x * 3 + size_t(c))] = char(level(x, y, c));
            file.write(row);
        }
        file.close();
        vips = folder.filePath("photo.v");
        QProcess::execute("vips", {"copy", ppm, vips});
    }
};

const ToolInput &toolInput()
{
    static ToolInput input;
    return input;
}

QString imageMagick()
{
    const QString magick = QStandardPaths::findExecutable("magick");
    if (!magick.isEmpty())
        return magick;
    return QStandardPaths::findExecutable("convert", {"/usr/bin"}).isEmpty() ? QStandardPaths::findExecutable("convert")
                                                                             : QStringLiteral("/usr/bin/convert");
}

// Runs the command once per iteration and times it (wall clock) with the tool limited to the
// given threads (0 = its default, every processor).
void runTool(benchmark::State &state, const QString &program, const QStringList &arguments)
{
    if (program.isEmpty()) {
        state.SkipWithError("tool not installed");
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (state.range(0) == 1) {
        environment.insert("VIPS_CONCURRENCY", "1");
        environment.insert("MAGICK_THREAD_LIMIT", "1");
        environment.insert("OMP_NUM_THREADS", "1");
    }
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            state.SkipWithError(qPrintable("failed: " + program + " " + arguments.join(' ') + "\n" +
                                           QString::fromLocal8Bit(process.readAllStandardError())));
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

// Ours on the same three colour planes, 8-bit.
void BM_Resize_Ours(benchmark::State &state)
{
    vImage_Buffer planes[3], small[3];
    for (int c = 0; c < 3; ++c) {
        vImageBuffer_Init(&planes[c], kHeight, kWidth, 8, kvImageNoFlags);
        vImageBuffer_Init(&small[c], kSmallHeight, kSmallWidth, 8, kvImageNoFlags);
        for (size_t y = 0; y < kHeight; ++y)
            for (size_t x = 0; x < kWidth; ++x)
                static_cast<uint8_t *>(planes[c].data)[y * planes[c].rowBytes + x] = level(x, y, c);
    }
    platform::setMaximumParallelism(size_t(state.range(0)));
    for (auto _ : state) {
        for (int c = 0; c < 3; ++c)
            vImageScale_Planar8(&planes[c], &small[c], nullptr, kvImageHighQualityResampling | kvImageEdgeExtend);
    }
    platform::setMaximumParallelism(0);
    for (int c = 0; c < 3; ++c) {
        std::free(planes[c].data);
        std::free(small[c].data);
    }
}

void BM_Resize_Vips(benchmark::State &state)
{
    const ToolInput &input = toolInput();
    const QString out = input.folder.filePath("vips-out.v");
    runTool(state, QStandardPaths::findExecutable("vips"),
            {"resize", input.vips, out, QString::number(double(kSmallWidth) / kWidth), "--kernel", "lanczos3"});
}

void BM_Resize_VipsFloor(benchmark::State &state)
{
    const ToolInput &input = toolInput();
    runTool(state, QStandardPaths::findExecutable("vips"), {"copy", input.vips, input.folder.filePath("vips-copy.v")});
}

void BM_Resize_ImageMagick(benchmark::State &state)
{
    const ToolInput &input = toolInput();
    runTool(state, imageMagick(),
            {input.ppm, "-filter", "Lanczos", "-resize", QString("%1x%2!").arg(kSmallWidth).arg(kSmallHeight),
             input.folder.filePath("im-out.ppm")});
}

void BM_Resize_ImageMagickFloor(benchmark::State &state)
{
    const ToolInput &input = toolInput();
    runTool(state, imageMagick(), {input.ppm, input.folder.filePath("im-copy.ppm")});
}

// Argument: threads (1, or 0 for all).
BENCHMARK(BM_Resize_Ours)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Resize_Vips)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_Resize_VipsFloor)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_Resize_ImageMagick)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Resize_ImageMagickFloor)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
