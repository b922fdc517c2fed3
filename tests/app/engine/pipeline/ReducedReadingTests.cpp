// A run whose stages make the photo smaller may decode it at reduced size: what the stage list
// allows, and that the result has exactly the predicted size and the pixels of the full-size
// path.
#include "PipelineTestSupport.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertResolution.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertSharpness.h"
#include "halvard/imageio/MCImageLoader.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <cmath>

using namespace pipelinetest;

namespace {

// A stage that only looks: it edits no pixels, so a run may read reduced before it.
class ProbeStage : public ScriptedStage
{
public:
    using ScriptedStage::ScriptedStage;
    PixelNeed pixelNeed() const override { return PixelNeed::LeavesPixels; }
};

std::shared_ptr<MCConvertScale> scaleStage(MCConvertScale::Mode mode, double value)
{
    auto stage = std::make_shared<MCConvertScale>();
    stage->parameterValues();
    stage->setScaleMode(mode);
    if (mode == MCConvertScale::ByPercent)
        stage->setScaleInPercentage(value);
    else if (mode == MCConvertScale::Megapixels)
        stage->setScaleToMegapixels(value);
    else
        stage->setScaleToEdge(value);
    return stage;
}

std::shared_ptr<MCConvertScaleToSize> boxStage(quint64 side1, quint64 side2, quint64 behavior)
{
    auto stage = std::make_shared<MCConvertScaleToSize>();
    stage->parameterValues();
    stage->setSide1(side1);
    stage->setSide2(side2);
    stage->setScaleToSizeBehavior(behavior);
    return stage;
}

std::shared_ptr<MCConvertSharpness> sharpnessStage(double amount, bool active = true)
{
    auto stage = std::make_shared<MCConvertSharpness>();
    stage->parameterValues();
    stage->setSharpness(amount);
    stage->setActive(active);
    return stage;
}

// A photo with detail at every scale: smooth gradients, fine stripes that a careless reduction
// would alias, and hard edges; written as a high-quality JPEG with the orientation given.
QString writeDetailedPhoto(const QString &path, int width, int height, int orientation)
{
    QByteArray data(width * height * 4, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uchar *p = reinterpret_cast<uchar *>(data.data()) + (y * width + x) * 4;
            const double stripes = 0.5 + 0.5 * std::sin(x * 0.9 + y * 0.35);
            const bool block = ((x / 97) + (y / 61)) % 2 == 0;
            p[0] = uchar(std::lround(255.0 * x / width * 0.7 + 60 * stripes));
            p[1] = uchar(block ? 200 : 40);
            p[2] = uchar(std::lround(255.0 * y / height * 0.6 + 90 * std::sin(x * 0.02) * std::sin(x * 0.02)));
            p[3] = 255;
        }
    auto bitmap = MCBitmap::createWithCGImage(CGImage::create(size_t(width), size_t(height), 8, 32, size_t(width) * 4,
                                                              CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                              kCGImageAlphaLast, data));
    EXPECT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_TRUE(bitmap->saveAtURL(
        path, "public.jpeg",
        {{kCGImagePropertyOrientation, orientation}, {kCGImageDestinationLossyCompressionQuality, 0.95}}));
    return path;
}

std::shared_ptr<MCFile> libraryFile(const QString &path)
{
    auto file = MCFile::fileWithID(11);
    file->setFilePath(path);
    file->setFileName(QFileInfo(path).fileName());
    return file;
}

// Peak signal-to-noise ratio of two 8-bit images of one size and layout, in dB.
double psnr(const CGImageRef &a, const CGImageRef &b)
{
    double sum = 0;
    size_t count = 0;
    const size_t bytes = a->width() * (a->bitsPerPixel() / 8);
    for (size_t y = 0; y < a->height(); ++y) {
        const uint8_t *p = a->row(y), *q = b->row(y);
        for (size_t i = 0; i < bytes; ++i, ++count) {
            const double d = double(p[i]) - double(q[i]);
            sum += d * d;
        }
    }
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (sum / double(count)));
}

} // namespace

// The side a run reads follows the first stage that touches the pixels.
TEST(ReducedReading, TheFirstStageThatTouchesThePixelsDecidesTheSide)
{
    auto defaults = makeDefaults();
    const QVariantMap landscape{{kCGImagePropertyPixelWidth, 5184}, {kCGImagePropertyPixelHeight, 3456}};
    QVariantMap turned = landscape;
    turned.insert(kCGImagePropertyOrientation, 6);
    auto resolution = std::make_shared<MCConvertResolution>();
    resolution->parameterValues();
    struct Case
    {
        const char *name;
        QList<MCConvertStageRef> stages;
        QVariantMap properties;
        bool upright;
        quint64 side;
    };
    const std::vector<Case> cases = {
        {"no stages", {}, landscape, true, 0},
        // 1600 × 1067: the height's rounding asks for a little more than 1600 / 5184 of the photo.
        {"fit the longer side", {scaleStage(MCConvertScale::LongerSide, 1600)}, landscape, true, 3201},
        {"a metadata stage first", {resolution, scaleStage(MCConvertScale::LongerSide, 1600)}, landscape, true, 3201},
        {"sharpened first", {sharpnessStage(0.5), scaleStage(MCConvertScale::LongerSide, 1600)}, landscape, true, 0},
        {"inactive stage first", {sharpnessStage(0.5, false), scaleStage(MCConvertScale::LongerSide, 1600)}, landscape,
         true, 3201},
        {"enlarged", {scaleStage(MCConvertScale::ByPercent, 200)}, landscape, true, 0},
        {"no smaller", {scaleStage(MCConvertScale::ByPercent, 100)}, landscape, true, 0},
        // Twice what the resampler makes. Upright 3456 × 5184: the shorter side 3456 becomes
        // 1000, so the longer 1500.
        {"turned upright", {scaleStage(MCConvertScale::ShorterSide, 1000)}, turned, true, 3000},
        {"left as stored", {scaleStage(MCConvertScale::ShorterSide, 1000)}, turned, false, 3000},
        // Filling a box scales by the larger ratio, 1000 / 3456.
        {"filling a box", {boxStage(1000, 1000, 1)}, landscape, true, 3000},
        {"no pixel size", {scaleStage(MCConvertScale::LongerSide, 1600)}, QVariantMap(), true, 0},
    };
    for (const Case &c : cases) {
        MCBitmapConverter converter(defaults.get());
        converter.setStagesFromArray(c.stages);
        EXPECT_EQ(converter.reducedReadingSideForProperties(c.properties, c.upright), c.side) << c.name;
    }
}

// The reduced path gives exactly the predicted size and the full-size path's pixels: each case
// runs once as it is (read reduced) and once behind a stage that needs the full size.
TEST(ReducedReading, ResultMatchesTheFullSizePath)
{
    auto defaults = makeDefaults();
    const QString folder = testsupport::makeTemporaryFolder("reduced");
    struct Case
    {
        const char *name;
        int width, height, orientation;
        std::function<MCConvertStageRef()> resize;
        bool reduced; // whether the decoder can reduce the photo onto whole pixels
    };
    const std::vector<Case> cases = {
        {"longer side", 1536, 1024, 1, [] { return scaleStage(MCConvertScale::LongerSide, 300); }, true},
        {"turned, shorter side", 1536, 1024, 6, [] { return scaleStage(MCConvertScale::ShorterSide, 250); }, true},
        {"megapixels", 1528, 1020, 3, [] { return scaleStage(MCConvertScale::Megapixels, 0.07); }, true},
        {"box filled", 1536, 1024, 8, [] { return boxStage(320, 200, 1); }, true},
        {"box fitted", 1536, 1016, 1, [] { return boxStage(333, 301, 0); }, true},
        // Odd sides: no eighth maps them onto whole pixels, so the photo is read in full.
        {"odd sides", 1531, 1021, 1, [] { return scaleStage(MCConvertScale::LongerSide, 300); }, false},
    };
    for (const Case &c : cases) {
        const int width = c.width, height = c.height;
        const QString source = writeDetailedPhoto(QDir(folder).filePath(QStringLiteral("%1.jpg").arg(c.name)), width,
                                                  height, c.orientation);
        CGImageRef results[2];
        QSizeF seen[2];
        bool seenReduced[2] = {false, false};
        for (int full = 0; full < 2; ++full) {
            MCBitmapConverter converter(defaults.get());
            converter.setImageFormat(4); // PNG: the pixels as the stages left them
            QList<MCConvertStageRef> stages;
            if (full)
                stages << std::make_shared<ScriptedStage>(); // needs the full size
            stages << std::make_shared<ProbeStage>(-1, [&](MCBitmap *bitmap, QVariantMap &, MCError *) {
                seen[full] = bitmap->size();
                seenReduced[full] = bitmap->isReducedForRun();
                return true;
            });
            stages << c.resize() << sharpnessStage(0.25);
            converter.setStagesFromArray(stages);
            const QString output = QDir(folder).filePath(QStringLiteral("%1 %2.png").arg(c.name).arg(full));
            MCError error;
            ASSERT_TRUE(converter.convertFile(*libraryFile(source), output, &error)) << error.toString().toStdString();
            results[full] = MCImageLoader::newImageWithURL(output);
            ASSERT_TRUE(results[full]) << c.name;
            const QSizeF predicted = converter.sizeForOriginalSize(QSizeF(width, height), quint64(c.orientation));
            EXPECT_EQ(QSizeF(results[full]->width(), results[full]->height()), predicted) << c.name << " " << full;
        }
        EXPECT_EQ(seenReduced[0], c.reduced) << c.name;
        EXPECT_FALSE(seenReduced[1]) << c.name;
        if (c.reduced) {
            EXPECT_LT(seen[0].width() * seen[0].height(), 0.5 * seen[1].width() * seen[1].height()) << c.name;
        }
        EXPECT_GE(psnr(results[0], results[1]), 40.0) << c.name;
    }
}
