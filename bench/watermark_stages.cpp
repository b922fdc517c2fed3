// Cost of the watermark stages on a 24-megapixel photo: fitting the text stage's size (the text
// laid out for the estimate and for every point it steps down), the whole default text stage,
// and a tiled image watermark with a drop shadow.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertWatermarkImage.h"
#include "app/stages/MCConvertWatermarkText.h"
#include "bench/BenchPhotos.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

std::shared_ptr<MCConvertWatermarkText> textStage()
{
    auto stage = std::dynamic_pointer_cast<MCConvertWatermarkText>(
        MCConvertStage::convertStageWithID(MCConvertWatermarkText::StageID));
    stage->setFontFamilyName(QStringLiteral("DejaVu Sans"));
    stage->setTokens({QStringLiteral("\u00a9 2026 Quillon X \u2013 "),
                      MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(1, {{"DateFormatID", 1}}))});
    return stage;
}

const QVariantMap &metadata()
{
    static const QVariantMap properties = {
        {QStringLiteral("{Exif}"), QVariantMap{{QStringLiteral("DateTimeOriginal"), QStringLiteral("2026:07:14 10:11:12")}}}};
    return properties;
}

// The point size for the default 7 % of the smaller side; argument: glyph bounds (0 or 1).
void BM_TextStageFitSize(benchmark::State &state)
{
    auto bitmap = bench::noisePhoto(false);
    auto stage = textStage();
    const QString text = stage->compoundTextForBitmap(bitmap.get(), metadata(), nullptr);
    const bool glyphs = state.range(0) == 1;
    double size = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(size = stage->fontSizeForText(text, *bitmap, glyphs));
    // Layouts of one photo: the ink test, the measure at 96 points, one per size tried from the
    // proportional estimate down, then the placed box and the drawing.
    MCAttributedString measured;
    measured.append(text, stage->textAttributesWithSize(96));
    const double target = 0.07 * double(std::min(bench::kWidth, bench::kHeight));
    const double estimate = std::trunc(96 * target / bitmap->boundsOfText(measured, glyphs).height());
    state.counters["sizes_tried"] = estimate - size + 1;
    state.counters["layouts_per_photo"] = 2 + (estimate - size + 1) + 2;
}
BENCHMARK(BM_TextStageFitSize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The default text stage (fitted, shadowed, at 75 %) on the photo, as a conversion runs it.
void BM_TextStage24MP(benchmark::State &state)
{
    auto bitmap = bench::noisePhoto(false);
    auto stage = textStage();
    for (auto _ : state) {
        QVariantMap properties = metadata();
        benchmark::DoNotOptimize(stage->convertBitmap(bitmap.get(), properties, nullptr, nullptr));
    }
    state.SetItemsProcessed(int64_t(state.iterations() * bench::kWidth * bench::kHeight));
}
BENCHMARK(BM_TextStage24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 10 % logo tiled over the photo with 50-pixel gaps, turned 30 degrees, with a drop shadow.
void BM_TiledShadowedImage24MP(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("logo.png"));
    QImage logo(400, 200, QImage::Format_RGBA8888);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixel(x, y, ((x / 25 + y / 25) % 2) ? qRgba(220, 40, 40, 255) : qRgba(255, 255, 255, 160));
    logo.save(path, "PNG");
    auto stage = std::dynamic_pointer_cast<MCConvertWatermarkImage>(
        MCConvertStage::convertStageWithID(MCConvertWatermarkImage::StageID));
    stage->setImageURL(path);
    stage->setTiles(true);
    stage->setHasShadow(true);
    stage->setImageRotation(30);
    auto bitmap = bench::noisePhoto(false);
    for (auto _ : state) {
        QVariantMap properties;
        benchmark::DoNotOptimize(stage->convertBitmap(bitmap.get(), properties, nullptr, nullptr));
    }
    state.SetItemsProcessed(int64_t(state.iterations() * bench::kWidth * bench::kHeight));
}
BENCHMARK(BM_TiledShadowedImage24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // fonts need the GUI application
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
