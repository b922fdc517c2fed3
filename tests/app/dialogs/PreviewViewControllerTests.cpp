// The before-and-after preview: real photos loaded through a resource loader of the test's
// own, a private settings store, and the converter's preview run with real and scripted stages.
#include "app/dialogs/MCPreviewViewController.h"
#include "app/engine/bitmap/MCBitmap.h"
#include "app/engine/pipeline/MCBitmapConverter.h"
#include "app/library/MCFile.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertTone.h"
#include "app/stages/MCConvertWatermarkText.h"
#include "app/uikit/MCProgressIndicator.h"
#include "halvard/imageio/MCImage.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "platform/imageio/MCImageProperties.h"
#include "tests/app/engine/pipeline/PipelineTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStackedWidget>

#include <gtest/gtest.h>

using pipelinetest::ScriptedStage;

namespace {

// A photo of `width` × `height` whose left half is red and right half blue, written as a JPEG
// with `properties`.
QString writePhoto(const QString &folder, const QString &name, int width, int height,
                   const QVariantMap &properties = {})
{
    QByteArray data(width * height * 4, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char *p = data.data() + (y * width + x) * 4;
            p[x < width / 2 ? 0 : 2] = char(255);
            p[3] = char(255);
        }
    auto bitmap = MCBitmap::createWithCGImage(CGImage::create(size_t(width), size_t(height), 8, 32, size_t(width) * 4,
                                                              CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                              kCGImageAlphaLast, data));
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(bitmap->convertToBitmapInfo(kCGImageAlphaNone, 8, {1, 1, 1}));
    EXPECT_TRUE(bitmap->saveAtURL(path, "public.jpeg", properties));
    return path;
}

std::shared_ptr<MCFile> libraryFile(const QString &path, quint64 id)
{
    auto file = MCFile::fileWithID(id);
    file->setFilePath(path);
    file->setFileName(QFileInfo(path).fileName());
    return file;
}

// How many pixels of an 8-bit bitmap (three or four components) have red above `threshold`.
int brightPixels(MCBitmap &bitmap, int threshold = 100)
{
    bitmap.useImageBuffer();
    const vImage_Buffer &b = bitmap.imageBuffer();
    const size_t step = bitmap.bitsPerPixel() / 8;
    int count = 0;
    for (size_t y = 0; y < b.height; ++y) {
        const uint8_t *row = static_cast<const uint8_t *>(b.data) + y * b.rowBytes;
        for (size_t x = 0; x < b.width; ++x)
            count += row[step * x] > threshold;
    }
    return count;
}

// The colour of the scaled bitmap at a point (row 0 is the top), as 0..255 red and blue.
std::pair<int, int> redBlue(const MCBitmap &bitmap, QPointF point)
{
    const std::optional<MCBitmapColor> color = bitmap.colorAtPoint(point);
    if (!color || color->components.size() < 3)
        return {-1, -1};
    return {int(std::lround(color->components[0] * 255)), int(std::lround(color->components[2] * 255))};
}

class PreviewController : public ::testing::Test
{
protected:
    PreviewController()
    {
        controller.setResourceLoader(&loader);
        controller.setConverter(&converter);
        controller.view()->resize(400, 300);
        controller.view()->show();
        QApplication::processEvents();
    }
    ~PreviewController() override
    {
        controller.setPreviewItem(nullptr, {});
        loader.waitUntilAllRequestsAreFinished();
        QApplication::processEvents();
    }

    // Shows `file` and waits for the photo and the deferred work that follows it.
    void show(const std::shared_ptr<MCFile> &file, const QString &name = QStringLiteral("out.jpg"))
    {
        controller.setPreviewItem(file, name);
        ASSERT_TRUE(testsupport::processEventsUntil([&] { return !controller.isLoading(); }));
        settle();
    }
    // Lets every pending deferred step run.
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    std::unique_ptr<MCUserDefaults> defaults = pipelinetest::makeDefaults();
    MCBitmapConverter converter{defaults.get()};
    MCResourceLoader loader;
    MCPreviewViewController controller;
    QString folder = testsupport::makeTemporaryFolder(QStringLiteral("preview"));
};

} // namespace

TEST_F(PreviewController, LoadsOnceScalesToTheViewAndConverts)
{
    auto file = libraryFile(writePhoto(folder, "a.jpg", 1200, 900), 1);
    controller.setPreviewItem(file, "out.jpg");
    EXPECT_TRUE(controller.isLoading());
    EXPECT_FALSE(controller.progress()->isHidden());
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !controller.isLoading(); }));
    settle();

    ASSERT_TRUE(controller.scaledBitmap());
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(400, 300));
    ASSERT_TRUE(controller.convertedBitmap());
    EXPECT_EQ(controller.convertedBitmap()->size(), QSizeF(400, 300));
    EXPECT_TRUE(controller.progress()->isHidden());
    EXPECT_EQ(controller.bitmapView()->bitmap(), controller.convertedBitmap());
    EXPECT_FALSE(controller.bitmapView()->isHidden());
    EXPECT_TRUE(controller.attentionIconView()->isHidden());
    EXPECT_EQ(controller.bitmapView()->imageRect(), QRectF(0, 0, 400, 300));
    EXPECT_EQ(controller.bitmapView()->backgroundColor().style(), Qt::TexturePattern);

    controller.setShowsOriginalImage(true);
    EXPECT_EQ(controller.bitmapView()->bitmap(), controller.scaledBitmap());

    // Side by side: the before view gets the original, the after view the result; the
    // single view is emptied. The pair's target view is narrower, so the photo is re-scaled.
    controller.setShowsBeforeAfter(true);
    settle();
    EXPECT_TRUE(controller.showsBeforeAfter());
    EXPECT_EQ(controller.bitmapBeforeView()->bitmap(), controller.scaledBitmap());
    EXPECT_EQ(controller.bitmapAfterView()->bitmap(), controller.convertedBitmap());
    EXPECT_FALSE(controller.bitmapView()->bitmap());
    EXPECT_LE(controller.scaledBitmap()->size().width(), controller.bitmapBeforeView()->width());
    EXPECT_LT(controller.scaledBitmap()->size().width(), 400);

    // No photo: everything goes.
    controller.setPreviewItem(nullptr, {});
    EXPECT_FALSE(controller.scaledBitmap());
    EXPECT_FALSE(controller.convertedBitmap());
    EXPECT_TRUE(controller.bitmapBeforeView()->isHidden());
    EXPECT_TRUE(controller.bitmapAfterView()->isHidden());
    EXPECT_TRUE(controller.attentionIconBeforeView()->isHidden());
    EXPECT_TRUE(controller.attentionIconAfterView()->isHidden());
}

// While a slider is dragged every value reaches the stage; the preview runs once per pass of
// the event loop on the preview-sized copy, never re-scaling the photo.
TEST_F(PreviewController, StageEditsCoalesceIntoOneRunPerPass)
{
    auto exposure = std::make_shared<MCConvertExposure>();
    converter.setStagesFromArray({exposure});
    show(libraryFile(writePhoto(folder, "a.jpg", 1200, 900), 1));
    const int scales = controller.scaleCount(), runs = controller.previewRunCount();
    const std::shared_ptr<MCBitmap> scaled = controller.scaledBitmap();
    EXPECT_EQ(brightPixels(*controller.convertedBitmap(), 150), 60000); // the red half

    for (double value : {1.8, 1.4, 0.9, 0.5}) {
        exposure->setExposure(value);
        controller.updatePreviewAfterDelay();
    }
    EXPECT_EQ(controller.previewRunCount(), runs); // nothing yet: deferred
    settle();
    EXPECT_EQ(controller.previewRunCount(), runs + 1);
    EXPECT_EQ(controller.scaleCount(), scales);
    EXPECT_EQ(controller.scaledBitmap(), scaled);
    EXPECT_EQ(controller.convertedBitmap()->size(), QSizeF(400, 300));
    EXPECT_EQ(brightPixels(*controller.convertedBitmap(), 150), 0); // 0.5: red at about 127

    // A re-scale pending in the same pass takes the re-run with it.
    controller.scalePreviewAfterDelay();
    controller.updatePreviewAfterDelay();
    settle();
    EXPECT_EQ(controller.scaleCount(), scales + 1);
    EXPECT_EQ(controller.previewRunCount(), runs + 2);
}

TEST_F(PreviewController, AFailingStageHidesTheAfterViewBehindTheAttentionIcon)
{
    show(libraryFile(writePhoto(folder, "a.jpg", 600, 450), 1));
    converter.setStagesFromArray({std::make_shared<ScriptedStage>(-1, [](MCBitmap *, QVariantMap &, MCError *) {
        return false;
    })});
    controller.updatePreviewAfterDelay();
    settle();
    EXPECT_FALSE(controller.convertedBitmap());
    EXPECT_TRUE(controller.bitmapView()->isHidden());
    EXPECT_FALSE(controller.attentionIconView()->isHidden());

    controller.setShowsBeforeAfter(true);
    settle();
    EXPECT_FALSE(controller.bitmapBeforeView()->isHidden());
    EXPECT_EQ(controller.bitmapBeforeView()->bitmap(), controller.scaledBitmap());
    EXPECT_TRUE(controller.attentionIconBeforeView()->isHidden());
    EXPECT_TRUE(controller.bitmapAfterView()->isHidden());
    EXPECT_FALSE(controller.attentionIconAfterView()->isHidden());
    EXPECT_TRUE(controller.attentionIconView()->isHidden());

    converter.setStagesFromArray({});
    controller.updatePreviewAfterDelay();
    settle();
    EXPECT_FALSE(controller.bitmapAfterView()->isHidden());
    EXPECT_TRUE(controller.attentionIconAfterView()->isHidden());
}

TEST_F(PreviewController, APhotoThatCannotBeReadShowsTheAttentionIcon)
{
    const QString junk = QDir(folder).filePath("junk.jpg");
    QFile out(junk);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("not a photo");
    out.close();
    show(libraryFile(junk, 1));
    EXPECT_FALSE(controller.scaledBitmap());
    EXPECT_TRUE(controller.bitmapView()->isHidden());
    EXPECT_FALSE(controller.attentionIconView()->isHidden());
    EXPECT_TRUE(controller.progress()->isHidden());
}

TEST_F(PreviewController, AnswersForAnEarlierPhotoAreIgnored)
{
    auto wide = libraryFile(writePhoto(folder, "wide.jpg", 800, 400), 1);
    auto tall = libraryFile(writePhoto(folder, "tall.jpg", 300, 600), 2);
    controller.setPreviewItem(wide, "wide.jpg");
    const QUuid first = controller.pendingRequestID();
    controller.setPreviewItem(tall, "tall.jpg");
    EXPECT_NE(controller.pendingRequestID(), first);

    // The first request's answer (had it been running already) changes nothing.
    QVariantMap metadata;
    const std::shared_ptr<MCImage> image = MCBitmapConverter::newImageAtURL(wide->filePath(), &metadata, nullptr);
    ASSERT_TRUE(image);
    controller.receiveImage(image, metadata, first);
    EXPECT_TRUE(controller.isLoading());
    EXPECT_FALSE(controller.scaledBitmap());

    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !controller.isLoading(); }));
    settle();
    ASSERT_TRUE(controller.scaledBitmap());
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(150, 300)); // the tall photo
    controller.receiveImage(image, metadata, first);
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(150, 300));
}

TEST_F(PreviewController, TurnsPhotosUprightByTheSetting)
{
    // Stored 600 × 400, left red, right blue; orientation 6 shows it turned a quarter clockwise,
    // so the stored left edge is the top.
    show(libraryFile(writePhoto(folder, "six.jpg", 600, 400, {{kCGImagePropertyOrientation, 6}}), 1));
    ASSERT_TRUE(controller.scaledBitmap());
    const MCBitmap &upright = *controller.scaledBitmap();
    EXPECT_EQ(upright.size(), QSizeF(200, 300));
    EXPECT_GT(redBlue(upright, {100, 10}).first, 200);  // top: red
    EXPECT_GT(redBlue(upright, {100, 290}).second, 200); // bottom: blue
    EXPECT_EQ(controller.scaledMetadata().value(kCGImagePropertyOrientation).toInt(), 1);

    const int scales = controller.scaleCount();
    defaults->setBool(false, kMCShouldAutorotateKey);
    settle();
    EXPECT_EQ(controller.scaleCount(), scales + 1);
    ASSERT_TRUE(controller.scaledBitmap());
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(400, 267));
    EXPECT_EQ(controller.scaledMetadata().value(kCGImagePropertyOrientation).toInt(), 6); // as in the file

    // A photo stored upright is not re-scaled by the switch.
    show(libraryFile(writePhoto(folder, "one.jpg", 600, 400, {{kCGImagePropertyOrientation, 1}}), 2));
    const int after = controller.scaleCount();
    defaults->setBool(true, kMCShouldAutorotateKey);
    settle();
    EXPECT_EQ(controller.scaleCount(), after);
}

TEST_F(PreviewController, ScaledBitmapFollowsThePipelineAndTheScreen)
{
    // A pipeline that doubles the size: the photo is scaled into half the view, and the result
    // fills it.
    auto scale = std::make_shared<MCConvertScale>();
    scale->setScaleMode(MCConvertScale::ByPercent);
    scale->setScaleInPercentage(200);
    converter.setStagesFromArray({scale});
    ASSERT_EQ(converter.sizeForOriginalSize(QSizeF(1200, 900), 1), QSizeF(2400, 1800)) << "the stage's percent mode";
    show(libraryFile(writePhoto(folder, "a.jpg", 1200, 900), 1));
    ASSERT_TRUE(controller.scaledBitmap());
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(200, 150));
    ASSERT_TRUE(controller.convertedBitmap());
    EXPECT_EQ(controller.convertedBitmap()->size(), QSizeF(400, 300));

    // A dense screen: twice the pixels, shown fitted in the same points.
    converter.setStagesFromArray({});
    controller.bitmapView()->setDeviceRatio(2.0);
    controller.scalePreviewAfterDelay();
    settle();
    EXPECT_EQ(controller.scaledBitmap()->size(), QSizeF(800, 600));
    EXPECT_EQ(controller.bitmapView()->imageRect(), QRectF(0, 0, 400, 300));

    // Output settings and "AlphaColor" re-scale and re-run.
    const int scales = controller.scaleCount(), runs = controller.previewRunCount();
    converter.setImageFormat(MCImageFormatPNG);
    converter.setImageHasAlpha(true);
    settle();
    EXPECT_EQ(controller.scaleCount(), scales + 1);
    EXPECT_EQ(controller.previewRunCount(), runs + 1);
    EXPECT_TRUE(controller.convertedBitmap()->isAlphaUsed());
    defaults->setObject(QByteArray("an archived colour"), kMCAlphaColorKey); // unreadable: white

    settle();
    EXPECT_EQ(controller.scaleCount(), scales + 2);
}

// A view not laid out yet (no pixels) makes no bitmap: a zero fitting size would read the
// photo at full size. The first resize makes it.
TEST_F(PreviewController, WaitsForTheViewToBeLaidOut)
{
    QWidget window; // outlives the controller, which owns (and takes back) its view
    window.resize(400, 400);
    MCPreviewViewController hidden;
    hidden.setResourceLoader(&loader);
    hidden.setConverter(&converter);
    hidden.view()->setParent(&window);
    hidden.view()->setGeometry(0, 0, 0, 0);
    window.show();
    QApplication::processEvents();
    hidden.setPreviewItem(libraryFile(writePhoto(folder, "a.jpg", 1200, 900), 1), "a.jpg");
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !hidden.isLoading(); }));
    settle();
    EXPECT_FALSE(hidden.scaledBitmap());
    EXPECT_FALSE(hidden.convertedBitmap());
    EXPECT_TRUE(hidden.attentionIconView()->isHidden()); // nothing failed

    hidden.view()->setGeometry(0, 0, 300, 300);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return hidden.scaledBitmap() != nullptr; }));
    settle();
    EXPECT_EQ(hidden.scaledBitmap()->size(), QSizeF(300, 225));
    EXPECT_FALSE(hidden.bitmapView()->isHidden());
    hidden.setPreviewItem(nullptr, {});
}

TEST_F(PreviewController, TheOutputNameReachesATextWatermark)
{
    auto text = std::make_shared<MCConvertWatermarkText>();
    text->setTokens({MCWatermarkText::element(MCWatermarkTextToken::itemWithKind(MCWatermarkTextTokenKindFileName))});
    converter.setStagesFromArray({text});
    // A black photo: only the text is bright.
    auto file = libraryFile(writePhoto(folder, "dark.jpg", 2, 2), 1);
    {
        QByteArray data(1200 * 900 * 4, 0);
        for (int i = 3; i < data.size(); i += 4)
            data[i] = char(255);
        auto black = MCBitmap::createWithCGImage(CGImage::create(1200, 900, 8, 32, 4800,
                                                                 CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                                 kCGImageAlphaLast, data));
        ASSERT_TRUE(black->convertToBitmapInfo(kCGImageAlphaNone, 8, {0, 0, 0}));
        ASSERT_TRUE(black->saveAtURL(file->filePath(), "public.jpeg", {}));
    }
    show(file, QString());
    ASSERT_TRUE(controller.convertedBitmap());
    EXPECT_EQ(brightPixels(*controller.convertedBitmap()), 0);

    controller.setPreviewItem(file, "HHHHHHHH.jpg"); // the same photo, another name: a re-run only
    settle();
    ASSERT_TRUE(controller.convertedBitmap());
    EXPECT_GT(brightPixels(*controller.convertedBitmap()), 50);
    EXPECT_EQ(controller.convertedMetadata().value(kMCQuillonDictionaryKey).toMap().value(kMCQuillonFilenameKey),
              QVariant("HHHHHHHH.jpg"));
}
