// The alpha stages: the mask stage's default, stored form and reloading, the flattening and
// keying of the two colour stages, and what happens when a chosen mask is gone.
#include "app/engine/bitmap/MCBitmap.h"
#include "app/stages/MCConvertAlpha.h"
#include "halvard/imageio/MCImageFunctions.h"
#include "platform/core/MCUndoManager.h"
#include "platform/graphics/CGColorSpace.h"
#include "platform/graphics/CGImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <atomic>
#include <thread>

namespace {

template <typename Stage> std::shared_ptr<Stage> make()
{
    auto stage = std::dynamic_pointer_cast<Stage>(MCConvertStage::convertStageWithID(Stage::StageID));
    if (!stage)
        ADD_FAILURE() << "no stage for ID " << Stage::StageID;
    return stage;
}

// One RGBA row of pixels, 8 bits each.
std::unique_ptr<MCBitmap> rgbaRow(const QList<QList<int>> &pixels)
{
    QByteArray data;
    for (const QList<int> &p : pixels)
        for (int c : p)
            data.append(char(c));
    const size_t width = size_t(pixels.size());
    return MCBitmap::createWithCGImage(CGImage::create(width, 1, 8, 32, width * 4,
                                                       CGColorSpace::createWithName(kCGColorSpaceSRGB),
                                                       kCGImageAlphaLast, data));
}

QList<int> pixelAt(MCBitmap &bitmap, size_t x)
{
    if (!bitmap.useImageBuffer())
        return {};
    const auto *row = static_cast<const uint8_t *>(bitmap.imageBuffer().data);
    return {row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
}

// A flat gray JPEG mask.
QString writeMask(const QString &path, int level, int width = 16, int height = 8)
{
    const QByteArray data(width * height, char(level));
    const CGImageRef image = CGImage::create(size_t(width), size_t(height), 8, 8, size_t(width),
                                             CGColorSpace::createWithName(kCGColorSpaceGenericGrayGamma2_2),
                                             kCGImageAlphaNone, data);
    EXPECT_TRUE(MCSaveImageToURL(image, path)) << path.toStdString();
    return path;
}

// Points the resources at a folder of the test's own while it lives.
struct Resources
{
    explicit Resources(const QString &path) : saved(qgetenv("QUILLONX_RESOURCES"))
    {
        qputenv("QUILLONX_RESOURCES", path.toUtf8());
    }
    ~Resources() { qputenv("QUILLONX_RESOURCES", saved); }
    QByteArray saved;
};

} // namespace

// ---------------------------------------------------------------- Alpha Mask

TEST(AlphaMaskStage, DefaultsToTheFirstShippedMaskByName)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("res"));
    {
        Resources resources(root);
        auto bare = make<MCConvertAlphaMask>();
        EXPECT_TRUE(bare->imageURL().isEmpty());
        // Without a mask the alpha stays as it is.
        auto bitmap = rgbaRow({{10, 20, 30, 40}});
        QVariantMap metadata;
        EXPECT_TRUE(bare->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_EQ(pixelAt(*bitmap, 0), (QList<int>{10, 20, 30, 40}));

        ASSERT_TRUE(QDir().mkpath(root + "/Masks"));
        writeMask(root + "/Masks/b.jpg", 255);
        writeMask(root + "/Masks/a.jpg", 0);
        QFile(root + "/Masks/b.jpg").copy(root + "/Masks/0.png"); // not a "jpg": not listed
        EXPECT_EQ(MCConvertAlphaMask::maskURLs(), (QStringList{root + "/Masks/a.jpg", root + "/Masks/b.jpg"}));
        EXPECT_EQ(make<MCConvertAlphaMask>()->imageURL(), root + "/Masks/a.jpg");
    }
}

TEST(AlphaMaskStage, ANewMaskIsLoadedAfterTheFileChanges)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("masks"));
    const QString white = writeMask(root + "/white.jpg", 255);
    const QString black = writeMask(root + "/black.jpg", 0);
    auto undo = std::make_shared<MCUndoManager>();
    auto stage = make<MCConvertAlphaMask>();
    stage->setUndoManager(undo);
    stage->setImageURL(white);
    QCoreApplication::processEvents(); // closes the event's undo group
    EXPECT_TRUE(undo->canUndo());

    auto run = [&] {
        auto bitmap = rgbaRow({{10, 20, 30, 128}, {200, 100, 50, 0}});
        QVariantMap metadata;
        EXPECT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        EXPECT_TRUE(metadata.isEmpty());
        return QList<int>{pixelAt(*bitmap, 0)[3], pixelAt(*bitmap, 1)[3]};
    };
    EXPECT_EQ(run(), (QList<int>{255, 255}));
    const CGImageRef loaded = stage->image();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(stage->image(), loaded); // kept, not read again

    stage->setImageURL(black);
    QCoreApplication::processEvents();
    EXPECT_EQ(run(), (QList<int>{0, 0}));
    undo->undo();
    EXPECT_EQ(stage->imageURL(), white);
    EXPECT_EQ(run(), (QList<int>{255, 255}));

    // A copy shares the loaded mask.
    auto copy = std::static_pointer_cast<MCConvertAlphaMask>(stage->copy());
    EXPECT_EQ(copy->image(), stage->image());
    EXPECT_TRUE(copy->isEqual(*stage));
    EXPECT_EQ(copy->hash(), stage->hash());
}

TEST(AlphaMaskStage, StoredFormUsesABookmarkOrThePath)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("stored"));
    const QString mask = writeMask(root + "/mask.jpg", 255);
    struct Case
    {
        const char *name;
        QString path;
        const char *key; // the key that is written
    };
    const Case cases[] = {
        {"absolute path", mask, "imageURL"},
        {"relative path: no bookmark", QStringLiteral("Masks/relative.jpg"), "imagePath"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto stage = make<MCConvertAlphaMask>();
        stage->setImageURL(c.path);
        const QVariantMap stored = stage->dictionaryRepresentation();
        EXPECT_TRUE(stored.contains(QLatin1String(c.key)));
        EXPECT_EQ(stored.contains("imageURL") + stored.contains("imagePath"), 1);
        auto read = std::static_pointer_cast<MCConvertAlphaMask>(MCConvertStage::stageWithDictionary(stored));
        EXPECT_EQ(read->imageURL(), c.path);
        EXPECT_TRUE(read->isEqual(*stage));
    }
    // A bookmark that names nothing replaces the default: no mask, not the default mask.
    auto unreadable = std::static_pointer_cast<MCConvertAlphaMask>(
        MCConvertStage::stageWithDictionary({{"stageID", 23}, {"stageIsActive", true}, {"imageURL", QByteArray()}}));
    EXPECT_TRUE(unreadable->imageURL().isEmpty());
}

TEST(AlphaMaskStage, AChosenMaskThatCannotBeReadFailsAndNamesTheFile)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("gone"));
    const QString mask = writeMask(root + "/mask.jpg", 255);
    auto stage = make<MCConvertAlphaMask>();
    stage->setImageURL(mask);
    const QVariantMap stored = stage->dictionaryRepresentation();
    ASSERT_TRUE(QFile::remove(mask));

    // Read back after the file went away, the stage keeps the path instead of the default.
    auto read = std::static_pointer_cast<MCConvertAlphaMask>(MCConvertStage::stageWithDictionary(stored));
    EXPECT_EQ(read->imageURL(), mask);
    for (const auto &candidate : {stage, read}) {
        auto bitmap = rgbaRow({{10, 20, 30, 40}});
        MCError error;
        QVariantMap metadata;
        EXPECT_FALSE(candidate->convertBitmap(bitmap.get(), metadata, nullptr, &error));
        EXPECT_TRUE(error.localizedFailureReason().contains(mask)) << error.toString().toStdString();
        EXPECT_EQ(pixelAt(*bitmap, 0), (QList<int>{10, 20, 30, 40}));
    }
    // Back again, it is read on the next run.
    writeMask(mask, 0);
    auto bitmap = rgbaRow({{10, 20, 30, 40}});
    QVariantMap metadata;
    EXPECT_TRUE(read->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
    EXPECT_EQ(pixelAt(*bitmap, 0)[3], 0);
}

// ---------------------------------------------------------------- Alpha to Color, Color to Alpha

TEST(AlphaColorStages, FlattenOntoAndKeyOutTheColor)
{
    struct Case
    {
        const char *name;
        qint64 stageID;
        double level; // red, green and blue of the stage's colour
        QList<int> before;
        QList<int> after;
    };
    const Case cases[] = {
        {"transparent over middle gray", 25, 0.5, {200, 10, 40, 0}, {128, 128, 128, 255}},
        {"opaque stays", 25, 0.5, {200, 10, 40, 255}, {200, 10, 40, 255}},
        {"half over gray", 25, 0.5, {255, 255, 255, 128}, {191, 191, 191, 255}},
        {"the colour itself becomes transparent", 24, 1.0, {255, 255, 255, 255}, {-1, -1, -1, 0}},
        {"another colour stays opaque", 24, 1.0, {255, 0, 0, 255}, {-1, -1, -1, 255}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto stage = std::static_pointer_cast<MCAlphaColorStage>(MCConvertStage::convertStageWithID(c.stageID));
        ASSERT_TRUE(stage);
        EXPECT_EQ(stage->red(), 0.5);
        stage->setRed(c.level);
        stage->setGreen(c.level);
        stage->setBlue(c.level);
        auto bitmap = rgbaRow({c.before});
        QVariantMap metadata;
        ASSERT_TRUE(stage->convertBitmap(bitmap.get(), metadata, nullptr, nullptr));
        const QList<int> result = pixelAt(*bitmap, 0);
        for (int k = 0; k < 4; ++k) {
            if (c.after[k] >= 0) {
                EXPECT_NEAR(result[k], c.after[k], 1) << "component " << k;
            }
        }
    }
}

TEST(AlphaColorStages, ComponentsCompareExactlyAndResetToMiddleGray)
{
    auto a = make<MCConvertAlphaToColor>();
    auto b = make<MCConvertAlphaToColor>();
    b->setGreen(0.51);
    EXPECT_FALSE(a->isEqual(*b)); // they may hash alike: lround(11 × g) is 6 for both
    EXPECT_EQ(a->hash(), b->hash());
    b->setGreen(0.6);
    EXPECT_NE(a->hash(), b->hash());
    EXPECT_FALSE(make<MCConvertColorToAlpha>()->isEqual(*a)); // another class

    auto undo = std::make_shared<MCUndoManager>();
    b->setUndoManager(undo);
    b->setRed(0.1);
    b->setBlue(0.9);
    b->resetToDefaults();
    EXPECT_EQ(b->red(), 0.5);
    EXPECT_EQ(b->green(), 0.5);
    EXPECT_EQ(b->blue(), 0.5);
    EXPECT_EQ(b->minRed(), 0.0);
    EXPECT_EQ(b->maxBlue(), 1.0);

    auto read = MCConvertStage::stageWithDictionary(b->dictionaryRepresentation());
    EXPECT_TRUE(read->isEqual(*b));
    // Missing components read 0.
    auto bare = std::static_pointer_cast<MCAlphaColorStage>(MCConvertStage::stageWithDictionary({{"stageID", 24}}));
    EXPECT_EQ(bare->red(), 0.0);
}

// A preview keys on the colour on a worker while the panel changes it and the mask file.
TEST(AlphaStages, PreviewsOnAWorkerAndEditsOnTheGuiThreadDoNotRace)
{
    const QString root = testsupport::makeTemporaryFolder(QStringLiteral("race"));
    const QString masks[] = {writeMask(root + "/white.jpg", 255), writeMask(root + "/black.jpg", 0)};
    auto mask = make<MCConvertAlphaMask>();
    auto flatten = make<MCConvertAlphaToColor>();
    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            auto bitmap = rgbaRow({{10, 20, 30, 40}, {1, 2, 3, 4}});
            QVariantMap metadata;
            if (!mask->previewBitmap(bitmap.get(), metadata, nullptr, nullptr) ||
                !flatten->previewBitmap(bitmap.get(), metadata, nullptr, nullptr))
                failures++;
        }
        done = true;
    });
    for (int i = 0; !done; ++i) {
        mask->setImageURL(masks[i % 2]);
        flatten->setRed((i % 10) / 10.0);
        flatten->setActive(i % 3 != 0);
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(failures, 0);
}
