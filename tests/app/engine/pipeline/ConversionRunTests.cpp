#include "PipelineTestSupport.h"

#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertBorder.h"
#include "halvard/imageio/MCImageLoader.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageDestination.h"
#include "platform/imageio/MCImageProperties.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cmath>
#include <new>
#include <sys/stat.h>

using namespace pipelinetest;

namespace {

// A 6 × 4 photo (left half red, right half blue) written as a JPEG with `properties`.
QString writePhoto(const QString &folder, const QVariantMap &properties, const QString &name = "photo.jpg")
{
    QByteArray data(6 * 4 * 4, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            char *p = data.data() + (y * 6 + x) * 4;
            p[x < 3 ? 0 : 2] = char(255);
            p[3] = char(255);
        }
    auto bitmap = MCBitmap::createWithCGImage(
        CGImage::create(6, 4, 8, 32, 24, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_TRUE(bitmap->saveAtURL(path, "public.jpeg", properties));
    return path;
}

std::shared_ptr<MCFile> libraryFile(const QString &path)
{
    auto file = MCFile::fileWithID(7);
    file->setFilePath(path);
    file->setFileName(QFileInfo(path).fileName());
    return file;
}

struct Written
{
    CGImageRef image;
    QVariantMap properties;
};

Written readBack(const QString &path)
{
    Written written;
    written.image = MCImageLoader::newImageWithURL(path, &written.properties);
    return written;
}

// A bitmap in the working format for runs without a file.
std::unique_ptr<MCBitmap> workingBitmap()
{
    QByteArray data(4 * 2 * 4, char(128));
    return MCBitmap::createWithCGImage(
        CGImage::create(4, 2, 8, 32, 16, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
}

class ConversionRun : public ::testing::Test
{
protected:
    std::unique_ptr<MCUserDefaults> defaults = makeDefaults();
    MCBitmapConverter converter{defaults.get()};
    QString folder = testsupport::makeTemporaryFolder("run");
};

} // namespace

TEST_F(ConversionRun, TurnsPhotosUprightAndWritesOrientationOne)
{
    const QString source = writePhoto(folder, {{kCGImagePropertyOrientation, 6},
                                               {kCGImagePropertyIPTCDictionary, QVariantMap{{"Keywords", QVariantList{"a"}}}}});
    auto file = libraryFile(source);
    const QString destination = QDir(folder).filePath("out.jpg");
    MCError error;
    ASSERT_TRUE(converter.convertFile(*file, destination, &error)) << error.toString().toStdString();
    EXPECT_TRUE(error.isNull());
    const Written written = readBack(destination);
    ASSERT_TRUE(written.image);
    EXPECT_EQ(written.image->width(), 4u);
    EXPECT_EQ(written.image->height(), 6u);
    EXPECT_EQ(written.properties.value(kCGImagePropertyOrientation).toInt(), 1);
    EXPECT_EQ(written.properties.value(kCGImagePropertyTIFFDictionary).toMap().value(kCGImagePropertyTIFFOrientation).toInt(), 1);
    EXPECT_FALSE(written.properties.contains(kMCQuillonDictionaryKey));
    EXPECT_TRUE(written.properties.value(kCGImagePropertyTIFFDictionary)
                    .toMap()
                    .value(kCGImagePropertyTIFFSoftware)
                    .toString()
                    .startsWith("Quillon X "));
}

// Left as stored, the pixels keep their layout and the file keeps the orientation that shows
// them right; orientation 1 on unturned pixels would show the photo sideways.
TEST_F(ConversionRun, WithoutAutorotateKeepsPixelsAndOrientation)
{
    defaults->setBool(false, kMCShouldAutorotateKey);
    const QString source = writePhoto(folder, {{kCGImagePropertyOrientation, 6}});
    const QString destination = QDir(folder).filePath("kept.jpg");
    MCError error;
    ASSERT_TRUE(converter.convertFile(*libraryFile(source), destination, &error)) << error.toString().toStdString();
    const Written written = readBack(destination);
    ASSERT_TRUE(written.image);
    EXPECT_EQ(written.image->width(), 6u);
    EXPECT_EQ(written.image->height(), 4u);
    EXPECT_EQ(written.properties.value(kCGImagePropertyOrientation).toInt(), 6);
}

TEST_F(ConversionRun, StagesSeeTheOutputNameAndRunInStageOrder)
{
    QStringList order;
    QString seenName;
    auto last = std::make_shared<ScriptedStage>(8, [&](MCBitmap *, QVariantMap &, MCError *) {
        order << "profile";
        return true;
    });
    auto first = std::make_shared<ScriptedStage>(-1, [&](MCBitmap *, QVariantMap &metadata, MCError *) {
        order << "first";
        seenName = metadata.value(kMCQuillonDictionaryKey).toMap().value(kMCQuillonFilenameKey).toString();
        metadata.insert(kCGImagePropertyTIFFDictionary,
                        QVariantMap{{kCGImagePropertyTIFFArtist, QStringLiteral("Ann")}});
        return true;
    });
    auto inactive = std::make_shared<ScriptedStage>(-1);
    inactive->setActive(false);
    converter.setStagesFromArray({last, first, inactive});
    converter.setImageFormat(MCImageFormatPNG);
    converter.setImageColorModel(0); // no stage changes the model: the run still does

    const QString destination = QDir(folder).filePath("named.png");
    MCError error;
    ASSERT_TRUE(converter.convertFile(*libraryFile(writePhoto(folder, {})), destination, &error))
        << error.toString().toStdString();
    EXPECT_EQ(order, (QStringList{"first", "profile"}));
    EXPECT_EQ(inactive->calls, 0);
    EXPECT_EQ(seenName, "named.png");
    const Written written = readBack(destination);
    ASSERT_TRUE(written.image);
    EXPECT_EQ(written.image->colorSpace()->model(), kCGColorSpaceModelMonochrome);
    EXPECT_FALSE(written.properties.contains(kMCQuillonDictionaryKey));
}

TEST_F(ConversionRun, EveryFailureComesWithAnError)
{
    auto file = libraryFile(writePhoto(folder, {}));
    const QString destination = QDir(folder).filePath("fail.jpg");

    // A stage's own error passes through unchanged; a bare NO becomes "MCErrorDomain" 2.
    const MCError own(MCErrorDomain, 42, "own");
    converter.setStagesFromArray({std::make_shared<ScriptedStage>(-1, [&](MCBitmap *, QVariantMap &, MCError *e) {
        return MCSetError(e, own);
    })});
    MCError error;
    EXPECT_FALSE(converter.convertFile(*file, destination, &error));
    EXPECT_EQ(error, own);

    auto bare = std::make_shared<ScriptedStage>(9, [](MCBitmap *, QVariantMap &, MCError *) { return false; });
    auto never = std::make_shared<ScriptedStage>(-1);
    converter.setStagesFromArray({bare, never});
    error = MCError(MCErrorDomain, 99, "stale");
    EXPECT_FALSE(converter.convertFile(*file, destination, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 2));
    EXPECT_EQ(error.localizedDescription(), "Action “Gamma” failed on image “photo.jpg”.");
    EXPECT_EQ(never->calls, 0);

    // The preview hands a stage's NO back as it is.
    auto bitmap = workingBitmap();
    QVariantMap properties;
    error = MCError();
    EXPECT_FALSE(converter.previewBitmap(bitmap.get(), &properties, file.get(), &error));
    EXPECT_TRUE(error.isNull());

    // A final conversion that cannot be done names the file.
    converter.setStagesFromArray({});
    converter.setImageColorModel(9);
    EXPECT_FALSE(converter.convertFile(*file, destination, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 1));
    EXPECT_TRUE(error.localizedDescription().contains("photo.jpg"));

    // A file that is not an image.
    converter.setImageColorModel(1);
    const QString junk = QDir(folder).filePath("junk.jpg");
    QFile out(junk);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("not a photo");
    out.close();
    EXPECT_FALSE(converter.convertFile(*libraryFile(junk), destination, &error));
    EXPECT_TRUE(error.is(MCCocoaErrorDomain, 259));
    EXPECT_EQ(error.localizedDescription(), "Could not load an image from “junk.jpg”.");
    EXPECT_FALSE(QFile::exists(destination));
}

TEST_F(ConversionRun, FinishedPropertiesFollowTheOutputFormat)
{
    struct Case
    {
        quint64 format;
        qint64 tiffCompression;
        QVariant quality;   // null: no entry
        QVariant thumbnail; // null: no entry
        QVariant compression;
    };
    const Case cases[] = {
        {MCImageFormatJPEG, 0, 0.8, true, {}},
        {MCImageFormatHEIC, 0, 0.8, true, {}},
        {MCImageFormatJPEG2000, 0, 0.8, {}, {}},
        {MCImageFormatPNG, 0, {}, {}, {}},
        {MCImageFormatTIFF, 0, {}, {}, 1},
        {MCImageFormatTIFF, 1, {}, {}, 5},
        {MCImageFormatTIFF, 2, {}, {}, 32773},
        {MCImageFormatTIFF, 7, {}, {}, 1},
    };
    converter.setEmbedThumbnail(true);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.tiffCompression);
        converter.setImageFormat(c.format);
        converter.setImageTIFFCompression(c.tiffCompression);
        auto bitmap = workingBitmap();
        QVariantMap properties{{kCGImagePropertyOrientation, 8},
                               {kCGImagePropertyColorModel, "RGB"},
                               {kCGImagePropertyProfileName, "sRGB"},
                               {kCGImagePropertyIPTCDictionary, QVariantMap{}}};
        MCError error;
        ASSERT_TRUE(converter.convertBitmap(bitmap.get(), &properties, nullptr, &error));
        EXPECT_EQ(properties.value(kCGImageDestinationLossyCompressionQuality), c.quality);
        EXPECT_EQ(properties.value(kCGImageDestinationEmbedThumbnail), c.thumbnail);
        const QVariantMap tiff = properties.value(kCGImagePropertyTIFFDictionary).toMap();
        EXPECT_EQ(tiff.value(kCGImagePropertyTIFFCompression).isValid() ? QVariant(tiff.value(kCGImagePropertyTIFFCompression).toInt()) : QVariant(),
                  c.compression);
        EXPECT_EQ(properties.value(kCGImagePropertyOrientation).toInt(), 1);
        EXPECT_EQ(tiff.value(kCGImagePropertyTIFFOrientation).toInt(), 1);
        EXPECT_EQ(properties.value(kCGImagePropertyIPTCDictionary).toMap().value(kCGImagePropertyIPTCImageOrientation).toInt(), 1);
        EXPECT_FALSE(properties.contains(kCGImagePropertyColorModel));
        EXPECT_FALSE(properties.contains(kCGImagePropertyProfileName));
        EXPECT_EQ(bitmap->bitsPerPixel(), 24u);
    }
}

TEST_F(ConversionRun, PreviewRendersEightBitsAndKeepsOrientation)
{
    converter.setImageColorDepth(1);
    converter.setImageHasAlpha(true);
    int previews = 0;
    converter.addStage(std::make_shared<ScriptedStage>(-1, [&](MCBitmap *bitmap, QVariantMap &, MCError *) {
        ++previews;
        return bitmap->bitsPerComponent() == 8;
    }));
    auto bitmap = workingBitmap();
    QVariantMap properties{{kCGImagePropertyOrientation, 6}};
    ASSERT_TRUE(converter.previewBitmap(bitmap.get(), &properties, nullptr, nullptr));
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(bitmap->bitsPerComponent(), 8u);
    EXPECT_EQ(bitmap->bitsPerPixel(), 32u);
    EXPECT_EQ(properties.value(kCGImagePropertyOrientation).toInt(), 6);
    EXPECT_FALSE(properties.contains(kCGImageDestinationEmbedThumbnail));
}

TEST_F(ConversionRun, GrayOutputKeepsNeutralLevels)
{
    // Gray output without a profile of its own takes sRGB's tone curve: the neutral sRGB colour
    // (v, v, v) becomes level v (gamma 1.8 or 2.2 gray would lift or sink the shadows).
    converter.setImageColorModel(0);
    const int levels[] = {10, 20, 128, 250};
    QByteArray data;
    for (int v : levels)
        data.append(char(v)).append(char(v)).append(char(v)).append(char(255));
    auto bitmap = MCBitmap::createWithCGImage(
        CGImage::create(4, 1, 8, 32, 16, CGColorSpace::createWithName(kCGColorSpaceSRGB), kCGImageAlphaLast, data));
    QVariantMap properties;
    ASSERT_TRUE(converter.previewBitmap(bitmap.get(), &properties, nullptr, nullptr));
    ASSERT_EQ(bitmap->bitsPerPixel(), 8u);
    EXPECT_TRUE(CGColorSpaceEqualToColorSpace(bitmap->colorSpace(), CGColorSpace::createWithName(kCGColorSpaceSRGBGray)));
    ASSERT_TRUE(bitmap->useImageBuffer());
    const auto *gray = static_cast<const uint8_t *>(bitmap->imageBuffer().data);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(gray[i], levels[i], 1) << levels[i];
    EXPECT_EQ(converter.colorProfileNameForOriginalName(QString(), kCGImagePropertyColorModelRGB),
              CGColorSpace::createWithName(kCGColorSpaceSRGBGray)->profileDescription());
}

TEST(ConversionPixelFormats, EditingAndFinalFormatsFollowTheSettings)
{
    auto defaults = makeDefaults();
    MCBitmapConverter converter(defaults.get());
    EXPECT_EQ(converter.editingBitmapInfoForPreview(false), CGBitmapInfo(kCGImageAlphaLast));
    EXPECT_EQ(converter.editingBitsPerPixelForPreview(false), 32u);
    EXPECT_EQ(converter.finalBitsPerPixelForPreview(false), 24u);
    converter.setImageColorDepth(1);
    converter.setImageHasAlpha(true);
    EXPECT_EQ(converter.editingBitmapInfoForPreview(false), CGBitmapInfo(0x2103));
    EXPECT_EQ(converter.editingBitsPerComponentForPreview(false), 32u);
    EXPECT_EQ(converter.editingBitsPerComponentForPreview(true), 8u);
    EXPECT_EQ(converter.finalBitmapInfoForPreview(false), CGBitmapInfo(0x1003));
    EXPECT_EQ(converter.finalBitsPerPixelForPreview(false), 64u);
    converter.setImageColorModel(2);
    converter.setImageColorDepth(2);
    EXPECT_EQ(converter.finalBitmapInfoForPreview(false), CGBitmapInfo(0x2103));
    EXPECT_EQ(converter.finalBitsPerPixelForPreview(false), 160u);
    EXPECT_EQ(converter.finalBitsPerPixelForPreview(true), 40u);
    converter.setImageColorModel(5);
    EXPECT_EQ(converter.finalBitsPerPixelForPreview(false), 0u);
    EXPECT_EQ(converter.finalColorSpaceForPreview(false, CGColorSpace::createWithName(kCGColorSpaceSRGB)), nullptr);

    const auto gray = CGColorSpace::createWithName(kCGColorSpaceGenericGray);
    const auto white = converter.finalBackgroundColorForPreview(false, gray);
    ASSERT_TRUE(white);
    ASSERT_EQ(white->size(), 1u);
    EXPECT_NEAR((*white)[0], 1.0, 0.01);
}

TEST(ConversionLabels, LibraryLabelsMapToLabelNumbers)
{
    const std::pair<qint64, std::optional<qint64>> cases[] = {
        {0, 0}, {1, 6}, {2, 7}, {3, 5}, {4, 2}, {5, 4}, {6, 3}, {7, 1}, {8, std::nullopt}, {-1, std::nullopt},
    };
    for (const auto &[label, number] : cases)
        EXPECT_EQ(MCBitmapConverter::labelNumberForLabel(label), number) << label;
}

TEST_F(ConversionRun, PreviewOfAFileIsScaledUprightAndRunThroughTheStages)
{
    const QString source = writePhoto(folder, {{kCGImagePropertyOrientation, 6}});
    QSizeF seenSize;
    double seenScale = 0;
    QString seenName;
    converter.addStage(std::make_shared<ScriptedStage>(-1, [&](MCBitmap *bitmap, QVariantMap &metadata, MCError *) {
        seenSize = bitmap->size();
        seenScale = bitmap->scaleX();
        seenName = metadata.value(kMCQuillonDictionaryKey).toMap().value(kMCQuillonFilenameKey).toString();
        return true;
    }));
    QVariantMap properties;
    MCError error;
    auto preview = converter.newPreviewBitmapForFile(*libraryFile(source), QSizeF(2, 3), "out.jpg", &properties, &error);
    ASSERT_TRUE(preview) << error.toString().toStdString();
    EXPECT_EQ(seenSize, QSizeF(2, 3)); // 6 × 4 stored, shown 4 × 6, fitted into 2 × 3
    EXPECT_DOUBLE_EQ(seenScale, 0.5);
    EXPECT_EQ(seenName, "out.jpg");
    EXPECT_EQ(preview->bitsPerComponent(), 8u);
    EXPECT_EQ(properties.value(kCGImagePropertyOrientation).toInt(), 1);

    converter.addStage(std::make_shared<ScriptedStage>(-1, [](MCBitmap *, QVariantMap &, MCError *) { return false; }));
    EXPECT_FALSE(converter.newPreviewBitmapForFile(*libraryFile(source), QSizeF(2, 3), "out.jpg", nullptr, nullptr));
}

namespace {

// A scripted stage with one number in its parameter table, as a preset may fill it.
class NumberedStage : public ScriptedStage
{
public:
    using ScriptedStage::ScriptedStage;
    const MCStageParameters &parameters() const override
    {
        static const MCStageParameters table = {
            {.name = "amount", .type = MCStageParameterType::Double, .defaultValue = 0.5, .minimum = 0.0, .maximum = 1.0}};
        return table;
    }
};

} // namespace

// Hostile settings and files fail the one file with an error; the next file converts.
TEST_F(ConversionRun, HostileSettingsFailTheFileAndTheBatchGoesOn)
{
    auto file = libraryFile(writePhoto(folder, {}));
    const QString destination = QDir(folder).filePath("out.jpg");
    auto convertsAgain = [&] {
        converter.setStagesFromArray({});
        converter.setImageQuality(0.8);
        MCError error;
        EXPECT_TRUE(converter.convertFile(*file, destination, &error)) << error.toString().toStdString();
    };

    // Memory running out inside a stage.
    converter.setStagesFromArray({std::make_shared<ScriptedStage>(9, [](MCBitmap *, QVariantMap &, MCError *) -> bool {
        throw std::bad_alloc();
    })});
    MCError error;
    EXPECT_FALSE(converter.convertFile(*file, destination, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 2)) << error.toString().toStdString();
    convertsAgain();

    // A number that is no number never reaches the stage's work.
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        auto stage = std::make_shared<NumberedStage>(9);
        stage->setValueForKey("amount", bad);
        converter.setStagesFromArray({stage});
        error = MCError();
        EXPECT_FALSE(converter.convertFile(*file, destination, &error)) << bad;
        EXPECT_TRUE(error.is(MCErrorDomain, 2)) << bad;
        EXPECT_EQ(stage->calls, 0) << bad;
        auto bitmap = workingBitmap();
        EXPECT_FALSE(converter.previewBitmap(bitmap.get(), nullptr, file.get(), nullptr)) << bad;
        convertsAgain();
    }

    // A lossy quality that is no number is refused, not written as the best quality.
    for (double bad : {std::nan(""), HUGE_VAL}) {
        converter.setImageQuality(bad);
        error = MCError();
        EXPECT_FALSE(converter.convertFile(*file, destination, &error)) << bad;
        EXPECT_TRUE(error.is(MCErrorDomain, 1)) << bad;
        convertsAgain();
    }

    // An inner border wider than any picture.
    auto border = std::make_shared<MCConvertAddBorder>();
    border->setBorderPosition(MCConvertAddBorder::Inner);
    border->setValueForKey(MCConvertAddBorder::kBorderLeftInPixelsKey, quint64(1000000000000));
    converter.setStagesFromArray({border});
    error = MCError();
    EXPECT_FALSE(converter.convertFile(*file, destination, &error));
    EXPECT_TRUE(error.is(MCErrorDomain, 2)) << error.toString().toStdString();
    convertsAgain();
}

// A FIFO named like a photo and a link to an endless device are refused at once, with an
// error that says why, instead of blocking the worker or reading until memory runs out.
TEST_F(ConversionRun, FilesThatAreNotRegularAreRefused)
{
    const QString fifo = QDir(folder).filePath("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = QDir(folder).filePath("zero.jpg");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    for (const QString &path : {fifo, zero}) {
        MCError error;
        EXPECT_FALSE(converter.convertFile(*libraryFile(path), QDir(folder).filePath("out.jpg"), &error));
        EXPECT_TRUE(error.is(MCCocoaErrorDomain, MCFileReadUnknownError)) << error.toString().toStdString();
        EXPECT_EQ(error.localizedDescription(),
                  QStringLiteral("Could not load an image from “%1”.").arg(QFileInfo(path).fileName()));
        EXPECT_TRUE(error.localizedFailureReason().contains("not a regular file")) << error.toString().toStdString();
    }
}
