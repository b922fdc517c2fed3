// The colour-profile stages: building the catalogue of installed profiles (the machine's
// folders and ours, and a folder of 200 profiles), and Convert to Profile turning a
// 24-megapixel 8-bit RGB photo into CMYK through the stage, the transform cached after the
// first run as in a batch. Each iteration converts a fresh copy of the photo (copied outside
// the timing).
#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertColorProfile.h"

#include "platform/color/ColorSyncProfileCatalogue.h"
#include "platform/core/MCBundle.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr size_t kWidth = 6000, kHeight = 4000;

std::unique_ptr<MCBitmap> photo()
{
    QByteArray data(int(kWidth * kHeight * 4), Qt::Uninitialized);
    uint32_t seed = 12345;
    for (size_t i = 0; i < kWidth * kHeight * 4; ++i) {
        seed = seed * 1664525u + 1013904223u;
        data[qsizetype(i)] = i % 4 == 3 ? char(255) : char(seed >> 24);
    }
    const CGImageRef image = CGImage::create(kWidth, kHeight, 8, 32, kWidth * 4,
                                             CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data);
    return MCBitmap::createWithCGImage(image);
}

void BM_CatalogueOfInstalledProfiles(benchmark::State &state)
{
    const QStringList folders = ColorSyncProfileCatalogue::searchFolders();
    size_t found = 0;
    for (auto _ : state) {
        const ColorSyncProfileCatalogue catalogue = ColorSyncProfileCatalogue::build(folders);
        found = catalogue.sortedProfiles().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["profiles"] = double(found);
}
BENCHMARK(BM_CatalogueOfInstalledProfiles)->Unit(benchmark::kMillisecond);

void BM_CatalogueOf200Profiles(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString spaces[] = {kCGColorSpaceSRGB, kCGColorSpaceAdobeRGB1998, kCGColorSpaceDisplayP3,
                              kCGColorSpaceGenericGrayGamma2_2, kCGColorSpaceGenericCMYK};
    for (int i = 0; i < 200; ++i) {
        QFile file(folder.filePath(QStringLiteral("profile-%1.icc").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(CGColorSpace::createWithName(spaces[i % 5])->iccData()) < 0) {
            state.SkipWithError("cannot write the profiles");
            return;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ColorSyncProfileCatalogue::build({folder.path()}).sortedProfiles().size());
}
BENCHMARK(BM_CatalogueOf200Profiles)->Unit(benchmark::kMillisecond);

void BM_ConvertToCMYKProfile24MP(benchmark::State &state)
{
    const std::unique_ptr<MCBitmap> original = photo();
    MCConvertColorProfile stage;
    stage.setTargetColorModel(2);
    stage.setColorProfileURL(platform::pathForResource(QStringLiteral("ColorProfiles/GenericCMYK.icc")));
    stage.setRenderingIntent(kCGRenderingIntentPerceptual);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MCBitmap> bitmap = original->copy();
        QVariantMap metadata;
        state.ResumeTiming();
        if (!stage.convertBitmap(bitmap.get(), metadata, nullptr, nullptr)) {
            state.SkipWithError("conversion failed");
            return;
        }
        state.PauseTiming();
        bitmap.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kWidth * kHeight));
}
BENCHMARK(BM_ConvertToCMYKProfile24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
