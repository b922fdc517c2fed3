// The per-file path of a conversion, decode → stages → encode, on a 24-megapixel JPEG, against
// the floor: a plain decode and encode of the same file with no working bitmap and no stages.
//
// Stage chains are rows of chains() below: a name and the stored form of each stage (as a
// preset holds it). A chain whose stages are not built yet is skipped with a message.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/engine/pipeline/MCConvertStage.h"
#include "app/library/MCFile.h"
#include "bench/BenchMain.h"
#include "halvard/imageio/MCImageLoader.h"
#include "halvard/system/MCDataExtensions.h"
#include "platform/core/MCUserDefaults.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

struct Chain
{
    const char *name;
    qint64 colorDepth; // 0: 8-bit working bitmap, 1: 16-bit output (float working bitmap)
    QVariantList stages;
};

// Ten stages as a photographer stacks them for an export, every one doing work: a 3:2 crop,
// tone and colour at full size, then the longer side to 2048 and sharpening.
QVariantList tenStages()
{
    auto active = [](QVariantMap stage) {
        stage.insert(QStringLiteral("stageIsActive"), true);
        return QVariant(stage);
    };
    // Curves store their points as archived data: take the stored form of a real stage.
    QVariantMap curves;
    if (MCConvertStageRef stage = MCConvertStage::convertStageWithID(2)) {
        QVariantList lifted{QPointF(0, 0), QPointF(96, 128), QPointF(255, 255)};
        stage->initWithDictionary(QVariantMap{{"pointsA", MCKeyedArchiver::archivedRootObject(lifted)}});
        curves = stage->dictionaryRepresentation();
    }
    return {
        active({{"stageID", 1}, {"cropMethod", 1}, {"cropSide1", 3.0}, {"cropSide2", 2.0}}),
        active({{"stageID", 0}, {"strength", 0.5}}),
        active({{"stageID", 10}, {"exposure", 1.1}}),
        active({{"stageID", 20}, {"contrast", 1.2}, {"shift", 0.5}}),
        active({{"stageID", 39}, {"gamma", 1.2}, {"minInput", 0.02}, {"maxInput", 0.98}, {"maxOutput", 1.0}}),
        active(curves),
        active({{"stageID", 12}, {"hue", 10.0}, {"saturation", 1.1}, {"lightness", 1.0}}),
        active({{"stageID", 201}, {"exposure", 0.6}}),
        active({{"stageID", 5}, {"scaleMode", 1}, {"scaleToEdge", 2048.0}}),
        active({{"stageID", 13}, {"sharpness", 0.25}}),
    };
}

const std::vector<Chain> &chains()
{
    static const std::vector<Chain> table = {
        {"NoStages", 0, {}},
        {"NoStages16", 1, {}},
        {"Gamma", 0, {QVariantMap{{"stageID", 9}, {"stageIsActive", true}, {"gamma", 1.8}}}},
        {"Gamma16", 1, {QVariantMap{{"stageID", 9}, {"stageIsActive", true}, {"gamma", 1.8}}}},
        // The usual web export: the longer side to 2048, sharpened, JPEG 0.8 (16-bit: TIFF).
        {"Scale2048Sharpen", 0, {QVariantMap{{"stageID", 5}, {"stageIsActive", true}, {"scaleMode", 1},
                                             {"scaleToEdge", 2048.0}},
                                 QVariantMap{{"stageID", 13}, {"stageIsActive", true}, {"sharpness", 0.25}}}},
        {"Scale2048Sharpen16", 1, {QVariantMap{{"stageID", 5}, {"stageIsActive", true}, {"scaleMode", 1},
                                               {"scaleToEdge", 2048.0}},
                                   QVariantMap{{"stageID", 13}, {"stageIsActive", true}, {"sharpness", 0.25}}}},
        {"TenStages", 0, tenStages()},
        {"TenStages16", 1, tenStages()},
    };
    return table;
}

// A 6000 × 4000 photo with a gradient and noise, so the codec has real work.
struct Inputs
{
    QTemporaryDir folder;
    QString jpeg;
    std::unique_ptr<MCUserDefaults> defaults;

    Inputs()
    {
        constexpr size_t width = 6000, height = 4000;
        QByteArray data(int(width * height * 4), 0);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-20, 20);
        auto *pixels = reinterpret_cast<uint8_t *>(data.data());
        for (size_t y = 0; y < height; ++y)
            for (size_t x = 0; x < width; ++x) {
                uint8_t *p = pixels + (y * width + x) * 4;
                p[0] = uint8_t(std::clamp(int(255 * x / width) + noise(random), 0, 255));
                p[1] = uint8_t(std::clamp(int(255 * y / height) + noise(random), 0, 255));
                p[2] = uint8_t(std::clamp(128 + noise(random), 0, 255));
                p[3] = 255;
            }
        auto bitmap = MCBitmap::createWithCGImage(CGImage::create(
            width, height, 8, 32, width * 4, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
        bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1});
        jpeg = folder.filePath(QStringLiteral("photo.jpg"));
        bitmap->saveAtURL(jpeg, QStringLiteral("public.jpeg"), {{kCGImageDestinationLossyCompressionQuality, 0.92}});
        defaults = std::make_unique<MCUserDefaults>(folder.filePath(QStringLiteral("Preferences.plist")));
        QVariantMap registered = MCBitmapConverter::userDefaultsDictionary();
        registered.insert(kMCShouldAutorotateKey, true);
        registered.insert(kMCKeepOriginalFileCreationDateKey, false);
        defaults->registerDefaults(registered);
    }

    static Inputs &shared()
    {
        static Inputs inputs;
        return inputs;
    }
};

// Decode and encode only: the least any conversion of this file costs.
void BM_Floor(benchmark::State &state)
{
    Inputs &inputs = Inputs::shared();
    const QString out = inputs.folder.filePath(QStringLiteral("floor.jpg"));
    for (auto _ : state) {
        CGImageRef image = MCImageLoader::newImageWithURL(inputs.jpeg);
        auto bitmap = MCBitmap::createWithCGImage(image);
        if (!bitmap || !bitmap->saveAtURL(out, QStringLiteral("public.jpeg"),
                                          {{kCGImageDestinationLossyCompressionQuality, 0.8}})) {
            state.SkipWithError("the floor could not decode or encode the photo");
            return;
        }
    }
}

void BM_Convert(benchmark::State &state, const Chain &chain)
{
    Inputs &inputs = Inputs::shared();
    MCBitmapConverter converter(inputs.defaults.get());
    converter.setImageColorDepth(chain.colorDepth);
    converter.setImageFormat(chain.colorDepth == 0 ? MCImageFormatJPEG : MCImageFormatTIFF);
    for (const QVariant &stored : chain.stages) {
        MCConvertStageRef stage = MCConvertStage::stageWithDictionary(stored.toMap());
        if (!stage) {
            state.SkipWithError("a stage of this chain is not built yet");
            return;
        }
        converter.addStage(stage);
    }
    auto file = MCFile::fileWithID(1);
    file->setFilePath(inputs.jpeg);
    file->setFileName(QStringLiteral("photo.jpg"));
    const QString out = inputs.folder.filePath(QStringLiteral("out.") + converter.imageFileExtension());
    for (auto _ : state) {
        MCError error;
        if (!converter.convertFile(*file, out, &error)) {
            state.SkipWithError(error.toString().toStdString().c_str());
            return;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::RegisterBenchmark("BM_Floor", BM_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const Chain &chain : chains())
        benchmark::RegisterBenchmark((std::string("BM_Convert/") + chain.name).c_str(),
                                     [&chain](benchmark::State &state) { BM_Convert(state, chain); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return bench::runRegistered(argc, argv);
}
