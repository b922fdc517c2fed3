// The before-and-after preview, where a photographer feels speed.
//
// BM_ScaledBitmap: the scaled ("before") bitmap drawn from a decoded 24-megapixel photo into
// a preview of 800 × 600 points on a screen of device ratio 2 (1600 × 1200 pixels), in the
// preview's 8-bit editing format: what every view resize or output-format change costs.
// BM_SliderTick: one tick of a slider over a five-stage pipeline (exposure, contrast, levels,
// saturation, sharpness) on the same photo: the stage's new value, the coalesced preview run on
// the preview-sized copy, and the repaint of the view, as the GUI thread does them. The aim is
// under 50 ms on two cores (--benchmark_filter with QUILLON_BENCH_THREADS=2 limits the pool).
#include "app/dialogs/MCPreviewViewController.h"
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertSharpness.h"
#include "app/stages/MCConvertTone.h"
#include "bench/BenchMain.h"
#include "bench/BenchPhotos.h"
#include "halvard/imageio/MCImage.h"
#include "platform/core/MCDispatch.h"
#include "platform/core/MCUserDefaults.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

namespace {

const QSize kViewPoints(800, 600);
constexpr double kDeviceRatio = 2.0;

// The noise photo as a decoded image (what the resource loader hands the preview).
const std::shared_ptr<MCImage> &decodedPhoto()
{
    static const std::shared_ptr<MCImage> image = [] {
        QByteArray data(int(bench::kWidth * bench::kHeight * 4), Qt::Uninitialized);
        uint32_t state = 12345;
        for (char &b : data) {
            state = state * 1664525u + 1013904223u;
            b = char(state >> 24);
        }
        return MCImage::create(CGImage::create(bench::kWidth, bench::kHeight, 8, 32, bench::kWidth * 4,
                                               CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                               kCGImageAlphaNoneSkipLast, data));
    }();
    return image;
}

void applyThreadLimit()
{
    const QByteArray threads = qgetenv("QUILLON_BENCH_THREADS");
    platform::setMaximumParallelism(threads.isEmpty() ? 0 : size_t(threads.toUInt()));
}

void BM_ScaledBitmap(benchmark::State &state)
{
    applyThreadLimit();
    MCBitmapConverter converter;
    const std::shared_ptr<MCImage> &image = decodedPhoto();
    const QSizeF fit(kViewPoints.width() * kDeviceRatio, kViewPoints.height() * kDeviceRatio);
    for (auto _ : state) {
        auto bitmap = MCBitmap::create(image, converter.editingColorSpaceForPreview(true, image->colorSpace()),
                                       converter.editingBitmapInfoForPreview(true),
                                       converter.editingBitsPerComponentForPreview(true),
                                       converter.editingBitsPerPixelForPreview(true), fit);
        benchmark::DoNotOptimize(bitmap.get());
    }
}
BENCHMARK(BM_ScaledBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SliderTick(benchmark::State &state)
{
    applyThreadLimit();
    QTemporaryDir folder;
    MCUserDefaults defaults(QDir(folder.path()).filePath(QStringLiteral("Preferences.plist")));
    defaults.registerDefaults(MCBitmapConverter::userDefaultsDictionary());
    MCBitmapConverter converter(&defaults);
    auto exposure = std::make_shared<MCConvertExposure>();
    auto contrast = std::make_shared<MCConvertContrast>();
    contrast->setContrast(1.2);
    auto levels = std::make_shared<MCConvertLevels>();
    levels->setGamma(1.1);
    auto saturation = std::make_shared<MCConvertHSL>();
    saturation->setSaturation(1.3);
    auto sharpness = std::make_shared<MCConvertSharpness>();
    sharpness->setSharpness(0.5);
    converter.setStagesFromArray({exposure, contrast, levels, saturation, sharpness});

    MCPreviewViewController controller;
    controller.setConverter(&converter);
    controller.view()->resize(kViewPoints);
    controller.bitmapView()->setDeviceRatio(kDeviceRatio);
    controller.view()->show();
    QApplication::processEvents();
    // The photo as if loaded: the request is answered at once with the decoded image.
    auto file = MCFile::fileWithID(1);
    file->setFilePath(QDir(folder.path()).filePath(QStringLiteral("photo.jpg")));
    controller.setPreviewItem(file, QStringLiteral("photo.jpg"));
    controller.receiveImage(decodedPhoto(), {{QStringLiteral("PixelWidth"), int(bench::kWidth)},
                                             {QStringLiteral("PixelHeight"), int(bench::kHeight)}},
                            controller.pendingRequestID());
    QApplication::processEvents();
    if (!controller.convertedBitmap()) {
        state.SkipWithError("no preview");
        return;
    }
    double value = 1.0;
    for (auto _ : state) {
        value = value >= 1.5 ? 1.0 : value + 0.01;
        exposure->setExposure(value);
        controller.updatePreviewAfterDelay();
        QApplication::processEvents(); // the coalesced run
        controller.bitmapView()->repaint();
    }
    state.counters["pixels"] = controller.convertedBitmap()->size().width() * controller.convertedBitmap()->size().height();
    controller.setPreviewItem(nullptr, {});
}
BENCHMARK(BM_SliderTick)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

QUILLON_BENCHMARK_MAIN_WITH_GUI_APPLICATION()
