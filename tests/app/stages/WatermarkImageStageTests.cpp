// The Watermark Image stage: its parameters, the drawn size, the picture's loading (on demand,
// under the stage's lock, shared by copies) and the mended failures, and the picture drawn.
#include "app/stages/MCConvertWatermarkImage.h"
#include "platform/core/MCUndoManager.h"
#include "platform/graphics/CGImage.h"
#include "WatermarkStageTestSupport.h"

#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <thread>

using namespace watermarkstagetest;

namespace {

using Stage = MCConvertWatermarkImage;

// A 24 × 16 logo with a transparent hole: a ring of colour on a checkerboard, as a PNG file.
QString writeLogo(const QString &path, int width = 24, int height = 16)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = x - (width - 1) / 2.0, dy = y - (height - 1) / 2.0;
            const bool hole = dx * dx + dy * dy < 16;
            const bool dark = ((x / 4) + (y / 4)) % 2;
            image.setPixel(x, y, hole ? qRgba(0, 0, 0, 0) : dark ? qRgba(200, 30, 30, 255) : qRgba(250, 250, 250, 200));
        }
    EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    return path;
}

QString folder() { return testsupport::makeTemporaryFolder("logo"); }

std::shared_ptr<Stage> logoStage(const QString &path)
{
    auto stage = make<Stage>();
    stage->setImageURL(path);
    return stage;
}

} // namespace

TEST(WatermarkImageStage, DeclaresItsParametersWithTheirDefaults)
{
    auto stage = make<Stage>();
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->parameters().size(), 31u);
    EXPECT_EQ(stage->stageName(), QStringLiteral("Watermark Image"));
    EXPECT_EQ(stage->imageURL(), QString());
    EXPECT_EQ(stage->imageSizeMethod(), 4u);
    EXPECT_EQ(stage->imageWidth(), 0u);
    EXPECT_EQ(stage->imageWidthInPercent(), 10.0);
    EXPECT_EQ(stage->imagePositionMask(), 10u);
    EXPECT_FALSE(stage->imageOffsetXCalculatesInPercent());
    EXPECT_EQ(stage->imageOffsetXInPixels(), 20.0);
    EXPECT_FALSE(stage->hasShadow());
    EXPECT_EQ(stage->opacity(), 0.8);
    EXPECT_EQ(stage->tileOffsetXInPixels(), 50.0);
    EXPECT_TRUE(stage->collapsedOpacityGroup());
    EXPECT_EQ(stage->minImageWidth(), 1.0);
    EXPECT_EQ(stage->maxImageWidthInPercent(), 200.0);
    EXPECT_EQ(stage->keyPathsForObserver().size(), 1 + 27);
    EXPECT_TRUE(stage->keyPathsForObserver().contains("imageURL"));
    EXPECT_EQ(stage->resizeKeyPathsForObserver().size(), 1 + 4);
    EXPECT_EQ(stage->image(), nullptr);

    // Without a picture the stored form has the 30 other keys; with one, its bookmark too.
    EXPECT_EQ(stage->dictionaryRepresentation().size(), 3 + 30);
    const QString logo = writeLogo(folder() + "/logo.png");
    stage->setImageURL(logo);
    stage->setImageRotation(12.5);
    const QVariantMap stored = stage->dictionaryRepresentation();
    EXPECT_EQ(stored.size(), 3 + 31);
    EXPECT_EQ(stored.value("imageURL").typeId(), QMetaType::QByteArray);
    auto back = read<Stage>(stored);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->imageURL(), logo);
    EXPECT_TRUE(back->isEqual(*stage));

    // Only the base keys: method 0 with a 0 × 0 size, opacity 0, offsets 0.
    auto bare = read<Stage>({{"stageIsActive", true}});
    EXPECT_EQ(bare->imageSizeMethod(), 0u);
    EXPECT_EQ(bare->imageWidth(), 0u);
    EXPECT_EQ(bare->opacity(), 0.0);
    EXPECT_EQ(bare->imageOffsetXInPixels(), 0.0);
    EXPECT_NEAR(bare->shadowColor().alphaF(), 0.75, 1e-3);

    // Emptied fields: sizes to their floor, offsets and gaps to 0.
    bare->setValueForKey("imageWidth", QVariant());
    bare->setValueForKey("imageWidthInPercent", QVariant());
    bare->setValueForKey("imageOffsetXInPercent", QVariant());
    bare->setValueForKey("tileOffsetYInPixels", QVariant());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(bare->imageWidth(), 1u);
    EXPECT_EQ(bare->imageWidthInPercent(), 0.5);
    EXPECT_EQ(bare->imageOffsetXInPercent(), 0.0);
    EXPECT_EQ(bare->tileOffsetYInPixels(), 0.0);
}

TEST(WatermarkImageStage, EqualityAndHash)
{
    struct Case
    {
        const char *label;
        std::function<void(Stage &)> change;
        bool equal;
    };
    const Case cases[] = {
        {"pixel offset", [](Stage &s) { s.setImageOffsetXInPixels(21); }, false},
        {"percent offset while in pixels", [](Stage &s) { s.setImageOffsetXInPercent(7); }, true},
        {"folded tile group", [](Stage &s) { s.setCollapsedTileGroup(false); }, true},
        {"fixed width while relative", [](Stage &s) { s.setImageWidth(30); }, true},
        {"relative height", [](Stage &s) { s.setImageHeightInPercent(30); }, false},
        {"shadow colour without shadow", [](Stage &s) { s.setShadowColor(Qt::red); }, true},
        {"tile gap without tiles", [](Stage &s) { s.setTileOffsetXInPixels(3); }, true},
        {"another file", [](Stage &s) { s.setImageURL("/elsewhere/logo.png"); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        auto a = make<Stage>(), b = make<Stage>();
        c.change(*b);
        EXPECT_EQ(a->isEqual(*b), c.equal);
    }
    auto stage = make<Stage>();
    stage->setImageRotation(45.9);
    EXPECT_EQ(stage->hash(), quint64((15 << 2) | 3) ^ (quint64((10 * 17) ^ (4 * 7) ^ (45 * 11)) << 16));
}

TEST(WatermarkImageStage, DrawnSizeByMethod)
{
    auto stage = make<Stage>();
    const QSizeF photo(4000, 3000), picture(200, 100);
    struct Case
    {
        quint64 method;
        QSizeF size;
    };
    stage->setImageWidthInPercent(10);
    stage->setImageHeightInPercent(99); // never used for drawing
    for (const Case &c : {Case{1, QSizeF(400, 200)}, Case{2, QSizeF(300, 150)}, Case{3, QSizeF(400, 200)},
                          Case{4, QSizeF(300, 150)}, Case{5, QSizeF(0, 0)}}) {
        stage->setImageSizeMethod(c.method);
        EXPECT_EQ(stage->imageSizeForPhoto(photo, picture), c.size) << c.method;
    }
    // The width is truncated to whole pixels, the height follows the picture's shape.
    stage->setImageSizeMethod(1);
    stage->setImageWidthInPercent(3.33);
    EXPECT_EQ(stage->imageSizeForPhoto(QSizeF(1000, 500), QSizeF(3, 2)), QSizeF(33, 22));
    stage->setImageSizeMethod(0);
    stage->setImageWidth(70);
    stage->setImageHeight(20);
    EXPECT_EQ(stage->imageSizeForPhoto(photo, picture), QSizeF(70, 20));
}

TEST(WatermarkImageStage, NothingChosenOrNothingToDrawLeavesThePhoto)
{
    const QString logo = writeLogo(folder() + "/logo.png");
    const std::function<void(Stage &)> setups[] = {
        [](Stage &s) { s.setImageURL(QString()); },
        [](Stage &s) { s.setImageSizeMethod(0); }, // 0 × 0
        [](Stage &s) { s.setImageSizeMethod(5); },
        [](Stage &s) { s.setOpacity(0); },
        [](Stage &s) { s.setActive(false); },
    };
    for (const auto &setup : setups) {
        auto stage = logoStage(logo);
        setup(*stage);
        auto photo = rampPhoto(120, 90), untouched = rampPhoto(120, 90);
        MCError error;
        EXPECT_TRUE(convert(*stage, *photo, {}, &error)) << error.toString().toStdString();
        EXPECT_TRUE(samePixels(*photo, *untouched));
    }
}

TEST(WatermarkImageStage, PictureNeverShownInAPanelIsLoadedForTheConversion)
{
    const QString logo = writeLogo(folder() + "/logo.png");
    // A stage read from a preset: nobody asked for its picture before the run.
    auto stage = read<Stage>(logoStage(logo)->dictionaryRepresentation());
    ASSERT_TRUE(stage);
    stage->setImageSizeMethod(0);
    stage->setImageWidth(48);
    stage->setImageHeight(32);
    stage->setOpacity(1);
    auto photo = plainBitmap(200, 150, Qt::black);
    MCError error;
    ASSERT_TRUE(convert(*stage, *photo, {}, &error)) << error.toString().toStdString();
    // 20 pixels in from the right and bottom edges, 48 × 32.
    EXPECT_EQ(brightBox(*photo), QRect(200 - 20 - 48, 150 - 20 - 32, 48, 32));
    ASSERT_NE(stage->image(), nullptr);
    EXPECT_EQ(stage->image()->width(), 24u);
}

TEST(WatermarkImageStage, ConversionsOnManyThreadsShareThePictureWhileThePanelReleasesIt)
{
    const QString logo = writeLogo(folder() + "/logo.png");
    auto stage = logoStage(logo);
    stage->setImageSizeMethod(1);
    stage->setImageWidthInPercent(40);
    auto reference = rampPhoto(96, 64);
    ASSERT_TRUE(convert(*stage, *reference));
    std::atomic<int> failures{0}, differences{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int round = 0; round < 25; ++round) {
                auto photo = rampPhoto(96, 64);
                QVariantMap metadata;
                if (!stage->convertBitmap(photo.get(), metadata, nullptr, nullptr))
                    ++failures;
                else if (!samePixels(*photo, *reference))
                    ++differences;
            }
        });
    std::thread panel([&] {
        while (!done) {
            stage->releaseImage();
            (void)stage->image();
        }
    });
    for (std::thread &worker : workers)
        worker.join();
    done = true;
    panel.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(differences.load(), 0);
}

TEST(WatermarkImageStage, CopiesShareTheDecodedPictureAndResetTakesItsSize)
{
    const QString path = writeLogo(folder() + "/logo.png", 200, 100);
    auto stage = logoStage(path);
    stage->setImageWidthInPercent(12);
    // Nothing decoded yet: the size becomes 0 × 0 and the heights' share the widths'.
    stage->resetSizeToImageSize();
    EXPECT_EQ(stage->imageWidth(), 0u);
    EXPECT_EQ(stage->imageHeight(), 0u);
    EXPECT_EQ(stage->imageHeightInPercent(), 12.0);

    const CGImageRef decoded = stage->image();
    ASSERT_TRUE(decoded);
    auto undo = std::make_shared<MCUndoManager>();
    undo->setGroupsByEvent(false);
    stage->setUndoManager(undo);
    undo->beginUndoGrouping();
    stage->resetSizeToImageSize();
    undo->endUndoGrouping();
    EXPECT_EQ(stage->imageWidth(), 200u);
    EXPECT_EQ(stage->imageHeight(), 100u);
    EXPECT_EQ(stage->imageHeightInPercent(), 6.0);
    undo->undo();
    EXPECT_EQ(stage->imageWidth(), 0u);

    ASSERT_TRUE(QFile::remove(path));
    auto copy = std::dynamic_pointer_cast<Stage>(stage->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->image(), decoded); // not decoded again: the file is gone
    EXPECT_TRUE(copy->isEqual(*stage));
    // A new file drops the picture.
    copy->setImageURL(path + ".other");
    EXPECT_EQ(copy->image(), nullptr);
    EXPECT_EQ(stage->image(), decoded);
}

TEST(WatermarkImageStage, PictureThatCannotBeDecodedFailsNamingTheFile)
{
    const QString root = folder();
    QFile text(root + "/notes.png");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is no picture");
    text.close();
    const QString gone = writeLogo(root + "/gone.png");
    const QVariantMap preset = logoStage(gone)->dictionaryRepresentation();
    ASSERT_TRUE(QFile::remove(gone));
    // A preset whose picture was deleted keeps naming it.
    auto fromPreset = read<Stage>(preset);
    ASSERT_TRUE(fromPreset);
    EXPECT_EQ(fromPreset->imageURL(), gone);
    for (const auto &stage : {logoStage(root + "/notes.png"), fromPreset}) {
        const QString path = stage->imageURL();
        SCOPED_TRACE(path.toStdString());
        auto photo = rampPhoto(60, 40), untouched = rampPhoto(60, 40);
        MCError error;
        EXPECT_FALSE(convert(*stage, *photo, {}, &error));
        EXPECT_EQ(error.domain(), MCErrorDomain);
        EXPECT_EQ(error.code(), 2);
        EXPECT_TRUE(error.localizedFailureReason().contains(path)) << error.localizedFailureReason().toStdString();
        EXPECT_EQ(error.userInfo().value(MCFilePathErrorKey).toString(), path);
        EXPECT_TRUE(samePixels(*photo, *untouched));
    }
}

TEST(WatermarkImageStage, TiledCanvasBeyondThePixelLimitFailsCleanly)
{
    auto stage = logoStage(writeLogo(folder() + "/logo.png"));
    stage->setTiles(true);
    stage->setTileOffsetXInPixels(30000);
    stage->setTileOffsetYInPixels(30000);
    auto photo = rampPhoto(60, 40), untouched = rampPhoto(60, 40);
    MCError error;
    EXPECT_FALSE(convert(*stage, *photo, {}, &error));
    EXPECT_EQ(error.code(), 2);
    EXPECT_TRUE(error.localizedFailureReason().contains("pixels")) << error.localizedFailureReason().toStdString();
    EXPECT_TRUE(samePixels(*photo, *untouched));
    // Just within the limit the same tiles draw.
    stage->setTileOffsetXInPixels(2000);
    stage->setTileOffsetYInPixels(2000);
    EXPECT_TRUE(convert(*stage, *photo, {}, &error));
}

TEST(WatermarkImageStage, PreviewDrawsTheSameShareOfThePhoto)
{
    auto stage = logoStage(writeLogo(folder() + "/logo.png"));
    stage->setOpacity(1);
    stage->setImageSizeMethod(1);
    stage->setImageWidthInPercent(25);
    auto full = plainBitmap(400, 300, Qt::black), preview = plainBitmap(200, 150, Qt::black);
    preview->setScaleX(0.5);
    preview->setScaleY(0.5);
    ASSERT_TRUE(convert(*stage, *full));
    ASSERT_TRUE(convert(*stage, *preview));
    const QRect big = brightBox(*full), small = brightBox(*preview);
    // 100 × 66.7 pixels, 20 in from the right and bottom edges.
    EXPECT_NEAR(big.left(), 280, 1);
    EXPECT_NEAR(big.right(), 379, 1);
    EXPECT_NEAR(big.bottom(), 279, 1);
    EXPECT_NEAR(big.height(), 67, 1);
    EXPECT_NEAR(small.left(), big.left() / 2.0, 1);
    EXPECT_NEAR(small.width(), big.width() / 2.0, 1);
    EXPECT_NEAR(small.top(), big.top() / 2.0, 1);
    EXPECT_NEAR(small.height(), big.height() / 2.0, 1);
}

TEST(WatermarkImageStage, MatchesTheReferences)
{
    struct Picture
    {
        const char *name;
        std::function<void(Stage &)> set;
    };
    const Picture pictures[] = {
        {"stage_image_shadow_rotated",
         [](Stage &s) {
             s.setImageSizeMethod(1);
             s.setImageWidthInPercent(40);
             s.setImagePositionMask(1 | 4);
             s.setImageOffsetXCalculatesInPercent(true);
             s.setImageOffsetXInPercent(5);
             s.setImageRotation(20);
             s.setHasShadow(true);
             s.setShadowDistance(15);
             s.setShadowBlur(6);
         }},
        {"stage_image_tiled",
         [](Stage &s) {
             s.setImageSizeMethod(0);
             s.setImageWidth(24);
             s.setImageHeight(16);
             s.setTiles(true);
             s.setTileOffsetXInPixels(10);
             s.setTileOffsetYInPixels(6);
             s.setImageRotation(30);
             s.setOpacity(0.7);
         }},
    };
    const QString logo = writeLogo(folder() + "/logo.png");
    for (const Picture &picture : pictures) {
        auto stage = logoStage(logo);
        picture.set(*stage);
        auto photo = rampPhoto(160, 120), untouched = rampPhoto(160, 120);
        ASSERT_TRUE(convert(*stage, *photo));
        expectMatchesReference(picture.name, *photo, *untouched);
    }
}
